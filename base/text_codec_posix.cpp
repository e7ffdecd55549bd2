// The code pages through iconv, without transliteration: a character the code
// page lacks fails rather than becoming a look-alike.

#include <iconv.h>

#include <cstdint>
#include <cstdio>

#include "base/text_codec_backend.h"

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1));

// One converter each way per code page, opened at first use and kept for the run.
struct Converters {
    int iCodePage = 0;
    iconv_t pDecode = kNoConverter;
    iconv_t pEncode = kNoConverter;
};

Converters &oConverters(int iCodePage) {
    static Converters aOpen[8];
    for (Converters &o : aOpen) {
        if (o.iCodePage == iCodePage) {
            return o;
        }
        if (o.iCodePage == 0) {
            char szName[16];
            std::snprintf(szName, sizeof(szName), "CP%d", iCodePage);
            o.iCodePage = iCodePage;
            o.pDecode = iconv_open("UTF-32LE", szName);
            o.pEncode = iconv_open(szName, "UTF-8");
            return o;
        }
    }
    static Converters oNone;
    return oNone;
}

// One conversion of a whole input; false unless all of it went into the output.
bool fConvert(iconv_t p, const char *pIn, size_t nIn, char *pOut, size_t nOutSize, size_t &nOut) {
    if (p == kNoConverter) {
        return false;
    }
    iconv(p, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    char *pszIn = const_cast<char *>(pIn);
    char *pszOut = pOut;
    size_t nInLeft = nIn, nOutLeft = nOutSize;
    if (iconv(p, &pszIn, &nInLeft, &pszOut, &nOutLeft) == static_cast<size_t>(-1) || nInLeft != 0) {
        return false;
    }
    nOut = nOutSize - nOutLeft;
    return true;
}

} // namespace

bool fPlatformDecodeByte(int iCodePage, uint8_t bByte, char32_t &lCharacter) {
    char cIn = static_cast<char>(bByte);
    unsigned char ab[8];
    size_t nOut = 0;
    if (!fConvert(oConverters(iCodePage).pDecode, &cIn, 1, reinterpret_cast<char *>(ab), sizeof(ab),
                  nOut) ||
        nOut != 4) {
        return false;
    }
    lCharacter = static_cast<char32_t>(ab[0] | (ab[1] << 8) | (ab[2] << 16) | (ab[3] << 24));
    return true;
}

bool fPlatformEncodeCharacter(int iCodePage, std::string_view svCharacter, uint8_t &bByte) {
    char ac[8];
    size_t nOut = 0;
    if (!fConvert(oConverters(iCodePage).pEncode, svCharacter.data(), svCharacter.size(), ac,
                  sizeof(ac), nOut) ||
        nOut != 1) {
        return false;
    }
    bByte = static_cast<uint8_t>(ac[0]);
    return true;
}
