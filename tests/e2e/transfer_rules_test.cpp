// Rules of the downloads that show at the user's end: the untimed-points
// switch, the progress bar, routes longer than a route holds, route points
// that are the unit's own waypoints, and a long track.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/store_points.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

class TransferRules : public ::testing::Test {
  protected:
    TempFolder oDir;
    SimProcess oSim;

    void vServe(Workspace &w, std::vector<std::string> asArgs) {
        ASSERT_TRUE(fSave(w, oDir.sPath("served.vkd")));
        asArgs.insert(asArgs.end(), {"--data", oDir.sPath("served.vkd")});
        ASSERT_EQ(oSim.iStart(asArgs), 1);
    }
    ProcessResult oRun(const std::vector<std::string> &asArgs, double dTimeout = 60.0) {
        std::vector<std::string> as = {QUILLOX_EXE, "/c", oSim.sPort()};
        as.insert(as.end(), asArgs.begin(), asArgs.end());
        return oRunProcess(as, dTimeout, oDir.sFolder());
    }
    Workspace &oGot() {
        oLoaded.pStore = std::make_unique<DataStore>();
        fLoad(oLoaded, oDir.sPath("got.vkd"));
        return oLoaded;
    }
    Workspace oLoaded;
};

TEST_F(TransferRules, UntimedTrackPointsAreLeftOutOnlyWithTheSwitch) {
    Workspace w;
    vBuildTestSet(w, 2, 40, 5);
    vServe(w, {"--profile", "a301"});
    ProcessResult r = oRun({"/dt", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(aTrackPoints(*oGot().pStore).size(), 40u);
    // A fresh unit: the last one may still be resending its final frame, whose
    // acknowledgement the closing program discarded.
    oSim.sStop();
    ASSERT_EQ(oSim.iStart({"--profile", "a301", "--data", oDir.sPath("served.vkd")}), 1);
    r = oRun({"/g", "/dt", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(r.sErr, "");
    EXPECT_EQ(aTrackPoints(*oGot().pStore).size(), 35u);
}

TEST_F(TransferRules, ProgressBarOfThreeRecords) {
    Workspace w;
    vBuildTestSet(w, 3, 0);
    vServe(w, {"--profile", "a300"});
    ProcessResult r = oRun({"/dw", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    const std::string sBar =
        "Downloading Waypoints (Total count: 3)\n"
        "   0%    10%    20%    30%    40%    50%    60%    70%    80%    90%    100%\n"
        "   |      |      |      |      |      |      |      |      |      |      |\n"
        "   [" +
        std::string(70, '#') + "]\n\nSave data to got.vkd\n";
    EXPECT_NE(r.sOut.find(sBar), std::string::npos) << r.sOut;
}

TEST_F(TransferRules, AnEmptyTransferLeavesAnOpenBar) {
    Workspace w;
    vBuildTestSet(w, 3, 0);
    vServe(w, {"--profile", "a300"});
    ProcessResult r = oRun({"/dt", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("Downloading Track Points (Total count: 0)\n"), std::string::npos);
    EXPECT_NE(r.sOut.find("   [\nSave data"), std::string::npos) << r.sOut;
}

TEST_F(TransferRules, ARouteKeepsEveryPoint) {
    Workspace w;
    vBuildTestSet(w);
    vServe(w, {"--profile", "a300", "--repeat-route-points", "8"});
    ProcessResult r = oRun({"/dr", "got.vkd"});
    EXPECT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(r.sErr, "");
    const Workspace &oResult = oGot();
    ASSERT_EQ(oResult.pStore->pRoutes.size(), 2u);
    for (const auto &[lNumber, oRoute] : oResult.pStore->pRoutes) {
        const Route &oServed = w.pStore->pRoutes.at(lNumber);
        ASSERT_EQ(oRoute.aszPoints.size(), oServed.aszPoints.size() * 8);
        for (uint32_t i = 0; i < oRoute.aszPoints.size(); ++i) {
            EXPECT_STREQ(oRoute.aszPoints[i], oServed.aszPoints[i % oServed.aszPoints.size()]);
        }
    }
}

TEST_F(TransferRules, RoutePointsThatAreTheUnitsOwnKeepTheirNames) {
    Workspace w;
    vBuildTestSet(w);
    vServe(w, {"--profile", "a301", "--foreign-route-points"});
    ProcessResult r = oRun({"/dr", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    const Workspace &oResult = oGot();
    // The route names its points; the unit's own waypoints are not stored.
    EXPECT_TRUE(oResult.pStore->pWaypoints.empty());
    const Route &oRoute = oResult.pStore->pRoutes.at(1);
    const Route &oServed = w.pStore->pRoutes.at(1);
    ASSERT_EQ(oRoute.aszPoints.size(), oServed.aszPoints.size());
    for (uint32_t i = 0; i < oRoute.aszPoints.size(); ++i) {
        EXPECT_STREQ(oRoute.aszPoints[i], oServed.aszPoints[i]);
    }
}

TEST_F(TransferRules, TenThousandTrackPoints) {
    ASSERT_EQ(oSim.iStart({"--profile", "a301", "--track-points", "10000"}), 1);
    ProcessResult r = oRun({"/dt", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("Downloading Track Points (Total count: 10001)"), std::string::npos);
    const Workspace &oResult = oGot();
    EXPECT_EQ(aTrackPoints(*oResult.pStore).size(), 10000u);
    int iSegments = 0;
    for (const TrackPoint &o : aTrackPoints(*oResult.pStore)) {
        iSegments += o.fNewSegment != 0 ? 1 : 0;
    }
    EXPECT_EQ(iSegments, 2);
}

TEST_F(TransferRules, AnOldUnitOfTheProductTableGivesItsProximityWaypoints) {
    // Product 77 before version 3.01 sends no capability array; the product
    // table gives it proximity waypoints in D400, which carry a radius but no
    // symbol.
    Workspace w;
    vBuildTestSet(w);
    vServe(w, {"--profile", "legacy77", "--software-version", "300"});
    ProcessResult r = oRun({"/dp", "got.vkd"}, 30.0);
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(r.sErr, "");
    EXPECT_NE(r.sOut.find("Downloading Proximity Waypoints (Total count: 4)"), std::string::npos);
    const Workspace &oResult = oGot();
    ASSERT_EQ(oResult.pStore->pWaypoints.size(), 4u);
    for (const auto &[sName, oWaypoint] : oResult.pStore->pWaypoints) {
        const Waypoint *pServed = pFindWaypoint(&w, oWaypoint.szName);
        ASSERT_NE(pServed, nullptr) << sName;
        EXPECT_EQ(oWaypoint.fProximity, pServed->fProximity) << sName;
        EXPECT_EQ(oWaypoint.lLatitude, pServed->lLatitude) << sName;
    }
}

TEST_F(TransferRules, ProtocolChannelTracesTheTransfer) {
    Workspace w;
    vBuildTestSet(w, 12, 3);
    vServe(w, {"--profile", "a300"});
    ProcessResult r = oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/d", "got.vkd"}, 60.0,
                                  oDir.sFolder(), {"ORVENSTA_DEBUG=protocol"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    for (const char *psz : {"   Begin Of Transfer Block read for 12 entries\n",
                            "   End Of Transfer Block read for data type 07\n",
                            "   Route Header Block read: route=3  comment=ROUTE 3\n",
                            "   Route Waypoint read: Name=W08\n",
                            "   End Of Transfer Block read for data type 06\n"}) {
        EXPECT_NE(r.sOut.find(psz), std::string::npos) << psz;
    }
    const std::regex oWaypoint("   Waypoint read: Name=W01  Lat=[0-9.]+  Lon=-[0-9.]+  Time=[^ ]+ "
                               "[^ ]+  Comment=Comment 1  Radius=0.000000  Icon=13  "
                               "DisplayMode=1  Color=255  Altitude=101.000000\n");
    EXPECT_TRUE(std::regex_search(r.sOut, oWaypoint)) << r.sOut.substr(0, 3000);
    EXPECT_NE(r.sOut.find("   Track Waypoint read: Lat="), std::string::npos);
}

TEST_F(TransferRules, ATrackDownloadGoesOnPastAStrayRecordAndReportsIt) {
    Workspace w;
    vBuildTestSet(w, 2, 40);
    // Record 11 of 41 (the header comes first) is the tenth point.
    vServe(w, {"--profile", "a301", "--stray-track-record", "11"});
    ProcessResult r = oRun({"/dt", "got.vkd"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: track download: 1 of 41 records could not be read\n");
    EXPECT_NE(r.sOut.find("   [" + std::string(70, '#') + "]\n"), std::string::npos);
    EXPECT_EQ(aTrackPoints(*oGot().pStore).size(), 39u);
}

} // namespace
