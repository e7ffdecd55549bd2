#include "geo/text_scan.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "base/number_text.h"

namespace {
bool fIsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
void vSkipBlanks(const char *&pszText) {
    while (*pszText != '\0' && fIsBlank(*pszText)) {
        ++pszText;
    }
}
} // namespace

bool fScanLong(const char *&pszText, int64_t *plValue) {
    const char *pszEnd = nullptr;
    int64_t lValue = llParseInteger(pszText, &pszEnd);
    if (pszEnd == pszText) {
        return false;
    }
    *plValue = std::clamp<int64_t>(lValue, INT32_MIN, INT32_MAX);
    pszText = pszEnd;
    return true;
}

bool fScanDouble(const char *&pszText, double *pdValue) {
    const char *p = pszText;
    vSkipBlanks(p);
    const char *pszEnd = nullptr;
    double dValue = dParseDouble(p, &pszEnd);
    if (pszEnd == p) {
        return false;
    }
    *pdValue = dValue;
    pszText = pszEnd;
    return true;
}

bool fScanWord(const char *&pszText, size_t nMaxLength, char *pszOut) {
    const char *p = pszText;
    vSkipBlanks(p);
    size_t n = 0;
    while (n < nMaxLength && *p != '\0' && !fIsBlank(*p)) {
        pszOut[n++] = *p++;
    }
    pszOut[n] = '\0';
    if (n == 0) {
        return false;
    }
    pszText = p;
    return true;
}

bool fScanLiteral(const char *&pszText, char cLiteral) {
    if (fIsBlank(cLiteral)) {
        vSkipBlanks(pszText);
        return true;
    }
    if (*pszText != cLiteral) {
        return false;
    }
    ++pszText;
    return true;
}

int iReadLeadingInt(const char *pszText, const char **ppszEnd) {
    int64_t lValue = 0;
    const char *p = pszText;
    if (!fScanLong(p, &lValue)) {
        lValue = 0;
    }
    if (ppszEnd != nullptr) {
        *ppszEnd = p;
    }
    return static_cast<int>(lValue);
}

char *pszNextToken(char *&pszRest) {
    while (*pszRest == ' ') {
        ++pszRest;
    }
    if (*pszRest == '\0') {
        return nullptr;
    }
    char *pszToken = pszRest;
    while (*pszRest != '\0' && *pszRest != ' ') {
        ++pszRest;
    }
    if (*pszRest == ' ') {
        *pszRest++ = '\0';
    }
    return pszToken;
}
