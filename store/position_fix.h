#pragma once
// One fix of a receiver's live position (a D800 record): what the position
// report delivers and its sinks write.

#include <cmath>
#include <cstdint>

struct PositionFix {
    float fAltitude = 0;    // above the WGS 84 ellipsoid, metres
    float fEpe = 0;         // estimated position error, 2 sigma, metres
    float fEph = 0;         // the same, horizontal only
    float fEpv = 0;         // the same, vertical only
    int16_t sFixType = 0;   // 0 unusable, 1 invalid, 2 2D, 3 3D, 4 2D and 5 3D differential
    double dTimeOfWeek = 0; // seconds since the start of the GPS week
    double dLatitude = 0;   // radians
    double dLongitude = 0;  // radians
    float fEast = 0;        // velocity, metres per second
    float fNorth = 0;
    float fUp = 0;
    float fMslHeight = 0;     // of the WGS 84 ellipsoid above mean sea level, metres
    int16_t sLeapSeconds = 0; // GPS time minus UTC
    uint32_t lWeekDays = 0;   // days from 31 December 1989 to the start of the week
};

constexpr int16_t kFix2d = 2;
constexpr int16_t kFix3d = 3;
constexpr int16_t kFix2dDifferential = 4;
constexpr int16_t kFix3dDifferential = 5;

// 1 when the fix holds a position (2D or 3D, with or without corrections).
inline int iFixHasPosition(const PositionFix &o) {
    return o.sFixType >= kFix2d && o.sFixType <= kFix3dDifferential ? 1 : 0;
}

// UTC of the fix in seconds since 00:00 on 31 December 1989, the receiver's
// time unit, with the fraction of the second.
inline double dFixTime(const PositionFix &o) {
    return static_cast<double>(o.lWeekDays) * 86400.0 + o.dTimeOfWeek -
           static_cast<double>(o.sLeapSeconds);
}

inline double dFixAltitudeAboveSeaLevel(const PositionFix &o) {
    return static_cast<double>(o.fAltitude) + static_cast<double>(o.fMslHeight);
}

constexpr double kdRadiansToDegrees = 180.0 / 3.14159265358979323846;

// Speed over ground in metres per second, course over ground in degrees (0..360).
inline double dFixSpeed(const PositionFix &o) {
    return std::hypot(static_cast<double>(o.fEast), static_cast<double>(o.fNorth));
}
inline double dFixCourse(const PositionFix &o) {
    double d = std::atan2(static_cast<double>(o.fEast), static_cast<double>(o.fNorth)) *
               kdRadiansToDegrees;
    return d < 0 ? d + 360.0 : d;
}
