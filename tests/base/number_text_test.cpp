#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "base/number_text.h"

namespace {

struct Case {
    const char *pszText;
    double dValue;
    size_t nUsed; // characters the number took
};

// What strtod reads in the "C" locale, written out so that every platform's
// build is held to the same values.
TEST(ParseDouble, ReadsWhatStrtodReads) {
    const double kInf = std::numeric_limits<double>::infinity();
    const Case aCases[] = {
        {"12.5", 12.5, 4},        {"  -3.25e2xyz", -325.0, 9},
        {"+7", 7.0, 2},           {".5,", 0.5, 2},
        {"1e", 1.0, 1},           {"1e+", 1.0, 1},
        {"0x1.8p1 ", 3.0, 7},     {"0x", 0.0, 1},
        {"0xg", 0.0, 1},          {"inf", kInf, 3},
        {"-Infinity!", -kInf, 9}, {"INFO", kInf, 3},
        {"1e400", kInf, 5},       {"-1e400", -kInf, 6},
        {"1e-400", 0.0, 6},       {"000000000000000000000000000000000001", 1.0, 36},
    };
    for (const Case &o : aCases) {
        const char *pszEnd = nullptr;
        double d = dParseDouble(o.pszText, &pszEnd);
        EXPECT_EQ(d, o.dValue) << o.pszText;
        EXPECT_EQ(static_cast<size_t>(pszEnd - o.pszText), o.nUsed) << o.pszText;
    }
}

TEST(ParseDouble, NanAndNoNumber) {
    const char *pszEnd = nullptr;
    EXPECT_TRUE(std::isnan(dParseDouble("nan", &pszEnd)));
    EXPECT_EQ(std::strlen(pszEnd), 0u);
    EXPECT_TRUE(std::isnan(dParseDouble("NaN(123) 5", &pszEnd)));
    EXPECT_STREQ(pszEnd, " 5");
    for (const char *psz : {"", "   ", "abc", "-", "+.", ".e5", "na", "--1"}) {
        EXPECT_EQ(dParseDouble(psz, &pszEnd), 0.0) << psz;
        EXPECT_EQ(pszEnd, psz) << psz;
    }
    EXPECT_EQ(dParseDouble("42"), 42.0);
}

// What strtoll with base 10 reads, saturating beyond 64 bits.
TEST(ParseInteger, ReadsWhatStrtollReads) {
    const struct {
        const char *pszText;
        int64_t llValue;
        size_t nUsed;
    } aCases[] = {
        {" \t-42,", -42, 5},
        {"+7x", 7, 2},
        {"0x10", 0, 1},
        {"12.9", 12, 2},
        {"9223372036854775807", INT64_MAX, 19},
        {"9223372036854775808", INT64_MAX, 19},
        {"-9223372036854775808", INT64_MIN, 20},
        {"-99999999999999999999999", INT64_MIN, 24},
        {"", 0, 0},
        {" - 1", 0, 0},
        {"+", 0, 0},
    };
    for (const auto &o : aCases) {
        const char *pszEnd = nullptr;
        EXPECT_EQ(llParseInteger(o.pszText, &pszEnd), o.llValue) << o.pszText;
        EXPECT_EQ(static_cast<size_t>(pszEnd - o.pszText), o.nUsed) << o.pszText;
    }
}

} // namespace
