#include "device/usb_packets.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/debug.h"
#include "device/transport.h"

namespace {

constexpr int kSessionAttempts = 3;
constexpr uint32_t kUsbUnitIdSize = 4; // the data of Pid_Session_Started

bool fConsistent(const uint8_t *pPacket, size_t nGathered) {
    if (nGathered < kUsbHeaderSize) {
        return false;
    }
    UsbPacketHeader oHeader = oReadUsbHeader(pPacket);
    return oHeader.lDataSize <= nGathered - kUsbHeaderSize;
}

// One bulk transfer into the buffer; *pnRead gets its size.
int iReadBulkPacket(DeviceLink *pLink, size_t *pnRead) {
    size_t nRead = 0;
    int iResult = pLink->pUsb->iReadBulk(pLink->pUsbReceiveBuffer.get(), kUsbBulkReadSize, &nRead);
    if (nRead > kUsbBulkReadSize) {
        nRead = kUsbBulkReadSize;
        iResult = 0;
    }
    vCountBytesRead(pLink, nRead);
    *pnRead = nRead;
    if (iDebugComIo()) {
        std::printf("   %ld Byte Message read from USB bulk queue, fRc=%d:\n",
                    static_cast<long>(nRead), iResult);
        vHexDump(pLink->pUsbReceiveBuffer.get(), nRead);
    }
    return iResult;
}

// Gathers one interrupt-pipe message in 64-byte chunks; a shorter chunk ends it.
int iReadInterruptPacket(DeviceLink *pLink, size_t *pnGathered) {
    size_t nGathered = 0;
    int iResult = 1;
    for (;;) {
        uint8_t aChunk[kUsbInterruptChunk];
        size_t nRead = 0;
        int iCall = pLink->pUsb->iReadInterrupt(aChunk, sizeof(aChunk), &nRead);
        if (nRead > sizeof(aChunk)) {
            nRead = sizeof(aChunk);
            iCall = 0;
        }
        vCountBytesRead(pLink, nRead);
        if (nRead > kUsbReceiveBufferSize - nGathered) {
            // A message longer than the buffer cannot be a packet of this protocol.
            iResult = 0;
            break;
        }
        std::memcpy(pLink->pUsbReceiveBuffer.get() + nGathered, aChunk, nRead);
        nGathered += nRead;
        if (!iCall) {
            // A failing call without bytes after whole chunks ends the message;
            // with nothing gathered at all there is no packet to hand back.
            iResult = (nRead == 0 && nGathered > 0) ? 1 : 0;
            break;
        }
        if (nRead != kUsbInterruptChunk) {
            break;
        }
    }
    *pnGathered = nGathered;
    if (iDebugComIo()) {
        std::printf("   %ld Byte Message read from USB, fRc=%d:\n", static_cast<long>(nGathered),
                    iResult);
        vHexDump(pLink->pUsbReceiveBuffer.get(), nGathered);
    }
    return iResult;
}

} // namespace

UsbPacketHeader oReadUsbHeader(const uint8_t *p) {
    UsbPacketHeader o;
    o.bType = p[0];
    o.sId = static_cast<uint16_t>(p[4] | (p[5] << 8));
    o.lDataSize = static_cast<uint32_t>(p[8]) | (static_cast<uint32_t>(p[9]) << 8) |
                  (static_cast<uint32_t>(p[10]) << 16) | (static_cast<uint32_t>(p[11]) << 24);
    return o;
}

void vWriteUsbHeader(uint8_t *p, const UsbPacketHeader &o) {
    std::memset(p, 0, kUsbHeaderSize);
    p[0] = o.bType;
    p[4] = static_cast<uint8_t>(o.sId);
    p[5] = static_cast<uint8_t>(o.sId >> 8);
    for (int i = 0; i < 4; ++i) {
        p[8 + i] = static_cast<uint8_t>(o.lDataSize >> (8 * i));
    }
}

int iWriteUsbPacket(DeviceLink *pLink, const uint8_t *pPacket) {
    if (pLink == nullptr || !pLink->pUsb) {
        return 0;
    }
    size_t nLength = kUsbHeaderSize + oReadUsbHeader(pPacket).lDataSize;
    size_t nWritten = 0;
    int iResult = pLink->pUsb->iWrite(pPacket, nLength, &nWritten);
    vCountBytesSent(pLink, nLength);
    if (iDebugComIo()) {
        std::printf("   %ld Byte Message sent to USB, Bytes written=%ld, fRc=%d:\n",
                    static_cast<long>(nLength), static_cast<long>(nWritten), iResult);
        vHexDump(pPacket, nLength);
    }
    uint32_t lPacketSize = pLink->pUsb->lPacketSize();
    if (lPacketSize == 0) {
        lPacketSize = kUsbDefaultPacketSize;
    }
    if (nLength % lPacketSize == 0) {
        size_t nIgnored = 0;
        (void)pLink->pUsb->iWrite(pPacket, 0, &nIgnored);
    }
    return iResult && nWritten == nLength;
}

int iReadUsbPacket(DeviceLink *pLink, uint8_t **ppPacket) {
    *ppPacket = nullptr;
    if (pLink == nullptr || !pLink->pUsb) {
        return 0;
    }
    if (!pLink->pUsbReceiveBuffer) {
        pLink->pUsbReceiveBuffer.reset(new (std::nothrow) uint8_t[kUsbReceiveBufferSize]);
        if (!pLink->pUsbReceiveBuffer) {
            return 0;
        }
        std::memset(pLink->pUsbReceiveBuffer.get(), 0, kUsbReceiveBufferSize);
    }
    *ppPacket = pLink->pUsbReceiveBuffer.get();

    size_t nGathered = 0;
    if (pLink->fDrainingBulk) {
        int iResult = iReadBulkPacket(pLink, &nGathered);
        if (iResult && nGathered > 0) {
            return fConsistent(pLink->pUsbReceiveBuffer.get(), nGathered) ? 1 : 0;
        }
        pLink->fDrainingBulk = false;
        if (!iResult) {
            return 0;
        }
    }
    int iResult = iReadInterruptPacket(pLink, &nGathered);
    if (!iResult || !fConsistent(pLink->pUsbReceiveBuffer.get(), nGathered)) {
        return 0;
    }
    UsbPacketHeader oHeader = oReadUsbHeader(pLink->pUsbReceiveBuffer.get());
    if (oHeader.bType == kUsbProtocolLayer && oHeader.sId == kUsbDataAvailable) {
        pLink->fDrainingBulk = true;
        iResult = iReadBulkPacket(pLink, &nGathered);
        if (!iResult || nGathered == 0) {
            pLink->fDrainingBulk = false;
            return 0;
        }
        return fConsistent(pLink->pUsbReceiveBuffer.get(), nGathered) ? 1 : 0;
    }
    return 1;
}

int iStartUsbSession(DeviceLink *pLink) {
    uint8_t aStart[kUsbHeaderSize];
    UsbPacketHeader oStart;
    oStart.bType = kUsbProtocolLayer;
    oStart.sId = kUsbStartSession;
    vWriteUsbHeader(aStart, oStart);
    // Some unit firmware ignores the first start-session packet after power-up.
    for (int iAttempt = 0; iAttempt < kSessionAttempts; ++iAttempt) {
        if (!iWriteUsbPacket(pLink, aStart)) {
            continue;
        }
        // Packets left over from an earlier session are skipped;
        // the unit's silence (a failed read) ends the wait.
        for (int iPacket = 0; iPacket < 64; ++iPacket) {
            uint8_t *pPacket = nullptr;
            if (!iReadUsbPacket(pLink, &pPacket)) {
                break;
            }
            // Only a protocol-layer Pid_Session_Started that carries the unit's
            // 32-bit ID answers the start: GPSBabel's syncup waits for id 6 with
            // four data bytes, and the Linux garmin_gps driver for exactly that
            // 12-byte header (type 0, id 6, size 4) and the ID. Any other packet,
            // a protocol-layer one included, is left over and skipped.
            UsbPacketHeader oHeader = oReadUsbHeader(pPacket);
            if (oHeader.bType == kUsbProtocolLayer && oHeader.sId == kUsbSessionStarted &&
                oHeader.lDataSize == kUsbUnitIdSize) {
                pLink->fUsbLinkOpen = 1;
                return 1;
            }
        }
    }
    return 0;
}
