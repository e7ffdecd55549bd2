#pragma once
// Replacing a file without ever losing it: the platform part of every save.
//
// A save asks iPrepareReplace where to write, writes and closes that file, then
// calls iCommitReplace, or vAbandonReplace when anything failed:
// - a regular target, or one that does not exist yet, is written to a
//   temporary file beside the file it replaces, created for this save under a
//   name no file had ("<file>.tmp" and six characters), and renamed over it at
//   the end, so a failed save leaves the old file as it was and touches no
//   other; the new file keeps the old one's permission bits, and its owner and
//   group where the user may give them (root); a file that did not exist gets
//   the bits a plain create gives (0666 less the umask);
// - a symbolic link is followed to the file it points to (also when that file
//   does not exist yet); that file is replaced and the link stays a link;
// - a target that exists and is not a regular file (a terminal, /dev/null, a
//   FIFO) is written in place, with no temporary file;
// - a regular file the user may not write, and a folder, are refused.
// On Windows the same rules take the platform's meaning: the new file keeps the
// old one's hidden, system and not-indexed attributes (uMode holds them), a
// read-only file is refused, links and junctions are followed where their file
// exists, and the DOS device names (NUL, CON, COM1, in any folder and with any
// extension) and \\.\ names are written in place.
// Every function that can fail returns 1 on success and 0 on failure, with
// errno telling why (the backends map their platform's codes to errno values).
//
// One backend per platform, chosen by the build: file_replace_posix.cpp,
// file_replace_win32.cpp; what is the same everywhere is file_replace.cpp.

#include <cstdio>
#include <string>

struct FileReplace {
    std::string sFile;      // the file replaced: the target with its links resolved
    std::string sWritePath; // where the bytes go: the temporary file once created, or
                            // the target itself in place
    bool fInPlace = false;  // the target is a device or a FIFO: written directly
    bool fExisted = false;  // a regular file was there; uMode holds its permission bits
                            // (on Windows, its attributes kept)
    unsigned uMode = 0;
    long lOwner = -1; // the replaced file's owner and group (POSIX)
    long lGroup = -1;
    bool fNew = false; // iPrepareNewFile: synced before closing, never renamed over a file
};

// Decides where a save of pszTarget writes. 0 when the save must be refused.
int iPrepareReplace(const char *pszTarget, FileReplace &oReplace);
// Creates what the bytes go to and opens it for writing in binary: the
// temporary file beside sFile (sWritePath names it then), or the target in
// place. nullptr with errno when it cannot be created.
std::FILE *pCreateReplaceFile(FileReplace &oReplace);
// After the bytes were written to sWritePath and it was closed: gives the new
// file the old one's permission bits and renames it over sFile. Nothing to do
// for a save in place.
int iCommitReplace(const FileReplace &oReplace);
// Removes the temporary file of a save that failed (nothing for one in place).
void vAbandonReplace(const FileReplace &oReplace);

// A file that must not exist yet, as on a unit that is a USB drive: written to
// a temporary file beside it, synced to the medium before it is closed
// (iSyncFile), then renamed to its name only if nothing took that name in the
// meantime (EEXIST otherwise) and the folder synced too. 0 with EEXIST when
// something stands at pszTarget already. The same on every platform
// (file_replace.cpp); what is platform code is named in file_replace_backend.h.
int iPrepareNewFile(const char *pszTarget, FileReplace &oReplace);
// Writes what the C library holds of the file and what the system holds of it
// to the medium.
int iSyncFile(std::FILE *pFile);

// 1 when pszPath names an existing regular file, links followed.
int iRegularFileExists(const char *pszPath);
