#include "device/record_messages.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/debug.h"
#include "device/link_layer.h"
#include "device/protocol_selection.h"
#include "device/route_records.h"
#include "device/track_records.h"
#include "device/waypoint_records.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "store/data_store.h"

int iSendWaypoint(DeviceLink *pLink, const Waypoint &oWaypoint, uint8_t bRecordId, int iFormat) {
    std::vector<uint8_t> aData;
    if (!iEncodeWaypointRecord(oWaypoint, iFormat, aData)) {
        return 0;
    }
    return iSendRecord(pLink, bRecordId, aData);
}

int iStoreReceivedWaypoint(Workspace *pWorkspace, const DeviceLink *pLink, int iFormat,
                           char *pszName, Route *pRoute) {
    Waypoint oWaypoint;
    const WaypointDecode eResult = eDecodeWaypointRecord(aReceivedData(pLink), iFormat, oWaypoint);
    if (eResult == WaypointDecode::kMalformed) {
        if (iDebugProtocol()) {
            std::printf("   Waypoint record of %d bytes does not fit format D%03d\n",
                        bReceivedSize(pLink), iFormat);
        }
        return 0;
    }
    if (pszName != nullptr) {
        std::memcpy(pszName, oWaypoint.szName, kNameSize);
    }
    if (eResult == WaypointDecode::kNotUser) {
        if (iDebugProtocol()) {
            std::printf("   Non user waypoint read and ignored\n");
        }
        if (pRoute != nullptr) {
            char *pszPoint = pszAppendRoutePoint(*pRoute);
            if (pszPoint == nullptr) {
                return 0;
            }
            std::memcpy(pszPoint, oWaypoint.szName, kNameSize);
            pszPoint[kNameSize - 1] = '\0';
        }
        return 1;
    }
    const int iResult = pRoute != nullptr ? iAddRoutePoint(pWorkspace, *pRoute, oWaypoint, false)
                                          : iAddWaypoint(pWorkspace, oWaypoint);
    if (iDebugProtocol()) {
        std::printf("   Waypoint read: Name=%s  Lat=%f  Lon=%f  Time=%s  Comment=%s  Radius=%f  "
                    "Icon=%d  DisplayMode=%d  Color=%d  Altitude=%f\n",
                    oWaypoint.szName, dSemicirclesToDegrees(oWaypoint.lLatitude),
                    dSemicirclesToDegrees(oWaypoint.lLongitude),
                    szFormatTime(oWaypoint.lTime, 0, 1), oWaypoint.szComment,
                    static_cast<double>(oWaypoint.fProximity), oWaypoint.sSymbol,
                    oWaypoint.bDisplay, oWaypoint.bColor, static_cast<double>(oWaypoint.fAltitude));
    }
    return iResult;
}

int iSendTrackPoint(DeviceLink *pLink, const TrackPoint &oPoint) {
    std::vector<uint8_t> aData;
    if (!iEncodeTrackPoint(oPoint, pLink->oProtocolSelection.iTrkFormat, aData)) {
        return 1;
    }
    return iSendRecord(pLink, kPidTrackPoint, aData);
}

int iSendTrackHeader(DeviceLink *pLink, const TrackHeader &oHeader) {
    std::vector<uint8_t> aData;
    if (!iEncodeTrackHeader(pLink->oProtocolSelection.iTrkHdrFormat, aData, oHeader)) {
        return 1;
    }
    return iSendRecord(pLink, kPidTrackHeader, aData);
}

int iStoreReceivedTrackPoint(Workspace *pWorkspace, const DeviceLink *pLink, int fKeepAll,
                             TrackDownloadState *pState) {
    TrackPoint oPoint;
    TrackSensors oSensors;
    const int iFormat = pLink->oProtocolSelection.iTrkFormat;
    if (!iDecodeTrackPoint(aReceivedData(pLink), iFormat, oPoint, &oSensors)) {
        if (iDebugProtocol()) {
            std::printf("   Track point record of %d bytes does not fit format D%03d\n",
                        bReceivedSize(pLink), iFormat);
        }
        return 0;
    }
    TrackDownloadState oNoState;
    TrackDownloadState &oState = pState != nullptr ? *pState : oNoState;
    if (iIsFitnessTrackPointFormat(iFormat) && !fHasDevicePosition(oPoint)) {
        ++oState.iWithoutPosition;
        if (iDebugProtocol()) {
            std::printf("   Track point without position read and left out: Time=%s  "
                        "HeartRate=%d\n",
                        szFormatTime(lStoredDeviceTime(oPoint.lTime), 0, 1), oSensors.bHeartRate);
        }
        return 1;
    }
    if (oState.fNextStartsSegment || oState.iWithoutPosition >= 2) {
        oPoint.fNewSegment = 1;
    }
    int iResult = 1;
    if (fKeepAll == 1 || oPoint.lTime != 0) {
        vNormaliseTrackPoint(oPoint);
        // After a header the points belong to its track, in the order they
        // come; a unit without headers fills the track kept in time order.
        iResult = oState.lTrack >= 0
                      ? iAppendTrackPoint(pWorkspace, oState.lTrack, oPoint, &oSensors)
                      : iAddTrackPoint(pWorkspace, oPoint);
        oState.fNextStartsSegment = false;
        oState.iWithoutPosition = 0;
    }
    if (iDebugProtocol()) {
        std::printf("   Track Waypoint read: Lat=%f  Lon=%f  Time=%s  Altitude=%f  First=%d\n",
                    dSemicirclesToDegrees(oPoint.lLatitude),
                    dSemicirclesToDegrees(oPoint.lLongitude), szFormatTime(oPoint.lTime, 0, 1),
                    static_cast<double>(oPoint.fAltitude), oPoint.fNewSegment);
    }
    return iResult;
}

int iSendRouteHeader(DeviceLink *pLink, const Route &oRoute) {
    std::vector<uint8_t> aData;
    if (!iEncodeRouteHeader(oRoute, pLink->oProtocolSelection.iRteHdrFormat, aData)) {
        return 1;
    }
    return iSendRecord(pLink, kPidRouteHeader, aData);
}

int iSendRouteLink(DeviceLink *pLink) {
    std::vector<uint8_t> aData;
    if (!iEncodeRouteLink(oStraightRouteLink(), pLink->oProtocolSelection.iRteLinkFormat, aData)) {
        return 1;
    }
    return iSendRecord(pLink, kPidRouteLink, aData);
}

void vReadRouteHeader(const DeviceLink *pLink, Route &oRoute) {
    iDecodeRouteHeader(aReceivedData(pLink), pLink->oProtocolSelection.iRteHdrFormat, oRoute);
    if (iDebugProtocol()) {
        std::printf("   Route Header Block read: route=%ld  comment=%s\n",
                    static_cast<long>(oRoute.lNumber), oRoute.szComment);
    }
}
