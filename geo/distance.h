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

// Grid distance (metres) and bearing (degrees clockwise from grid north) in the
// UTM zone of the first point; both 0 when either latitude is outside -80..84.
void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing);
// Great-circle distance on the sphere of 6371000 m; the second pointer, if not
// null, receives 0.0.
void vSphereDistance(double dLatitude1, double dLongitude1, double dLatitude2, double dLongitude2,
                     double *pdDistance, double *pdSecond);
