#pragma once
// Helpers for the GPX tests: records, a store with every field GPX carries,
// and schema validation with xmllint.

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "exchange_test_support.h"
#include "store/workspace.h"

namespace gpx_test {

inline Waypoint oWaypoint(const char *pszName, double dLatitude, double dLongitude) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    o.lLatitude = exchange_test::lSemi(dLatitude);
    o.lLongitude = exchange_test::lSemi(dLongitude);
    o.fAltitude = -777.0f;
    o.sSymbol = 5014; // "Waypoint", what a file without <sym> gives
    return o;
}

inline Route oRoute(uint32_t lNumber, const char *pszComment,
                    std::initializer_list<const char *> aNames) {
    Route o{};
    o.lNumber = lNumber;
    std::snprintf(o.szComment, sizeof(o.szComment), "%s", pszComment);
    for (const char *pszName : aNames) {
        std::snprintf(pszAppendRoutePoint(o), kNameSize, "%s", pszName);
    }
    return o;
}

// Waypoints with every field GPX carries (odd positions, times, altitudes and
// none, names with XML specials and Latin-1 letters, symbols with and without
// names, proximity, the three display modes), two routes and a track of three
// segments with and without times and altitudes.
inline void vFillStore(Workspace &w) {
    const struct {
        const char *pszName;
        const char *pszComment;
        int32_t lLatitude, lLongitude, lTime;
        float fAltitude, fProximity;
        int16_t sSymbol;
        uint8_t bDisplay;
    } aWaypoints[] = {
        {"ALPHA", "", 566797421, 99451823, 0, -777.0f, 0.0f, 5014, 0},
        {"B&<>\"'", "M\xfcnchen \xe9t\xe9 & <co>", -1, 1, 1, 0.0f, 0.0f, 0, 0},
        {"\xc4rger", "x", -1073741824, -2147483647 - 1, 86400 * 365 * 20 + 17, -12.375f, 1234.5f,
         11, 1},
        {"NORTH", "top", 1073741824, 2147483647, 2147483647, 8848.86f, 0.5f, 8255, 2},
        {"NUM", "device number", 123456789, -987654321, 5, 1e-3f, 0.0f, 300, 0},
        {"RPT001", "a point of a route", 400000000, 50000000, 0, 100.0f, 0.0f, 5006, 2},
    };
    for (const auto &a : aWaypoints) {
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "%s", a.pszName);
        std::snprintf(o.szComment, sizeof(o.szComment), "%s", a.pszComment);
        o.lLatitude = a.lLatitude;
        o.lLongitude = a.lLongitude;
        o.lTime = a.lTime;
        o.fAltitude = a.fAltitude;
        o.fProximity = a.fProximity;
        o.sSymbol = a.sSymbol;
        o.bDisplay = a.bDisplay;
        iAddWaypoint(&w, o);
    }
    Route r1 = oRoute(3, "Sunday & more", {"NORTH", "ALPHA", "RPT001", "ALPHA"});
    Route r2 = oRoute(7, "", {"\xc4rger"});
    iAddRoute(&w, r1);
    iAddRoute(&w, r2);
    for (int k = 0; k < 40; ++k) {
        TrackPoint o{};
        o.lLatitude = 555555555 + k * 7777 * (k % 2 ? -1 : 1);
        o.lLongitude = -99999999 - k * 31337;
        o.lTime = k < 3 ? 0 : 500000000 + 10 * k;
        o.fAltitude = k % 4 == 1 ? -777.0f : 400.0f + 0.1f * static_cast<float>(k);
        o.fNewSegment = k == 0 || k == 3 || k == 20;
        iAddTrackPoint(&w, o);
    }
}

// The schema file beside the peer data, read in place.
inline std::string sSchemaPath() {
    return exchange_test::sPeerFile("../schemas/gpx-1.1-with-garmin-extensions.xsd");
}

// Runs xmllint with the GPX 1.1 and Garmin extension schemas; its report in sReport.
inline bool fValidates(const exchange_test::ScratchFolder &oFolder, const std::string &sPath,
                       std::string &sReport) {
    std::string sErr = oFolder.sPath("xmllint.err");
    std::string sCommand =
        "timeout 60 xmllint --noout --schema " + sSchemaPath() + " " + sPath + " 2>" + sErr;
    int iStatus = std::system(sCommand.c_str());
    sReport = exchange_test::sReadFile(sErr);
    return iStatus == 0;
}

} // namespace gpx_test
