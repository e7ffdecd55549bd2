#include "base/text_format.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace text_format_detail {
bool gfThroughCLibrary = false;
} // namespace text_format_detail

using text_format_detail::gfThroughCLibrary;
using text_format_detail::kaDigitPairs;

namespace {

// Collects the text: everything is counted, what fits is stored.
struct Sink {
    char *p;
    size_t nRoom; // characters that may still be stored (the terminator excluded)
    size_t nLength = 0;

    // Pieces are a few characters; copying them in a loop beats a call.
    void vPut(const char *psz, size_t n) {
        size_t nStore = n < nRoom ? n : nRoom;
        if (nStore <= 16) {
            for (size_t k = 0; k < nStore; ++k) {
                p[k] = psz[k];
            }
        } else {
            std::memcpy(p, psz, nStore);
        }
        p += nStore;
        nRoom -= nStore;
        nLength += n;
    }
    void vRepeat(char c, size_t n) {
        size_t nStore = n < nRoom ? n : nRoom;
        for (size_t k = 0; k < nStore; ++k) {
            p[k] = c;
        }
        p += nStore;
        nRoom -= nStore;
        nLength += n;
    }
};

struct Spec {
    bool fLeft = false, fPlus = false, fSpace = false, fZero = false, fAlternate = false;
    int iWidth = 0;
    int iPrecision = -1; // -1: none given
};

// A sign (or none), then the digits, padded to the width as printf pads.
// fZeroFill pads with zeros between sign and digits.
void vPutPadded(Sink &o, const Spec &s, char cSign, const char *pszDigits, size_t nDigits,
                size_t nLeadingZeros, bool fZeroFill) {
    size_t nBody = (cSign != 0 ? 1 : 0) + nLeadingZeros + nDigits;
    size_t nPad = static_cast<size_t>(s.iWidth) > nBody ? static_cast<size_t>(s.iWidth) - nBody : 0;
    if (nBody + nPad <= o.nRoom) {
        // Room for all of it: one pass straight into the buffer.
        char *p = o.p;
        if (!s.fLeft && !fZeroFill) {
            for (size_t k = 0; k < nPad; ++k) {
                *p++ = ' ';
            }
        }
        if (cSign != 0) {
            *p++ = cSign;
        }
        const size_t nZeros = nLeadingZeros + (!s.fLeft && fZeroFill ? nPad : 0);
        for (size_t k = 0; k < nZeros; ++k) {
            *p++ = '0';
        }
        std::memcpy(p, pszDigits, nDigits);
        p += nDigits;
        if (s.fLeft) {
            for (size_t k = 0; k < nPad; ++k) {
                *p++ = ' ';
            }
        }
        const auto n = static_cast<size_t>(p - o.p);
        o.p = p;
        o.nRoom -= n;
        o.nLength += n;
        return;
    }
    if (!s.fLeft && !fZeroFill) {
        o.vRepeat(' ', nPad);
    }
    if (cSign != 0) {
        o.vPut(&cSign, 1);
    }
    if (!s.fLeft && fZeroFill) {
        o.vRepeat('0', nPad);
    }
    o.vRepeat('0', nLeadingZeros);
    o.vPut(pszDigits, nDigits);
    if (s.fLeft) {
        o.vRepeat(' ', nPad);
    }
}

// Writes the decimal digits of n so that they end at pEnd; returns their start.
char *pPutDigitsBefore(char *pEnd, uint64_t n) {
    char *p = pEnd;
    while (n >= 100) {
        p -= 2;
        std::memcpy(p, kaDigitPairs + 2 * (n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        p -= 2;
        std::memcpy(p, kaDigitPairs + 2 * n, 2);
    } else {
        *--p = static_cast<char>('0' + n);
    }
    return p;
}

// Exactly iDigits digits of l (below 10^iDigits) at p, four at a time from
// the end; returns their end.
inline char *pPutDigitsOf(char *p, uint32_t l, int iDigits) {
    char *const pEnd = p + iDigits;
    char *q = pEnd;
    for (; q - p >= 4; q -= 4) {
        const uint32_t lFour = l % 10000;
        l /= 10000;
        std::memcpy(q - 4, kaDigitPairs + 2 * (lFour / 100), 2);
        std::memcpy(q - 2, kaDigitPairs + 2 * (lFour % 100), 2);
    }
    if (q - p >= 2) {
        q -= 2;
        std::memcpy(q, kaDigitPairs + 2 * (l % 100), 2);
        l /= 100;
    }
    if (q != p) {
        *p = static_cast<char>('0' + l);
    }
    return pEnd;
}

void vPutInteger(Sink &o, const Spec &s, uint64_t nMagnitude, bool fNegative, bool fSigned,
                 int iBase, bool fUpper) {
    char acDigits[24];
    char *pEnd = acDigits + sizeof(acDigits);
    char *p = pEnd;
    const char *pszDigits = fUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    if (iBase == 10) {
        p = pPutDigitsBefore(pEnd, nMagnitude);
    } else {
        do {
            *--p = pszDigits[nMagnitude & 15];
            nMagnitude >>= 4;
        } while (nMagnitude != 0);
    }
    size_t nDigits = static_cast<size_t>(pEnd - p);
    if (s.iPrecision == 0 && nDigits == 1 && *p == '0') {
        nDigits = 0; // "%.0d" of 0 prints no digits
    }
    size_t nLeadingZeros = 0;
    if (s.iPrecision > 0 && static_cast<size_t>(s.iPrecision) > nDigits) {
        nLeadingZeros = static_cast<size_t>(s.iPrecision) - nDigits;
    }
    char cSign = 0;
    if (fSigned) {
        cSign = fNegative ? '-' : s.fPlus ? '+' : s.fSpace ? ' ' : 0;
    }
    vPutPadded(o, s, cSign, p, nDigits, nLeadingZeros, s.fZero && !s.fLeft && s.iPrecision < 0);
}

constexpr uint64_t kaPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};

template <int iPrecision> void vSplitBy(uint64_t n, uint64_t &nInteger, uint64_t &nFraction) {
    nInteger = n / kaPowersOfTen[iPrecision];
    nFraction = n % kaPowersOfTen[iPrecision];
}

// Whole and decimal part of a value scaled by 10^precision; a division by a
// constant for each precision.
void vSplitScaled(uint64_t n, int iPrecision, uint64_t &nInteger, uint64_t &nFraction) {
    switch (iPrecision) {
    case 0:
        return vSplitBy<0>(n, nInteger, nFraction);
    case 1:
        return vSplitBy<1>(n, nInteger, nFraction);
    case 2:
        return vSplitBy<2>(n, nInteger, nFraction);
    case 3:
        return vSplitBy<3>(n, nInteger, nFraction);
    case 4:
        return vSplitBy<4>(n, nInteger, nFraction);
    case 5:
        return vSplitBy<5>(n, nInteger, nFraction);
    case 6:
        return vSplitBy<6>(n, nInteger, nFraction);
    case 7:
        return vSplitBy<7>(n, nInteger, nFraction);
    case 8:
        return vSplitBy<8>(n, nInteger, nFraction);
    default:
        return vSplitBy<9>(n, nInteger, nFraction);
    }
}

// Arithmetic on doubles rounds each result to a double (no wider registers),
// which the rounding by addition below needs.
constexpr bool kDoublesRoundAsStored = FLT_EVAL_METHOD == 0;

// The value scaled and split: false when it is outside this case.
bool fSplitFixed(double d, int iPrecision, bool &fNegative, uint64_t &nInteger,
                 uint64_t &nFraction) {
    if (!(std::fabs(d) < 2147483648.0) || iPrecision > 9) {
        return false;
    }
    const auto nBits = std::bit_cast<uint64_t>(d);
    fNegative = (nBits >> 63) != 0;
    // Most values: the scaled value in a double, rounded to a whole number by
    // adding and taking away 1.5 × 2^52 (round half to even, as the addition
    // rounds). Below 2^40 the product is within 2^-13 of the exact one, so
    // unless it lies that near a half the exact value rounds the same way.
    const double dScaled = std::fabs(d) * static_cast<double>(kaPowersOfTen[iPrecision]);
    if (kDoublesRoundAsStored && dScaled < 1099511627776.0) {
        constexpr double kRounder = 6755399441055744.0; // 1.5 × 2^52
        const double dWhole = (dScaled + kRounder) - kRounder;
        if (std::fabs(dScaled - dWhole) < 0.5 - 1.0 / 4096) {
            vSplitScaled(static_cast<uint64_t>(dWhole), iPrecision, nInteger, nFraction);
            return true;
        }
    }
    const int iExponentField = static_cast<int>((nBits >> 52) & 0x7FF);
    uint64_t nMantissa = nBits & ((uint64_t{1} << 52) - 1);
    int iExponent = 0;
    if (iExponentField == 0) {
        iExponent = -1074; // zero and subnormals
    } else {
        nMantissa |= uint64_t{1} << 52;
        iExponent = iExponentField - 1075;
    }
    const uint64_t nScale = kaPowersOfTen[iPrecision];
    uint64_t nScaled = 0;
    if (iExponent >= 0) {
        nScaled = (nMantissa << iExponent) * nScale; // below 2^31 × 10^9
    } else {
        const unsigned __int128 nProduct = static_cast<unsigned __int128>(nMantissa) * nScale;
        const int iShift = -iExponent;
        if (iShift < 128) {
            const unsigned __int128 nOne = 1;
            nScaled = static_cast<uint64_t>(nProduct >> iShift);
            const unsigned __int128 nRest = nProduct & ((nOne << iShift) - 1);
            const unsigned __int128 nHalf = nOne << (iShift - 1);
            if (nRest > nHalf || (nRest == nHalf && (nScaled & 1) != 0)) {
                ++nScaled;
            }
        } // else below half a unit of the last place: 0
    }
    vSplitScaled(nScaled, iPrecision, nInteger, nFraction);
    return true;
}

// The split value as "%W.Pf" ("%0W.Pf" with cPad '0') writes it, straight
// into p; returns the end.
char *pPutSplitFixed(char *p, bool fNegative, uint64_t nInteger, uint64_t nFraction, int iPrecision,
                     int iWidth, char cPad) {
    // Both parts fit in 32 bits: the whole part is at most 2^31, the decimals
    // below 10^9.
    const auto lInteger = static_cast<uint32_t>(nInteger);
    int iIntegerDigits = 1;
    while (iIntegerDigits < 10 && lInteger >= kaPowersOfTen[iIntegerDigits]) {
        ++iIntegerDigits;
    }
    const int iBody = (fNegative ? 1 : 0) + iIntegerDigits + (iPrecision > 0 ? iPrecision + 1 : 0);
    int iPad = iWidth > iBody ? iWidth - iBody : 0;
    if (cPad != '0') {
        for (; iPad != 0; --iPad) {
            *p++ = ' ';
        }
    }
    if (fNegative) {
        *p++ = '-';
    }
    for (; iPad != 0; --iPad) {
        *p++ = '0';
    }
    p = pPutDigitsOf(p, lInteger, iIntegerDigits);
    if (iPrecision > 0) {
        *p++ = '.';
        p = pPutDigitsOf(p, static_cast<uint32_t>(nFraction), iPrecision);
    }
    return p;
}

// The common case of %f: |d| below 2^31 and at most nine decimals. The double
// is M × 2^E exactly, so M × 10^precision is exact in 128 bits; shifting it
// down with the remainder rounded half to even gives the digits printf and
// std::to_chars give. The text goes to pszOut; its length, or 0 when the value
// is outside this case.
size_t nFixedSmall(char *pszOut, double d, int iPrecision) {
    bool fNegative = false;
    uint64_t nInteger = 0;
    uint64_t nFraction = 0;
    if (!fSplitFixed(d, iPrecision, fNegative, nInteger, nFraction)) {
        return 0;
    }
    return static_cast<size_t>(
        pPutSplitFixed(pszOut, fNegative, nInteger, nFraction, iPrecision, 0, ' ') - pszOut);
}

// 0 when the value needs the C library (not finite, or a precision past the buffer).
bool fPutFixed(Sink &o, const Spec &s, double d) {
    if (!std::isfinite(d) || s.iPrecision > 60) {
        return false;
    }
    int iPrecision = s.iPrecision < 0 ? 6 : s.iPrecision;
    char acText[400];
    std::to_chars_result r{acText + nFixedSmall(acText, d, iPrecision), std::errc()};
    if (r.ptr == acText) {
        r = std::to_chars(acText, acText + sizeof(acText), d, std::chars_format::fixed, iPrecision);
    }
    if (r.ec != std::errc()) {
        return false;
    }
    const char *p = acText;
    char cSign = 0;
    if (*p == '-') {
        cSign = '-';
        ++p;
    } else if (s.fPlus) {
        cSign = '+';
    } else if (s.fSpace) {
        cSign = ' ';
    }
    vPutPadded(o, s, cSign, p, static_cast<size_t>(r.ptr - p), 0, s.fZero && !s.fLeft);
    return true;
}

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kSize, kMax, kPtrdiff, kLongDouble };

// The text of the whole call, or false when a conversion needs the C library.
bool fFormat(Sink &o, const char *pszFormat, va_list args) {
    const char *p = pszFormat;
    while (*p != '\0') {
        if (*p != '%') {
            const char *pszText = p;
            while (*p != '%' && *p != '\0') {
                ++p;
            }
            o.vPut(pszText, static_cast<size_t>(p - pszText));
            continue;
        }
        ++p;
        Spec s;
        for (;; ++p) {
            if (*p == '-') {
                s.fLeft = true;
            } else if (*p == '+') {
                s.fPlus = true;
            } else if (*p == ' ') {
                s.fSpace = true;
            } else if (*p == '0') {
                s.fZero = true;
            } else if (*p == '#') {
                s.fAlternate = true;
            } else {
                break;
            }
        }
        if (*p == '*') {
            int iWidth = va_arg(args, int);
            if (iWidth < 0) {
                s.fLeft = true;
                iWidth = iWidth == INT32_MIN ? 0 : -iWidth;
            }
            s.iWidth = iWidth;
            ++p;
        } else {
            for (; *p >= '0' && *p <= '9'; ++p) {
                if (s.iWidth > 100000) {
                    return false;
                }
                s.iWidth = s.iWidth * 10 + (*p - '0');
            }
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                int iPrecision = va_arg(args, int);
                s.iPrecision = iPrecision < 0 ? -1 : iPrecision;
                ++p;
            } else {
                s.iPrecision = 0;
                for (; *p >= '0' && *p <= '9'; ++p) {
                    if (s.iPrecision > 100000) {
                        return false;
                    }
                    s.iPrecision = s.iPrecision * 10 + (*p - '0');
                }
            }
        }
        if (s.iWidth > 100000) {
            return false;
        }
        Length eLength = Length::kNone;
        if (*p == 'h') {
            eLength = p[1] == 'h' ? Length::kChar : Length::kShort;
            p += p[1] == 'h' ? 2 : 1;
        } else if (*p == 'l') {
            eLength = p[1] == 'l' ? Length::kLongLong : Length::kLong;
            p += p[1] == 'l' ? 2 : 1;
        } else if (*p == 'z') {
            eLength = Length::kSize;
            ++p;
        } else if (*p == 'j') {
            eLength = Length::kMax;
            ++p;
        } else if (*p == 't') {
            eLength = Length::kPtrdiff;
            ++p;
        } else if (*p == 'L') {
            eLength = Length::kLongDouble;
            ++p;
        }
        const char cConversion = *p++;
        if (s.fAlternate && cConversion != '%') {
            return false;
        }
        switch (cConversion) {
        case '%':
            o.vPut("%", 1);
            break;
        case 'd':
        case 'i': {
            int64_t ll = 0;
            switch (eLength) {
            case Length::kNone:
                ll = va_arg(args, int);
                break;
            case Length::kChar:
                ll = static_cast<signed char>(va_arg(args, int));
                break;
            case Length::kShort:
                ll = static_cast<short>(va_arg(args, int));
                break;
            case Length::kLong:
                ll = va_arg(args, long);
                break;
            case Length::kLongLong:
                ll = va_arg(args, long long);
                break;
            case Length::kSize:
            case Length::kPtrdiff:
                ll = va_arg(args, ptrdiff_t);
                break;
            case Length::kMax:
                ll = va_arg(args, intmax_t);
                break;
            case Length::kLongDouble:
                return false;
            }
            uint64_t n = ll < 0 ? 0 - static_cast<uint64_t>(ll) : static_cast<uint64_t>(ll);
            vPutInteger(o, s, n, ll < 0, true, 10, false);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            uint64_t n = 0;
            switch (eLength) {
            case Length::kNone:
                n = va_arg(args, unsigned int);
                break;
            case Length::kChar:
                n = static_cast<unsigned char>(va_arg(args, unsigned int));
                break;
            case Length::kShort:
                n = static_cast<unsigned short>(va_arg(args, unsigned int));
                break;
            case Length::kLong:
                n = va_arg(args, unsigned long);
                break;
            case Length::kLongLong:
                n = va_arg(args, unsigned long long);
                break;
            case Length::kSize:
            case Length::kPtrdiff:
                n = va_arg(args, size_t);
                break;
            case Length::kMax:
                n = va_arg(args, uintmax_t);
                break;
            case Length::kLongDouble:
                return false;
            }
            Spec oUnsigned = s;
            oUnsigned.fPlus = oUnsigned.fSpace = false;
            vPutInteger(o, oUnsigned, n, false, false, cConversion == 'u' ? 10 : 16,
                        cConversion == 'X');
            break;
        }
        case 'c': {
            if (s.fZero || eLength != Length::kNone) {
                return false;
            }
            char c = static_cast<char>(va_arg(args, int));
            Spec oText = s;
            oText.iPrecision = -1;
            vPutPadded(o, oText, 0, &c, 1, 0, false);
            break;
        }
        case 's': {
            if (s.fZero || eLength != Length::kNone) {
                return false;
            }
            const char *psz = va_arg(args, const char *);
            if (psz == nullptr) {
                return false;
            }
            size_t n = 0;
            if (s.iPrecision >= 0) {
                const void *pEnd = std::memchr(psz, '\0', static_cast<size_t>(s.iPrecision));
                n = pEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(pEnd) - psz)
                                    : static_cast<size_t>(s.iPrecision);
            } else {
                n = std::strlen(psz);
            }
            vPutPadded(o, s, 0, psz, n, 0, false);
            break;
        }
        case 'f':
        case 'F': {
            if (eLength == Length::kLongDouble) {
                return false;
            }
            if (!fPutFixed(o, s, va_arg(args, double))) {
                return false;
            }
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

namespace {
// The text by the program's own conversions; false when the call needs the C library.
bool fTryFormat(char *pszOut, size_t nSize, const char *pszFormat, va_list args, int &iLength) {
    if (gfThroughCLibrary) {
        return false;
    }
    Sink o{pszOut, nSize != 0 ? nSize - 1 : 0};
    if (!fFormat(o, pszFormat, args) || o.nLength > static_cast<size_t>(INT32_MAX)) {
        return false;
    }
    if (nSize != 0) {
        *o.p = '\0';
    }
    iLength = static_cast<int>(o.nLength);
    return true;
}
} // namespace

int iFormatTextV(char *pszOut, size_t nSize, const char *pszFormat, va_list args) {
    va_list argsOwn;
    va_copy(argsOwn, args);
    int iLength = 0;
    bool fDone = fTryFormat(pszOut, nSize, pszFormat, argsOwn, iLength);
    va_end(argsOwn);
    return fDone ? iLength : std::vsnprintf(pszOut, nSize, pszFormat, args);
}

int iFormatText(char *pszOut, size_t nSize, const char *pszFormat, ...) {
    // The arguments are taken twice only when the C library has to write them.
    va_list args;
    va_start(args, pszFormat);
    int iLength = 0;
    bool fDone = fTryFormat(pszOut, nSize, pszFormat, args, iLength);
    va_end(args);
    if (!fDone) {
        va_start(args, pszFormat);
        iLength = std::vsnprintf(pszOut, nSize, pszFormat, args);
        va_end(args);
    }
    return iLength;
}

void vFormatThroughCLibrary(bool fOn) {
    gfThroughCLibrary = fOn;
}

size_t nFormatFixed(char *pszOut, size_t nSize, const char *pszForm, double d) {
    // "%[0]W.P[l]f" and nothing else.
    const char *p = pszForm;
    bool fZero = false;
    int iWidth = 0;
    int iPrecision = 0;
    bool fSimple = *p++ == '%';
    if (fSimple && *p == '0') {
        fZero = true;
        ++p;
    }
    for (; fSimple && *p >= '0' && *p <= '9' && iWidth < 100; ++p) {
        iWidth = iWidth * 10 + (*p - '0');
    }
    fSimple = fSimple && *p++ == '.' && *p >= '0' && *p <= '9';
    for (; fSimple && *p >= '0' && *p <= '9' && iPrecision < 100; ++p) {
        iPrecision = iPrecision * 10 + (*p - '0');
    }
    if (fSimple && *p == 'l') {
        ++p;
    }
    fSimple =
        fSimple && p[0] == 'f' && p[1] == '\0' && iWidth < 40 && nSize > 48 && !gfThroughCLibrary;
    char acDigits[48];
    size_t nDigits = fSimple ? nFixedSmall(acDigits, d, iPrecision) : 0;
    if (nDigits == 0) {
        int iLength = iFormatText(pszOut, nSize, pszForm, d);
        if (iLength < 0 || nSize == 0) {
            return 0;
        }
        return static_cast<size_t>(iLength) < nSize ? static_cast<size_t>(iLength) : nSize - 1;
    }
    const size_t nPad =
        static_cast<size_t>(iWidth) > nDigits ? static_cast<size_t>(iWidth) - nDigits : 0;
    char *q = pszOut;
    const char *pszDigits = acDigits;
    if (fZero && acDigits[0] == '-') {
        *q++ = '-';
        ++pszDigits;
        --nDigits;
    }
    std::memset(q, fZero ? '0' : ' ', nPad);
    q += nPad;
    std::memcpy(q, pszDigits, nDigits);
    q += nDigits;
    *q = '\0';
    return static_cast<size_t>(q - pszOut);
}

char *pPutInt(char *p, int64_t llValue, int iWidth, char cPad) {
    if (gfThroughCLibrary) {
        return p + std::snprintf(p, kPutRoom + static_cast<size_t>(iWidth),
                                 cPad == '0' ? "%0*lld" : "%*lld", iWidth,
                                 static_cast<long long>(llValue));
    }
    const bool fNegative = llValue < 0;
    uint64_t nMagnitude =
        fNegative ? 0 - static_cast<uint64_t>(llValue) : static_cast<uint64_t>(llValue);
    char acDigits[24];
    char *pEnd = acDigits + sizeof(acDigits);
    const char *q = pPutDigitsBefore(pEnd, nMagnitude);
    const auto nDigits = static_cast<size_t>(pEnd - q);
    const size_t nBody = nDigits + (fNegative ? 1 : 0);
    size_t nPad = static_cast<size_t>(iWidth) > nBody ? static_cast<size_t>(iWidth) - nBody : 0;
    if (cPad != '0') {
        for (; nPad != 0; --nPad) {
            *p++ = ' ';
        }
    }
    if (fNegative) {
        *p++ = '-';
    }
    for (; nPad != 0; --nPad) {
        *p++ = '0';
    }
    std::memcpy(p, q, nDigits);
    return p + nDigits;
}

char *pPutDigits(char *p, uint64_t n, int iDigits) {
    if (gfThroughCLibrary) {
        return p +
               std::snprintf(p, kPutRoom, "%0*llu", iDigits, static_cast<unsigned long long>(n));
    }
    // Pairs off the end while the value needs 64 bits, the rest in 32.
    char *q = p + iDigits;
    for (; n > UINT32_MAX && q - p >= 2; q -= 2) {
        std::memcpy(q - 2, kaDigitPairs + 2 * (n % 100), 2);
        n /= 100;
    }
    pPutDigitsOf(p, static_cast<uint32_t>(n), static_cast<int>(q - p));
    return p + iDigits;
}

char *pPutFixed(char *p, double d, int iPrecision, int iWidth, char cPad) {
    bool fNegative = false;
    uint64_t nInteger = 0;
    uint64_t nFraction = 0;
    if (!gfThroughCLibrary && fSplitFixed(d, iPrecision, fNegative, nInteger, nFraction)) {
        return pPutSplitFixed(p, fNegative, nInteger, nFraction, iPrecision, iWidth, cPad);
    }
    // Large or not finite: as the general path writes it.
    const size_t nRoom = kPutRoom + static_cast<size_t>(iWidth);
    const int iLength =
        iFormatText(p, nRoom, cPad == '0' ? "%0*.*f" : "%*.*f", iWidth, iPrecision, d);
    if (iLength <= 0) {
        return p;
    }
    return p + (static_cast<size_t>(iLength) < nRoom ? static_cast<size_t>(iLength) : nRoom - 1);
}

char *pPutHex(char *p, uint32_t lValue, int iDigits) {
    static constexpr char kaDigits[] = "0123456789ABCDEF";
    if (gfThroughCLibrary) {
        return p +
               std::snprintf(p, kPutRoom, "%*.*X", iDigits, iDigits, static_cast<unsigned>(lValue));
    }
    // At least iDigits digits, more where the value needs them.
    while (iDigits < 8 && (lValue >> (4 * iDigits)) != 0) {
        ++iDigits;
    }
    for (int k = iDigits - 1; k >= 0; --k) {
        p[k] = kaDigits[lValue & 15];
        lValue >>= 4;
    }
    return p + iDigits;
}

char *pPutText(char *p, std::string_view svText, int iWidth) {
    const size_t nWidth = static_cast<size_t>(iWidth < 0 ? -iWidth : iWidth);
    const size_t nPad = nWidth > svText.size() ? nWidth - svText.size() : 0;
    if (iWidth > 0) {
        std::memset(p, ' ', nPad);
        p += nPad;
    }
    std::memcpy(p, svText.data(), svText.size());
    p += svText.size();
    if (iWidth < 0) {
        std::memset(p, ' ', nPad);
        p += nPad;
    }
    return p;
}

// The numbers pPutWhole leaves: wider ones, or any on a platform whose
// doubles it cannot round by addition.
char *text_format_detail::pPutWholeInGeneral(char *p, double d, int iWidth) {
    const double dMagnitude = std::fabs(d);
    if (gfThroughCLibrary || !kDoublesRoundAsStored || !(dMagnitude < 2147483648.0)) {
        return pPutFixed(p, d, 0, iWidth);
    }
    constexpr double kTwoToThe52 = 4503599627370496.0;
    const auto nWhole = static_cast<uint64_t>((dMagnitude + kTwoToThe52) - kTwoToThe52);
    const bool fNegative = std::signbit(d);
    size_t nDigits = 1;
    while (nDigits < 10 && nWhole >= kaPowersOfTen[nDigits]) {
        ++nDigits;
    }
    const size_t nBody = nDigits + (fNegative ? 1 : 0);
    const size_t nPad =
        static_cast<size_t>(iWidth) > nBody ? static_cast<size_t>(iWidth) - nBody : 0;
    // The caller leaves room for the width and kPutRoom more: the padding
    // is written as one block of known length where it fits in one.
    static_assert(kPutRoom >= 16);
    if (nPad <= 16) {
        std::memcpy(p, "                ", 16);
    } else {
        std::memset(p, ' ', nPad);
    }
    p += nPad;
    if (fNegative) {
        *p++ = '-';
    }
    p += nDigits;
    pPutDigitsBefore(p, nWhole);
    return p;
}
