// GPSBabel uploads to the simulated receiver: the unit decodes a host's
// records into what the host sent. GPSBabel's own habits (nameless link points
// in routes, route points sent as map points) are accepted as a unit would.
#include <gtest/gtest.h>

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

const char *kpszGpx = R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="quillox tests" xmlns="http://www.topografix.com/GPX/1/1">
  <wpt lat="47.100000" lon="8.500000"><ele>512.0</ele><name>ALPHA</name><cmt>First one</cmt></wpt>
  <wpt lat="47.200000" lon="8.600000"><ele>600.0</ele><name>BRAVO</name><cmt>Second</cmt></wpt>
  <wpt lat="-33.900000" lon="-70.650000"><ele>10.0</ele><name>CHARLY</name><cmt>South west</cmt></wpt>
  <rte><name>TOUR</name>
    <rtept lat="47.100000" lon="8.500000"><name>ALPHA</name></rtept>
    <rtept lat="47.200000" lon="8.600000"><name>BRAVO</name></rtept>
    <rtept lat="47.300000" lon="8.700000"><name>DELTA</name></rtept>
  </rte>
  <trk><name>WALK</name>
    <trkseg>
      <trkpt lat="47.000000" lon="8.000000"><ele>400.0</ele><time>2024-06-01T08:00:00Z</time></trkpt>
      <trkpt lat="47.001000" lon="8.001000"><ele>401.0</ele><time>2024-06-01T08:00:10Z</time></trkpt>
      <trkpt lat="47.002000" lon="8.002000"><ele>402.0</ele><time>2024-06-01T08:00:20Z</time></trkpt>
    </trkseg>
    <trkseg>
      <trkpt lat="47.010000" lon="8.010000"><ele>410.0</ele><time>2024-06-01T09:00:00Z</time></trkpt>
      <trkpt lat="47.011000" lon="8.011000"><ele>411.0</ele><time>2024-06-01T09:00:10Z</time></trkpt>
    </trkseg>
  </trk>
</gpx>
)";

struct Unit {
    const char *pszName;
    std::vector<std::string> asArgs;
    bool fTrackAltitude;
    bool fOldCharset; // GPSBabel sends comments in upper case without blanks to such units
};
void PrintTo(const Unit &o, std::ostream *p) {
    *p << o.pszName;
}

const std::vector<Unit> &aUnits() {
    static const std::vector<Unit> a = {
        {"a300", {"--profile", "a300"}, false, false},
        {"a301", {"--profile", "a301"}, true, false},
        {"d103_d300",
         {"--profile", "a301", "--capabilities",
          "P000,L001,A010,A100,D103,A200,D201,D103,A300,D300"},
         false,
         true},
        // A201: route name in the header, links between the points.
        {"etrexhc", {"--profile", "etrexhc"}, true, false},
    };
    return a;
}

class GpsbabelUpload : public ::testing::TestWithParam<Unit> {
  protected:
    TempFolder oDir;
    SimProcess oSim;

    void SetUp() override {
        if (!fHaveGpsbabel()) {
            GTEST_SKIP() << "gpsbabel is not installed";
        }
        vWriteFile(oDir.sPath("in.gpx"), kpszGpx);
    }
    // Uploads one kind and returns what the unit wrote.
    void vUpload(const char *pszKind, Workspace &w) {
        const std::string sUnitFile = oDir.sPath(std::string(pszKind + 1) + ".vkd");
        std::vector<std::string> asSim = GetParam().asArgs;
        asSim.insert(asSim.end(), {"--empty", "--upload-to", sUnitFile});
        ProcessResult r = oGpsbabel(
            oSim, asSim,
            {pszKind, "-i", "gpx", "-f", oDir.sPath("in.gpx"), "-o", "garmin", "-F", "PORT"});
        const std::string sErr = oSim.sStop();
        EXPECT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
        EXPECT_EQ(sErr.find("does not fit"), std::string::npos) << sErr;
        ASSERT_TRUE(fLoad(w, sUnitFile));
    }
};

void vExpectAt(int32_t lLat, int32_t lLon, double dLat, double dLon) {
    // GPSBabel rounds degrees to semicircles its own way: within a few units.
    EXPECT_NEAR(lLat, lDegreesToSemicircles(dLat), 2);
    EXPECT_NEAR(lLon, lDegreesToSemicircles(dLon), 2);
}

TEST_P(GpsbabelUpload, Waypoints) {
    Workspace w;
    vUpload("-w", w);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 3u);
    const Waypoint *p = pFindWaypoint(&w, "ALPHA");
    ASSERT_NE(p, nullptr);
    vExpectAt(p->lLatitude, p->lLongitude, 47.1, 8.5);
    const bool fOld = GetParam().fOldCharset;
    EXPECT_STREQ(p->szComment, fOld ? "FIRSTONE" : "First one");
    p = pFindWaypoint(&w, "CHARLY");
    ASSERT_NE(p, nullptr);
    vExpectAt(p->lLatitude, p->lLongitude, -33.9, -70.65);
    EXPECT_STREQ(p->szComment, fOld ? "SOUTHWEST" : "South west");
    ASSERT_NE(pFindWaypoint(&w, "BRAVO"), nullptr);
}

TEST_P(GpsbabelUpload, Routes) {
    Workspace w;
    vUpload("-r", w);
    ASSERT_EQ(w.pStore->pRoutes.size(), 1u);
    const Route &o = w.pStore->pRoutes.begin()->second;
    ASSERT_EQ(o.aszPoints.size(), 3u);
    EXPECT_STREQ(o.aszPoints[0], "ALPHA");
    EXPECT_STREQ(o.aszPoints[1], "BRAVO");
    EXPECT_STREQ(o.aszPoints[2], "DELTA");
    if (std::string(GetParam().pszName) == "etrexhc") {
        EXPECT_STREQ(o.szComment, "TOUR"); // the D202 identifier
    }
}

TEST_P(GpsbabelUpload, TracksWithTheirSegments) {
    Workspace w;
    vUpload("-t", w);
    const double adLat[] = {47.0, 47.001, 47.002, 47.01, 47.011};
    const double adLon[] = {8.0, 8.001, 8.002, 8.01, 8.011};
    const int32_t alTime[] = {1086163200, 1086163210, 1086163220, 1086166800, 1086166810};
    std::vector<TrackPoint> a = aTrackPoints(*w.pStore);
    // A host may lead with a point of its own; the points it was given follow.
    ASSERT_GE(a.size(), 5u);
    a.erase(a.begin(), a.end() - 5);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        vExpectAt(a[i].lLatitude, a[i].lLongitude, adLat[i], adLon[i]);
        EXPECT_EQ(a[i].lTime, alTime[i]);
        EXPECT_EQ(a[i].fNewSegment, (i == 0 || i == 3) ? 1 : 0);
        if (GetParam().fTrackAltitude) {
            EXPECT_FLOAT_EQ(a[i].fAltitude, adLat[i] < 47.005 ? 400.0f + i : 407.0f + i);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, GpsbabelUpload, ::testing::ValuesIn(aUnits()),
                         [](const auto &o) { return std::string(o.param.pszName); });

} // namespace
