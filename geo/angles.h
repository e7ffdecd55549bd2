#pragma once
// Degree/radian conversion shared by the datum shift, the UTM grid and the
// distances. The value of pi is the one the stored UTM texts were computed with
// (two units in the last place above the nearest double), so positions print
// to the same metre as they always did.

#include <bit>
#include <cstdint>

inline constexpr double kGeoPi = std::bit_cast<double>(uint64_t{0x400921FB54442D1AULL});

inline double dDegreesToRadians(double dDegrees) {
    return static_cast<double>(static_cast<long double>(dDegrees) * kGeoPi * (1.0L / 180.0L));
}

inline double dRadiansToDegrees(double dRadians) {
    return static_cast<double>(static_cast<long double>(dRadians) * 180.0L / kGeoPi);
}
