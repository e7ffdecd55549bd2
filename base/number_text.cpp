#include "base/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

bool fIsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool fIsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a numeral from_chars found out of range: which way decides
// between infinity and 0. A number whose exponent pulls it below the smallest
// subnormal has a negative exponent; anything else overflowed.
double dOutOfRange(const char *pszBegin, const char *pszEnd, bool fHex) {
    const char cExponent = fHex ? 'p' : 'e';
    for (const char *p = pszBegin; p < pszEnd; ++p) {
        if ((*p | 0x20) == cExponent) {
            if (p + 1 < pszEnd && p[1] == '-') {
                return 0.0;
            }
            break;
        }
    }
    // Without a negative exponent a numeral that does not fit can only be too large
    // (leading zeros are no problem for from_chars).
    return std::numeric_limits<double>::infinity();
}

// Passes over the blanks and one sign that may stand before a number.
const char *pszAfterSign(const char *p, bool *pfNegative) {
    while (fIsBlank(*p)) {
        ++p;
    }
    *pfNegative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    return p;
}

} // namespace

double dParseDouble(const char *pszText, const char **ppszEnd) {
    bool fNegative = false;
    const char *p = pszAfterSign(pszText, &fNegative);
    const char *pszLast = p + std::strlen(p);
    if (*p == '-') {
        // from_chars takes a minus of its own; strtod takes one sign only.
        pszLast = p;
    }
    double dValue = 0.0;
    std::from_chars_result oResult{};
    bool fHex = false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (fIsHexDigit(p[2]) || (p[2] == '.' && fIsHexDigit(p[3])))) {
        fHex = true;
        oResult = std::from_chars(p + 2, pszLast, dValue, std::chars_format::hex);
    } else {
        oResult = std::from_chars(p, pszLast, dValue, std::chars_format::general);
    }
    if (oResult.ec == std::errc::invalid_argument) {
        if (ppszEnd != nullptr) {
            *ppszEnd = pszText;
        }
        return 0.0;
    }
    if (oResult.ec == std::errc::result_out_of_range) {
        dValue = dOutOfRange(p, oResult.ptr, fHex);
    }
    if (ppszEnd != nullptr) {
        *ppszEnd = oResult.ptr;
    }
    return fNegative ? -dValue : dValue;
}

int64_t llParseInteger(const char *pszText, const char **ppszEnd) {
    bool fNegative = false;
    const char *p = pszAfterSign(pszText, &fNegative);
    if (*p < '0' || *p > '9') {
        if (ppszEnd != nullptr) {
            *ppszEnd = pszText;
        }
        return 0;
    }
    // The magnitude stops growing at one past the largest value: enough to
    // tell either limit.
    constexpr uint64_t kLimit = uint64_t{1} << 63;
    uint64_t llMagnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (llMagnitude <= kLimit) {
            llMagnitude = std::min(llMagnitude * 10 + static_cast<uint64_t>(*p - '0'), kLimit + 1);
        }
    }
    if (ppszEnd != nullptr) {
        *ppszEnd = p;
    }
    if (fNegative) {
        return llMagnitude >= kLimit ? std::numeric_limits<int64_t>::min()
                                     : -static_cast<int64_t>(llMagnitude);
    }
    return llMagnitude >= kLimit ? std::numeric_limits<int64_t>::max()
                                 : static_cast<int64_t>(llMagnitude);
}
