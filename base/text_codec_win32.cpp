// The code pages through the Win32 converters. WC_NO_BEST_FIT_CHARS keeps a
// character the code page lacks from becoming a look-alike; the default
// character flag tells that it happened.

#include <windows.h>

#include "base/text_codec_backend.h"

bool fPlatformDecodeByte(int iCodePage, uint8_t bByte, char32_t &lCharacter) {
    char cIn = static_cast<char>(bByte);
    wchar_t aw[4];
    int n = MultiByteToWideChar(static_cast<UINT>(iCodePage), MB_ERR_INVALID_CHARS, &cIn, 1, aw, 4);
    if (n != 1 || (aw[0] >= 0xD800 && aw[0] <= 0xDFFF)) {
        return false;
    }
    lCharacter = static_cast<char32_t>(aw[0]);
    return true;
}

bool fPlatformEncodeCharacter(int iCodePage, std::string_view svCharacter, uint8_t &bByte) {
    wchar_t aw[4];
    int nWide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, svCharacter.data(),
                                    static_cast<int>(svCharacter.size()), aw, 4);
    if (nWide <= 0) {
        return false;
    }
    char ac[8];
    BOOL fUsedDefault = FALSE;
    int n = WideCharToMultiByte(static_cast<UINT>(iCodePage), WC_NO_BEST_FIT_CHARS, aw, nWide, ac,
                                sizeof(ac), nullptr, &fUsedDefault);
    if (n != 1 || fUsedDefault) {
        return false;
    }
    bByte = static_cast<uint8_t>(ac[0]);
    return true;
}
