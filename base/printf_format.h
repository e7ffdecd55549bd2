#pragma once
// Formatted text: the format check of a printf-like function, and the one
// appender of formatted text to a string. MinGW's compiler checks the
// "printf" archetype against Microsoft's runtime (no %zu, no %lld); the
// program is built with MinGW's own standard printf, which gnu_printf describes.

#include <cstdarg>
#include <string>

#if defined(__MINGW32__)
#define QUILLOX_PRINTF_FORMAT(iFormat, iFirst) __attribute__((format(gnu_printf, iFormat, iFirst)))
#else
#define QUILLOX_PRINTF_FORMAT(iFormat, iFirst) __attribute__((format(printf, iFormat, iFirst)))
#endif

// Appends the formatted text to s, however long it is (a route of thirty long
// names grows the string instead of being cut). 0, with s unchanged, when the
// format cannot be applied.
int iAppendFormat(std::string &s, const char *pszFormat, ...) QUILLOX_PRINTF_FORMAT(2, 3);
int iAppendFormatList(std::string &s, const char *pszFormat, va_list args)
    QUILLOX_PRINTF_FORMAT(2, 0);
