#include "formats/file_look.h"

#include <algorithm>

#include "base/report.h"
#include "store/file_kinds.h"

namespace {

// The formats known by the text their files begin with (after blank lines).
// sType is -1 for the formats this program does not read.
struct KnownHeader {
    std::string_view svBegins;
    const char *pszWhat;
    int16_t sType;
    const char *pszExtension; // the extension the program reads it under
};
constexpr KnownHeader aKnownHeaders[] = {
    {std::string_view("Orvensta\0\x1A", 10), "a Quillox data file", kFileNative, ".VKD"},
    {"* Orvensta Export file *", "a Quillox text export file", kFileTextExport, ".VKE"},
    {"H  SOFTWARE NAME & VERSION", "a PCX5 file", kFilePcx5, ".GRM"},
    {"OziExplorer Waypoint File", "an OziExplorer waypoint file", kFileOziWaypoints, ".OZI"},
    {"OziExplorer Track Point File", "an OziExplorer track file", kFileOziTrack, ".PLT"},
    {"OziExplorer Route File", "an OziExplorer route file", -1, nullptr},
    {"OziExplorer Event File", "an OziExplorer event file", -1, nullptr},
    {"[Symbol ", "a TOP50 overlay file", kFileOverlay, ".OVL"},
    {"G  WGS 84", "a CompeGPS file", -1, nullptr},
};
constexpr KnownHeader oGpxHeader = {"<", "a GPX file", kFileGpx, ".GPX"};

// Only the start of a file is looked at, so a look costs the same for any size.
constexpr size_t kLookedAt = 4096;

std::string_view svAfterBlankLines(std::string_view svData) {
    svData = svData.substr(0, kLookedAt);
    if (svData.starts_with("\xEF\xBB\xBF")) {
        svData.remove_prefix(3);
    }
    return svData.substr(std::min(svData.find_first_not_of("\r\n \t"), svData.size()));
}

// Control bytes that text files do not hold (tab, line and page ends and
// the end-of-file mark of old editors aside).
bool fIsText(std::string_view svData) {
    svData = svData.substr(0, kLookedAt);
    return std::none_of(svData.begin(), svData.end(), [](char c) {
        unsigned char b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t' && b != '\n' && b != '\v' && b != '\f' && b != '\r' &&
               b != 0x1A;
    });
}

bool fIsGpx(std::string_view svStart) {
    if (!svStart.starts_with('<')) {
        return false;
    }
    for (size_t n = svStart.find("<gpx"); n != std::string_view::npos;
         n = svStart.find("<gpx", n + 1)) {
        char c = n + 4 < svStart.size() ? svStart[n + 4] : '\0';
        if (c == ' ' || c == '>' || c == '\t' || c == '\r' || c == '\n' || c == '/') {
            return true;
        }
    }
    return false;
}

const KnownHeader *pKnownHeader(std::string_view svData) {
    std::string_view svStart = svAfterBlankLines(svData);
    for (const KnownHeader &o : aKnownHeaders) {
        if (svStart.starts_with(o.svBegins)) {
            return &o;
        }
    }
    return fIsGpx(svStart) ? &oGpxHeader : nullptr;
}

const char *pszFormatName(int16_t sType) {
    switch (sType) {
    case kFileNative:
        return "a data file";
    case kFileTextExport:
    case kFileHexExport:
        return "a Quillox text export file";
    case kFilePcx5:
        return "a PCX5 file";
    case kFileOverlay:
        return "a TOP50 overlay file";
    case kFileOziWaypoints:
        return "an OziExplorer waypoint file";
    case kFileOziTrack:
        return "an OziExplorer track file";
    case kFileGpx:
        return "a GPX file";
    default:
        return "a file of its type";
    }
}

bool fSameReader(int16_t sType, int16_t sOwnType) {
    return sType == sOwnType || (sType == kFileTextExport && sOwnType == kFileHexExport);
}

} // namespace

int16_t sReadableTypeByLook(std::string_view svData) {
    const KnownHeader *pHeader = pKnownHeader(svData);
    return pHeader != nullptr ? pHeader->sType : -1;
}

bool fIsBlankData(std::string_view svData) {
    return svData.find_first_not_of("\r\n \t") == std::string_view::npos;
}

int iReportForeignLook(const char *pszName, std::string_view svData, int16_t sOwnType) {
    const KnownHeader *pHeader = pKnownHeader(svData);
    if (pHeader != nullptr && !fSameReader(pHeader->sType, sOwnType)) {
        if (pHeader->pszExtension == nullptr) {
            vReportError("'%s' is %s, which this program does not read", pszName, pHeader->pszWhat);
        } else {
            vReportError("'%s' is %s, which this program reads under the extension %s", pszName,
                         pHeader->pszWhat, pHeader->pszExtension);
        }
        return 1;
    }
    // A data file is binary by its nature; for it the caller's own words do.
    if (pHeader == nullptr && sOwnType != kFileNative && !fIsText(svData)) {
        vReportError("'%s' is not %s: it is not a text file", pszName, pszFormatName(sOwnType));
        return 1;
    }
    return 0;
}

void vReportNotOfFormat(const char *pszName, std::string_view svData, int16_t sOwnType) {
    if (iReportForeignLook(pszName, svData, sOwnType)) {
        return;
    }
    const char *pszWhat = pszFormatName(sOwnType);
    if (svData.empty()) {
        vReportError("'%s' is not %s: it is empty", pszName, pszWhat);
        return;
    }
    if (fIsBlankData(svData)) {
        vReportError("'%s' is not %s: it holds only blank lines", pszName, pszWhat);
        return;
    }
    if (!fIsText(svData)) {
        vReportError("'%s' is not %s", pszName, pszWhat);
        return;
    }
    // The first line up to its first field separator, as far as it is short.
    std::string_view svLine = svAfterBlankLines(svData);
    svLine = svLine.substr(0, std::min(svLine.find_first_of("\r\n"), svLine.size()));
    std::string_view svHead =
        svLine.substr(0, std::min(svLine.find_first_of(",\t"), svLine.size()));
    if (svHead.empty()) {
        svHead = svLine;
    }
    svHead = svHead.substr(0, 32);
    svHead = svHead.substr(0, svHead.find_last_not_of(' ') + 1);
    vReportError("'%s' is not %s: it begins with '%.*s'", pszName, pszWhat,
                 static_cast<int>(svHead.size()), svHead.data());
}
