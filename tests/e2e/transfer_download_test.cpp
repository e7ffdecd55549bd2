// Downloads from the simulated receiver, for each kind of unit: what the unit
// serves arrives in the store and the file, whatever record formats it speaks.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/store_points.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

struct UnitKind {
    const char *pszName;
    std::vector<std::string> asSimArgs;
    bool fWaypointTime;  // the waypoint format carries a time
    bool fProximity;     // the unit has proximity waypoints
    bool fRouteComment;  // route headers carry a comment
    bool fTrackAltitude; // track points carry an altitude
    bool fRouteSymbol;   // route waypoints (which replace stored ones) carry the symbol
    bool fRouteTime;     // and the time
    bool fRoutes = true; // the unit has routes
};

void PrintTo(const UnitKind &k, std::ostream *pOut) {
    *pOut << k.pszName;
}

const std::vector<UnitKind> &aUnitKinds() {
    static const std::vector<UnitKind> a = {
        {"legacy73", {"--profile", "legacy73"}, true, false, true, false, false, true},
        {"legacy77", {"--profile", "legacy77"}, true, false, true, false, false, true},
        // A unit of the product table with proximity waypoints (D403).
        {"legacy87",
         {"--profile", "legacy77", "--product-id", "87", "--software-version", "400"},
         true,
         true,
         true,
         false,
         false,
         true},
        {"a300", {"--profile", "a300"}, false, false, true, false, true, false},
        {"a301", {"--profile", "a301"}, false, false, true, true, true, false},
        {"d110_a302",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D110,A200,D200,D109,A302,D312,D302,A400,D403"},
         true,
         true,
         false,
         true,
         true,
         false},
        {"etrexhc", {"--profile", "etrexhc"}, true, false, true, true, true, true},
        {"forerunner", {"--profile", "forerunner"}, true, false, false, true, false, false, false},
        {"d155_d400",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D155,A200,D201,D155,A300,D301,A400,D400"},
         true,
         true,
         true,
         true,
         true,
         true},
    };
    return a;
}

class TransferDownload : public ::testing::TestWithParam<UnitKind> {
  protected:
    TempFolder oDir;
    SimProcess oSim;
    Workspace oServed;

    void SetUp() override {
        vBuildTestSet(oServed);
        ASSERT_TRUE(fSave(oServed, oDir.sPath("served.vkd")));
        std::vector<std::string> as = GetParam().asSimArgs;
        as.insert(as.end(), {"--data", oDir.sPath("served.vkd")});
        ASSERT_EQ(oSim.iStart(as), 1);
    }

    ProcessResult oRun(const std::vector<std::string> &asArgs) {
        std::vector<std::string> as = {QUILLOX_EXE, "/c", oSim.sPort()};
        as.insert(as.end(), asArgs.begin(), asArgs.end());
        return oRunProcess(as, 60.0, oDir.sFolder());
    }
};

TEST_P(TransferDownload, EverythingArrivesAsServed) {
    const UnitKind &k = GetParam();
    ProcessResult r = oRun({"/d", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    EXPECT_EQ(r.sErr, "");
    EXPECT_NE(r.sOut.find("Downloading Waypoints (Total count: 12)"), std::string::npos);
    EXPECT_EQ(r.sOut.find("Downloading Proximity Waypoints (Total count: 4)") != std::string::npos,
              k.fProximity);
    // An A201 unit sends a link between each two points of a route.
    const char *pszRouteLine = k.asSimArgs[1] == "etrexhc"
                                   ? "Downloading Route Points (Total count: 16)"
                                   : "Downloading Route Points (Total count: 10)";
    EXPECT_EQ(r.sOut.find(pszRouteLine) != std::string::npos, k.fRoutes);
    EXPECT_NE(r.sOut.find("Downloading Track Points"), std::string::npos);

    Workspace w;
    ASSERT_TRUE(fLoad(w, oDir.sPath("got.vkd")));
    const DataStore &oGot = *w.pStore;
    const DataStore &oWant = *oServed.pStore;
    ASSERT_EQ(oGot.pWaypoints.size(), oWant.pWaypoints.size());
    for (const auto &[sName, oWanted] : oWant.pWaypoints) {
        SCOPED_TRACE(sName);
        const Waypoint *p = pFindWaypoint(&w, oWanted.szName);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->lLatitude, oWanted.lLatitude);
        EXPECT_EQ(p->lLongitude, oWanted.lLongitude);
        EXPECT_STREQ(p->szComment, oWanted.szComment);
        // Route waypoints arrive after the waypoints and replace them.
        bool fOnRoute = false;
        for (const auto &[lNumber, oRoute] : k.fRoutes ? oWant.pRoutes : RouteList{}) {
            for (uint32_t i = 0; i < oRoute.aszPoints.size(); ++i) {
                fOnRoute = fOnRoute || std::strcmp(oRoute.aszPoints[i], oWanted.szName) == 0;
            }
        }
        const bool fTime = fOnRoute ? k.fRouteTime : k.fWaypointTime;
        EXPECT_EQ(p->lTime, fTime ? oWanted.lTime : 0);
        // A proximity waypoint that a route point brings back unchanged (same
        // position, time and comment) keeps its own record, symbol included.
        const bool fKept = k.fProximity && k.fRouteTime && oWanted.fProximity != 0.0f;
        EXPECT_EQ(p->sSymbol, !fOnRoute || k.fRouteSymbol || fKept ? oWanted.sSymbol : 0);
        if (k.fProximity) {
            EXPECT_EQ(p->fProximity, oWanted.fProximity);
        }
    }
    ASSERT_EQ(oGot.pRoutes.size(), k.fRoutes ? 2u : 0u);
    // Units with route names (A201) number their routes in the order they come.
    auto itRoute = oGot.pRoutes.begin();
    for (const auto &[lNumber, oWanted] : k.fRoutes ? oWant.pRoutes : RouteList{}) {
        const Route &oRoute = itRoute++->second;
        ASSERT_EQ(oRoute.aszPoints.size(), oWanted.aszPoints.size());
        for (uint32_t i = 0; i < oRoute.aszPoints.size(); ++i) {
            EXPECT_STREQ(oRoute.aszPoints[i], oWanted.aszPoints[i]);
        }
        EXPECT_STREQ(oRoute.szComment, k.fRouteComment ? oWanted.szComment : "");
    }
    ASSERT_EQ(aTrackPoints(oGot).size(), aTrackPoints(oWant).size());
    auto itGot = aTrackPoints(oGot).begin();
    for (const TrackPoint &oWanted : aTrackPoints(oWant)) {
        EXPECT_EQ(itGot->lLatitude, oWanted.lLatitude);
        EXPECT_EQ(itGot->lLongitude, oWanted.lLongitude);
        EXPECT_EQ(itGot->lTime, oWanted.lTime);
        EXPECT_EQ(itGot->fNewSegment, oWanted.fNewSegment);
        EXPECT_EQ(itGot->fAltitude, k.fTrackAltitude ? oWanted.fAltitude : -777.0f);
        ++itGot;
    }
}

TEST_P(TransferDownload, SingleKindsOnly) {
    ProcessResult r = oRun({"/drt", "got.vkd"});
    if (!GetParam().fRoutes) {
        // Named, what the unit lacks is a failed step; the rest still arrives.
        EXPECT_EQ(r.iExitStatus, 1);
        EXPECT_EQ(r.sErr, "quillox: route download: the unit 'SIM FORERUNNER Software Version "
                          "2.50' has no A200 or A201 (routes)\n");
        Workspace w;
        ASSERT_TRUE(fLoad(w, oDir.sPath("got.vkd")));
        EXPECT_EQ(aTrackPoints(*w.pStore).size(), 40u);
        // Each 311 header starts a track; the sensor values come with the points.
        ASSERT_EQ(w.pStore->aTracks.size(), 2u);
        ASSERT_EQ(w.pStore->aTracks[1].aSensors.size(), w.pStore->aTracks[1].aPoints.size());
        EXPECT_EQ(w.pStore->aTracks[0].aSensors.at(1).bHeartRate, 111);
        EXPECT_EQ(w.pStore->aTracks[0].aSensors.at(1).bCadence, 81);
        return;
    }
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(r.sOut.find("Downloading Waypoints"), std::string::npos);
    Workspace w;
    ASSERT_TRUE(fLoad(w, oDir.sPath("got.vkd")));
    // Route points land in the waypoint list too.
    EXPECT_EQ(w.pStore->pWaypoints.size(), 8u);
    EXPECT_EQ(w.pStore->pRoutes.size(), 2u);
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 40u);
}

INSTANTIATE_TEST_SUITE_P(Units, TransferDownload, ::testing::ValuesIn(aUnitKinds()),
                         [](const auto &oInfo) { return std::string(oInfo.param.pszName); });

} // namespace
