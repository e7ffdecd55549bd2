#include "base/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxLinks = 40; // as the kernel's own limit on a chain of links

// Follows the chain of symbolic links that starts at sPath to its end: the file
// a save must replace, or the name a dangling link says it should get.
bool fResolveLinks(std::string sPath, std::string &sResolved) {
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat oStat {};
        if (lstat(sPath.c_str(), &oStat) != 0) {
            if (errno != ENOENT) {
                return false;
            }
            sResolved = sPath;
            return true;
        }
        if (!S_ISLNK(oStat.st_mode)) {
            sResolved = sPath;
            return true;
        }
        std::vector<char> aBuffer(static_cast<size_t>(oStat.st_size > 0 ? oStat.st_size : 255) + 1);
        ssize_t nLength = readlink(sPath.c_str(), aBuffer.data(), aBuffer.size());
        if (nLength < 0) {
            return false;
        }
        if (static_cast<size_t>(nLength) >= aBuffer.size()) {
            errno = ENAMETOOLONG; // the link changed under us; do not guess
            return false;
        }
        std::string sLink(aBuffer.data(), static_cast<size_t>(nLength));
        if (!sLink.empty() && sLink[0] == '/') {
            sPath = sLink;
        } else {
            size_t nSlash = sPath.rfind('/');
            sPath =
                (nSlash == std::string::npos ? std::string() : sPath.substr(0, nSlash + 1)) + sLink;
        }
    }
    errno = ELOOP;
    return false;
}

} // namespace

int iPrepareReplace(const char *pszTarget, FileReplace &oReplace) {
    oReplace = FileReplace{};
    struct stat oStat {};
    if (stat(pszTarget, &oStat) == 0) {
        if (S_ISDIR(oStat.st_mode)) {
            errno = EISDIR;
            return 0;
        }
        if (!S_ISREG(oStat.st_mode)) {
            // Opened by the name given: /dev/stdout resolves to names such as
            // "pipe:[1234]" that cannot be opened.
            oReplace.sFile = oReplace.sWritePath = pszTarget;
            oReplace.fInPlace = true;
            return 1;
        }
        if (faccessat(AT_FDCWD, pszTarget, W_OK, AT_EACCESS) != 0) {
            return 0;
        }
        oReplace.fExisted = true;
        oReplace.uMode = static_cast<unsigned>(oStat.st_mode & 07777);
    } else if (errno != ENOENT) {
        return 0;
    }
    if (!fResolveLinks(pszTarget, oReplace.sFile)) {
        return 0;
    }
    oReplace.sWritePath = oReplace.sFile + ".tmp";
    return 1;
}

int iCommitReplace(const FileReplace &oReplace) {
    if (oReplace.fInPlace) {
        return 1;
    }
    if (oReplace.fExisted && chmod(oReplace.sWritePath.c_str(), oReplace.uMode) != 0) {
        return 0;
    }
    return std::rename(oReplace.sWritePath.c_str(), oReplace.sFile.c_str()) == 0 ? 1 : 0;
}

void vAbandonReplace(const FileReplace &oReplace) {
    if (!oReplace.fInPlace && !oReplace.sWritePath.empty()) {
        int iSaved = errno;
        std::remove(oReplace.sWritePath.c_str());
        errno = iSaved;
    }
}

int iRegularFileExists(const char *pszPath) {
    struct stat oStat {};
    return stat(pszPath, &oStat) == 0 && S_ISREG(oStat.st_mode) ? 1 : 0;
}
