#pragma once
// Reading whole files into memory, and walking text held in memory line by
// line. Every reader of the program has an entry point over a byte buffer; the
// file versions read the file with iReadWholeFile and call it.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/large_block.h"

// The bytes of a whole file in one block.
struct FileBytes {
    LargeBlock pBytes;
    size_t nSize = 0;
    size_t nCapacity = 0;
    std::string_view sv() const { return std::string_view(pBytes.get(), nSize); }
};

// Reads the whole file; reports "cannot open 'name': reason" on standard error
// and returns 0 when it cannot be read.
int iReadWholeFile(const char *pszFileName, FileBytes &oData);

struct Workspace;
// A reader over bytes in memory; pszName names the data in its messages.
using BufferImporter = int (*)(Workspace *pWorkspace, std::string_view svData, const char *pszName);

// Reads the whole file and hands it to the reader; 0 when the file cannot be
// read (already reported) or the reader fails.
int iImportFile(Workspace *pWorkspace, const char *pszFileName, BufferImporter pfnImport);

// Lines of any length, ended by LF, CR LF or the end of the data; the line end
// is not part of the line. No allocation: the views point into the data.
class LineReader {
  public:
    explicit LineReader(std::string_view svData) : m_svRest(svData) {}
    // Next line; false at the end of the data.
    bool fNextLine(std::string_view &svLine);
    // Number of the line last returned, from 1.
    size_t nLineNumber() const { return m_nLineNumber; }

  private:
    std::string_view m_svRest;
    size_t m_nLineNumber = 0;
    bool m_fDone = false;
};
