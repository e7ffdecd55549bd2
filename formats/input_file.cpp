#include "formats/input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/report.h"

namespace {
// A larger block, with the bytes already read copied over; 0 when memory is short.
int iGrow(FileBytes &oData, size_t nCapacity) {
    LargeBlock pBigger = pNewLargeBlock(nCapacity);
    if (!pBigger) {
        return 0;
    }
    if (oData.nSize != 0) {
        std::memcpy(pBigger.get(), oData.pBytes.get(), oData.nSize);
    }
    oData.pBytes = std::move(pBigger);
    oData.nCapacity = nCapacity;
    return 1;
}
} // namespace

int iReadWholeFile(const char *pszFileName, FileBytes &oData) {
    oData = FileBytes{};
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> pFile(std::fopen(pszFileName, "rb"),
                                                           &std::fclose);
    if (!pFile) {
        vReportError("cannot open '%s': %s", pszFileName, std::strerror(errno));
        return 0;
    }
    // A file of known size is read in one piece into a block of that size,
    // which nothing fills before the file does.
    size_t nExpected = 0;
    if (std::fseek(pFile.get(), 0, SEEK_END) == 0) {
        const long lSize = std::ftell(pFile.get());
        if (lSize > 0) {
            nExpected = static_cast<size_t>(lSize);
        }
    }
    std::rewind(pFile.get());
    constexpr size_t kChunk = 1 << 16;
    // One byte past the expected size tells whether the file has grown.
    if (!iGrow(oData, nExpected + 1 > kChunk ? nExpected + 1 : kChunk)) {
        vReportError("cannot read '%s': out of memory", pszFileName);
        return 0;
    }
    for (;;) {
        if (oData.nSize == oData.nCapacity && !iGrow(oData, oData.nCapacity * 2)) {
            vReportError("cannot read '%s': out of memory", pszFileName);
            return 0;
        }
        const size_t nWant = oData.nCapacity - oData.nSize;
        const size_t nRead = std::fread(oData.pBytes.get() + oData.nSize, 1, nWant, pFile.get());
        oData.nSize += nRead;
        if (nRead < nWant) {
            break;
        }
    }
    if (std::ferror(pFile.get())) {
        vReportError("cannot read '%s': %s", pszFileName, std::strerror(errno));
        return 0;
    }
    return 1;
}

bool LineReader::fNextLine(std::string_view &svLine) {
    if (m_fDone || m_svRest.empty()) {
        m_fDone = true;
        return false;
    }
    size_t nEnd = m_svRest.find('\n');
    if (nEnd == std::string_view::npos) {
        svLine = m_svRest;
        m_svRest = {};
        m_fDone = true;
    } else {
        svLine = m_svRest.substr(0, nEnd);
        m_svRest.remove_prefix(nEnd + 1);
    }
    if (!svLine.empty() && svLine.back() == '\r') {
        svLine.remove_suffix(1);
    }
    ++m_nLineNumber;
    return true;
}

int iImportFile(Workspace *pWorkspace, const char *pszFileName, BufferImporter pfnImport) {
    FileBytes oData;
    if (pWorkspace == nullptr || pszFileName == nullptr || !iReadWholeFile(pszFileName, oData)) {
        return 0;
    }
    return pfnImport(pWorkspace, oData.sv(), pszFileName);
}
