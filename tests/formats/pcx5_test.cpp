#include "formats/pcx5.h"
#include "tests/store_points.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "files/load_save.h"
#include "garmin/waypoint_symbols.h"
#include "geo/units.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

Waypoint oWaypoint(const char *pszName, const char *pszComment = "") {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "%s", pszComment);
    o.lLatitude = lDegreesToSemicircles(48.5);
    o.lLongitude = lDegreesToSemicircles(9.25);
    o.lTime = 86400;
    return o;
}

const char *const kHeader =
    "\nH  SOFTWARE NAME & VERSION\nI  PCX5 2.09\n\n"
    "H  R DATUM                IDX DA            DF            DX            "
    "DY            DZ\n"
    "M  G WGS 84               121 +0.000000e+00 +0.000000e+00 +0.000000e+00 "
    "+0.000000e+00 +0.000000e+00\n\nH  COORDINATE SYSTEM\n";
const char *const kWaypointHeaderDeg =
    "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT   DESCRIPTION                     "
    "         PROXIMITY     SYMBOL ;waypts";

int32_t lDeviceTime(std::chrono::year_month_day oDate, int iHour, int iMinute, int iSecond) {
    using namespace std::chrono;
    auto nDays = (sys_days(oDate) - sys_days(1989y / December / 31)).count();
    return static_cast<int32_t>(nDays * 86400 + iHour * 3600 + iMinute * 60 + iSecond);
}

} // namespace

TEST(Pcx5Writer, DegreesHeaderAndWaypointColumns) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 1;
    Waypoint o = oWaypoint("WP1", "by the bridge");
    o.fAltitude = 350.0f;
    o.fProximity = 100.0f;
    o.sSymbol = 3;
    iAddWaypoint(&w, o);
    std::string sName = oFolder.sPath("w.wpt");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    EXPECT_EQ(6, w.sCoordFormat); // the PCX5 notation stays for the rest of the run
    char szSymbol[16];
    std::snprintf(szSymbol, sizeof(szSymbol), "%8d", sGetGarminSymbolID(3, 103));
    std::string sWLine =
        "W  WP1    N48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999 by the bridge" +
        std::string(27, ' ') + " 0.00000e+00 " + szSymbol;
    EXPECT_EQ(sReadFile(sName), sCrLf(std::string(kHeader) + "U  LAT LON DEG\n\n" +
                                      kWaypointHeaderDeg + "\n" + sWLine + "\n"));
    // Altitude and radius are not carried: they read back as 0.
    Workspace r;
    ASSERT_EQ(1, iLoadFile(&r, sName.c_str()));
    const Waypoint &oRead = r.pStore->pWaypoints.at("WP1");
    EXPECT_EQ(0.0f, oRead.fAltitude);
    EXPECT_EQ(0.0f, oRead.fProximity);
    EXPECT_EQ(3, oRead.sSymbol);
    EXPECT_STREQ("by the bridge", oRead.szComment);
    EXPECT_EQ(86400, oRead.lTime);
    EXPECT_NEAR(48.5, dSemicirclesToDegrees(oRead.lLatitude), 1e-7);
    EXPECT_NEAR(9.25, dSemicirclesToDegrees(oRead.lLongitude), 1e-7);
}

TEST(Pcx5Writer, EveryNotationRoundTripsTrackAndWaypoints) {
    TempFolder oFolder;
    struct Case {
        int16_t sFormat;
        const char *pszSystem;
        double dTolerance;
    };
    for (Case c : {Case{1, "U  LAT LON DEG", 3e-7}, Case{2, "U  LAT LON DM", 3e-7},
                   Case{3, "U  LAT LON DMS", 1e-6}, Case{4, "U  UTM UPS", 2e-5}}) {
        Workspace w;
        w.sCoordFormat = c.sFormat;
        std::mt19937 oRandom(static_cast<unsigned>(c.sFormat));
        for (int i = 0; i < 30; ++i) {
            TrackPoint t{};
            t.lLatitude = lDegreesToSemicircles(-70.0 + (oRandom() % 140000) / 1000.0);
            t.lLongitude = lDegreesToSemicircles(-179.0 + (oRandom() % 358000) / 1000.0);
            t.lTime = 1000 + i * 60;
            t.fNewSegment = i % 10 == 0 ? 1 : 0;
            iAddTrackPoint(&w, t);
        }
        Waypoint o = oWaypoint("SOUTH");
        o.lLatitude = lDegreesToSemicircles(-33.5);
        o.lLongitude = lDegreesToSemicircles(-70.25);
        iAddWaypoint(&w, o);
        // Names past six characters and comments past 40 are written whole
        // and push the rest of their line; they read back whole.
        const std::string sLongComment = "a comment of fifty characters, all of them kept !!";
        for (Waypoint x :
             {oWaypoint("Grand Hotel Bern", "short"), oWaypoint("SHORT", sLongComment.c_str()),
              oWaypoint("Fifty characters of a name, and blanks in it, too.",
                        (sLongComment.substr(0, 41)).c_str())}) {
            x.sSymbol = 7;
            iAddWaypoint(&w, x);
        }
        std::string sName = oFolder.sPath("t.grm");
        ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
        std::string sText = sReadFile(sName);
        EXPECT_NE(sText.find(std::string("\r\n") + c.pszSystem + "\r\n"), std::string::npos);
        // One segment header for each point that starts a segment.
        size_t nHeaders = 0;
        for (size_t k = sText.find(";track"); k != std::string::npos;
             k = sText.find(";track", k + 1)) {
            ++nHeaders;
        }
        EXPECT_EQ(3u, nHeaders);
        Workspace r;
        ASSERT_EQ(1, iLoadFile(&r, sName.c_str())) << c.sFormat;
        ASSERT_EQ(aTrackPoints(*w.pStore).size(), aTrackPoints(*r.pStore).size());
        auto it = aTrackPoints(*r.pStore).begin();
        for (const TrackPoint &t : aTrackPoints(*w.pStore)) {
            const TrackPoint &oRead = *it++;
            EXPECT_EQ(t.lTime, oRead.lTime);
            EXPECT_EQ(t.fNewSegment, oRead.fNewSegment) << t.lTime;
            EXPECT_NEAR(dSemicirclesToDegrees(t.lLatitude), dSemicirclesToDegrees(oRead.lLatitude),
                        c.dTolerance)
                << c.sFormat;
            EXPECT_NEAR(dSemicirclesToDegrees(t.lLongitude),
                        dSemicirclesToDegrees(oRead.lLongitude), c.dTolerance)
                << c.sFormat;
        }
        ASSERT_EQ(w.pStore->pWaypoints.size(), r.pStore->pWaypoints.size()) << c.sFormat;
        for (const auto &[sKey, oWritten] : w.pStore->pWaypoints) {
            ASSERT_EQ(1u, r.pStore->pWaypoints.count(sKey)) << sKey;
            const Waypoint &oBack = r.pStore->pWaypoints.at(sKey);
            EXPECT_STREQ(oWritten.szComment, oBack.szComment) << sKey;
            EXPECT_EQ(oWritten.sSymbol, oBack.sSymbol) << sKey;
            EXPECT_EQ(oWritten.lTime, oBack.lTime) << sKey;
            EXPECT_NEAR(dSemicirclesToDegrees(oWritten.lLongitude),
                        dSemicirclesToDegrees(oBack.lLongitude), c.dTolerance)
                << sKey;
        }
        const Waypoint &oRead = r.pStore->pWaypoints.at("SOUTH");
        EXPECT_NEAR(-33.5, dSemicirclesToDegrees(oRead.lLatitude), c.dTolerance);
        EXPECT_NEAR(-70.25, dSemicirclesToDegrees(oRead.lLongitude), c.dTolerance);
        // A second PCX5 file of the same run finds the notation already replaced.
        ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7)) << c.sFormat;
        EXPECT_EQ(sText, sReadFile(sName));
    }
}

TEST(Pcx5Writer, RouteBlocksListTheirWaypointsAndLeaveOutMissingOnes) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 2;
    Waypoint a = oWaypoint("A");
    iAddWaypoint(&w, a);
    Route oR{};
    oR.lNumber = 3;
    oR.aszPoints.resize(2);
    std::strcpy(oR.szComment, "hut");
    std::strcpy(oR.aszPoints[0], "A");
    std::strcpy(oR.aszPoints[1], "GONE");
    iAddRoute(&w, oR);
    std::string sName = oFolder.sPath("r.rte");
    testing::internal::CaptureStderr();
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_NE(sError.find("'GONE'"), std::string::npos) << sError;
    std::string sText = sReadFile(sName);
    EXPECT_NE(sText.find("\r\n\r\nR  03  hut\r\n\r\nH  IDNT   LATITUDE"), std::string::npos);
    // A appears under the route and in the waypoint list; GONE nowhere.
    EXPECT_EQ(sText.find("W  GONE"), std::string::npos);
    size_t nFirst = sText.find("W  A ");
    ASSERT_NE(nFirst, std::string::npos);
    EXPECT_NE(sText.find("W  A ", nFirst + 1), std::string::npos);
    Workspace r;
    ASSERT_EQ(1, iLoadFile(&r, sName.c_str()));
    EXPECT_EQ(1u, r.pStore->pWaypoints.size());
    EXPECT_TRUE(r.pStore->pRoutes.empty()); // routes are written, not read
}

TEST(Pcx5Reader, ColumnsAndShiftedLines) {
    Workspace w;
    const std::string sHeader = "I  PCX5 2.09\nU  LAT LON DEG\n";
    // Radius 250 is read; a line that ends after its position has no time.
    char szProx[160];
    std::snprintf(szProx, sizeof(szProx), "W  %-6s %-24s %-18s -9999 %-40s %s %8d", "PROX1",
                  "N48.5000000 E009.2500000", "01-JAN-90 00:00:00", "comment", "2.50000e+02", 0);
    std::string sText = sHeader + szProx +
                        "\n"
                        "W  SHORT  N48.5000000 E009.2500000\n";
    ASSERT_EQ(1, iImportPcx5Buffer(&w, sText, "t.grm"));
    EXPECT_FLOAT_EQ(250.0f, w.pStore->pWaypoints.at("PROX1").fProximity);
    EXPECT_EQ(1u, w.pStore->pWaypoints.count("SHORT"));
    EXPECT_EQ(0, w.pStore->pWaypoints.at("SHORT").lTime);
    EXPECT_NEAR(dSemicirclesToDegrees(w.pStore->pWaypoints.at("SHORT").lLatitude), 48.5, 1e-7);
}

TEST(Pcx5Reader, NameLongerThanItsColumnsShiftsTheLineAndIsReadWhole) {
    Workspace w;
    EXPECT_EQ(1,
              iImportPcx5Buffer(&w,
                                "U  LAT LON DEG\n"
                                "W  LONGNAME N48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999 x\n",
                                "t.grm"));
    ASSERT_EQ(1u, w.pStore->pWaypoints.count("LONGNAME"));
    const Waypoint &o = w.pStore->pWaypoints.at("LONGNAME");
    EXPECT_NEAR(dSemicirclesToDegrees(o.lLatitude), 48.5, 1e-7);
    EXPECT_EQ(86400, o.lTime);
    EXPECT_STREQ("x", o.szComment);
}

TEST(Pcx5Reader, LinesOfAnotherKindStopTheImport) {
    struct Case {
        const char *pszText;
        size_t nStored;
    };
    const char *pszT = "T  N48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999\n";
    for (Case c : {Case{"I  PCX5 2.10\n", 0}, Case{"M  G NAD27\n", 0}, Case{"U  LAT LON XYZ\n", 0},
                   Case{"T N48\n", 0}, Case{"W\tA\n", 0}}) {
        Workspace w;
        std::string sText = std::string("U  LAT LON DEG\n") + pszT + c.pszText + pszT;
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, iImportPcx5Buffer(&w, sText, "bad.grm")) << c.pszText;
        std::string sError = testing::internal::GetCapturedStderr();
        EXPECT_NE(sError.find("'bad.grm' line 3:"), std::string::npos) << sError;
        EXPECT_EQ(1u, aTrackPoints(*w.pStore).size()) << c.pszText;
    }
}

TEST(Pcx5Reader, SegmentStartsAfterEveryHLine) {
    Workspace w;
    std::string sT = "T  N48.5000000 E009.2500000 01-JAN-90 00:00:0";
    ASSERT_EQ(1, iImportPcx5Buffer(&w,
                                   "U  LAT LON DEG\n" + sT + "1\n" + sT + "2\nH  x\n" + sT + "3\n" +
                                       sT + "4\n",
                                   "s.trk"));
    std::vector<int32_t> aFlags;
    for (const TrackPoint &t : aTrackPoints(*w.pStore)) {
        aFlags.push_back(t.fNewSegment);
    }
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0}), aFlags);
}

TEST(Pcx5Peer, TrackWrittenByAnotherProgramImportsExactly) {
    Workspace w;
    std::string sName = sPeerFile("gpsbabel-pcx5-track.trk");
    ASSERT_EQ(1, iLoadFile(&w, sName.c_str()));
    ASSERT_EQ(64u, aTrackPoints(*w.pStore).size());
    using namespace std::chrono;
    const TrackPoint &oFirst = *aTrackPoints(*w.pStore).begin();
    const TrackPoint &oLast = *aTrackPoints(*w.pStore).rbegin();
    // "T  N3003.73100 W09136.62100 25-MAY-02 17:06:21" and the last line.
    EXPECT_EQ(lDeviceTime(2002y / May / 25, 17, 6, 21), oFirst.lTime);
    EXPECT_EQ(lDeviceTime(2002y / May / 25, 19, 5, 57), oLast.lTime);
    // Positions to the storage unit (the nearest semicircle, truncated).
    EXPECT_NEAR(lDegreesToSemicircles(30.0 + 3.731 / 60), oFirst.lLatitude, 1);
    EXPECT_NEAR(lDegreesToSemicircles(-(91.0 + 36.621 / 60)), oFirst.lLongitude, 1);
    EXPECT_NEAR(lDegreesToSemicircles(30.0 + 2.828 / 60), oLast.lLatitude, 1);
    EXPECT_NEAR(lDegreesToSemicircles(-(91.0 + 35.980 / 60)), oLast.lLongitude, 1);
    EXPECT_EQ(1, oFirst.fNewSegment);
    int nSegments = 0;
    int32_t lPrevious = 0;
    for (const TrackPoint &t : aTrackPoints(*w.pStore)) {
        nSegments += t.fNewSegment != 0 ? 1 : 0;
        EXPECT_GE(t.lTime, lPrevious);
        lPrevious = t.lTime;
        EXPECT_NEAR(30.05, dSemicirclesToDegrees(t.lLatitude), 0.05);
        EXPECT_NEAR(-91.6, dSemicirclesToDegrees(t.lLongitude), 0.05);
    }
    EXPECT_EQ(1, nSegments);
}

TEST(Pcx5Peer, ForeignDialectIsRefusedAtItsILine) {
    Workspace w;
    std::string sName = sPeerFile("gpsbabel-gpsutil-variant.pcx");
    std::string sData = sReadFile(sName);
    ASSERT_FALSE(sData.empty());
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iImportPcx5Buffer(&w, sData, "gpsutil-variant.pcx"));
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_NE(sError.find("line 2:"), std::string::npos) << sError;
    EXPECT_TRUE(w.pStore->pWaypoints.empty());
    // Its W lines alone, without the I line, must not crash the reader either.
    Workspace r;
    iImportPcx5Buffer(&r, sData.substr(sData.find("U  LAT")), "tail.pcx");
}

TEST(Pcx5Reader, FuzzShapedInputNeitherCrashesNorHangs) {
    std::mt19937 oRandom(5);
    std::string sGarbage(1 << 20, '\0');
    for (char &c : sGarbage) {
        c = static_cast<char>(oRandom() % 4 == 0 ? 'W' : oRandom());
    }
    for (const std::string &s :
         {sGarbage, "W  " + std::string(10 << 20, 'x'), "T  " + std::string(100000, ','),
          std::string("U  UTM UPS\nW  \nT  \nW  A      \"\"\"\nT  99Z 1 1 99-XXX-99 99:99:99\n")}) {
        Workspace w;
        testing::internal::CaptureStderr();
        iImportPcx5Buffer(&w, s, "fuzz.grm");
        testing::internal::GetCapturedStderr();
    }
}
