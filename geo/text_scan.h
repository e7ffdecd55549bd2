#pragma once
// Bounded pieces of formatted input for the date and coordinate readers: each
// behaves like one conversion of scanf, but numbers too large for their type
// saturate instead of being undefined, and nothing reads past the terminator.

#include <cstddef>
#include <cstdint>

// Skips blanks, then an optional sign and decimal digits (like "%ld" with a
// 32-bit long). The value saturates at the 32-bit limits. False without digits.
bool fScanLong(const char *&pszText, int64_t *plValue);
// Skips blanks, then reads a floating-point number as strtod does ("%lf").
bool fScanDouble(const char *&pszText, double *pdValue);
// Skips blanks, then reads 1..nMaxLength non-blank characters into pszOut
// (which must hold nMaxLength + 1 bytes) ("%Ns").
bool fScanWord(const char *&pszText, size_t nMaxLength, char *pszOut);
// A literal character of a scanf format: a blank skips any run of blanks, any
// other character must come next.
bool fScanLiteral(const char *&pszText, char cLiteral);
// Leading decimal number as atoi reads it, saturated to the int range.
int iReadLeadingInt(const char *pszText, const char **ppszEnd = nullptr);
// Next token of a text split at spaces, strtok-like but without hidden state:
// the token is cut off in place and pszRest moves past it; nullptr at the end.
char *pszNextToken(char *&pszRest);
