// NMEA track files: the $GPRMC sentence of a point and its checksum.

#include "formats/nmea_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "exchange_test_support.h"
#include "files/file_types.h"

using namespace exchange_test;

TEST(NmeaSentence, PointAtTheEpochAndItsChecksum) {
    TrackPoint o = oPoint(48.5, 9.25, 0, 0.0f);
    EXPECT_STREQ(szFormatNmeaPoint(o),
                 "$GPRMC,000000,A,4830.00,N,00915.00,E,000.0,360.0,311289,000.0,E*71");
}

TEST(NmeaSentence, SouthWestAndALaterDate) {
    // 1 March 2004 13:45:30, in the southern and western hemispheres.
    int32_t lTime = 5174 * 86400 + 13 * 3600 + 45 * 60 + 30;
    TrackPoint o = oPoint(-33.5, -70.75, lTime, 500.0f);
    std::string sLine = szFormatNmeaPoint(o);
    EXPECT_THAT(sLine, ::testing::StartsWith("$GPRMC,134530,A,3330.00,S,07045.00,W,000.0,360.0,"
                                             "010304,000.0,E*"));
    // The two digits after the asterisk are the exclusive-or of the body.
    unsigned uSum = 0;
    for (size_t k = 1; sLine[k] != '*'; ++k) {
        uSum ^= static_cast<unsigned char>(sLine[k]);
    }
    char szSum[3];
    std::snprintf(szSum, sizeof(szSum), "%02X", uSum);
    EXPECT_EQ(sLine.substr(sLine.size() - 2), szSum);
    EXPECT_EQ(uNmeaChecksum(sLine.c_str()), uSum);
}

TEST(NmeaExport, OnlyTrackPointsAreWritten) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint oWaypoint = oEmptyWaypoint();
    std::snprintf(oWaypoint.szName, sizeof(oWaypoint.szName), "W");
    iAddWaypoint(&w, oWaypoint);
    int iResult = 0;
    EXPECT_EQ(sExport(w, oFolder, kFileNmea, "e.nme", &iResult), "");
    EXPECT_EQ(iResult, 1);
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 0, 0.0f));
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 1, 0.0f));
    std::vector<std::string> aText = aLines(sExport(w, oFolder, kFileNmea, "t.nme"));
    ASSERT_EQ(aText.size(), 2u);
    EXPECT_THAT(aText[1], ::testing::StartsWith("$GPRMC,000001,A,"));
}
