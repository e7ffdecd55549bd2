#include "store/data_store.h"

#include <cstring>
#include <iterator>
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
void vNoteImported(DataStore &oStore, const std::string &sName) {
    if (oStore.pImportTally == nullptr) {
        return;
    }
    try {
        oStore.pImportTally->aNames.insert(sName);
    } catch (const std::bad_alloc &) {
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
                if (pStore->pImportTally != nullptr &&
                    (oStored.lLatitude != oWaypoint.lLatitude ||
                     oStored.lLongitude != oWaypoint.lLongitude) &&
                    pStore->pImportTally->aNames.count(it->first) != 0) {
                    ++pStore->pImportTally->nReplaced;
                }
                oStored = oWaypoint;
            }
            vNoteImported(*pStore, it->first);
            return 1;
        }
        it = pStore->pWaypoints.emplace_hint(it, std::string(svName), oWaypoint);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    ++pStore->lWaypointCount;
    vNoteImported(*pStore, it->first);
    return 1;
}

int iAddRoute(Workspace *pWorkspace, Route &oRoute) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    vTrimField(oRoute.szComment, sizeof(oRoute.szComment));
    // A route holds at most thirty names; a larger count would read past them.
    if (oRoute.lPointCount > kMaxRoutePoints) {
        oRoute.lPointCount = kMaxRoutePoints;
    }
    for (uint32_t i = 0; i < oRoute.lPointCount; ++i) {
        vTrimField(oRoute.aszPoints[i], sizeof(oRoute.aszPoints[i]));
    }
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

int iAddTrackPoint(Workspace *pWorkspace, const TrackPoint &oPoint) {
    DataStore *pStore = pStoreOf(pWorkspace);
    if (pStore == nullptr) {
        return 0;
    }
    try {
        TrackPointList &aPoints = pStore->pTrackPoints;
        if (oPoint.lTime == 0) {
            // Untimed points go after the untimed ones already stored.
            aPoints.insert(oPoint);
        } else if (aPoints.empty() || std::prev(aPoints.end())->lTime < oPoint.lTime) {
            // A track arrives in time order: a point later than every stored
            // one goes at the end without a search down the tree.
            aPoints.insert(aPoints.end(), oPoint);
        } else {
            // A timed point goes in front of the stored points of the same time;
            // the hint places it just before the first of them.
            aPoints.insert(aPoints.lower_bound(oPoint), oPoint);
        }
    } catch (const std::bad_alloc &) {
        return 0;
    }
    ++pStore->lTrackPointCount;
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
