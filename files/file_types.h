#pragma once
// The table of file types, chosen by the extension of a file name.

#include <cstdint>

#include "store/file_kinds.h"

extern const char *const asFileExtension[kFileTypeCount];
extern const char *const asFileDescription[kFileTypeCount];

// The file type to use: the current type unless it is -1, else the one named by
// the extension of the last path component (the text from its last "."); no
// ".", or an extension outside the table, is a native file. Never 3..6 or 12.
int16_t sFileTypeFromName(const char *pszFileName, int16_t sCurrentType);
