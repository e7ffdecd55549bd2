#include "device/link_layer.h"

#include <cstdio>
#include <cstring>

#include "base/debug.h"
#include "base/interrupt.h"
#include "device/protocol_selection.h"
#include "device/serial_frame.h"
#include "device/transport.h"
#include "device/usb_packets.h"

static_assert(kMaxFrameBytes == kSerialFrameMaxKept && kMaxFrameBytes <= kReceiveBufferSize);
static_assert(kUsbSendPacketSize == kUsbHeaderSize + 255);

namespace {

int iSendSerial(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength, int iAttempts) {
    if (iDebugComIo()) {
        std::printf("   Sending %d Byte Message to GPS (plus Escape, etc.):\n",
                    static_cast<int>(nLength));
        vHexDump(pMessage, nLength);
    }
    std::vector<uint8_t> aFrame = aBuildSerialFrame({pMessage, nLength});
    if (iDebugProtocol()) {
        std::printf("   Calculated checksum: %2.2X\n", bMessageChecksum({pMessage, nLength}));
    }
    int iResult = 0;
    const int32_t lBytesReadBefore = pLink->oStatistics.lBytesRead;
    for (int iAttempt = 0; iAttempt < iAttempts; ++iAttempt) {
        if (!iWriteComBytes(pLink, aFrame.data(), aFrame.size())) {
            vMarkReceiverGone(pLink);
            return 0;
        }
        iResult = iWaitForAck(pLink, pMessage[0]);
        if (iDebugProtocol()) {
            std::printf("   Result from acknowledgement to sent message: %2.2X\n", iResult);
        }
        if (iResult) {
            break;
        }
    }
    if (!iResult && pLink->oStatistics.lBytesRead == lBytesReadBefore) {
        vMarkReceiverGone(pLink);
    }
    return iResult;
}

int iSendUsb(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength) {
    uint8_t *abUsbSendPacket = pLink->abUsbSendPacket;
    UsbPacketHeader oHeader;
    oHeader.bType = kUsbApplicationLayer;
    oHeader.sId = pMessage[0];
    // The size byte and the bytes given must agree; the smaller one is sent.
    oHeader.lDataSize = pMessage[1] < nLength - 2 ? pMessage[1] : nLength - 2;
    vWriteUsbHeader(abUsbSendPacket, oHeader);
    std::memcpy(abUsbSendPacket + kUsbHeaderSize, pMessage + 2, oHeader.lDataSize);
    if (iDebugComIo()) {
        std::printf("   Sending %ld Byte USB Message to GPS:\n",
                    static_cast<long>(kUsbHeaderSize + oHeader.lDataSize));
        vHexDump(abUsbSendPacket, kUsbHeaderSize + oHeader.lDataSize);
    }
    if (!iWriteUsbPacket(pLink, abUsbSendPacket)) {
        vMarkReceiverGone(pLink);
        return 0;
    }
    return 1;
}

int iReadSerialFrame(DeviceLink *pLink) {
    SerialFrameReader oReader;
    SerialFrameStep eStep = SerialFrameStep::kMore;
    while (eStep == SerialFrameStep::kMore) {
        uint8_t b = 0;
        if (!iReadComByte(pLink, &b)) {
            break; // a second of silence
        }
        if (iDebugComIo()) {
            std::printf("   Byte read from COM port: %2.2X\n", b);
        }
        eStep = eSerialFrameStep(oReader, b);
    }
    // A wrong checksum still closes a frame whose record id can be answered.
    const bool fFramed =
        eStep == SerialFrameStep::kComplete ||
        (eStep == SerialFrameStep::kSpoiled && oReader.eFault == SerialFrameFault::kBadChecksum);
    const size_t nKept = oReader.nKept;
    uint8_t *abReceiveBuffer = pLink->abReceiveBuffer;
    std::memcpy(abReceiveBuffer, oReader.aKept, nKept);
    if (iDebugComIo()) {
        if (fFramed) {
            std::printf("   End of message reached while reading from COM port.\n");
        }
        std::printf("   %ld Byte Message read from GPS:\n", static_cast<long>(nKept));
        vHexDump(abReceiveBuffer, nKept);
    }
    if (!fFramed) {
        if (eStep == SerialFrameStep::kSpoiled && iDebugProtocol()) {
            std::printf("   Spoiled message read: %s\n", pszSerialFrameFault(oReader.eFault));
        }
        return 0;
    }
    if (iDebugProtocol()) {
        std::printf("   Starting checksum check on incoming message.\n");
    }
    if (eStep == SerialFrameStep::kComplete) {
        vSendAck(pLink, kPidAck, abReceiveBuffer[1]);
        if (iDebugProtocol()) {
            std::printf("   Checksum on incoming message OK.\n");
        }
        return 1;
    }
    uint8_t bSize = abReceiveBuffer[2];
    uint8_t bComputed = bMessageChecksum({abReceiveBuffer + 1, static_cast<size_t>(bSize) + 2});
    uint8_t bReceived = abReceiveBuffer[nKept - 3];
    vSendAck(pLink, kPidNak, abReceiveBuffer[1]);
    if (iDebugProtocol()) {
        std::printf("   Checksum on incoming message WRONG: calc - %2.2X  comm - %2.2X\n",
                    bComputed, bReceived);
    }
    return 0;
}

int iReadUsbMessage(DeviceLink *pLink) {
    uint8_t *pPacket = nullptr;
    int iResult = iReadUsbPacket(pLink, &pPacket);
    if (!iResult || pPacket == nullptr) {
        return 0;
    }
    UsbPacketHeader oHeader = oReadUsbHeader(pPacket);
    if (iDebugComIo()) {
        std::printf("   %ld Byte Message read from USB GPS:\n",
                    static_cast<long>(kUsbHeaderSize + oHeader.lDataSize));
        vHexDump(pPacket, kUsbHeaderSize + oHeader.lDataSize);
    }
    if (oHeader.bType != kUsbApplicationLayer || oHeader.sId > 255 || oHeader.lDataSize > 255) {
        if (iDebugProtocol()) {
            std::printf("   USB record found beyond old protocol limits\n");
        }
        return 0;
    }
    pLink->abReceiveBuffer[1] = static_cast<uint8_t>(oHeader.sId);
    pLink->abReceiveBuffer[2] = static_cast<uint8_t>(oHeader.lDataSize);
    std::memcpy(pLink->abReceiveBuffer + 3, pPacket + kUsbHeaderSize, oHeader.lDataSize);
    return 1;
}

int iReadOne(DeviceLink *pLink) {
    return iIsUsbLink(pLink) ? iReadUsbMessage(pLink) : iReadSerialFrame(pLink);
}

} // namespace

uint8_t bMessageChecksum(std::span<const uint8_t> aMessage) {
    uint8_t bChecksum = 0;
    for (uint8_t b : aMessage) {
        bChecksum = static_cast<uint8_t>(bChecksum - b);
    }
    return bChecksum;
}

std::vector<uint8_t> aBuildSerialFrame(std::span<const uint8_t> aMessage) {
    std::vector<uint8_t> aFrame;
    aFrame.reserve(2 * aMessage.size() + 6);
    aFrame.push_back(kDle);
    for (uint8_t b : aMessage) {
        aFrame.push_back(b);
        if (b == kDle) {
            aFrame.push_back(kDle);
        }
    }
    uint8_t bChecksum = bMessageChecksum(aMessage);
    aFrame.push_back(bChecksum);
    if (bChecksum == kDle) {
        aFrame.push_back(kDle);
    }
    aFrame.push_back(kDle);
    aFrame.push_back(kEtx);
    return aFrame;
}

int iReceiverGone(const DeviceLink *pLink) {
    return pLink != nullptr && pLink->fReceiverGone ? 1 : 0;
}

void vMarkReceiverGone(DeviceLink *pLink) {
    // What failed because the user interrupted the run says nothing of the unit.
    if (pLink != nullptr && !iLinkInterrupted(pLink)) {
        pLink->fReceiverGone = true;
    }
}

void vClearReceiverGone(DeviceLink *pLink) {
    if (pLink != nullptr) {
        pLink->fReceiverGone = false;
    }
}

int iLinkInterrupted(const DeviceLink *pLink) {
    return pLink != nullptr && !pLink->fWindingDown && iInterruptRequested() ? 1 : 0;
}

void vLetWindDownMessagesThrough(DeviceLink *pLink) {
    if (pLink != nullptr) {
        pLink->fWindingDown = true;
    }
}

int iSendMessageAttempts(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength,
                         int iAttempts) {
    if (pLink == nullptr || pMessage == nullptr || nLength < 2 || nLength > 255) {
        return 0;
    }
    // An acknowledgement still answers what was read before the interrupt.
    if (pMessage[0] != kPidAck && pMessage[0] != kPidNak && iLinkInterrupted(pLink)) {
        return 0;
    }
    return iIsUsbLink(pLink) ? iSendUsb(pLink, pMessage, nLength)
                             : iSendSerial(pLink, pMessage, nLength, iAttempts);
}

int iSendMessage(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength) {
    return iSendMessageAttempts(pLink, pMessage, nLength, kSendAttempts);
}

int iSendRecord(DeviceLink *pLink, uint8_t bRecordId, std::span<const uint8_t> aData) {
    if (aData.size() > 253) {
        return 0;
    }
    uint8_t aMessage[255];
    aMessage[0] = bRecordId;
    aMessage[1] = static_cast<uint8_t>(aData.size());
    if (!aData.empty()) {
        std::memcpy(aMessage + 2, aData.data(), aData.size());
    }
    return iSendMessage(pLink, aMessage, aData.size() + 2);
}

void vSendAck(DeviceLink *pLink, uint8_t bAckId, uint8_t bAnsweredId) {
    if (bAnsweredId == kPidAck || bAnsweredId == kPidNak) {
        return;
    }
    const uint8_t aMessage[4] = {bAckId, 2, bAnsweredId, 0};
    iSendMessage(pLink, aMessage, sizeof(aMessage));
}

int iWaitForAck(DeviceLink *pLink, uint8_t bSentId) {
    if (bSentId == kPidAck || bSentId == kPidNak) {
        return 1;
    }
    if (!iReadMessage(pLink, kPidAck)) {
        return 0;
    }
    return bReceivedSize(pLink) >= 1 && pLink->abReceiveBuffer[3] == bSentId ? 1 : 0;
}

int iReadMessage(DeviceLink *pLink, uint8_t bExpectedId) {
    if (pLink == nullptr || iLinkInterrupted(pLink)) {
        return 0;
    }
    int iResult = iReadOne(pLink);
    while (iResult && (bReceivedId(pLink) == kPidProtocolArray ||
                       bReceivedId(pLink) == kPidExtendedProductData)) {
        if (bReceivedId(pLink) == kPidProtocolArray) {
            vParseProtocolArray(aReceivedData(pLink), pLink->oProtocolSelection);
        }
        iResult = iReadOne(pLink);
    }
    if (iResult && bExpectedId != 0 && bReceivedId(pLink) != bExpectedId) {
        if (iDebugProtocol()) {
            std::printf("   Unexpected record type read. Expected - %2.2X  Read - %2.2X\n",
                        bExpectedId, bReceivedId(pLink));
        }
        return 0;
    }
    return iResult;
}
