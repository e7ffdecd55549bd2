// The serial port on Windows: a COM port through the Win32 communications
// calls, 9600 baud 8N1 with DTR and RTS off, read in blocks that end after
// one second of silence.

#include "device/serial_backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

#include "device/transport.h"

namespace {

constexpr DWORD kQueueSize = 4096;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kSilenceMs = 1000;
constexpr size_t kBlockSize = 256;

class Win32SerialPort final : public SerialPort {
  public:
    explicit Win32SerialPort(HANDLE hPort) : m_hPort(hPort) {}
    ~Win32SerialPort() override {
        // The last ACK of a run must reach the unit before the buffers are
        // purged, or the unit sends its last record again into the next run.
        FlushFileBuffers(m_hPort);
        SetCommMask(m_hPort, 0);
        PurgeComm(m_hPort, PURGE_RXABORT | PURGE_RXCLEAR);
        CloseHandle(m_hPort);
    }
    Win32SerialPort(const Win32SerialPort &) = delete;
    Win32SerialPort &operator=(const Win32SerialPort &) = delete;

    int iReadByte(uint8_t *pbByte) override {
        if (m_nNext == m_nHeld) {
            // One call takes what has arrived, or waits at most one second
            // for the next byte when nothing has (the time-outs set at open).
            DWORD lErrors = 0;
            COMSTAT oStatus{};
            DWORD lWanted = 1;
            if (ClearCommError(m_hPort, &lErrors, &oStatus) && oStatus.cbInQue > 1) {
                lWanted = oStatus.cbInQue < sizeof(m_abBlock)
                              ? oStatus.cbInQue
                              : static_cast<DWORD>(sizeof(m_abBlock));
            }
            DWORD lRead = 0;
            m_nNext = m_nHeld = 0;
            if (!ReadFile(m_hPort, m_abBlock, lWanted, &lRead, nullptr) || lRead == 0) {
                return 0;
            }
            m_nHeld = lRead <= lWanted ? lRead : lWanted;
        }
        *pbByte = m_abBlock[m_nNext++];
        return 1;
    }

    int iWrite(const uint8_t *pData, size_t nLength) override {
        size_t nDone = 0;
        while (nDone < nLength) {
            DWORD lWritten = 0;
            DWORD lChunk =
                static_cast<DWORD>(nLength - nDone > kQueueSize ? kQueueSize : nLength - nDone);
            if (!WriteFile(m_hPort, pData + nDone, lChunk, &lWritten, nullptr) || lWritten == 0) {
                return 0;
            }
            nDone += lWritten;
        }
        return 1;
    }

    int iDrain() override { return FlushFileBuffers(m_hPort) ? 1 : 0; }

    int iSetSpeed(uint32_t lBaud) override {
        DCB oDcb{};
        oDcb.DCBlength = sizeof(oDcb);
        if (!GetCommState(m_hPort, &oDcb)) {
            return 0;
        }
        oDcb.BaudRate = lBaud;
        return SetCommState(m_hPort, &oDcb) ? 1 : 0;
    }

  private:
    HANDLE m_hPort;
    uint8_t m_abBlock[kBlockSize] = {};
    size_t m_nHeld = 0;
    size_t m_nNext = 0;
};

void vSetReason(char *pszReason, size_t nSize, const char *pszWhat) {
    DWORD lError = GetLastError();
    char szSystem[200] = "";
    DWORD nLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, lError, 0, szSystem, sizeof(szSystem), nullptr);
    while (nLength > 0 && (szSystem[nLength - 1] == '\n' || szSystem[nLength - 1] == '\r' ||
                           szSystem[nLength - 1] == ' ' || szSystem[nLength - 1] == '.')) {
        szSystem[--nLength] = '\0';
    }
    if (nLength > 0) {
        std::snprintf(pszReason, nSize, "%s: %s", pszWhat, szSystem);
    } else {
        std::snprintf(pszReason, nSize, "%s: error %lu", pszWhat,
                      static_cast<unsigned long>(lError));
    }
}

} // namespace

int iOpenSerialBackend(const char *pszPath, std::unique_ptr<SerialPort> *ppPort, char *pszReason,
                       size_t nReasonSize) {
    // Not shared: a second program on the same line would steal bytes.
    HANDLE hPort = CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hPort == INVALID_HANDLE_VALUE) {
        vSetReason(pszReason, nReasonSize, "open failed");
        return 0;
    }
    auto iFail = [&](const char *pszWhat) {
        vSetReason(pszReason, nReasonSize, pszWhat);
        CloseHandle(hPort);
        return 0;
    };
    SetupComm(hPort, kQueueSize, kQueueSize);
    PurgeComm(hPort, kPurgeAll);

    DCB oDcb{};
    oDcb.DCBlength = sizeof(oDcb);
    if (!GetCommState(hPort, &oDcb)) {
        // A file or a device that is no serial port.
        return iFail("not a serial device");
    }
    oDcb.BaudRate = CBR_9600;
    oDcb.ByteSize = 8;
    oDcb.Parity = NOPARITY;
    oDcb.StopBits = ONESTOPBIT;
    oDcb.fBinary = TRUE;
    oDcb.fParity = TRUE;
    oDcb.fDtrControl = DTR_CONTROL_DISABLE;
    oDcb.fRtsControl = RTS_CONTROL_DISABLE;
    // Raw bytes: no flow control of either kind, nothing replaced or dropped.
    oDcb.fOutxCtsFlow = FALSE;
    oDcb.fOutxDsrFlow = FALSE;
    oDcb.fDsrSensitivity = FALSE;
    oDcb.fOutX = FALSE;
    oDcb.fInX = FALSE;
    oDcb.fErrorChar = FALSE;
    oDcb.fNull = FALSE;
    oDcb.fAbortOnError = FALSE;
    if (!SetCommState(hPort, &oDcb)) {
        return iFail("setting 9600 baud, 8N1 failed");
    }

    COMMTIMEOUTS oTimeouts{};
    if (!GetCommTimeouts(hPort, &oTimeouts)) {
        return iFail("reading the time-outs failed");
    }
    // A read ends after one second without a byte: one second of silence
    // ends every wait of the link. Reads ask only for what has arrived, so
    // they return at once when bytes are there.
    oTimeouts.ReadIntervalTimeout = kSilenceMs;
    oTimeouts.ReadTotalTimeoutMultiplier = 0;
    oTimeouts.ReadTotalTimeoutConstant = kSilenceMs;
    if (!SetCommTimeouts(hPort, &oTimeouts)) {
        return iFail("setting the time-outs failed");
    }
    PurgeComm(hPort, kPurgeAll);

    *ppPort = std::make_unique<Win32SerialPort>(hPort);
    return 1;
}

int iSerialDevicePath(const char *pszPortName, char *pszPath, size_t nPathSize) {
    bool fComName = (pszPortName[0] == 'C' || pszPortName[0] == 'c') &&
                    (pszPortName[1] == 'O' || pszPortName[1] == 'o') &&
                    (pszPortName[2] == 'M' || pszPortName[2] == 'm') &&
                    std::strpbrk(pszPortName, "/\\") == nullptr;
    if (!fComName) {
        int iWritten = std::snprintf(pszPath, nPathSize, "%s", pszPortName);
        return iWritten >= 0 && static_cast<size_t>(iWritten) < nPathSize;
    }
    char *pszEnd = nullptr;
    long lNumber = std::strtol(pszPortName + 3, &pszEnd, 10);
    if (pszEnd == pszPortName + 3 || *pszEnd != '\0' || lNumber < 1 || lNumber > 255) {
        return 0;
    }
    // The device namespace reaches COM10 and beyond, which a plain "COM10" does not.
    int iWritten = std::snprintf(pszPath, nPathSize, "\\\\.\\COM%ld", lNumber);
    return iWritten >= 0 && static_cast<size_t>(iWritten) < nPathSize;
}
