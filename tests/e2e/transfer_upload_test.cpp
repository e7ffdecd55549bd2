// Uploads to the simulated receiver: what the program sends arrives at the
// unit, and each upload announces exactly what it sends.
#include <gtest/gtest.h>

#include <algorithm>
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

struct UploadKind {
    const char *pszName;
    std::vector<std::string> asSimArgs;
    bool fProximity;   // the unit takes proximity waypoints
    bool fTrackHeader; // the track upload starts with a header
    bool fTrackUpload; // the unit's track protocol is one the program uploads
    bool fRoutes = true;
};

void PrintTo(const UploadKind &k, std::ostream *pOut) {
    *pOut << k.pszName;
}

const std::vector<UploadKind> &aUploadKinds() {
    static const std::vector<UploadKind> a = {
        {"legacy73", {"--profile", "legacy73"}, false, false, true},
        {"legacy77", {"--profile", "legacy77"}, false, false, true},
        {"legacy87",
         {"--profile", "legacy77", "--product-id", "87", "--software-version", "400"},
         true,
         false,
         true},
        {"a300", {"--profile", "a300"}, false, false, true},
        {"a301", {"--profile", "a301"}, false, true, true},
        {"d109_d403",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D109,A200,D201,D109,A301,D312,D302,A400,D403"},
         true,
         true,
         true},
        {"etrexhc", {"--profile", "etrexhc"}, false, true, true},
        {"forerunner", {"--profile", "forerunner"}, false, false, false, false},
        {"a302",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D110,A200,D200,D108,A302,D312,D302,A400,D151"},
         true,
         false,
         false},
    };
    return a;
}

class TransferUpload : public ::testing::Test {
  protected:
    TempFolder oDir;
    SimProcess oSim;

    void vStartSim(std::vector<std::string> as) {
        as.insert(as.end(), {"--empty", "--upload-to", oDir.sPath("unit.vkd")});
        ASSERT_EQ(oSim.iStart(as), 1);
    }
    ProcessResult oUpload(Workspace &w) {
        EXPECT_TRUE(fSave(w, oDir.sPath("up.vkd")));
        return oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/u", "up.vkd"}, 60.0, oDir.sFolder());
    }
    // Stops the unit, so that it has written what it received, and reads it.
    std::string sReceived(Workspace &w) {
        std::string sErr = oSim.sStop();
        fLoad(w, oDir.sPath("unit.vkd"));
        return sErr;
    }
};

class TransferUploadUnits : public TransferUpload,
                            public ::testing::WithParamInterface<UploadKind> {};

TEST_P(TransferUploadUnits, EverythingArrives) {
    const UploadKind &k = GetParam();
    vStartSim(k.asSimArgs);
    Workspace w;
    vBuildTestSet(w);
    ProcessResult r = oUpload(w);
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    // A unit that takes no tracks gets the rest, and one line says so.
    const std::string sUnit = std::string(k.pszName) == "forerunner"
                                  ? "SIM FORERUNNER Software Version 2.50"
                                  : "SIM A301 Software Version 5.10";
    EXPECT_EQ(r.sErr, k.fTrackUpload ? ""
                                     : "quillox: track upload: the unit '" + sUnit +
                                           "' takes no tracks (A302); its 40 track points were "
                                           "not sent\n");
    EXPECT_NE(r.sOut.find("Uploading Waypoints (Total count: 12)"), std::string::npos);
    // A waypoint with a radius goes out a second time among the proximity waypoints.
    EXPECT_EQ(r.sOut.find("Uploading Proximity Waypoints (Total count: 4)") != std::string::npos,
              k.fProximity);
    // An A201 unit takes a link between each two points.
    EXPECT_EQ(r.sOut.find(k.asSimArgs[1] == "etrexhc"
                              ? "Uploading Route Points (Total count: 16)"
                              : "Uploading Route Points (Total count: 10)") != std::string::npos,
              k.fRoutes);
    EXPECT_EQ(r.sOut.find(k.fTrackHeader
                              ? "Uploading Track Points (Total count: 41)"
                              : "Uploading Track Points (Total count: 40)") != std::string::npos,
              k.fTrackUpload);

    Workspace oUnit;
    const std::string sErr = sReceived(oUnit);
    // The unit complains when an upload announces more records than it sends.
    EXPECT_EQ(sErr.find("announced"), std::string::npos) << sErr;
    const DataStore &oGot = *oUnit.pStore;
    ASSERT_EQ(oGot.pWaypoints.size(), 12u);
    for (const auto &[sName, oWanted] : w.pStore->pWaypoints) {
        const Waypoint *p = pFindWaypoint(&oUnit, oWanted.szName);
        ASSERT_NE(p, nullptr) << sName;
        EXPECT_EQ(p->lLatitude, oWanted.lLatitude);
        EXPECT_EQ(p->lLongitude, oWanted.lLongitude);
        EXPECT_STREQ(p->szComment, oWanted.szComment);
    }
    ASSERT_EQ(oGot.pRoutes.size(), k.fRoutes ? 2u : 0u);
    // A unit with route names (A201) numbers the routes itself, in the order they come.
    auto itRoute = oGot.pRoutes.begin();
    for (const auto &[lNumber, oWanted] : k.fRoutes ? w.pStore->pRoutes : RouteList{}) {
        const Route &oRoute = itRoute++->second;
        if (std::string(k.pszName) != "a302") { // D200 headers carry no comment
            EXPECT_STREQ(oRoute.szComment, oWanted.szComment);
        }
        ASSERT_EQ(oRoute.aszPoints.size(), oWanted.aszPoints.size());
        for (uint32_t i = 0; i < oRoute.aszPoints.size(); ++i) {
            EXPECT_STREQ(oRoute.aszPoints[i], oWanted.aszPoints[i]);
        }
    }
    if (!k.fTrackUpload) {
        EXPECT_TRUE(aTrackPoints(oGot).empty());
        return;
    }
    ASSERT_EQ(aTrackPoints(oGot).size(), 40u);
    auto it = aTrackPoints(oGot).begin();
    for (const TrackPoint &oWanted : aTrackPoints(*w.pStore)) {
        EXPECT_EQ(it->lLatitude, oWanted.lLatitude);
        EXPECT_EQ(it->lTime, oWanted.lTime);
        EXPECT_EQ(it->fNewSegment, oWanted.fNewSegment);
        ++it;
    }
}

INSTANTIATE_TEST_SUITE_P(Units, TransferUploadUnits, ::testing::ValuesIn(aUploadKinds()),
                         [](const auto &oInfo) { return std::string(oInfo.param.pszName); });

TEST_F(TransferUpload, RoutePointsAreLookedUpByNameAndMissingOnesSkipped) {
    vStartSim({"--profile", "a300"});
    Workspace w;
    for (const char *psz : {"ALPHA", "GAMMA"}) {
        Waypoint o = oTestWaypoint(psz, 1);
        iAddWaypoint(&w, o);
    }
    Route o{};
    o.lNumber = 4;
    for (const char *psz : {"ALPHA", "BETA", "GAMMA"}) {
        std::snprintf(pszAppendRoutePoint(o), kNameSize, "%s", psz);
    }
    iAddRoute(&w, o);
    ProcessResult r = oUpload(w);
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    // The header and the two points the store holds; a dot for each of the three names.
    EXPECT_NE(r.sOut.find("Uploading Route Points (Total count: 3)"), std::string::npos);
    EXPECT_NE(r.sOut.find("...\n"), std::string::npos);
    EXPECT_EQ(r.sOut.find("....\n"), std::string::npos);
    // The bar moves at headers only, so it stops at the header's third.
    EXPECT_NE(r.sOut.find("   [" + std::string(23, '#') + "...\n"), std::string::npos) << r.sOut;
    Workspace oUnit;
    EXPECT_EQ(sReceived(oUnit).find("announced"), std::string::npos);
    const Route &oGot = oUnit.pStore->pRoutes.at(4);
    ASSERT_EQ(oGot.aszPoints.size(), 2u);
    EXPECT_STREQ(oGot.aszPoints[0], "ALPHA");
    EXPECT_STREQ(oGot.aszPoints[1], "GAMMA");
}

TEST_F(TransferUpload, LettersAfterUChooseWhatIsSent) {
    vStartSim({"--profile", "a301"});
    Workspace w;
    vBuildTestSet(w);
    ASSERT_TRUE(fSave(w, oDir.sPath("up.vkd")));
    ProcessResult r =
        oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/uw", "up.vkd"}, 60.0, oDir.sFolder());
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("Uploading Waypoints (Total count: 12)"), std::string::npos);
    EXPECT_EQ(r.sOut.find("Uploading Route"), std::string::npos) << r.sOut;
    EXPECT_EQ(r.sOut.find("Uploading Track"), std::string::npos) << r.sOut;
    Workspace oUnit;
    sReceived(oUnit);
    EXPECT_EQ(oUnit.pStore->pWaypoints.size(), 12u);
    EXPECT_TRUE(oUnit.pStore->pRoutes.empty());
    EXPECT_TRUE(aTrackPoints(*oUnit.pStore).empty());
}

TEST_F(TransferUpload, AnEmptyStoreSendsNothing) {
    vStartSim({"--profile", "a301", "--capabilities",
               "P000,L001,A010,A100,D109,A200,D201,D109,A301,D312,D302,A400,D403"});
    Workspace w;
    ProcessResult r = oUpload(w);
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_EQ(r.sOut.find("Uploading"), std::string::npos);
    oSim.sStop();
    EXPECT_FALSE(std::filesystem::exists(oDir.sPath("unit.vkd")));
}

TEST_F(TransferUpload, TrackHeaderWithoutUsableFormatIsNotAnnounced) {
    // Track protocol 301 but no header format: only the points are announced.
    vStartSim({"--profile", "a301", "--capabilities",
               "P000,L001,A010,A100,D108,A200,D201,D108,A301,D301"});
    Workspace w;
    vBuildTestSet(w, 2, 5);
    ProcessResult r = oUpload(w);
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("Uploading Track Points (Total count: 5)"), std::string::npos);
    Workspace oUnit;
    EXPECT_EQ(sReceived(oUnit).find("announced"), std::string::npos);
    EXPECT_EQ(aTrackPoints(*oUnit.pStore).size(), 5u);
}

TEST_F(TransferUpload, AWaypointFormatTheProgramDoesNotKnowSendsNothing) {
    // The unit speaks the waypoint protocol in a record format outside the
    // program's tables: the upload announces nothing and says why.
    vStartSim({"--profile", "a300", "--capabilities", "P000,L001,A010,A100,D105"});
    Workspace w;
    vBuildTestSet(w, 3, 0);
    w.pStore->pRoutes.clear();
    w.pStore->lRouteCount = 0;
    ProcessResult r = oUpload(w);
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: waypoint upload: the receiver's record format D000 is not "
                      "supported; nothing was sent\n");
    EXPECT_EQ(r.sOut.find("Uploading"), std::string::npos);
}

} // namespace
