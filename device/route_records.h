#pragma once
// Route records of the receivers, as the data part of their messages: the
// route headers (formats 200, 201, 202) and the route link (210) that A201
// units put between two route points. The points themselves travel as
// waypoint records.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/records.h"

// 200: the route number's low byte; 201: that and the first 20 bytes of the
// comment, zero-padded (a 20-character comment has no terminator); 202: the
// route's identifier, zero-terminated (the comment, the only name a route
// has). Returns 0 and leaves aData empty for another format.
int iEncodeRouteHeader(const Route &oRoute, int iFormat, std::vector<uint8_t> &aData);
// Fills oRoute, cleared first, from a header. A 202 header carries no number:
// the route keeps number 0 and its identifier becomes the comment (cut to what
// the comment holds). Another format, or data shorter than the layout, leaves
// the route empty with number 0 and returns 0.
int iDecodeRouteHeader(std::span<const uint8_t> aData, int iFormat, Route &oRoute);

// A route link (210): the class of the way between two points, its subclass
// and an identifier.
struct RouteLink {
    uint16_t sClass = 0;
    uint8_t abSubclass[18] = {};
    std::string sIdent;
};
constexpr uint16_t kRouteLinkLine = 0;
constexpr uint16_t kRouteLinkDirect = 3;
constexpr uint16_t kRouteLinkSnap = 0xFF;

// The link an upload puts between two points: class 0 "line" with the
// default subclass (6 zero bytes, then 12 bytes 0xFF) and an empty identifier.
// Hosts differ here: GPSBabel sends class 0 with a subclass of 18 zero bytes,
// others class 3 "direct" with the default subclass; the units take each as a
// straight leg and lay their own way when they route.
RouteLink oStraightRouteLink();
// 1 and the data part for format 210; 0 and empty aData for another format.
int iEncodeRouteLink(const RouteLink &oLink, int iFormat, std::vector<uint8_t> &aData);
// Reads a 210 link; the identifier ends at its zero byte or at the end of
// the data. 0 for another format or data shorter than the fixed 20 bytes.
int iDecodeRouteLink(std::span<const uint8_t> aData, int iFormat, RouteLink &oLink);
