#include "base/temp_string.h"

#include <cstring>

namespace {
char asTempString[kTempStringCount][kTempStringSize];
size_t nNextTempString = 0;
} // namespace

char *pszGetTempString() {
    char *pszBuffer = asTempString[nNextTempString];
    std::memset(pszBuffer, 0, kTempStringSize);
    nNextTempString = (nNextTempString + 1) % kTempStringCount;
    return pszBuffer;
}

void vResetTempStrings() {
    nNextTempString = 0;
}
