#pragma once
// Data sets for the transfer tests: built here, saved as .VKD files that the
// simulator serves or the program uploads, and read back for comparison.

#include <cstdio>
#include <string>

#include "files/load_save.h"
#include "store/workspace.h"

namespace e2e {

inline Waypoint oTestWaypoint(const char *pszName, int i) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "Comment %d", i);
    o.lLatitude = 558000000 + 1234567 * i;
    o.lLongitude = -(95000000 + 7654321 * i);
    o.lTime = 1000000000 + 60 * i;
    o.sSymbol = static_cast<int16_t>(i % 2 == 0 ? 9 : 13);
    o.bDisplay = 1;
    o.fAltitude = static_cast<float>(100 + i);
    return o;
}

// Waypoints W01..Wnn (every third with a radius), routes 1 and 3 through them,
// and a track of iTrackPoints points in two segments; times on every point
// but the untimed ones asked for, which come first.
inline void vBuildTestSet(Workspace &w, int iWaypoints = 12, int iTrackPoints = 40,
                          int iUntimed = 0) {
    for (int i = 1; i <= iWaypoints; ++i) {
        char szName[16];
        std::snprintf(szName, sizeof(szName), "W%02d", i);
        Waypoint o = oTestWaypoint(szName, i);
        if (i % 3 == 0) {
            o.fProximity = static_cast<float>(25 * i);
        }
        iAddWaypoint(&w, o);
    }
    for (uint32_t lNumber : {1u, 3u}) {
        Route o{};
        o.lNumber = lNumber;
        std::snprintf(o.szComment, sizeof(o.szComment), "ROUTE %u", lNumber);
        for (int i = 0; i < 4 && i < iWaypoints; ++i) {
            std::snprintf(pszAppendRoutePoint(o), kNameSize, "W%02d",
                          1 + (static_cast<int>(lNumber) * 2 + i) % iWaypoints);
        }
        iAddRoute(&w, o);
    }
    for (int i = 0; i < iTrackPoints; ++i) {
        TrackPoint o{};
        // Past 15,000 points the latitude starts again, rather than overflow.
        o.lLatitude = static_cast<int32_t>(560000000 + 100000LL * (i % 15000));
        o.lLongitude = 90000000 - 50000 * i;
        o.lTime = i < iUntimed ? 0 : 1100000000 + 15 * i;
        o.fAltitude = static_cast<float>(200 + i);
        o.fNewSegment = (i == 0 || i == iTrackPoints / 2) ? 1 : 0;
        iAddTrackPoint(&w, o);
    }
}

inline bool fSave(Workspace &w, const std::string &sPath) {
    return iSaveFile(&w, sPath.c_str(), 7) == 1;
}

inline bool fLoad(Workspace &w, const std::string &sPath) {
    return iLoadFile(&w, sPath.c_str()) == 1;
}

} // namespace e2e
