#pragma once
// Google Earth files (.KML, KML 2.1): the track drawn as one line over the
// terrain, extruded to the ground. Written only; track points only.

struct TrackPoint;
struct ExportContext;

// The coordinate line of a point, indented as in the file, in a temporary buffer.
char *szFormatKmlPoint(const TrackPoint &oPoint);

// Export driver hooks.
int iWriteKmlHeader(ExportContext &oContext);
int iPrepareKmlTrack(ExportContext &oContext);
int iWriteKmlTrackPoint(ExportContext &oContext, const TrackPoint &oPoint);
int iCloseKmlTrack(ExportContext &oContext);
int iWriteKmlTrailer(ExportContext &oContext);
