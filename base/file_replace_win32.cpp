#include "base/file_replace.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <string_view>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "base/file_replace_backend.h"

namespace {

// The errno value a Win32 error code stands for, as the C runtime maps them.
int iErrnoFromWin32(DWORD lError) {
    switch (lError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return EIO;
    }
}

int iFail(DWORD lError) {
    errno = iErrnoFromWin32(lError);
    return 0;
}

// A name the system gives to a device rather than a file: anything in the
// device namespace (\\.\COM12), and the DOS device names, which name the
// device in every folder and with any extension ("NUL", "c:\data\con.txt").
bool fIsDeviceName(std::string_view svPath) {
    if (svPath.starts_with("\\\\.\\") || svPath.starts_with("//./")) {
        return true;
    }
    size_t nSeparator = svPath.find_last_of("\\/:");
    if (nSeparator != std::string_view::npos) {
        svPath.remove_prefix(nSeparator + 1);
    }
    svPath = svPath.substr(0, svPath.find('.'));
    while (!svPath.empty() && svPath.back() == ' ') {
        svPath.remove_suffix(1);
    }
    std::string sName;
    for (char c : svPath) {
        sName += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (sName == "CON" || sName == "PRN" || sName == "AUX" || sName == "NUL" || sName == "CONIN$" ||
        sName == "CONOUT$") {
        return true;
    }
    return sName.size() == 4 && (sName.starts_with("COM") || sName.starts_with("LPT")) &&
           sName[3] >= '1' && sName[3] <= '9';
}

// The file at the end of a symbolic link or junction, as a path the C library
// and MoveFileExA take. false with errno set when it cannot be reached.
bool fFinalPath(const char *pszPath, std::string &sFinal) {
    HANDLE hFile = CreateFileA(pszPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        iFail(GetLastError());
        return false;
    }
    constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    DWORD nSize = GetFinalPathNameByHandleA(hFile, nullptr, 0, kFlags);
    std::string sPath(nSize, '\0');
    DWORD nLength = nSize == 0 ? 0 : GetFinalPathNameByHandleA(hFile, sPath.data(), nSize, kFlags);
    DWORD lError = GetLastError();
    CloseHandle(hFile);
    if (nLength == 0 || nLength >= nSize) {
        iFail(nLength == 0 ? lError : ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    sPath.resize(nLength);
    // "\\?\C:\data\tour.vkd" and "\\?\UNC\server\share\tour.vkd" in their
    // ordinary spelling.
    if (sPath.starts_with("\\\\?\\UNC\\")) {
        sPath = "\\\\" + sPath.substr(8);
    } else if (sPath.starts_with("\\\\?\\") && sPath.size() > 6 && sPath[5] == ':') {
        sPath = sPath.substr(4);
    }
    sFinal = sPath;
    return true;
}

// What a save keeps of the replaced file's attributes; read-only files are
// refused, and the archive bit belongs to every new file.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

int iPrepareReplace(const char *pszTarget, FileReplace &oReplace) {
    oReplace = FileReplace{};
    if (fIsDeviceName(pszTarget)) {
        oReplace.sFile = oReplace.sWritePath = pszTarget;
        oReplace.fInPlace = true;
        return 1;
    }
    oReplace.sFile = pszTarget;
    DWORD lAttributes = GetFileAttributesA(pszTarget);
    if (lAttributes == INVALID_FILE_ATTRIBUTES) {
        DWORD lError = GetLastError();
        if (lError != ERROR_FILE_NOT_FOUND && lError != ERROR_PATH_NOT_FOUND) {
            return iFail(lError);
        }
    } else {
        if (lAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link is followed to its file, which is replaced; the link stays.
            // A link to nothing cannot be followed here: its name gets the file.
            if (fFinalPath(pszTarget, oReplace.sFile)) {
                lAttributes = GetFileAttributesA(oReplace.sFile.c_str());
                if (lAttributes == INVALID_FILE_ATTRIBUTES) {
                    return iFail(GetLastError());
                }
            } else if (errno != ENOENT) {
                return 0;
            }
        }
        if (lAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            errno = EISDIR;
            return 0;
        }
        if (lAttributes & FILE_ATTRIBUTE_DEVICE) {
            oReplace.sFile = oReplace.sWritePath = pszTarget;
            oReplace.fInPlace = true;
            return 1;
        }
        if (lAttributes & FILE_ATTRIBUTE_READONLY) {
            errno = EACCES;
            return 0;
        }
        // The user's right to write it, as the file's access list grants it (a
        // rename would only ask for the right to delete it). Opening it this way
        // changes nothing in it.
        HANDLE hFile = CreateFileA(oReplace.sFile.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            return iFail(GetLastError());
        }
        CloseHandle(hFile);
        oReplace.fExisted = true;
        oReplace.uMode = static_cast<unsigned>(lAttributes & kKeptAttributes);
    }
    return 1;
}

std::FILE *pCreateReplaceFile(FileReplace &oReplace) {
    if (oReplace.fInPlace) {
        return std::fopen(oReplace.sWritePath.c_str(), "wb");
    }
    // Created exclusively under a name of its own: a user's "tour.vkd.tmp" is
    // never overwritten, and two saves side by side never share a file.
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static unsigned long lCounter = 0;
    unsigned long lSeed = GetCurrentProcessId() * 2654435761ul ^ GetTickCount();
    for (int iTry = 0; iTry < 100; ++iTry) {
        unsigned long lValue = lSeed + 7919ul * ++lCounter;
        std::string sPath = oReplace.sFile + ".tmp";
        for (int k = 0; k < 6; ++k) {
            sPath += kDigits[lValue % 36];
            lValue /= 36;
        }
        HANDLE hFile = CreateFileA(sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            DWORD lError = GetLastError();
            if (lError == ERROR_FILE_EXISTS || lError == ERROR_ALREADY_EXISTS) {
                continue;
            }
            iFail(lError);
            return nullptr;
        }
        int iFile = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_BINARY | _O_WRONLY);
        if (iFile < 0) {
            CloseHandle(hFile);
            DeleteFileA(sPath.c_str());
            errno = EMFILE;
            return nullptr;
        }
        std::FILE *pFile = _fdopen(iFile, "wb");
        if (pFile == nullptr) {
            int iSaved = errno;
            _close(iFile);
            DeleteFileA(sPath.c_str());
            errno = iSaved;
            return nullptr;
        }
        oReplace.sWritePath = sPath;
        return pFile;
    }
    errno = EEXIST;
    return nullptr;
}

int iCommitReplace(const FileReplace &oReplace) {
    if (oReplace.fInPlace) {
        return 1;
    }
    if (oReplace.fNew) {
        // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing name.
        if (!MoveFileExA(oReplace.sWritePath.c_str(), oReplace.sFile.c_str(),
                         MOVEFILE_WRITE_THROUGH)) {
            return iFail(GetLastError());
        }
        return 1;
    }
    if (oReplace.fExisted && oReplace.uMode != 0) {
        DWORD lAttributes = GetFileAttributesA(oReplace.sWritePath.c_str());
        if (lAttributes == INVALID_FILE_ATTRIBUTES ||
            !SetFileAttributesA(oReplace.sWritePath.c_str(), lAttributes | oReplace.uMode)) {
            return iFail(GetLastError());
        }
    }
    // The C library's rename refuses an existing target here.
    if (!MoveFileExA(oReplace.sWritePath.c_str(), oReplace.sFile.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return iFail(GetLastError());
    }
    return 1;
}

bool fPathTaken(const char *pszPath) {
    return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

int iSyncFile(std::FILE *pFile) {
    if (std::fflush(pFile) != 0) {
        return 0;
    }
    HANDLE hFile = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pFile)));
    if (hFile == INVALID_HANDLE_VALUE || !FlushFileBuffers(hFile)) {
        return iFail(GetLastError());
    }
    return 1;
}

void vAbandonReplace(const FileReplace &oReplace) {
    if (!oReplace.fInPlace && !oReplace.sWritePath.empty()) {
        int iSaved = errno;
        DeleteFileA(oReplace.sWritePath.c_str());
        errno = iSaved;
    }
}

int iRegularFileExists(const char *pszPath) {
    if (fIsDeviceName(pszPath)) {
        return 0;
    }
    DWORD lAttributes = GetFileAttributesA(pszPath);
    if (lAttributes == INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    if (lAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        std::string sFinal;
        if (!fFinalPath(pszPath, sFinal)) {
            return 0;
        }
        lAttributes = GetFileAttributesA(sFinal.c_str());
        if (lAttributes == INVALID_FILE_ATTRIBUTES) {
            return 0;
        }
    }
    return (lAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 ? 1 : 0;
}
