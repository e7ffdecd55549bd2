#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "base/temp_string.h"
#include "geo/utm.h"

namespace {

class Utm : public testing::Test {
  protected:
    void TearDown() override { vSetUtmZoneOverride(-1); }
    static std::string S(double dLat, double dLon, int16_t sDatum = 100) {
        return szFormatUtm(sDatum, dLat, dLon);
    }
    static int iRead(const std::string &s, double *pdLat, double *pdLon, int16_t sDatum = 100) {
        std::string sCopy = s;
        return iParseUtm(sCopy.data(), sDatum, pdLat, pdLon);
    }
};

TEST_F(Utm, SpecimenTexts) {
    EXPECT_EQ(S(48.5, 9.25), "32U 0518468 5371906");
    EXPECT_EQ(S(0, 3), "31N 0500000 0000000");
    EXPECT_EQ(S(-8, 20).substr(0, 3), "34M");
    EXPECT_GT(std::stod(S(-8, 20).substr(12)), 9000000);
    EXPECT_EQ(S(-33.9, 18.4), "34H 0259583 6245888");
    EXPECT_EQ(S(-80, 0).substr(0, 3), "31C");
    EXPECT_EQ(S(72, 0).substr(0, 3), "31X");
    EXPECT_EQ(S(84, 0).substr(0, 3), "31X");
}

TEST_F(Utm, NorwayAndSvalbard) {
    EXPECT_EQ(S(60, 5), "32V 0276980 6658157");
    EXPECT_EQ(S(56.5, 4).substr(0, 3), "32V");
    EXPECT_EQ(S(56.5, 2.9).substr(0, 3), "31V");
    EXPECT_EQ(S(64.5, 4).substr(0, 3), "31W");
    EXPECT_EQ(S(55.9, 4).substr(0, 3), "31U");
    EXPECT_EQ(S(78, 15), "33X 0500000 8658370");
    EXPECT_EQ(S(84, 10).substr(0, 3), "33X");
    EXPECT_EQ(S(78, 8).substr(0, 3), "31X");
    EXPECT_EQ(S(78, 25).substr(0, 3), "35X");
    EXPECT_EQ(S(78, 40).substr(0, 3), "37X");
    EXPECT_EQ(S(71.9, 15).substr(0, 3), "33W");
}

TEST_F(Utm, PolarLetters) {
    EXPECT_EQ(S(85, 10), "00Z 0000000 0000000");
    EXPECT_EQ(S(85, -10), "00Y 0000000 0000000");
    EXPECT_EQ(S(-81, -1), "00A 0000000 0000000");
    EXPECT_EQ(S(-81, 1), "00B 0000000 0000000");
    EXPECT_EQ(S(NAN, 1), "00B 0000000 0000000");
}

TEST_F(Utm, ZoneOverride) {
    vSetUtmZoneOverride(31);
    EXPECT_EQ(S(48.5, 9.25), "31U 0961587 5390766");
    EXPECT_EQ(S(78, 15).substr(0, 3), "31X"); // no exceptions under an override
    EXPECT_EQ(iGetUtmZoneOverride(), 31);
    vSetUtmZoneOverride(-1);
    EXPECT_EQ(S(48.5, 9.25), "32U 0518468 5371906");
    // Any number is taken as written; the text stays in its buffer.
    vSetUtmZoneOverride(2147483647);
    EXPECT_LT(S(48.5, 9.25).size(), 254U);
}

TEST_F(Utm, ReadsItsOwnTextsBack) {
    double dLat = 0, dLon = 0;
    ASSERT_TRUE(iRead("32U 0518468 5371906", &dLat, &dLon));
    EXPECT_NEAR(dLat, 48.5, 5e-6);
    EXPECT_NEAR(dLon, 9.25, 5e-6);
    // The band letter says south, so the written northing holds the false northing.
    ASSERT_TRUE(iRead("34H 0259583 6245888", &dLat, &dLon));
    EXPECT_NEAR(dLat, -33.9, 5e-6);
    EXPECT_NEAR(dLon, 18.4, 5e-6);
    ASSERT_TRUE(iRead("34H 0259583 -6245888", &dLat, &dLon));
    EXPECT_NEAR(dLat, -33.9, 5e-6);
    ASSERT_TRUE(iRead("34h 0259583 6245888", &dLat, &dLon));
    EXPECT_NEAR(dLat, -33.9, 5e-6);
    // Without a letter the sign of the northing decides.
    ASSERT_TRUE(iRead("34 0259583 6245888", &dLat, &dLon));
    EXPECT_NEAR(dLat, 56.3, 0.1);
    ASSERT_TRUE(iRead("34 0259583 -6245888", &dLat, &dLon));
    EXPECT_NEAR(dLat, -33.9, 5e-6);
    ASSERT_TRUE(iRead("32U  518468   5371906 trailing", &dLat, &dLon));
    EXPECT_NEAR(dLat, 48.5, 5e-6);
    // A band letter of the north wins over a sign.
    ASSERT_TRUE(iRead("32U 0518468 -5371906", &dLat, &dLon));
    EXPECT_NEAR(dLat, 48.5, 5e-6);
}

TEST_F(Utm, SpecimenProjectionRoundTrip) {
    int32_t lZone = 0;
    double dE = 0, dN = 0, dLat = 0, dLon = 0;
    vLatLonToUtm(100, 48.5, 9.25, &lZone, 0, &dE, &dN);
    EXPECT_EQ(lZone, 32);
    vUtmToLatLon(100, lZone, dE, dN, &dLat, &dLon);
    EXPECT_NEAR(dLat, 48.5, 1e-9);
    EXPECT_NEAR(dLon, 9.25, 1e-9);
    vLatLonToUtm(100, -33.9, 18.4, &lZone, 0, &dE, &dN);
    vUtmToLatLon(100, lZone, dE, -dN, &dLat, &dLon);
    EXPECT_NEAR(dLat, -33.9, 1e-9);
    EXPECT_NEAR(dLon, 18.4, 1e-9);
}

TEST_F(Utm, RoundTripOfTheProjection) {
    std::mt19937 oRandom(31);
    std::uniform_real_distribution<double> oLat(-80, 84), oLon(-180, 180);
    double dWorst = 0;
    for (int16_t sDatum : {100, 28, 61, 75, 95}) {
        for (int i = 0; i < 2000; ++i) {
            double dLat = oLat(oRandom), dLon = oLon(oRandom);
            int32_t lZone = 0;
            double dE = 0, dN = 0, dLat2 = 0, dLon2 = 0;
            vLatLonToUtm(sDatum, dLat, dLon, &lZone, 0, &dE, &dN);
            ASSERT_GE(lZone, 1);
            ASSERT_LE(lZone, 60);
            vUtmToLatLon(sDatum, lZone, dE, dLat < 0 ? -dN : dN, &dLat2, &dLon2);
            dWorst = std::max({dWorst, std::fabs(dLat2 - dLat), std::fabs(dLon2 - dLon)});
        }
    }
    EXPECT_LT(dWorst, 1e-9);
}

// The quick series, which the grid text takes unless a metre lies within a
// micrometre of a rounding edge, stays nanometres from the exact one: over
// every datum's ellipsoid, in each point's own zone and in a zone forced on
// it up to 12 degrees away (beyond its reach the exact series is taken).
TEST_F(Utm, QuickProjectionWithinNanometresOfTheExact) {
    std::mt19937 oRandom(37);
    std::uniform_real_distribution<double> oLat(-85, 85), oLon(-180, 180), oOff(-12, 12);
    double dWorst = 0;
    for (int i = 0; i < 200000; ++i) {
        const auto sDatum = static_cast<int16_t>(i % 103);
        const double dLat = i % 1000 == 0 ? 1e-301 * (i % 3 - 1) : oLat(oRandom);
        const double dLon = oLon(oRandom);
        const int fFixed = i % 2;
        int32_t lQuickZone = static_cast<int32_t>((dLon + oOff(oRandom)) / 6 + 31);
        lQuickZone = std::clamp(lQuickZone, 1, 60);
        int32_t lZone = lQuickZone;
        double dE = 0, dN = 0, dQuickE = 0, dQuickN = 0;
        vLatLonToUtm(sDatum, dLat, dLon, &lZone, fFixed, &dE, &dN);
        vQuickLatLonToUtm(sDatum, dLat, dLon, &lQuickZone, fFixed, &dQuickE, &dQuickN);
        ASSERT_EQ(lQuickZone, lZone);
        dWorst = std::max({dWorst, std::fabs(dQuickE - dE), std::fabs(dQuickN - dN)});
    }
    EXPECT_LT(dWorst, 3e-8);
}

TEST_F(Utm, ZonesFromTheLongitude) {
    int32_t lZone = 0;
    double dE = 0, dN = 0;
    const struct {
        double dLon;
        int32_t lZone;
    } aCases[] = {{-180, 1}, {-177.5, 1},   {-174, 2},    {-90, 16}, {-6, 30},
                  {0, 31},   {-0.0001, 30}, {5.9999, 31}, {6, 32},   {179.9, 60},
                  {180, 60}, {200, 60},     {-250, 1}};
    for (const auto &o : aCases) {
        vLatLonToUtm(100, 10, o.dLon, &lZone, 0, &dE, &dN);
        EXPECT_EQ(lZone, o.lZone) << o.dLon;
    }
    lZone = 17;
    vLatLonToUtm(100, 10, 0, &lZone, 1, &dE, &dN);
    EXPECT_EQ(lZone, 17);
    vLatLonToUtm(100, 10, NAN, &lZone, 0, &dE, &dN);
    EXPECT_GE(lZone, 1);
}

TEST_F(Utm, BadTextsFail) {
    const std::string sHuge(300, '9');
    double dLat = 7, dLon = 7;
    for (const std::string &s :
         {std::string(), std::string(" "), std::string("32U"), std::string("32U 518468"),
          std::string("U 518468 5371906"), std::string("00Z 0000000 0000000"),
          std::string("61U 518468 5371906"), std::string("0 1 1"), std::string("-5U 1 1"),
          sHuge + "U 518468 5371906", std::string("32U inf 5371906"), std::string("32U 518468 nan"),
          "32U 1" + sHuge + "e999 5371906"}) {
        EXPECT_FALSE(iRead(s, &dLat, &dLon)) << s;
    }
    EXPECT_EQ(dLat, 7);
    EXPECT_FALSE(iParseUtm(nullptr, 100, &dLat, &dLon));
    // Garbage numbers read as atof reads them: a defined value, not a failure.
    EXPECT_TRUE(iRead("32U abc def", &dLat, &dLon));
    EXPECT_TRUE(std::isfinite(dLat));
}

} // namespace
