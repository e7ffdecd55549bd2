#include "formats/output_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "base/file_replace.h"
#include "base/report.h"

OutputFile::~OutputFile() {
    vDiscard();
}

int OutputFile::iOpen(const char *pszFileName, Mode eMode) {
    return iCreate(pszFileName, eMode, false);
}

int OutputFile::iOpenNew(const char *pszFileName, Mode eMode) {
    return iCreate(pszFileName, eMode, true);
}

int OutputFile::iCreate(const char *pszFileName, Mode eMode, bool fNew) {
    vDiscard();
    m_sTarget = pszFileName;
    m_eMode = eMode;
    m_fFailed = false;
    if (!(fNew ? iPrepareNewFile(pszFileName, m_oReplace)
               : iPrepareReplace(pszFileName, m_oReplace))) {
        vReportError("cannot write '%s': %s", pszFileName, std::strerror(errno));
        m_fFailed = true;
        return 0;
    }
    m_pFile = pCreateReplaceFile(m_oReplace);
    if (m_pFile == nullptr) {
        vReportError("cannot create '%s': %s", pszFileName, std::strerror(errno));
        m_fFailed = true;
        return 0;
    }
    static_cast<void>(std::setvbuf(m_pFile, nullptr, _IOFBF, 1 << 16));
    return 1;
}

void OutputFile::vFail(const char *pszWhat) {
    if (!m_fFailed) {
        vReportError("cannot %s '%s': %s", pszWhat, m_sTarget.c_str(), std::strerror(errno));
    }
    m_fFailed = true;
}

int OutputFile::iWrite(const void *pData, size_t nSize) {
    if (m_pFile == nullptr || m_fFailed) {
        return 0;
    }
    if (nSize != 0 && std::fwrite(pData, 1, nSize, m_pFile) != nSize) {
        vFail("write");
        return 0;
    }
    return 1;
}

int OutputFile::iWriteText(std::string_view svText) {
    if (m_eMode == Mode::kBinary) {
        return iWrite(svText.data(), svText.size());
    }
    while (!svText.empty()) {
        size_t nLineFeed = svText.find('\n');
        if (nLineFeed == std::string_view::npos) {
            return iWrite(svText.data(), svText.size());
        }
        if (!iWrite(svText.data(), nLineFeed) || !iWrite("\r\n", 2)) {
            return 0;
        }
        svText.remove_prefix(nLineFeed + 1);
    }
    return m_fFailed ? 0 : 1;
}

int OutputFile::iPrintf(const char *pszFormat, ...) {
    m_sLine.clear();
    va_list args;
    va_start(args, pszFormat);
    const int iFormatted = iAppendFormatList(m_sLine, pszFormat, args);
    va_end(args);
    if (!iFormatted) {
        vFail("format a line of");
        return 0;
    }
    return iWriteText(m_sLine);
}

int OutputFile::iCommit() {
    if (m_pFile == nullptr) {
        return 0;
    }
    if (!m_fFailed && std::fflush(m_pFile) != 0) {
        vFail("write");
    }
    if (!m_fFailed && m_oReplace.fNew && !iSyncFile(m_pFile)) {
        vFail("write");
    }
    if (std::fclose(m_pFile) != 0 && !m_fFailed) {
        vFail("write");
    }
    m_pFile = nullptr;
    if (!m_fFailed && !iCommitReplace(m_oReplace)) {
        vFail("replace");
    }
    if (m_fFailed) {
        vAbandonReplace(m_oReplace);
        return 0;
    }
    return 1;
}

void OutputFile::vDiscard() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
        vAbandonReplace(m_oReplace);
    }
}
