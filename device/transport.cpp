#include "device/transport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/report.h"
#include "device/serial_port_posix.h"
#include "device/usb_backend.h"
#include "device/usb_packets.h"

namespace {

LinkStatistics oStatistics;
int fUsbLinkOpen = 0;

void vPrintStatistics() {
    oStatistics.lTimeClosed = lMonotonicMilliseconds();
    std::printf("Elapsed time: %ld ms, Bytes read: %ld, Bytes sent: %ld\n",
                static_cast<long>(oStatistics.lTimeClosed - oStatistics.lTimeOpened),
                static_cast<long>(oStatistics.lBytesRead),
                static_cast<long>(oStatistics.lBytesSent));
}

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

void vResetLinkState() {
    oStatistics = LinkStatistics{};
    fUsbLinkOpen = 0;
    vResetUsbReader();
}

int iIsUsbLink() {
    return fUsbLinkOpen;
}

void vSetUsbLinkOpen(int fOpen) {
    fUsbLinkOpen = fOpen;
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

DeviceLink *pAttachSerialLink(std::unique_ptr<SerialPort> pPort) {
    auto *pLink = new DeviceLink;
    pLink->pSerial = std::move(pPort);
    fUsbLinkOpen = 0;
    oStatistics.lTimeOpened = lMonotonicMilliseconds();
    return pLink;
}

DeviceLink *pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes) {
    auto *pLink = new DeviceLink;
    pLink->pUsb = std::move(pPipes);
    fUsbLinkOpen = 0; // becomes USB once the session has started
    vResetUsbReader();
    oStatistics.lTimeOpened = lMonotonicMilliseconds();
    return pLink;
}

void vDestroyLink(DeviceLink *pLink) {
    fUsbLinkOpen = 0;
    vResetUsbReader();
    delete pLink;
}

int iOpenComPort(const char *pszPortName, DeviceLink **ppLink) {
    *ppLink = nullptr;
    char szPath[512];
    if (!iSerialDevicePath(pszPortName, szPath, sizeof(szPath))) {
        vReportError("cannot open '%s': not a serial port name (COM1, COM2, ... or a device path)",
                     pszPortName);
        return 0;
    }
    std::unique_ptr<SerialPort> pPort;
    char szReason[256] = "";
    if (!iOpenPosixSerialPort(szPath, &pPort, szReason, sizeof(szReason))) {
        vReportError("cannot open '%s': %s", szPath, szReason);
        return 0;
    }
    *ppLink = pAttachSerialLink(std::move(pPort));
    return 1;
}

int iOpenUsbDevice(DeviceLink **ppLink) {
    *ppLink = nullptr;
    std::unique_ptr<UsbPipes> pPipes;
    if (!iOpenUsbBackend(&pPipes)) {
        return 0; // the backend has said why
    }
    DeviceLink *pLink = pAttachUsbLink(std::move(pPipes));
    if (!iStartUsbSession(pLink)) {
        // A unit that never starts a session cannot carry any message; keeping
        // the link would only make every later step wait and fail.
        vReportError("cannot open USB: the unit did not answer the session start");
        vDestroyLink(pLink);
        return 0;
    }
    *ppLink = pLink;
    return 1;
}

int iCloseComPort(DeviceLink *pLink) {
    vDestroyLink(pLink);
    vPrintStatistics();
    return 1;
}

int iCloseUsbDevice(DeviceLink *pLink) {
    vDestroyLink(pLink);
    vPrintStatistics();
    return 1;
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
