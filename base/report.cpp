#include "base/report.h"

#include <cstdarg>
#include <cstdio>

namespace {
int iErrorCount = 0;

void vPrint(const char *pszFormat, va_list args) {
    char szMessage[1024];
    std::vsnprintf(szMessage, sizeof(szMessage), pszFormat, args);
    std::fflush(stdout);
    std::fprintf(stderr, "quillox: %s\n", szMessage);
}
} // namespace

void vReportError(const char *pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    vPrint(pszFormat, args);
    va_end(args);
    ++iErrorCount;
}

void vReportNotice(const char *pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    vPrint(pszFormat, args);
    va_end(args);
}

int iReportedErrorCount() {
    return iErrorCount;
}
