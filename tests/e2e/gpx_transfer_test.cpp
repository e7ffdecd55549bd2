// A receiver's data through GPX: downloaded straight into a GPX file (the save
// step goes by the extension), and uploaded from it to another unit, which
// then holds what the first one served.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/store_points.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

// A unit of the large symbol set with waypoint times, proximity waypoints and
// track altitudes.
const std::vector<std::string> kasUnit = {
    "--profile", "a301", "--capabilities",
    "P000,L001,A010,A100,D155,A200,D201,D155,A300,D301,A400,D400"};

ProcessResult oRunWith(const SimProcess &oSim, const TempFolder &oDir,
                       const std::vector<std::string> &asArgs) {
    std::vector<std::string> as = {QUILLOX_EXE, "/c", oSim.sPort()};
    as.insert(as.end(), asArgs.begin(), asArgs.end());
    return oRunProcess(as, 60.0, oDir.sFolder());
}

void vExpectSameData(const Workspace &a, const Workspace &b) {
    ASSERT_EQ(a.pStore->pWaypoints.size(), b.pStore->pWaypoints.size());
    for (const auto &[sName, o] : a.pStore->pWaypoints) {
        SCOPED_TRACE(sName);
        const Waypoint *p = pFindWaypoint(&b, o.szName);
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p->szComment, o.szComment);
        EXPECT_EQ(p->lLatitude, o.lLatitude);
        EXPECT_EQ(p->lLongitude, o.lLongitude);
        EXPECT_EQ(p->lTime, o.lTime);
        EXPECT_EQ(p->sSymbol, o.sSymbol);
        EXPECT_EQ(p->bDisplay, o.bDisplay);
        EXPECT_EQ(p->fProximity, o.fProximity);
        EXPECT_EQ(p->fAltitude, o.fAltitude);
    }
    ASSERT_EQ(a.pStore->pRoutes.size(), b.pStore->pRoutes.size());
    for (const auto &[lNumber, o] : a.pStore->pRoutes) {
        const Route &r = b.pStore->pRoutes.at(lNumber);
        ASSERT_EQ(r.aszPoints.size(), o.aszPoints.size());
        for (uint32_t i = 0; i < r.aszPoints.size(); ++i) {
            EXPECT_STREQ(r.aszPoints[i], o.aszPoints[i]);
        }
    }
    ASSERT_EQ(aTrackPoints(*a.pStore).size(), aTrackPoints(*b.pStore).size());
    auto it = aTrackPoints(*b.pStore).begin();
    for (const TrackPoint &o : aTrackPoints(*a.pStore)) {
        EXPECT_EQ(it->lLatitude, o.lLatitude);
        EXPECT_EQ(it->lLongitude, o.lLongitude);
        EXPECT_EQ(it->lTime, o.lTime);
        EXPECT_EQ(it->fAltitude, o.fAltitude);
        EXPECT_EQ(it->fNewSegment, o.fNewSegment);
        ++it;
    }
}

TEST(GpxTransfer, DownloadToGpxAndUploadFromItKeepsTheData) {
    TempFolder oDir;
    Workspace oServed;
    vBuildTestSet(oServed);
    ASSERT_TRUE(fSave(oServed, oDir.sPath("served.vkd")));

    SimProcess oSource;
    std::vector<std::string> as = kasUnit;
    as.insert(as.end(), {"--data", oDir.sPath("served.vkd")});
    ASSERT_EQ(oSource.iStart(as), 1);
    ProcessResult r = oRunWith(oSource, oDir, {"/d", "got.vkd"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    r = oRunWith(oSource, oDir, {"/d", "tour.gpx"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    EXPECT_EQ(r.sErr, "");
    EXPECT_NE(r.sOut.find("Save data to tour.gpx"), std::string::npos) << r.sOut;

    Workspace oGot, oFromGpx;
    ASSERT_TRUE(fLoad(oGot, oDir.sPath("got.vkd")));
    ASSERT_TRUE(fLoad(oFromGpx, oDir.sPath("tour.gpx")));
    ASSERT_EQ(oGot.pStore->pWaypoints.size(), 12u);
    ASSERT_EQ(oGot.pStore->pRoutes.size(), 2u);
    ASSERT_EQ(aTrackPoints(*oGot.pStore).size(), 40u);
    vExpectSameData(oGot, oFromGpx);

    SimProcess oTarget;
    as = kasUnit;
    as.insert(as.end(), {"--empty", "--upload-to", oDir.sPath("unit.vkd")});
    ASSERT_EQ(oTarget.iStart(as), 1);
    r = oRunWith(oTarget, oDir, {"/u", "tour.gpx"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    oTarget.sStop();
    Workspace oUploaded;
    ASSERT_TRUE(fLoad(oUploaded, oDir.sPath("unit.vkd")));
    vExpectSameData(oGot, oUploaded);
}

std::string sTracks(const Workspace &w) {
    std::string s;
    for (const Track &o : w.pStore->aTracks) {
        s += "'" + o.sName + "' " + std::to_string(o.aPoints.size()) + " ";
    }
    return s;
}

// Named tracks of a unit with D312 headers: one track per header down, one
// header per track up, and a route longer than a unit's thirty points.
TEST(GpxTransfer, NamedTracksAndLongRoutesBothWays) {
    TempFolder oDir;
    Workspace oServed;
    const char *apszNames[3] = {"Monday", "", "Wednesday walk"};
    for (int t = 0; t < 3; ++t) {
        int32_t l = lAddTrack(&oServed, apszNames[t], static_cast<uint8_t>(t + 1));
        for (int i = 0; i < 5 + t; ++i) {
            TrackPoint o{};
            o.lLatitude = 1000 * t + i;
            o.lTime = 100000 - 10 * i; // not in time order: stays as it came
            o.fAltitude = 5.0f;
            o.fNewSegment = i == 0 ? 1 : 0;
            iAppendTrackPoint(&oServed, l, o);
        }
    }
    Route oLong{};
    oLong.lNumber = 1;
    std::snprintf(oLong.szComment, sizeof(oLong.szComment), "LONG");
    for (int i = 0; i < 45; ++i) {
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "R%02d", i);
        o.lLatitude = 5000 + i;
        iAddRoutePoint(&oServed, oLong, o, false);
    }
    iAddRoute(&oServed, oLong);
    ASSERT_TRUE(fSave(oServed, oDir.sPath("served.vkd")));
    // The unit names a track without a name its active log.
    const std::string sWanted = "'Monday' 5 'ACTIVE LOG' 6 'Wednesday walk' 7 ";

    SimProcess oSource;
    ASSERT_EQ(oSource.iStart({"--profile", "etrexhc", "--data", oDir.sPath("served.vkd")}), 1);
    ProcessResult r = oRunWith(oSource, oDir, {"/d", "got.gpx"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    Workspace oGot;
    ASSERT_TRUE(fLoad(oGot, oDir.sPath("got.gpx")));
    EXPECT_EQ(sTracks(oGot), sWanted);
    EXPECT_EQ(oGot.pStore->aTracks[0].aPoints.front().lTime, 100000);
    ASSERT_EQ(oGot.pStore->pRoutes.size(), 1u);
    EXPECT_EQ(oGot.pStore->pRoutes.begin()->second.aszPoints.size(), 45u);

    SimProcess oTarget;
    ASSERT_EQ(
        oTarget.iStart({"--profile", "etrexhc", "--empty", "--upload-to", oDir.sPath("unit.vkd")}),
        1);
    r = oRunWith(oTarget, oDir, {"/u", "got.gpx"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
    oTarget.sStop();
    Workspace oUploaded;
    ASSERT_TRUE(fLoad(oUploaded, oDir.sPath("unit.vkd")));
    EXPECT_EQ(sTracks(oUploaded), sWanted);
    EXPECT_EQ(oUploaded.pStore->pRoutes.begin()->second.aszPoints.size(), 45u);
}

} // namespace
