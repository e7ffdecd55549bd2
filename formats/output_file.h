#pragma once
// Output files that never destroy what was there before a failed save: the
// data goes to a temporary file of its own beside the target (named
// "<name>.tmp" and six characters) and is renamed over it only when
// every write succeeded (base/file_replace.h: links are followed, devices and
// FIFOs written in place, permission bits kept). Text output turns every line
// feed into CR LF, on every platform, because the files are read by Windows
// programs.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_replace.h"
#include "base/printf_format.h"

class OutputFile {
  public:
    enum class Mode { kBinary, kText };

    OutputFile() = default;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    // Removes the temporary file unless iCommit succeeded.
    ~OutputFile();

    // Creates the temporary file (or opens a device in place); reports on
    // standard error and returns 0 on failure, also when the target may not be
    // written ("cannot write 'x': Permission denied").
    int iOpen(const char *pszFileName, Mode eMode);
    // As iOpen, for a file that must not exist yet (base/file_replace.h,
    // iPrepareNewFile): synced before it is closed, never renamed over a file
    // that took its name meanwhile.
    int iOpenNew(const char *pszFileName, Mode eMode);
    // Each returns 1 while every write so far succeeded; the first failure is
    // reported once and all later writes are skipped.
    int iWrite(const void *pData, size_t nSize);
    int iWriteText(std::string_view svText);
    int iPrintf(const char *pszFormat, ...) QUILLOX_PRINTF_FORMAT(2, 3);
    // A line built in place: pLineRoom gives room for nMax characters in the
    // output block (nullptr after a failure, or for nMax past a quarter of
    // the block), and iEndLine ends the line at pEnd, within that room, with
    // the file's line end. The line holds no line feed of its own.
    char *pLineRoom(size_t nMax);
    int iEndLine(const char *pEnd);
    // Flushes, closes and renames into place. 1 on success; on failure the
    // target is untouched and the temporary file removed.
    int iCommit();
    // Drops the output: closes and removes the temporary file, target untouched.
    void vDiscard();

    bool fFailed() const { return m_fFailed; }
    bool fIsOpen() const { return m_pFile != nullptr; }

  private:
    void vFail(const char *pszWhat);
    // Output gathers in m_pBuffer and goes to the file in large blocks.
    int iFlushBuffer();
    int iAppend(const char *p, size_t n);
    int iCreate(const char *pszFileName, Mode eMode, bool fNew);

    std::FILE *m_pFile = nullptr;
    std::string m_sTarget;
    FileReplace m_oReplace;
    Mode m_eMode = Mode::kBinary;
    bool m_fFailed = false;
    static constexpr size_t kBufferSize = size_t{1} << 18;
    std::unique_ptr<char[]> m_pBuffer;
    size_t m_nBuffered = 0;
    std::string m_sLine; // what iPrintf formats, kept for the next line
};
