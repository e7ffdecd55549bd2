#include "base/report.h"

#include <cstdarg>
#include <cstdio>

namespace {
int iErrorCount = 0;
}

void vReportError(const char *pszFormat, ...) {
    char szMessage[1024];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szMessage, sizeof(szMessage), pszFormat, args);
    va_end(args);
    std::fflush(stdout);
    std::fprintf(stderr, "quillox: %s\n", szMessage);
    ++iErrorCount;
}

int iReportedErrorCount() {
    return iErrorCount;
}
