#pragma once
// Track records of the receivers: track points (formats 300, 301, 302 and the
// fitness units' 303, 304) and the track headers (310, 312 with a name; 311
// with an index), as the data part of their messages.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/records.h"

// Data part of a track point; 0 and empty aData for another format. 303 and
// 304 carry the sensor values of pSensors (none without it) and no
// new-segment flag: those units start a track with a header instead.
int iEncodeTrackPoint(const TrackPoint &oPoint, int iFormat, std::vector<uint8_t> &aData,
                      const TrackSensors *pSensors = nullptr);
// What a track header carries: 310 and 312 a name and a colour, 311 an index.
struct TrackHeader {
    std::string_view svName; // empty: "ACTIVE LOG" goes out
    uint8_t bColor = 0xFF;   // 0xFF = none
    uint16_t sIndex = 0;
};
// Data part of the track header: 310 and 312 displayed, with the name (at
// most 50 bytes) and the colour where the format has it; 311 the index. 0
// and empty aData for another format.
int iEncodeTrackHeader(int iFormat, std::vector<uint8_t> &aData, const TrackHeader &oHeader);
// Reads a track header; the name goes into sName, which oHeader.svName then
// views. 0 for another format or a record too short.
int iDecodeTrackHeader(std::span<const uint8_t> aData, int iFormat, TrackHeader &oHeader,
                       std::string &sName);

// The fitness units send a point without a fix with 0x7FFFFFFF as latitude
// and longitude; it still carries a time and the sensor values.
constexpr int32_t kNoDevicePosition = 0x7FFFFFFF;
inline bool fHasDevicePosition(const TrackPoint &o) {
    return o.lLatitude != kNoDevicePosition && o.lLongitude != kNoDevicePosition;
}

// Reads a track point: position, time, altitude (301..304), the new-segment
// flag (300..302) and, into pSensors when given, heart rate, and for 304 the
// distance, cadence and wheel-sensor flag (their "none" becomes the store's).
// A point without altitude gets -777. The receivers' markers for "no time"
// and "no altitude" are left as they came (see vNormaliseTrackPoint). Returns
// 0 for an unknown format or data shorter than the layout.
int iDecodeTrackPoint(std::span<const uint8_t> aData, int iFormat, TrackPoint &oPoint,
                      TrackSensors *pSensors = nullptr);
// Turns a received time of 0xFFFFFFFF or 0x7FFFFFFF into 0 and an altitude
// above 1,000,000 into -777, the store's values for "none".
void vNormaliseTrackPoint(TrackPoint &oPoint);
