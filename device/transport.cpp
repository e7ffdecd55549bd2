#include "device/transport.h"

#include <chrono>

uint32_t lMonotonicMilliseconds() {
    auto oNow = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(oNow).count());
}

namespace {

int32_t lAdd(int32_t lCount, size_t nBytes) {
    return static_cast<int32_t>(static_cast<uint32_t>(lCount) + static_cast<uint32_t>(nBytes));
}

} // namespace

void vCountBytesRead(DeviceLink *pLink, size_t nBytes) {
    pLink->oStatistics.lBytesRead = lAdd(pLink->oStatistics.lBytesRead, nBytes);
}

void vCountBytesSent(DeviceLink *pLink, size_t nBytes) {
    pLink->oStatistics.lBytesSent = lAdd(pLink->oStatistics.lBytesSent, nBytes);
}

int iIsUsbLink(const DeviceLink *pLink) {
    return pLink != nullptr ? pLink->fUsbLinkOpen : 0;
}

int iReadComByte(DeviceLink *pLink, uint8_t *pbByte) {
    if (pLink == nullptr || !pLink->pSerial) {
        return 0;
    }
    int iResult = pLink->pSerial->iReadByte(pbByte);
    if (iResult) {
        vCountBytesRead(pLink, 1);
    }
    return iResult;
}

int iWriteComBytes(DeviceLink *pLink, const uint8_t *pData, size_t nLength) {
    if (pLink == nullptr || !pLink->pSerial) {
        return 0;
    }
    vCountBytesSent(pLink, nLength);
    return pLink->pSerial->iWrite(pData, nLength);
}
