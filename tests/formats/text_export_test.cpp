#include "formats/text_export.h"
#include "tests/store_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "files/load_save.h"
#include "formats/export_driver.h"
#include "garmin/waypoint_symbols.h"
#include "geo/datums.h"
#include "geo/units.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

// N48.5 E9.25 in decimal degrees (/f 1): "%-12s %-13s" of the two angles.
const std::string kDegPosition = "N48.50000\xB0   E009.25000\xB0  ";

Waypoint oWaypoint(const char *pszName, const char *pszComment = "") {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "%s", pszComment);
    o.lLatitude = lDegreesToSemicircles(48.5);
    o.lLongitude = lDegreesToSemicircles(9.25);
    o.lTime = 86400;
    return o;
}

TrackPoint oPoint(int32_t lTime, int32_t fNewSegment = 0) {
    TrackPoint o{};
    o.lLatitude = lDegreesToSemicircles(48.5);
    o.lLongitude = lDegreesToSemicircles(9.25);
    o.lTime = lTime;
    o.fAltitude = 350.0f;
    o.fNewSegment = fNewSegment;
    return o;
}

Route oRoute(uint32_t lNumber, const char *pszComment, std::vector<std::string> asNames) {
    Route o{};
    o.lNumber = lNumber;
    std::snprintf(o.szComment, sizeof(o.szComment), "%s", pszComment);
    for (const std::string &s : asNames) {
        std::snprintf(pszAppendRoutePoint(o), kNameSize, "%s", s.c_str());
    }
    return o;
}

int iRead(Workspace &w, const std::string &sText) {
    return iImportTextExportBuffer(&w, sText, "test.vke");
}

std::string sDatumLine(int16_t sDatum) {
    const char *pszDatum = nullptr;
    const char *pszEllipsoid = nullptr;
    vGetDatumNames(sDatum, &pszDatum, &pszEllipsoid);
    return "DAT " + std::to_string(sDatum) + ",\"" + pszDatum + "\",\"" + pszEllipsoid + "\"";
}

std::string sHeader() {
    return "* Orvensta Export file *\nVER 1\n" + sDatumLine(100) + "\nUTC 0\n";
}

void vExpectSameWaypoints(const Workspace &a, const Workspace &b) {
    ASSERT_EQ(a.pStore->pWaypoints.size(), b.pStore->pWaypoints.size());
    auto itB = b.pStore->pWaypoints.begin();
    for (const auto &[sName, oA] : a.pStore->pWaypoints) {
        const Waypoint &oB = (itB++)->second;
        EXPECT_EQ(0, std::memcmp(&oA, &oB, sizeof(Waypoint))) << sName;
    }
}

void vExpectSameRoute(const Route &a, const Route &b) {
    EXPECT_EQ(a.lNumber, b.lNumber);
    EXPECT_STREQ(a.szComment, b.szComment);
    ASSERT_EQ(a.aszPoints.size(), b.aszPoints.size());
    for (size_t k = 0; k < a.aszPoints.size(); ++k) {
        EXPECT_STREQ(a.aszPoints[k], b.aszPoints[k]) << k;
    }
}

void vExpectSameTrack(const Workspace &a, const Workspace &b) {
    ASSERT_EQ(aTrackPoints(*a.pStore).size(), aTrackPoints(*b.pStore).size());
    auto itB = aTrackPoints(*b.pStore).begin();
    for (const TrackPoint &oA : aTrackPoints(*a.pStore)) {
        const TrackPoint &oB = *itB++;
        EXPECT_EQ(0, std::memcmp(&oA, &oB, sizeof(TrackPoint))) << oA.lTime;
    }
}

} // namespace

// ---------------------------------------------------------------- record lines

TEST(TextExportLines, PlainLayoutFieldsInTheirOrder) {
    Workspace w;
    w.sCoordFormat = 1;
    std::string s;
    TrackPoint oTrack = oPoint(86400, 1);
    EXPECT_EQ(szFormatTrkLine(&w, oTrack, s),
              "TRK " + kDegPosition + ",01/01/1990 00:00:00,350.00,1");

    Waypoint o = oWaypoint("WP1", "near, the bridge");
    o.fProximity = 100.0f;
    o.sSymbol = 5;
    o.bDisplay = 1;
    o.fAltitude = -12.5f;
    EXPECT_EQ(szFormatWptLine(&w, o, s), "WPT \"WP1\",\"near, the bridge\"," + kDegPosition +
                                             ",01/01/1990 00:00:00,100.000000,5,1,255,-12.50");

    EXPECT_STREQ(szFormatRteLine(oRoute(7, "Rc", {"A", "B"}), s), "RTE 7,2,\"Rc\",\"A\",\"B\"");
}

TEST(TextExportLines, ColumnAlignedLayoutPadsEveryField) {
    Workspace w;
    w.sCoordFormat = 1;
    w.fTabbedExport = 1;
    std::string s;
    EXPECT_EQ(szFormatTrkLine(&w, oPoint(86400, 1), s),
              "TRK  " + kDegPosition + ",01/01/1990 00:00:00,    350.00,1");
    Waypoint o = oWaypoint("WP1", "c");
    EXPECT_EQ(szFormatWptLine(&w, o, s), "WPT  \"WP1\"" + std::string(17, ' ') + ",\"c\"" +
                                             std::string(29, ' ') + "," + kDegPosition +
                                             ",01/01/1990 00:00:00,    0.00,      0,       0,    "
                                             "255,     0.00");
    // A long name pushes the following columns to the right instead of being cut.
    Waypoint oLong = oWaypoint("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    szFormatWptLine(&w, oLong, s);
    EXPECT_EQ(s.substr(0, 36), "WPT  \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\",\"\"");
}

TEST(TextExportLines, HexLayoutWritesTheStoredBits) {
    std::string s;
    TrackPoint oTrack{-1, 0x7FFFFFFF, 86400, -12.5f, 1};
    EXPECT_STREQ(szFormatTrhLine(oTrack, s), "TRH FFFFFFFF,7FFFFFFF,00015180,C1480000,01");
    Waypoint o = oWaypoint("A,B", "x");
    o.lLatitude = -2;
    o.lLongitude = 16;
    o.fProximity = 100.0f;
    o.sSymbol = 0x12;
    o.bDisplay = 2;
    o.fAltitude = -12.5f;
    EXPECT_STREQ(szFormatWphLine(o, s),
                 "WPH \"A,B\",\"x\",FFFFFFFE,00000010,00015180,42C80000,0012,02,FF,C1480000");
}

// ---------------------------------------------------------------- whole files

TEST(TextExportFile, SectionsInOrderEachHeaderOnlyBeforeItsFirstRecord) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 1;
    iAddTrackPoint(&w, oPoint(86400, 1));
    iAddTrackPoint(&w, oPoint(86401));
    Route oR = oRoute(3, "", {"WP1"});
    iAddRoute(&w, oR);
    Waypoint oW = oWaypoint("WP1");
    iAddWaypoint(&w, oW);
    std::string sName = oFolder.sPath("all.vke");
    ASSERT_EQ(1, iExportTextFile(&w, sName.c_str(), 7, 1));
    std::string sTrack = "TRK " + kDegPosition + ",01/01/1990 00:00:0";
    EXPECT_EQ(
        sReadFile(sName),
        sCrLf(sHeader() + "*TRK Coord,Time,Altitude,SegmentStart\n" + sTrack + "0,350.00,1\n" +
              sTrack + "1,350.00,0\n" + "*RTE RouteID,NoOfPoints,\"Wpt01\",\"Wpt02\",...\n" +
              "RTE 3,1,\"\",\"WP1\"\n" +
              "*WPT \"Name\",\"Comment\",Coord,Time,Radius,Symbol,DisplayMode,Color,Altitude\n" +
              "WPT \"WP1\",\"\"," + kDegPosition + ",01/01/1990 00:00:00,0.000000,0,0,255,0.00\n"));

    // The hex layout has the same route section between its track and waypoint sections.
    std::string sHex = oFolder.sPath("all.vkh");
    ASSERT_EQ(1, iSaveFile(&w, sHex.c_str(), 7));
    std::string sText = sReadFile(sHex);
    size_t nTrh = sText.find("*TRH Latitude,Longitude,Time,Altitude,SegmentStart\r\n");
    size_t nRte =
        sText.find("*RTE RouteID,NoOfPoints,\"Wpt01\",\"Wpt02\",...\r\nRTE 3,1,\"\",\"WP1\"\r\n");
    size_t nWph = sText.find("*WPH \"Name\",\"Comment\",Latitude,Longitude,Time,Radius,Symbol,"
                             "DisplayMode,Color,Altitude\r\n");
    EXPECT_NE(nTrh, std::string::npos);
    EXPECT_LT(nTrh, nRte);
    EXPECT_LT(nRte, nWph);
    EXPECT_NE(nWph, std::string::npos);
}

TEST(TextExportFile, EmptyStoreGivesTheFourHeaderLinesAndReadsAsNothing) {
    TempFolder oFolder;
    Workspace w;
    std::string sName = oFolder.sPath("empty.vke");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    EXPECT_EQ(sReadFile(sName), sCrLf(sHeader()));
    Workspace r;
    EXPECT_EQ(1, iLoadFile(&r, sName.c_str()));
    EXPECT_TRUE(r.pStore->pWaypoints.empty());
    EXPECT_TRUE(aTrackPoints(*r.pStore).empty());
    EXPECT_TRUE(r.pStore->pRoutes.empty());
}

TEST(TextExportFile, WaypointsOnlyHaveNoTrackOrRouteHeader) {
    TempFolder oFolder;
    Workspace w;
    Waypoint o = oWaypoint("ONLY");
    iAddWaypoint(&w, o);
    std::string sName = oFolder.sPath("wpt.vke");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    std::string sText = sReadFile(sName);
    EXPECT_EQ(sText.find("*TRK"), std::string::npos);
    EXPECT_EQ(sText.find("*RTE"), std::string::npos);
    EXPECT_EQ(sText.find(sCrLf(sHeader() + "*WPT ")), 0u);
}

// ---------------------------------------------------------------- round trips

namespace {

void vFillVaried(Workspace &w) {
    std::mt19937 oRandom(7);
    for (int i = 0; i < 40; ++i) {
        TrackPoint o{};
        o.lLatitude = static_cast<int32_t>(oRandom() % 1600000000u) - 800000000;
        o.lLongitude = static_cast<int32_t>(oRandom());
        o.lTime = static_cast<int32_t>(oRandom() % 900000000u);
        o.fAltitude = static_cast<float>(static_cast<int>(oRandom() % 900000) - 1000) / 100.0f;
        o.fNewSegment = i % 7 == 0 ? 1 : 0;
        iAddTrackPoint(&w, o);
    }
    const char *asNames[] = {"A", "B,comma", "Zeta", "\xE4nderung", "long name with blanks"};
    for (const char *pszName : asNames) {
        Waypoint o = oWaypoint(pszName, "comment, with comma");
        o.lLatitude = -static_cast<int32_t>(oRandom() % 900000000u);
        o.lLongitude = static_cast<int32_t>(oRandom() % 2000000000u) - 1000000000;
        o.lTime = static_cast<int32_t>(oRandom() % 900000000u);
        o.fProximity = static_cast<float>(oRandom() % 1000);
        o.sSymbol = static_cast<int16_t>(oRandom() % 200);
        o.bDisplay = static_cast<uint8_t>(oRandom() % 3);
        o.bColor = static_cast<uint8_t>(oRandom() % 2 == 0 ? 255 : oRandom() % 16);
        o.fAltitude = -static_cast<float>(oRandom() % 10000) / 4.0f;
        iAddWaypoint(&w, o);
    }
    Route oR = oRoute(12, "to the hut", {"A", "B,comma", "Zeta"});
    iAddRoute(&w, oR);
}

} // namespace

TEST(TextExportRoundTrip, HexLayoutIsBitExact) {
    TempFolder oFolder;
    Workspace w;
    vFillVaried(w);
    // Values no text layout survives: NaN and infinite floats, the extreme angles.
    TrackPoint oOdd{INT32_MIN, INT32_MAX, 1, std::bit_cast<float>(0x7FC00001u), 0};
    iAddTrackPoint(&w, oOdd);
    Waypoint oW = oWaypoint("ODD");
    oW.fProximity = std::bit_cast<float>(0xFF800000u);
    oW.fAltitude = std::bit_cast<float>(0x80000000u);
    oW.bColor = 255;
    iAddWaypoint(&w, oW);
    std::string sName = oFolder.sPath("bits.vkh");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    Workspace r;
    ASSERT_EQ(1, iLoadFile(&r, sName.c_str()));
    vExpectSameWaypoints(w, r);
    vExpectSameTrack(w, r);
    ASSERT_EQ(1u, r.pStore->pRoutes.size());
    vExpectSameRoute(w.pStore->pRoutes.begin()->second, r.pStore->pRoutes.begin()->second);
}

// Track lines are built in the output block itself: a track of several blocks
// comes back whole, every line ended by CR LF.
TEST(TextExportRoundTrip, TrackOfManyOutputBlocksReadsBackWhole) {
    TempFolder oFolder;
    Workspace w;
    std::mt19937 oRandom(9);
    for (int i = 0; i < 30000; ++i) {
        TrackPoint o{static_cast<int32_t>(oRandom()), static_cast<int32_t>(oRandom()), i,
                     std::bit_cast<float>(static_cast<uint32_t>(oRandom())), i % 500 == 0};
        iAddTrackPoint(&w, o);
    }
    std::string sName = oFolder.sPath("long.vkh");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
    const std::string sText = sReadFile(sName);
    const std::string sHead = sHeader() + "*TRH Latitude,Longitude,Time,Altitude,SegmentStart\n";
    const size_t nLine = 44; // "TRH ", four fields of 8 digits, the flag's 2, commas, CR LF
    EXPECT_EQ(sText.size(), sCrLf(sHead).size() + 30000 * nLine);
    EXPECT_EQ(std::count(sText.begin(), sText.end(), '\n'),
              std::count(sText.begin(), sText.end(), '\r'));
    Workspace r;
    ASSERT_EQ(1, iLoadFile(&r, sName.c_str()));
    vExpectSameTrack(w, r);
}

TEST(TextExportRoundTrip, SegmentFlagsAboveNineSurviveTheHexLayout) {
    // The flag goes out as two hexadecimal digits; reading it as a decimal
    // number would turn 10 ("0A") into 0 and lose the segment start.
    Workspace w;
    ASSERT_EQ(1, iRead(w, "TRH 00000001,00000002,00000003,00000000,0A\n"
                          "TRH 00000001,00000002,00000004,00000000,FFFFFFFF\n"));
    auto it = aTrackPoints(*w.pStore).begin();
    EXPECT_EQ(10, it->fNewSegment);
    EXPECT_EQ(-1, (++it)->fNewSegment);
}

TEST(TextExportRoundTrip, ColumnAlignedReadsBackAsThePlainLayout) {
    TempFolder oFolder;
    for (int16_t sFormat : {1, 2, 3, 4}) {
        Workspace w;
        w.sCoordFormat = sFormat;
        vFillVaried(w);
        std::string sPlain = oFolder.sPath("plain.vke");
        std::string sTabbed = oFolder.sPath("tabbed.vke");
        ASSERT_EQ(1, iSaveFile(&w, sPlain.c_str(), 7));
        w.fTabbedExport = 1;
        ASSERT_EQ(1, iSaveFile(&w, sTabbed.c_str(), 7));
        Workspace a;
        Workspace b;
        ASSERT_EQ(1, iLoadFile(&a, sPlain.c_str()));
        ASSERT_EQ(1, iLoadFile(&b, sTabbed.c_str()));
        vExpectSameWaypoints(a, b);
        vExpectSameTrack(a, b);
        // Against the original: names, comments, times and small fields are
        // exact, positions within the notation's precision.
        ASSERT_EQ(w.pStore->pWaypoints.size(), a.pStore->pWaypoints.size());
        auto itA = a.pStore->pWaypoints.begin();
        for (const auto &[sKey, oW] : w.pStore->pWaypoints) {
            const Waypoint &oA = (itA++)->second;
            EXPECT_STREQ(oW.szName, oA.szName);
            EXPECT_STREQ(oW.szComment, oA.szComment);
            EXPECT_EQ(oW.lTime, oA.lTime);
            EXPECT_EQ(oW.sSymbol, oA.sSymbol);
            EXPECT_EQ(oW.bDisplay, oA.bDisplay);
            EXPECT_EQ(oW.bColor, oA.bColor);
            EXPECT_FLOAT_EQ(oW.fProximity, oA.fProximity);
            EXPECT_NEAR(oW.fAltitude, oA.fAltitude, 0.005);
            EXPECT_NEAR(dSemicirclesToDegrees(oW.lLatitude), dSemicirclesToDegrees(oA.lLatitude),
                        3e-5)
                << "format " << sFormat;
            EXPECT_NEAR(dSemicirclesToDegrees(oW.lLongitude), dSemicirclesToDegrees(oA.lLongitude),
                        3e-5)
                << "format " << sFormat;
        }
    }
}

TEST(TextExportRoundTrip, LongRouteOfLongNamesReadsBackWhole) {
    TempFolder oFolder;
    Workspace w;
    std::vector<std::string> asNames;
    for (int i = 0; i < 232; ++i) {
        asNames.push_back(std::string(48, static_cast<char>('A' + i % 26)) +
                          std::to_string(i % 10) + "Z");
    }
    Route oR = oRoute(1, "twenty characters!!!", asNames);
    iAddRoute(&w, oR);
    std::string sName = oFolder.sPath("route.vke");
    ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 1));
    Workspace r;
    ASSERT_EQ(1, iLoadFile(&r, sName.c_str()));
    ASSERT_EQ(1u, r.pStore->pRoutes.size());
    vExpectSameRoute(oR, r.pStore->pRoutes.begin()->second);
}

TEST(TextExportRoundTrip, HandEditedFilesStillRead) {
    TempFolder oFolder;
    Workspace w;
    w.sCoordFormat = 2;
    vFillVaried(w);
    for (int iLayout = 0; iLayout < 3; ++iLayout) {
        w.fTabbedExport = iLayout == 1 ? 1 : 0;
        std::string sName = oFolder.sPath(iLayout == 2 ? "x.vkh" : "x.vke");
        ASSERT_EQ(1, iSaveFile(&w, sName.c_str(), 7));
        std::string sText = sReadFile(sName);
        Workspace oReference;
        ASSERT_EQ(1, iRead(oReference, sText));
        // LF line ends and blanks left at the ends of lines change nothing.
        std::string sEdited;
        for (char c : sText) {
            if (c == '\r') {
                continue;
            }
            if (c == '\n') {
                sEdited += "  \t ";
            }
            sEdited += c;
        }
        Workspace oEdited;
        ASSERT_EQ(1, iRead(oEdited, sEdited)) << iLayout;
        vExpectSameWaypoints(oReference, oEdited);
        vExpectSameTrack(oReference, oEdited);
        EXPECT_EQ(oReference.pStore->pRoutes.size(), oEdited.pStore->pRoutes.size());
    }
}

// ---------------------------------------------------------------- reader rules

TEST(TextExportReader, WithoutVersionLineWaypointAndTrackLinesAreReadAsVersionZero) {
    Workspace w;
    const std::string sPos = "N48\xB0"
                             "30.000' E009\xB0"
                             "15.000'";
    ASSERT_EQ(1, iRead(w, "WPT \"N\",\"C\"," + sPos + ",01/01/1990 00:00:00,1,25.5,2,3,4\n" +
                              "TRK " + sPos + ",01/01/1990 00:00:00,350.75,1\n"));
    const Waypoint &o = w.pStore->pWaypoints.begin()->second;
    EXPECT_FLOAT_EQ(25.5f, o.fProximity);
    EXPECT_EQ(sGetStoredSymbol(3, 103), o.sSymbol);
    EXPECT_EQ(bGetStoredDisplay(4, 103), o.bDisplay);
    EXPECT_EQ(255, o.bColor);
    EXPECT_EQ(0.0f, o.fAltitude);
    const TrackPoint &t = *aTrackPoints(*w.pStore).begin();
    EXPECT_EQ(350, t.fNewSegment);
    EXPECT_EQ(0.0f, t.fAltitude);
    EXPECT_EQ(lDegreesToSemicircles(48.5), t.lLatitude);
}

TEST(TextExportReader, DatumLineSelectsTheDatumOrStopsTheImport) {
    const char *pszDatum = nullptr;
    const char *pszEllipsoid = nullptr;
    vGetDatumNames(28, &pszDatum, &pszEllipsoid);
    std::string sLower = std::string("DAT 28,\"") + pszDatum + "\",\"" + pszEllipsoid + "\"";
    for (char &c : sLower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    sLower.replace(0, 3, "DAT");
    int16_t sDatum = 100;
    EXPECT_EQ(1, iParseDatumLine(sLower, sDatum));
    EXPECT_EQ(28, sDatum);
    EXPECT_EQ(0, iParseDatumLine(std::string("DAT 28,\"") + pszDatum + "\",\"Nonsense\"", sDatum));
    EXPECT_EQ(0, iParseDatumLine("DAT 102,\"\",\"\"", sDatum));
    EXPECT_EQ(0, iParseDatumLine("DAT -1", sDatum));

    // A bad datum line ends the import there: what came before stays, the
    // rest is not read, and standard error names the line.
    Workspace w;
    testing::internal::CaptureStderr();
    int iResult = iRead(w, "VER 1\nRTE 1,0,\"a\"\nDAT 28,\"x\",\"y\"\nRTE 2,0,\"b\"\n");
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, iResult);
    EXPECT_EQ(1u, w.pStore->pRoutes.size());
    EXPECT_NE(sError.find("'test.vke' line 3:"), std::string::npos) << sError;
}

TEST(TextExportReader, DatumAndTimeOffsetApplyToTheLinesAfterThem) {
    const std::string sLine = "WPT \"A\",\"\",32U 0518468 5371906,01/01/1990 01:00:00,0,0,0,0,0\n";
    Workspace a;
    ASSERT_EQ(1, iRead(a, "VER 1\n" + sLine));
    Workspace b;
    ASSERT_EQ(1, iRead(b, "VER 1\nUTC 3600\n" + sDatumLine(28) + "\n" + sLine));
    const Waypoint &oA = a.pStore->pWaypoints.begin()->second;
    const Waypoint &oB = b.pStore->pWaypoints.begin()->second;
    EXPECT_EQ(86400 + 3600, oA.lTime);
    EXPECT_EQ(86400, oB.lTime);
    // The same grid text in European 1950 lies some 100 m from its WGS 84 reading.
    EXPECT_NE(oA.lLatitude, oB.lLatitude);
    EXPECT_NEAR(dSemicirclesToDegrees(oA.lLatitude), dSemicirclesToDegrees(oB.lLatitude), 0.01);
}

TEST(TextExportReader, KeywordRules) {
    Workspace w;
    // Unknown keywords, blank lines and comments are skipped; a record keyword
    // in lower case ends the import with a message.
    testing::internal::CaptureStderr();
    int iResult =
        iRead(w, "* comment\n\nXYZ whatever\nRTE 1,0,\"a\"\nver 1\nwpt \"x\",\"\"\nRTE 2,0,\"\"\n");
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, iResult);
    EXPECT_EQ(1u, w.pStore->pRoutes.size());
    EXPECT_NE(sError.find("line 6"), std::string::npos) << sError;
    EXPECT_NE(sError.find("upper case"), std::string::npos) << sError;
}

TEST(TextExportReader, RouteNamesStopAtTheFirstEmptyField) {
    Workspace w;
    ASSERT_EQ(
        1, iRead(w, "RTE 1,3,\"c\",\"A\",\"B\",\"C\"\nRTE 2,5,\"c\",\"A\",\"B\",\"C\",\"\",\"E\"\n"
                    "RTE 3,9,\"comment longer than twenty\",\"A\"\n"));
    const Route &o1 = w.pStore->pRoutes.at(1);
    const Route &o2 = w.pStore->pRoutes.at(2);
    const Route &o3 = w.pStore->pRoutes.at(3);
    EXPECT_EQ(3u, o1.aszPoints.size());
    EXPECT_STREQ("C", o1.aszPoints[2]);
    // The count field never makes a route claim names it does not hold.
    EXPECT_EQ(3u, o2.aszPoints.size());
    EXPECT_EQ(1u, o3.aszPoints.size());
    EXPECT_STREQ("comment longer than", o3.szComment); // 20 characters, trailing blank trimmed
}

TEST(TextExportReader, MissingFileFailsWithAMessage) {
    Workspace w;
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iImportTextExport(&w, "/nonexistent/folder/x.vke"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("x.vke"), std::string::npos);
}

TEST(TextExportReader, FuzzShapedInputNeitherCrashesNorHangs) {
    std::mt19937 oRandom(3);
    std::vector<std::string> asInputs;
    std::string sGarbage(1 << 20, '\0');
    for (char &c : sGarbage) {
        c = static_cast<char>(oRandom());
    }
    asInputs.push_back(sGarbage);
    asInputs.push_back("WPT " + std::string(10 << 20, 'a'));
    asInputs.push_back("RTE 1,1," + std::string(10 << 20, '"'));
    asInputs.push_back("RTE " + std::string(100000, ','));
    asInputs.push_back("VER 1\nWPT " + std::string(100000, ','));
    asInputs.push_back("TRK " + std::string(100000, ','));
    asInputs.push_back(
        "VER 1\nWPT \"unterminated,\"also\nTRH\nWPH \"x\nDAT\nDAT 5\nUTC\nVER\nRTE\n");
    asInputs.push_back("WPH \"a\",\"b\",1,2,3\nTRH 1\nTRK\nWPT\n");
    asInputs.push_back("UTC 99999999999999999999\nRTE 99999999999999999999,-5,\"\"\n");
    for (const std::string &s : asInputs) {
        Workspace w;
        testing::internal::CaptureStderr();
        iRead(w, s);
        testing::internal::GetCapturedStderr();
        EXPECT_LE(w.pStore->pRoutes.size(), 2u);
        for (const auto &[lNumber, oRoute] : w.pStore->pRoutes) {
            EXPECT_LE(oRoute.aszPoints.size(), 30u);
        }
    }
}
