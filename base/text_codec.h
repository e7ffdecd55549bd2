#pragma once
// The 8-bit text fields of the store hold one Windows code page per run; the
// UTF-8 formats convert at their edge through this seam. The platform's own
// converter does the mapping (text_codec_posix.cpp: iconv, no
// transliteration; text_codec_win32.cpp: MultiByteToWideChar and
// WideCharToMultiByte without best fit); the rules around it are the same on
// every platform:
//   - a byte the code page leaves undefined from 0x80 to 0x9F stands for the
//     character U+0080 to U+009F of the same value, both ways;
//   - an undefined byte above 0x9F, a character the code page cannot hold and
//     a byte that is no part of valid UTF-8 become '?', and are counted.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kDefaultCodePage = 1252;

// 1 for the code pages a run may choose: 1250, 1251, 1252, 1253, 1254, 1257.
int iKnownCodePage(int iCodePage);
// The choices for messages: "1250, 1251, 1252, 1253, 1254 or 1257".
const char *pszKnownCodePages();

struct TextConversion {
    size_t nLength = 0; // bytes written, without the terminator
    long nReplaced = 0; // characters that became '?'
    bool fCut = false;  // characters left out for want of room
};

// UTF-8 into a zero-terminated 8-bit field of nSize bytes, whole characters
// only: at most nSize - 1 of them.
TextConversion oUtf8ToCodePage(int iCodePage, std::string_view svUtf8, char *pszField,
                               size_t nSize);
// 8-bit text (up to its terminator or its end) appended to sOut as UTF-8.
// Returns the bytes that became '?'.
long nAppendCodePageAsUtf8(int iCodePage, std::string_view svText, std::string &sOut);
// A field written in code page iFrom, in place, in code page iTo; sUtf8 gets
// the text as iFrom reads it (what the field held, whatever iTo keeps of it).
TextConversion oRecodeField(int iFrom, int iTo, char *pszField, size_t nSize, std::string &sUtf8);
// The character a byte of the code page stands for; -1 for an undefined byte
// above 0x9F.
int32_t lCodePageCharacter(int iCodePage, uint8_t bByte);
// Valid UTF-8 of svText: every byte that is no part of a whole, shortest
// character becomes U+FFFD. Text that is valid comes back unchanged.
std::string sValidUtf8(std::string_view svText);
// The length of the longest start of svText that ends at a character boundary
// and is at most nMax bytes long.
size_t nUtf8Prefix(std::string_view svText, size_t nMax);
