#pragma once
// Waypoint records of the receivers (formats 100..110, 150..155, 400, 403):
// the data part of a waypoint, proximity waypoint or route waypoint message.
// The record id is the caller's; the layout depends only on the format.

#include <cstdint>
#include <span>
#include <vector>

#include "store/records.h"

// 1 when the format is one of the sixteen layouts the program reads and writes.
int iIsWaypointFormat(int iFormat);

// The receivers' float for "unknown" (altitude, depth, temperature), and the
// altitude a record carries for a stored one: the store's "no altitude" goes
// out as unknown, not as a height of -777 m.
constexpr float kDeviceUnknown = 1.0e25f;
inline float fDeviceAltitude(float fAltitude) {
    return fHasAltitude(fAltitude) ? fAltitude : kDeviceUnknown;
}

// The receivers mark a time they do not have with 0xFFFFFFFF, some units
// with 0x7FFFFFFF; both are the store's 0, "no time".
inline int32_t lStoredDeviceTime(int32_t lTime) {
    const auto l = static_cast<uint32_t>(lTime);
    return l == 0xFFFFFFFFu || l == 0x7FFFFFFFu ? 0 : lTime;
}

// 1 when the format keeps only a 6-character identifier (100..107, 150..155,
// 400, 403); the identifier it sends is then the name's first six characters,
// padded with blanks, written into szIdentifier (7 bytes) by vShortIdentifier.
int iKeepsShortIdentifier(int iFormat);
constexpr int kShortIdentifierSize = 6;
void vShortIdentifier(const Waypoint &oWaypoint, char (&szIdentifier)[kShortIdentifierSize + 1]);

// Builds the data part of a record of the given format into aData (replacing
// what it held). Returns 0 and leaves aData empty for an unknown format.
int iEncodeWaypointRecord(const Waypoint &oWaypoint, int iFormat, std::vector<uint8_t> &aData);

enum class WaypointDecode {
    kUserWaypoint, // oWaypoint holds the record
    kNotUser,      // a receiver's own waypoint (airport, city, ...); only the name is set
    kMalformed,    // unknown format, or the data is shorter than the layout
};

// Reads the data part of a record into oWaypoint, starting from the initial
// values of a received waypoint (no time, no proximity, colour none, altitude
// -777). Altitudes and radii above 1,000,000 (the receivers' "unknown") become
// -777 and 0.
WaypointDecode eDecodeWaypointRecord(std::span<const uint8_t> aData, int iFormat,
                                     Waypoint &oWaypoint);
