#include "base/debug.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/text_compare.h"

namespace {

uint16_t sDebugModes = 0;

struct DebugCategory {
    uint16_t sBit;
    const char *pszKeyword;
    const char *pszMessage;
};

constexpr DebugCategory aCategories[] = {
    {2, "COM", "--> COM-I/O Debug Mode initialized.\n"},
    {4, "PROTOCOL", "--> Protocol Debug Mode initialized.\n"},
    {8, "FILE", "--> File-I/O Debug Mode initialized.\n"},
    {16, "MEMORY", "--> Memory Debug Mode initialized.\n"},
};

} // namespace

void vInitDebugModes() {
    vInitDebugModesFrom(std::getenv("ORVENSTA_DEBUG"));
}

void vInitDebugModesFrom(const char *pszValue) {
    if (pszValue == nullptr) {
        return;
    }
    std::string_view svValue(pszValue);
    constexpr std::string_view svSeparators = " ,:;\t";
    size_t nPos = 0;
    while (nPos < svValue.size()) {
        nPos = svValue.find_first_not_of(svSeparators, nPos);
        if (nPos == std::string_view::npos) {
            break;
        }
        size_t nEnd = svValue.find_first_of(svSeparators, nPos);
        if (nEnd == std::string_view::npos) {
            nEnd = svValue.size();
        }
        std::string_view svToken = svValue.substr(nPos, nEnd - nPos);
        nPos = nEnd;

        sDebugModes |= 1;
        std::fputs("--> General Debug Mode initialized.\n", stdout);
        for (const DebugCategory &category : aCategories) {
            if (fEqualsNoCase(svToken, category.pszKeyword) || fEqualsNoCase(svToken, "ALL")) {
                sDebugModes |= category.sBit;
                std::fputs(category.pszMessage, stdout);
            }
        }
    }
}

int iDebugGeneral() {
    return sDebugModes != 0 ? 1 : 0;
}
int iDebugComIo() {
    return (sDebugModes & 2) != 0 ? 1 : 0;
}
int iDebugProtocol() {
    return (sDebugModes & 4) != 0 ? 1 : 0;
}
uint16_t sGetDebugModes() {
    return sDebugModes;
}
void vResetDebugModes() {
    sDebugModes = 0;
}

void vHexDump(const void *pData, size_t nLength) {
    if (!iDebugGeneral() || pData == nullptr) {
        return;
    }
    const auto *pBytes = static_cast<const unsigned char *>(pData);
    char szHex[16 * 3 + 1];
    char szChars[16 + 1];
    size_t nInLine = 0;
    for (size_t i = 0; i < nLength; ++i) {
        unsigned char b = pBytes[i];
        std::snprintf(szHex + nInLine * 3, sizeof(szHex) - nInLine * 3, "%2.2X ", b);
        szChars[nInLine] = (b >= 32 && b <= 126) ? static_cast<char>(b) : '.';
        szChars[nInLine + 1] = '\0';
        ++nInLine;
        if (nInLine == 16 || i + 1 == nLength) {
            std::printf("    %-48s   %-16s\n", szHex, szChars);
            nInLine = 0;
            szHex[0] = '\0';
        }
    }
}
