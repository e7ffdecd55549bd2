#include "app/run_sequence.h"

#include <cstdio>

#include "app/command_line.h"
#include "base/report.h"
#include "device/identify.h"
#include "device/link_layer.h"
#include "device/link_open.h"
#include "device/transfers.h"
#include "files/listings.h"
#include "files/load_save.h"
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

    if (o.fIdentify) {
        oTally.vStart();
        int iOpened;
        if (o.fUsb) {
            iOpened = iOpenUsbDevice(&o.pLink);
        } else {
            char szPortName[kPortNameSize + 8];
            vFormatPortName(o, szPortName, sizeof(szPortName));
            iOpened = iOpenComPort(szPortName, &o.pLink);
        }
        if (iOpened == 0 || o.pLink == nullptr) {
            o.pLink = nullptr;
            fLinkFailed = true;
            oTally.vCount(0, "opening the receiver link");
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
        oTally.vCount(iLoadFile(&w, o.szSecondFile), "import from", o.szSecondFile);
    }
    if (o.fLoad) {
        std::printf("Load data from %s\n", o.szFirstFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iLoadFile(&w, o.szFirstFile), "load from", o.szFirstFile);
    }
    if (o.fIdentify && fDeviceStep()) {
        iRunDeviceStep("identifying the receiver", [&] { return iIdentifyUnit(&w, o.pLink); });
        iRunDeviceStep("reading the receiver's time", [&] { return iReadUnitTime(o.pLink); });
    }
    if (o.fDownload && fDeviceStep()) {
        if (o.fDownloadWaypoints) {
            iRunDeviceStep("waypoint download", [&] { return iDownloadWaypoints(&w, o.pLink, 0); });
        }
        if (o.fDownloadProximity) {
            iRunDeviceStep("proximity waypoint download",
                           [&] { return iDownloadWaypoints(&w, o.pLink, 1); });
        }
        if (o.fDownloadRoutes) {
            iRunDeviceStep("route download", [&] { return iDownloadRoutes(&w, o.pLink); });
        }
        if (o.fDownloadTracks) {
            iRunDeviceStep("track download",
                           [&] { return iDownloadTracks(&w, o.fIncludeUntimed ? 1 : 0, o.pLink); });
        }
    }
    if (o.fSave) {
        std::printf("Save data to %s\n", o.szFirstFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szFirstFile, 7), "save to", o.szFirstFile);
    }
    if (o.fExport) {
        std::printf("Export data to %s\n", o.szSecondFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szSecondFile, 7), "export to", o.szSecondFile);
    }
    if (o.fListWaypoints) {
        std::printf("Listing waypoints to %s\n", o.szSecondFile);
        oTally.vStart();
        oTally.vCount(iListWaypoints(&w, o.szSecondFile), "waypoint listing to", o.szSecondFile);
    }
    if (o.fListTrackPoints) {
        std::printf("Listing trackpoints to %s\n", o.szSecondFile);
        oTally.vStart();
        oTally.vCount(iListTrackPoints(&w, o.szSecondFile), "trackpoint listing to",
                      o.szSecondFile);
    }
    if (o.fUpload && fDeviceStep()) {
        iRunDeviceStep("waypoint upload", [&] { return iUploadWaypoints(&w, o.pLink, 0); });
        iRunDeviceStep("proximity waypoint upload",
                       [&] { return iUploadWaypoints(&w, o.pLink, 1); });
        iRunDeviceStep("route upload", [&] { return iUploadRoutes(&w, o.pLink); });
        iRunDeviceStep("track upload", [&] { return iUploadTracks(&w, o.pLink); });
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
