#pragma once
// What each platform's converter provides to base/text_codec.cpp: one file per
// platform (text_codec_posix.cpp, text_codec_win32.cpp).

#include <cstdint>
#include <string_view>

// The character byte bByte (0x80 to 0xFF) stands for in the code page; false
// where the converter knows none.
bool fPlatformDecodeByte(int iCodePage, uint8_t bByte, char32_t &lCharacter);
// The byte that holds the one UTF-8 character svCharacter in the code page,
// exactly (no look-alike); false where the code page has none.
bool fPlatformEncodeCharacter(int iCodePage, std::string_view svCharacter, uint8_t &bByte);
