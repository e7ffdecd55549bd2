#include "base/text_codec.h"

#include <array>

#include "base/text_codec_backend.h"

namespace {

constexpr int32_t kUndefined = -1;
constexpr char32_t kReplacement = 0xFFFD;

// The characters bytes 0x80 to 0xFF stand for, asked of the platform once per
// code page and run.
struct CodePageTable {
    int iCodePage;
    bool fBuilt = false;
    std::array<int32_t, 128> alCharacter{};
};

CodePageTable aTables[] = {{1250}, {1251}, {1252}, {1253}, {1254}, {1257}};

bool fPrivateUse(char32_t l) {
    return l >= 0xE000 && l <= 0xF8FF;
}

const CodePageTable &oTable(int iCodePage) {
    CodePageTable *pTable = &aTables[2];
    for (CodePageTable &o : aTables) {
        if (o.iCodePage == iCodePage) {
            pTable = &o;
        }
    }
    CodePageTable &o = *pTable;
    if (!o.fBuilt) {
        for (int b = 0x80; b <= 0xFF; ++b) {
            char32_t l = 0;
            // Windows gives undefined bytes above 0x9F characters of its
            // private use area; iconv gives them none.
            bool fDefined = fPlatformDecodeByte(o.iCodePage, static_cast<uint8_t>(b), l) &&
                            !fPrivateUse(l) && l != kReplacement && l >= 0x80;
            o.alCharacter[b - 0x80] = fDefined    ? static_cast<int32_t>(l)
                                      : b <= 0x9F ? b
                                                  : kUndefined;
        }
        o.fBuilt = true;
    }
    return o;
}

// The character at the start of sv and its length in bytes; length 1 and
// kReplacement for a byte that starts no whole, shortest character.
char32_t lNextCharacter(std::string_view sv, size_t &nLength) {
    auto b = [&](size_t i) { return static_cast<unsigned char>(sv[i]); };
    unsigned char c = b(0);
    nLength = 1;
    if (c < 0x80) {
        return c;
    }
    size_t n = c >= 0xC2 && c <= 0xDF   ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || sv.size() < n) {
        return kReplacement;
    }
    char32_t l = c & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) {
            return kReplacement;
        }
        l = (l << 6) | (b(i) & 0x3F);
    }
    if ((n == 3 && l < 0x800) || (n == 4 && (l < 0x10000 || l > 0x10FFFF)) ||
        (l >= 0xD800 && l <= 0xDFFF)) {
        return kReplacement;
    }
    nLength = n;
    return l;
}

void vAppendUtf8(char32_t l, std::string &s) {
    if (l < 0x80) {
        s += static_cast<char>(l);
    } else if (l < 0x800) {
        s += static_cast<char>(0xC0 | (l >> 6));
        s += static_cast<char>(0x80 | (l & 0x3F));
    } else if (l < 0x10000) {
        s += static_cast<char>(0xE0 | (l >> 12));
        s += static_cast<char>(0x80 | ((l >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (l & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (l >> 18));
        s += static_cast<char>(0x80 | ((l >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((l >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (l & 0x3F));
    }
}

// The byte of one character in the code page, or false. The platform's answer
// counts only where the byte reads back as the same character, so both
// platforms agree wherever their tables do.
bool fEncode(const CodePageTable &oPage, char32_t l, std::string_view svCharacter, uint8_t &bByte) {
    if (l < 0x80) {
        bByte = static_cast<uint8_t>(l);
        return true;
    }
    if (fPlatformEncodeCharacter(oPage.iCodePage, svCharacter, bByte) && bByte >= 0x80 &&
        oPage.alCharacter[bByte - 0x80] == static_cast<int32_t>(l)) {
        return true;
    }
    if (l <= 0x9F && oPage.alCharacter[l - 0x80] == static_cast<int32_t>(l)) {
        bByte = static_cast<uint8_t>(l);
        return true;
    }
    return false;
}

} // namespace

int iKnownCodePage(int iCodePage) {
    for (const CodePageTable &o : aTables) {
        if (o.iCodePage == iCodePage) {
            return 1;
        }
    }
    return 0;
}

const char *pszKnownCodePages() {
    return "1250, 1251, 1252, 1253, 1254 or 1257";
}

TextConversion oUtf8ToCodePage(int iCodePage, std::string_view svUtf8, char *pszField,
                               size_t nSize) {
    TextConversion oResult;
    if (nSize == 0) {
        oResult.fCut = !svUtf8.empty();
        return oResult;
    }
    const CodePageTable &oPage = oTable(iCodePage);
    size_t n = 0;
    while (!svUtf8.empty()) {
        if (n + 1 >= nSize) {
            oResult.fCut = true;
            break;
        }
        size_t nLength = 0;
        char32_t l = lNextCharacter(svUtf8, nLength);
        uint8_t bByte = '?';
        if (l == kReplacement || !fEncode(oPage, l, svUtf8.substr(0, nLength), bByte)) {
            bByte = '?';
            ++oResult.nReplaced;
        }
        pszField[n++] = static_cast<char>(bByte);
        svUtf8.remove_prefix(nLength);
    }
    pszField[n] = '\0';
    oResult.nLength = n;
    return oResult;
}

long nAppendCodePageAsUtf8(int iCodePage, std::string_view svText, std::string &sOut) {
    const CodePageTable &oPage = oTable(iCodePage);
    long nReplaced = 0;
    for (char c : svText) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b == 0) {
            break;
        }
        if (b < 0x80) {
            sOut += c;
        } else if (int32_t l = oPage.alCharacter[b - 0x80]; l != kUndefined) {
            vAppendUtf8(static_cast<char32_t>(l), sOut);
        } else {
            sOut += '?';
            ++nReplaced;
        }
    }
    return nReplaced;
}

TextConversion oRecodeField(int iFrom, int iTo, char *pszField, size_t nSize, std::string &sUtf8) {
    sUtf8.clear();
    size_t nLength = 0;
    while (nLength < nSize && pszField[nLength] != '\0') {
        ++nLength;
    }
    long nUndefined = nAppendCodePageAsUtf8(iFrom, std::string_view(pszField, nLength), sUtf8);
    TextConversion o = oUtf8ToCodePage(iTo, sUtf8, pszField, nSize);
    o.nReplaced += nUndefined;
    return o;
}

int32_t lCodePageCharacter(int iCodePage, uint8_t bByte) {
    return bByte < 0x80 ? bByte : oTable(iCodePage).alCharacter[bByte - 0x80];
}

std::string sValidUtf8(std::string_view svText) {
    std::string s;
    s.reserve(svText.size());
    while (!svText.empty()) {
        size_t nLength = 0;
        char32_t l = lNextCharacter(svText, nLength);
        if (l == kReplacement && nLength == 1) {
            vAppendUtf8(kReplacement, s);
        } else {
            s.append(svText.substr(0, nLength));
        }
        svText.remove_prefix(nLength);
    }
    return s;
}

size_t nUtf8Prefix(std::string_view svText, size_t nMax) {
    if (svText.size() <= nMax) {
        return svText.size();
    }
    size_t n = nMax;
    // Back over continuation bytes to the start of the character that does not fit.
    while (n > 0 && (static_cast<unsigned char>(svText[n]) & 0xC0) == 0x80) {
        --n;
    }
    return n;
}
