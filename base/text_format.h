#pragma once
// The program's printf: the same text as the C library's snprintf for every
// format the program uses, byte for byte, without the library's cost per
// call. Integers are written by hand, %f through std::to_chars (exact and
// locale-free, so every platform prints the same digits), strings copied.
// A conversion it does not handle itself (%g, %e, %p, '#', long double, a
// value that is not finite) hands the whole call to vsnprintf.

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/printf_format.h"

// As snprintf: writes at most nSize - 1 characters and a terminator (nothing
// when nSize is 0) and returns the length the whole text has, or a negative
// value for a format the C library rejects.
int iFormatText(char *pszOut, size_t nSize, const char *pszFormat, ...) QUILLOX_PRINTF_FORMAT(3, 4);
int iFormatTextV(char *pszOut, size_t nSize, const char *pszFormat, va_list args);

// The text of a format that is one "%W.Pf" conversion (a '0' flag and an 'l'
// allowed), as iFormatText writes it into a buffer of nSize bytes, without
// reading the format as a whole; any other format goes to iFormatText.
// Returns the length stored.
size_t nFormatFixed(char *pszOut, size_t nSize, const char *pszForm, double d);

// Pieces for writers that build a line themselves, one field after another.
// Each writes at p the text of the printf conversion it names, with no
// terminator, and returns the end; the caller leaves room for it (kPutRoom
// characters plus the width). Like every formatting here they go through the
// C library while tests ask for it.
constexpr size_t kPutRoom = 48;
// "%d" (iWidth 0), "%Wd" (cPad ' ') or "%0Wd" (cPad '0'); iWidth below 40.
char *pPutInt(char *p, int64_t llValue, int iWidth = 0, char cPad = ' ');
// "%0Nu" of n below 10^iDigits: exactly iDigits (1..19) digits.
char *pPutDigits(char *p, uint64_t n, int iDigits);
// "%.Pf", "%W.Pf" or "%0W.Pf" of d: iPrecision 0..9, iWidth below 40.
char *pPutFixed(char *p, double d, int iPrecision, int iWidth = 0, char cPad = ' ');
// "%N.NX": upper-case hexadecimal, at least iDigits (1..8) digits.
char *pPutHex(char *p, uint32_t lValue, int iDigits);
// "%s", "%Ws" (iWidth > 0) or "%-Ws" (iWidth < 0) of a text without its terminator;
// the width is at most 255.
char *pPutText(char *p, std::string_view svText, int iWidth = 0);

namespace text_format_detail {
extern bool gfThroughCLibrary;
// "00" to "99": decimal digits two at a time.
inline constexpr char kaDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
// pPutWhole of the numbers its inline part leaves.
char *pPutWholeInGeneral(char *p, double d, int iWidth);
} // namespace text_format_detail

// Tests only: with true, every call goes to vsnprintf, so that output made
// both ways can be compared.
void vFormatThroughCLibrary(bool fOn);
// True while they do: a writer that writes some digits by hand goes the
// pieces' way then.
inline bool fFormattingThroughCLibrary() {
    return text_format_detail::gfThroughCLibrary;
}

// "%W.0f" of d (iWidth below 40), as pPutFixed(p, d, 0, iWidth) writes it:
// the whole numbers of a line (metres, speeds, degrees) at less cost. The
// usual ones, below 10000 in a field of 4 to 16 columns, are written inline.
inline char *pPutWhole(char *p, double d, int iWidth) {
    const double dMagnitude = std::fabs(d);
    // Adding and taking away 2^52 rounds a magnitude below 10000 to a whole
    // number, half to even, exactly as printf rounds the value (where doubles
    // are rounded as stored, with no wider registers).
    if constexpr (std::endian::native == std::endian::little && FLT_EVAL_METHOD == 0) {
        if (dMagnitude < 9999.5 && iWidth >= 4 && iWidth <= 16 &&
            !text_format_detail::gfThroughCLibrary) {
            constexpr double kTwoToThe52 = 4503599627370496.0;
            const auto lWhole = static_cast<uint32_t>((dMagnitude + kTwoToThe52) - kTwoToThe52);
            // "-0" too, for a negative value that rounds to zero.
            const bool fNegative = std::signbit(d);
            // A negative number of four digits needs a fifth column.
            if (iWidth > 4 || !fNegative || lWhole < 1000) {
                std::memcpy(p, "                ", 16);
                char *const pEnd = p + iWidth;
                // The four digits in one register, the first in its lowest
                // byte, both pairs read straight from the table.
                uint16_t sHigh = 0;
                uint16_t sLow = 0;
                std::memcpy(&sHigh, text_format_detail::kaDigitPairs + 2 * (lWhole / 100), 2);
                std::memcpy(&sLow, text_format_detail::kaDigitPairs + 2 * (lWhole % 100), 2);
                uint32_t lFour = sHigh | (static_cast<uint32_t>(sLow) << 16);
                // Its leading zeros turned to blanks ('0' less 0x10 is ' '),
                // the last digit kept when it is one.
                const int iZeroBits = std::countr_zero((lFour ^ 0x30303030U) | 0x01000000U) & ~7;
                lFour -= 0x10101010U & ((1U << iZeroBits) - 1);
                std::memcpy(pEnd - 4, &lFour, 4);
                if (fNegative) {
                    pEnd[-5 + iZeroBits / 8] = '-';
                }
                return pEnd;
            }
        }
    }
    return text_format_detail::pPutWholeInGeneral(p, d, iWidth);
}
