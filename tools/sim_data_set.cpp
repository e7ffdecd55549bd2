#include "tools/sim_data_set.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/load_save.h"
#include "geo/units.h"
#include "store/data_store.h"
#include "tools/sim_receiver.h"

namespace {

enum class DataChoice { kDemo, kFile, kEmpty };

DataChoice eChoice = DataChoice::kDemo;
std::string sDataFile;
std::string sUploadTo;
int iDemoTrackPoints = 300;
bool fServedDataReady = false;

// 00:00:00 on 1 June 2024 in receiver seconds (since 31 December 1989).
constexpr int32_t kDemoStart = 1086134400;

int iTakeData(SimReceiver &, const char *pszValue) {
    eChoice = DataChoice::kFile;
    sDataFile = pszValue;
    return 1;
}
int iTakeEmpty(SimReceiver &, const char *) {
    eChoice = DataChoice::kEmpty;
    return 1;
}
int iTakeUploadFile(SimReceiver &, const char *pszValue) {
    sUploadTo = pszValue;
    return 1;
}
int iTakeTrackPoints(SimReceiver &, const char *pszValue) {
    char *pszEnd = nullptr;
    const long l = std::strtol(pszValue, &pszEnd, 10);
    if (pszEnd == pszValue || *pszEnd != '\0' || l < 0 || l > 65535) {
        return 0;
    }
    iDemoTrackPoints = static_cast<int>(l);
    return 1;
}

SimOptionRegistration oDataOption("--data", 1, "FILE  serve the records of a .VKD file",
                                  &iTakeData);
SimOptionRegistration oEmptyOption("--empty", 0, " serve no records at all", &iTakeEmpty);
SimOptionRegistration oUploadOption("--upload-to", 1,
                                    "FILE  write the records a host uploads to a .VKD file",
                                    &iTakeUploadFile);
SimOptionRegistration oTrackOption("--track-points", 1,
                                   "N  points of the demo set's track (default 300)",
                                   &iTakeTrackPoints);

void vSetText(char *pszField, size_t nSize, const char *pszText) {
    std::snprintf(pszField, nSize, "%s", pszText);
}

// Six-character names, so that every waypoint format carries them whole.
constexpr const char *kapszNames[] = {
    "HARBOR", "CHURCH", "BRIDGE", "MILL",   "TOWER",  "INN",   "FERRY", "CAMP",   "SUMMIT",
    "LAKE",   "FOREST", "CASTLE", "FARM",   "SPRING", "CAVE",  "PASS",  "HUT",    "CHAPEL",
    "BEACH",  "DAM",    "WELL",   "GATE",   "MARKET", "STONE", "RIDGE", "VALLEY", "MEADOW",
    "CLIFF",  "PIER",   "ORCHRD", "QUARRY", "MINE",   "ABBEY", "FORT",  "FALLS",  "LOCK",
};
// Stored symbols that every symbol-carrying format returns unchanged.
constexpr int16_t kasSymbols[] = {0, 1, 3, 4, 6, 7, 9, 10, 11, 12, 13, 14};

int32_t lAt(double dDegrees) {
    return lDegreesToSemicircles(dDegrees);
}

} // namespace

void vBuildDemoSet(Workspace &w, int iTrackPoints) {
    constexpr double kdLat = 46.80, kdLon = 8.20;
    const int iNames = static_cast<int>(sizeof(kapszNames) / sizeof(kapszNames[0]));
    for (int i = 0; i < iNames; ++i) {
        Waypoint o = oEmptyWaypoint();
        vSetText(o.szName, sizeof(o.szName), kapszNames[i]);
        char szComment[40];
        std::snprintf(szComment, sizeof(szComment), "Demo point %d", i + 1);
        vSetText(o.szComment, sizeof(o.szComment), szComment);
        const double dAngle = i * 0.35;
        o.lLatitude = lAt(kdLat + 0.01 * i * std::sin(dAngle) / 3.0);
        o.lLongitude = lAt(kdLon + 0.01 * i * std::cos(dAngle) / 3.0);
        o.lTime = kDemoStart + 600 * i;
        o.sSymbol = kasSymbols[i % (sizeof(kasSymbols) / sizeof(kasSymbols[0]))];
        o.bDisplay = static_cast<uint8_t>(i % 3);
        o.bColor = 255;
        o.fAltitude = static_cast<float>(430 + 25 * i);
        if (i % 6 == 2) {
            o.fProximity = static_cast<float>(100 * (1 + i / 6));
        }
        iAddWaypoint(&w, o);
    }
    const int aaiRoutes[2][8] = {{0, 2, 3, 5, 9, 18, 19, 28}, {10, 8, 15, 16, 24, -1, -1, -1}};
    const char *apszComments[2] = {"LAKE SHORE", "OVER THE PASS"};
    for (int r = 0; r < 2; ++r) {
        Route o{};
        o.lNumber = static_cast<uint32_t>(r + 1);
        vSetText(o.szComment, sizeof(o.szComment), apszComments[r]);
        for (int iIndex : aaiRoutes[r]) {
            if (iIndex >= 0) {
                vSetText(pszAppendRoutePoint(o), kNameSize, kapszNames[iIndex]);
            }
        }
        iAddRoute(&w, o);
    }
    // Two segments: a morning walk and, after a break, the way back.
    const int iFirstSegment = iTrackPoints * 3 / 5;
    for (int i = 0; i < iTrackPoints; ++i) {
        TrackPoint o{};
        const bool fSecond = i >= iFirstSegment;
        const double dT = i * 0.02;
        o.lLatitude = lAt(kdLat + 0.0004 * i * (fSecond ? -0.5 : 1.0) + 0.001 * std::sin(dT));
        o.lLongitude = lAt(kdLon + 0.0003 * i + 0.001 * std::cos(dT * 1.3));
        o.lTime = kDemoStart + 8 * 3600 + 10 * i + (fSecond ? 1800 : 0);
        o.fAltitude = static_cast<float>(std::round(450.0 + 80.0 * std::sin(dT / 2.0)));
        o.fNewSegment = (i == 0 || i == iFirstSegment) ? 1 : 0;
        iAddTrackPoint(&w, o);
    }
}

void vEnsureServedData(SimReceiver &oReceiver) {
    if (fServedDataReady) {
        return;
    }
    fServedDataReady = true;
    switch (eChoice) {
    case DataChoice::kDemo:
        vBuildDemoSet(oReceiver.oWorkspace, iDemoTrackPoints);
        break;
    case DataChoice::kFile:
        if (!iLoadFile(&oReceiver.oWorkspace, sDataFile.c_str())) {
            std::fprintf(stderr, "quillox-sim: cannot read %s; serving what was read\n",
                         sDataFile.c_str());
        }
        break;
    case DataChoice::kEmpty:
        break;
    }
}

const std::string &sUploadFile() {
    return sUploadTo;
}
