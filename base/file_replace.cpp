#include "base/file_replace.h"

#include <cerrno>

#include "base/file_replace_backend.h"

int iPrepareNewFile(const char *pszTarget, FileReplace &oReplace) {
    oReplace = FileReplace{};
    if (fPathTaken(pszTarget)) {
        errno = EEXIST;
        return 0;
    }
    oReplace.sFile = pszTarget;
    oReplace.fNew = true;
    return 1;
}
