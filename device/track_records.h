#pragma once
// Track records of the receivers: track points (formats 300, 301, 302) and the
// track header (310, 312), as the data part of their messages.

#include <cstdint>
#include <span>
#include <vector>

#include "store/records.h"

// Data part of a track point; 0 and empty aData for another format.
int iEncodeTrackPoint(const TrackPoint &oPoint, int iFormat, std::vector<uint8_t> &aData);
// Data part of the track header ("ACTIVE LOG", displayed, no colour);
// 0 and empty aData for a format other than 310 and 312.
int iEncodeTrackHeader(int iFormat, std::vector<uint8_t> &aData);

// Reads a track point: position, time, altitude (301, 302) and the new-segment
// flag; a point without altitude gets -777. The receivers' markers for "none"
// are left as they came (see vNormaliseTrackPoint). Returns 0 for an unknown
// format or data shorter than the layout.
int iDecodeTrackPoint(std::span<const uint8_t> aData, int iFormat, TrackPoint &oPoint);
// Turns a received time of 0xFFFFFFFF into 0 and an altitude above 1,000,000
// into -777, the store's values for "none".
void vNormaliseTrackPoint(TrackPoint &oPoint);
