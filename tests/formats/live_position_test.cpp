#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "exchange_test_support.h"
#include "formats/live_position.h"
#include "gpx_test_support.h"

namespace {

using exchange_test::ScratchFolder;
using exchange_test::sReadFile;
using ::testing::HasSubstr;

constexpr double kdPi = 3.14159265358979323846;

// 10:30:15 UTC on 31 May 2026, 47.5 N 122.25 W, 250 m above sea level,
// 5 m/s towards 36.9 degrees.
PositionFix oFix(int16_t sType = kFix3d) {
    PositionFix o;
    o.sFixType = sType;
    o.lWeekDays = 13300;
    o.sLeapSeconds = 18;
    o.dTimeOfWeek = 10 * 3600 + 30 * 60 + 15 + 18;
    o.dLatitude = 47.5 * kdPi / 180;
    o.dLongitude = -122.25 * kdPi / 180;
    o.fAltitude = 300;
    o.fMslHeight = -50;
    o.fEast = 3;
    o.fNorth = 4;
    return o;
}

TEST(LiveNmea, SentencesCarryTimePositionMotionQualityAndChecksum) {
    EXPECT_EQ(sFormatLiveRmc(oFix()),
              "$GPRMC,103015,A,4730.00,N,12215.00,W,009.7,036.9,310526,000.0,E*66");
    EXPECT_EQ(sFormatLiveGga(oFix()), "$GPGGA,103015,4730.00,N,12215.00,W,1,,,250.0,M,50.0,M,,*7F");
    EXPECT_THAT(sFormatLiveGga(oFix(kFix2dDifferential)), HasSubstr(",W,2,,,"));
}

TEST(LiveNmea, FileHoldsOnlyFixesWithAPositionAndIsNotCreatedWithoutOne) {
    ScratchFolder oFolder;
    const std::string sFile = oFolder.sPath("live.nme");
    LivePositionSink oSink;
    ASSERT_EQ(oSink.iOpen(sFile.c_str(), nullptr), 1);
    EXPECT_EQ(oSink.iWrite(oFix(1)), 1);
    EXPECT_FALSE(std::filesystem::exists(sFile));
    EXPECT_EQ(oSink.iWrite(oFix()), 1);
    EXPECT_EQ(oSink.iClose(), 1);
    EXPECT_EQ(sReadFile(sFile), sFormatLiveRmc(oFix()) + "\r\n" + sFormatLiveGga(oFix()) + "\r\n");
}

TEST(LiveGpx, FileIsValidGpxAfterEveryFix) {
#if defined(_WIN32)
    GTEST_SKIP() << "xmllint is a tool of the native build, which validates the same writer";
#endif
    ScratchFolder oFolder;
    const std::string sFile = oFolder.sPath("live.gpx");
    LivePositionSink oSink;
    ASSERT_EQ(oSink.iOpen(sFile.c_str(), nullptr), 1);
    for (int i = 0; i < 3; ++i) {
        PositionFix o = oFix(i == 2 ? kFix2d : kFix3d);
        o.dTimeOfWeek += i;
        ASSERT_EQ(oSink.iWrite(o), 1);
        // Read while the sink still holds the file open, as a follower would.
        std::string sReport;
        EXPECT_TRUE(gpx_test::fValidates(oFolder, sFile, sReport)) << sReport;
    }
    const std::string sText = sReadFile(sFile);
    EXPECT_THAT(sText, HasSubstr("<trkpt lat=\"47.500000000\" lon=\"-122.250000000\"><ele>250.00"
                                 "</ele><time>2026-05-31T10:30:17Z</time><fix>2d</fix></trkpt>"));
    size_t nPoints = 0;
    for (size_t n = sText.find("<trkpt"); n != std::string::npos; n = sText.find("<trkpt", n + 1)) {
        ++nPoints;
    }
    EXPECT_EQ(nPoints, 3u);
}

TEST(LiveKml, FileKeepsTheLastThousandFixesAndTheCurrentPosition) {
    ScratchFolder oFolder;
    const std::string sFile = oFolder.sPath("live.kml");
    LivePositionSink oSink;
    ASSERT_EQ(oSink.iOpen(sFile.c_str(), nullptr), 1);
    for (size_t i = 0; i < kKmlTrailFixes + 2; ++i) {
        PositionFix o = oFix();
        o.dLongitude = (static_cast<double>(i) / 10000.0) * kdPi / 180;
        ASSERT_EQ(oSink.iWrite(o), 1);
    }
    const std::string sText = sReadFile(sFile);
    EXPECT_THAT(sText, HasSubstr("<coordinates>0.100100000,47.500000000,250.0</coordinates>"));
    // The two oldest fixes have left the trail.
    EXPECT_THAT(sText, ::testing::Not(HasSubstr("          0.000100000,")));
    EXPECT_THAT(sText, HasSubstr("          0.000200000,47.500000000,250.0\r\n"));
    EXPECT_THAT(sText, ::testing::EndsWith("</kml>\r\n"));
    EXPECT_FALSE(std::filesystem::exists(sFile + ".tmp"));
}

} // namespace
