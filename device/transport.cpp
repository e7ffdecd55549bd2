#include "device/transport.h"

#include <chrono>

namespace {

LinkStatistics oStatistics;
int fUsbLinkOpen = 0;

} // namespace

uint32_t lMonotonicMilliseconds() {
    auto oNow = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(oNow).count());
}

const LinkStatistics &oGetLinkStatistics() {
    return oStatistics;
}

void vCountBytesRead(size_t nBytes) {
    oStatistics.lBytesRead = static_cast<int32_t>(static_cast<uint32_t>(oStatistics.lBytesRead) +
                                                  static_cast<uint32_t>(nBytes));
}

void vCountBytesSent(size_t nBytes) {
    oStatistics.lBytesSent = static_cast<int32_t>(static_cast<uint32_t>(oStatistics.lBytesSent) +
                                                  static_cast<uint32_t>(nBytes));
}

void vNoteLinkOpened() {
    oStatistics.lTimeOpened = lMonotonicMilliseconds();
}

void vNoteLinkClosed() {
    oStatistics.lTimeClosed = lMonotonicMilliseconds();
}

void vResetLinkCounters() {
    oStatistics = LinkStatistics{};
    fUsbLinkOpen = 0;
}

int iIsUsbLink() {
    return fUsbLinkOpen;
}

void vSetUsbLinkOpen(int fOpen) {
    fUsbLinkOpen = fOpen;
}

int iReadComByte(DeviceLink *pLink, uint8_t *pbByte) {
    if (pLink == nullptr || !pLink->pSerial) {
        return 0;
    }
    int iResult = pLink->pSerial->iReadByte(pbByte);
    if (iResult) {
        vCountBytesRead(1);
    }
    return iResult;
}

int iWriteComBytes(DeviceLink *pLink, const uint8_t *pData, size_t nLength) {
    if (pLink == nullptr || !pLink->pSerial) {
        return 0;
    }
    vCountBytesSent(nLength);
    return pLink->pSerial->iWrite(pData, nLength);
}
