// OziExplorer waypoint and track files: line layouts, altitude and proximity
// rules, the readers' header checks, and bad input.

#include "formats/ozi.h"
#include "tests/store_points.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "store/workspace.h"

using namespace exchange_test;
using ::testing::HasSubstr;

namespace {

Waypoint oWaypoint(const char *pszName, double dLatitude, double dLongitude) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    o.lLatitude = lSemi(dLatitude);
    o.lLongitude = lSemi(dLongitude);
    return o;
}

const std::string kWaypointHeader = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\n"
                                    "Reserved 2\r\ngarmin16\r\n";
const std::string kTrackHeader = "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\n"
                                 "Altitude is in Feet\r\nReserved 3\r\n"
                                 "0,2,255,Garmin Track,0,0,0,8421376\r\n";

} // namespace

TEST(OziWaypointLine, FieldsPositionsAltitudeAndProximity) {
    Waypoint o = oWaypoint("CHURCH", 48.5, -9.25);
    std::snprintf(o.szComment, sizeof(o.szComment), "old tower");
    o.sSymbol = 18;
    o.bDisplay = 2;
    o.fProximity = 99.6f;
    o.fAltitude = 1000.0f;
    EXPECT_STREQ(szFormatOziWaypoint(o),
                 "-1,CHURCH,  48.500000,  -9.250000,,18,1,,,,old tower,,2,100,3281");
    o.fAltitude = -777.0f; // the program's "no altitude"
    EXPECT_THAT(szFormatOziWaypoint(o), ::testing::EndsWith(",100,-777"));
    o.fAltitude = -700.0f; // still a real altitude
    EXPECT_THAT(szFormatOziWaypoint(o), ::testing::EndsWith(",-2296"));
    // Feet past 16 bits keep their value instead of wrapping negative.
    o.fAltitude = 12000.0f;
    o.fProximity = 50000.0f;
    EXPECT_THAT(szFormatOziWaypoint(o), ::testing::EndsWith(",50000,39370"));
    // A time goes into the date field as a day count.
    o.lTime = 3712 * 86400 + 43200;
    EXPECT_THAT(szFormatOziWaypoint(o), HasSubstr(",  -9.250000,36585.5000000,18,1,"));
}

// -777 feet is no altitude both ways; every other altitude, sea level and
// below, is written in feet and read back.
TEST(OziTrackLine, AltitudesInFeetBothWays) {
    const struct {
        float fMetres;
        const char *pszFeet;
        float fReadBack;
    } aCases[] = {
        {1000.0f, "3281", 1000.0488f},      {0.0f, "0", 0.0f},
        {-10.0f, "-32", -9.7536f},          {-400.0f, "-1311", -399.5928f},
        {kNoAltitude, "-777", kNoAltitude},
    };
    for (const auto &c : aCases) {
        // 29 February 2000, noon: day 3712 after the receiver epoch.
        TrackPoint o = oPoint(48.5, 9.25, 3712 * 86400 + 43200, c.fMetres, 1);
        const std::string sLine = szFormatOziTrackPoint(o);
        EXPECT_EQ(sLine, std::string("  48.500000,   9.250000,1,") + c.pszFeet + ",36585.5000000");
        Workspace w;
        ASSERT_EQ(iParseOziTrackPoint(&w, sLine), 1);
        EXPECT_NEAR(aTrackPoints(*w.pStore).front().fAltitude, c.fReadBack, 1e-3) << c.pszFeet;
    }
}

TEST(OziReaders, ReadTheirLinesBack) {
    Workspace w;
    ASSERT_EQ(
        iParseOziWaypoint(&w, "-1,CHURCH,  48.500000,  -9.250000,,18,1,,,,old tower,,2,100,3281"),
        1);
    ASSERT_EQ(iParseOziWaypoint(&w, "-1,NOALT,1,2,,0,1,,,,,,0,0,-777"), 1);
    ASSERT_EQ(iParseOziWaypoint(&w, "-1,LOW,1,2,36585.5,0,1,,,,,,0,0,-1000"), 1);
    ASSERT_EQ(iParseOziWaypoint(&w, "-1,UNIX,1,2,25569.0,0,1,,,,,,0,0,0"), 1);
    const Waypoint *p = pFindWaypoint(&w, "CHURCH");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 48.5, 1e-6);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, -9.25, 1e-6);
    EXPECT_STREQ(p->szComment, "old tower");
    EXPECT_EQ(p->sSymbol, 18);
    EXPECT_EQ(p->bDisplay, 2);
    EXPECT_EQ(p->bColor, 255);
    EXPECT_EQ(p->lTime, 0);
    EXPECT_FLOAT_EQ(p->fProximity, 100.0f);
    EXPECT_NEAR(p->fAltitude, 3281 * 0.3048, 1e-3); // 1000.0488 m
    EXPECT_FLOAT_EQ(pFindWaypoint(&w, "NOALT")->fAltitude, -777.0f);
    EXPECT_EQ(pFindWaypoint(&w, "LOW")->lTime, 3712 * 86400 + 43200);
    EXPECT_NEAR(pFindWaypoint(&w, "LOW")->fAltitude, -304.8, 1e-3);
    EXPECT_EQ(pFindWaypoint(&w, "UNIX")->lTime, 0); // 1970-01-01 is no time

    ASSERT_EQ(iParseOziTrackPoint(&w, "  48.500000,   9.250000,1,3281,36585.5000000,extra"), 1);
    ASSERT_EQ(iParseOziTrackPoint(&w, "  48.500000,   9.250000,0,-777,36585.5001157"), 1);
    ASSERT_EQ(aTrackPoints(*w.pStore).size(), 2u);
    auto it = aTrackPoints(*w.pStore).begin();
    EXPECT_EQ(it->lTime, 3712 * 86400 + 43200);
    EXPECT_EQ(it->fNewSegment, 1);
    EXPECT_NEAR(it->fAltitude, 1000.0488, 1e-3);
    ++it;
    EXPECT_EQ(it->fAltitude, kNoAltitude);
    EXPECT_NEAR(it->lTime, 3712 * 86400 + 43210, 1);
}

TEST(OziRoundTrip, StoreWrittenAndReadBackKeepsItsRecords) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint a = oWaypoint("A", 48.5, -9.25);
    a.sSymbol = 7;
    a.fAltitude = 250.0f;
    Waypoint b = oWaypoint("B", -33.9, 151.2);
    b.fAltitude = -777.0f;
    b.lTime = -86400 * 8036; // 1967
    iAddWaypoint(&w, a);
    iAddWaypoint(&w, b);
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 1000, 100.0f, 1));
    iAddTrackPoint(&w, oPoint(48.6, 9.35, 1010, 0.0f));

    std::string sOzi = sExport(w, oFolder, kFileOziWaypoints, "w.ozi");
    std::string sPlt = sExport(w, oFolder, kFileOziTrack, "t.plt");
    // Each file carries its own kind only.
    EXPECT_EQ(aLines(sOzi).size(), 4u + 2u);
    EXPECT_EQ(aLines(sPlt).size(), 5u + 1u + 2u);
    EXPECT_EQ(aLines(sPlt)[5], "2");

    Workspace r;
    ASSERT_EQ(iImportOziWaypointsFromBuffer(&r, sOzi, "w.ozi"), 1);
    ASSERT_EQ(iImportOziTrackFromBuffer(&r, sPlt, "t.plt"), 1);
    ASSERT_EQ(r.pStore->pWaypoints.size(), 2u);
    EXPECT_EQ(pFindWaypoint(&r, "A")->sSymbol, 7);
    EXPECT_NEAR(pFindWaypoint(&r, "A")->fAltitude, 250.0, 0.2);
    EXPECT_FLOAT_EQ(pFindWaypoint(&r, "B")->fAltitude, -777.0f);
    EXPECT_EQ(pFindWaypoint(&r, "A")->lTime, 0);
    EXPECT_EQ(pFindWaypoint(&r, "B")->lTime, -86400 * 8036);
    EXPECT_NEAR(pFindWaypoint(&r, "B")->lLatitude * kSemicircleDegrees, -33.9, 1e-6);
    ASSERT_EQ(aTrackPoints(*r.pStore).size(), 2u);
    auto it = aTrackPoints(*r.pStore).begin();
    EXPECT_NEAR(it->lTime, 1000, 1);
    EXPECT_EQ(it->fNewSegment, 1);
    EXPECT_NEAR((++it)->lLongitude * kSemicircleDegrees, 9.35, 1e-6);
}

TEST(OziRoundTrip, CommaInANameOrCommentStaysInItsField) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint a = oWaypoint("HUT, UPPER", 47.0, 11.0);
    std::snprintf(a.szComment, sizeof(a.szComment), "water, wood");
    a.sSymbol = 3;
    iAddWaypoint(&w, a);
    std::string sOzi = sExport(w, oFolder, kFileOziWaypoints, "w.ozi");
    EXPECT_THAT(sOzi, HasSubstr("-1,HUT\xD1 UPPER,"));
    Workspace r;
    ASSERT_EQ(iImportOziWaypointsFromBuffer(&r, sOzi, "w.ozi"), 1);
    const Waypoint *p = pFindWaypoint(&r, "HUT, UPPER");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->szComment, "water, wood");
    EXPECT_EQ(p->sSymbol, 3);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, 11.0, 1e-6);
}

TEST(OziExport, EmptyStoreGivesHeadersOnly) {
    ScratchFolder oFolder;
    Workspace w;
    EXPECT_EQ(sExport(w, oFolder, kFileOziWaypoints, "w.ozi"), kWaypointHeader);
    EXPECT_EQ(sExport(w, oFolder, kFileOziTrack, "t.plt"), kTrackHeader);
}

TEST(OziExport, CountLineHoldsTheTrueNumberPastSixteenBits) {
    ScratchFolder oFolder;
    Workspace w;
    for (int k = 0; k < 40000; ++k) {
        iAddTrackPoint(&w, oPoint(48.0, 9.0, 1000 + k, 10.0f));
    }
    std::string sPlt = sExport(w, oFolder, kFileOziTrack, "t.plt");
    std::vector<std::string> aText = aLines(sPlt);
    ASSERT_EQ(aText.size(), 5u + 1u + 40000u);
    EXPECT_EQ(aText[5], "40000");
}

TEST(OziImport, WrongFirstLineStoresNothingAndSaysSo) {
    Workspace w;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iImportOziWaypointsFromBuffer(&w,
                                            "OziExplorer Track Point File Version 2.1\r\n"
                                            "WGS 84\r\nx\r\ny\r\n-1,A,1,2\r\n",
                                            "x.ozi"),
              0);
    EXPECT_EQ(iImportOziTrackFromBuffer(&w, "", "y.plt"), 0);
    // The first line is compared case-sensitively.
    EXPECT_EQ(iImportOziTrackFromBuffer(&w, "oziexplorer track point file\r\n", "z.plt"), 0);
    std::string sErrors = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(sErrors, HasSubstr("'x.ozi'"));
    EXPECT_THAT(sErrors, HasSubstr("'y.plt'"));
    EXPECT_THAT(sErrors, HasSubstr("'z.plt'"));
    EXPECT_TRUE(w.pStore->pWaypoints.empty());
    EXPECT_TRUE(aTrackPoints(*w.pStore).empty());
}

TEST(OziImport, HeaderLinesAreSkippedWhateverTheyHold) {
    Workspace w;
    // LF line ends and a foreign datum line.
    ASSERT_EQ(iImportOziWaypointsFromBuffer(&w,
                                            "OziExplorer Waypoint File Version 1.1\n"
                                            "-1,NOTME,5,5\n-1,NOTME2,5,5\n-1,NOTME3,5,5\n"
                                            "-1,YES,10,20\n",
                                            "w.ozi"),
              1);
    EXPECT_EQ(w.pStore->pWaypoints.size(), 1u);
    EXPECT_NE(pFindWaypoint(&w, "YES"), nullptr);
    EXPECT_EQ(pFindWaypoint(&w, "NOTME"), nullptr);
    // A file that ends inside its header holds nothing, and that is no failure.
    Workspace t;
    EXPECT_EQ(iImportOziTrackFromBuffer(
                  &t, "OziExplorer Track Point File Version 2.1\r\nWGS 84\r\n", "t.plt"),
              1);
    EXPECT_TRUE(aTrackPoints(*t.pStore).empty());
}

TEST(OziImport, FuzzShapedInputNeitherCrashesNorHangs) {
    std::mt19937 oRandom(4);
    std::string sGarbage(200000, '\0');
    for (char &c : sGarbage) {
        c = static_cast<char>(oRandom());
    }
    std::string sLongLine(10 * 1024 * 1024, '7');
    std::string sCommas(100000, ',');
    std::string sNumbers = std::string(300, '9') + "," + std::string(300, '9') + ",1e999,nan,inf";
    for (const std::string &sBody : {sGarbage, sLongLine, sCommas, sNumbers}) {
        Workspace w;
        iImportOziWaypointsFromBuffer(&w, kWaypointHeader + sBody, "f.ozi");
        iImportOziTrackFromBuffer(&w, kTrackHeader + "3\r\n" + sBody, "f.plt");
        for (const TrackPoint &o : aTrackPoints(*w.pStore)) {
            EXPECT_FALSE(std::isnan(o.fAltitude));
        }
        for (const auto &[sName, o] : w.pStore->pWaypoints) {
            EXPECT_LT(std::strlen(o.szName), size_t(kNameSize));
            EXPECT_FALSE(std::isnan(o.fProximity));
        }
    }
}
