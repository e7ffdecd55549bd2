#include "store/data_store.h"

#include <cstring>
#include <new>

#include "store/workspace.h"

namespace {

DataStore *pStoreOf(const Workspace *pWorkspace) {
    return pWorkspace != nullptr ? pWorkspace->pStore.get() : nullptr;
}

size_t nFieldLength(const char *pszField, size_t nSize) {
    const void *pEnd = std::memchr(pszField, '\0', nSize);
    return pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - pszField)
                           : nSize;
}

// Where memory runs out for the tally, a replacement may go uncounted; the
// waypoint is stored all the same.
void vNoteImported(DataStore &oStore, const Waypoint &oStored) {
    ImportTally *p = oStore.pImportTally;
    if (p == nullptr) {
        return;
    }
    try {
        if (p->fIndexed) {
            p->aIndex.insert(&oStored);
        } else {
            p->apStored.push_back(&oStored);
        }
    } catch (const std::bad_alloc &) {
    }
}

// True when the running import stored the record.
bool fStoredByThisImport(ImportTally &o, const Waypoint &oStored) {
    if (!o.fIndexed) {
        try {
            o.aIndex.insert(o.apStored.begin(), o.apStored.end());
        } catch (const std::bad_alloc &) {
            return false;
        }
        o.apStored = std::vector<const Waypoint *>();
        o.fIndexed = true;
    }
    return o.aIndex.count(&oStored) != 0;
}

void vKeepRoutePlaces(DataStore &oStore, const Waypoint &oPlace) {
    for (auto &[lNumber, oRoute] : oStore.pRoutes) {
        for (uint32_t k = 0; k < oRoute.aszPoints.size(); ++k) {
            if (std::strcmp(oRoute.aszPoints[k].sz, oPlace.szName) == 0 &&
                oRoute.aOwnPlaces.count(k) == 0) {
                oRoute.aOwnPlaces.emplace(k, oPlace);
            }
        }
    }
}

} // namespace

Waypoint oEmptyWaypoint() {
    Waypoint oWaypoint{};
    oWaypoint.bColor = 255;
    return oWaypoint;
}

void vTrimField(char *pszField, size_t nSize) {
    if (pszField == nullptr || nSize == 0) {
        return;
    }
    // A field without a terminator loses its last byte to the terminator.
    size_t nLength = nFieldLength(pszField, nSize);
    if (nLength == nSize) {
        nLength = nSize - 1;
    }
    size_t nRead = 0;
    while (nRead < nLength &&
           (pszField[nRead] == ' ' || pszField[nRead] == '\r' || pszField[nRead] == '\n')) {
        ++nRead;
    }
    size_t nWrite = 0;
    for (; nRead < nLength; ++nRead) {
        char c = pszField[nRead];
        if (c != '\r' && c != '\n') {
            pszField[nWrite++] = c;
        }
    }
    while (nWrite > 0 && pszField[nWrite - 1] == ' ') {
        --nWrite;
    }
    pszField[nWrite] = '\0';
}

int iAddWaypoint(Workspace *pWorkspace, Waypoint &oWaypoint) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    vTrimField(oWaypoint.szName, sizeof(oWaypoint.szName));
    vTrimField(oWaypoint.szComment, sizeof(oWaypoint.szComment));
    std::string_view svName(oWaypoint.szName);
    WaypointList::iterator it;
    try {
        it = pStore->pWaypoints.lower_bound(svName);
        if (it != pStore->pWaypoints.end() && it->first == svName) {
            Waypoint &oStored = it->second;
            // A proximity waypoint that arrives again unchanged keeps its own
            // radius: receivers resend proximity waypoints without it.
            bool fSameProximity =
                oStored.fProximity != 0.0f && oStored.lLatitude == oWaypoint.lLatitude &&
                oStored.lLongitude == oWaypoint.lLongitude && oStored.lTime == oWaypoint.lTime &&
                std::strcmp(oStored.szComment, oWaypoint.szComment) == 0;
            if (!fSameProximity) {
                const bool fMoved = oStored.lLatitude != oWaypoint.lLatitude ||
                                    oStored.lLongitude != oWaypoint.lLongitude;
                if (pStore->pImportTally != nullptr && fMoved &&
                    fStoredByThisImport(*pStore->pImportTally, oStored)) {
                    ++pStore->pImportTally->nReplaced;
                }
                // The routes a route point came with keep passing where it was.
                if (fMoved && oStored.fRouteOnly != 0) {
                    vKeepRoutePlaces(*pStore, oStored);
                }
                oStored = oWaypoint;
            }
            vNoteImported(*pStore, oStored);
            return 1;
        }
        it = pStore->pWaypoints.emplace_hint(it, std::string(svName), oWaypoint);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    ++pStore->lWaypointCount;
    vNoteImported(*pStore, it->second);
    return 1;
}

int iAddRoute(Workspace *pWorkspace, Route &oRoute) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    vTrimField(oRoute.szComment, sizeof(oRoute.szComment));
    for (RoutePointName &oName : oRoute.aszPoints) {
        vTrimField(oName.sz, sizeof(oName.sz));
    }
    // Own places past the last point belong to no point.
    oRoute.aOwnPlaces.erase(
        oRoute.aOwnPlaces.lower_bound(static_cast<uint32_t>(oRoute.aszPoints.size())),
        oRoute.aOwnPlaces.end());
    try {
        auto [it, fInserted] = pStore->pRoutes.try_emplace(oRoute.lNumber, oRoute);
        if (!fInserted) {
            it->second = oRoute;
            return 1;
        }
    } catch (const std::bad_alloc &) {
        return 0;
    }
    ++pStore->lRouteCount;
    return 1;
}

char *pszAppendRoutePoint(Route &oRoute) {
    try {
        return oRoute.aszPoints.emplace_back(RoutePointName{}).sz;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

int iAddRoutePoint(Workspace *pWorkspace, Route &oRoute, Waypoint &oPlace, bool fRouteOnly) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    vTrimField(oPlace.szName, sizeof(oPlace.szName));
    vTrimField(oPlace.szComment, sizeof(oPlace.szComment));
    char *pszName = pszAppendRoutePoint(oRoute);
    if (pszName == nullptr) {
        return 0;
    }
    std::memcpy(pszName, oPlace.szName, kNameSize);
    auto it = pStore->pWaypoints.find(std::string_view(oPlace.szName));
    if (it == pStore->pWaypoints.end()) {
        oPlace.fRouteOnly = fRouteOnly ? 1 : 0;
        return iAddWaypoint(pWorkspace, oPlace);
    }
    const Waypoint &oStored = it->second;
    if (oStored.lLatitude == oPlace.lLatitude && oStored.lLongitude == oPlace.lLongitude) {
        // A waypoint that arrived on its own stays one.
        oPlace.fRouteOnly = fRouteOnly && oStored.fRouteOnly != 0 ? 1 : 0;
        return iAddWaypoint(pWorkspace, oPlace);
    }
    try {
        oPlace.fRouteOnly = 1;
        oRoute.aOwnPlaces[static_cast<uint32_t>(oRoute.aszPoints.size() - 1)] = oPlace;
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}

const Waypoint *pRoutePlace(const Workspace *pWorkspace, const Route &oRoute, uint32_t nPoint) {
    if (nPoint >= oRoute.aszPoints.size()) {
        return nullptr;
    }
    if (!oRoute.aOwnPlaces.empty()) {
        auto it = oRoute.aOwnPlaces.find(nPoint);
        if (it != oRoute.aOwnPlaces.end()) {
            return &it->second;
        }
    }
    return pFindWaypoint(pWorkspace, oRoute.aszPoints[nPoint]);
}

int iAddTrackPoint(Workspace *pWorkspace, const TrackPoint &oPoint) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    try {
        if (pStore->lByTimeTrack < 0) {
            pStore->aTracks.emplace_back().fByTime = true;
            pStore->lByTimeTrack = static_cast<int32_t>(pStore->aTracks.size() - 1);
        }
        pStore->aTracks[static_cast<size_t>(pStore->lByTimeTrack)].aPoints.vInsertByTime(oPoint);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    ++pStore->lTrackPointCount;
    return 1;
}

int32_t lAddTrack(Workspace *pWorkspace, std::string_view svName, uint8_t bColor) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return -1;
    }
    try {
        Track &oTrack = pStore->aTracks.emplace_back();
        oTrack.sName.assign(svName.substr(0, kTrackNameSize));
        oTrack.bColor = bColor;
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return static_cast<int32_t>(pStore->aTracks.size() - 1);
}

int iAppendTrackPoint(Workspace *pWorkspace, int32_t lTrack, const TrackPoint &oPoint,
                      const TrackSensors *pSensors) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr || lTrack < 0 || static_cast<size_t>(lTrack) >= pStore->aTracks.size()) {
        return 0;
    }
    Track &oTrack = pStore->aTracks[static_cast<size_t>(lTrack)];
    try {
        // The first point with sensor data gives the points before it none.
        if ((pSensors != nullptr && fHasSensors(*pSensors)) || !oTrack.aSensors.empty()) {
            oTrack.aSensors.resize(oTrack.aPoints.size());
            oTrack.aSensors.push_back(pSensors != nullptr ? *pSensors : TrackSensors{});
        }
        oTrack.aPoints.vAppend(oPoint);
    } catch (const std::bad_alloc &) {
        if (oTrack.aSensors.size() > oTrack.aPoints.size()) {
            oTrack.aSensors.pop_back();
        }
        return 0;
    }
    ++pStore->lTrackPointCount;
    return 1;
}

int iCopyTrack(Workspace *pWorkspace, const Track &oTrack) {
    if (oTrack.fByTime) {
        for (const TrackPoint &oPoint : oTrack.aPoints) {
            if (!iAddTrackPoint(pWorkspace, oPoint)) {
                return 0;
            }
        }
        return 1;
    }
    const int32_t lTrack = lAddTrack(pWorkspace, oTrack.sName, oTrack.bColor);
    if (lTrack < 0) {
        return 0;
    }
    size_t n = 0;
    for (const TrackPoint &oPoint : oTrack.aPoints) {
        const TrackSensors *pSensors = n < oTrack.aSensors.size() ? &oTrack.aSensors[n] : nullptr;
        if (!iAppendTrackPoint(pWorkspace, lTrack, oPoint, pSensors)) {
            return 0;
        }
        ++n;
    }
    return 1;
}

const Waypoint *pFindWaypoint(const Workspace *pWorkspace, const char *pszName) {
    const DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr || pszName == nullptr) {
        return nullptr;
    }
    auto it = pStore->pWaypoints.find(std::string_view(pszName));
    return it != pStore->pWaypoints.end() ? &it->second : nullptr;
}

char *pszDuplicateString(const char *pszText) {
    if (pszText == nullptr || pszText[0] == '\0') {
        return nullptr;
    }
    size_t nLength = std::strlen(pszText);
    char *pszCopy = new (std::nothrow) char[nLength + 1];
    if (pszCopy != nullptr) {
        std::memcpy(pszCopy, pszText, nLength + 1);
    }
    return pszCopy;
}
