#pragma once
// Distances between WGS 84 positions in degrees.

// Grid distance (metres) and bearing (degrees clockwise from grid north) in the
// UTM zone of the first point; both 0 when either latitude is outside -80..84.
void vGridDistanceBearing(double dLatitude1, double dLongitude1, double dLatitude2,
                          double dLongitude2, double *pdDistance, double *pdBearing);
// Great-circle distance on the sphere of 6371000 m; the second pointer, if not
// null, receives 0.0.
void vSphereDistance(double dLatitude1, double dLongitude1, double dLatitude2, double dLongitude2,
                     double *pdDistance, double *pdSecond);
