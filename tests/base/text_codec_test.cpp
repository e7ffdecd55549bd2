#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text_codec.h"

namespace {

struct Pair {
    uint8_t bByte;
    int32_t lCharacter; // -1: undefined, becomes '?'
};

struct CodePageCase {
    int iCodePage;
    std::vector<Pair> aPairs;
    uint32_t lTableHash; // of all 128 upper characters: both platforms must give the same
};

uint32_t lHashTable(int iCodePage) {
    uint32_t l = 2166136261u;
    for (int b = 0x80; b <= 0xFF; ++b) {
        uint32_t lCharacter = static_cast<uint32_t>(lCodePageCharacter(iCodePage, uint8_t(b)));
        for (int i = 0; i < 4; ++i) {
            l = (l ^ ((lCharacter >> (8 * i)) & 0xFF)) * 16777619u;
        }
    }
    return l;
}

const CodePageCase aCodePages[] = {
    {1252,
     {{0x80, 0x20AC}, {0x81, 0x81}, {0x8A, 0x160}, {0x9D, 0x9D}, {0x9F, 0x178}, {0xE9, 0xE9}},
     950892984u},
    {1250, {{0x81, 0x81}, {0x8A, 0x160}, {0x9A, 0x161}, {0xB9, 0x105}, {0xE8, 0x10D}}, 2842016040u},
    {1251,
     {{0x88, 0x20AC}, {0x98, 0x98}, {0xA8, 0x401}, {0xC0, 0x410}, {0xFF, 0x44F}},
     4269425495u},
    {1253,
     {{0x88, 0x88},
      {0xA2, 0x386},
      {0xAA, -1},
      {0xC1, 0x391},
      {0xD2, -1},
      {0xF9, 0x3C9},
      {0xFF, -1}},
     2433117553u},
    {1254, {{0x8E, 0x8E}, {0xD0, 0x11E}, {0xDE, 0x15E}, {0xFD, 0x131}}, 2253438174u},
    {1257,
     {{0x8D, 0xA8}, {0xA1, -1}, {0xA5, -1}, {0xA8, 0xD8}, {0xC0, 0x104}, {0xE8, 0x10D}},
     3526691337u},
};

std::string sUtf8(int iCodePage, std::string_view sv) {
    std::string s;
    nAppendCodePageAsUtf8(iCodePage, sv, s);
    return s;
}

TEST(TextCodec, EveryCodePageBothWays) {
    for (const CodePageCase &o : aCodePages) {
        SCOPED_TRACE(o.iCodePage);
        ASSERT_EQ(iKnownCodePage(o.iCodePage), 1);
        for (const Pair &p : o.aPairs) {
            EXPECT_EQ(lCodePageCharacter(o.iCodePage, p.bByte), p.lCharacter) << int(p.bByte);
        }
        // Every defined byte reads back as itself; an undefined one is '?', counted.
        for (int b = 0x80; b <= 0xFF; ++b) {
            char c = static_cast<char>(b);
            std::string s;
            long nLost = nAppendCodePageAsUtf8(o.iCodePage, std::string_view(&c, 1), s);
            char acField[4];
            TextConversion r = oUtf8ToCodePage(o.iCodePage, s, acField, sizeof(acField));
            if (lCodePageCharacter(o.iCodePage, uint8_t(b)) < 0) {
                EXPECT_EQ(s, "?") << b;
                EXPECT_EQ(nLost, 1) << b;
            } else {
                EXPECT_EQ(nLost, 0) << b;
                EXPECT_EQ(r.nReplaced, 0) << b;
                EXPECT_EQ(std::string(acField), std::string(1, c)) << b;
            }
        }
        EXPECT_EQ(lHashTable(o.iCodePage), o.lTableHash);
    }
    EXPECT_EQ(iKnownCodePage(1255), 0);
    EXPECT_EQ(iKnownCodePage(437), 0);
}

TEST(TextCodec, WhatACodePageCannotHold) {
    struct Case {
        int iCodePage;
        const char *pszUtf8;
        size_t nField;
        const char *pszField;
        long nReplaced;
        bool fCut;
    };
    const Case aCases[] = {
        {1251, "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", 51, "\xCC\xEE\xF1\xEA\xE2\xE0",
         0, false},                                              // Москва
        {1252, "\xD0\x9C\xD0\xBE\xD1\x81", 51, "???", 3, false}, // Мос
        {1252,
         "a\xE4\xB8\xAD"
         "b\xF0\x9F\x98\x80",
         51, "a?b?", 2, false},                                // CJK, emoji
        {1252, "\xC3\xA9t\xC3\xA9", 3, "\xE9t", 0, true},      // été cut whole
        {1252, "x\xC3", 51, "x?", 1, false},                   // a cut sequence
        {1252, "\xC0\xAF\xED\xA0\x80", 51, "?????", 5, false}, // overlong, surrogate
        {1253, "\xC2\x88\xC2\xAA", 51, "\x88?", 1, false},     // U+0088 held, U+00AA not
    };
    for (const Case &o : aCases) {
        char acField[51];
        TextConversion r = oUtf8ToCodePage(o.iCodePage, o.pszUtf8, acField, o.nField);
        EXPECT_STREQ(acField, o.pszField) << o.pszUtf8;
        EXPECT_EQ(r.nLength, std::strlen(o.pszField)) << o.pszUtf8;
        EXPECT_EQ(r.nReplaced, o.nReplaced) << o.pszUtf8;
        EXPECT_EQ(r.fCut, o.fCut) << o.pszUtf8;
    }
    EXPECT_EQ(sUtf8(1251, "\xCC\xEE\xF1\xEA\xE2\xE0"),
              "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0");
}

TEST(TextCodec, FromOneCodePageToAnother) {
    char acField[8] = "\xC0\xE9z"; // Àéz in 1252
    std::string sUtf8;
    TextConversion r = oRecodeField(1252, 1250, acField, sizeof(acField), sUtf8);
    EXPECT_STREQ(acField, "?\xE9z"); // 1250 has é but no À
    EXPECT_EQ(r.nReplaced, 1);
    EXPECT_EQ(sUtf8, "\xC3\x80\xC3\xA9z");
}

TEST(TextCodec, Utf8Helpers) {
    EXPECT_EQ(sValidUtf8("a\xC3\xA9\xFF"
                         "b\xE4\xB8"),
              "a\xC3\xA9\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(nUtf8Prefix("ab\xE4\xB8\xAD", 4), 2u);
    EXPECT_EQ(nUtf8Prefix("ab\xE4\xB8\xAD", 5), 5u);
    EXPECT_EQ(nUtf8Prefix("abc", 2), 2u);
}

} // namespace
