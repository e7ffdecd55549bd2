// GPX writing: the document, its numbers and times, texts made safe for XML,
// and validation against the GPX 1.1 schema with Garmin's extensions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "formats/gpx.h"
#include "gpx_test_support.h"

using namespace exchange_test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string sDegrees(int32_t lSemicircles) {
    char szBuffer[32];
    size_t n = nFormatGpxDegrees(lSemicircles, szBuffer);
    EXPECT_EQ(n, std::string(szBuffer).size());
    return szBuffer;
}

std::string sTime(int32_t lTime) {
    char szBuffer[32];
    nFormatGpxTime(lTime, szBuffer);
    return szBuffer;
}

} // namespace

TEST(GpxNumbers, DegreesWithNineDecimalsRoundedToTheNearest) {
    EXPECT_EQ(sDegrees(0), "0.000000000");
    EXPECT_EQ(sDegrees(1), "0.000000084"); // 83.8 nanodegrees
    EXPECT_EQ(sDegrees(-1), "-0.000000084");
    EXPECT_EQ(sDegrees(6), "0.000000503"); // 502.9
    EXPECT_EQ(sDegrees(1 << 30), "90.000000000");
    EXPECT_EQ(sDegrees(-(1 << 30)), "-90.000000000");
    EXPECT_EQ(sDegrees(INT32_MIN), "-180.000000000");
    EXPECT_EQ(sDegrees(INT32_MAX), "179.999999916");
    EXPECT_EQ(sDegrees(lSemi(50.625)), "50.625000000");
    EXPECT_EQ(sDegrees(lSemi(-5.625)), "-5.625000000");
    EXPECT_EQ(sDegrees(lSemi(8.5)), "8.499999996"); // the nearest semicircle value
}

TEST(GpxNumbers, TimesAreUtcFromTheReceiverEpoch) {
    EXPECT_EQ(sTime(1), "1989-12-31T00:00:01Z");
    EXPECT_EQ(sTime(86399), "1989-12-31T23:59:59Z");
    EXPECT_EQ(sTime(86400), "1990-01-01T00:00:00Z");
    EXPECT_EQ(sTime(3712 * 86400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(sTime(3713 * 86400 + 3661), "2000-03-01T01:01:01Z");
    EXPECT_EQ(sTime(-1), "1989-12-30T23:59:59Z");
    EXPECT_EQ(sTime(INT32_MAX), "2058-01-18T03:14:07Z");
    EXPECT_EQ(sTime(INT32_MIN), "1921-12-12T20:45:52Z");
}

TEST(GpxExport, EveryKindInSchemaOrder) {
    ScratchFolder oFolder;
    Workspace w;
    w.lUtcOffset = 3600; // GPX times are UTC whatever the run's offset
    Waypoint a = gpx_test::oWaypoint("A1", 50.625, 5.625);
    a.fAltitude = 450.5f;
    a.lTime = 86400;
    std::snprintf(a.szComment, sizeof(a.szComment), "first");
    a.sSymbol = 5014; // device 18, "Waypoint"
    Waypoint b = gpx_test::oWaypoint("B2", -33.75, 151.875);
    b.fProximity = 250.0f;
    b.bDisplay = 1;
    b.sSymbol = 300; // a device number without a name
    iAddWaypoint(&w, a);
    iAddWaypoint(&w, b);
    Route r = gpx_test::oRoute(4, "", {"B2", "GONE", "A1"});
    iAddRoute(&w, r);
    iAddTrackPoint(&w, oPoint(45.0, 11.25, 100, 1200.0f, 1));
    iAddTrackPoint(&w, oPoint(39.375, 16.875, 110, -777.0f, 0));
    iAddTrackPoint(&w, oPoint(28.125, 5.625, 0, 0.25f, 1)); // untimed: first in the store
    ::testing::internal::CaptureStderr();
    std::string sText = sExport(w, oFolder, kFileGpx, "e.gpx");
    std::string sErr = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(sErr, HasSubstr("route 4 names waypoint 'GONE', which is not stored; left out"));
    EXPECT_EQ(
        sText,
        sCrLf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<gpx version=\"1.1\" creator=\"Quillox 0.5c\""
              " xmlns=\"http://www.topografix.com/GPX/1/1\""
              " xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\""
              " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
              " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
              " http://www.topografix.com/GPX/1/1/gpx.xsd"
              " http://www.garmin.com/xmlschemas/GpxExtensions/v3"
              " http://www.garmin.com/xmlschemas/GpxExtensionsv3.xsd\">\n"
              "  <metadata>\n"
              "    <bounds minlat=\"-33.750000000\" minlon=\"5.625000000\" maxlat=\"50.625000000\""
              " maxlon=\"151.875000000\"/>\n"
              "  </metadata>\n"
              "  <wpt lat=\"50.625000000\" lon=\"5.625000000\">\n"
              "    <ele>450.5</ele>\n"
              "    <time>1990-01-01T00:00:00Z</time>\n"
              "    <name>A1</name>\n"
              "    <cmt>first</cmt>\n"
              "    <sym>Waypoint</sym>\n"
              "  </wpt>\n"
              "  <wpt lat=\"-33.750000000\" lon=\"151.875000000\">\n"
              "    <name>B2</name>\n"
              "    <sym>300</sym>\n"
              "    <extensions>\n"
              "      <gpxx:WaypointExtension>\n"
              "        <gpxx:Proximity>250</gpxx:Proximity>\n"
              "        <gpxx:DisplayMode>SymbolOnly</gpxx:DisplayMode>\n"
              "      </gpxx:WaypointExtension>\n"
              "    </extensions>\n"
              "  </wpt>\n"
              "  <rte>\n"
              "    <name>Route 4</name>\n"
              "    <number>4</number>\n"
              "    <rtept lat=\"-33.750000000\" lon=\"151.875000000\">\n"
              "      <name>B2</name>\n"
              "      <sym>300</sym>\n"
              "      <extensions>\n"
              "        <gpxx:WaypointExtension>\n"
              "          <gpxx:Proximity>250</gpxx:Proximity>\n"
              "          <gpxx:DisplayMode>SymbolOnly</gpxx:DisplayMode>\n"
              "        </gpxx:WaypointExtension>\n"
              "      </extensions>\n"
              "    </rtept>\n"
              "    <rtept lat=\"50.625000000\" lon=\"5.625000000\">\n"
              "      <ele>450.5</ele>\n"
              "      <time>1990-01-01T00:00:00Z</time>\n"
              "      <name>A1</name>\n"
              "      <cmt>first</cmt>\n"
              "      <sym>Waypoint</sym>\n"
              "    </rtept>\n"
              "  </rte>\n"
              "  <trk>\n"
              "    <name>Track</name>\n"
              "    <trkseg>\n"
              "      <trkpt lat=\"28.125000000\" lon=\"5.625000000\"><ele>0.25</ele></trkpt>\n"
              "    </trkseg>\n"
              "    <trkseg>\n"
              "      <trkpt lat=\"45.000000000\" lon=\"11.250000000\"><ele>1200</ele>"
              "<time>1989-12-31T00:01:40Z</time></trkpt>\n"
              "      <trkpt lat=\"39.375000000\" lon=\"16.875000000\">"
              "<time>1989-12-31T00:01:50Z</time></trkpt>\n"
              "    </trkseg>\n"
              "  </trk>\n"
              "</gpx>\n"));
}

TEST(GpxExport, SegmentsStartAtFlaggedPoints) {
    ScratchFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(5.625, 5.625, 10, 0.0f, 0)); // the first point opens a segment anyway
    iAddTrackPoint(&w, oPoint(5.625, 11.25, 20, 0.0f, 0));
    iAddTrackPoint(&w, oPoint(5.625, 16.875, 30, 0.0f, 1));
    iAddTrackPoint(&w, oPoint(5.625, 22.5, 40, 0.0f, 1));
    std::string sText = sExport(w, oFolder, kFileGpx, "s.gpx");
    size_t nSegments = 0;
    for (size_t n = sText.find("<trkseg>"); n != std::string::npos;
         n = sText.find("<trkseg>", n + 1)) {
        ++nSegments;
    }
    EXPECT_EQ(nSegments, 3u);
    EXPECT_THAT(sText, HasSubstr("lon=\"11.250000000\"><ele>0</ele><time>1989-12-31T00:00:20Z"
                                 "</time></trkpt>\r\n    </trkseg>\r\n    <trkseg>\r\n"
                                 "      <trkpt lat=\"5.625000000\" lon=\"16.875000000\">"));
}

TEST(GpxExport, EmptyStoreHasNoMetadataAndTheSameBytesEveryTime) {
    ScratchFolder oFolder;
    Workspace w;
    std::string sFirst = sExport(w, oFolder, kFileGpx, "a.gpx");
    EXPECT_THAT(sFirst, Not(HasSubstr("<metadata>")));
    EXPECT_THAT(sFirst, HasSubstr("GpxExtensionsv3.xsd\">\r\n</gpx>\r\n"));
    EXPECT_EQ(sExport(w, oFolder, kFileGpx, "b.gpx"), sFirst);
}

TEST(GpxExport, TextsBecomeEscapedUtf8WithoutControlCharacters) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint o = gpx_test::oWaypoint("A&B<C>\"D\x01\x1f\tE", 1, 1);
    std::snprintf(o.szComment, sizeof(o.szComment), "Z\xfcrich \xe9t\xe9 \xa0\xff");
    iAddWaypoint(&w, o);
    std::string sText = sExport(w, oFolder, kFileGpx, "t.gpx");
    EXPECT_THAT(sText, HasSubstr("<name>A&amp;B&lt;C&gt;&quot;D\tE</name>"));
    EXPECT_THAT(sText, HasSubstr("<cmt>Z\xc3\xbcrich \xc3\xa9t\xc3\xa9 \xc2\xa0\xc3\xbf</cmt>"));
}

TEST(GpxExport, PointsBeyondNinetyDegreesAreLeftOutAndSaid) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint o = gpx_test::oWaypoint("BAD", 0, 0);
    o.lLatitude = (1 << 30) + 1;
    iAddWaypoint(&w, o);
    TrackPoint p = oPoint(0, 0, 5, 0.0f);
    p.lLatitude = INT32_MIN;
    iAddTrackPoint(&w, p);
    iAddTrackPoint(&w, oPoint(11.25, 22.5, 6, 0.0f));
    ::testing::internal::CaptureStderr();
    std::string sText = sExport(w, oFolder, kFileGpx, "b.gpx");
    std::string sErr = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(sErr, HasSubstr("2 points with a latitude beyond 90 degrees left out"));
    EXPECT_THAT(sText, Not(HasSubstr("BAD")));
    EXPECT_THAT(sText, HasSubstr("<bounds minlat=\"11.250000000\" minlon=\"22.500000000\" "
                                 "maxlat=\"11.250000000\" maxlon=\"22.500000000\"/>"));
}

// Whatever the store holds, the file is GPX 1.1 with valid Garmin extensions.
TEST(GpxExport, ValidatesAgainstTheSchema) {
#if defined(_WIN32)
    GTEST_SKIP() << "xmllint is a tool of the native build, which validates the same writer";
#endif
    ScratchFolder oFolder;
    Workspace w;
    gpx_test::vFillStore(w);
    Waypoint o = gpx_test::oWaypoint("\x01&<>\"'\xe4\x7f\x85", -89.9999, -180.0);
    std::snprintf(o.szComment, sizeof(o.szComment), "\x1b[0m \xfe");
    o.fAltitude = 1e30f;
    o.fProximity = -1.0f;
    o.bDisplay = 50;
    o.sSymbol = -5;
    o.lTime = INT32_MIN;
    iAddWaypoint(&w, o);
    Waypoint n = gpx_test::oWaypoint("NAN", 0, 0);
    n.fAltitude = NAN;
    n.fProximity = NAN;
    iAddWaypoint(&w, n);
    Route r = gpx_test::oRoute(UINT32_MAX, "<&\x02>", {"\x01&<>\"'\xe4\x7f\x85", "NAN"});
    iAddRoute(&w, r);
    std::string sPath = oFolder.sPath("v.gpx");
    ASSERT_EQ(iExportTextFile(&w, sPath.c_str(), 7, kFileGpx), 1);
    std::string sReport;
    EXPECT_TRUE(gpx_test::fValidates(oFolder, sPath, sReport)) << sReport;
}
