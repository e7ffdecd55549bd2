#pragma once
// TOP50 overlays (.OVL): sections of key=value lines, one [Symbol n] section
// per drawing symbol. The export draws each track segment as a polyline and
// each waypoint as a dot with a text label, in the styles of the /tc /tw /ts
// /pc /ps /ph /pf /pb switches; the reader turns dots, labels and polylines
// back into waypoints and track points.

#include <cstdint>
#include <string_view>
#include <vector>

struct Workspace;
struct Waypoint;
struct TrackPoint;
struct ExportContext;
class OutputFile;

// What one export carries from record to record: the symbol counter (raised
// before each block is written) and the points of the segment still to draw.
struct OverlayState {
    int32_t lSymbolCount = 0;
    std::vector<double> aPendingLine; // longitude, latitude, longitude, latitude, ...
};

struct OverlayLineStyle {
    int16_t sColor;
    int16_t sWidth;
    int16_t sStyle;
};

struct OverlayPointStyle {
    int16_t sColor;
    int16_t sDotSize;
    int16_t sFontHeight;
    int16_t sBackground;
    int16_t sFont;
};

OverlayLineStyle oOverlayLineStyle(const Workspace &oWorkspace);
OverlayPointStyle oOverlayPointStyle(const Workspace &oWorkspace);

// Appends the point to the pending polyline, first writing the pending one if
// the point starts a new segment. 1, or 0 if a write failed or memory ran out.
int iWriteOvlTrackPoint(OutputFile &oFile, OverlayState &oState, const TrackPoint &oPoint,
                        const OverlayLineStyle &oStyle);
// Writes the pending polyline as one block and empties it; a polyline without
// points writes nothing and takes no symbol number. 1 unless a write failed.
int iFlushOvlLine(OutputFile &oFile, OverlayState &oState, const OverlayLineStyle &oStyle);
// The dot block and the label block of a waypoint; 1 if both were written.
int iWriteOvlWaypoint(OutputFile &oFile, OverlayState &oState, const Waypoint &oWaypoint,
                      const OverlayPointStyle &oStyle);

// Reader over an overlay held in memory; pszFileName only names it in reports.
// 1 when every line was read; 0 (with one line on standard error) when the
// store refused a record (what was stored before stays).
int iImportOverlayFromBuffer(Workspace *pWorkspace, std::string_view svData,
                             const char *pszFileName);
// Reads the file into the store; 1 when every line was read, 0 on a failure.
int iImportOverlay(Workspace *pWorkspace, const char *pszFileName);

// Export driver hooks.
int iStartOverlay(ExportContext &oContext);
int iWriteOverlayTrackPoint(ExportContext &oContext, const TrackPoint &oPoint);
int iCloseOverlayTrack(ExportContext &oContext);
int iWriteOverlayWaypoint(ExportContext &oContext, const Waypoint &oWaypoint);
int iWriteOverlayTrailer(ExportContext &oContext);
