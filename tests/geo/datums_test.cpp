#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "geo/datums.h"

namespace {

TEST(DatumShift, Wgs84IsTheIdentityBitForBit) {
    std::mt19937 oRandom(21);
    std::uniform_real_distribution<double> oLat(-90, 90), oLon(-180, 180);
    for (int i = 0; i < 1000; ++i) {
        double dLat = oLat(oRandom), dLon = oLon(oRandom);
        for (int iDirection : {0, 1}) {
            double dLat2 = dLat, dLon2 = dLon;
            vShiftDatum(100, iDirection, &dLat2, &dLon2);
            ASSERT_EQ(std::memcmp(&dLat, &dLat2, sizeof dLat), 0);
            ASSERT_EQ(std::memcmp(&dLon, &dLon2, sizeof dLon), 0);
        }
    }
}

TEST(DatumShift, European1950Specimen) {
    double dLat = 48.5, dLon = 9.25;
    vShiftDatum(28, 0, &dLat, &dLon);
    EXPECT_NEAR(dLat, 48.500852, 5e-7);
    EXPECT_NEAR(dLon, 9.251120, 5e-7);
    // Some 95 m north and 82 m east.
    EXPECT_NEAR((dLat - 48.5) * 111200, 95, 2);
    EXPECT_NEAR((dLon - 9.25) * 111320 * std::cos(48.5 * M_PI / 180), 82, 2);
    vShiftDatum(28, 1, &dLat, &dLon);
    EXPECT_NEAR(dLat, 48.5, 0.005 / 111200);
    EXPECT_NEAR(dLon, 9.25, 0.005 / 73700);
}

TEST(DatumShift, Nad83MovesOnlyByTheFlatteningDifference) {
    double dLat = 48.5, dLon = 9.25;
    vShiftDatum(66, 0, &dLat, &dLon);
    double dMetres = std::fabs(dLat - 48.5) * 111200;
    EXPECT_GT(dMetres, 0.00005);
    EXPECT_LT(dMetres, 0.0002);
    EXPECT_EQ(dLon, 9.25);
}

TEST(DatumShift, LongitudeWrapsAcrossTheAntimeridian) {
    // Tokyo's translation moves a point in the Pacific some 500 m east on the
    // way from WGS 84 and west on the way back.
    double dLat = 10.0, dLon = 179.999;
    vShiftDatum(95, 0, &dLat, &dLon);
    EXPECT_LT(dLon, -179.99);
    EXPECT_GT(dLon, -180.0);
    vShiftDatum(95, 1, &dLat, &dLon);
    EXPECT_GT(dLon, 179.99);
    EXPECT_LE(dLon, 180.0);
    // At a pole the longitude stays within one turn.
    for (int16_t sDatum = 0; sDatum <= 101; ++sDatum) {
        for (double dPole : {90.0, -90.0}) {
            double dLat2 = dPole, dLon2 = 179.0;
            vShiftDatum(sDatum, 0, &dLat2, &dLon2);
            ASSERT_TRUE(std::isfinite(dLat2));
            ASSERT_LE(std::fabs(dLon2), 180.0) << sDatum;
        }
    }
}

TEST(DatumShift, NumbersOutsideTheTableAreWgs84) {
    for (int16_t s : {-1, 102, 500, INT16_MIN, INT16_MAX}) {
        double dLat = 48.5, dLon = 9.25;
        vShiftDatum(s, 0, &dLat, &dLon);
        EXPECT_EQ(dLat, 48.5);
        EXPECT_EQ(dLon, 9.25);
        double a = 0, f = 0;
        int16_t dx = 1, dy = 1, dz = 1;
        EXPECT_EQ(sGetDatumParams(s, &a, &f, &dx, &dy, &dz), 100);
        EXPECT_EQ(a, 6378137.0);
        EXPECT_EQ(dx, 0);
        const char *pszDatum = "x", *pszEllipsoid = "x";
        vGetDatumNames(s, &pszDatum, &pszEllipsoid);
        EXPECT_EQ(pszDatum, nullptr);
        EXPECT_EQ(pszEllipsoid, nullptr);
    }
}

TEST(DatumTable, EntriesAndNames) {
    const char *pszDatum = nullptr, *pszEllipsoid = nullptr;
    vGetDatumNames(28, &pszDatum, &pszEllipsoid);
    EXPECT_STREQ(pszDatum, "European 1950");
    EXPECT_STREQ(pszEllipsoid, "International 1924");
    vGetDatumNames(8, &pszDatum, nullptr);
    EXPECT_STREQ(pszDatum, "Astro Beacon \"E\"");
    vGetDatumNames(101, &pszDatum, &pszEllipsoid);
    EXPECT_STREQ(pszDatum, "Zanderij");
    vGetDatumNames(0, nullptr, &pszEllipsoid);
    EXPECT_STREQ(pszEllipsoid, "Clarke 1880");
    vGetDatumNames(89, &pszDatum, &pszEllipsoid);
    EXPECT_STREQ(pszEllipsoid, "Bessel 1841 (Namibia)");
    double a = 0, f = 0;
    int16_t dx = 0, dy = 0, dz = 0;
    EXPECT_EQ(sGetDatumParams(83, &a, &f, &dx, &dy, &dz), 83);
    EXPECT_EQ(dz, -1262);
    EXPECT_EQ(a, 6378388.0);
    EXPECT_EQ(f, 297.0);
    sGetDatumParams(75, &a, &f, nullptr, nullptr, nullptr);
    EXPECT_EQ(a, 6377563.396);
    EXPECT_EQ(f, 299.3249646);
    for (int16_t s = 0; s <= kMaxDatumNumber; ++s) {
        vGetDatumNames(s, &pszDatum, &pszEllipsoid);
        ASSERT_NE(pszDatum, nullptr);
        ASSERT_NE(pszEllipsoid, nullptr);
    }
}

} // namespace
