#pragma once
// The UTM grid: transverse Mercator in series form on the ellipsoid of a datum,
// the Norway and Svalbard zone exceptions, and the UTM text.

#include <cstdint>

// Projects latitude/longitude (degrees, in the datum) to UTM. With fFixedZone 0
// the zone is chosen from the longitude (1..60) and stored through plZone; with
// 1 the zone in *plZone is used as it is.
void vLatLonToUtm(int16_t sDatum, double dLatitude, double dLongitude, int32_t *plZone,
                  int fFixedZone, double *pdEasting, double *pdNorthing);
// The inverse; a negative northing means the southern hemisphere (its absolute
// value holds the false northing of 10000000 m).
void vUtmToLatLon(int16_t sDatum, int32_t lZone, double dEasting, double dNorthing,
                  double *pdLatitude, double *pdLongitude);

// "32U 0518468 5371906": zone, band letter, easting, northing in whole metres.
// Outside the UTM latitudes: zone 00 with a polar letter and zeros. The text
// lives in the temporary-string ring.
char *szFormatUtm(int16_t sDatum, double dLatitude, double dLongitude);
// Reads "zone[band] easting northing" (the text is split in place). A band letter
// C..M means south, N..X north; without one the sign of the northing decides.
int iParseUtm(char *pszText, int16_t sDatum, double *pdLatitude, double *pdLongitude);

// /z n: every UTM text after this uses zone n; -1 (the start value) lets each
// position choose its own zone.
void vSetUtmZoneOverride(int iZone);
int iGetUtmZoneOverride();
