// One row per text format the export driver can write. A format's hooks live
// in its own unit; adding a format adds its row here and nothing else.

#include "formats/export_format.h"

#include "formats/barograph_export.h"
#include "formats/gpx.h"
#include "formats/kml_export.h"
#include "formats/nmea_export.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "formats/pcx5.h"
#include "formats/text_export.h"

namespace {

constexpr ExportFormat aExportFormats[] = {
    // type, forced mask, header, track preparation, track point, track closing,
    // route, waypoint, trailer
    {1, 0, iWriteTextExportHeader, nullptr, iWriteTextExportTrackPoint, nullptr,
     iWriteTextExportRoute, iWriteTextExportWaypoint, nullptr},
    {2, 0, iWritePcx5Header, nullptr, iWritePcx5TrackPoint, nullptr, iWritePcx5Route,
     iWritePcx5Waypoint, nullptr},
    {13, 0, iWriteTextExportHeader, nullptr, iWriteHexExportTrackPoint, nullptr,
     iWriteTextExportRoute, iWriteHexExportWaypoint, nullptr},
    {7, 0, nullptr, nullptr, iWriteNmeaTrackPoint, nullptr, nullptr, nullptr, nullptr},
    {8, 0, iStartOverlay, nullptr, iWriteOverlayTrackPoint, iCloseOverlayTrack, nullptr,
     iWriteOverlayWaypoint, iWriteOverlayTrailer},
    {9, 2, iWriteOziWaypointHeader, nullptr, nullptr, nullptr, nullptr, iWriteOziWaypointLine,
     nullptr},
    {10, 4, iWriteOziTrackHeader, iPrepareOziTrack, iWriteOziTrackLine, nullptr, nullptr, nullptr,
     nullptr},
    {11, 4, nullptr, iPrepareBarografTrack, iWriteBarografTrackPoint, iWriteBarografSummary,
     nullptr, nullptr, nullptr},
    {14, 4, iWriteKmlHeader, iPrepareKmlTrack, iWriteKmlTrackPoint, iCloseKmlTrack, nullptr,
     nullptr, iWriteKmlTrailer},
    // GPX writes its waypoints and routes from the header: they precede the track.
    {15, 0, iWriteGpxHeader, nullptr, iWriteGpxTrackPoint, iCloseGpxTrack, nullptr, nullptr,
     iWriteGpxTrailer},
};

} // namespace

const ExportFormat *pFindExportFormat(int iFileType) {
    for (const ExportFormat &oFormat : aExportFormats) {
        if (oFormat.iFileType == iFileType) {
            return &oFormat;
        }
    }
    return nullptr;
}
