#pragma once
// NMEA track files (.NME): the track replayed as receiver output, one $GPRMC
// sentence per track point, no header and no trailer. Written only.

#include <cstddef>

struct TrackPoint;
struct ExportContext;

// The complete sentence with its checksum, in a temporary buffer.
char *szFormatNmeaPoint(const TrackPoint &oPoint);
// The same sentence written into a buffer of nSize bytes; the length stored.
size_t nFormatNmeaPoint(char *pszLine, size_t nSize, const TrackPoint &oPoint);
// The checksum of a sentence: the exclusive-or of every character after the
// leading '$' (when there is one) up to the '*' or the end of the text.
unsigned uNmeaChecksum(const char *pszSentence);

// Export driver hook.
int iWriteNmeaTrackPoint(ExportContext &oContext, const TrackPoint &oPoint);
