#pragma once
// Distances between WGS 84 positions in degrees.

#include <cstdint>

// A position on the UTM grid of WGS 84, for measuring: the zone it was
// projected in, its easting and its northing (with the false northing south
// of the equator, fSouth).
struct GridPoint {
    int32_t lZone = 0;
    double dEasting = 0;
    double dNorthing = 0;
    bool fSouth = false;
};
// Latitudes of the grid: -80..84.
bool fOnGrid(double dLatitude);
// Projects a position into its own zone (fFixedZone 0) or into oPoint.lZone (1).
void vProjectGridPoint(double dLatitude, double dLongitude, int fFixedZone, GridPoint &oPoint);
// Grid distance (metres) and bearing (degrees clockwise from grid north)
// from one point to another projected in the same zone.
void vGridStep(const GridPoint &oFrom, const GridPoint &oTo, double *pdDistance, double *pdBearing);

// vProjectGridPoint by the quick projection (vQuickLatLonToUtm), for text
// that rounds what is measured from it: the same zone, easting and northing
// within a small fraction of kQuickGridError of the exact ones.
void vQuickProjectGridPoint(double dLatitude, double dLongitude, int fFixedZone, GridPoint &oPoint);
// The most a distance between quick projections may lie from the one
// between exact projections (metres).
constexpr double kQuickGridError = 1e-6;
// vGridStep between quick projections. 0 where the exact projections could
// lead the bearing another way (a grid difference within kQuickGridError of
// the dead band); otherwise 1, and *pdBearingError is the most the bearing
// may lie from the exact one (degrees).
int iQuickGridStep(const GridPoint &oFrom, const GridPoint &oTo, double *pdDistance,
                   double *pdBearing, double *pdBearingError);

// Grid distance (metres) and bearing (degrees clockwise from grid north) in the
// UTM zone of the first point; both 0 when either latitude is outside -80..84.
void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing);
// Great-circle distance on the sphere of 6371000 m; the second pointer, if not
// null, receives 0.0.
void vSphereDistance(double dLatitude1, double dLongitude1, double dLatitude2, double dLongitude2,
                     double *pdDistance, double *pdSecond);
