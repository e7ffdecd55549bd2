#pragma once
// The program's own text export: the plain and column-aligned .VKE layouts and
// the hexadecimal .VKH layout, written through the export driver and read back
// by one reader that takes all three layouts, mixed if need be.

#include <cstdint>
#include <string>
#include <string_view>

struct Workspace;
struct TrackPoint;
struct Route;
struct Waypoint;
struct ExportContext;

// Export driver hooks (rows 1 and 13 of the format table). The header writes
// the four lines every .VKE/.VKH file begins with; the track point and
// waypoint hooks write the section header before the first record.
int iWriteTextExportHeader(ExportContext &c);
int iWriteTextExportTrackPoint(ExportContext &c, const TrackPoint &oPoint);
int iWriteHexExportTrackPoint(ExportContext &c, const TrackPoint &oPoint);
int iWriteTextExportRoute(ExportContext &c, const Route &oRoute);
int iWriteTextExportWaypoint(ExportContext &c, const Waypoint &oWaypoint);
int iWriteHexExportWaypoint(ExportContext &c, const Waypoint &oWaypoint);

// One record line each, without its line end, built in sLine (which callers
// reuse, so the hot path allocates nothing once the buffer has grown). The
// TRK and WPT lines follow fTabbedExport. Each returns sLine.c_str().
const char *szFormatTrkLine(const Workspace *pWorkspace, const TrackPoint &oPoint,
                            std::string &sLine);
const char *szFormatTrhLine(const TrackPoint &oPoint, std::string &sLine);
struct RoutePlaceNames;
// With pNames, the own places of routes go under their new names.
const char *szFormatRteLine(const Route &oRoute, std::string &sLine,
                            const RoutePlaceNames *pNames = nullptr);
const char *szFormatWptLine(const Workspace *pWorkspace, const Waypoint &oWaypoint,
                            std::string &sLine);
const char *szFormatWphLine(const Waypoint &oWaypoint, std::string &sLine);

// Reads a .VKE or .VKH file into the store. 1 when the whole file was read; 0
// when it could not be opened, a line stopped the import (one line on
// standard error names the file, the line number and the reason), or no line
// of the format was found. Records stored before the stop remain.
int iImportTextExport(Workspace *pWorkspace, const char *pszFileName);
// The same over text in memory; pszName names it in messages.
int iImportTextExportBuffer(Workspace *pWorkspace, std::string_view svData, const char *pszName);

// The line parsers of the reader. Each takes the whole line (keyword included).
int iParseVersionLine(std::string_view svLine, int &iVersion);
// 1 and the datum number set when number and both names match the datum table.
int iParseDatumLine(std::string_view svLine, int16_t &sDatum);
// The record parsers return 0 without storing anything for a line whose
// position cannot be read, and 0 when the store refuses the record; when
// ppszReason is given it then points to the reason, valid until the next call.
int iParseWaypointLine(Workspace *pWorkspace, std::string_view svLine, int iVersion, int16_t sDatum,
                       int32_t lUtcOffset, const char **ppszReason = nullptr);
int iParseTrackLine(Workspace *pWorkspace, std::string_view svLine, int iVersion, int16_t sDatum,
                    int32_t lUtcOffset, const char **ppszReason = nullptr);
int iParseRouteLine(Workspace *pWorkspace, std::string_view svLine);
