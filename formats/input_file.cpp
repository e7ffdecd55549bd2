#include "formats/input_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/report.h"

int iReadWholeFile(const char *pszFileName, std::string &sData) {
    sData.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> pFile(std::fopen(pszFileName, "rb"),
                                                           &std::fclose);
    if (!pFile) {
        vReportError("cannot open '%s': %s", pszFileName, std::strerror(errno));
        return 0;
    }
    // A file of known size is read in one piece, without growing the string.
    if (std::fseek(pFile.get(), 0, SEEK_END) == 0) {
        const long lSize = std::ftell(pFile.get());
        if (lSize > 0) {
            sData.reserve(static_cast<size_t>(lSize));
        }
    }
    std::rewind(pFile.get());
    constexpr size_t kChunk = 1 << 16;
    for (;;) {
        size_t nOld = sData.size();
        size_t nWant = sData.capacity() > nOld ? sData.capacity() - nOld : kChunk;
        sData.resize(nOld + nWant);
        size_t nRead = std::fread(sData.data() + nOld, 1, nWant, pFile.get());
        sData.resize(nOld + nRead);
        if (nRead < nWant) {
            break;
        }
        // The string is full: one more byte says whether the file goes on.
        const int iNext = std::fgetc(pFile.get());
        if (iNext == EOF) {
            break;
        }
        sData.push_back(static_cast<char>(iNext));
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
    std::string sData;
    if (pWorkspace == nullptr || pszFileName == nullptr || !iReadWholeFile(pszFileName, sData)) {
        return 0;
    }
    return pfnImport(pWorkspace, sData, pszFileName);
}
