#include "app/run_sequence.h"

#include <cstdio>

#include "app/command_line.h"
#include "base/report.h"
#include "device/identify.h"
#include "device/link_open.h"
#include "device/transfers.h"
#include "files/listings.h"
#include "files/load_save.h"
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
        oTally.vStart();
        oTally.vCount(iIdentifyUnit(&w, o.pLink), "identifying the receiver");
        oTally.vStart();
        oTally.vCount(iReadUnitTime(o.pLink), "reading the receiver's time");
    }
    if (o.fDownload && fDeviceStep()) {
        if (o.fDownloadWaypoints) {
            oTally.vStart();
            oTally.vCount(iDownloadWaypoints(&w, o.pLink, 0), "waypoint download");
        }
        if (o.fDownloadProximity) {
            oTally.vStart();
            oTally.vCount(iDownloadWaypoints(&w, o.pLink, 1), "proximity waypoint download");
        }
        if (o.fDownloadRoutes) {
            oTally.vStart();
            oTally.vCount(iDownloadRoutes(&w, o.pLink), "route download");
        }
        if (o.fDownloadTracks) {
            oTally.vStart();
            oTally.vCount(iDownloadTracks(&w, o.fIncludeUntimed ? 1 : 0, o.pLink),
                          "track download");
        }
    }
    if (o.fSave) {
        std::printf("Save data to %s\n", o.szFirstFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szFirstFile, kKindAll), "save to", o.szFirstFile);
    }
    if (o.fExport) {
        std::printf("Export data to %s\n", o.szSecondFile);
        oStore.sFileType = -1;
        oTally.vStart();
        oTally.vCount(iSaveFile(&w, o.szSecondFile, kKindAll), "export to", o.szSecondFile);
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
        oTally.vStart();
        oTally.vCount(iUploadWaypoints(&w, o.pLink, 0), "waypoint upload");
        oTally.vStart();
        oTally.vCount(iUploadWaypoints(&w, o.pLink, 1), "proximity waypoint upload");
        oTally.vStart();
        oTally.vCount(iUploadRoutes(&w, o.pLink), "route upload");
        oTally.vStart();
        oTally.vCount(iUploadTracks(&w, o.pLink), "track upload");
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
