#pragma once
// The hooks through which one text format plugs into the export driver. The
// driver owns the file, the walk over the store, the kind mask and the stop on
// a failed write; a format only says what its lines are. Adding a format is one
// unit with free functions of these shapes and one row in
// formats/export_format_table.cpp.
//
// Every hook returns 1 when it wrote what it had to (or had nothing to write)
// and 0 when a write failed or the export cannot go on; after a 0 the driver
// writes nothing more and the export fails. A hook left null is skipped: a
// format without a route hook writes no route section at all.

#include <any>
#include <cstdint>

struct Workspace;
struct TrackPoint;
struct Track;
struct RoutePlaceNames;
struct Route;
struct Waypoint;
class OutputFile;

struct ExportContext {
    Workspace *pWorkspace = nullptr;
    OutputFile *pFile = nullptr; // open in text mode; every '\n' becomes CR LF
    const char *pszFileName = nullptr;
    int iFileType = 0;
    // The kind mask the driver walks by (1 routes, 2 waypoints, 4 track
    // points), after a format's forced mask; for formats that write some
    // kinds from their header.
    int iKindMask = 7;
    // True until the first record of the current section has been written; a
    // format writes its section header line when it sees it set.
    bool fFirstInSection = true;
    // The track whose points are being written, and true for its first point;
    // a track's first point after the first track comes with its segment mark
    // set.
    const Track *pTrack = nullptr;
    bool fFirstInTrack = false;
    // Set for formats that only name waypoints: the names under which the
    // own places of routes are written.
    const RoutePlaceNames *pPlaceNames = nullptr;
    // Receiver time of the export for formats that record when they were
    // written (GPX metadata); 0 writes none.
    int32_t lWrittenTime = 0;
    // State a format keeps across the records of one export (counters, a
    // pending polyline, the first point); set by its header or preparation
    // hook, dropped when the export ends.
    std::any oState;
};

using ExportStepHook = int (*)(ExportContext &oContext);
using ExportTrackPointHook = int (*)(ExportContext &oContext, const TrackPoint &oPoint);
using ExportRouteHook = int (*)(ExportContext &oContext, const Route &oRoute);
using ExportWaypointHook = int (*)(ExportContext &oContext, const Waypoint &oWaypoint);

struct ExportFormat {
    int iFileType;
    // Replaces the caller's kind mask (kKindRoutes, kKindWaypoints,
    // kKindTrackPoints of store/file_kinds.h) for formats that carry only some
    // kinds; 0 keeps the caller's mask.
    int iForcedKindMask;
    ExportStepHook pWriteHeader;
    ExportStepHook pPrepareTrack; // before the first track point
    ExportTrackPointHook pWriteTrackPoint;
    ExportStepHook pCloseTrack;  // after the last track point
    ExportRouteHook pWriteRoute; // the driver records the route's point names
    ExportWaypointHook pWriteWaypoint;
    ExportStepHook pWriteTrailer;
};

// The place point k of a route passes (its own, or the stored waypoint it
// names). A point the store lacks
// is not made up from its name (that would put a false point at 0,0 into the
// route): nullptr, and one line on standard error names the route and point.
const Waypoint *pRoutePointOrReport(const ExportContext &oContext, const Route &oRoute,
                                    uint32_t nPoint);

// The name point k of a route is written under (a new one for an own place).
const char *pszExportRoutePointName(const ExportContext &oContext, const Route &oRoute,
                                    uint32_t nPoint);

// The row for a file type number, or nullptr when no format of this build
// writes that type.
const ExportFormat *pFindExportFormat(int iFileType);
