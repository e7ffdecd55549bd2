#include "geo/units.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
// The 64-bit mantissa of the reciprocal of 90 as the receivers' software held
// it: 0xB60B60B60B60B60B × 2^-70, just below 1/90.
constexpr uint64_t kReciprocal90Mantissa = 0xB60B60B60B60B60BULL;
constexpr int kReciprocal90Exponent = -70;
} // namespace

int32_t lDegreesToSemicircles(double dDegrees) {
    if (!std::isfinite(dDegrees) || dDegrees == 0.0) {
        return 0;
    }
    // The product degrees × 2^30 × r is formed with a 64-bit mantissa, rounded
    // to nearest even, and then truncated toward zero. Doing it in integers
    // gives the same bits whatever width long double has on the platform.
    int iExponent = 0;
    uint64_t nMantissa = 0;
    const auto nDegreeBits = std::bit_cast<uint64_t>(dDegrees);
    const int iExponentField = static_cast<int>((nDegreeBits >> 52) & 0x7FF);
    if (iExponentField != 0) {
        // What frexp and ldexp(fraction, 53) give, read from the bits.
        nMantissa = (nDegreeBits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
        iExponent = iExponentField - 1022;
    } else {
        double dFraction = std::frexp(std::fabs(dDegrees), &iExponent);
        nMantissa = static_cast<uint64_t>(std::ldexp(dFraction, 53));
    }
    int iScale = iExponent - 53 + 30 + kReciprocal90Exponent;
    unsigned __int128 nProduct = static_cast<unsigned __int128>(nMantissa) * kReciprocal90Mantissa;
    const auto nHigh = static_cast<uint64_t>(nProduct >> 64);
    const auto nLowBits = static_cast<uint64_t>(nProduct);
    const int nBits = nHigh != 0 ? 128 - std::countl_zero(nHigh) : 64 - std::countl_zero(nLowBits);
    uint64_t nKept = 0;
    if (nBits > 64) {
        int nShift = nBits - 64;
        unsigned __int128 nHalf = static_cast<unsigned __int128>(1) << (nShift - 1);
        unsigned __int128 nRest = nProduct & ((nHalf << 1) - 1);
        nKept = static_cast<uint64_t>(nProduct >> nShift);
        iScale += nShift;
        if (nRest > nHalf || (nRest == nHalf && (nKept & 1) != 0)) {
            ++nKept;
            if (nKept == 0) { // carried out of 64 bits
                nKept = 1ULL << 63;
                ++iScale;
            }
        }
    } else {
        nKept = static_cast<uint64_t>(nProduct);
    }
    uint64_t nInteger = 0;
    if (iScale >= 0) {
        nInteger = iScale >= 64 ? 0 : nKept << iScale;
    } else {
        nInteger = -iScale >= 64 ? 0 : nKept >> -iScale;
    }
    auto nLow = static_cast<uint32_t>(nInteger);
    if (dDegrees < 0) {
        nLow = 0U - nLow;
    }
    return static_cast<int32_t>(nLow);
}

namespace {
// Reads an exact-width field as "%x" would (leading blanks, a sign and a 0x
// prefix are accepted, reading stops at the first non-digit).
bool fReadHexField(std::string_view sText, size_t nWidth, unsigned int *pnValue) {
    if (sText.size() != nWidth) {
        return false;
    }
    // Hexadecimal digits only, the form the program writes: read directly.
    unsigned int nValue = 0;
    size_t k = 0;
    for (; k < nWidth; ++k) {
        const char c = sText[k];
        unsigned int nDigit = 0;
        if (c >= '0' && c <= '9') {
            nDigit = static_cast<unsigned int>(c - '0');
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
            nDigit = static_cast<unsigned int>((c | 0x20) - 'a' + 10);
        } else {
            break;
        }
        nValue = nValue << 4 | nDigit;
    }
    if (k == nWidth) {
        *pnValue = nValue;
        return true;
    }
    char szCopy[9] = {};
    std::memcpy(szCopy, sText.data(), nWidth);
    if (std::memchr(szCopy, '\0', nWidth) != nullptr) {
        return false;
    }
    return std::sscanf(szCopy, "%x", pnValue) == 1;
}
} // namespace

int32_t lParseHex32(std::string_view sText) {
    unsigned int nValue = 0;
    return fReadHexField(sText, 8, &nValue) ? static_cast<int32_t>(nValue) : -1;
}

int16_t sParseHex16(std::string_view sText) {
    unsigned int nValue = 0;
    return fReadHexField(sText, 4, &nValue) ? static_cast<int16_t>(nValue & 0xFFFF) : -1;
}

uint8_t cParseHex8(std::string_view sText) {
    unsigned int nValue = 0;
    return fReadHexField(sText, 2, &nValue) ? static_cast<uint8_t>(nValue & 0xFF) : 255;
}

int32_t lParseHex32(const char *pszText) {
    return pszText != nullptr ? lParseHex32(std::string_view(pszText)) : -1;
}

int16_t sParseHex16(const char *pszText) {
    return pszText != nullptr ? sParseHex16(std::string_view(pszText)) : -1;
}

uint8_t cParseHex8(const char *pszText) {
    return pszText != nullptr ? cParseHex8(std::string_view(pszText)) : 255;
}
