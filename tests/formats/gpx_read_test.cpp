// GPX reading: round trips of every field the writer puts out, what other
// programs' files hold, points without a position, and hostile files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include <thread>
#endif

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "files/load_save.h"
#include "formats/gpx.h"
#include "garmin/waypoint_symbols.h"
#include "gpx_store_compare.h"
#include "gpx_test_support.h"
#include "tests/store_points.h"

using namespace exchange_test;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

constexpr const char *kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<gpx version=\"1.1\" creator=\"t\" "
                              "xmlns=\"http://www.topografix.com/GPX/1/1\" "
                              "xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\">\n";

struct Read {
    int iResult = 0;
    std::string sErr;
};

// Reads the text from memory into the workspace; the result and standard error.
Read oRead(Workspace &w, const std::string &sText, const char *pszName = "t.gpx") {
    Read o;
    ::testing::internal::CaptureStderr();
    o.iResult = iImportGpxBuffer(&w, sText, pszName);
    o.sErr = ::testing::internal::GetCapturedStderr();
    return o;
}

Read oReadBody(Workspace &w, const std::string &sBody) {
    return oRead(w, std::string(kHead) + sBody + "</gpx>\n");
}

std::vector<TrackPoint> aTrack(const Workspace &w) {
    return aTrackPoints(*w.pStore);
}

int nLinesOf(const std::string &s) {
    int n = 0;
    for (char c : s) {
        n += c == '\n';
    }
    return n;
}

void vExpectSameWaypoint(const Waypoint &a, const Waypoint &b) {
    EXPECT_STREQ(a.szName, b.szName);
    EXPECT_STREQ(a.szComment, b.szComment);
    EXPECT_EQ(a.lLatitude, b.lLatitude);
    EXPECT_EQ(a.lLongitude, b.lLongitude);
    EXPECT_EQ(a.lTime, b.lTime);
    EXPECT_EQ(a.fProximity, b.fProximity);
    EXPECT_EQ(a.sSymbol, b.sSymbol);
    EXPECT_EQ(a.bDisplay, b.bDisplay);
    EXPECT_EQ(a.bColor, b.bColor);
    EXPECT_EQ(a.fAltitude, b.fAltitude);
}

} // namespace

TEST(GpxRoundTrip, EveryFieldComesBackThroughLoadAndSave) {
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    std::string sPath = oFolder.sPath("all.gpx");
    ASSERT_EQ(iSaveFile(&w, sPath.c_str(), 7), 1);
    Workspace r;
    ASSERT_EQ(iLoadFile(&r, sPath.c_str()), 1);
    EXPECT_EQ(sLoadFileType(sPath.c_str()), kFileGpx);

    ASSERT_EQ(r.pStore->pWaypoints.size(), w.pStore->pWaypoints.size());
    for (const auto &[sName, oWaypoint] : w.pStore->pWaypoints) {
        SCOPED_TRACE(sName);
        const Waypoint *p = pFindWaypoint(&r, sName.c_str());
        ASSERT_NE(p, nullptr);
        vExpectSameWaypoint(*p, oWaypoint);
    }
    ASSERT_EQ(r.pStore->pRoutes.size(), 2u);
    const Route &a = r.pStore->pRoutes.at(3);
    EXPECT_STREQ(a.szComment, "Sunday & more");
    ASSERT_EQ(a.aszPoints.size(), 4u);
    const char *apszOrder[] = {"NORTH", "ALPHA", "RPT001", "ALPHA"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_STREQ(a.aszPoints[k], apszOrder[k]);
    }
    const Route &b = r.pStore->pRoutes.at(7);
    EXPECT_STREQ(b.szComment, "Route 7"); // the name a route without comment is written with
    ASSERT_EQ(b.aszPoints.size(), 1u);
    EXPECT_STREQ(b.aszPoints[0], "\xc4rger");

    std::vector<TrackPoint> aWritten = aTrack(w), aBack = aTrack(r);
    ASSERT_EQ(aBack.size(), aWritten.size());
    for (size_t k = 0; k < aBack.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(aBack[k].lLatitude, aWritten[k].lLatitude);
        EXPECT_EQ(aBack[k].lLongitude, aWritten[k].lLongitude);
        EXPECT_EQ(aBack[k].lTime, aWritten[k].lTime);
        EXPECT_EQ(aBack[k].fAltitude, aWritten[k].fAltitude);
        EXPECT_EQ(aBack[k].fNewSegment, aWritten[k].fNewSegment);
    }
    // Written again, the store gives the same bytes.
    std::string sAgain = oFolder.sPath("again.gpx");
    ASSERT_EQ(iSaveFile(&r, sAgain.c_str(), 7), 1);
    Workspace r2;
    ASSERT_EQ(iLoadFile(&r2, sAgain.c_str()), 1);
    std::string sThird = oFolder.sPath("third.gpx");
    ASSERT_EQ(iSaveFile(&r2, sThird.c_str(), 7), 1);
    EXPECT_EQ(sReadFile(sThird), sReadFile(sAgain));
}

TEST(GpxRoundTrip, EverySemicircleValueOfAGridComesBackExactly) {
    ScratchFolder oFolder;
    Workspace w;
    std::mt19937 oRandom(13);
    std::vector<int32_t> aValues = {0, 1, -1, 2, INT32_MIN, INT32_MAX, 1 << 30, -(1 << 30)};
    for (int k = 0; k < 3000; ++k) {
        aValues.push_back(static_cast<int32_t>(oRandom()));
    }
    for (size_t k = 0; k < aValues.size(); ++k) {
        TrackPoint o{};
        o.lLatitude = aValues[k] / 2; // within +-90 degrees
        o.lLongitude = aValues[k];
        o.lTime = static_cast<int32_t>(k + 1);
        o.fAltitude = std::bit_cast<float>(static_cast<uint32_t>(oRandom()) & 0x477fffffu);
        iAddTrackPoint(&w, o);
    }
    std::string sPath = oFolder.sPath("grid.gpx");
    ASSERT_EQ(iSaveFile(&w, sPath.c_str(), 7), 1);
    Workspace r;
    ASSERT_EQ(iLoadFile(&r, sPath.c_str()), 1);
    std::vector<TrackPoint> aWritten = aTrack(w), aBack = aTrack(r);
    ASSERT_EQ(aBack.size(), aWritten.size());
    for (size_t k = 0; k < aBack.size(); ++k) {
        ASSERT_EQ(aBack[k].lLatitude, aWritten[k].lLatitude) << k;
        ASSERT_EQ(aBack[k].lLongitude, aWritten[k].lLongitude) << k;
        ASSERT_EQ(aBack[k].fAltitude, aWritten[k].fAltitude) << k;
    }
}

TEST(GpxRead, PositionsRoundToTheNearestSemicircle) {
    Workspace w;
    Read o = oReadBody(w, "<trk><trkseg>"
                          "<trkpt lat=\"0.000000042\" lon=\"-0.000000041\"/>"
                          "<trkpt lat=\" +90 \" lon=\"180\"/>"
                          "<trkpt lat=\"-90.0\" lon=\"-180.000\"/>"
                          "<trkpt lat=\"4.5e1\" lon=\".5\"/>"
                          "</trkseg></trk>");
    ASSERT_EQ(o.iResult, 1) << o.sErr;
    std::vector<TrackPoint> a = aTrack(w);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0].lLatitude, 1);
    EXPECT_EQ(a[0].lLongitude, 0);
    EXPECT_EQ(a[1].lLatitude, 1 << 30);
    EXPECT_EQ(a[1].lLongitude, INT32_MAX); // +180 stays east
    EXPECT_EQ(a[2].lLatitude, -(1 << 30));
    EXPECT_EQ(a[2].lLongitude, INT32_MIN);
    EXPECT_EQ(a[3].lLatitude, 1 << 29);
    EXPECT_EQ(a[3].lLongitude, 5965232);
    EXPECT_EQ(a[0].fAltitude, -777.0f);
    EXPECT_EQ(a[0].lTime, 0);
}

TEST(GpxRead, TimesInEveryZoneAndFraction) {
    EXPECT_EQ(lParseGpxTime("1989-12-31T00:00:01Z"), 1);
    EXPECT_EQ(lParseGpxTime("1989-12-31T00:00:00Z"), 0);
    EXPECT_EQ(lParseGpxTime("1989-12-30T23:59:59Z"), -1);
    EXPECT_EQ(lParseGpxTime("1921-12-12T20:45:52Z"), INT32_MIN);
    EXPECT_EQ(lParseGpxTime("1921-12-12T20:45:51Z"), 0);
    EXPECT_EQ(lParseGpxTime("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(lParseGpxTime("1990-01-01T00:00:00Z"), 86400);
    EXPECT_EQ(lParseGpxTime("1990-01-01T01:00:00+01:00"), 86400);
    EXPECT_EQ(lParseGpxTime("1989-12-31T19:30:00-04:30"), 86400);
    EXPECT_EQ(lParseGpxTime("1990-01-01T00:00:00.5Z"), 86401);
    EXPECT_EQ(lParseGpxTime("1990-01-01T00:00:00.499Z"), 86400);
    EXPECT_EQ(lParseGpxTime("1989-12-31T23:59:59.999Z"), 86400);
    EXPECT_EQ(lParseGpxTime(" 1990-01-01T00:00:00 "), 86400); // no zone: UTC
    EXPECT_EQ(lParseGpxTime("2000-02-29T00:00:00Z"), 3712 * 86400);
    EXPECT_EQ(lParseGpxTime("2058-01-18T03:14:07Z"), INT32_MAX);
    EXPECT_EQ(lParseGpxTime("2058-01-18T03:14:08Z"), 0);
    for (const char *psz :
         {"", "yesterday", "1990-01-01", "1990-13-01T00:00:00Z", "1990-01-01T00:00:00.Z",
          "1990-01-01T00:00:00+1:00", "1990-01-01 00:00:00Z", "1990-01-01T00:00:00Zulu"}) {
        EXPECT_EQ(lParseGpxTime(psz), 0) << psz;
    }
}

TEST(GpxRead, WaypointFieldsNamesAndSymbols) {
    Workspace w;
    Read o = oReadBody(
        w, "<wpt lat=\"1\" lon=\"2\"><ele>12.5</ele><time>1990-01-01T00:00:00Z</time>"
           "<name> Z\xc3\xbcrich &amp; \xe2\x82\xac </name><desc>only a description</desc>"
           "<sym>flag, BLUE</sym><extensions><gpxx:WaypointExtension>"
           "<gpxx:Proximity>75.5</gpxx:Proximity><gpxx:DisplayMode>SymbolAndDescription"
           "</gpxx:DisplayMode></gpxx:WaypointExtension></extensions></wpt>\n"
           "<wpt lat=\"3\" lon=\"4\"><name>"
           "0123456789012345678901234567890123456789012345678\xc3\xa9XYZ</name>"
           "<cmt>comment</cmt><desc>not this</desc><sym>no such symbol</sym></wpt>\n"
           "<wpt lat=\"5\" lon=\"6\"><name>N</name><sym>8255</sym></wpt>\n"
           "<wpt lat=\"7\" lon=\"8\"><name>N</name><sym>Hotel</sym></wpt>\n"
           "<wpt lat=\"9\" lon=\"9\"/><wpt lat=\"9\" lon=\"9\"><name> </name></wpt>\n");
    ASSERT_EQ(o.iResult, 1) << o.sErr;
    ASSERT_EQ(w.pStore->pWaypoints.size(), 5u);
    // Waypoints without a name get one of their own rather than replace each other.
    EXPECT_NE(pFindWaypoint(&w, "WPT001"), nullptr);
    EXPECT_NE(pFindWaypoint(&w, "WPT002"), nullptr);
    const Waypoint *p = pFindWaypoint(&w, "Z\xfcrich & \x80"); // code page 1252 holds the euro
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->szComment, "only a description");
    EXPECT_EQ(p->lLatitude, lSemi(1));
    EXPECT_EQ(p->fAltitude, 12.5f);
    EXPECT_EQ(p->lTime, 86400);
    EXPECT_EQ(p->sSymbol, 8284);
    EXPECT_EQ(p->fProximity, 75.5f);
    EXPECT_EQ(p->bDisplay, 2);
    EXPECT_EQ(p->bColor, 255);
    p = pFindWaypoint(&w, "0123456789012345678901234567890123456789012345678\xe9");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->szComment, "comment");
    EXPECT_EQ(p->sSymbol, 5014); // what a D108 receiver calls "Waypoint"
    EXPECT_EQ(p->fAltitude, -777.0f);
    EXPECT_EQ(p->lTime, 0);
    EXPECT_EQ(p->fProximity, 0.0f);
    p = pFindWaypoint(&w, "N"); // the later waypoint of a name replaces the earlier
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->lLatitude, lSemi(7));
    EXPECT_EQ(p->sSymbol, 5051); // "Hotel" is device 173
}

TEST(GpxRead, RoutesNumbersNamesAndTheirPoints) {
    Workspace w;
    std::string sLong;
    for (int k = 0; k < 32; ++k) {
        sLong += "<rtept lat=\"1\" lon=\"" + std::to_string(k) + "\"/>";
    }
    Read o = oReadBody(w, "<rte><name>A route with a long name</name><number>5</number>"
                          "<rtept lat=\"1\" lon=\"1\"><name>P1</name></rtept>"
                          "<rtept lat=\"2\" lon=\"2\"/>"
                          "<rtept lat=\"3\" lon=\"3\"><name>P1</name></rtept></rte>\n"
                          "<rte><number>5</number></rte>\n"
                          "<rte><extensions><x/></extensions></rte>\n"
                          "<rte><number>x</number>" +
                              sLong + "</rte>\n");
    EXPECT_EQ(o.iResult, 1);
    EXPECT_EQ(o.sErr, "");
    ASSERT_EQ(w.pStore->pRoutes.size(), 4u);
    const Route &a = w.pStore->pRoutes.at(5);
    EXPECT_STREQ(a.szComment, "A route with a long"); // 20 characters, trimmed
    ASSERT_EQ(a.aszPoints.size(), 3u);
    EXPECT_STREQ(a.aszPoints[0], "P1");
    EXPECT_STREQ(a.aszPoints[1], "RPT001");
    EXPECT_STREQ(a.aszPoints[2], "P1");
    // The second P1 lies elsewhere: the route keeps its own place, and the
    // waypoint stays where the first put it; both came only in a route.
    EXPECT_EQ(pFindWaypoint(&w, "P1")->lLatitude, lSemi(1));
    EXPECT_EQ(pFindWaypoint(&w, "P1")->fRouteOnly, 1);
    ASSERT_EQ(a.aOwnPlaces.count(2), 1u);
    EXPECT_EQ(pRoutePlace(&w, a, 2)->lLatitude, lSemi(3));
    EXPECT_EQ(pRoutePlace(&w, a, 0)->lLatitude, lSemi(1));
    EXPECT_EQ(pFindWaypoint(&w, "RPT001")->lLatitude, lSemi(2));
    // 5 was taken: the next free numbers from 1.
    EXPECT_EQ(w.pStore->pRoutes.count(1), 1u);
    EXPECT_EQ(w.pStore->pRoutes.count(2), 1u);
    const Route &d = w.pStore->pRoutes.at(3);
    EXPECT_EQ(d.aszPoints.size(), 32u); // no cut at 30
    EXPECT_STREQ(d.aszPoints[31], "RPT033");
    EXPECT_NE(pFindWaypoint(&w, "RPT033"), nullptr); // every point is also a waypoint
}

TEST(GpxRead, SegmentsOtherVersionsAndSkippedElements) {
    Workspace w;
    Read o = oRead(w, "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\" "
                      "xmlns:x=\"urn:other\">\n"
                      "<time>2002-02-27T17:18:33Z</time><bounds minlat=\"1\"/>\n"
                      "<x:wpt lat=\"9\" lon=\"9\"><name>NOT</name></x:wpt>\n"
                      "<wpt lat=\"1\" lon=\"1\"><name>W</name><x:sym>Anchor</x:sym>"
                      "<link href=\"x\"><text>t</text></link></wpt>\n"
                      "<trk><name>t</name><x:trkseg><trkpt lat=\"9\" lon=\"9\"/></x:trkseg>"
                      "<trkseg><trkpt lat=\"1\" lon=\"1\"><time>1990-01-01T00:00:00Z</time>"
                      "<speed>3</speed></trkpt>"
                      "<trkpt lat=\"1\" lon=\"2\"><time>1990-01-01T00:00:10Z</time></trkpt>"
                      "</trkseg><trkseg><trkpt lat=\"1\" lon=\"3\">"
                      "<time>1990-01-01T00:00:20Z</time></trkpt></trkseg></trk>\n"
                      "<unknown><wpt lat=\"9\" lon=\"9\"><name>NOT2</name></wpt></unknown>\n"
                      "</gpx>\n");
    ASSERT_EQ(o.iResult, 1) << o.sErr;
    EXPECT_EQ(o.sErr, "");
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u);
    EXPECT_EQ(pFindWaypoint(&w, "W")->sSymbol, 5014);
    std::vector<TrackPoint> a = aTrack(w);
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].fNewSegment, 1);
    EXPECT_EQ(a[1].fNewSegment, 0);
    EXPECT_EQ(a[2].fNewSegment, 1);

    Workspace n; // no namespace at all
    o = oRead(n, "<gpx><wpt lat=\"1\" lon=\"1\"><name>W</name><sym>anchor</sym></wpt></gpx>");
    ASSERT_EQ(o.iResult, 1) << o.sErr;
    EXPECT_EQ(pFindWaypoint(&n, "W")->sSymbol, sGetStoredSymbol(0, 108));
}

// Tracks as the file has them: names, order, untimed points where they are;
// colour, heart rate and cadence of Garmin's extensions, and back out the same.
TEST(GpxRoundTrip, TracksKeepNamesOrderAndSensors) {
    ScratchFolder oFolder;
    Workspace w;
    Read o = oReadBody(
        w, "<trk><name>Ride</name><extensions><gpxx:TrackExtension><gpxx:DisplayColor>Red"
           "</gpxx:DisplayColor></gpxx:TrackExtension></extensions><trkseg>"
           "<trkpt lat=\"1\" lon=\"1\"><time>2020-01-01T00:00:10Z</time><extensions>"
           "<gpxtpx:TrackPointExtension "
           "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\">"
           "<gpxtpx:hr>141</gpxtpx:hr><gpxtpx:cad>88</gpxtpx:cad>"
           "</gpxtpx:TrackPointExtension></extensions></trkpt>"
           "<trkpt lat=\"1\" lon=\"2\"><time>2020-01-01T00:00:05Z</time></trkpt>"
           "</trkseg></trk>\n"
           "<trk><trkseg><trkpt lat=\"2\" lon=\"1\"/><trkpt lat=\"2\" lon=\"2\"/></trkseg></trk>\n"
           "<trk><name>步行 Walk</name><trkseg><trkpt lat=\"3\" lon=\"1\">"
           "<time>2019-01-01T00:00:00Z</time></trkpt></trkseg></trk>\n");
    ASSERT_EQ(o.iResult, 1) << o.sErr;
    auto fnCheck = [](const Workspace &r) {
        const DataStore &s = *r.pStore;
        ASSERT_EQ(s.aTracks.size(), 3u);
        EXPECT_EQ(s.aTracks[0].sName, "Ride");
        EXPECT_EQ(s.aTracks[0].bColor, 9); // Garmin's red
        EXPECT_EQ(s.aTracks[1].bColor, 255);
        EXPECT_EQ(s.aTracks[1].sName, "");
        EXPECT_EQ(s.aTracks[2].sName, "?? Walk"); // the GPX writers get the original
        EXPECT_EQ(s.aTracks[0].aPoints.back().lLongitude, lSemi(2)); // arrival order
        ASSERT_EQ(s.aTracks[0].aSensors.size(), 2u);
        EXPECT_EQ(s.aTracks[0].aSensors[0].bHeartRate, 141);
        EXPECT_EQ(s.aTracks[0].aSensors[0].bCadence, 88);
        EXPECT_EQ(s.aTracks[0].aSensors[1].bHeartRate, kNoHeartRate);
        EXPECT_TRUE(s.aTracks[1].aSensors.empty());
    };
    fnCheck(w);
    for (const char *pszName : {"t.gpx", "t.vkd"}) {
        std::string sPath = oFolder.sPath(pszName);
        ASSERT_EQ(iSaveFile(&w, sPath.c_str(), 7), 1);
        Workspace r;
        ASSERT_EQ(iLoadFile(&r, sPath.c_str()), 1);
        SCOPED_TRACE(pszName);
        fnCheck(r);
        std::string sBack = oFolder.sPath("back.gpx");
        ASSERT_EQ(iSaveFile(&r, sBack.c_str(), 7), 1);
        EXPECT_NE(sReadFile(sBack).find("<name>步行 Walk</name>"), std::string::npos);
    }
}

TEST(GpxRead, PointsWithoutAValidPositionAreSkippedAndCounted) {
    Workspace w;
    Read o = oReadBody(w, "<wpt lat=\"1\" lon=\"1\"><name>GOOD</name></wpt>\n"
                          "<wpt lon=\"1\"><name>NOLAT</name></wpt>\n"
                          "<wpt lat=\"x\" lon=\"1\"><name>TEXT</name></wpt>\n"
                          "<trk><trkseg><trkpt lat=\"90.5\" lon=\"1\"/>"
                          "<trkpt lat=\"1\" lon=\"-180.1\"/><trkpt lat=\"nan\" lon=\"1\"/>"
                          "<trkpt lat=\"1\" lon=\"1\"/></trkseg></trk>\n");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: 't.gpx': 5 points without a valid position skipped, the first "
                      "on line 4\n");
    EXPECT_EQ(w.pStore->pWaypoints.size(), 1u);
    EXPECT_EQ(aTrackPoints(*w.pStore).size(), 1u);
}

TEST(GpxRead, NotGpxOrNotWellFormedStopsWithPlace) {
    Workspace w;
    Read o = oRead(w, "<?xml version=\"1.0\"?>\n<kml><wpt lat=\"1\" lon=\"1\"/></kml>");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: t.gpx:2:1: not a GPX file (the first element is <kml>)\n");
    o = oReadBody(w, "<wpt lat=\"1\" lon=\"1\"><name>KEPT</name></wpt>\n<wpt lat=\"1\" lon=\"1\">"
                     "<name>a</nome></wpt>\n");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: t.gpx:4:31: mismatched tag\n");
    EXPECT_NE(pFindWaypoint(&w, "KEPT"), nullptr);
    o = oRead(w, "");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_THAT(o.sErr, StartsWith("quillox: t.gpx:1:1: no element found"));
}

TEST(GpxRead, MissingFileIsSaid) {
    Workspace w;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iImportGpx(&w, "/nonexistent/x.gpx"), 0);
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                HasSubstr("cannot open '/nonexistent/x.gpx'"));
}

// Files built to hurt: each ends with one line on standard error and a failed
// import, after at most the records before the damage.
TEST(GpxHostile, EntityAmplificationIsRefused) {
    std::string s = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY a0 \"lollollollol\">\n";
    for (int k = 1; k < 12; ++k) {
        s += "<!ENTITY a" + std::to_string(k) + " \"";
        for (int n = 0; n < 10; ++n) {
            s += "&a" + std::to_string(k - 1) + ";";
        }
        s += "\">\n";
    }
    s += "]>\n<gpx><wpt lat=\"1\" lon=\"1\"><name>&a11;</name></wpt></gpx>\n";
    Workspace w;
    Read o = oRead(w, s);
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(nLinesOf(o.sErr), 1) << o.sErr;
    EXPECT_THAT(o.sErr, HasSubstr("amplification"));
    EXPECT_EQ(w.pStore->pWaypoints.size(), 0u);
}

TEST(GpxHostile, ExternalEntitiesAreNeverLoaded) {
    Workspace w;
    Read o = oRead(w, "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx SYSTEM \"/etc/passwd\" [\n"
                      "<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
                      "<gpx><wpt lat=\"1\" lon=\"1\"><name>A&x;B</name></wpt></gpx>\n");
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u) << o.sErr;
    EXPECT_STREQ(w.pStore->pWaypoints.begin()->second.szName, "AB");
}

TEST(GpxHostile, DeepNestingStops) {
    std::string s = kHead;
    for (int k = 0; k < 100; ++k) {
        s += "<extensions>";
    }
    Workspace w;
    Read o = oRead(w, s);
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: t.gpx:3:757: elements nested deeper than 64\n");
}

TEST(GpxHostile, HugeAttributeStops) {
    std::string s = std::string(kHead) + "<wpt lat=\"1\" lon=\"1\"><name>KEPT</name></wpt>\n" +
                    "<wpt lat=\"1\" lon=\"1\" x=\"" + std::string(10 << 20, 'a') + "\"/></gpx>";
    Workspace w;
    Read o = oRead(w, s);
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: t.gpx:4:1: an attribute value longer than 65536 bytes\n");
    EXPECT_EQ(w.pStore->pWaypoints.size(), 1u);
}

TEST(GpxHostile, InvalidUtf8Stops) {
    Workspace w;
    Read o = oReadBody(w, "<wpt lat=\"1\" lon=\"1\"><name>A\xff\xfe</name></wpt>\n");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(o.sErr, "quillox: t.gpx:3:29: not well-formed (invalid token)\n");
    EXPECT_EQ(w.pStore->pWaypoints.size(), 0u);
    o = oReadBody(w, "<wpt lat=\"1\" lon=\"1\"><name>\xc3</name></wpt>\n");
    EXPECT_EQ(o.iResult, 0);
    EXPECT_EQ(nLinesOf(o.sErr), 1);
}

TEST(GpxHostile, TruncatedAnywhereFailsWithOneLine) {
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    std::string sWhole = sExport(w, oFolder, kFileGpx, "whole.gpx");
    size_t nEnd = sWhole.rfind("</gpx>");
    ASSERT_NE(nEnd, std::string::npos);
    std::mt19937 oRandom(7);
    for (int k = 0; k < 300; ++k) {
        size_t nCut = k == 0 ? 0 : oRandom() % (nEnd + 5);
        Workspace r;
        Read o = oRead(r, sWhole.substr(0, nCut));
        ASSERT_EQ(o.iResult, 0) << nCut;
        ASSERT_EQ(nLinesOf(o.sErr), 1) << nCut << ": " << o.sErr;
        ASSERT_THAT(o.sErr, StartsWith("quillox: t.gpx:")) << nCut;
    }
}

// Files larger than the reader's piece, read from disk, store what the same
// text read from memory stores, also with a CDATA section late in the file.
TEST(GpxReadFile, AFileReadInPiecesStoresWhatItsTextStores) {
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    for (int k = 0; k < 40000; ++k) {
        iAddTrackPoint(&w,
                       oPoint(10 + k * 1e-5, 20 - k * 1e-5, 100000 + k,
                              k % 7 == 0 ? -777.0f : static_cast<float>(k) * 0.25f, k % 5000 == 0));
    }
    std::string sPlain = sExport(w, oFolder, kFileGpx, "big.gpx");
    ASSERT_GT(sPlain.size(), size_t{3} << 20);
    std::string sLate = sPlain;
    sLate.insert(sLate.rfind("</trkseg>"), "<![CDATA[ignored]]>");
    for (const std::string *pText : {&sPlain, &sLate}) {
        SCOPED_TRACE(pText == &sPlain ? "plain" : "late CDATA");
        std::string sPath = oFolder.sPath("read.gpx");
        vWriteFile(sPath, *pText);
        Workspace oFile, oBuffer;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(iImportGpx(&oFile, sPath.c_str()), 1);
        EXPECT_EQ(iImportGpxBuffer(&oBuffer, *pText, "t.gpx"), 1);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(gpx_compare::sStoreDifference(*oFile.pStore, *oBuffer.pStore), "");
        EXPECT_EQ(aTrackPoints(*oFile.pStore).size(), aTrackPoints(*w.pStore).size());
    }
}

#ifndef _WIN32
TEST(GpxReadFile, APipeIsRead) {
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    std::string sText = sExport(w, oFolder, kFileGpx, "tour.gpx");
    std::string sPipe = oFolder.sPath("pipe.gpx");
    ASSERT_EQ(mkfifo(sPipe.c_str(), 0600), 0);
    std::thread oWriter([&] { vWriteFile(sPipe, sText + "<!-- after --><?pi at the end?>"); });
    Workspace r;
    EXPECT_EQ(iImportGpx(&r, sPipe.c_str()), 1);
    oWriter.join();
    Workspace oBuffer;
    iImportGpxBuffer(&oBuffer, sText, "t.gpx");
    EXPECT_EQ(gpx_compare::sStoreDifference(*r.pStore, *oBuffer.pStore), "");
}
#endif
