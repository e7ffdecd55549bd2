#include "files/listings.h"
#include "tests/store_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "geo/coordinates.h"
#include "geo/distance.h"
#include "geo/units.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

const char *const kTrackHeader =
    "Date/Time           | Position                     | First  | Altitude | Altitude | "
    "Distance | Speed     | Speed       | Direction \r\n";

std::vector<std::string> asLines(const std::string &sText) {
    std::vector<std::string> as;
    std::string sLine;
    std::istringstream oIn(sText);
    while (std::getline(oIn, sLine)) {
        as.push_back(sLine + "\n");
    }
    return as;
}

TrackPoint oPoint(double dLatitude, double dLongitude, int32_t lTime, int32_t fNewSegment,
                  float fAltitude = 0.0f) {
    TrackPoint o{};
    o.lLatitude = lDegreesToSemicircles(dLatitude);
    o.lLongitude = lDegreesToSemicircles(dLongitude);
    o.lTime = lTime;
    o.fNewSegment = fNewSegment;
    o.fAltitude = fAltitude;
    return o;
}

// The common columns of a track line, as the listing lays them out.
std::string sCommon(const Workspace &w, const TrackPoint &o, const char *pszFirst,
                    const char *pszAltitudes) {
    char szLine[256];
    std::snprintf(szLine, sizeof(szLine), "%-19s | %-28s | %-6s | %s",
                  "12/31/1989 00:00:00", // replaced below when the time differs
                  szFormatPosition(w.sDatum, dSemicirclesToDegrees(o.lLatitude),
                                   dSemicirclesToDegrees(o.lLongitude), w.sCoordFormat),
                  pszFirst, pszAltitudes);
    return szLine;
}

// The measured columns of the line of point b after point a of its segment,
// from the exact grid measure: distance, both speeds and the direction.
std::string sMeasured(const TrackPoint &a, const TrackPoint &b) {
    double dDistance = 0, dBearing = 0;
    vGridDistanceBearing(dSemicirclesToDegrees(a.lLatitude), dSemicirclesToDegrees(a.lLongitude),
                         dSemicirclesToDegrees(b.lLatitude), dSemicirclesToDegrees(b.lLongitude),
                         &dDistance, &dBearing);
    const auto lSeconds =
        static_cast<int32_t>(static_cast<uint32_t>(b.lTime) - static_cast<uint32_t>(a.lTime));
    const double dKmh = lSeconds != 0 ? dDistance / lSeconds * 3.6 : 0;
    char sz[128];
    if (lSeconds == 0) {
        std::snprintf(sz, sizeof(sz), "%6.0f m |      - kt |      - km/h | %5.0f\xB0\r\n",
                      dDistance, dBearing);
    } else {
        std::snprintf(sz, sizeof(sz), "%6.0f m | %6.0f kt | %6.0f km/h | %5.0f\xB0\r\n", dDistance,
                      dKmh * 0.5396, dKmh, dBearing);
    }
    return sz;
}

// Checks every measured line of a listing against sMeasured.
void vExpectMeasuredExactly(const Workspace &w, const std::string &sListing) {
    std::vector<std::string> as = asLines(sListing);
    const std::vector<TrackPoint> &aPoints = aTrackPoints(*w.pStore);
    ASSERT_EQ(aPoints.size() + 1, as.size());
    for (size_t n = 1; n < aPoints.size(); ++n) {
        std::string sLine = as[n + 1].substr(as[n + 1].find(" ft | ") + 6);
        if (aPoints[n].fNewSegment != 0) {
            ASSERT_EQ("         |           |             |\r\n", sLine) << n;
        } else {
            ASSERT_EQ(sMeasured(aPoints[n - 1], aPoints[n]), sLine) << n;
        }
    }
}

} // namespace

TEST(Listings, EmptyStoreGivesTheHeaderLinesOnly) {
    TempFolder oFolder;
    Workspace w;
    std::string sWaypoints = oFolder.sPath("w.txt");
    std::string sTrack = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListWaypoints(&w, sWaypoints.c_str()));
    ASSERT_EQ(1, iListTrackPoints(&w, sTrack.c_str()));
    EXPECT_EQ("Name   | Euro50 UTM           | Euro50 DMS                   | WGS84 DMS           "
              "         | Comment                                 \r\n",
              sReadFile(sWaypoints));
    EXPECT_EQ(kTrackHeader, sReadFile(sTrack));
}

TEST(Listings, WaypointLineHasThreeNotationsAndLongNamesPushTheColumns) {
    TempFolder oFolder;
    Workspace w;
    Waypoint o = oEmptyWaypoint();
    std::strcpy(o.szName, "ABCDEFGH");
    std::strcpy(o.szComment, "hut");
    o.lLatitude = lDegreesToSemicircles(48.5);
    o.lLongitude = lDegreesToSemicircles(9.25);
    iAddWaypoint(&w, o);
    std::string sName = oFolder.sPath("w.txt");
    ASSERT_EQ(1, iListWaypoints(&w, sName.c_str()));
    std::vector<std::string> as = asLines(sReadFile(sName));
    ASSERT_EQ(2u, as.size());
    char szExpected[512];
    std::snprintf(szExpected, sizeof(szExpected), "ABCDEFGH | %-20s | %-28s | %-28s | %-40s\r\n",
                  szFormatPosition(28, 48.5, 9.25, 4), szFormatPosition(28, 48.5, 9.25, 14),
                  szFormatPosition(100, 48.5, 9.25, 14), "hut");
    EXPECT_EQ(szExpected, as[1]);
    // The WGS 84 column of the listing's own notation.
    EXPECT_NE(as[1].find("48\xB0"
                         "30'00.0\" N   9\xB0"
                         "15'00.0\" E"),
              std::string::npos)
        << as[1];
}

TEST(Listings, TrackLinesMeasureFromThePreviousPointOfTheSegment) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 1;
    // About 100 m and 200 m due north along the central meridian of zone 32,
    // both 10 s after the first point. The later arrival with the same time
    // goes in front of the earlier one, so the listing runs 0 m, 200 m, 100 m.
    double dStep = 100.0 / 111200.0;
    iAddTrackPoint(&w, oPoint(48.5, 9.0, 86400, 1, 100.0f));
    iAddTrackPoint(&w, oPoint(48.5 + dStep, 9.0, 86410, 0, 100.0f));
    iAddTrackPoint(&w, oPoint(48.5 + 2 * dStep, 9.0, 86410, 0, 100.0f));
    std::string sName = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListTrackPoints(&w, sName.c_str()));
    std::vector<std::string> as = asLines(sReadFile(sName));
    ASSERT_EQ(4u, as.size());
    EXPECT_EQ(kTrackHeader, as[0]);
    auto it = aTrackPoints(*w.pStore).begin();
    std::string sFirst = sCommon(w, *it, "Yes", "   100 m |   328 ft |");
    sFirst.replace(0, 19, "01/01/1990 00:00:00");
    EXPECT_EQ(sFirst + "          |           |             |\r\n", as[1]);
    std::string sSecond = sCommon(w, *++it, "No", "   100 m |   328 ft |");
    sSecond.replace(0, 19, "01/01/1990 00:00:10");
    // 200 m in 10 s: 72 km/h and 72 x 0.5396 = 38.9 knots, heading north.
    EXPECT_EQ(sSecond + "    200 m |     39 kt |     72 km/h |     0\xB0\r\n", as[2]);
    // The same time again: no speed, the run goes on.
    std::string sThird = sCommon(w, *++it, "No", "   100 m |   328 ft |");
    sThird.replace(0, 19, "01/01/1990 00:00:10");
    EXPECT_EQ(sThird + "    100 m |      - kt |      - km/h |   180\xB0\r\n", as[3]);
}

TEST(Listings, EachPairIsMeasuredInTheZoneOfItsFirstPoint) {
    // Steps within a zone, across the 6 degree edge and back, to a point beyond
    // the grid and on from it, and into a new segment.
    struct Step {
        double dLatitude, dLongitude;
        int32_t fNewSegment;
    };
    const Step kaSteps[] = {{48.5, 5.99, 1},      {48.5005, 5.9995, 0}, {48.501, 6.0005, 0},
                            {48.5015, 6.001, 0},  {48.502, 5.9999, 0},  {84.5, 6.0, 0},
                            {48.503, 6.002, 0},   {48.5035, 6.0025, 0}, {48.504, 6.003, 1},
                            {48.5045, 6.0035, 0}, {48.6, 6.2, 0}};
    TempFolder oFolder;
    Workspace w;
    int32_t lTime = 86400;
    for (const Step &o : kaSteps) {
        iAddTrackPoint(&w, oPoint(o.dLatitude, o.dLongitude, lTime += 10, o.fNewSegment));
    }
    std::string sName = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListTrackPoints(&w, sName.c_str()));
    vExpectMeasuredExactly(w, sReadFile(sName));
}

// A seeded walk of steps from a tenth of a degree to a tenth of a metre,
// across zone edges and the equator, lists what the exact grid measure gives.
TEST(Listings, TrackWalkMeasuresAsTheExactGrid) {
    std::mt19937 oRandom(25);
    std::uniform_real_distribution<double> oStep(-1, 1);
    TempFolder oFolder;
    Workspace w;
    double dLatitude = -0.5, dLongitude = 5.5;
    int32_t lTime = 86400;
    for (int k = 0; k < 100000; ++k) {
        const double dScale = std::pow(10.0, -1 - (k % 6));
        dLatitude = std::clamp(dLatitude + oStep(oRandom) * dScale, -2.0, 2.0);
        dLongitude = std::clamp(dLongitude + oStep(oRandom) * dScale, 5.0, 7.0);
        lTime += static_cast<int32_t>(oRandom() % 4);
        iAddTrackPoint(&w, oPoint(dLatitude, dLongitude, lTime, k % 1000 == 0));
    }
    std::string sName = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListTrackPoints(&w, sName.c_str()));
    vExpectMeasuredExactly(w, sReadFile(sName));
}

TEST(Listings, FirstPointWithoutSegmentFlagHasNothingToMeasureFrom) {
    TempFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(48.5, 9.0, 0, 0));
    std::string sName = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListTrackPoints(&w, sName.c_str()));
    std::vector<std::string> as = asLines(sReadFile(sName));
    ASSERT_EQ(2u, as.size());
    EXPECT_NE(as[1].find("| No     |      0 m |     0 ft |          |           |             |"),
              std::string::npos)
        << as[1];
}

TEST(Listings, PointsWithoutAltitudeLeaveBothAltitudeColumnsBlank) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 1;
    // -777 m is the store's mark for "no altitude"; -700 m and below count as none.
    iAddTrackPoint(&w, oPoint(48.5, 9.0, 86400, 1, -777.0f));
    iAddTrackPoint(&w, oPoint(48.5, 9.001, 86410, 0, -700.0f));
    iAddTrackPoint(&w, oPoint(48.5, 9.002, 86420, 0, -699.0f));
    std::string sName = oFolder.sPath("t.txt");
    ASSERT_EQ(1, iListTrackPoints(&w, sName.c_str()));
    std::vector<std::string> as = asLines(sReadFile(sName));
    ASSERT_EQ(4u, as.size());
    auto it = aTrackPoints(*w.pStore).begin();
    std::string sFirst = sCommon(w, *it, "Yes", "         |          |");
    sFirst.replace(0, 19, "01/01/1990 00:00:00");
    EXPECT_EQ(sFirst + "          |           |             |\r\n", as[1]);
    std::string sSecond = sCommon(w, *++it, "No", "         |          |");
    sSecond.replace(0, 19, "01/01/1990 00:00:10");
    EXPECT_EQ(as[2].substr(0, sSecond.size()), sSecond);
    EXPECT_NE(as[2].find(" km/h |"), std::string::npos) << as[2];
    // A deep but real altitude is shown.
    EXPECT_NE(as[3].find("|   -699 m | -2293 ft |"), std::string::npos) << as[3];
}

TEST(Listings, FolderThatDoesNotExistFails) {
    Workspace w;
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iListWaypoints(&w, "/nonexistent/folder/w.txt"));
    EXPECT_EQ(0, iListTrackPoints(&w, "/nonexistent/folder/t.txt"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("w.txt"), std::string::npos);
}
