#pragma once
// OziExplorer waypoint files (.OZI, version 1.1 of its waypoint file) and track
// files (.PLT, version 2.1 of its track point file): the line formats, the
// hooks through which the export driver writes them, and the readers.
// Positions are WGS 84 signed decimal degrees; altitudes are in feet.

#include <cstddef>
#include <string_view>

struct Workspace;
struct Waypoint;
struct TrackPoint;
struct ExportContext;

// The waypoint line and the track point line, in a temporary buffer.
char *szFormatOziWaypoint(const Waypoint &oWaypoint);
char *szFormatOziTrackPoint(const TrackPoint &oPoint);
// The same lines written into a buffer of nSize bytes (cut to nSize - 1
// characters and terminated); each returns the length stored.
size_t nFormatOziWaypoint(char *pszOut, size_t nSize, const Waypoint &oWaypoint);
size_t nFormatOziTrackPoint(char *pszOut, size_t nSize, const TrackPoint &oPoint);

// One line of a file after its header; the result of the store's add
// operation, or 0 without storing anything when the position cannot be read.
// With ppszReason, a failure points it to the reason, valid until the next call.
// A track point goes to track lTrack (of lAddTrack) in file order, or with
// -1 into the track kept in time order.
int iParseOziWaypoint(Workspace *pWorkspace, std::string_view svLine,
                      const char **ppszReason = nullptr, int32_t lTrack = -1);
int iParseOziTrackPoint(Workspace *pWorkspace, std::string_view svLine,
                        const char **ppszReason = nullptr, int32_t lTrack = -1);

// Readers over a file held in memory; pszFileName only names it in reports.
// 1 when every line was read; 0 (with one line on standard error) when the
// first line is not that of the format (nothing is stored) or the store
// refused a record (what was stored before stays).
int iImportOziWaypointsFromBuffer(Workspace *pWorkspace, std::string_view svData,
                                  const char *pszFileName);
int iImportOziTrackFromBuffer(Workspace *pWorkspace, std::string_view svData,
                              const char *pszFileName);

// Reads the file into the store; 1 when every line was read, 0 on a failure.
int iImportOziWaypoints(Workspace *pWorkspace, const char *pszFileName);
// Reads the file into the store; 1 when every line was read, 0 on a failure.
int iImportOziTrack(Workspace *pWorkspace, const char *pszFileName);

// Export driver hooks.
int iWriteOziWaypointHeader(ExportContext &oContext);
int iWriteOziWaypointLine(ExportContext &oContext, const Waypoint &oWaypoint);
int iWriteOziTrackHeader(ExportContext &oContext);
int iPrepareOziTrack(ExportContext &oContext);
int iWriteOziTrackLine(ExportContext &oContext, const TrackPoint &oPoint);
