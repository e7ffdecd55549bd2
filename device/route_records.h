#pragma once
// Route header records of the receivers (formats 200, 201), as the data part
// of their messages. The waypoints of a route travel as waypoint records.

#include <cstdint>
#include <span>
#include <vector>

#include "store/records.h"

// 200: the route number's low byte; 201: that and the first 20 bytes of the
// comment, zero-padded (a 20-character comment has no terminator). Returns 0
// and leaves aData empty for another format.
int iEncodeRouteHeader(const Route &oRoute, int iFormat, std::vector<uint8_t> &aData);
// Fills oRoute, cleared first, from a header. Another format, or data shorter
// than the layout, leaves the route empty with number 0 and returns 0.
int iDecodeRouteHeader(std::span<const uint8_t> aData, int iFormat, Route &oRoute);
