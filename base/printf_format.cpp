#include "base/printf_format.h"

#include <cstdio>

#include "base/text_format.h"

int iAppendFormatList(std::string &s, const char *pszFormat, va_list args) {
    // Most texts fit the buffer; a longer one is formatted again into the string.
    char szBuffer[512];
    va_list argsAgain;
    va_copy(argsAgain, args);
    const int iLength = iFormatTextV(szBuffer, sizeof(szBuffer), pszFormat, args);
    if (iLength >= 0 && static_cast<size_t>(iLength) < sizeof(szBuffer)) {
        s.append(szBuffer, static_cast<size_t>(iLength));
    } else if (iLength >= 0) {
        const size_t nOld = s.size();
        s.resize(nOld + static_cast<size_t>(iLength) + 1);
        iFormatTextV(s.data() + nOld, static_cast<size_t>(iLength) + 1, pszFormat, argsAgain);
        s.resize(nOld + static_cast<size_t>(iLength));
    }
    va_end(argsAgain);
    return iLength >= 0 ? 1 : 0;
}

int iAppendFormat(std::string &s, const char *pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    const int iResult = iAppendFormatList(s, pszFormat, args);
    va_end(args);
    return iResult;
}
