#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "base/temp_string.h"
#include "geo/coordinates.h"
#include "geo/utm.h"

namespace {

// The texts use the byte B0 as the degree sign; "°" in a test literal would be UTF-8.
std::string sDeg(std::string s) {
    for (size_t i; (i = s.find('@')) != std::string::npos;) {
        s[i] = '\xB0';
    }
    return s;
}

// '@' for the degree byte B0, '~' for the DOS one, F8.
std::string sDegrees(const char *psz) {
    std::string s = sDeg(psz);
    for (char &c : s) {
        c = c == '~' ? '\xF8' : c;
    }
    return s;
}

// Every notation: the two angles (one of them carrying into the degree), the
// position they make, and whether the notation's own reader takes its angles
// back. The texts are those the program has always written.
TEST(Notations, EveryNotationWritesAndReadsItsAngles) {
    const struct {
        int16_t sFormat;
        const char *pszLatitude;         // -33.9
        const char *pszLongitude;        // 18.4
        const char *pszCarriedLatitude;  // 47.9999999
        const char *pszCarriedLongitude; // -8.0000001
        const char *pszPosition;         // -33.9 18.4
        bool fRead;
    } aCases[] = {
        {1, "S33.90000@", "E018.40000@", "N48.00000@", "W008.00000@", "S33.90000@   E018.40000@  ",
         true},
        {2, "S33@54.000'", "E018@24.000'", "N48@00.000'", "W008@00.000'",
         "S33@54.000'  E018@24.000' ", true},
        {3, "S33@54'00.0\"", "E018@24'00.0\"", "N48@00'00.0\"", "W008@00'00.0\"",
         "S33@54'00.0\" E018@24'00.0\"", true},
        {4, "", "", "", "", "34H 0259583 6245888", false},
        {5, "3354.00,S", "01824.00,E", "4800.00,N", "00800.00,W", "3354.00,S,01824.00,E", false},
        {6, "S33.9000000", "E018.4000000", "N47.9999999", "W008.0000001",
         "S33.9000000 E018.4000000", true},
        {7, "S3354.00000", "E01824.00000", "N4759.99999", "W00800.00001",
         "S3354.00000 E01824.00000", true},
        {8, "S335400.000", "E0182400.000", "N480000.000", "W0080000.000",
         "S335400.000 E0182400.000", true},
        {9, "", "", "", "", "34H 0259583 6245888", false},
        {10, " -33.900000", "  18.400000", "  48.000000", "  -8.000000", " -33.900000,  18.400000",
         true},
        {11, "S33~54'00.0\"", "E018~24'00.0\"", "N48~00'00.0\"", "W008~00'00.0\"",
         "S33~54'00.0\" E018~24'00.0\"", false},
        {12, "S33~54.000'", "E018~24.000'", "N48~00.000'", "W008~00.000'",
         "S33~54.000'  E018~24.000' ", false},
        {13, "S33.90000~", "E018.40000~", "N48.00000~", "W008.00000~", "S33.90000~   E018.40000~  ",
         false},
        {14, "33@54'00.0\" S", " 18@24'00.0\" E", "48@00'00.0\" N", "  8@00'00.0\" W",
         "33@54'00.0\" S  18@24'00.0\" E", false},
        {15, "S33@54.000'", "E018@24.000'", "N48@00.000'", "W008@00.000'",
         "S33@54.000'  E018@24.000' ", false},
        {16, "S33.90000@", "E018.40000@", "N48.00000@", "W008.00000@", "S33.90000@   E018.40000@  ",
         false},
        {17, "3354000S", "01824000E", "4800000N", "00800000W", "3354000S01824000E", true},
    };
    for (const auto &c : aCases) {
        const bool fUtm = c.sFormat == 4 || c.sFormat == 9;
        auto sAngle = [&](const char *psz) {
            return fUtm ? std::string("Lat/Lon. formatting error!") : sDegrees(psz);
        };
        EXPECT_EQ(szFormatLatLon(-33.9, c.sFormat, 1), sAngle(c.pszLatitude)) << c.sFormat;
        EXPECT_EQ(szFormatLatLon(18.4, c.sFormat, 0), sAngle(c.pszLongitude)) << c.sFormat;
        EXPECT_EQ(szFormatLatLon(47.9999999, c.sFormat, 1), sAngle(c.pszCarriedLatitude))
            << c.sFormat;
        EXPECT_EQ(szFormatLatLon(-8.0000001, c.sFormat, 0), sAngle(c.pszCarriedLongitude))
            << c.sFormat;
        EXPECT_EQ(szFormatPosition(100, -33.9, 18.4, c.sFormat), sDegrees(c.pszPosition))
            << c.sFormat;

        std::string sLatitude = sAngle(c.pszLatitude), sLongitude = sAngle(c.pszLongitude);
        double dLatitude = 0, dLongitude = 0;
        EXPECT_EQ(iParseLatLon(sLatitude.data(), c.sFormat, 1, &dLatitude) != 0, c.fRead)
            << c.sFormat;
        EXPECT_EQ(iParseLatLon(sLongitude.data(), c.sFormat, 0, &dLongitude) != 0, c.fRead)
            << c.sFormat;
        if (c.fRead) {
            EXPECT_NEAR(dLatitude, -33.9, 1e-9) << c.sFormat;
            EXPECT_NEAR(dLongitude, 18.4, 1e-9) << c.sFormat;
        }
    }
    for (int16_t sFormat : {-1, 0, 18}) {
        EXPECT_STREQ(szFormatLatLon(1.0, sFormat, 1), "Lat/Lon. formatting error!");
        EXPECT_STREQ(szFormatPosition(100, 1.0, 1.0, sFormat), "Coordinate formatting error!");
    }
}

TEST(FormatLatLon, SpecimenPositionInEveryNotation) {
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 1, 1)), sDeg("N48.50000@"));
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 1, 0)), sDeg("E009.25000@"));
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 2, 1)), sDeg("N48@30.000'"));
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 2, 0)), sDeg("E009@15.000'"));
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 3, 1)), sDeg("N48@30'00.0\""));
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 3, 0)), sDeg("E009@15'00.0\""));
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 8, 1)), "N483000.000");
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 8, 0)), "E0091500.000");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 6, 1)), "N48.5000000");
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 6, 0)), "E009.2500000");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 7, 1)), "N4830.00000");
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 7, 0)), "E00915.00000");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 11, 1)), "N48\xF8"
                                                        "30'00.0\"");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 12, 1)), "N48\xF8"
                                                        "30.000'");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 13, 1)), "N48.50000\xF8");
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 14, 1)), sDeg("48@30'00.0\" N"));
    EXPECT_EQ(std::string(szFormatLatLon(9.25, 14, 0)), sDeg("  9@15'00.0\" E"));
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 15, 1)), szFormatLatLon(48.5, 2, 1));
    EXPECT_EQ(std::string(szFormatLatLon(48.5, 16, 1)), szFormatLatLon(48.5, 1, 1));
    EXPECT_EQ(std::string(szFormatLatLon(-48.5, 10, 1)), " -48.500000");
}

TEST(FormatPosition, JoinsByFormat) {
    EXPECT_EQ(std::string(szFormatPosition(100, 48.5, 9.25, 1)),
              sDeg("N48.50000@   E009.25000@  "));
    EXPECT_EQ(std::string(szFormatPosition(100, 48.5, 9.25, 2)),
              sDeg("N48@30.000'  E009@15.000' "));
    EXPECT_EQ(std::string(szFormatPosition(100, 48.5, 9.25, 3)),
              sDeg("N48@30'00.0\" E009@15'00.0\""));
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 5), "4830.00,N,00915.00,E");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 10), "  48.500000,   9.250000");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 17), "4830000N00915000E");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 8), "N483000.000 E0091500.000");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 4), "32U 0518468 5371906");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 9), "32U 0518468 5371906");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 0), "Coordinate formatting error!");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, 18), "Coordinate formatting error!");
    EXPECT_STREQ(szFormatPosition(100, 48.5, 9.25, -3), "Coordinate formatting error!");
    EXPECT_STREQ(szFormatLatLon(48.5, 4, 1), "Lat/Lon. formatting error!");
    EXPECT_STREQ(szFormatLatLon(48.5, 9, 0), "Lat/Lon. formatting error!");
    EXPECT_STREQ(szFormatLatLon(48.5, 0, 0), "Lat/Lon. formatting error!");
}

TEST(FormatPosition, ShiftsToTheDatum) {
    // European 1950 moves this point some 95 m north and 82 m east.
    EXPECT_EQ(std::string(szFormatPosition(28, 48.5, 9.25, 1)), sDeg("N48.50085@   E009.25112@  "));
    // A number outside the table is WGS 84.
    EXPECT_STREQ(szFormatPosition(500, 48.5, 9.25, 1), szFormatPosition(100, 48.5, 9.25, 1));
}

TEST(FormatLatLon, Hemispheres) {
    EXPECT_EQ(szFormatLatLon(-0.5, 1, 1)[0], 'S');
    EXPECT_EQ(szFormatLatLon(0.0, 1, 1)[0], 'N');
    EXPECT_EQ(szFormatLatLon(0.0, 1, 0)[0], 'E');
    EXPECT_EQ(szFormatLatLon(-0.5, 2, 0)[0], 'W');
    EXPECT_STREQ(szFormatLatLon(-0.5, 5, 1), "0030.00,S");
    EXPECT_STREQ(szFormatLatLon(-0.5, 17, 0), "00030000W");
}

TEST(FormatLatLon, CarriesNeverShowSixty) {
    EXPECT_EQ(std::string(szFormatLatLon(47.9999999, 3, 1)), sDeg("N48@00'00.0\""));
    EXPECT_EQ(std::string(szFormatLatLon(47.9999999, 2, 1)), sDeg("N48@00.000'"));
    EXPECT_EQ(std::string(szFormatLatLon(47.9999999, 14, 1)), sDeg("48@00'00.0\" N"));
    EXPECT_STREQ(szFormatLatLon(47.9999999, 8, 1), "N480000.000");
    EXPECT_STREQ(szFormatLatLon(47.9999999, 17, 1), "4800000N");
    EXPECT_STREQ(szFormatLatLon(47.9999999, 5, 1), "4800.00,N");
    EXPECT_STREQ(szFormatLatLon(47.99999999, 7, 1), "N4800.00000");
    // Seconds carry into minutes without touching the degree.
    EXPECT_EQ(std::string(szFormatLatLon(48.0 + 29.99999 / 60, 3, 1)), sDeg("N48@30'00.0\""));
    // Across random angles no notation shows 60 minutes or 60 seconds.
    std::mt19937 oRandom(11);
    std::uniform_real_distribution<double> oAngle(-180, 180);
    for (int i = 0; i < 20000; ++i) {
        double d = std::round(oAngle(oRandom) * 60) / 60 - 1e-8 * (i % 7);
        for (int16_t s : {2, 3, 5, 7, 8, 14, 17}) {
            std::string sText = szFormatLatLon(d, s, 0);
            ASSERT_EQ(sText.find("60'"), std::string::npos) << sText;
            ASSERT_EQ(sText.find("'60"), std::string::npos) << sText;
            ASSERT_EQ(sText.find("\xB0"
                                 "60"),
                      std::string::npos)
                << sText;
        }
    }
}

TEST(FormatLatLon, NoTextOutgrowsItsBuffer) {
    for (double d : {1e300, -1e300, 32767.9, double(NAN), double(INFINITY), 1e-300}) {
        for (int16_t s = -1; s <= 18; ++s) {
            ASSERT_LT(std::strlen(szFormatLatLon(d, s, 1)), kTempStringSize);
            ASSERT_LT(std::strlen(szFormatPosition(100, d, d, s)), kTempStringSize);
            ASSERT_LT(std::strlen(szFormatPosition(28, d, -d, s)), kTempStringSize);
        }
    }
    EXPECT_STREQ(szFormatLatLon(NAN, 1, 1), "Lat/Lon. formatting error!");
}

TEST(ParseLatLon, RecognisesTheNotation) {
    double d = 0;
    char sz[64];
    std::strcpy(sz, sDeg("N48@30.000'").c_str());
    ASSERT_TRUE(iParseLatLon(sz, 0, 1, &d));
    EXPECT_DOUBLE_EQ(d, 48.5);
    EXPECT_EQ(sz[3], '\xF8'); // the degree sign is rewritten in place
    std::strcpy(sz, sDeg("S48@30.000'").c_str());
    ASSERT_TRUE(iParseLatLon(sz, 0, 1, &d));
    EXPECT_DOUBLE_EQ(d, -48.5);
    std::strcpy(sz, sDeg("X48@30.000'").c_str());
    EXPECT_FALSE(iParseLatLon(sz, 0, 1, &d));
    EXPECT_DOUBLE_EQ(d, 48.5); // stored before the hemisphere failed
    std::strcpy(sz, sDeg("w009@15'00.0\"").c_str());
    ASSERT_TRUE(iParseLatLon(sz, 0, 0, &d));
    EXPECT_DOUBLE_EQ(d, -9.25);
    std::strcpy(sz, "+48.25\xF8");
    ASSERT_TRUE(iParseLatLon(sz, 0, 1, &d));
    EXPECT_DOUBLE_EQ(d, 48.25);
    std::strcpy(sz, "-48.25\xF8");
    ASSERT_TRUE(iParseLatLon(sz, 0, 1, &d));
    EXPECT_DOUBLE_EQ(d, -48.25);
    std::strcpy(sz, "E48.25\xF8");
    EXPECT_FALSE(iParseLatLon(sz, 0, 1, &d)); // E is no latitude hemisphere
}

TEST(ParseLatLon, FixedNotations) {
    double d = 0;
    char sz[64];
    std::strcpy(sz, "N4830.00000");
    ASSERT_TRUE(iParseLatLon(sz, 7, 1, &d));
    EXPECT_NEAR(d, 48.5, 1e-12);
    std::strcpy(sz, "W0091500.000");
    ASSERT_TRUE(iParseLatLon(sz, 8, 0, &d));
    EXPECT_NEAR(d, -9.25, 1e-12);
    std::strcpy(sz, "S48.5000000");
    ASSERT_TRUE(iParseLatLon(sz, 6, 1, &d));
    EXPECT_EQ(d, -48.5);
    std::strcpy(sz, "  -33.123456");
    ASSERT_TRUE(iParseLatLon(sz, 10, 1, &d));
    EXPECT_EQ(d, -33.123456);
    std::strcpy(sz, "4830000N");
    ASSERT_TRUE(iParseLatLon(sz, 17, 1, &d));
    EXPECT_NEAR(d, 48.5, 1e-12);
    std::strcpy(sz, "00915000W");
    ASSERT_TRUE(iParseLatLon(sz, 17, 0, &d));
    EXPECT_NEAR(d, -9.25, 1e-12);
    std::strcpy(sz, "N48.5");
    EXPECT_FALSE(iParseLatLon(sz, 5, 1, &d));
    EXPECT_FALSE(iParseLatLon(sz, 4, 1, &d));
    EXPECT_FALSE(iParseLatLon(sz, 99, 1, &d));
}

TEST(ParseLatLon, BadTokensFailWithoutReadingPastThem) {
    const std::string sHuge(300, '9');
    double d = 0;
    for (const std::string &s :
         {std::string(), std::string("N"), std::string("\xF8"), std::string("N\xF8"),
          std::string("Nx\xF8"), std::string("N48\xF8x'"),
          std::string("N48\xF8"
                      "30x\""),
          std::string("Ninf\xF8"), std::string("Nnan\xF8"), "N" + sHuge + "\xF8",
          "N1" + sHuge + "e400\xF8", std::string("N360.5\xF8")}) {
        std::string sCopy = s;
        EXPECT_FALSE(iParseLatLon(sCopy.data(), 0, 1, &d)) << s;
    }
    for (int16_t s : {1, 2, 3, 6, 7, 8, 10, 17}) {
        for (const char *psz : {"", "N", "483", "4830000", "N48.5e"}) {
            std::string sCopy = psz;
            (void)iParseLatLon(sCopy.data(), s, 0, &d); // must simply not misbehave
        }
    }
    EXPECT_FALSE(iParseLatLon(nullptr, 0, 1, &d));
    std::string sBig = "-1" + sHuge;
    EXPECT_FALSE(iParseLatLon(sBig.data(), 10, 1, &d));
    sBig = "N" + sHuge + "00000";
    EXPECT_FALSE(iParseLatLon(sBig.data(), 8, 1, &d));
    // Garbage after the number is ignored as a scanner would.
    std::string s = "N48.5\xF8junk";
    ASSERT_TRUE(iParseLatLon(s.data(), 1, 1, &d));
    EXPECT_EQ(d, 48.5);
}

TEST(ParsePosition, LatLonPairsAndUtm) {
    double dLat = 0, dLon = 0;
    ASSERT_TRUE(iParsePosition(sDeg("N48@30.000'  E009@15.000'").c_str(), 100, 0, &dLat, &dLon));
    EXPECT_DOUBLE_EQ(dLat, 48.5);
    EXPECT_DOUBLE_EQ(dLon, 9.25);
    ASSERT_TRUE(iParsePosition("N483000.000 E0091500.000", 100, 8, &dLat, &dLon));
    EXPECT_NEAR(dLat, 48.5, 1e-12);
    EXPECT_NEAR(dLon, 9.25, 1e-12);
    ASSERT_TRUE(iParsePosition("32U 0518468 5371906", 100, 0, &dLat, &dLon));
    EXPECT_NEAR(dLat, 48.5, 5e-6);
    EXPECT_NEAR(dLon, 9.25, 5e-6);
    // Without a degree sign format 1 is read as UTM.
    EXPECT_FALSE(iParsePosition("N48.5 E9.25", 100, 1, &dLat, &dLon));
    EXPECT_FALSE(iParsePosition(sDeg("N48.5@").c_str(), 100, 0, &dLat, &dLon));
    EXPECT_FALSE(iParsePosition(sDeg("N48.5@ X9.25@").c_str(), 100, 0, &dLat, &dLon));
    EXPECT_FALSE(iParsePosition("", 100, 0, &dLat, &dLon));
    EXPECT_FALSE(iParsePosition("N4830.00000", 100, 7, &dLat, &dLon));
    EXPECT_FALSE(iParsePosition(nullptr, 100, 0, &dLat, &dLon));
}

TEST(ParsePosition, RecognisesEveryDegreeNotation) {
    for (int16_t sFormat : {1, 2, 3, 11, 12, 13, 15, 16}) {
        std::string sText = szFormatPosition(100, -33.9, 18.4, sFormat);
        double dLat = 0, dLon = 0;
        ASSERT_TRUE(iParsePosition(sText.c_str(), 100, 0, &dLat, &dLon)) << sText;
        EXPECT_NEAR(dLat, -33.9, 1e-5) << sText;
        EXPECT_NEAR(dLon, 18.4, 1e-5) << sText;
    }
}

TEST(ParsePosition, RoundTripsEveryNotationThroughADatum) {
    std::mt19937 oRandom(12);
    std::uniform_real_distribution<double> oLat(-70, 70), oLon(-179.9, 179.9);
    // Half a unit of the last printed digit of each notation, in degrees.
    const struct {
        int16_t sFormat;
        double dTolerance;
    } aCases[] = {{1, 0.5e-5}, {2, 0.5e-3 / 60}, {3, 0.05 / 3600},  {4, 1.0 / 111000},
                  {6, 0.5e-7}, {7, 0.5e-5 / 60}, {8, 0.5e-3 / 3600}};
    for (int16_t sDatum : {100, 28, 61, 95}) {
        for (int i = 0; i < 300; ++i) {
            double dLat = oLat(oRandom), dLon = oLon(oRandom);
            for (const auto &o : aCases) {
                std::string sText = szFormatPosition(sDatum, dLat, dLon, o.sFormat);
                double dLatBack = 0, dLonBack = 0;
                ASSERT_TRUE(iParsePosition(sText.c_str(), sDatum, o.sFormat == 4 ? 0 : o.sFormat,
                                           &dLatBack, &dLonBack))
                    << sText;
                // The two shift directions are not exact inverses: they differ by up
                // to some centimetres for datums with large shifts (Tokyo, far from Japan).
                double dTolerance = o.dTolerance + 2e-6;
                ASSERT_NEAR(dLatBack, dLat, dTolerance) << sText << " datum " << sDatum;
                ASSERT_NEAR(dLonBack, dLon, dTolerance / std::cos(dLat * M_PI / 180))
                    << sText << " datum " << sDatum;
            }
        }
    }
}

} // namespace
