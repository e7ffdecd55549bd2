#include "tools/sim_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "device/link_layer.h"
#include "garmin/protocol_numbers.h"

namespace {

// Bytes that never contain a DLE, so they cannot be taken for a frame start.
const std::vector<uint8_t> aNoise = {0x55, 0x00, 0xAA, 0x03, 0xFF, 0x7E};

int64_t lNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SimLink::SimLink(int iFd, const SimFaults &oFaults, std::FILE *pLog)
    : m_iFd(iFd), m_oFaults(oFaults), m_pLog(pLog) {}

void SimLink::vLogLine(const char *pszFormat, unsigned long l1, unsigned long l2) {
    if (m_pLog != nullptr) {
        std::fprintf(m_pLog, pszFormat, l1, l2);
        std::fflush(m_pLog);
    }
}

// On Linux the master side of a pseudo-terminal shows the settings that the
// program on the device side made: the host's line speed. 0 when it is none
// of the speeds a unit speaks.
uint32_t SimLink::lHostSpeed() const {
    termios oTerm{};
    if (tcgetattr(m_iFd, &oTerm) != 0) {
        return 0;
    }
    switch (cfgetospeed(&oTerm)) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

void SimLink::vNoteHostSpeed() {
    const uint32_t lHost = lHostSpeed();
    m_fHostAtUnitSpeed = m_fHostAtUnitSpeed || lHost == 0 || lHost == m_lSpeed;
}

void SimLink::vBeginSpeedChange(uint32_t lBaud, int iDropPings, bool fMute) {
    m_lSpeed = lBaud;
    m_fHostAtUnitSpeed = false;
    m_fAwaitingPings = true;
    m_iPings = 0;
    m_iDropPings = iDropPings;
    m_lPingDeadline = lNowMs() + 2000;
    vLogLine("# speed %lu baud, waiting for pings\n", lBaud);
    if (fMute) {
        m_fSilent = true;
        vLogLine("# silent from here on\n", 0);
    }
}

void SimLink::vNotePing() {
    if (m_fAwaitingPings && ++m_iPings >= 2) {
        m_fAwaitingPings = false;
        vLogLine("# speed %lu baud confirmed\n", m_lSpeed);
    }
}

void SimLink::vCheckSpeedFallback() {
    if (m_fAwaitingPings && lNowMs() > m_lPingDeadline) {
        m_fAwaitingPings = false;
        vLogLine("# no pings at %lu baud: back to 9600 baud\n", m_lSpeed);
        m_lSpeed = 9600;
        m_fHostAtUnitSpeed = false;
    }
}

void SimLink::vLog(const char *pszDirection, const std::vector<uint8_t> &aBytes) {
    if (m_pLog == nullptr || aBytes.empty()) {
        return;
    }
    std::fputs(pszDirection, m_pLog);
    for (uint8_t b : aBytes) {
        std::fprintf(m_pLog, " %2.2X", b);
    }
    std::fputc('\n', m_pLog);
    std::fflush(m_pLog);
}

int SimLink::iSimReadByte(uint8_t *pb, int iTimeoutMs) {
    int64_t lDeadline = lNowMs() + iTimeoutMs;
    for (;;) {
        int iLeft = static_cast<int>(lDeadline - lNowMs());
        if (iLeft < 0) {
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
        ssize_t n = read(m_iFd, pb, 1);
        if (n == 1) {
            m_aRawIn.push_back(*pb);
            return 1;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        // The host side closed for a moment (between two program runs): wait on.
        usleep(10000);
    }
}

SimLink::FrameResult SimLink::eReadFrame(SimMessage *pMessage, int iTimeoutMs) {
    constexpr int kByteTimeoutMs = 1000;
    uint8_t b = 0;
    vNoteHostSpeed();
    // Hunt for the frame start; anything before it is line noise.
    m_aRawIn.clear();
    int64_t lDeadline = lNowMs() + iTimeoutMs;
    for (;;) {
        int iLeft = static_cast<int>(lDeadline - lNowMs());
        if (iLeft < 0 || !iSimReadByte(&b, iLeft)) {
            vLog("H~", m_aRawIn);
            return FrameResult::kTimeout;
        }
        if (b == kDle) {
            m_aRawIn.pop_back();
            vLog("H~", m_aRawIn);
            m_aRawIn.assign(1, kDle);
            break;
        }
    }
    // One unstuffed byte; -1 when the frame breaks off. A DLE that is neither
    // doubled nor the DLE ETX of the end begins the next frame: the rest of
    // the frame before it was lost on the line (a host that flushes its line
    // loses what has not left yet), and the byte after that DLE is the new
    // frame's id.
    int iNextId = -1;
    auto iStuffed = [&]() -> int {
        uint8_t c = 0;
        if (!iSimReadByte(&c, kByteTimeoutMs)) {
            return -1;
        }
        if (c != kDle) {
            return c;
        }
        if (!iSimReadByte(&c, kByteTimeoutMs) || c == kEtx) {
            return -1;
        }
        if (c != kDle) {
            iNextId = c;
            return -1;
        }
        return kDle;
    };
    int iId = -1;
    int iSize = -1;
    std::vector<uint8_t> aData;
    int iChecksum = -1;
    for (;;) {
        iId = iNextId >= 0 ? iNextId : iStuffed();
        iNextId = -1;
        iSize = iId < 0 ? -1 : iStuffed();
        aData.clear();
        for (int i = 0; iSize >= 0 && i < iSize; ++i) {
            const int c = iStuffed();
            if (c < 0) {
                break;
            }
            aData.push_back(static_cast<uint8_t>(c));
        }
        const bool fDataWhole = iSize >= 0 && aData.size() == static_cast<size_t>(iSize);
        iChecksum = fDataWhole ? iStuffed() : -1;
        uint8_t bDle = 0, bEtx = 0;
        if (iChecksum >= 0 && iSimReadByte(&bDle, kByteTimeoutMs) && bDle == kDle &&
            iSimReadByte(&bEtx, kByteTimeoutMs)) {
            if (bEtx == kEtx) {
                break;
            }
            if (bEtx != kDle) {
                iNextId = bEtx;
            }
        }
        if (iNextId < 0) {
            vLog("H~", m_aRawIn);
            // A DLE of line noise: hunt on. A frame cut short: nothing came.
            if (iSize < 0) {
                return eReadFrame(pMessage, static_cast<int>(lDeadline - lNowMs()));
            }
            return FrameResult::kTimeout;
        }
        // The broken frame goes to the log; its last two bytes begin the next.
        vLog("H~", std::vector<uint8_t>(m_aRawIn.begin(), m_aRawIn.end() - 2));
        m_aRawIn.erase(m_aRawIn.begin(), m_aRawIn.end() - 2);
    }
    vCheckSpeedFallback();
    vNoteHostSpeed();
    const bool fUnderstood = m_fHostAtUnitSpeed;
    m_fHostAtUnitSpeed = false;
    if (!fUnderstood) {
        const uint32_t lHost = lHostSpeed();
        vLog("H?", m_aRawIn);
        vLogLine("# host at %lu baud, unit at %lu baud: not understood\n", lHost, m_lSpeed);
        return FrameResult::kGarbled;
    }
    vLog("H>", m_aRawIn);
    pMessage->bId = static_cast<uint8_t>(iId);
    pMessage->aData = aData;
    std::vector<uint8_t> aMessage(aData.size() + 2);
    aMessage[0] = static_cast<uint8_t>(iId);
    aMessage[1] = static_cast<uint8_t>(iSize);
    std::copy(aData.begin(), aData.end(), aMessage.begin() + 2);
    if (bMessageChecksum(aMessage) != static_cast<uint8_t>(iChecksum)) {
        return FrameResult::kBadChecksum;
    }
    return FrameResult::kFrame;
}

void SimLink::vWriteRaw(const std::vector<uint8_t> &aBytes, const char *pszTag) {
    vLog(pszTag, aBytes);
    size_t nDone = 0;
    while (nDone < aBytes.size()) {
        ssize_t n = write(m_iFd, aBytes.data() + nDone, aBytes.size() - nDone);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                usleep(1000);
                continue;
            }
            return;
        }
        nDone += static_cast<size_t>(n);
    }
    vNoteHostSpeed();
}

void SimLink::vWriteFrame(uint8_t bId, const std::vector<uint8_t> &aData) {
    if (m_fSilent) {
        return;
    }
    int iFrame = ++m_iSimFrames;
    if (iFrame == m_oFaults.iNoiseBeforeSimFrame) {
        vWriteRaw(aNoise, "S~");
    }
    std::vector<uint8_t> aMessage = {bId, static_cast<uint8_t>(aData.size())};
    aMessage.insert(aMessage.end(), aData.begin(), aData.end());
    std::vector<uint8_t> aFrame;
    if (iFrame == m_oFaults.iCorruptChecksumOfSimFrame) {
        // Same frame with a checksum that is off by one (0x10 avoided, so the
        // stuffing stays right and only the sum is wrong).
        uint8_t bBad = static_cast<uint8_t>(bMessageChecksum(aMessage) + 1);
        if (bBad == kDle) {
            ++bBad;
        }
        aFrame.push_back(kDle);
        for (uint8_t b : aMessage) {
            aFrame.push_back(b);
            if (b == kDle) {
                aFrame.push_back(kDle);
            }
        }
        aFrame.insert(aFrame.end(), {bBad, kDle, kEtx});
    } else {
        aFrame = aBuildSerialFrame(aMessage);
    }
    vWriteRaw(aFrame, "S>");
    if (iFrame == m_oFaults.iSilenceAfterSimFrame) {
        m_fSilent = true;
        if (m_pLog != nullptr) {
            std::fputs("# silent from here on\n", m_pLog);
            std::fflush(m_pLog);
        }
    }
}

void SimLink::vAnswer(uint8_t bAckId, uint8_t bAnsweredId) {
    vWriteFrame(bAckId, {bAnsweredId, 0});
}

int SimLink::iAcceptHostFrame(const SimMessage &oMessage) {
    int iFrame = ++m_iHostFrames;
    if (m_fSilent) {
        return 0;
    }
    if (iFrame == m_oFaults.iDropAckOfHostFrame) {
        return 0; // as if the frame never arrived
    }
    const bool fPing = oMessage.bId == kPidCommandData && oMessage.aData.size() >= 2 &&
                       oMessage.aData[0] == kCommandSpeedPing && oMessage.aData[1] == 0;
    if (m_iDropPings > 0 && fPing) {
        --m_iDropPings;
        vLogLine("# ping lost\n", 0);
        return 0;
    }
    if (iFrame == m_oFaults.iNakHostFrame) {
        vAnswer(kPidNak, oMessage.bId);
        return 0;
    }
    if (iFrame == m_oFaults.iDataInsteadOfAck) {
        // A date and time record where the host awaits its ACK; the host's
        // acknowledgement of it is dropped like any stray ACK.
        vWriteFrame(kPidDateTime, {12, 31, 0xC5, 0x07, 23, 0, 59, 58});
        return 0;
    }
    // A ping counts before its ACK leaves: once the host has the ACK, the
    // log already says whether the speed holds.
    if (fPing) {
        vNotePing();
    }
    vAnswer(kPidAck, oMessage.bId);
    return 1;
}

int SimLink::iNextMessage(SimMessage *pMessage, int iTimeoutMs) {
    vCheckSpeedFallback();
    if (!m_aPending.empty()) {
        *pMessage = m_aPending.front();
        m_aPending.pop_front();
        return 1;
    }
    int64_t lDeadline = lNowMs() + iTimeoutMs;
    for (;;) {
        int iLeft = static_cast<int>(lDeadline - lNowMs());
        if (iLeft < 0) {
            return 0;
        }
        FrameResult e = eReadFrame(pMessage, iLeft);
        if (e == FrameResult::kTimeout) {
            return 0;
        }
        if (e == FrameResult::kGarbled) {
            continue;
        }
        if (e == FrameResult::kBadChecksum) {
            if (!m_fSilent) {
                vAnswer(kPidNak, pMessage->bId);
            }
            continue;
        }
        if (pMessage->bId == kPidAck || pMessage->bId == kPidNak) {
            continue; // nothing is awaited: a late or stray acknowledgement
        }
        if (iAcceptHostFrame(*pMessage)) {
            return 1;
        }
    }
}

int SimLink::iSend(uint8_t bId, const std::vector<uint8_t> &aData) {
    for (int iAttempt = 0; iAttempt < kSendAttempts; ++iAttempt) {
        vWriteFrame(bId, aData);
        if (m_fSilent) {
            return 0;
        }
        int64_t lDeadline = lNowMs() + iAckTimeoutMs;
        for (;;) {
            int iLeft = static_cast<int>(lDeadline - lNowMs());
            if (iLeft < 0) {
                break;
            }
            SimMessage oIn;
            FrameResult e = eReadFrame(&oIn, iLeft);
            if (e == FrameResult::kTimeout) {
                break;
            }
            if (e == FrameResult::kGarbled) {
                continue;
            }
            if (e == FrameResult::kBadChecksum) {
                vAnswer(kPidNak, oIn.bId);
                continue;
            }
            if (oIn.bId == kPidAck) {
                if (!oIn.aData.empty() && oIn.aData[0] == bId) {
                    return 1;
                }
                break; // an ACK for something else: send again
            }
            if (oIn.bId == kPidNak) {
                break;
            }
            if (iAcceptHostFrame(oIn)) {
                m_aPending.push_back(oIn);
            }
        }
    }
    return 0;
}
