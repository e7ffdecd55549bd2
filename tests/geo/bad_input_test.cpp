// Every reader of this folder over random and hostile texts: each returns a
// result or a failure, and (under the sanitizers) never reads outside its text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "geo/coordinates.h"
#include "geo/time_format.h"
#include "geo/units.h"
#include "geo/utm.h"

namespace {

// The text in a heap block of exactly its length plus the terminator, so a
// read past the end is caught.
std::unique_ptr<char[]> pExact(const std::string &s) {
    auto p = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

std::string sRandomText(std::mt19937 &oRandom) {
    static const char kAlphabet[] = "0123456789 .-+/:'\"NSEWnsewXZUHabc,\t\xB0\xF8\x80\xFF";
    std::uniform_int_distribution<size_t> oLength(0, 40), oChar(0, sizeof kAlphabet - 2);
    std::string s(oLength(oRandom), ' ');
    for (char &c : s) {
        c = kAlphabet[oChar(oRandom)];
    }
    return s;
}

TEST(BadInput, RandomTextsThroughEveryReader) {
    std::mt19937 oRandom(99);
    for (int i = 0; i < 20000; ++i) {
        std::string s = sRandomText(oRandom);
        double dLat = 0, dLon = 0;
        for (int16_t sFormat : {0, 1, 2, 3, 4, 6, 7, 8, 10, 17}) {
            auto p = pExact(s);
            if (iParsePosition(p.get(), 28, sFormat, &dLat, &dLon)) {
                ASSERT_TRUE(std::isfinite(dLat) && std::isfinite(dLon)) << s;
            }
            p = pExact(s);
            if (iParseLatLon(p.get(), sFormat, i % 2, &dLat)) {
                ASSERT_TRUE(std::isfinite(dLat)) << s;
            }
        }
        auto p = pExact(s);
        if (iParseUtm(p.get(), 100, &dLat, &dLon)) {
            ASSERT_TRUE(std::isfinite(dLat) && std::isfinite(dLon)) << s;
        }
        p = pExact(s);
        (void)lParseTime(p.get(), 3600);
        (void)lParseHex32(p.get());
        (void)sParseHex16(p.get());
        (void)cParseHex8(p.get());
    }
}

TEST(BadInput, ThreeHundredDigitNumbers) {
    const std::string sDigits(300, '7');
    double dLat = 0, dLon = 0;
    for (const std::string &s : {sDigits, "N" + sDigits + "\xB0 E1\xB0", sDigits + " " + sDigits,
                                 "32U " + sDigits + " " + sDigits, "32U 1 -" + sDigits,
                                 sDigits + "/" + sDigits + "/1990 1:1:1", "1." + sDigits}) {
        auto p = pExact(s);
        EXPECT_FALSE(iParsePosition(p.get(), 100, 0, &dLat, &dLon)) << s;
        p = pExact(s);
        EXPECT_EQ(lParseTime(p.get(), 0), 0) << s;
    }
}

TEST(BadInput, ReadingOwnTextsOfExtremePositions) {
    // Every text the writers make of a position at the edge of the world reads
    // back or fails cleanly.
    for (double dLat : {-90.0, -80.0, 0.0, 84.0, 90.0}) {
        for (double dLon : {-180.0, -0.0, 179.9999999, 180.0}) {
            for (int16_t sFormat = 1; sFormat <= 17; ++sFormat) {
                std::string s = szFormatPosition(95, dLat, dLon, sFormat);
                double dLatBack = 0, dLonBack = 0;
                auto p = pExact(s);
                if (iParsePosition(p.get(), 95, sFormat, &dLatBack, &dLonBack)) {
                    ASSERT_TRUE(std::isfinite(dLatBack) && std::isfinite(dLonBack)) << s;
                }
            }
        }
    }
}

} // namespace
