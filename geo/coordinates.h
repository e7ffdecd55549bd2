#pragma once
// Positions as text in the program's coordinate notations, shifted to and from
// the chosen map datum.
//
// Coordinate format numbers: 1 decimal degrees, 2 degrees and minutes, 3 degrees,
// minutes and seconds, 4 UTM, 5 NMEA ddmm.mm,H, 6..9 the PCX5 notations (degrees,
// ddmm.mmmmm, ddmmss.sss, UTM), 10 signed degrees, 11..13 like 3, 2, 1 with the
// DOS degree sign, 14 the listing's d°mm'ss.s" H, 15 and 16 like 2 and 1, 17
// ddmmkkkH. Readers take 0 to recognise the notation from the text.

#include <cstddef>
#include <cstdint>

constexpr int16_t kCoordDeg = 1;
constexpr int16_t kCoordDm = 2;
constexpr int16_t kCoordDms = 3;
constexpr int16_t kCoordUtm = 4;
constexpr int16_t kCoordNmea = 5;
constexpr int16_t kCoordPcxDeg = 6;
constexpr int16_t kCoordPcxDm = 7;
constexpr int16_t kCoordPcxDms = 8;
constexpr int16_t kCoordPcxUtm = 9;
constexpr int16_t kCoordOzi = 10;
constexpr int16_t kCoordListing = 14;
constexpr int16_t kCoordCompact = 17;

// The degree sign of the Windows code page and ISO 8859-1, and of the DOS code pages.
constexpr char kDegreeAnsi = '\xB0';
constexpr char kDegreeDos = '\xF8';

// Latitude and longitude in WGS 84 degrees, written in sDatum with format
// sFormat. The text lives in the temporary-string ring.
char *szFormatPosition(int16_t sDatum, double dLatitude, double dLongitude, int16_t sFormat);
// One angle, already in the target datum; fLatitude 1 for a latitude, 0 for a longitude.
char *szFormatLatLon(double dAngle, int16_t sFormat, int fLatitude);
// The same texts written into a buffer of nSize bytes (cut to nSize - 1
// characters and terminated, as snprintf does); each returns the length stored.
size_t nFormatPosition(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude,
                       double dLongitude, int16_t sFormat);
size_t nFormatLatLon(char *pszOut, size_t nSize, double dAngle, int16_t sFormat, int fLatitude);
// nFormatPosition of a position already shifted into sDatum, for callers that
// write one position in several notations and shift it once.
size_t nFormatShiftedPosition(char *pszOut, size_t nSize, int16_t sDatum, double dLatitude,
                              double dLongitude, int16_t sFormat);
// The text of nFormatShiftedPosition written straight at p, no terminator,
// padded with blanks to nWidth columns as "%-Ws" pads it; the caller leaves
// room for kPositionRoom characters and the width. Returns the end.
constexpr size_t kPositionRoom = 512;
char *pPutShiftedPosition(char *p, int16_t sDatum, double dLatitude, double dLongitude,
                          int16_t sFormat, size_t nWidth);

// Reads a position written in sDatum; the results are WGS 84 degrees. 1 if read.
// On failure the outputs may hold a partial result.
int iParsePosition(const char *pszText, int16_t sDatum, int16_t sFormat, double *pdLatitude,
                   double *pdLongitude);
// The same position stored as WGS 84 semicircles, as lDegreesToSemicircles
// stores iParsePosition's result, only quicker for grid references. 1 if read.
int iParsePositionSemicircles(const char *pszText, int16_t sDatum, int16_t sFormat,
                              int32_t *plLatitude, int32_t *plLongitude);
// Reads one angle token (its degree signs are rewritten in place). 1 if read.
int iParseLatLon(char *pszToken, int16_t sFormat, int fLatitude, double *pdResult);
