// One row per text format the export driver can write. A format's hooks live
// in its own unit; adding a format adds its row here and nothing else.

#include "formats/export_format.h"

namespace {

constexpr ExportFormat aExportFormats[] = {
    // type, forced mask, header, track preparation, track point, track closing,
    // route, waypoint, trailer
    // Rows land with their formats; this one keeps the table from being empty
    // and matches no file type.
    {-1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
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
