#include "device/transport.h"

#include "app/report.h"

// Placeholder until the serial and USB transports land.
int iOpenComPort(const char *pszPortName, DeviceLink **ppLink) {
    *ppLink = nullptr;
    vReportError("cannot open '%s': the receiver link is not available in this build", pszPortName);
    return 0;
}

int iOpenUsbDevice(DeviceLink **ppLink) {
    *ppLink = nullptr;
    vReportError("cannot open USB: the receiver link is not available in this build");
    return 0;
}

int iCloseComPort(DeviceLink *) { return 1; }
int iCloseUsbDevice(DeviceLink *) { return 1; }
