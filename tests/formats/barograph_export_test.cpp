// Barograph files: the altitude lines and the flight data block.

#include "formats/barograph_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "exchange_test_support.h"
#include "files/file_types.h"

using namespace exchange_test;

namespace {

// The nineteen summary lines with the variable ones filled in.
std::vector<std::string> aSummary(const char *pszDay, const char *pszMonth, const char *pszYear,
                                  const char *pszHour, const char *pszMinute, const char *pszKm,
                                  const char *pszHighest, const char *pszStep) {
    return {"-1",    pszDay,        pszMonth,       pszYear, pszHour,      pszMinute,
            "Pilot", "Launch site", "Landing site", pszKm,   "Comment",    "Registration",
            "999",   pszHighest,    "0.0",          pszStep, "Passengers", "1"};
}

std::vector<std::string> aTail(const std::vector<std::string> &aText, size_t nCount) {
    return std::vector<std::string>(aText.end() - static_cast<long>(nCount), aText.end());
}

} // namespace

TEST(BarografPoint, AltitudeLine) {
    int32_t lAltitude = -5;
    EXPECT_STREQ(szFormatBarografPoint(oPoint(0, 0, 0, 99.5f), &lAltitude), "100 0");
    EXPECT_EQ(lAltitude, 100);
    EXPECT_STREQ(szFormatBarografPoint(oPoint(0, 0, 0, -800.0f)), "0 0");
}

TEST(BarografExport, TrackGivesAltitudesThenFlightData) {
    ScratchFolder oFolder;
    Workspace w;
    w.lUtcOffset = 3600;
    // 7 August 2004 14:05:00 receiver time, every 10 seconds, 3.7 km eastwards.
    int32_t lStart = 5333 * 86400 + 14 * 3600 + 5 * 60;
    iAddTrackPoint(&w, oPoint(48.5, 9.25, lStart, 420.4f));
    iAddTrackPoint(&w, oPoint(48.5, 9.27, lStart + 10, 1510.6f));
    iAddTrackPoint(&w, oPoint(48.5, 9.30, lStart + 20, 900.0f));
    std::vector<std::string> aText = aLines(sExport(w, oFolder, kFileBarograph, "t.cmp"));
    ASSERT_EQ(aText.size(), 3u + 19u);
    EXPECT_EQ(aText[0], "420 0");
    EXPECT_EQ(aText[1], "1511 0");
    EXPECT_EQ(aText[3], "-1");
    // The date and time of the first point are shown with the time offset.
    EXPECT_EQ(aTail(aText, 18), aSummary("07", "08", "2004", "15", "05", "4", "1511", "10"));
}

TEST(BarografExport, ValuesWithoutAPointToComeFromAreZero) {
    ScratchFolder oFolder;
    Workspace w;
    std::vector<std::string> aText = aLines(sExport(w, oFolder, kFileBarograph, "e.cmp"));
    ASSERT_EQ(aText.size(), 19u);
    EXPECT_EQ(aTail(aText, 18), aSummary("00", "00", "0000", "00", "00", "0", "0", "0"));

    // One point: it gives the date and the altitude, but there is no time step.
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 86400, 50.0f));
    aText = aLines(sExport(w, oFolder, kFileBarograph, "one.cmp"));
    ASSERT_EQ(aText.size(), 20u);
    EXPECT_EQ(aTail(aText, 18), aSummary("01", "01", "1990", "00", "00", "0", "50", "0"));
}

TEST(BarografExport, TimeStepOfPointsHoursApartDoesNotWrap) {
    ScratchFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 1000, 50.0f));
    iAddTrackPoint(&w, oPoint(48.5, 9.25, 1000 + 40000, 50.0f));
    std::vector<std::string> aText = aLines(sExport(w, oFolder, kFileBarograph, "t.cmp"));
    ASSERT_EQ(aText.size(), 21u);
    EXPECT_EQ(aText[18], "40000");
}
