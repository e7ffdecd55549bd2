#pragma once
// Cutting a text line into fields, bounded on both sides: the source is a view
// (lines of any length), the destination a fixed buffer that receives at most
// its size minus one characters. The rest of an over-long field is consumed and
// dropped, so one field never spills into the next.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Reads one field from the front of svRest and removes it (with its delimiter)
// from svRest. A field ends at any character of svDelimiters, which is
// consumed, or at the end of the text. With fQuoted, a double quote toggles an
// inside-quotes state and is not copied; inside quotes every character is
// copied, delimiters included; outside quotes only a delimiter counts and other
// characters are dropped. The destination is always zero-terminated. Returns
// the number of characters copied.
size_t nReadField(char *pszOut, size_t nOutSize, std::string_view &svRest,
                  std::string_view svDelimiters, bool fQuoted);

// Skips one field.
void vSkipField(std::string_view &svRest, std::string_view svDelimiters, bool fQuoted);

// The reason a reader gives for a line whose position cannot be read, with the
// text (blanks trimmed, long texts cut); valid until the next call.
const char *pszUnreadablePosition(std::string_view svText);
