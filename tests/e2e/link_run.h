#pragma once
// Runs of the program for the link tests: one debug channel or none (a
// setting of the caller's shell is removed), and counts of what they wrote.

#include <string>
#include <vector>

#include "tests/child_process.h"

namespace e2e {

inline ProcessResult oRunQuillox(std::vector<std::string> asArgs, const std::string &sDir,
                                 const char *pszDebug = nullptr) {
    asArgs.insert(asArgs.begin(), QUILLOX_EXE);
    return oRunProcess(asArgs, 15.0, sDir,
                       {pszDebug != nullptr ? std::string("ORVENSTA_DEBUG=") + pszDebug
                                            : std::string("ORVENSTA_DEBUG")});
}

inline int iCount(const std::string &s, const std::string &sPart) {
    int n = 0;
    for (size_t nPos = s.find(sPart); nPos != std::string::npos; nPos = s.find(sPart, nPos + 1)) {
        ++n;
    }
    return n;
}

} // namespace e2e
