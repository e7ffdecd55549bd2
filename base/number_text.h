#pragma once
// The program's one reader of numbers in file text, the same on every
// platform: decimals as the C library's strtod reads them in the "C" locale
// (blanks, sign, decimal or 0x hexadecimal digits, exponent, "inf",
// "infinity", "nan"), without the differences of the platforms' runtimes (one
// of them reads no "inf" or "nan" with atof), and integers as strtoll does.

#include <cstdint>

// Reads the number at the start of pszText. *ppszEnd (when not null) gets the
// first character after it, or pszText itself when no number is there (the
// result is then 0). Too large a number gives an infinity, too small a one 0
// or the nearest subnormal.
double dParseDouble(const char *pszText, const char **ppszEnd = nullptr);

// Reads the decimal integer at the start of pszText as strtoll with base 10
// does: blanks, one sign, digits. A value beyond the 64-bit range saturates at
// its limit. *ppszEnd as above; no digits give 0.
int64_t llParseInteger(const char *pszText, const char **ppszEnd = nullptr);
