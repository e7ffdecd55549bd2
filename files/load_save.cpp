#include "files/load_save.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "base/report.h"
#include "files/file_types.h"
#include "files/native_file.h"
#include "formats/export_driver.h"
#include "formats/file_look.h"
#include "formats/gpx.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "formats/pcx5.h"
#include "formats/text_export.h"
#include "store/workspace.h"

namespace {

// The type a file's first bytes show where its name leaves room for doubt,
// else sType (the type from the name). A ".WPT" file is PCX5, unless it is
// the OziExplorer waypoint file that usually carries that extension. A name
// with no extension or an unknown one stands for a native file, unless the
// file begins like another format the program reads.
int16_t sTypeFromContent(const char *pszFileName, int16_t sType) {
    int16_t sExtension = sExtensionType(pszFileName);
    if (sExtension != kFilePcx5Waypoints && sExtension != kNoExtension &&
        sExtension != kUnknownExtension) {
        return sType;
    }
    std::FILE *pFile = std::fopen(pszFileName, "rb");
    if (pFile == nullptr) {
        return sType; // the reader says why
    }
    char acStart[1024];
    std::string_view svStart(acStart, std::fread(acStart, 1, sizeof(acStart), pFile));
    std::fclose(pFile);
    int16_t sLook = sReadableTypeByLook(svStart);
    if (sExtension == kFilePcx5Waypoints) {
        return sLook == kFileOziWaypoints ? sLook : sType;
    }
    return sLook >= 0 ? sLook : sType;
}

int iReadByType(Workspace *pWorkspace, const char *pszFileName, int16_t sType) {
    switch (sType) {
    case kFileNative:
        return iReadNativeFile(pWorkspace, pszFileName);
    case kFileTextExport:
    case kFileHexExport:
        return iImportTextExport(pWorkspace, pszFileName);
    case kFilePcx5:
        return iImportPcx5(pWorkspace, pszFileName);
    case kFileOverlay:
        return iImportOverlay(pWorkspace, pszFileName);
    case kFileOziWaypoints:
        return iImportOziWaypoints(pWorkspace, pszFileName);
    case kFileOziTrack:
        return iImportOziTrack(pWorkspace, pszFileName);
    case kFileGpx:
        return iImportGpx(pWorkspace, pszFileName);
    default:
        vReportError("cannot read '%s': %s files can only be written", pszFileName,
                     asFileExtension[sType] + 1);
        return 0;
    }
}

} // namespace

int16_t sLoadFileType(const char *pszFileName) {
    return sTypeFromContent(pszFileName, sFileTypeFromName(pszFileName, -1));
}

int iLoadFile(Workspace *pWorkspace, const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    DataStore &oStore = *pWorkspace->pStore;
    // The store keeps one waypoint per name: where a file holds two at
    // different places, the later replaces the earlier, and the user hears of it.
    ImportTally oTally;
    oStore.pImportTally = &oTally;
    int iResult = iReadByType(pWorkspace, pszFileName, sLoadFileType(pszFileName));
    oStore.pImportTally = nullptr;
    if (oTally.nReplaced != 0) {
        vReportNotice("'%s': %ld waypoint%s replaced an earlier one of the same name", pszFileName,
                      oTally.nReplaced, oTally.nReplaced == 1 ? "" : "s");
    }
    return iResult;
}

int iSaveFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    const int16_t sType = sFileTypeFromName(pszFileName, -1);
    if (sType == kFileNative) {
        int iResult = iWriteNativeFile(pWorkspace, pszFileName, iKindMask);
        if (iResult != 0 && sExtensionType(pszFileName) == kUnknownExtension) {
            vReportError("'%s': unknown extension, written as a Quillox data file", pszFileName);
        }
        return iResult;
    }
    return iExportTextFile(pWorkspace, pszFileName, iKindMask, sType);
}
