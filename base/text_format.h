#pragma once
// The program's printf: the same text as the C library's snprintf for every
// format the program uses, byte for byte, without the library's cost per
// call. Integers are written by hand, %f through std::to_chars (exact and
// locale-free, so every platform prints the same digits), strings copied.
// A conversion it does not handle itself (%g, %e, %p, '#', long double, a
// value that is not finite) hands the whole call to vsnprintf.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
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

// Tests only: with true, every call goes to vsnprintf, so that output made
// both ways can be compared.
void vFormatThroughCLibrary(bool fOn);
// True while they do: a writer that writes some digits by hand goes the
// pieces' way then.
bool fFormattingThroughCLibrary();

// "%W.0f" of d (iWidth below 40), as pPutFixed(p, d, 0, iWidth) writes it:
// the whole numbers of a line (metres, speeds, degrees) at less cost.
char *pPutWhole(char *p, double d, int iWidth);
