#pragma once
// PCX5 2.09: the fixed-column text format for Garmin data. One writer for the
// five extensions (track points, routes with their waypoints, waypoints) and
// one reader, which takes waypoints and track points from whatever the file
// holds. Positions are always WGS 84.

#include <cstdint>
#include <string>
#include <string_view>

struct Workspace;
struct TrackPoint;
struct Route;
struct Waypoint;
struct ExportContext;

// Export driver hooks (row 2 of the format table). The header turns the
// user's notation 1..4 into the PCX5 notation 6..9 for the rest of the run; a
// notation PCX5 cannot carry ends the export.
int iWritePcx5Header(ExportContext &c);
int iWritePcx5TrackPoint(ExportContext &c, const TrackPoint &oPoint);
int iWritePcx5Route(ExportContext &c, const Route &oRoute);
int iWritePcx5Waypoint(ExportContext &c, const Waypoint &oWaypoint);

// The W and R lines, and the T line preceded (for a point that starts a
// segment) by an empty line and the segment header; no final line end. Built
// in sLine, which callers reuse; each returns sLine.c_str(). sCoordFormat must
// already be a PCX5 notation (6..9).
const char *szFormatPcx5Waypoint(const Workspace *pWorkspace, const Waypoint &oWaypoint,
                                 std::string &sLine);
const char *szFormatPcx5TrackPoint(const Workspace *pWorkspace, const TrackPoint &oPoint,
                                   std::string &sLine);
const char *szFormatPcx5Route(const Route &oRoute, std::string &sLine);

// Reads the file into the store; 1 when the whole file was read, 0 when it
// could not be opened or a line stopped the import (one line on standard
// error names the file, the line number and the reason).
int iImportPcx5(Workspace *pWorkspace, const char *pszFileName);
int iImportPcx5Buffer(Workspace *pWorkspace, std::string_view svData, const char *pszName);

// One W or T line with the notation (0 = none seen yet); the result of the
// store's add, or 0 for a line without its keyword and two blanks, or whose
// position cannot be read (nothing is stored then). With ppszReason, a failure
// after the keyword points it to the reason, valid until the next call.
int iParsePcx5Waypoint(Workspace *pWorkspace, std::string_view svLine, int iNotation,
                       const char **ppszReason = nullptr);
int iParsePcx5TrackPoint(Workspace *pWorkspace, std::string_view svLine, int iNotation,
                         int fNewSegment, const char **ppszReason = nullptr);
