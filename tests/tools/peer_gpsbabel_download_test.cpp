// GPSBabel, an independent host, downloads from the simulated receiver: the
// waypoints, routes and tracks it gets are those the unit serves, so the
// unit's records are laid out as hosts other than ours expect.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/transfer_data.h"
#include "geo/units.h"
#include "peer_gpsbabel_support.h"
#include "tests/store_points.h"

namespace {

using namespace e2e;
using namespace peer;

struct Unit {
    const char *pszName;
    std::vector<std::string> asArgs;
    bool fTrackAltitude;
    bool fRoutes = true;
    bool fHeartRate = false; // track points carry heart rate and cadence
};
void PrintTo(const Unit &o, std::ostream *p) {
    *p << o.pszName;
}

const std::vector<Unit> &aUnits() {
    static const std::vector<Unit> a = {
        {"a300", {"--profile", "a300"}, false},
        {"a301", {"--profile", "a301"}, true},
        {"d110_d302",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D110,A200,D201,D109,A301,D312,D302"},
         true},
        {"etrexhc", {"--profile", "etrexhc"}, true},
        {"forerunner", {"--profile", "forerunner"}, true, false, true},
    };
    return a;
}

class GpsbabelDownload : public ::testing::TestWithParam<Unit> {
  protected:
    TempFolder oDir;
    SimProcess oSim;
    Workspace oServed;

    void SetUp() override {
        if (!fHaveGpsbabel()) {
            GTEST_SKIP() << "gpsbabel is not installed";
        }
        vBuildTestSet(oServed);
        ASSERT_TRUE(fSave(oServed, oDir.sPath("served.vkd")));
    }
    GpxFile oDownload(const char *pszKind) {
        std::vector<std::string> asSim = GetParam().asArgs;
        asSim.insert(asSim.end(), {"--data", oDir.sPath("served.vkd")});
        const std::string sOut = oDir.sPath(std::string(pszKind + 1) + ".gpx");
        ProcessResult r =
            oGpsbabel(oSim, asSim,
                      {pszKind, "-i", "garmin", "-f", "PORT", "-o",
                       GetParam().fHeartRate ? "gpx,garminextensions" : "gpx", "-F", sOut});
        oSim.sStop();
        EXPECT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
        return oParseGpx(sReadFile(sOut));
    }
};

void vExpectAt(const GpxPoint &o, int32_t lLat, int32_t lLon) {
    EXPECT_NEAR(o.dLat, dSemicirclesToDegrees(lLat), 1e-8);
    EXPECT_NEAR(o.dLon, dSemicirclesToDegrees(lLon), 1e-8);
}

TEST_P(GpsbabelDownload, Waypoints) {
    const GpxFile o = oDownload("-w");
    ASSERT_EQ(o.aWaypoints.size(), oServed.pStore->pWaypoints.size());
    for (const GpxPoint &oGot : o.aWaypoints) {
        SCOPED_TRACE(oGot.sName);
        const Waypoint *p = pFindWaypoint(&oServed, oGot.sName.c_str());
        ASSERT_NE(p, nullptr);
        vExpectAt(oGot, p->lLatitude, p->lLongitude);
        EXPECT_EQ(oGot.sComment, p->szComment);
        EXPECT_NEAR(std::atof(oGot.sEle.c_str()), p->fAltitude, 0.01);
    }
}

TEST_P(GpsbabelDownload, Routes) {
    if (!GetParam().fRoutes) {
        GTEST_SKIP() << "the unit has no routes";
    }
    const GpxFile o = oDownload("-r");
    ASSERT_EQ(o.aRoutes.size(), 2u);
    size_t i = 0;
    for (const auto &[lNumber, oRoute] : oServed.pStore->pRoutes) {
        const GpxRoute &oGot = o.aRoutes[i++];
        EXPECT_EQ(oGot.sName, oRoute.szComment);
        ASSERT_EQ(oGot.aPoints.size(), oRoute.aszPoints.size());
        for (uint32_t n = 0; n < oRoute.aszPoints.size(); ++n) {
            EXPECT_EQ(oGot.aPoints[n].sName, oRoute.aszPoints[n]);
            const Waypoint *p = pFindWaypoint(&oServed, oRoute.aszPoints[n]);
            ASSERT_NE(p, nullptr);
            vExpectAt(oGot.aPoints[n], p->lLatitude, p->lLongitude);
        }
    }
}

TEST_P(GpsbabelDownload, TracksWithTheirSegments) {
    const GpxFile o = oDownload("-t");
    std::vector<GpxPoint> aGot;
    std::vector<size_t> anSegmentSizes;
    for (const auto &a : o.aaSegments) {
        anSegmentSizes.push_back(a.size());
        aGot.insert(aGot.end(), a.begin(), a.end());
    }
    EXPECT_EQ(anSegmentSizes, (std::vector<size_t>{20, 20}));
    ASSERT_EQ(aGot.size(), aTrackPoints(*oServed.pStore).size());
    size_t i = 0;
    for (const TrackPoint &oWanted : aTrackPoints(*oServed.pStore)) {
        const GpxPoint &oPoint = aGot[i++];
        vExpectAt(oPoint, oWanted.lLatitude, oWanted.lLongitude);
        EXPECT_EQ(oPoint.sTime, sGpxTime(oWanted.lTime));
        if (GetParam().fTrackAltitude) {
            EXPECT_NEAR(std::atof(oPoint.sEle.c_str()), oWanted.fAltitude, 0.01);
        }
        // The values the simulated fitness unit makes up for its i-th point.
        if (GetParam().fHeartRate) {
            const int iPoint = static_cast<int>(i - 1);
            EXPECT_EQ(oPoint.sHeartRate, std::to_string(110 + iPoint % 50));
            EXPECT_EQ(oPoint.sCadence, std::to_string(80 + iPoint % 20));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, GpsbabelDownload, ::testing::ValuesIn(aUnits()),
                         [](const auto &o) { return std::string(o.param.pszName); });

} // namespace
