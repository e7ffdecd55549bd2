#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/debug.h"
#include "geo/time_format.h"

namespace {

TEST(FormatTime, EpochInEveryForm) {
    EXPECT_STREQ(szFormatTime(0, 0, 1), "12/31/1989 00:00:00");
    EXPECT_STREQ(szFormatTime(0, 0, 2), "31-DEC-89 00:00:00");
    EXPECT_STREQ(szFormatTime(0, 0, 3), "000000");
    EXPECT_STREQ(szFormatTime(0, 0, 4), "311289");
    EXPECT_STREQ(szFormatTime(0, 0, 5), "32873.0000000");
    EXPECT_STREQ(szFormatTime(0, 0, 6), "Invalid Dateformat");
    EXPECT_STREQ(szFormatTime(0, 0, 0), "Invalid Dateformat");
    EXPECT_STREQ(szFormatTime(0, 0, -1), "Invalid Dateformat");
}

TEST(FormatTime, DayBoundariesAndOffset) {
    EXPECT_STREQ(szFormatTime(86399, 0, 1), "12/31/1989 23:59:59");
    EXPECT_STREQ(szFormatTime(86400, 0, 1), "01/01/1990 00:00:00");
    EXPECT_STREQ(szFormatTime(0, 3600, 1), "12/31/1989 01:00:00");
    EXPECT_STREQ(szFormatTime(43200, 0, 5), "32873.5000000");
    EXPECT_STREQ(szFormatTime(86400 * 10, 0, 5), "32883.0000000");
    EXPECT_STREQ(szFormatTime(86400, 0, 2), "01-JAN-90 00:00:00");
    EXPECT_STREQ(szFormatTime(86400 * 3713, 0, 2), "01-MAR-00 00:00:00");
    EXPECT_STREQ(szFormatTime(86400 * 3713 + 45296, 0, 3), "123456");
    EXPECT_STREQ(szFormatTime(86400 * 3713, 0, 4), "010300");
}

TEST(FormatTime, ExtremeTimesStayInTheBuffer) {
    for (int32_t l : {INT32_MAX, INT32_MIN, -1, -86401}) {
        for (int16_t s = 1; s <= 5; ++s) {
            const char *psz = szFormatTime(l, INT32_MAX, s);
            EXPECT_LT(std::strlen(psz), 64U);
        }
    }
    EXPECT_STREQ(szFormatTime(INT32_MAX, 0, 1), "01/18/2058 03:14:07");
}

TEST(Calendar, LeapDaysAndOverflowOfTheMonth) {
    EXPECT_EQ(lDateToDayNumber(2, 29, 2000), 3712);
    EXPECT_EQ(lDateToDayNumber(3, 1, 2000), 3713);
    EXPECT_EQ(lDateToDayNumber(12, 31, 1989), 0);
    EXPECT_EQ(lDateToDayNumber(2, 31, 2001), lDateToDayNumber(3, 3, 2001));
    // Months run on into the next years as exactly as days run on into months.
    EXPECT_EQ(lDateToDayNumber(15, 1, 2000), lDateToDayNumber(3, 1, 2001));
    EXPECT_EQ(lDateToDayNumber(26, 10, 2000), lDateToDayNumber(2, 10, 2002));
    EXPECT_EQ(lDateToDayNumber(3, 1, 1900) - lDateToDayNumber(2, 28, 1900), 1);
    int16_t sMonth = 0, sDay = 0, sYear = 0;
    vDayNumberToDate(3712, &sMonth, &sDay, &sYear);
    EXPECT_EQ(sMonth, 2);
    EXPECT_EQ(sDay, 29);
    EXPECT_EQ(sYear, 2000);
}

TEST(Calendar, RoundTripOverTheWholeDeviceRange) {
    // Every day a 32-bit receiver time can reach, both ways; the days before
    // 1968 once came out a year late with month 0.
    for (int32_t l = -24856; l <= 24856; ++l) {
        int16_t sMonth = 0, sDay = 0, sYear = 0;
        vDayNumberToDate(l, &sMonth, &sDay, &sYear);
        ASSERT_GE(sMonth, 1);
        ASSERT_LE(sMonth, 12);
        ASSERT_GE(sDay, 1);
        ASSERT_LE(sDay, 31);
        ASSERT_EQ(lDateToDayNumber(sMonth, sDay, sYear), l)
            << sMonth << "/" << sDay << "/" << sYear;
        if (l > -24856) {
            int16_t sPrevMonth = 0, sPrevDay = 0, sPrevYear = 0;
            vDayNumberToDate(l - 1, &sPrevMonth, &sPrevDay, &sPrevYear);
            if (sPrevMonth == sMonth) {
                ASSERT_EQ(sPrevDay + 1, sDay);
            } else {
                ASSERT_EQ(sDay, 1);
            }
        }
    }
}

TEST(FormatTime, TimesBeforeTheEpoch) {
    EXPECT_STREQ(szFormatTime(-86400, 0, 1), "12/30/1989 00:00:00");
    EXPECT_STREQ(szFormatTime(-86400 * 8036, 0, 1), "12/31/1967 00:00:00");
    EXPECT_STREQ(szFormatTime(-86400 * 24472, 0, 1), "12/31/1922 00:00:00");
    // The day is split by truncating division, so the time of day before the
    // epoch is negative; lParseTime reads such a text back to the same time.
    EXPECT_STREQ(szFormatTime(INT32_MIN, 0, 1), "12/13/1921 -3:-14:-8");
    EXPECT_STREQ(szFormatTime(0, -3600, 1), "12/31/1989 -1:00:00");
    EXPECT_EQ(lParseTime("12/31/1989 -1:00:00", -3600), 0);
    EXPECT_EQ(lParseTime("12/31/1989 -1:00:00", 0), -3600);
}

TEST(SplitTime, NullPointersAreSkipped) {
    int16_t sHour = -1, sSecond = -1, sYear = -1;
    vSplitTime(86400 + 3723, 0, &sHour, nullptr, &sSecond, nullptr, nullptr, &sYear);
    EXPECT_EQ(sHour, 1);
    EXPECT_EQ(sSecond, 3);
    EXPECT_EQ(sYear, 1990);
    vSplitTime(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(ParseTime, NamedMonthForm) {
    EXPECT_EQ(lParseTime("01-JAN-90 00:00:00", 0), 86400);
    // Lower case does not match, so the month is December.
    EXPECT_EQ(lParseTime("01-jan-90 00:00:00", 0), lDateToDayNumber(12, 1, 1990) * 86400);
    EXPECT_EQ(lParseTime("31-DEC-88 00:00:00", 0), 0); // 2088 lies beyond 32 bits
    EXPECT_EQ(lParseTime("01-JAN-38 00:00:00", 0), lDateToDayNumber(1, 1, 2038) * 86400);
    EXPECT_EQ(lParseTime("31-DEC-89 12:00:00", 0), 43200);
    EXPECT_EQ(lParseTime("31-DEC-89 12:00:00", 3600), 39600);
    EXPECT_EQ(lParseTime("01-JAN-90 00:00", 0), 0);
    EXPECT_EQ(lParseTime("01-XYZ-90 00:00:00", 0), lDateToDayNumber(12, 1, 1990) * 86400);
    // Near the two-digit form every writer writes, and read like it.
    EXPECT_EQ(lParseTime("1-JAN-90 0:0:1", 0), 86401);
    EXPECT_EQ(lParseTime("01-JAN-90  00:00:01", 0), 86401);
    EXPECT_EQ(lParseTime("01-JAN-90 00:00:001", 0), 86401);
    EXPECT_EQ(lParseTime("01-JAN-90 00:00:01x", 0), 86401);
    EXPECT_EQ(lParseTime("01- JAN-90 00:00:01", 0), 86401);
}

TEST(ParseTime, NumericForm) {
    EXPECT_EQ(lParseTime("12/31/1989 00:00:01", 0), 1);
    EXPECT_EQ(lParseTime("12/30/1989 23:59:59", 0), -1);
    EXPECT_EQ(lParseTime("01/01/1990 00:00:00", 0), 86400);
    EXPECT_EQ(lParseTime("01/01/1990", 0), 0);
    EXPECT_EQ(lParseTime("1/1/1990 0:0:0", 0), 86400);
    EXPECT_EQ(lParseTime("01/01/1990  00:00:01", 0), 86401);
    EXPECT_EQ(lParseTime("01/01/1990 00:00:001", 0), 86401);
    EXPECT_EQ(lParseTime("03/01/2000 00:00:00", 0), 3713 * 86400);
    // Hours are not range-checked.
    EXPECT_EQ(lParseTime("12/31/1989 25:00:00", 0), 90000);
}

TEST(ParseTime, DayCountForm) {
    EXPECT_EQ(lParseTime("32873.5", 0), 43200);
    EXPECT_EQ(lParseTime("32873.5", 7200), 43200);
    EXPECT_EQ(lParseTime("32872.5", 0), -43200);
    EXPECT_EQ(lParseTime("32883.0000000", 0), 864000);
    // Two seconds are 0.0000231 of a day in seven decimals, a little short of
    // 2 s: the nearest second is 2, not 1.
    EXPECT_EQ(lParseTime("32873.0000231", 0), 2);
    EXPECT_EQ(lParseTime("32872.9999769", 0), -2);
}

// Every form reads the times the store holds, before the epoch too, and no
// more; 1970-01-01T00:00:00 is no time in each of them.
TEST(ParseTime, TheStoresRangeInEveryForm) {
    const struct {
        const char *pszText;
        int32_t lTime;
    } aCases[] = {
        {"12/13/1921 -3:-14:-8", INT32_MIN},
        {"12/12/1921 20:45:51", 0},
        {"12/12/1921 20:45:52", INT32_MIN},
        {"01/18/2058 03:14:07", INT32_MAX},
        {"01/18/2058 03:14:08", 0},
        {"01/01/1970 00:00:00", 0},
        {"01/01/1970 00:00:01", -631065599},
        {"01-JAN-70 00:00:00", 0},
        {"31-DEC-69 23:59:59", 0}, // two-digit 69 is 2069, past the range
        {"25569.0", 0},
        {"25569.5", -631065600 + 43200},
        {"7456.0", 0},
    };
    for (const auto &c : aCases) {
        EXPECT_EQ(lParseTime(c.pszText, 0), c.lTime) << c.pszText;
    }
}

TEST(ParseTime, DayCountsWrittenWithSevenDecimalsReadBackExactly) {
    int nWrong = 0;
    for (int32_t l = 0; l < 100000; ++l) {
        nWrong += lParseTime(szFormatTime(l, 0, 5), 0) != l ? 1 : 0;
    }
    for (int32_t l = 1000000000; l < 1000100000; ++l) {
        nWrong += lParseTime(szFormatTime(l, 0, 5), 0) != l ? 1 : 0;
    }
    EXPECT_EQ(nWrong, 0);
}

TEST(ParseTime, RoundTripsItsOwnTexts) {
    for (int32_t l : {1, 59, 86399, 86400, 123456789, 999999999, 2000000000, -1, -631065599,
                      INT32_MIN + 3600}) {
        EXPECT_EQ(lParseTime(szFormatTime(l, 0, 1), 0), l);
        EXPECT_EQ(lParseTime(szFormatTime(l, 3600, 1), 3600), l);
        if (l >= -86400 && l < 1230000000) { // two-digit years 89 to 28
            EXPECT_EQ(lParseTime(szFormatTime(l, 0, 2), 0), l);
        }
    }
}

TEST(ParseTime, BadInputGivesZero) {
    const std::string sHuge(300, '9');
    for (const std::string &s :
         {std::string(), std::string("garbage"), std::string("-"), std::string("/"),
          std::string("--"), std::string("12/31/"), sHuge,
          sHuge + "/" + sHuge + "/" + sHuge + " 1:1:1", "01-" + sHuge + "-90 00:00:00",
          std::string("1-DEC-") + sHuge + " 0:0:0", std::string("12/31/1989 00:00:00x"),
          std::string("12/31/99999 00:00:00"), std::string("12/31/-99999 00:00:00")}) {
        int32_t l = lParseTime(s.c_str(), 0);
        if (s == "12/31/1989 00:00:00x") {
            EXPECT_EQ(l, 0) << "trailing garbage is ignored; this is the epoch";
        } else {
            EXPECT_EQ(l, 0) << s;
        }
    }
    EXPECT_EQ(lParseTime(nullptr, 0), 0);
    EXPECT_EQ(lParseTime((sHuge + ".5").c_str(), 0), 0);
    EXPECT_EQ(lParseTime("nan.", 0), 0);
    EXPECT_EQ(lParseTime("1e300.", 0), 0);
    EXPECT_EQ(lParseTime("12/31/1989 00:00:00", INT32_MIN), 0);
}

TEST(ParseTime, DebugTraces) {
    vInitDebugModesFrom("1");
    testing::internal::CaptureStdout();
    int32_t l = lParseTime("01-JAN-90 00:00:05", 0);
    std::string sOut = testing::internal::GetCapturedStdout();
    vResetDebugModes();
    EXPECT_EQ(l, 86405);
    EXPECT_NE(sOut.find("Parsed date (YYYY-MM-DD HH:MM:SS): 1990-1-1 0:0:5\n"), std::string::npos)
        << sOut;
    EXPECT_NE(sOut.find("Calculated lTime: 86405\n"), std::string::npos) << sOut;

    // Two-digit years up to 88 are this century: 88 is 2088, 89 is 1989.
    vInitDebugModesFrom("1");
    testing::internal::CaptureStdout();
    EXPECT_EQ(lParseTime("31-DEC-88 10:00:00", 0), 0); // beyond 32 bits
    EXPECT_EQ(lParseTime("31-DEC-89 10:00:00", 0), 36000);
    sOut = testing::internal::GetCapturedStdout();
    vResetDebugModes();
    EXPECT_NE(sOut.find("Parsed date (YYYY-MM-DD HH:MM:SS): 2088-12-31 10:0:0\n"),
              std::string::npos)
        << sOut;
    EXPECT_NE(sOut.find("Parsed date (YYYY-MM-DD HH:MM:SS): 1989-12-31 10:0:0\n"),
              std::string::npos)
        << sOut;
    // Without a debug channel nothing is printed.
    testing::internal::CaptureStdout();
    (void)lParseTime("01-JAN-90 00:00:05", 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

} // namespace
