#include "base/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/file_replace_backend.h"

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

// Renames sFrom to sTo unless sTo exists. The kernel checks and renames in one
// step where the file system can (vfat, exfat and ext4 all can); elsewhere the
// check comes just before the rename.
int iRenameNew(const std::string &sFrom, const std::string &sTo) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, sFrom.c_str(), AT_FDCWD, sTo.c_str(), RENAME_NOREPLACE) == 0) {
        return 1;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return 0;
    }
#endif
    if (fPathTaken(sTo.c_str())) {
        errno = EEXIST;
        return 0;
    }
    return std::rename(sFrom.c_str(), sTo.c_str()) == 0 ? 1 : 0;
}

// Makes the new name itself last: the folder's entry reaches the medium too.
int iSyncFolderOf(const std::string &sFile) {
    size_t nSlash = sFile.rfind('/');
    std::string sFolder = nSlash == std::string::npos ? "." : sFile.substr(0, nSlash + 1);
    int iFd = open(sFolder.c_str(), O_RDONLY | O_DIRECTORY);
    if (iFd < 0) {
        return 0;
    }
    // Some file systems cannot sync a folder (EINVAL); the entry is then as
    // safe as they make it.
    int iResult = fsync(iFd) == 0 || errno == EINVAL ? 1 : 0;
    close(iFd);
    return iResult;
}

} // namespace

bool fPathTaken(const char *pszPath) {
    struct stat oStat {};
    return lstat(pszPath, &oStat) == 0 || errno != ENOENT;
}

int iSyncFile(std::FILE *pFile) {
    return std::fflush(pFile) == 0 && fsync(fileno(pFile)) == 0 ? 1 : 0;
}

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
        oReplace.lOwner = static_cast<long>(oStat.st_uid);
        oReplace.lGroup = static_cast<long>(oStat.st_gid);
    } else if (errno != ENOENT) {
        return 0;
    }
    if (!fResolveLinks(pszTarget, oReplace.sFile)) {
        return 0;
    }
    return 1;
}

std::FILE *pCreateReplaceFile(FileReplace &oReplace) {
    if (oReplace.fInPlace) {
        return std::fopen(oReplace.sWritePath.c_str(), "wb");
    }
    // Created exclusively under a name of its own: a user's "tour.vkd.tmp" is
    // never overwritten, and two saves side by side never share a file.
    std::string sTemplate = oReplace.sFile + ".tmpXXXXXX";
    int iFile = mkstemp(sTemplate.data());
    if (iFile < 0) {
        return nullptr;
    }
    oReplace.sWritePath = sTemplate;
    // Root saving another user's file gives it back to that user; for anyone
    // else the group is kept where the user belongs to it. Neither is a reason
    // to refuse the save.
    if (oReplace.fExisted && (static_cast<long>(geteuid()) != oReplace.lOwner ||
                              static_cast<long>(getegid()) != oReplace.lGroup)) {
        if (fchown(iFile, static_cast<uid_t>(oReplace.lOwner),
                   static_cast<gid_t>(oReplace.lGroup)) != 0) {
            // Keeping the group is a courtesy: its failure is no reason either.
            [[maybe_unused]] int iKept =
                fchown(iFile, static_cast<uid_t>(-1), static_cast<gid_t>(oReplace.lGroup));
        }
    }
    std::FILE *pFile = fdopen(iFile, "wb");
    if (pFile == nullptr) {
        int iSaved = errno;
        close(iFile);
        unlink(oReplace.sWritePath.c_str());
        oReplace.sWritePath.clear();
        errno = iSaved;
    }
    return pFile;
}

int iCommitReplace(const FileReplace &oReplace) {
    if (oReplace.fInPlace) {
        return 1;
    }
    // The temporary file was made readable to its owner only; the saved file
    // has the old one's bits, or those a plain create would give.
    unsigned uMode = oReplace.uMode;
    if (!oReplace.fExisted) {
        mode_t uMask = umask(0);
        umask(uMask);
        uMode = 0666u & ~static_cast<unsigned>(uMask);
    }
    if (chmod(oReplace.sWritePath.c_str(), static_cast<mode_t>(uMode)) != 0) {
        return 0;
    }
    if (oReplace.fNew) {
        return iRenameNew(oReplace.sWritePath, oReplace.sFile) && iSyncFolderOf(oReplace.sFile);
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
