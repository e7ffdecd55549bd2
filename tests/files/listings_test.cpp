#include "files/listings.h"
#include "tests/store_points.h"

#include <gtest/gtest.h>

#include <cstring>
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
    std::vector<std::string> as = asLines(sReadFile(sName));
    ASSERT_EQ(std::size(kaSteps) + 1, as.size());
    for (size_t n = 1; n < std::size(kaSteps); ++n) {
        // The distance column, then speed, speed and direction.
        std::string sMeasured = as[n + 1].substr(as[n + 1].find(" ft | ") + 6);
        if (kaSteps[n].fNewSegment != 0) {
            EXPECT_EQ("         |           |             |\r\n", sMeasured) << n;
            continue;
        }
        double dDistance = 0, dBearing = 0;
        const Step &a = kaSteps[n - 1], &b = kaSteps[n];
        vGridDistanceBearing(dSemicirclesToDegrees(lDegreesToSemicircles(a.dLatitude)),
                             dSemicirclesToDegrees(lDegreesToSemicircles(a.dLongitude)),
                             dSemicirclesToDegrees(lDegreesToSemicircles(b.dLatitude)),
                             dSemicirclesToDegrees(lDegreesToSemicircles(b.dLongitude)), &dDistance,
                             &dBearing);
        char szDistance[64], szBearing[64];
        std::snprintf(szDistance, sizeof(szDistance), "%6.0f m |", dDistance);
        std::snprintf(szBearing, sizeof(szBearing), "| %5.0f\xB0\r\n", dBearing);
        EXPECT_EQ(0u, sMeasured.find(szDistance)) << n << ": " << sMeasured;
        EXPECT_EQ(sMeasured.size() - std::strlen(szBearing), sMeasured.rfind(szBearing))
            << n << ": " << sMeasured;
    }
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
