#include "app/run_sequence.h"

#include <cstdio>

#include "app/command_line.h"
#include "base/file_replace.h"
#include "base/report.h"
#include "device/identify.h"
#include "device/link_layer.h"
#include "device/link_open.h"
#include "device/transfers.h"
#include "files/listings.h"
#include "files/load_save.h"
#include "files/unit_folder.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

class StepTally {
  public:
    // Counts a step's result; a failure that its step did not explain gets a
    // generic line so that no failure passes without a word on standard error.
    void vCount(int iResult, const char *pszWhat, const char *pszName = nullptr) {
        if (iResult != 0) {
            return;
        }
        ++m_iFailed;
        if (iReportedErrorCount() == m_iReportsBefore) {
            if (pszName != nullptr) {
                vReportError("%s '%s' failed", pszWhat, pszName);
            } else {
                vReportError("%s failed", pszWhat);
            }
        }
    }
    void vStart() { m_iReportsBefore = iReportedErrorCount(); }
    // A step that was not run because it could not succeed: failed, and
    // already explained.
    void vCountSkipped() { ++m_iFailed; }
    int iExitStatus() const { return m_iFailed == 0 ? 0 : 1; }

  private:
    int m_iFailed = 0;
    int m_iReportsBefore = 0;
};

} // namespace

int iRunSequence(Workspace &w, RunOptions &o) {
    StepTally oTally;
    DataStore &oStore = *w.pStore;
    bool fLinkFailed = false;
    // The first import, load or download that failed. What the store holds
    // after it is less than the run was meant to bring, so no later step may
    // replace an existing file with it; a new file is still written, since
    // nothing can be lost that way.
    const char *pszSourceFailed = nullptr;
    auto iSource = [&](int iResult, const char *pszStep) {
        if (iResult == 0 && pszSourceFailed == nullptr) {
            pszSourceFailed = pszStep;
        }
        return iResult;
    };
    auto fMayWrite = [&](const char *pszFile) {
        if (pszSourceFailed == nullptr || !iRegularFileExists(pszFile)) {
            return true;
        }
        vReportError("'%s' not saved: %s failed; the file keeps its previous content", pszFile,
                     pszSourceFailed);
        return false;
    };

    // A unit that is a USB drive is a folder of files, not a link: /c names
    // the folder, and the device steps read and write its files.
    UnitFolder oUnit;
    const bool fUnit = o.fUnitFolder;
    if (o.fIdentify) {
        oTally.vStart();
        int iOpened;
        if (fUnit) {
            iOpened = iOpenUnitFolder(o.szPortPath, oUnit);
        } else if (o.fUsb) {
            iOpened = iOpenUsbDevice(&o.pLink);
            if (iOpened == 0 || o.pLink == nullptr) {
                iExplainGarminDrives();
            }
        } else {
            char szPortName[kPortNameSize + 8];
            vFormatPortName(o, szPortName, sizeof(szPortName));
            iOpened = iOpenComPort(szPortName, &o.pLink);
        }
        if (iOpened == 0 || (!fUnit && o.pLink == nullptr)) {
            o.pLink = nullptr;
            fLinkFailed = true;
            const char *pszWhat = fUnit ? "opening the unit" : "opening the receiver link";
            oTally.vCount(0, pszWhat);
            if (o.fDownload) {
                iSource(0, pszWhat);
            }
        }
    }
    // Without a link every device step would fail; they are counted as failed
    // at once instead of each waiting on a receiver that is not there.
    auto fDeviceStep = [&]() { return !fLinkFailed; };
    // A receiver that stopped answering altogether ends the device part of the
    // run: the step that found out fails, one line says so with what to check,
    // and every later device step is counted failed without waiting again.
    bool fGoneReported = false;
    auto iRunDeviceStep = [&](const char *pszWhat, auto fnStep) {
        if (iReceiverGone(o.pLink)) {
            oTally.vCountSkipped();
            return 0;
        }
        oTally.vStart();
        const int iResult = fnStep();
        if (iReceiverGone(o.pLink) && !fGoneReported) {
            fGoneReported = true;
            vReportError("no answer from the receiver on %s: check the cable, the port, that the "
                         "unit is on and set to its Garmin interface",
                         o.pLink->sName.c_str());
        }
        oTally.vCount(iResult, pszWhat);
        return iResult;
    };

    if (o.fImport) {
        std::printf("Import data from %s\n", o.szSecondFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSource(iLoadFile(&w, o.szSecondFile), "the import"), "import from",
                      o.szSecondFile);
    }
    if (o.fLoad) {
        std::printf("Load data from %s\n", o.szFirstFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSource(iLoadFile(&w, o.szFirstFile), "the load"), "load from",
                      o.szFirstFile);
    }
    if (o.fIdentify && fDeviceStep() && fUnit) {
        std::printf("%s\n", sUnitVersionLine(oUnit).c_str());
    } else if (o.fIdentify && fDeviceStep()) {
        iRunDeviceStep("identifying the receiver", [&] { return iIdentifyUnit(&w, o.pLink); });
        iRunDeviceStep("reading the receiver's time", [&] { return iReadUnitTime(o.pLink); });
    }
    if (o.fDownload && fDeviceStep() && fUnit) {
        const UnitKinds oKinds{o.fDownloadWaypoints, o.fDownloadProximity, o.fDownloadRoutes,
                               o.fDownloadTracks};
        oTally.vStart();
        oTally.vCount(iSource(iDownloadFromUnit(&w, oUnit, oKinds), "the download from the unit"),
                      "download from", o.szPortPath);
    } else if (o.fDownload && fDeviceStep()) {
        if (o.fDownloadWaypoints) {
            iSource(iRunDeviceStep("waypoint download",
                                   [&] { return iDownloadWaypoints(&w, o.pLink, 0); }),
                    "the waypoint download");
        }
        if (o.fDownloadProximity) {
            iSource(iRunDeviceStep("proximity waypoint download",
                                   [&] { return iDownloadWaypoints(&w, o.pLink, 1); }),
                    "the proximity waypoint download");
        }
        if (o.fDownloadRoutes) {
            iSource(iRunDeviceStep("route download", [&] { return iDownloadRoutes(&w, o.pLink); }),
                    "the route download");
        }
        if (o.fDownloadTracks) {
            iSource(iRunDeviceStep(
                        "track download",
                        [&] { return iDownloadTracks(&w, o.fIncludeUntimed ? 1 : 0, o.pLink); }),
                    "the track download");
        }
    }
    if (o.fSave && fMayWrite(o.szFirstFile)) {
        std::printf("Save data to %s\n", o.szFirstFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szFirstFile, kKindAll), "save to", o.szFirstFile);
    }
    if (o.fExport && fMayWrite(o.szSecondFile)) {
        std::printf("Export data to %s\n", o.szSecondFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szSecondFile, kKindAll), "export to", o.szSecondFile);
    }
    if (o.fListWaypoints && fMayWrite(o.szSecondFile)) {
        std::printf("Listing waypoints to %s\n", o.szSecondFile);
        oTally.vStart();
        oTally.vCount(iListWaypoints(&w, o.szSecondFile), "waypoint listing to", o.szSecondFile);
    }
    if (o.fListTrackPoints && fMayWrite(o.szSecondFile)) {
        std::printf("Listing trackpoints to %s\n", o.szSecondFile);
        oTally.vStart();
        oTally.vCount(iListTrackPoints(&w, o.szSecondFile), "trackpoint listing to",
                      o.szSecondFile);
    }
    if (o.fUpload && fDeviceStep() && fUnit) {
        const UnitKinds oKinds{o.fUploadWaypoints, o.fUploadProximity, o.fUploadRoutes,
                               o.fUploadTracks};
        oTally.vStart();
        oTally.vCount(iUploadToUnit(&w, oUnit, oKinds, o.szFirstFile), "upload to", o.szPortPath);
    } else if (o.fUpload && fDeviceStep()) {
        if (o.fUploadWaypoints) {
            iRunDeviceStep("waypoint upload", [&] { return iUploadWaypoints(&w, o.pLink, 0); });
        }
        if (o.fUploadProximity) {
            iRunDeviceStep("proximity waypoint upload",
                           [&] { return iUploadWaypoints(&w, o.pLink, 1); });
        }
        if (o.fUploadRoutes) {
            iRunDeviceStep("route upload", [&] { return iUploadRoutes(&w, o.pLink); });
        }
        if (o.fUploadTracks) {
            iRunDeviceStep("track upload", [&] { return iUploadTracks(&w, o.pLink); });
        }
    }
    if (o.pLink != nullptr) {
        if (o.fUsb) {
            iCloseUsbDevice(o.pLink);
        } else {
            iCloseComPort(o.pLink);
        }
        o.pLink = nullptr;
    }
    std::fflush(stdout);
    return oTally.iExitStatus();
}
