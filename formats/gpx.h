#pragma once
// GPX 1.1 (the GPS Exchange Format), with Garmin's GpxExtensions v3 for the
// proximity radius and display mode of waypoints. Written whole: waypoints,
// routes with their points, and the track with its segments; positions with
// nine decimals, so that every semicircle value reads back exactly. Read with
// expat, streaming, from GPX 1.1, GPX 1.0 or files without a namespace.

#include <cstddef>
#include <cstdint>
#include <string_view>

struct Workspace;
struct TrackPoint;
struct ExportContext;

// Export driver hooks. GPX puts waypoints and routes before the track, and the
// bounds of everything written before all of them, so the header writes the
// metadata, the waypoints and the routes; the track goes through the driver's
// track walk; the trailer closes the document.
int iWriteGpxHeader(ExportContext &c);
int iWriteGpxTrackPoint(ExportContext &c, const TrackPoint &oPoint);
int iCloseGpxTrack(ExportContext &c);
int iWriteGpxTrailer(ExportContext &c);

// Readers. 1 when the whole file was read and every point had a position; 0
// when the file could not be read, was not well-formed or not GPX, nested too
// deep, or points were skipped (one line on standard error each). Records read
// before a failure stay in the store. The file version reads in pieces, so
// memory does not grow with the file.
int iImportGpx(Workspace *pWorkspace, const char *pszFileName);
int iImportGpxBuffer(Workspace *pWorkspace, std::string_view svData, const char *pszName);

// Text forms the writer uses, exposed for tests: decimal degrees with nine
// decimals of a semicircle value; the UTC time "YYYY-MM-DDThh:mm:ssZ" of a
// receiver time. Each writes into the buffer and returns the length.
size_t nFormatGpxDegrees(int32_t lSemicircles, char *pszBuffer);
size_t nFormatGpxTime(int32_t lTime, char *pszBuffer);
// The receiver time of a GPX time text (ISO 8601 with Z, +hh:mm or -hh:mm,
// fractional seconds rounded to the nearest second); 0 for a text that is not
// a time or names one the store cannot hold (lStoredTime).
int32_t lParseGpxTime(std::string_view svText);
