#pragma once
// The table of map datums with their reference ellipsoids, and the Molodensky
// shift between WGS 84 and a datum (ellipsoidal height zero).

#include <cstdint>

constexpr int16_t kMaxDatumNumber = 101;
constexpr int16_t kDatumWgs84 = 100;
constexpr int16_t kDatumEuropean1950 = 28;
constexpr int16_t kEllipsoidCount = 23;

constexpr int kShiftFromWgs84 = 0;
constexpr int kShiftToWgs84 = 1;

// Shifts a latitude/longitude pair in degrees: iDirection 1 from the datum to
// WGS 84, 0 from WGS 84 to the datum. WGS 84 (100) leaves both untouched. A
// number outside 0..101 is taken as WGS 84.
void vShiftDatum(int16_t sDatum, int iDirection, double *pdLatitude, double *pdLongitude);

// The datum's ellipsoid (semi-major axis, inverse flattening) and, for each
// non-null pointer, its translation to WGS 84 in metres. Returns the datum number
// whose entry was used (100 for a number outside 0..101).
int16_t sGetDatumParams(int16_t sDatum, double *pdSemiMajor, double *pdInverseFlattening,
                        int16_t *psDx = nullptr, int16_t *psDy = nullptr, int16_t *psDz = nullptr);

// The datum's name and its ellipsoid's name, or null for a number outside 0..101.
void vGetDatumNames(int16_t sDatum, const char **ppszDatum, const char **ppszEllipsoid);
