// KML files: the coordinate lines and the document around them.

#include "formats/kml_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "exchange_test_support.h"
#include "files/file_types.h"

using namespace exchange_test;
using ::testing::HasSubstr;

TEST(KmlPoint, CoordinateLineAndRoundedAltitude) {
    // Positions exact in semicircles, so all nine decimals are zeros.
    TrackPoint o = oPoint(50.625, 11.25, 0, 350.4f);
    EXPECT_STREQ(szFormatKmlPoint(o), "          11.250000000,50.625000000,350");
    o.fAltitude = 99.5f;
    EXPECT_STREQ(szFormatKmlPoint(o), "          11.250000000,50.625000000,100");
    o.fAltitude = -800.0f; // "no altitude"
    EXPECT_STREQ(szFormatKmlPoint(o), "          11.250000000,50.625000000,0");
    o.fAltitude = 12000.0f; // past 16 bits in feet, still fine in metres
    EXPECT_STREQ(szFormatKmlPoint(o), "          11.250000000,50.625000000,12000");
}

TEST(KmlExport, StoreWithoutTrackStillHoldsTheWholeDocument) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint oWaypoint = oEmptyWaypoint();
    std::snprintf(oWaypoint.szName, sizeof(oWaypoint.szName), "W");
    iAddWaypoint(&w, oWaypoint);
    std::string sText = sExport(w, oFolder, kFileKml, "e.kml");
    EXPECT_EQ(sText, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                     "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n"
                     "  <Document>\r\n"
                     "    <name>Quillox Export</name>\r\n"
                     "    <visibility>1</visibility>\r\n"
                     "    <Style id=\"polyVKD\">\r\n"
                     "      <LineStyle>\r\n"
                     "        <color>7F00FF00</color>\r\n"
                     "        <width>4</width>\r\n"
                     "      </LineStyle>\r\n"
                     "      <PolyStyle>\r\n"
                     "        <color>7f808080</color>\r\n"
                     "      </PolyStyle>\r\n"
                     "    </Style>\r\n"
                     "    <Placemark>\r\n"
                     "      <name>Quillox Track</name>\r\n"
                     "      <styleUrl>#polyVKD</styleUrl>\r\n"
                     "      <LineString>\r\n"
                     "        <tessellate>1</tessellate>\r\n"
                     "        <extrude>1</extrude>\r\n"
                     "        <altitudeMode>absolute</altitudeMode>\r\n"
                     "        <coordinates>\r\n"
                     "        </coordinates>\r\n"
                     "      </LineString>\r\n"
                     "    </Placemark>\r\n"
                     "  </Document>\r\n"
                     "</kml>\r\n");
}

TEST(KmlExport, TrackWithoutAnyAltitudeIsDrawnOnTheTerrain) {
    ScratchFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(50.625, 11.25, 10, -777.0f, 1));
    iAddTrackPoint(&w, oPoint(50.626, 11.25, 20, -700.0f));
    std::string sText = sExport(w, oFolder, kFileKml, "t.kml");
    EXPECT_THAT(sText, HasSubstr("        <tessellate>1</tessellate>\r\n"
                                 "        <extrude>0</extrude>\r\n"
                                 "        <altitudeMode>clampToGround</altitudeMode>\r\n"
                                 "        <coordinates>\r\n"
                                 "          11.250000000,50.625000000,0\r\n"));
    // One point with an altitude keeps the track in the air, as recorded.
    iAddTrackPoint(&w, oPoint(50.627, 11.25, 30, 420.0f));
    sText = sExport(w, oFolder, kFileKml, "u.kml");
    EXPECT_THAT(sText, HasSubstr("        <extrude>1</extrude>\r\n"
                                 "        <altitudeMode>absolute</altitudeMode>\r\n"));
}

TEST(KmlExport, PointsGoBetweenTheCoordinatesTags) {
    ScratchFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(50.625, 11.25, 10, 350.4f));
    iAddTrackPoint(&w, oPoint(-50.625, -11.25, 20, 1.0f, 1));
    std::string sText = sExport(w, oFolder, kFileKml, "t.kml");
    EXPECT_THAT(sText, HasSubstr("<coordinates>\r\n          11.250000000,50.625000000,350\r\n"
                                 "          -11.250000000,-50.625000000,1\r\n"
                                 "        </coordinates>\r\n"));
}
