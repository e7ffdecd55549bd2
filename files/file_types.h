#pragma once
// The table of file types, chosen by the extension of a file name.

#include <cstdint>

#include "store/file_kinds.h"

extern const char *const asFileExtension[kFileTypeCount];
extern const char *const asFileDescription[kFileTypeCount];

// What the extension of the name's last path component (the text from its
// last ".") names: the table entry 0..14 as it stands (3..6 and 12 included),
// kNoExtension for a name without one, kUnknownExtension for one outside the
// table.
constexpr int16_t kNoExtension = -2;
constexpr int16_t kUnknownExtension = -3;
int16_t sExtensionType(const char *pszFileName);

// The file type to use: the current type unless it is -1, else the one named by
// the extension of the last path component (the text from its last "."); no
// ".", or an extension outside the table, is a native file. Never 3..6 or 12.
int16_t sFileTypeFromName(const char *pszFileName, int16_t sCurrentType);
