#include "device/serial_backend.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "device/transport.h"

namespace {

constexpr int kReadTimeoutMs = 1000;

class PosixSerialPort final : public SerialPort {
  public:
    explicit PosixSerialPort(int iFd) : m_iFd(iFd) {}
    ~PosixSerialPort() override {
        // The last ACK of a run must reach the unit before the buffers are
        // purged, or the unit sends its last record again into the next run.
        // Once drained only the input is left to purge; purging output as
        // well would, on a pseudo-terminal, discard what the other side has
        // not read yet.
        tcdrain(m_iFd);
        tcflush(m_iFd, TCIFLUSH);
        close(m_iFd);
    }
    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    int iReadByte(uint8_t *pbByte) override {
        // Bytes that came with an earlier read are handed out first: they
        // arrived before this request, so the one-second rule holds for them.
        if (m_nNext < m_nFilled) {
            *pbByte = m_aBuffer[m_nNext++];
            return 1;
        }
        // poll() bounds the wait by the clock, not by the line settings, so a
        // pseudo-terminal or an adapter that ignores VTIME still times out.
        // One read then takes whatever the line holds.
        uint32_t lStart = lMonotonicMilliseconds();
        for (;;) {
            int iLeft = kReadTimeoutMs - static_cast<int>(lMonotonicMilliseconds() - lStart);
            if (iLeft <= 0) {
                return 0;
            }
            pollfd oPoll{m_iFd, POLLIN, 0};
            int iReady = poll(&oPoll, 1, iLeft);
            if (iReady < 0 && errno == EINTR) {
                continue;
            }
            if (iReady <= 0) {
                return 0;
            }
            ssize_t nRead = read(m_iFd, m_aBuffer, sizeof(m_aBuffer));
            if (nRead > 0) {
                m_nFilled = static_cast<size_t>(nRead);
                m_nNext = 1;
                *pbByte = m_aBuffer[0];
                return 1;
            }
            if (nRead < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            return 0; // end of file or error: the other side has gone
        }
    }

    int iWrite(const uint8_t *pData, size_t nLength) override {
        size_t nDone = 0;
        while (nDone < nLength) {
            ssize_t nWritten = write(m_iFd, pData + nDone, nLength - nDone);
            if (nWritten < 0) {
                if (errno == EINTR) {
                    continue;
                }
                if (errno == EAGAIN) {
                    pollfd oPoll{m_iFd, POLLOUT, 0};
                    if (poll(&oPoll, 1, kReadTimeoutMs) <= 0) {
                        return 0;
                    }
                    continue;
                }
                return 0;
            }
            nDone += static_cast<size_t>(nWritten);
        }
        return 1;
    }

    int iDrain() override { return tcdrain(m_iFd) == 0 ? 1 : 0; }

    int iSetSpeed(uint32_t lBaud) override {
        speed_t lSpeed = 0;
        if (!fSpeedConstant(lBaud, &lSpeed)) {
            return 0;
        }
        termios oTerm{};
        if (tcgetattr(m_iFd, &oTerm) != 0) {
            return 0;
        }
        cfsetispeed(&oTerm, lSpeed);
        cfsetospeed(&oTerm, lSpeed);
        return tcsetattr(m_iFd, TCSANOW, &oTerm) == 0 ? 1 : 0;
    }

  private:
    static bool fSpeedConstant(uint32_t lBaud, speed_t *plSpeed) {
        static constexpr struct {
            uint32_t lBaud;
            speed_t lSpeed;
        } aSpeeds[] = {
            {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
        for (const auto &o : aSpeeds) {
            if (o.lBaud == lBaud) {
                *plSpeed = o.lSpeed;
                return true;
            }
        }
        return false;
    }

    int m_iFd;
    // Bytes read from the line and not yet handed out: m_aBuffer[m_nNext..m_nFilled).
    uint8_t m_aBuffer[4096];
    size_t m_nNext = 0;
    size_t m_nFilled = 0;
};

void vSetReason(char *pszReason, size_t nSize, const char *pszWhat) {
    std::snprintf(pszReason, nSize, "%s: %s", pszWhat, std::strerror(errno));
}

} // namespace

int iOpenSerialBackend(const char *pszPath, std::unique_ptr<SerialPort> *ppPort, char *pszReason,
                       size_t nReasonSize) {
    // O_NONBLOCK keeps the open from waiting for carrier; reads are bounded by poll().
    int iFd = open(pszPath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (iFd < 0) {
        vSetReason(pszReason, nReasonSize, "open failed");
        return 0;
    }
    if (!isatty(iFd)) {
        std::snprintf(pszReason, nReasonSize, "not a serial device");
        close(iFd);
        return 0;
    }
    // Not shared: a second program on the same line would steal bytes.
    if (ioctl(iFd, TIOCEXCL) != 0) {
        // Some pseudo-terminals refuse it; the line still works.
    }
    // Only input is purged: a fresh port has sent nothing yet, and on a
    // pseudo-terminal purging output would discard what the other side has
    // not read yet (the last ACK of the run before).
    tcflush(iFd, TCIFLUSH);

    termios oTerm{};
    if (tcgetattr(iFd, &oTerm) != 0) {
        vSetReason(pszReason, nReasonSize, "reading the line settings failed");
        close(iFd);
        return 0;
    }
    // Raw bytes: no echo, no signal from 0x03, no CR/LF translation, no flow control.
    cfmakeraw(&oTerm);
    oTerm.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    oTerm.c_cflag |= CS8 | CREAD | CLOCAL;
    oTerm.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    oTerm.c_cc[VMIN] = 0;
    oTerm.c_cc[VTIME] = 10; // one second
    cfsetispeed(&oTerm, B9600);
    cfsetospeed(&oTerm, B9600);
    if (tcsetattr(iFd, TCSANOW, &oTerm) != 0) {
        vSetReason(pszReason, nReasonSize, "setting 9600 baud, 8N1, raw mode failed");
        close(iFd);
        return 0;
    }
    // DTR and RTS off. Pseudo-terminals have no modem lines; that is no failure.
    int iLines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(iFd, TIOCMBIC, &iLines);
    tcflush(iFd, TCIFLUSH);

    *ppPort = std::make_unique<PosixSerialPort>(iFd);
    return 1;
}

int iSerialDevicePath(const char *pszPortName, char *pszPath, size_t nPathSize) {
    bool fComName = (pszPortName[0] == 'C' || pszPortName[0] == 'c') &&
                    (pszPortName[1] == 'O' || pszPortName[1] == 'o') &&
                    (pszPortName[2] == 'M' || pszPortName[2] == 'm') &&
                    std::strchr(pszPortName, '/') == nullptr;
    if (!fComName) {
        int iWritten = std::snprintf(pszPath, nPathSize, "%s", pszPortName);
        return iWritten >= 0 && static_cast<size_t>(iWritten) < nPathSize;
    }
    char *pszEnd = nullptr;
    long lNumber = std::strtol(pszPortName + 3, &pszEnd, 10);
    if (pszEnd == pszPortName + 3 || *pszEnd != '\0' || lNumber < 1 || lNumber > 256) {
        return 0;
    }
    int iWritten = std::snprintf(pszPath, nPathSize, "/dev/ttyS%ld", lNumber - 1);
    return iWritten >= 0 && static_cast<size_t>(iWritten) < nPathSize;
}
