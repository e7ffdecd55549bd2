#include "device/transfers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/debug.h"
#include "base/report.h"
#include "device/link_layer.h"
#include "device/progress_bar.h"
#include "device/protocol_selection.h"
#include "device/record_messages.h"
#include "device/route_records.h"
#include "device/track_records.h"
#include "device/transport.h"
#include "device/waypoint_records.h"
#include "garmin/protocol_numbers.h"
#include "store/route_place_names.h"
#include "store/workspace.h"

namespace {

// The records message carries a 16-bit count.
constexpr int kMaxRecordsPerTransfer = 65535;
// A track record is read up to five times; a receiver silent for that many
// reads in a row is taken to be gone.
constexpr int kTrackReadAttempts = 5;

std::vector<uint8_t> aU16(uint16_t s) {
    return {static_cast<uint8_t>(s), static_cast<uint8_t>(s >> 8)};
}

uint16_t sReceivedU16(const DeviceLink *pLink) {
    const auto a = aReceivedData(pLink);
    return a.size() >= 2 ? static_cast<uint16_t>(a[0] | (a[1] << 8)) : 0;
}

int iSendCommand(DeviceLink *pLink, uint16_t sCommand) {
    return iSendRecord(pLink, kPidCommandData, aU16(sCommand));
}
int iSendRecords(DeviceLink *pLink, int iCount) {
    return iSendRecord(pLink, kPidRecords, aU16(static_cast<uint16_t>(iCount)));
}
int iSendTransferComplete(DeviceLink *pLink, uint16_t sCommand) {
    return iSendRecord(pLink, kPidTransferComplete, aU16(sCommand));
}

int iReadRecords(DeviceLink *pLink, int *piCount) {
    if (!iReadMessage(pLink, kPidRecords)) {
        return 0;
    }
    *piCount = sReceivedU16(pLink);
    if (iDebugProtocol()) {
        std::printf("   Begin Of Transfer Block read for %d entries\n", *piCount);
    }
    return 1;
}

int iReadTransferComplete(DeviceLink *pLink, uint16_t sCommand) {
    if (!iReadMessage(pLink, kPidTransferComplete)) {
        return 0;
    }
    const uint16_t sValue = sReceivedU16(pLink);
    if (iDebugProtocol()) {
        std::printf("   End Of Transfer Block read for data type %2.2X\n", sValue);
    }
    return sValue == sCommand ? 1 : 0;
}

// The one line on standard error that a failed transfer leaves.
int iFailedAfter(const char *pszWhat, int iDone, int iCount) {
    vReportError("%s failed after %d of %d records", pszWhat, iDone, iCount);
    return 0;
}
// A transfer that could not even start because the receiver has gone says
// nothing of its own: the run names the receiver once, with what to check.
int iFailedAt(const DeviceLink *pLink, const char *pszWhat, const char *pszStage) {
    if (!iReceiverGone(pLink)) {
        vReportError("%s failed: %s", pszWhat, pszStage);
    }
    return 0;
}

// Asks for a transfer and reads how many records follow, then starts the
// progress bar; 0 (reported) when the receiver does not go along.
int iStartDownload(DeviceLink *pLink, uint16_t sCommand, const char *pszWhat, const char *pszTitle,
                   int *piCount) {
    if (!iSendCommand(pLink, sCommand)) {
        return iFailedAt(pLink, pszWhat, "the receiver did not take the transfer command");
    }
    if (!iReadRecords(pLink, piCount)) {
        return iFailedAt(pLink, pszWhat, "the receiver did not announce its records");
    }
    vStartProgress(pszTitle, *piCount);
    return 1;
}

int iEndOfDownload(DeviceLink *pLink, const char *pszWhat, uint16_t sCommand, int iCount) {
    if (!iReadTransferComplete(pLink, sCommand)) {
        vReportError("%s: all %d records arrived, but the transfer-complete message did not",
                     pszWhat, iCount);
        return 0;
    }
    return 1;
}
int iEndOfUpload(DeviceLink *pLink, const char *pszWhat, uint16_t sCommand, int iCount) {
    if (!iSendTransferComplete(pLink, sCommand)) {
        vReportError("%s: all %d records were sent, but the transfer-complete message was not "
                     "acknowledged",
                     pszWhat, iCount);
        return 0;
    }
    return 1;
}

// An upload announces at most what its 16-bit count can hold.
int iCappedCount(const char *pszWhat, long lCount, bool *pfCapped) {
    *pfCapped = lCount > kMaxRecordsPerTransfer;
    if (*pfCapped) {
        vReportError("%s: %ld records are more than one transfer can carry; only the first %d "
                     "are sent",
                     pszWhat, lCount, kMaxRecordsPerTransfer);
        return kMaxRecordsPerTransfer;
    }
    return static_cast<int>(lCount);
}

// A receiver that keeps 6-character identifiers stores two waypoints whose
// names agree in their first six characters as one: the later one replaces
// the earlier. The upload goes on unchanged; each such pair is named once.
void vReportShortNameCollisions(const WaypointList &oWaypoints, int fProximity, int iFormat) {
    if (!iKeepsShortIdentifier(iFormat)) {
        return;
    }
    std::map<std::string, const char *> oLastByIdentifier;
    for (const auto &[sName, oWaypoint] : oWaypoints) {
        if (fProximity && oWaypoint.fProximity == 0.0f) {
            continue;
        }
        char szIdentifier[kShortIdentifierSize + 1];
        vShortIdentifier(oWaypoint, szIdentifier);
        auto [it, fNew] = oLastByIdentifier.try_emplace(szIdentifier, oWaypoint.szName);
        if (!fNew) {
            vReportError("'%s' and '%s' are both '%s' on this receiver; it keeps only the last",
                         it->second, oWaypoint.szName, szIdentifier);
            it->second = oWaypoint.szName;
        }
    }
}

} // namespace

int iDownloadWaypoints(Workspace *pWorkspace, DeviceLink *pLink, int fProximity) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    if (fProximity ? oSel.iPrxProtocol != kA400 : oSel.iWptProtocol != kA100) {
        return 1;
    }
    const char *pszWhat = fProximity ? "proximity waypoint download" : "waypoint download";
    const int iFormat = fProximity ? oSel.iPrxFormat : oSel.iWptFormat;
    if (!iIsWaypointFormat(iFormat)) {
        vReportError("%s: the receiver's record format D%03d is not supported", pszWhat, iFormat);
        return 0;
    }
    const uint16_t sCommand = fProximity ? kCommandTransferProximity : kCommandTransferWaypoints;
    int iCount = 0;
    if (!iStartDownload(pLink, sCommand, pszWhat,
                        fProximity ? "Downloading Proximity Waypoints" : "Downloading Waypoints",
                        &iCount)) {
        return 0;
    }
    const uint8_t bRecordId = fProximity ? kPidProximityWaypoint : kPidWaypoint;
    int iDone = 0;
    bool fFailed = false;
    for (int i = 0; i < iCount && !fFailed; ++i) {
        if (iReadMessage(pLink, bRecordId) &&
            iStoreReceivedWaypoint(pWorkspace, pLink, iFormat, nullptr)) {
            ++iDone;
            // The bar shows the records that arrived: a failed one leaves it short.
            vShowProgress(iProgressPercent(iDone, iCount));
        } else {
            fFailed = true;
        }
    }
    std::printf("\n");
    if (fFailed) {
        return iFailedAfter(pszWhat, iDone, iCount);
    }
    return iEndOfDownload(pLink, pszWhat, sCommand, iCount);
}

int iUploadWaypoints(Workspace *pWorkspace, DeviceLink *pLink, int fProximity) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    if (fProximity ? oSel.iPrxProtocol != kA400 : oSel.iWptProtocol != kA100) {
        return 1;
    }
    const char *pszWhat = fProximity ? "proximity waypoint upload" : "waypoint upload";
    const WaypointList &oWaypoints = pWorkspace->pStore->pWaypoints;
    long lStored = 0;
    for (const auto &[sName, oWaypoint] : oWaypoints) {
        if (!fProximity || oWaypoint.fProximity != 0.0f) {
            ++lStored;
        }
    }
    if (lStored == 0) {
        return 1;
    }
    const int iFormat = fProximity ? oSel.iPrxFormat : oSel.iWptFormat;
    if (!iIsWaypointFormat(iFormat)) {
        vReportError("%s: the receiver's record format D%03d is not supported; nothing was sent",
                     pszWhat, iFormat);
        return 0;
    }
    vReportShortNameCollisions(oWaypoints, fProximity, iFormat);
    bool fCapped = false;
    const int iCount = iCappedCount(pszWhat, lStored, &fCapped);
    if (!iSendRecords(pLink, iCount)) {
        return iFailedAt(pLink, pszWhat, "the receiver did not take the records message");
    }
    vStartProgress(fProximity ? "Uploading Proximity Waypoints" : "Uploading Waypoints", iCount);
    const uint8_t bRecordId = fProximity ? kPidProximityWaypoint : kPidWaypoint;
    int iSent = 0;
    bool fFailed = false;
    for (auto it = oWaypoints.begin(); it != oWaypoints.end() && iSent < iCount && !fFailed; ++it) {
        const Waypoint &oWaypoint = it->second;
        if (fProximity && oWaypoint.fProximity == 0.0f) {
            continue;
        }
        if (iSendWaypoint(pLink, oWaypoint, bRecordId, iFormat)) {
            ++iSent;
            vShowProgress(iProgressPercent(iSent, iCount));
        } else {
            fFailed = true;
        }
    }
    std::printf("\n");
    if (fFailed) {
        return iFailedAfter(pszWhat, iSent, iCount);
    }
    return iEndOfUpload(pLink, pszWhat,
                        fProximity ? kCommandTransferProximity : kCommandTransferWaypoints,
                        iCount) &&
           !fCapped;
}

int iDownloadRoutes(Workspace *pWorkspace, DeviceLink *pLink) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    if (!iIsRouteProtocol(oSel.iRteProtocol)) {
        return 1;
    }
    const char *pszWhat = "route download";
    if (!iIsAnyRouteHeaderFormat(oSel.iRteHdrFormat) || !iIsWaypointFormat(oSel.iRteWptFormat)) {
        vReportError("%s: the receiver's record formats D%03d and D%03d are not supported", pszWhat,
                     oSel.iRteHdrFormat, oSel.iRteWptFormat);
        return 0;
    }
    // Only A201 units put links between the points; an A200 unit that sent
    // one would be sending something else.
    const bool fLinks = oSel.iRteProtocol == kA201;
    int iCount = 0;
    if (!iStartDownload(pLink, kCommandTransferRoutes, pszWhat, "Downloading Route Points",
                        &iCount)) {
        return 0;
    }
    Route oRoute{};
    bool fHaveHeader = false;
    int iDone = 0;
    // Headers without a number (202) number the routes in the order they come.
    uint32_t lNextNumber = 1;
    bool fFailed = false;
    for (int i = 0; i < iCount && !fFailed; ++i) {
        if (!iReadMessage(pLink, 0)) {
            fFailed = true;
        } else if (bReceivedId(pLink) == kPidRouteHeader) {
            if (fHaveHeader && !iAddRoute(pWorkspace, oRoute)) {
                fFailed = true;
            }
            vReadRouteHeader(pLink, oRoute);
            if (oSel.iRteHdrFormat == kD202) {
                oRoute.lNumber = lNextNumber++;
            }
            fHaveHeader = true;
        } else if (bReceivedId(pLink) == kPidRouteWaypoint) {
            char szName[kNameSize] = {};
            if (iStoreReceivedWaypoint(pWorkspace, pLink, oSel.iRteWptFormat, szName, &oRoute)) {
                if (iDebugProtocol()) {
                    std::printf("   Route Waypoint read: Name=%s\n", szName);
                }
            } else {
                fFailed = true;
            }
        } else if (bReceivedId(pLink) == kPidRouteLink && fLinks) {
            // The way between two points is the unit's business: a route
            // here is its points, and an upload sends straight links again.
            RouteLink oLink;
            const int iRead = iDecodeRouteLink(aReceivedData(pLink), oSel.iRteLinkFormat, oLink);
            if (iDebugProtocol()) {
                std::printf("   Route Link read: class=%d  ident=%s%s\n", oLink.sClass,
                            oLink.sIdent.c_str(), iRead ? "" : "  (not understood, skipped)");
            }
        } else {
            fFailed = true;
        }
        if (!fFailed) {
            ++iDone;
            vShowProgress(iProgressPercent(iDone, iCount));
        }
    }
    std::printf("\n");
    if (fFailed) {
        // The route being gathered is incomplete and is not stored.
        return iFailedAfter(pszWhat, iDone, iCount);
    }
    if (iCount > 0 && !iAddRoute(pWorkspace, oRoute)) {
        return iFailedAfter(pszWhat, iDone, iCount);
    }
    return iEndOfDownload(pLink, pszWhat, kCommandTransferRoutes, iCount);
}

int iUploadRoutes(Workspace *pWorkspace, DeviceLink *pLink) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    if (!iIsRouteProtocol(oSel.iRteProtocol)) {
        return 1;
    }
    const char *pszWhat = "route upload";
    const bool fHeaders = iIsAnyRouteHeaderFormat(oSel.iRteHdrFormat);
    const bool fPoints = iIsWaypointFormat(oSel.iRteWptFormat) != 0;
    // A201 units take a link record between each two points; A200 units
    // have none and take one for something else.
    const bool fLinks = oSel.iRteProtocol == kA201 && oSel.iRteLinkFormat == kD210;
    // Only what will go out is announced: headers in a usable format, the
    // points whose waypoints the store holds, and the links between those.
    // A point with a place of its own goes out as a waypoint of a new name.
    RoutePlaceNames oNames;
    const size_t nNameLength =
        iKeepsShortIdentifier(oSel.iRteWptFormat) ? kShortIdentifierSize : kNameSize - 1;
    if (!iNameRoutePlaces(*pWorkspace->pStore, nNameLength, oNames)) {
        vReportError("%s: out of memory", pszWhat);
        return 0;
    }
    auto pPlace = [&](const Route &oRoute, uint32_t i) -> const Waypoint * {
        if (!oRoute.aOwnPlaces.empty() && oRoute.aOwnPlaces.count(i) != 0) {
            auto it = oNames.aPlaces.find(std::string(pszRoutePointName(oNames, oRoute, i)));
            return it != oNames.aPlaces.end() ? &it->second : nullptr;
        }
        return pFindWaypoint(pWorkspace, oRoute.aszPoints[i]);
    };
    long lRecords = 0;
    long lPoints = 0;
    for (const auto &[lNumber, oRoute] : pWorkspace->pStore->pRoutes) {
        lRecords += fHeaders ? 1 : 0;
        long lRoutePoints = 0;
        const auto nPoints = static_cast<uint32_t>(oRoute.aszPoints.size());
        for (uint32_t i = 0; i < nPoints; ++i) {
            if (pPlace(oRoute, i) != nullptr) {
                ++lRoutePoints;
            }
        }
        lPoints += lRoutePoints;
        lRecords += fLinks && lRoutePoints > 1 ? lRoutePoints - 1 : 0;
    }
    if (lPoints > 0 && !fPoints) {
        vReportError("%s: the receiver's record format D%03d is not supported; nothing was sent",
                     pszWhat, oSel.iRteWptFormat);
        return 0;
    }
    lRecords += lPoints;
    if (lRecords == 0) {
        return 1;
    }
    if (!oNames.aPlaces.empty()) {
        vReportError("%s: %zu route points lie elsewhere than the waypoint of their name and go "
                     "out under new names",
                     pszWhat, oNames.aPlaces.size());
    }
    bool fCapped = false;
    const int iCount = iCappedCount(pszWhat, lRecords, &fCapped);
    if (!iSendRecords(pLink, iCount)) {
        return iFailedAt(pLink, pszWhat, "the receiver did not take the records message");
    }
    vStartProgress("Uploading Route Points", iCount);
    int iSent = 0;
    bool fFailed = false;
    const RouteList &oRoutes = pWorkspace->pStore->pRoutes;
    for (auto it = oRoutes.begin(); it != oRoutes.end() && iSent < iCount && !fFailed; ++it) {
        const Route &oRoute = it->second;
        if (fHeaders) {
            if (!iSendRouteHeader(pLink, oRoute)) {
                fFailed = true;
                break;
            }
            ++iSent;
        }
        vShowProgress(iProgressPercent(iSent, iCount));
        bool fPointSent = false;
        const auto nPoints = static_cast<uint32_t>(oRoute.aszPoints.size());
        for (uint32_t i = 0; i < nPoints && !fFailed; ++i) {
            const Waypoint *pWaypoint = pPlace(oRoute, i);
            if (pWaypoint != nullptr && fLinks && fPointSent && iSent + 1 < iCount) {
                if (iSendRouteLink(pLink)) {
                    ++iSent;
                } else {
                    fFailed = true;
                    break;
                }
            }
            if (pWaypoint != nullptr && iSent < iCount) {
                if (iSendWaypoint(pLink, *pWaypoint, kPidRouteWaypoint, oSel.iRteWptFormat)) {
                    ++iSent;
                    fPointSent = true;
                } else {
                    fFailed = true;
                    break; // no mark for the point that did not go
                }
            }
            std::printf(".");
            std::fflush(stdout);
        }
    }
    std::printf("\n");
    if (fFailed) {
        return iFailedAfter(pszWhat, iSent, iCount);
    }
    return iEndOfUpload(pLink, pszWhat, kCommandTransferRoutes, iCount) && !fCapped;
}

int iDownloadTracks(Workspace *pWorkspace, int fKeepAll, DeviceLink *pLink) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    const int iProtocol = oSel.iTrkProtocol;
    if (!iIsTrackProtocol(iProtocol)) {
        return 1;
    }
    const char *pszWhat = "track download";
    if (!iIsAnyTrackPointFormat(oSel.iTrkFormat)) {
        vReportError("%s: the receiver's record format D%03d is not supported", pszWhat,
                     oSel.iTrkFormat);
        return 0;
    }
    int iCount = 0;
    if (!iStartDownload(pLink, kCommandTransferTracks, pszWhat, "Downloading Track Points",
                        &iCount)) {
        return 0;
    }
    TrackDownloadState oState;
    int iFailedRecords = 0;
    bool fLastFailed = false;
    bool fGaveUp = false;
    int iHandled = 0;
    for (int i = 0; i < iCount && !fGaveUp; ++i) {
        bool fRead = false;
        const int32_t lBytesReadBefore = pLink->oStatistics.lBytesRead;
        for (int iAttempt = 0; iAttempt < kTrackReadAttempts && !fRead; ++iAttempt) {
            fRead = iReadMessage(pLink, 0) != 0;
        }
        bool fRecordFailed = false;
        if (!fRead) {
            fRecordFailed = true;
            fGaveUp = true;
            if (pLink->oStatistics.lBytesRead == lBytesReadBefore) {
                vMarkReceiverGone(pLink); // not one byte in five reads
            }
        } else if (bReceivedId(pLink) == kPidTrackPoint) {
            fRecordFailed = iStoreReceivedTrackPoint(pWorkspace, pLink, fKeepAll, &oState) == 0;
        } else if (bReceivedId(pLink) == kPidTrackHeader && iIsTrackProtocolWithHeader(iProtocol)) {
            // Segments are marked on the points; a fitness unit's points have
            // no such mark, and its header (311) starts the next track.
            // Each header starts a track of its own, with the name and colour
            // it carries.
            TrackHeader oHeader;
            std::string sName;
            if (iDecodeTrackHeader(aReceivedData(pLink), oSel.iTrkHdrFormat, oHeader, sName)) {
                oState.fNextStartsSegment = true;
                oState.lTrack = lAddTrack(pWorkspace, oHeader.svName, oHeader.bColor);
                fRecordFailed = oState.lTrack < 0;
                if (iDebugProtocol()) {
                    if (oSel.iTrkHdrFormat == kD311) {
                        std::printf("   Track Header read: index=%d\n", oHeader.sIndex);
                    } else {
                        std::printf("   Track Header read: name=%s  color=%d\n", sName.c_str(),
                                    oHeader.bColor);
                    }
                }
            }
        } else {
            fRecordFailed = true;
        }
        iFailedRecords += fRecordFailed ? 1 : 0;
        fLastFailed = fRecordFailed;
        iHandled = i + 1;
        // The download reads on past a bad record; the bar moves with the
        // records that arrived and so stops short when the last ones fail.
        if (!fRecordFailed) {
            vShowProgress(iProgressPercent(i + 1, iCount));
        }
    }
    std::printf("\n");
    if (fGaveUp) {
        vReportError("%s failed after %d of %d records: the receiver stopped answering", pszWhat,
                     iHandled - 1, iCount);
        return 0;
    }
    if (fLastFailed) {
        return iFailedAfter(pszWhat, iCount - iFailedRecords, iCount);
    }
    if (!iEndOfDownload(pLink, pszWhat, kCommandTransferTracks, iCount)) {
        return 0;
    }
    if (iFailedRecords > 0) {
        vReportError("%s: %d of %d records could not be read", pszWhat, iFailedRecords, iCount);
        return 0;
    }
    return 1;
}

int iUploadTracks(Workspace *pWorkspace, DeviceLink *pLink) {
    if (pLink == nullptr) {
        return 0;
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    const int iProtocol = oSel.iTrkProtocol;
    // A302 units (the fitness ones) take no tracks; iUnitTakes says so.
    if (iProtocol != kA300 && iProtocol != kA301) {
        return 1;
    }
    const char *pszWhat = "track upload";
    const DataStore &oStore = *pWorkspace->pStore;
    if (oStore.lTrackPointCount <= 0) {
        return 1;
    }
    if (!iIsTrackPointFormat(oSel.iTrkFormat)) {
        vReportError("%s: the receiver's record format D%03d is not supported; nothing was sent",
                     pszWhat, oSel.iTrkFormat);
        return 0;
    }
    // Each track goes with a header of its own, where the unit takes headers;
    // a unit without them gets the points one track after another.
    const bool fHeader = iProtocol == kA301 && iIsTrackHeaderFormat(oSel.iTrkHdrFormat);
    long lRecords = 0;
    for (const Track &oTrack : oStore.aTracks) {
        lRecords +=
            static_cast<long>(oTrack.aPoints.size()) + (fHeader && !oTrack.aPoints.empty() ? 1 : 0);
    }
    bool fCapped = false;
    const int iCount = iCappedCount(pszWhat, lRecords, &fCapped);
    if (!iSendRecords(pLink, iCount)) {
        return iFailedAt(pLink, pszWhat, "the receiver did not take the records message");
    }
    vStartProgress("Uploading Track Points", iCount);
    int iSent = 0;
    bool fFailed = false;
    bool fFirstTrack = true;
    for (auto itTrack = oStore.aTracks.begin();
         itTrack != oStore.aTracks.end() && iSent < iCount && !fFailed; ++itTrack) {
        const Track &oTrack = *itTrack;
        if (oTrack.aPoints.empty()) {
            continue;
        }
        if (fHeader) {
            TrackHeader oHeader;
            oHeader.svName = oTrack.sName;
            oHeader.bColor = oTrack.bColor;
            fFailed = !iSendTrackHeader(pLink, oHeader);
            if (fFailed) {
                break;
            }
            ++iSent;
            vShowProgress(iProgressPercent(iSent, iCount));
        }
        bool fFirstPoint = true;
        for (auto it = oTrack.aPoints.begin();
             it != oTrack.aPoints.end() && iSent < iCount && !fFailed; ++it) {
            TrackPoint oPoint = *it;
            // Every track after the first starts a segment of its own.
            if (fFirstPoint && !fFirstTrack) {
                oPoint.fNewSegment = 1;
            }
            fFirstPoint = false;
            if (iSendTrackPoint(pLink, oPoint)) {
                ++iSent;
                vShowProgress(iProgressPercent(iSent, iCount));
            } else {
                fFailed = true;
            }
        }
        fFirstTrack = false;
    }
    std::printf("\n");
    if (fFailed) {
        return iFailedAfter(pszWhat, iSent, iCount);
    }
    return iEndOfUpload(pLink, pszWhat, kCommandTransferTracks, iCount) && !fCapped;
}

namespace {

struct KindText {
    const char *pszDownload;
    const char *pszUpload;
    const char *pszProtocols; // what the unit would have to list
};
constexpr KindText kaKindTexts[] = {
    {"waypoint download", "waypoint upload", "A100 (waypoints)"},
    {"proximity waypoint download", "proximity waypoint upload", "A400 (proximity waypoints)"},
    {"route download", "route upload", "A200 or A201 (routes)"},
    {"track download", "track upload", "A300, A301 or A302 (tracks)"},
};

std::string sUnitText(const DeviceLink *pLink) {
    return pLink->sUnitDescription.empty() ? "the unit"
                                           : "the unit '" + pLink->sUnitDescription + "'";
}

} // namespace

int iUnitTakes(Workspace *pWorkspace, const DeviceLink *pLink, TransferKind eKind, int fUpload,
               int fNamed) {
    if (pLink == nullptr) {
        return 1; // the transfer itself says what is wrong
    }
    const ProtocolSelection &oSel = pLink->oProtocolSelection;
    const auto iKind = static_cast<int>(eKind);
    const char *pszWhat = fUpload ? kaKindTexts[iKind].pszUpload : kaKindTexts[iKind].pszDownload;
    if (eKind == TransferKind::kTracks && fUpload && oSel.iTrkProtocol == kA302) {
        if (fNamed) {
            vReportError("%s: %s takes no tracks (A302)", pszWhat, sUnitText(pLink).c_str());
            return 0;
        }
        const auto nPoints = static_cast<size_t>(pWorkspace->pStore->lTrackPointCount);
        if (nPoints > 0) {
            vReportError("%s: %s takes no tracks (A302); its %zu track points were not sent",
                         pszWhat, sUnitText(pLink).c_str(), nPoints);
        }
        return 1;
    }
    bool fHas = false;
    const int32_t *pRejected = nullptr;
    switch (eKind) {
    case TransferKind::kWaypoints:
        fHas = oSel.iWptProtocol == kA100;
        pRejected = oSel.iWptRejected;
        break;
    case TransferKind::kProximity:
        fHas = oSel.iPrxProtocol == kA400;
        pRejected = oSel.iPrxRejected;
        break;
    case TransferKind::kRoutes:
        fHas = iIsRouteProtocol(oSel.iRteProtocol) != 0;
        pRejected = oSel.iRteRejected;
        break;
    case TransferKind::kTracks:
        fHas = iIsTrackProtocol(oSel.iTrkProtocol) != 0;
        pRejected = oSel.iTrkRejected;
        break;
    }
    if (fHas || !fNamed) {
        return 1; // the transfer goes ahead, or skips what the unit lacks
    }
    if (pRejected[1] != 0) {
        vReportError("%s: %s speaks A%03d with D%03d, a record format this program does not "
                     "support",
                     pszWhat, sUnitText(pLink).c_str(), pRejected[0], pRejected[1]);
    } else {
        vReportError("%s: %s has no %s", pszWhat, sUnitText(pLink).c_str(),
                     kaKindTexts[iKind].pszProtocols);
    }
    return 0;
}
