#pragma once
// Numbers read from text the same way on every platform: what the C library's
// strtod reads in the "C" locale (blanks, sign, decimal or 0x hexadecimal
// digits, exponent, "inf", "infinity", "nan"), without the differences of the
// platforms' runtimes (one of them reads no "inf" or "nan" with atof).

// Reads the number at the start of pszText. *ppszEnd (when not null) gets the
// first character after it, or pszText itself when no number is there (the
// result is then 0). Too large a number gives an infinity, too small a one 0
// or the nearest subnormal.
double dParseDouble(const char *pszText, const char **ppszEnd = nullptr);
