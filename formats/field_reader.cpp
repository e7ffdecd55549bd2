#include "formats/field_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

size_t nReadField(char *pszOut, size_t nOutSize, std::string_view &svRest,
                  std::string_view svDelimiters, bool fQuoted) {
    if (!fQuoted) {
        // Unquoted: find the end, then copy what fits in one piece.
        const char *p = svRest.data();
        const size_t nRest = svRest.size();
        size_t i = 0;
        if (svDelimiters.size() == 1) {
            const char cDelimiter = svDelimiters[0];
            while (i < nRest && p[i] != cDelimiter && p[i] != '\n') {
                ++i;
            }
        } else {
            while (i < nRest && p[i] != '\n' && svDelimiters.find(p[i]) == std::string_view::npos) {
                ++i;
            }
        }
        const size_t nCopied = nOutSize == 0 ? 0 : std::min(i, nOutSize - 1);
        if (nOutSize > 0) {
            std::memcpy(pszOut, p, nCopied);
            pszOut[nCopied] = '\0';
        }
        if (i < nRest && p[i] != '\n') {
            ++i; // the delimiter
        }
        svRest.remove_prefix(i);
        return nCopied;
    }
    size_t nCopied = 0;
    bool fInside = false;
    size_t i = 0;
    for (; i < svRest.size(); ++i) {
        char c = svRest[i];
        if (c == '\n') {
            break; // a line end stops the field without being consumed
        }
        if (fQuoted && c == '"') {
            fInside = !fInside;
            continue;
        }
        const bool fDelimiter = svDelimiters.size() == 1
                                    ? c == svDelimiters[0]
                                    : svDelimiters.find(c) != std::string_view::npos;
        if (!fInside && fDelimiter) {
            ++i;
            break;
        }
        if (fQuoted && !fInside) {
            continue;
        }
        if (nCopied + 1 < nOutSize) {
            pszOut[nCopied++] = c;
        }
    }
    svRest.remove_prefix(i);
    if (nOutSize > 0) {
        pszOut[nCopied] = '\0';
    }
    return nCopied;
}

void vSkipField(std::string_view &svRest, std::string_view svDelimiters, bool fQuoted) {
    char c;
    nReadField(&c, 1, svRest, svDelimiters, fQuoted);
}

const char *pszUnreadablePosition(std::string_view svText) {
    static char szReason[160];
    while (!svText.empty() && (svText.front() == ' ' || svText.front() == '\t')) {
        svText.remove_prefix(1);
    }
    while (!svText.empty() && (svText.back() == ' ' || svText.back() == '\t')) {
        svText.remove_suffix(1);
    }
    constexpr size_t kShown = 60;
    if (svText.empty()) {
        return "the position is missing";
    }
    std::snprintf(szReason, sizeof(szReason), "the position \"%.*s%s\" cannot be read",
                  static_cast<int>(std::min(svText.size(), kShown)), svText.data(),
                  svText.size() > kShown ? "..." : "");
    return szReason;
}
