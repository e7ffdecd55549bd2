#pragma once
// Barograph data files (.CMP): the track's altitudes, one line per point,
// closed by a block of flight data (date and time of the first point, distance
// from first to last point, highest altitude, time step). Written only; track
// points only.

#include <cstdint>

struct TrackPoint;
struct ExportContext;

// The altitude line of a point, in a temporary buffer; the rounded altitude
// also through plAltitude when it is not null.
char *szFormatBarografPoint(const TrackPoint &oPoint, int32_t *plAltitude = nullptr);

// Export driver hooks.
int iPrepareBarografTrack(ExportContext &oContext);
int iWriteBarografTrackPoint(ExportContext &oContext, const TrackPoint &oPoint);
int iWriteBarografSummary(ExportContext &oContext);
