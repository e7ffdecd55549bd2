#pragma once
// Receiver angle units, the fixed-width hexadecimal field readers and the field
// reader that the text importers use to cut a line into fields.

#include <cstddef>
#include <cstdint>
#include <string_view>

// 2^31 semicircles are 180 degrees. The product is formed exactly and rounded
// once, so 1073741824 gives exactly 90.0.
double dSemicirclesToDegrees(int32_t lSemicircles);

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

// Copies one field of pszSource into pszDest (at most nDestSize - 1 bytes, always
// terminated) and returns where reading stopped. Reading stops before a line
// feed or the end of the text; a delimiter from pszDelimiters ends the field and
// is consumed. With fQuoted, double quotes toggle a quoted state in which
// delimiters are copied, and characters outside quotes are dropped. A field
// longer than the destination is consumed whole and cut, so the next field
// still starts in the right place. A null source gives an empty field and null.
const char *pszReadField(char *pszDest, size_t nDestSize, const char *pszSource,
                         const char *pszDelimiters, int fQuoted);

// The same over a writable source, so callers can keep walking a char *.
inline char *pszReadField(char *pszDest, size_t nDestSize, char *pszSource,
                          const char *pszDelimiters, int fQuoted) {
    return const_cast<char *>(pszReadField(pszDest, nDestSize, static_cast<const char *>(pszSource),
                                           pszDelimiters, fQuoted));
}

// A destination array gives its own size.
template <size_t N>
const char *pszReadField(char (&aDest)[N], const char *pszSource, const char *pszDelimiters,
                         int fQuoted) {
    return pszReadField(aDest, N, pszSource, pszDelimiters, fQuoted);
}
template <size_t N>
char *pszReadField(char (&aDest)[N], char *pszSource, const char *pszDelimiters, int fQuoted) {
    return pszReadField(aDest, N, pszSource, pszDelimiters, fQuoted);
}
