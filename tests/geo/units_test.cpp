#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "geo/units.h"

namespace {

TEST(Semicircles, MultiplesOf45ComeOutOneShort) {
    EXPECT_EQ(lDegreesToSemicircles(90.0), 1073741823);
    EXPECT_EQ(lDegreesToSemicircles(45.0), 536870911);
    EXPECT_EQ(lDegreesToSemicircles(180.0), 2147483647);
    EXPECT_EQ(lDegreesToSemicircles(-90.0), -1073741823);
    EXPECT_EQ(lDegreesToSemicircles(-180.0), -2147483647);
}

TEST(Semicircles, OrdinaryValuesTruncateTheExactProduct) {
    for (double d : {1.0, 10.0, 30.0, 12.25, -12.25, 0.5}) {
        auto lExact = static_cast<int32_t>(std::trunc(d * 2147483648.0 / 180.0));
        EXPECT_EQ(lDegreesToSemicircles(d), lExact) << d;
    }
    EXPECT_EQ(lDegreesToSemicircles(0.0), 0);
    EXPECT_EQ(lDegreesToSemicircles(-0.0), 0);
}

TEST(Semicircles, ToDegreesIsExact) {
    EXPECT_EQ(dSemicirclesToDegrees(1073741824), 90.0);
    EXPECT_EQ(dSemicirclesToDegrees(-2147483647 - 1), -180.0);
    EXPECT_EQ(dSemicirclesToDegrees(0), 0.0);
    EXPECT_EQ(dSemicirclesToDegrees(1), 90.0 / 1073741824.0);
}

TEST(Semicircles, IntegerArithmeticMatchesExtendedPrecision) {
    // On a platform whose long double has a 64-bit mantissa the product can be
    // formed directly; the integer emulation must give the same bits.
    if (sizeof(long double) < 10 || std::numeric_limits<long double>::digits != 64) {
        GTEST_SKIP() << "long double is not the 80-bit format";
    }
    const long double r = 0xB60B60B60B60B60Bp-70L;
    std::mt19937_64 oRandom(6);
    std::uniform_real_distribution<double> oAngle(-180.0, 180.0);
    for (int i = 0; i < 200000; ++i) {
        double d = oAngle(oRandom);
        if (i % 4 == 0) {
            d = std::round(d * 1e5) / 1e5; // decimal values as files hold them
        }
        volatile long double x = static_cast<long double>(d) * 0x1p30L;
        volatile long double y = x * r;
        auto lExpected = static_cast<int32_t>(static_cast<int64_t>(y));
        ASSERT_EQ(lDegreesToSemicircles(d), lExpected) << d;
    }
}

TEST(Semicircles, RoundTripStaysWithinOneUnit) {
    std::mt19937 oRandom(7);
    std::uniform_int_distribution<int32_t> oSemi(-2147483647, 2147483647);
    for (int i = 0; i < 100000; ++i) {
        int32_t l = oSemi(oRandom);
        int32_t lBack = lDegreesToSemicircles(dSemicirclesToDegrees(l));
        ASSERT_LE(std::abs(static_cast<int64_t>(lBack) - l), 1) << l;
    }
}

TEST(Semicircles, OutOfRangeAndNotANumberAreDefined) {
    EXPECT_EQ(lDegreesToSemicircles(std::nan("")), 0);
    EXPECT_EQ(lDegreesToSemicircles(INFINITY), 0);
    EXPECT_EQ(lDegreesToSemicircles(-INFINITY), 0);
    // Only the low 32 bits are kept: 360 degrees is one unit short of 2^32.
    EXPECT_EQ(lDegreesToSemicircles(360.0), -1);
    (void)lDegreesToSemicircles(1e300);
    (void)lDegreesToSemicircles(-1e-310);
}

TEST(HexFields, ExactWidthOnly) {
    EXPECT_EQ(sParseHex16("00ff"), 255);
    EXPECT_EQ(sParseHex16("0ff"), -1);
    EXPECT_EQ(sParseHex16("ffff"), -1);
    EXPECT_EQ(sParseHex16("7FFF"), 32767);
    EXPECT_EQ(cParseHex8("zz"), 255);
    EXPECT_EQ(cParseHex8("7f"), 127);
    EXPECT_EQ(cParseHex8(""), 255);
    EXPECT_EQ(lParseHex32("0000002A"), 42);
    EXPECT_EQ(lParseHex32("8000000"), -1);
    EXPECT_EQ(lParseHex32("800000000"), -1);
    EXPECT_EQ(lParseHex32("80000000"), static_cast<int32_t>(0x80000000U));
    EXPECT_EQ(lParseHex32(static_cast<const char *>(nullptr)), -1);
    EXPECT_EQ(sParseHex16(std::string_view("00\0f", 4)), -1);
}

} // namespace
