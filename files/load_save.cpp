#include "files/load_save.h"

#include "base/report.h"
#include "files/file_types.h"
#include "files/native_file.h"
#include "formats/export_driver.h"
#include "formats/gpx.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "formats/pcx5.h"
#include "formats/text_export.h"
#include "store/workspace.h"

int iLoadFile(Workspace *pWorkspace, const char *pszFileName) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    DataStore &oStore = *pWorkspace->pStore;
    oStore.sFileType = sFileTypeFromName(pszFileName, oStore.sFileType);
    switch (oStore.sFileType) {
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
                     asFileExtension[oStore.sFileType] + 1);
        return 0;
    }
}

int iSaveFile(Workspace *pWorkspace, const char *pszFileName, int iKindMask) {
    if (pWorkspace == nullptr || !pWorkspace->pStore || pszFileName == nullptr) {
        return 0;
    }
    DataStore &oStore = *pWorkspace->pStore;
    oStore.sFileType = sFileTypeFromName(pszFileName, oStore.sFileType);
    if (oStore.sFileType == kFileNative) {
        return iWriteNativeFile(pWorkspace, pszFileName, iKindMask);
    }
    return iExportTextFile(pWorkspace, pszFileName, iKindMask, oStore.sFileType);
}
