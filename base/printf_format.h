#pragma once
// The format check of a printf-like function. MinGW's compiler checks the
// "printf" archetype against Microsoft's runtime (no %zu, no %lld); the
// program is built with MinGW's own standard printf, which gnu_printf describes.

#if defined(__MINGW32__)
#define QUILLOX_PRINTF_FORMAT(iFormat, iFirst) __attribute__((format(gnu_printf, iFormat, iFirst)))
#else
#define QUILLOX_PRINTF_FORMAT(iFormat, iFirst) __attribute__((format(printf, iFormat, iFirst)))
#endif
