#include "device/usb_packets.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/debug.h"
#include "device/transport.h"

namespace {

// Allocated at the first read and kept for the run; every read leaves its packet here.
std::unique_ptr<uint8_t[]> pReceiveBuffer;
// After "data available" the unit's messages wait in the bulk pipe; they are
// delivered one per read until the bulk pipe reports empty.
bool fDrainingBulk = false;
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
    int iResult = pLink->pUsb->iReadBulk(pReceiveBuffer.get(), kUsbBulkReadSize, &nRead);
    if (nRead > kUsbBulkReadSize) {
        nRead = kUsbBulkReadSize;
        iResult = 0;
    }
    vCountBytesRead(nRead);
    *pnRead = nRead;
    if (iDebugComIo()) {
        std::printf("   %ld Byte Message read from USB bulk queue, fRc=%d:\n",
                    static_cast<long>(nRead), iResult);
        vHexDump(pReceiveBuffer.get(), nRead);
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
        vCountBytesRead(nRead);
        if (nRead > kUsbReceiveBufferSize - nGathered) {
            // A message longer than the buffer cannot be a packet of this protocol.
            iResult = 0;
            break;
        }
        std::memcpy(pReceiveBuffer.get() + nGathered, aChunk, nRead);
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
        vHexDump(pReceiveBuffer.get(), nGathered);
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

void vResetUsbReader() {
    fDrainingBulk = false;
}

int iWriteUsbPacket(DeviceLink *pLink, const uint8_t *pPacket) {
    if (pLink == nullptr || !pLink->pUsb) {
        return 0;
    }
    size_t nLength = kUsbHeaderSize + oReadUsbHeader(pPacket).lDataSize;
    size_t nWritten = 0;
    int iResult = pLink->pUsb->iWrite(pPacket, nLength, &nWritten);
    vCountBytesSent(nLength);
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
    if (!pReceiveBuffer) {
        pReceiveBuffer.reset(new (std::nothrow) uint8_t[kUsbReceiveBufferSize]);
        if (!pReceiveBuffer) {
            return 0;
        }
        std::memset(pReceiveBuffer.get(), 0, kUsbReceiveBufferSize);
    }
    *ppPacket = pReceiveBuffer.get();

    size_t nGathered = 0;
    if (fDrainingBulk) {
        int iResult = iReadBulkPacket(pLink, &nGathered);
        if (iResult && nGathered > 0) {
            return fConsistent(pReceiveBuffer.get(), nGathered) ? 1 : 0;
        }
        fDrainingBulk = false;
        if (!iResult) {
            return 0;
        }
    }
    int iResult = iReadInterruptPacket(pLink, &nGathered);
    if (!iResult || !fConsistent(pReceiveBuffer.get(), nGathered)) {
        return 0;
    }
    UsbPacketHeader oHeader = oReadUsbHeader(pReceiveBuffer.get());
    if (oHeader.bType == kUsbProtocolLayer && oHeader.sId == kUsbDataAvailable) {
        fDrainingBulk = true;
        iResult = iReadBulkPacket(pLink, &nGathered);
        if (!iResult || nGathered == 0) {
            fDrainingBulk = false;
            return 0;
        }
        return fConsistent(pReceiveBuffer.get(), nGathered) ? 1 : 0;
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
        // Application packets left over from an earlier session are skipped;
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
                vSetUsbLinkOpen(1);
                return 1;
            }
        }
    }
    return 0;
}
