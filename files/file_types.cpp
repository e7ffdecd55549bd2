#include "files/file_types.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "base/text_compare.h"

const char *const asFileExtension[kFileTypeCount] = {
    ".VKD", ".VKE", ".GRM", ".WPT", ".TRK", ".RTE", ".PRX", ".NME",
    ".OVL", ".OZI", ".PLT", ".CMP", ".IGC", ".VKH", ".KML", ".GPX",
};

const char *const asFileDescription[kFileTypeCount] = {
    "Orvensta Data Files (*.VKD)",
    "Orvensta Export Files (*.VKE)",
    "PCX5 Data Files (*.GRM)",
    "PCX5 Waypoint Files (*.WPT)",
    "PCX5 Track Files (*.TRK)",
    "PCX5 Route Files (*.RTE)",
    "PCX5 Proximity Waypoint Files (*.PRX)",
    "NMEA Track Files (*.NME)",
    "TOP50 Overlay Files (*.OVL)",
    "OziExplorer Waypoint Files (*.OZI)",
    "OziExplorer Track Files (*.PLT)",
    "Barograf Data Files (*.CMP)",
    "IGC Logger Files (*.IGC)",
    "Orvensta Hex Export Files (*.VKH)",
    "Google Earth Files (*.KML)",
    "GPS Exchange Files (*.GPX)",
};

int16_t sExtensionType(const char *pszFileName) {
    if (pszFileName == nullptr) {
        return kNoExtension;
    }
    // The extension belongs to the last path component, so "../data/track.grm"
    // and "./out.kml" are what they say and "dir.old/track" has none.
    std::string_view svName = pszFileName;
    size_t nSlash = svName.find_last_of("/\\");
    std::string_view svLast = nSlash == std::string_view::npos ? svName : svName.substr(nSlash + 1);
    size_t nDot = svLast.rfind('.');
    if (nDot == std::string_view::npos) {
        return kNoExtension;
    }
    std::string_view svExtension = svLast.substr(nDot);
    for (int16_t i = 0; i < kFileTypeCount; ++i) {
        if (fEqualsNoCase(svExtension, asFileExtension[i])) {
            return i;
        }
    }
    return kUnknownExtension;
}

int16_t sFileTypeFromName(const char *pszFileName, int16_t sCurrentType) {
    int16_t sType = sCurrentType;
    if (sType == -1) {
        sType = sExtensionType(pszFileName);
    }
    switch (sType) {
    case kFileNative:
    case kFileTextExport:
    case kFilePcx5:
    case kFileNmea:
    case kFileOverlay:
    case kFileOziWaypoints:
    case kFileOziTrack:
    case kFileBarograph:
    case kFileHexExport:
    case kFileKml:
    case kFileGpx:
        return sType;
    case kFilePcx5Waypoints:
    case kFilePcx5Track:
    case kFilePcx5Routes:
    case kFilePcx5Proximity:
        return kFilePcx5;
    default:
        return kFileNative;
    }
}
