#include "device/link_open.h"

#include <cstdio>

#include "base/report.h"
#include "device/serial_backend.h"
#include "device/usb_backend.h"
#include "device/usb_packets.h"

namespace {

void vPrintStatistics() {
    vNoteLinkClosed();
    const LinkStatistics &oStatistics = oGetLinkStatistics();
    std::printf("Elapsed time: %ld ms, Bytes read: %ld, Bytes sent: %ld\n",
                static_cast<long>(oStatistics.lTimeClosed - oStatistics.lTimeOpened),
                static_cast<long>(oStatistics.lBytesRead),
                static_cast<long>(oStatistics.lBytesSent));
}

} // namespace

void vResetLinkState() {
    vResetLinkCounters();
    vResetUsbReader();
}

DeviceLink *pAttachSerialLink(std::unique_ptr<SerialPort> pPort) {
    auto *pLink = new DeviceLink;
    pLink->pSerial = std::move(pPort);
    vSetUsbLinkOpen(0);
    vNoteLinkOpened();
    return pLink;
}

DeviceLink *pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes) {
    auto *pLink = new DeviceLink;
    pLink->pUsb = std::move(pPipes);
    vSetUsbLinkOpen(0); // becomes USB once the session has started
    vResetUsbReader();
    vNoteLinkOpened();
    return pLink;
}

void vDestroyLink(DeviceLink *pLink) {
    vSetUsbLinkOpen(0);
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
    if (!iOpenSerialBackend(szPath, &pPort, szReason, sizeof(szReason))) {
        vReportError("cannot open '%s': %s", szPath, szReason);
        return 0;
    }
    *ppLink = pAttachSerialLink(std::move(pPort));
    (*ppLink)->sName = szPath;
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
    pLink->sName = "USB";
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
