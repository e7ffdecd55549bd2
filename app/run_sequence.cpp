#include "app/run_sequence.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/live_position.h"
#include "base/file_replace.h"
#include "base/interrupt.h"
#include "base/report.h"
#include "device/identify.h"
#include "device/line_speed.h"
#include "device/link_layer.h"
#include "device/link_open.h"
#include "device/transfers.h"
#include "files/listings.h"
#include "files/load_save.h"
#include "files/unit_folder.h"
#include "store/file_kinds.h"
#include "store/workspace.h"

namespace {

// What a step is to the rules of the run.
enum class StepKind {
    kLink,         // opens the receiver link; the device steps need it
    kSource,       // brings records into the store from a file
    kDevice,       // talks to the receiver
    kDeviceSource, // talks to the receiver and brings records into the store
    kSink,         // writes the store into a file
    // A unit that is a USB drive is a folder of files, not a link: when /c
    // names a folder, these take the place of the receiver's steps above.
    kUnitOpen,   // finds and reads the unit's description; the unit steps need it
    kUnitDevice, // reads or writes the unit's files
    kUnitSource, // reads the unit's files into the store
};

enum class StepFile { kNone, kFirst, kSecond };

// What a step works with: the run's settings and store, what the command line
// asks, and the receiver link while it is open.
struct StepContext {
    Workspace &w;
    const RunOptions &o;
    std::unique_ptr<DeviceLink> pLink;
    UnitFolder oUnit;
    bool fUnitOpen = false;
};

struct RunStep {
    bool RunOptions::*pfSelected; // the step runs when the command line set this
    StepKind eKind;
    // The step as the messages name it: "<name> failed", "<name> from 'file'
    // failed" (a source) or "<name> to 'file' failed" (a sink), and "the
    // <name> failed" where a failed source keeps a file from being replaced.
    const char *pszName;
    const char *pszAnnounce; // printed with the file name before the step runs, or nullptr
    StepFile eFile;          // the file the step reads or writes
    int (*iRun)(StepContext &c, const char *pszFile);
};

int iOpenLink(StepContext &c, const char *) {
    // Ctrl+C ends the transfer under way instead of the program, so that the
    // unit can still be set back to 9600 baud and told to stop sending its
    // position.
    vCatchInterrupts();
    if (c.o.fUsb) {
        // A unit that is a USB drive may be what the user has: say where.
        const int iOpened = iOpenUsbDevice(c.pLink);
        if (iOpened == 0 || c.pLink == nullptr) {
            iExplainGarminDrives();
        }
        return iOpened;
    }
    char szPortName[kPortNameSize + 8];
    vFormatPortName(c.o, szPortName, sizeof(szPortName));
    return iOpenComPort(szPortName, c.pLink);
}

// A kind the unit cannot transfer is skipped, unless the user named it.
int iTakes(const StepContext &c, TransferKind eKind, int fUpload) {
    const bool fNamed = fUpload ? c.o.fUploadKindsNamed : c.o.fDownloadKindsNamed;
    return iUnitTakes(&c.w, c.pLink.get(), eKind, fUpload, fNamed ? 1 : 0);
}

UnitKinds oKinds(bool fWaypoints, bool fProximity, bool fRoutes, bool fTracks) {
    return UnitKinds{fWaypoints, fProximity, fRoutes, fTracks};
}

int iLoadStep(StepContext &c, const char *pszFile) {
    return iLoadFile(&c.w, pszFile);
}

int iSaveStep(StepContext &c, const char *pszFile) {
    return iSaveFile(&c.w, pszFile, kKindAll);
}

// One row per step, in the order a run does them whatever the order of the
// switches.
constexpr RunStep kaSteps[] = {
    {&RunOptions::fIdentify, StepKind::kLink, "opening the receiver link", nullptr, StepFile::kNone,
     iOpenLink},
    {&RunOptions::fIdentify, StepKind::kUnitOpen, "opening the unit", nullptr, StepFile::kNone,
     [](StepContext &c, const char *) {
         c.fUnitOpen = iOpenUnitFolder(c.o.szPortPath, c.oUnit) != 0;
         return c.fUnitOpen ? 1 : 0;
     }},
    {&RunOptions::fImport, StepKind::kSource, "import", "Import data from %s\n", StepFile::kSecond,
     iLoadStep},
    {&RunOptions::fLoad, StepKind::kSource, "load", "Load data from %s\n", StepFile::kFirst,
     iLoadStep},
    {&RunOptions::fIdentify, StepKind::kDevice, "identifying the receiver", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) { return iIdentifyUnit(&c.w, c.pLink.get()); }},
    {&RunOptions::fIdentify, StepKind::kDevice, "reading the receiver's time", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         const int iResult = iReadUnitTime(c.pLink.get());
         // By now the capability array has arrived: a unit that reports its
         // position on its own is told to stop before any transfer.
         if (!iReceiverGone(c.pLink.get())) {
             vStopPositionReports(c.pLink.get());
         }
         return iResult;
     }},
    // A unit that keeps 9600 baud serves the run all the same: the change
    // says why on its own and costs the status nothing.
    {&RunOptions::fChangeLineSpeed, StepKind::kDevice, "line speed change", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         iChangeLineSpeed(c.pLink.get(), c.o.lLineSpeed);
         return 1;
     }},
    {&RunOptions::fIdentify, StepKind::kUnitDevice, "identifying the unit", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         return std::printf("%s\n", sUnitVersionLine(c.oUnit).c_str()) > 0 ? 1 : 0;
     }},
    {&RunOptions::fDownload, StepKind::kUnitSource, "download from the unit", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         const RunOptions &o = c.o;
         return iDownloadFromUnit(&c.w, c.oUnit,
                                  oKinds(o.fDownloadWaypoints, o.fDownloadProximity,
                                         o.fDownloadRoutes, o.fDownloadTracks));
     }},
    {&RunOptions::fDownloadWaypoints, StepKind::kDeviceSource, "waypoint download", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kWaypoints, 0) && iDownloadWaypoints(&c.w, c.pLink.get(), 0)
                    ? 1
                    : 0;
     }},
    {&RunOptions::fDownloadProximity, StepKind::kDeviceSource, "proximity waypoint download",
     nullptr, StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kProximity, 0) && iDownloadWaypoints(&c.w, c.pLink.get(), 1)
                    ? 1
                    : 0;
     }},
    {&RunOptions::fDownloadRoutes, StepKind::kDeviceSource, "route download", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kRoutes, 0) && iDownloadRoutes(&c.w, c.pLink.get()) ? 1 : 0;
     }},
    {&RunOptions::fDownloadTracks, StepKind::kDeviceSource, "track download", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kTracks, 0) &&
                        iDownloadTracks(&c.w, c.o.fIncludeUntimed ? 1 : 0, c.pLink.get())
                    ? 1
                    : 0;
     }},
    {&RunOptions::fSave, StepKind::kSink, "save", "Save data to %s\n", StepFile::kFirst, iSaveStep},
    {&RunOptions::fExport, StepKind::kSink, "export", "Export data to %s\n", StepFile::kSecond,
     iSaveStep},
    {&RunOptions::fListWaypoints, StepKind::kSink, "waypoint listing", "Listing waypoints to %s\n",
     StepFile::kSecond,
     [](StepContext &c, const char *pszFile) { return iListWaypoints(&c.w, pszFile); }},
    {&RunOptions::fListTrackPoints, StepKind::kSink, "trackpoint listing",
     "Listing trackpoints to %s\n", StepFile::kSecond,
     [](StepContext &c, const char *pszFile) { return iListTrackPoints(&c.w, pszFile); }},
    {&RunOptions::fUpload, StepKind::kUnitDevice, "upload to the unit", nullptr, StepFile::kFirst,
     [](StepContext &c, const char *pszFile) {
         const RunOptions &o = c.o;
         return iUploadToUnit(
             &c.w, c.oUnit,
             oKinds(o.fUploadWaypoints, o.fUploadProximity, o.fUploadRoutes, o.fUploadTracks),
             pszFile);
     }},
    {&RunOptions::fUploadWaypoints, StepKind::kDevice, "waypoint upload", nullptr, StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kWaypoints, 1) && iUploadWaypoints(&c.w, c.pLink.get(), 0)
                    ? 1
                    : 0;
     }},
    {&RunOptions::fUploadProximity, StepKind::kDevice, "proximity waypoint upload", nullptr,
     StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kProximity, 1) && iUploadWaypoints(&c.w, c.pLink.get(), 1)
                    ? 1
                    : 0;
     }},
    {&RunOptions::fUploadRoutes, StepKind::kDevice, "route upload", nullptr, StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kRoutes, 1) && iUploadRoutes(&c.w, c.pLink.get()) ? 1 : 0;
     }},
    {&RunOptions::fUploadTracks, StepKind::kDevice, "track upload", nullptr, StepFile::kNone,
     [](StepContext &c, const char *) {
         return iTakes(c, TransferKind::kTracks, 1) && iUploadTracks(&c.w, c.pLink.get()) ? 1 : 0;
     }},
    // The last device step: it lasts until the user ends it.
    {&RunOptions::fLivePosition, StepKind::kDevice, "live position", nullptr, StepFile::kNone,
     [](StepContext &c, const char *) { return iRunLivePosition(c.w, c.o, c.pLink.get()); }},
};

bool fIsDeviceStep(const RunStep &oStep) {
    return oStep.eKind == StepKind::kDevice || oStep.eKind == StepKind::kDeviceSource;
}

bool fIsUnitStep(const RunStep &oStep) {
    return oStep.eKind == StepKind::kUnitDevice || oStep.eKind == StepKind::kUnitSource;
}

// The receiver's steps, or those of a unit that is a USB drive.
bool fForThisUnit(const RunStep &oStep, const RunOptions &o) {
    const bool fUnitRow = fIsUnitStep(oStep) || oStep.eKind == StepKind::kUnitOpen;
    const bool fReceiverRow = fIsDeviceStep(oStep) || oStep.eKind == StepKind::kLink;
    return o.fUnitFolder ? !fReceiverRow : !fUnitRow;
}

// The rules every step follows, applied in one place.
class StepRunner {
  public:
    StepRunner(Workspace &w, const RunOptions &o) : m_oContext{w, o, nullptr, {}, false} {}

    void vRun(const RunStep &oStep) {
        const char *pszFile = oStep.eFile == StepFile::kFirst    ? m_oContext.o.szFirstFile
                              : oStep.eFile == StepFile::kSecond ? m_oContext.o.szSecondFile
                                                                 : nullptr;
        // Ctrl+C asks the run to end: the steps after the one it cut short
        // are not begun (the link is still set back to 9600 and closed).
        if (m_oContext.pLink != nullptr && iLinkInterrupted(m_oContext.pLink.get())) {
            ++m_iFailed;
            return;
        }
        if (fIsDeviceStep(oStep)) {
            // Without a link every device step would fail: the failed open
            // has been counted and said. A receiver that stopped answering
            // altogether ends the device part of the run: every later device
            // step is counted failed without waiting again.
            if (m_oContext.pLink == nullptr) {
                return;
            }
            if (iReceiverGone(m_oContext.pLink.get())) {
                ++m_iFailed;
                vNoteSource(oStep, 0);
                return;
            }
        }
        if (fIsUnitStep(oStep) && !m_oContext.fUnitOpen) {
            return; // the failed open has been counted and said
        }
        if (oStep.eKind == StepKind::kSink && !fMayWrite(pszFile)) {
            return;
        }
        if (oStep.pszAnnounce != nullptr) {
            std::printf(oStep.pszAnnounce, pszFile);
        }
        const int iReportsBefore = iReportedErrorCount();
        int iResult = oStep.iRun(m_oContext, pszFile);
        if (oStep.eKind == StepKind::kLink && m_oContext.pLink == nullptr) {
            iResult = 0;
        }
        if (fIsDeviceStep(oStep) && iReceiverGone(m_oContext.pLink.get()) && !m_fGoneReported) {
            m_fGoneReported = true;
            vReportError("no answer from the receiver on %s: check the cable, the port, that the "
                         "unit is on and set to its Garmin interface",
                         m_oContext.pLink->sName.c_str());
        }
        if (iResult != 0) {
            return;
        }
        if (fIsDeviceStep(oStep) && iLinkInterrupted(m_oContext.pLink.get()) &&
            !m_fInterruptReported) {
            m_fInterruptReported = true;
            vReportError("interrupted: the %s was cut short", oStep.pszName);
        }
        ++m_iFailed;
        // A failure that its step did not explain gets a generic line so that
        // no failure passes without a word on standard error.
        if (iReportedErrorCount() == iReportsBefore) {
            if (pszFile != nullptr) {
                vReportError("%s %s '%s' failed", oStep.pszName,
                             oStep.eKind == StepKind::kSink ? "to" : "from", pszFile);
            } else {
                vReportError("%s failed", oStep.pszName);
            }
        }
        vNoteSource(oStep, iResult);
    }

    // Closes the link if one is open (printing its statistics line), after
    // setting the unit back to 9600 baud, also after Ctrl+C.
    void vCloseLink() {
        if (DeviceLink *pLink = m_oContext.pLink.get()) {
            if (iLinkInterrupted(pLink) && pLink->lLineSpeed != kBaseLineSpeed) {
                vWaitForQuietLine(pLink);
            }
            vLetWindDownMessagesThrough(pLink);
            iRestoreLineSpeed(pLink);
        }
        iCloseLink(m_oContext.pLink);
    }

    int iExitStatus() const { return m_iFailed == 0 ? 0 : 1; }

  private:
    // The first import, load or download that failed. What the store holds
    // after it is less than the run was meant to bring, so no later step may
    // replace an existing file with it; a new file is still written, since
    // nothing can be lost that way. A link that did not open is such a failure
    // when the run downloads.
    void vNoteSource(const RunStep &oStep, int iResult) {
        if (iResult != 0 || !m_sSourceFailed.empty()) {
            return;
        }
        if (oStep.eKind == StepKind::kSource || oStep.eKind == StepKind::kDeviceSource ||
            oStep.eKind == StepKind::kUnitSource) {
            m_sSourceFailed = std::string("the ") + oStep.pszName;
        } else if ((oStep.eKind == StepKind::kLink || oStep.eKind == StepKind::kUnitOpen) &&
                   fDownloads()) {
            m_sSourceFailed = oStep.pszName;
        }
    }

    bool fDownloads() const {
        for (const RunStep &oStep : kaSteps) {
            if ((oStep.eKind == StepKind::kDeviceSource || oStep.eKind == StepKind::kUnitSource) &&
                m_oContext.o.*oStep.pfSelected) {
                return true;
            }
        }
        return false;
    }

    bool fMayWrite(const char *pszFile) const {
        if (m_sSourceFailed.empty() || !iRegularFileExists(pszFile)) {
            return true;
        }
        vReportError("'%s' not saved: %s failed; the file keeps its previous content", pszFile,
                     m_sSourceFailed.c_str());
        return false;
    }

    StepContext m_oContext;
    std::string m_sSourceFailed;
    int m_iFailed = 0;
    bool m_fGoneReported = false;
    bool m_fInterruptReported = false;
};

} // namespace

int iRunSequence(Workspace &w, const RunOptions &o) {
    StepRunner oRunner(w, o);
    for (const RunStep &oStep : kaSteps) {
        if (o.*oStep.pfSelected && fForThisUnit(oStep, o)) {
            oRunner.vRun(oStep);
        }
    }
    oRunner.vCloseLink();
    std::fflush(stdout);
    return oRunner.iExitStatus();
}
