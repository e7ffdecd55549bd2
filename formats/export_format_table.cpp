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
#include "store/file_kinds.h"

namespace {

constexpr ExportFormat aExportFormats[] = {
    // type, forced mask, header, track preparation, track point, track closing,
    // route, waypoint, trailer
    {kFileTextExport, 0, iWriteTextExportHeader, nullptr, iWriteTextExportTrackPoint, nullptr,
     iWriteTextExportRoute, iWriteTextExportWaypoint, nullptr},
    {kFilePcx5, 0, iWritePcx5Header, nullptr, iWritePcx5TrackPoint, nullptr, iWritePcx5Route,
     iWritePcx5Waypoint, nullptr},
    {kFileHexExport, 0, iWriteTextExportHeader, nullptr, iWriteHexExportTrackPoint, nullptr,
     iWriteTextExportRoute, iWriteHexExportWaypoint, nullptr},
    {kFileNmea, 0, nullptr, nullptr, iWriteNmeaTrackPoint, nullptr, nullptr, nullptr, nullptr},
    {kFileOverlay, 0, iStartOverlay, nullptr, iWriteOverlayTrackPoint, iCloseOverlayTrack, nullptr,
     iWriteOverlayWaypoint, iWriteOverlayTrailer},
    {kFileOziWaypoints, kKindWaypoints, iWriteOziWaypointHeader, nullptr, nullptr, nullptr, nullptr,
     iWriteOziWaypointLine, nullptr},
    {kFileOziTrack, kKindTrackPoints, iWriteOziTrackHeader, iPrepareOziTrack, iWriteOziTrackLine,
     nullptr, nullptr, nullptr, nullptr},
    {kFileBarograph, kKindTrackPoints, nullptr, iPrepareBarografTrack, iWriteBarografTrackPoint,
     iWriteBarografSummary, nullptr, nullptr, nullptr},
    {kFileKml, kKindTrackPoints, iWriteKmlHeader, iPrepareKmlTrack, iWriteKmlTrackPoint,
     iCloseKmlTrack, nullptr, nullptr, iWriteKmlTrailer},
    // GPX writes its waypoints and routes from the header: they precede the track.
    {kFileGpx, 0, iWriteGpxHeader, nullptr, iWriteGpxTrackPoint, iCloseGpxTrack, nullptr, nullptr,
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
