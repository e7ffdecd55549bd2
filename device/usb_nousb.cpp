#include "base/report.h"
#include "device/transport.h"
#include "device/usb_backend.h"

int iOpenUsbBackend(std::unique_ptr<UsbPipes> *ppPipes) {
    ppPipes->reset();
    vReportError("cannot open USB: USB support is not built in (libusb-1.0 was not found when "
                 "this program was built)");
    return 0;
}
