#include "device/link_open.h"

#include <cstdio>

#include "base/report.h"
#include "device/serial_backend.h"
#include "device/usb_backend.h"
#include "device/usb_packets.h"

std::unique_ptr<DeviceLink> pAttachSerialLink(std::unique_ptr<SerialPort> pPort) {
    auto pLink = std::make_unique<DeviceLink>();
    pLink->pSerial = std::move(pPort);
    pLink->oStatistics.lTimeOpened = lMonotonicMilliseconds();
    return pLink;
}

std::unique_ptr<DeviceLink> pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes) {
    auto pLink = std::make_unique<DeviceLink>();
    pLink->pUsb = std::move(pPipes); // the link becomes USB once the session has started
    pLink->oStatistics.lTimeOpened = lMonotonicMilliseconds();
    return pLink;
}

int iOpenComPort(const char *pszPortName, std::unique_ptr<DeviceLink> &pLink) {
    pLink.reset();
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
    pLink = pAttachSerialLink(std::move(pPort));
    pLink->sName = szPath;
    return 1;
}

int iOpenUsbDevice(std::unique_ptr<DeviceLink> &pLink) {
    pLink.reset();
    std::unique_ptr<UsbPipes> pPipes;
    if (!iOpenUsbBackend(&pPipes)) {
        return 0; // the backend has said why
    }
    std::unique_ptr<DeviceLink> pOpened = pAttachUsbLink(std::move(pPipes));
    if (!iStartUsbSession(pOpened.get())) {
        // A unit that never starts a session cannot carry any message; keeping
        // the link would only make every later step wait and fail.
        vReportError("cannot open USB: the unit did not answer the session start");
        return 0;
    }
    pOpened->sName = "USB";
    pLink = std::move(pOpened);
    return 1;
}

int iCloseLink(std::unique_ptr<DeviceLink> &pLink) {
    if (!pLink) {
        return 1;
    }
    // The port is closed (its buffers purged) before the clock is read.
    pLink->pSerial.reset();
    pLink->pUsb.reset();
    LinkStatistics &oStatistics = pLink->oStatistics;
    oStatistics.lTimeClosed = lMonotonicMilliseconds();
    std::printf("Elapsed time: %ld ms, Bytes read: %ld, Bytes sent: %ld\n",
                static_cast<long>(oStatistics.lTimeClosed - oStatistics.lTimeOpened),
                static_cast<long>(oStatistics.lBytesRead),
                static_cast<long>(oStatistics.lBytesSent));
    pLink.reset();
    return 1;
}
