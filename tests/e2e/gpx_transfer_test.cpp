// A receiver's data through GPX: downloaded straight into a GPX file (the save
// step goes by the extension), and uploaded from it to another unit, which
// then holds what the first one served.
#include <gtest/gtest.h>

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

} // namespace
