#pragma once
// Distances between WGS 84 positions in degrees.

#include <cstdint>

#include "geo/utm.h"

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

// The most a distance between quick projections may lie from the one
// between exact projections (metres): the rounding of the exact ones.
constexpr double kQuickGridError = 1e-6;
// Grid steps from point to point along a track, for text that rounds what
// is measured: the projection's slopes are worked out now and then, with
// their rates of change, and carried from there to each step's midpoint.
struct GridWalk {
    bool fSlopes = false;
    int32_t lZone = 0;
    // Where the slopes were worked out: latitude and longitude from the
    // zone's central meridian (radians).
    double dPhi = 0, dP = 0;
    GridSlopes oSlopes, oByLatitude, oByLongitude;
};
// vGridDistanceBearing from one point of a walk to the next, with the most
// the distance (metres) and the bearing (degrees) may lie from it. 0 where
// the step is too long for the walk, or the bearing could go another way,
// and the caller takes vGridDistanceBearing.
int iWalkGridStep(GridWalk &oWalk, double dLatitude1, double dLongitude1, double dLatitude2,
                  double dLongitude2, double *pdDistance, double *pdBearing,
                  double *pdDistanceError, double *pdBearingError);

// Grid distance (metres) and bearing (degrees clockwise from grid north) in the
// UTM zone of the first point; both 0 when either latitude is outside -80..84.
void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing);
// Great-circle distance on the sphere of 6371000 m; the second pointer, if not
// null, receives 0.0.
void vSphereDistance(double dLatitude1, double dLongitude1, double dLatitude2, double dLongitude2,
                     double *pdDistance, double *pdSecond);
