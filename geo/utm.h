#pragma once
// The UTM grid: transverse Mercator in series form on the ellipsoid of a datum,
// the Norway and Svalbard zone exceptions, and the UTM text.
//
// Method. The forward projection is the classic power series in the longitude
// difference from the central meridian, in the form of Redfearn and Thomas:
// terms up to the 8th power in the northing and the 7th in the easting, with
// the ellipsoid's eta^2 terms up to eta^8. The meridian arc is Helmert's
// series in the third flattening n to n^5. The inverse finds the footpoint latitude by
// five Newton steps on that arc and applies the matching series (8th power in
// the latitude, 7th in the longitude). Scale 0.9996, false easting 500000 m,
// false northing 10000000 m south of the equator.
//
// Domain. Latitudes -80..84 (outside them the text is zone 00 with zeros) and
// longitudes within the zone, 3 degrees either side of its central meridian.
// A zone forced with /z may place a point farther out; the series then loses
// accuracy quickly.
//
// Accuracy, measured against GeographicLib (UTMUPS and the exact transverse
// Mercator, 5000 random points over all zones on WGS 84 and 1000 on each of
// eight other ellipsoids): forward within 3.2 micrometres and inverse within
// 1 micrometre inside the zone; a forward and inverse round trip returns the
// angle within 2e-11 degree; zones and band letters match the standard grid,
// exceptions included. Outside the zone, on WGS 84: 0.4 mm at 6 degrees from
// the central meridian, 1.5 cm at 9 degrees, metres at 17 degrees.

#include <cstddef>
#include <cstdint>

// Projects latitude/longitude (degrees, in the datum) to UTM. With fFixedZone 0
// the zone is chosen from the longitude (1..60) and stored through plZone; with
// 1 the zone in *plZone is used as it is.
void vLatLonToUtm(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                  int fFixedZone, double *pdEasting, double *pdNorthing);
// vLatLonToUtm's series in Horner form from one sine and cosine of double
// radians, with no division but the radius of curvature's: nanometres off
// within 0.2 radians of the central meridian and 85 degrees of latitude
// (elsewhere it is vLatLonToUtm). For callers that round the results to far
// coarser units and take vLatLonToUtm where a result lies near a rounding edge.
void vQuickLatLonToUtm(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                       int fFixedZone, double *pdEasting, double *pdNorthing);
// How vQuickLatLonToUtm's grid point on WGS 84 moves with its angles:
// metres of easting and northing per radian of longitude and of latitude.
struct GridSlopes {
    double dEastByLongitude = 0, dEastByLatitude = 0;
    double dNorthByLongitude = 0, dNorthByLatitude = 0;
};
// The slopes at latitude dPhi and longitude dP from the zone's central
// meridian (radians), within a millimetre per radian of the exact series'
// within 0.07 radians of the central meridian; 0 beyond 0.2 radians of it
// or 85 degrees of latitude.
int iQuickGridSlopes(double dPhi, double dP, GridSlopes &oSlopes);
// The zone a longitude (degrees) lies in, 1..60, as vLatLonToUtm chooses it.
int32_t lUtmZoneOfLongitude(double dLongitude);

// The inverse; a negative northing means the southern hemisphere (its absolute
// value holds the false northing of 10000000 m).
void vUtmToLatLon(int16_t sDatum, int32_t lZone, double dEasting, double dNorthing,
                  double *pdLatitude, double *pdLongitude);

// The inverse for callers that round the result to far coarser units than
// its error: the meridian arc by double angles and a footpoint iteration
// that stops once converged, so it differs from vUtmToLatLon in the last
// bits. 0 outside 85 degrees of latitude and 1000 km of the central
// meridian, or for a result near the limits of angles, where the caller
// takes vUtmToLatLon.
int iQuickUtmToLatLon(int16_t sDatum, int32_t lZone, double dEasting, double dNorthing,
                      double *pdLatitude, double *pdLongitude);

// "32U 0518468 5371906": zone, band letter, easting, northing in whole metres.
// Outside the UTM latitudes: zone 00 with a polar letter and zeros. The text
// lives in the temporary-string ring.
char *szFormatUtm(int16_t sDatum, double dLatitude, double dLongitude);
// The same text into a buffer of nSize bytes (cut and terminated as snprintf
// cuts); returns the length stored.
size_t nFormatUtm(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude, double dLongitude);
// Reads "zone[band] easting northing" (the text is split in place). A band letter
// C..M means south, N..X north; without one the sign of the northing decides.
int iParseUtm(char *pszText, int16_t sDatum, double *pdLatitude, double *pdLongitude);
// The reading half of iParseUtm: zone 1..60, easting, and the northing signed
// for the hemisphere as vUtmToLatLon takes it. 1 if read.
int iReadUtmText(char *pszText, int32_t *plZone, double *pdEasting, double *pdNorthing);

// /z n: every UTM text after this uses zone n; -1 (the start value) lets each
// position choose its own zone.
void vSetUtmZoneOverride(int iZone);
int iGetUtmZoneOverride();
