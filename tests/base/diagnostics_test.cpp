#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/debug.h"
#include "base/temp_string.h"

namespace {

std::string sInit(const char *pszValue) {
    vResetDebugModes();
    ::testing::internal::CaptureStdout();
    vInitDebugModesFrom(pszValue);
    return ::testing::internal::GetCapturedStdout();
}

constexpr const char *kGeneral = "--> General Debug Mode initialized.\n";
constexpr const char *kCom = "--> COM-I/O Debug Mode initialized.\n";
constexpr const char *kProtocol = "--> Protocol Debug Mode initialized.\n";

} // namespace

TEST(DebugModes, TokensKeywordsAndMessages) {
    EXPECT_EQ(sInit(nullptr), "");
    EXPECT_EQ(iDebugGeneral(), 0);
    EXPECT_EQ(sInit(""), "");
    EXPECT_EQ(sInit(" ,;:\t"), "");
    EXPECT_EQ(iDebugGeneral(), 0);

    EXPECT_EQ(sInit("all"), std::string(kGeneral) + kCom + kProtocol +
                                "--> File-I/O Debug Mode initialized.\n"
                                "--> Memory Debug Mode initialized.\n");
    EXPECT_EQ(sGetDebugModes(), 31);

    EXPECT_EQ(sInit("com,,com"), std::string(kGeneral) + kCom + kGeneral + kCom);
    EXPECT_EQ(iDebugComIo(), 1);
    EXPECT_EQ(iDebugProtocol(), 0);

    EXPECT_EQ(sInit("protocol;com"), std::string(kGeneral) + kProtocol + kGeneral + kCom);
    EXPECT_EQ(sInit("whatever"), kGeneral);
    EXPECT_EQ(iDebugGeneral(), 1);
    EXPECT_EQ(iDebugComIo(), 0);
    vResetDebugModes();
}

TEST(HexDump, LinesOfSixteenWithPaddedColumns) {
    unsigned char ab[20];
    for (int i = 0; i < 20; ++i) {
        ab[i] = static_cast<unsigned char>(0x3C + i);
    }
    ab[5] = 0x0A;
    vResetDebugModes();
    ::testing::internal::CaptureStdout();
    vHexDump(ab, sizeof(ab)); // channel off: nothing
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    sInit("x");
    ::testing::internal::CaptureStdout();
    vHexDump(ab, sizeof(ab));
    vHexDump(ab, 0);
    std::string s = ::testing::internal::GetCapturedStdout();
    vResetDebugModes();
    EXPECT_EQ(s, "    3C 3D 3E 3F 40 0A 42 43 44 45 46 47 48 49 4A 4B    <=>?@.BCDEFGHIJK\n"
                 "    4C 4D 4E 4F                                        LMNO            \n");
}

TEST(TempStrings, RingOfFortyClearedOnReuse) {
    vResetTempStrings();
    char *pFirst = pszGetTempString();
    std::snprintf(pFirst, kTempStringSize, "%s", "held");
    char *apAll[kTempStringCount];
    apAll[0] = pFirst;
    for (size_t i = 1; i < kTempStringCount; ++i) {
        apAll[i] = pszGetTempString();
        ASSERT_NE(apAll[i], nullptr);
        for (size_t k = 0; k < i; ++k) {
            ASSERT_NE(apAll[i], apAll[k]);
        }
    }
    EXPECT_STREQ(pFirst, "held"); // still valid after 39 more requests
    char *pAgain = pszGetTempString();
    EXPECT_EQ(pAgain, pFirst);
    EXPECT_EQ(std::memchr(pAgain, 'h', kTempStringSize), nullptr);
}
