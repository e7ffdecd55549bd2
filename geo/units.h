#pragma once
// Receiver angle units and the fixed-width hexadecimal field readers.

#include <cstddef>
#include <cstdint>
#include <string_view>

// 2^31 semicircles are 180 degrees. semicircles x 90 needs 38 bits, so the
// double holds it exactly and the power-of-two scale is exact too: one
// rounding in all, and 1073741824 gives exactly 90.0.
inline double dSemicirclesToDegrees(int32_t lSemicircles) {
    return static_cast<double>(static_cast<int64_t>(lSemicircles) * 90) * 0x1p-30;
}

// Multiplies by the 64-bit-mantissa reciprocal of 90 that lies just below 1/90
// and truncates toward zero, keeping the low 32 bits: 90 gives 1073741823 and
// 180 gives 2147483647, so +180 never wraps to -180. Stored files and receivers
// depend on these exact values. A value that is not a number gives 0.
int32_t lDegreesToSemicircles(double dDegrees);

// Fixed-width hexadecimal fields: exactly 8, 4 or 2 characters read as "%x"
// would; anything else gives all bits set (-1, -1, 255).
int32_t lParseHex32(std::string_view sText);
int16_t sParseHex16(std::string_view sText);
uint8_t cParseHex8(std::string_view sText);
int32_t lParseHex32(const char *pszText);
int16_t sParseHex16(const char *pszText);
uint8_t cParseHex8(const char *pszText);
