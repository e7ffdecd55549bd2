#include "formats/output_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "base/file_replace.h"
#include "base/report.h"
#include "base/text_format.h"

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
    if (!m_pBuffer) {
        m_pBuffer = std::make_unique<char[]>(kBufferSize);
    }
    m_nBuffered = 0;
    return 1;
}

void OutputFile::vFail(const char *pszWhat) {
    if (!m_fFailed) {
        vReportError("cannot %s '%s': %s", pszWhat, m_sTarget.c_str(), std::strerror(errno));
    }
    m_fFailed = true;
}

int OutputFile::iFlushBuffer() {
    if (m_nBuffered != 0 && std::fwrite(m_pBuffer.get(), 1, m_nBuffered, m_pFile) != m_nBuffered) {
        m_nBuffered = 0;
        vFail("write");
        return 0;
    }
    m_nBuffered = 0;
    return 1;
}

int OutputFile::iAppend(const char *p, size_t n) {
    if (n > kBufferSize - m_nBuffered && !iFlushBuffer()) {
        return 0;
    }
    if (n >= kBufferSize) {
        if (std::fwrite(p, 1, n, m_pFile) != n) {
            vFail("write");
            return 0;
        }
        return 1;
    }
    std::memcpy(m_pBuffer.get() + m_nBuffered, p, n);
    m_nBuffered += n;
    return 1;
}

int OutputFile::iWrite(const void *pData, size_t nSize) {
    if (m_pFile == nullptr || m_fFailed) {
        return 0;
    }
    return iAppend(static_cast<const char *>(pData), nSize);
}

int OutputFile::iWriteText(std::string_view svText) {
    if (m_eMode == Mode::kBinary) {
        return iWrite(svText.data(), svText.size());
    }
    if (m_pFile == nullptr || m_fFailed) {
        return 0;
    }
    const char *p = svText.data();
    const char *pEnd = p + svText.size();
    while (p < pEnd) {
        const auto *pLineFeed =
            static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(pEnd - p)));
        if (pLineFeed == nullptr) {
            return iAppend(p, static_cast<size_t>(pEnd - p));
        }
        const auto n = static_cast<size_t>(pLineFeed - p);
        if (n + 2 <= kBufferSize - m_nBuffered) {
            // The common case: the line and its CR LF go into the buffer at once.
            char *pTarget = m_pBuffer.get() + m_nBuffered;
            std::memcpy(pTarget, p, n);
            pTarget[n] = '\r';
            pTarget[n + 1] = '\n';
            m_nBuffered += n + 2;
        } else if (!iAppend(p, n) || !iAppend("\r\n", 2)) {
            return 0;
        }
        p = pLineFeed + 1;
    }
    return 1;
}

char *OutputFile::pLineRoom(size_t nMax) {
    if (m_pFile == nullptr || m_fFailed || nMax > kBufferSize / 4) {
        return nullptr;
    }
    if (nMax + 2 > kBufferSize - m_nBuffered && !iFlushBuffer()) {
        return nullptr;
    }
    return m_pBuffer.get() + m_nBuffered;
}

int OutputFile::iEndLine(const char *pEnd) {
    char *p = m_pBuffer.get() + (pEnd - m_pBuffer.get());
    if (m_eMode == Mode::kText) {
        *p++ = '\r';
    }
    *p++ = '\n';
    m_nBuffered = static_cast<size_t>(p - m_pBuffer.get());
    return 1;
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
    if (!m_fFailed) {
        iFlushBuffer();
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
    m_nBuffered = 0;
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
        vAbandonReplace(m_oReplace);
    }
}
