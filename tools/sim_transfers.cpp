// The simulated receiver's transfers: it answers the download commands with
// its records in the formats its profile names, and takes uploads into the
// .VKD file given with --upload-to (and into the records it serves).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/product_table.h"
#include "device/protocol_selection.h"
#include "device/route_records.h"
#include "device/track_records.h"
#include "device/waypoint_records.h"
#include "files/load_save.h"
#include "garmin/protocol_numbers.h"
#include "store/data_store.h"
#include "store/file_kinds.h"
#include "tools/sim_data_set.h"
#include "tools/sim_receiver.h"

namespace {

// With --pace the unit sends its records no faster than its line carries
// them: ten bit times per byte, 960 bytes a second at 9600 baud.
bool fPaced = false;

int iTakePace(SimReceiver &, const char *) {
    fPaced = true;
    return 1;
}
SimOptionRegistration oPaceOption("--pace", 0, " send records at the pace of the line speed",
                                  &iTakePace);

// Waits as long as the frame of a message with nData data bytes (DLE, id,
// size, data, checksum, DLE, ETX) and the host's acknowledgement take on the wire.
void vPaceFrame(const SimLink &oLink, size_t nData) {
    if (!fPaced) {
        return;
    }
    const double dBytes = static_cast<double>(nData + 6 + 8);
    const double dBytesPerSecond = static_cast<double>(oLink.lSpeed()) / 10.0;
    std::this_thread::sleep_for(
        std::chrono::microseconds(static_cast<long long>(dBytes * 1.0e6 / dBytesPerSecond)));
}

// Test aids: serve every route's points this many times over (to exceed what
// a route holds), and serve route points as the unit's own waypoints.
int iRouteRepeats = 1;
bool fForeignRoutePoints = false;

int iTakeRouteRepeats(SimReceiver &, const char *pszValue) {
    iRouteRepeats = std::atoi(pszValue);
    return iRouteRepeats >= 1 && iRouteRepeats <= 100 ? 1 : 0;
}
int iTakeForeign(SimReceiver &, const char *) {
    fForeignRoutePoints = true;
    return 1;
}
SimOptionRegistration oRepeatOption("--repeat-route-points", 1,
                                    "N  send each route's points N times over", &iTakeRouteRepeats);
SimOptionRegistration oForeignOption("--foreign-route-points", 0,
                                     " send route points as the unit's own waypoints "
                                     "(formats 108-110)",
                                     &iTakeForeign);

// Test aid: the track record with this number (from 1) goes out as a record
// of another kind, which a host cannot take for a track record.
int iStrayTrackRecord = 0;
int iTakeStray(SimReceiver &, const char *pszValue) {
    iStrayTrackRecord = std::atoi(pszValue);
    return iStrayTrackRecord >= 1 ? 1 : 0;
}
SimOptionRegistration oStrayOption("--stray-track-record", 1,
                                   "N  send track record N with the id of a waypoint record",
                                   &iTakeStray);

// Test aid: say on standard error what each uploaded route link holds.
bool fLogLinks = false;
int iTakeLogLinks(SimReceiver &, const char *) {
    fLogLinks = true;
    return 1;
}
SimOptionRegistration oLogLinksOption("--log-route-links", 0,
                                      " tell each uploaded route link on standard error",
                                      &iTakeLogLinks);

bool fSendPaced(SimLink &oLink, uint8_t bId, const std::vector<uint8_t> &aData) {
    vPaceFrame(oLink, aData.size());
    return oLink.iSend(bId, aData) != 0;
}

// The formats this unit speaks, from its profile's capability array (or, for
// a unit without one, from the defaults and the table of known products).
const ProtocolSelection &oUnitFormats(const SimReceiver &oReceiver) {
    static bool fReady = false;
    static ProtocolSelection oFormats;
    if (!fReady) {
        fReady = true;
        vApplyProductTable(oReceiver.oProfile.sProductId, oReceiver.oProfile.sSoftwareVersion,
                           oFormats);
        if (!oReceiver.oProfile.asCapabilities.empty()) {
            std::vector<uint8_t> aArray;
            for (const std::string &s : oReceiver.oProfile.asCapabilities) {
                aArray.push_back(static_cast<uint8_t>(s.empty() ? '?' : s[0]));
                vPutU16(aArray, static_cast<uint16_t>(std::atoi(s.c_str() + (s.empty() ? 0 : 1))));
            }
            vParseProtocolArray(aArray, oFormats);
        }
    }
    return oFormats;
}

std::vector<uint8_t> aU16(uint16_t s) {
    std::vector<uint8_t> a;
    vPutU16(a, s);
    return a;
}

// One download: the records message, the records, the transfer complete. A
// host that stops acknowledging ends it.
void vServe(SimReceiver &oReceiver, uint16_t sCommand, std::vector<SimMessage> aRecords) {
    SimLink &oLink = *oReceiver.pLink;
    if (aRecords.size() > 65535) {
        std::fprintf(stderr, "quillox-sim: serving the first 65535 of %zu records\n",
                     aRecords.size());
        aRecords.resize(65535);
    }
    if (!fSendPaced(oLink, kPidRecords, aU16(static_cast<uint16_t>(aRecords.size())))) {
        return;
    }
    for (const SimMessage &o : aRecords) {
        if (!fSendPaced(oLink, o.bId, o.aData)) {
            return;
        }
    }
    fSendPaced(oLink, kPidTransferComplete, aU16(sCommand));
}

void vAddWaypointRecord(std::vector<SimMessage> &aOut, uint8_t bId, const Waypoint &o,
                        int iFormat) {
    SimMessage oMessage;
    oMessage.bId = bId;
    if (iEncodeWaypointRecord(o, iFormat, oMessage.aData)) {
        aOut.push_back(std::move(oMessage));
    }
}

void vSendWaypoints(SimReceiver &oReceiver, uint16_t sCommand) {
    vEnsureServedData(oReceiver);
    const bool fProximity = sCommand == kCommandTransferProximity;
    const ProtocolSelection &oFormats = oUnitFormats(oReceiver);
    const int iFormat = fProximity ? oFormats.iPrxFormat : oFormats.iWptFormat;
    std::vector<SimMessage> aRecords;
    for (const auto &[sName, o] : oReceiver.oWorkspace.pStore->pWaypoints) {
        if (!fProximity || o.fProximity != 0.0f) {
            vAddWaypointRecord(aRecords, fProximity ? kPidProximityWaypoint : kPidWaypoint, o,
                               iFormat);
        }
    }
    vServe(oReceiver, sCommand, std::move(aRecords));
}

void vSendRoutes(SimReceiver &oReceiver, uint16_t sCommand) {
    vEnsureServedData(oReceiver);
    const ProtocolSelection &oFormats = oUnitFormats(oReceiver);
    std::vector<SimMessage> aRecords;
    for (const auto &[lNumber, oRoute] : oReceiver.oWorkspace.pStore->pRoutes) {
        SimMessage oHeader;
        oHeader.bId = kPidRouteHeader;
        if (!iEncodeRouteHeader(oRoute, oFormats.iRteHdrFormat, oHeader.aData)) {
            continue;
        }
        aRecords.push_back(std::move(oHeader));
        const auto nPoints = static_cast<uint32_t>(oRoute.aszPoints.size());
        for (uint32_t n = 0; n < nPoints * static_cast<uint32_t>(iRouteRepeats); ++n) {
            // An A201 unit puts a link between each two points; its own
            // routes follow roads, so it says so in the link's class.
            SimMessage oLink;
            oLink.bId = kPidRouteLink;
            RouteLink oWay = oStraightRouteLink();
            oWay.sClass = 1; // "link": a road of the unit's map
            oWay.sIdent = "ROAD";
            if (n > 0 && iEncodeRouteLink(oWay, oFormats.iRteLinkFormat, oLink.aData)) {
                aRecords.push_back(std::move(oLink));
            }
            const char *pszName = oRoute.aszPoints[n % nPoints];
            const Waypoint *p = pRoutePlace(&oReceiver.oWorkspace, oRoute, n % nPoints);
            Waypoint oPoint = oEmptyWaypoint();
            if (p != nullptr) {
                oPoint = *p;
            } else {
                std::snprintf(oPoint.szName, sizeof(oPoint.szName), "%s", pszName);
            }
            vAddWaypointRecord(aRecords, kPidRouteWaypoint, oPoint, oFormats.iRteWptFormat);
            const int iFormat = oFormats.iRteWptFormat;
            if (fForeignRoutePoints && !aRecords.empty() && iIsVariableWaypointFormat(iFormat)) {
                aRecords.back().aData[iFormat == kD108 ? 0 : 1] = 1; // class: not a user waypoint
            }
        }
    }
    vServe(oReceiver, sCommand, std::move(aRecords));
}

void vSendTracks(SimReceiver &oReceiver, uint16_t sCommand) {
    vEnsureServedData(oReceiver);
    const ProtocolSelection &oFormats = oUnitFormats(oReceiver);
    std::vector<SimMessage> aRecords;
    const bool fHeaders = iIsTrackProtocolWithHeader(oFormats.iTrkProtocol) != 0;
    // A fitness unit (311 headers) starts each track with a header and marks
    // no segments on its points.
    const bool fIndexHeaders = oFormats.iTrkHdrFormat == kD311;
    const DataStore &oStore = *oReceiver.oWorkspace.pStore;
    aRecords.reserve(static_cast<size_t>(oStore.lTrackPointCount) + oStore.aTracks.size());
    uint16_t sTrackIndex = 0;
    int iPoint = 0;
    for (const Track &oTrack : oStore.aTracks) {
        if (oTrack.aPoints.empty()) {
            continue;
        }
        // Each track goes with a header of its name and colour.
        if (fHeaders && !fIndexHeaders) {
            SimMessage oHeader;
            oHeader.bId = kPidTrackHeader;
            TrackHeader oFields;
            oFields.svName = oTrack.sName;
            oFields.bColor = oTrack.bColor;
            if (iEncodeTrackHeader(oFormats.iTrkHdrFormat, oHeader.aData, oFields)) {
                aRecords.push_back(std::move(oHeader));
            }
        }
        bool fFirstOfTrack = true;
        for (const TrackPoint &o : oTrack.aPoints) {
            if (fIndexHeaders && (fFirstOfTrack || o.fNewSegment != 0)) {
                SimMessage oHeader;
                oHeader.bId = kPidTrackHeader;
                TrackHeader oFields;
                oFields.sIndex = sTrackIndex++;
                iEncodeTrackHeader(kD311, oHeader.aData, oFields);
                aRecords.push_back(std::move(oHeader));
            }
            fFirstOfTrack = false;
            // The served data has no sensor values: the unit makes up a steady
            // workout, 10 m per point, with the heart rate and cadence moving.
            TrackSensors oSensors;
            oSensors.bHeartRate = static_cast<uint8_t>(110 + iPoint % 50);
            oSensors.bCadence = static_cast<uint8_t>(80 + iPoint % 20);
            oSensors.fDistance = 10.0f * static_cast<float>(iPoint);
            ++iPoint;
            SimMessage oPoint;
            oPoint.bId = kPidTrackPoint;
            if (iEncodeTrackPoint(o, oFormats.iTrkFormat, oPoint.aData, &oSensors)) {
                aRecords.push_back(std::move(oPoint));
            }
        }
    }
    if (iStrayTrackRecord >= 1 && static_cast<size_t>(iStrayTrackRecord) <= aRecords.size()) {
        aRecords[static_cast<size_t>(iStrayTrackRecord - 1)].bId = kPidWaypoint;
    }
    vServe(oReceiver, sCommand, std::move(aRecords));
}

// What an upload brings, gathered until its transfer-complete message.
struct Upload {
    Workspace oReceived; // everything uploaded during the simulator's life
    Route oRoute{};
    bool fRouteOpen = false;
    bool fNextPointStartsSegment = false;
    int32_t lReceivedTrack = -1; // the tracks a named header started, in both stores
    int32_t lOwnTrack = -1;
    int iAnnounced = 0;
    int iArrived = 0;
    uint32_t lRoutesNamed = 0;
};

Upload &oUpload() {
    static Upload o;
    return o;
}

void vAddToBoth(SimReceiver &oReceiver, Waypoint o) {
    Waypoint oCopy = o;
    iAddWaypoint(&oUpload().oReceived, o);
    iAddWaypoint(&oReceiver.oWorkspace, oCopy);
}

void vCloseRoute(SimReceiver &oReceiver) {
    Upload &u = oUpload();
    if (u.fRouteOpen) {
        Route oCopy = u.oRoute;
        iAddRoute(&u.oReceived, u.oRoute);
        iAddRoute(&oReceiver.oWorkspace, oCopy);
    }
    u.fRouteOpen = false;
}

void vReceiveRecords(SimReceiver &oReceiver, const SimMessage &oMessage) {
    vEnsureServedData(oReceiver);
    Upload &u = oUpload();
    u.iAnnounced = oMessage.aData.size() >= 2 ? oMessage.aData[0] | (oMessage.aData[1] << 8) : 0;
    u.iArrived = 0;
    u.fRouteOpen = false;
    u.fNextPointStartsSegment = true;
    u.lRoutesNamed = 0;
}

void vReceiveWaypoint(SimReceiver &oReceiver, const SimMessage &oMessage) {
    const ProtocolSelection &oFormats = oUnitFormats(oReceiver);
    Upload &u = oUpload();
    ++u.iArrived;
    int iFormat = oFormats.iWptFormat;
    if (oMessage.bId == kPidProximityWaypoint) {
        iFormat = oFormats.iPrxFormat;
    } else if (oMessage.bId == kPidRouteWaypoint) {
        iFormat = oFormats.iRteWptFormat;
    }
    Waypoint o;
    const WaypointDecode e = eDecodeWaypointRecord(oMessage.aData, iFormat, o);
    if (e == WaypointDecode::kMalformed) {
        std::fprintf(stderr, "quillox-sim: waypoint record of %zu bytes does not fit D%03d\n",
                     oMessage.aData.size(), iFormat);
        return;
    }
    // Some hosts put nameless link points between the points of a route; a
    // unit keeps only the named ones.
    if (oMessage.bId == kPidRouteWaypoint && std::strspn(o.szName, " ") == std::strlen(o.szName)) {
        return;
    }
    if (oMessage.bId == kPidRouteWaypoint && u.fRouteOpen) {
        if (char *pszName = pszAppendRoutePoint(u.oRoute)) {
            std::snprintf(pszName, kNameSize, "%s", o.szName);
        }
    }
    if (e == WaypointDecode::kUserWaypoint) {
        vAddToBoth(oReceiver, o);
    }
}

void vReceiveRouteHeader(SimReceiver &oReceiver, const SimMessage &oMessage) {
    Upload &u = oUpload();
    ++u.iArrived;
    vCloseRoute(oReceiver);
    iDecodeRouteHeader(oMessage.aData, oUnitFormats(oReceiver).iRteHdrFormat, u.oRoute);
    if (oUnitFormats(oReceiver).iRteHdrFormat == kD202) {
        u.oRoute.lNumber = ++u.lRoutesNamed; // such a unit numbers routes itself
    }
    u.fRouteOpen = true;
}

void vReceiveRouteLink(SimReceiver &oReceiver, const SimMessage &oMessage) {
    Upload &u = oUpload();
    ++u.iArrived;
    RouteLink oLink;
    if (!iDecodeRouteLink(oMessage.aData, oUnitFormats(oReceiver).iRteLinkFormat, oLink)) {
        std::fprintf(stderr, "quillox-sim: route link record of %zu bytes does not fit D%03d\n",
                     oMessage.aData.size(), oUnitFormats(oReceiver).iRteLinkFormat);
    } else if (fLogLinks) {
        std::fprintf(stderr, "quillox-sim: route link class %d, subclass", oLink.sClass);
        for (uint8_t b : oLink.abSubclass) {
            std::fprintf(stderr, " %02X", b);
        }
        std::fprintf(stderr, ", ident '%s'\n", oLink.sIdent.c_str());
    }
}

void vReceiveTrackHeader(SimReceiver &oReceiver, const SimMessage &oMessage) {
    Upload &u = oUpload();
    ++u.iArrived;
    u.fNextPointStartsSegment = true;
    // A named header starts a track of that name; an index header a segment.
    TrackHeader oHeader;
    std::string sName;
    const int iFormat = oUnitFormats(oReceiver).iTrkHdrFormat;
    if (iFormat != kD311 && iDecodeTrackHeader(oMessage.aData, iFormat, oHeader, sName)) {
        u.lReceivedTrack = lAddTrack(&u.oReceived, sName, oHeader.bColor);
        u.lOwnTrack = lAddTrack(&oReceiver.oWorkspace, sName, oHeader.bColor);
    }
}

void vReceiveTrackPoint(SimReceiver &oReceiver, const SimMessage &oMessage) {
    Upload &u = oUpload();
    ++u.iArrived;
    TrackPoint o;
    if (!iDecodeTrackPoint(oMessage.aData, oUnitFormats(oReceiver).iTrkFormat, o)) {
        std::fprintf(stderr, "quillox-sim: track point record of %zu bytes does not fit D%03d\n",
                     oMessage.aData.size(), oUnitFormats(oReceiver).iTrkFormat);
        return;
    }
    vNormaliseTrackPoint(o);
    if (u.fNextPointStartsSegment) {
        o.fNewSegment = 1;
        u.fNextPointStartsSegment = false;
    }
    if (u.lReceivedTrack >= 0) {
        iAppendTrackPoint(&u.oReceived, u.lReceivedTrack, o);
        iAppendTrackPoint(&oReceiver.oWorkspace, u.lOwnTrack, o);
    } else {
        iAddTrackPoint(&u.oReceived, o);
        iAddTrackPoint(&oReceiver.oWorkspace, o);
    }
}

void vReceiveTransferComplete(SimReceiver &oReceiver, const SimMessage &oMessage) {
    Upload &u = oUpload();
    vCloseRoute(oReceiver);
    const int iCommand =
        oMessage.aData.size() >= 2 ? oMessage.aData[0] | (oMessage.aData[1] << 8) : -1;
    if (u.iArrived != u.iAnnounced) {
        std::fprintf(stderr, "quillox-sim: upload %d announced %d records and sent %d\n", iCommand,
                     u.iAnnounced, u.iArrived);
    }
    if (!sUploadFile().empty()) {
        if (!iSaveFile(&u.oReceived, sUploadFile().c_str(), kKindAll)) {
            std::fprintf(stderr, "quillox-sim: cannot write %s\n", sUploadFile().c_str());
        }
    }
}

SimCommandRegistration oWaypointCommand(kCommandTransferWaypoints, &vSendWaypoints);
SimCommandRegistration oProximityCommand(kCommandTransferProximity, &vSendWaypoints);
SimCommandRegistration oRouteCommand(kCommandTransferRoutes, &vSendRoutes);
SimCommandRegistration oTrackCommand(kCommandTransferTracks, &vSendTracks);

SimRecordRegistration oRecordsRecord(kPidRecords, &vReceiveRecords);
SimRecordRegistration oWaypointRecord(kPidWaypoint, &vReceiveWaypoint);
SimRecordRegistration oProximityRecord(kPidProximityWaypoint, &vReceiveWaypoint);
SimRecordRegistration oRouteWaypointRecord(kPidRouteWaypoint, &vReceiveWaypoint);
SimRecordRegistration oRouteHeaderRecord(kPidRouteHeader, &vReceiveRouteHeader);
SimRecordRegistration oRouteLinkRecord(kPidRouteLink, &vReceiveRouteLink);
SimRecordRegistration oTrackHeaderRecord(kPidTrackHeader, &vReceiveTrackHeader);
SimRecordRegistration oTrackPointRecord(kPidTrackPoint, &vReceiveTrackPoint);
SimRecordRegistration oCompleteRecord(kPidTransferComplete, &vReceiveTransferComplete);

} // namespace
