// The USB access layer on Linux: libusb-1.0 in place of the Windows driver. It
// does what that driver does for the program: find the unit, claim it, and
// move bytes on its interrupt IN, bulk IN and bulk OUT pipes.

#include <cstdio>
#include <libusb.h>

#include "base/report.h"
#include "device/transport.h"
#include "device/usb_backend.h"

namespace {

constexpr uint16_t kGarminVendor = 0x091e;
constexpr uint16_t kGarminUsbProduct = 0x0003;
// Units answer within milliseconds; a longer silence means the unit has
// nothing to say, and no read may hang the program.
constexpr unsigned kReadTimeoutMs = 3000;
constexpr unsigned kWriteTimeoutMs = 3000;

struct Endpoints {
    uint8_t bInterruptIn = 0;
    uint8_t bBulkIn = 0;
    uint8_t bBulkOut = 0;
    uint16_t sBulkOutPacketSize = 0;
};

class LibusbPipes final : public UsbPipes {
  public:
    LibusbPipes(libusb_context *pContext, libusb_device_handle *pHandle, const Endpoints &o,
                bool fReattachKernelDriver)
        : m_pContext(pContext), m_pHandle(pHandle), m_oEndpoints(o),
          m_fReattachKernelDriver(fReattachKernelDriver) {}
    ~LibusbPipes() override {
        libusb_release_interface(m_pHandle, 0);
        if (m_fReattachKernelDriver) {
            // Give the unit back to garmin_gps, as it was before the run.
            libusb_attach_kernel_driver(m_pHandle, 0);
        }
        libusb_close(m_pHandle);
        libusb_exit(m_pContext);
    }
    LibusbPipes(const LibusbPipes &) = delete;
    LibusbPipes &operator=(const LibusbPipes &) = delete;

    int iReadInterrupt(uint8_t *p, size_t nMax, size_t *pnRead) override {
        int iGot = 0;
        int iRc = libusb_interrupt_transfer(m_pHandle, m_oEndpoints.bInterruptIn, p,
                                            static_cast<int>(nMax), &iGot, kReadTimeoutMs);
        *pnRead = iGot > 0 ? static_cast<size_t>(iGot) : 0;
        return iRc == 0;
    }
    int iReadBulk(uint8_t *p, size_t nMax, size_t *pnRead) override {
        int iGot = 0;
        int iRc = libusb_bulk_transfer(m_pHandle, m_oEndpoints.bBulkIn, p, static_cast<int>(nMax),
                                       &iGot, kReadTimeoutMs);
        *pnRead = iGot > 0 ? static_cast<size_t>(iGot) : 0;
        // A time-out with nothing read is the empty bulk pipe.
        return iRc == 0 || (iRc == LIBUSB_ERROR_TIMEOUT && iGot == 0);
    }
    int iWrite(const uint8_t *p, size_t n, size_t *pnWritten) override {
        int iDone = 0;
        int iRc = libusb_bulk_transfer(m_pHandle, m_oEndpoints.bBulkOut, const_cast<uint8_t *>(p),
                                       static_cast<int>(n), &iDone, kWriteTimeoutMs);
        *pnWritten = iDone > 0 ? static_cast<size_t>(iDone) : 0;
        return iRc == 0;
    }
    uint32_t lPacketSize() override { return m_oEndpoints.sBulkOutPacketSize; }

  private:
    libusb_context *m_pContext;
    libusb_device_handle *m_pHandle;
    Endpoints m_oEndpoints;
    bool m_fReattachKernelDriver;
};

bool fIsGarminUnit(libusb_device *pDevice) {
    libusb_device_descriptor oDesc{};
    if (libusb_get_device_descriptor(pDevice, &oDesc) != 0 || oDesc.idVendor != kGarminVendor) {
        return false;
    }
    if (oDesc.idProduct == kGarminUsbProduct || oDesc.bDeviceClass == LIBUSB_CLASS_VENDOR_SPEC) {
        return true;
    }
    // Units that declare their class per interface carry it on interface 0.
    libusb_config_descriptor *pConfig = nullptr;
    if (libusb_get_config_descriptor(pDevice, 0, &pConfig) != 0) {
        return false;
    }
    bool fVendorClass =
        pConfig->bNumInterfaces >= 1 && pConfig->interface[0].num_altsetting >= 1 &&
        pConfig->interface[0].altsetting[0].bInterfaceClass == LIBUSB_CLASS_VENDOR_SPEC;
    libusb_free_config_descriptor(pConfig);
    return fVendorClass;
}

int iFindEndpoints(libusb_device *pDevice, Endpoints *pEndpoints) {
    libusb_config_descriptor *pConfig = nullptr;
    if (libusb_get_active_config_descriptor(pDevice, &pConfig) != 0 &&
        libusb_get_config_descriptor(pDevice, 0, &pConfig) != 0) {
        return 0;
    }
    if (pConfig->bNumInterfaces >= 1 && pConfig->interface[0].num_altsetting >= 1) {
        const libusb_interface_descriptor &oIf = pConfig->interface[0].altsetting[0];
        for (int i = 0; i < oIf.bNumEndpoints; ++i) {
            const libusb_endpoint_descriptor &oEp = oIf.endpoint[i];
            int iType = oEp.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
            bool fIn = (oEp.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
            if (iType == LIBUSB_TRANSFER_TYPE_INTERRUPT && fIn && pEndpoints->bInterruptIn == 0) {
                pEndpoints->bInterruptIn = oEp.bEndpointAddress;
            } else if (iType == LIBUSB_TRANSFER_TYPE_BULK && fIn && pEndpoints->bBulkIn == 0) {
                pEndpoints->bBulkIn = oEp.bEndpointAddress;
            } else if (iType == LIBUSB_TRANSFER_TYPE_BULK && !fIn && pEndpoints->bBulkOut == 0) {
                pEndpoints->bBulkOut = oEp.bEndpointAddress;
                pEndpoints->sBulkOutPacketSize = oEp.wMaxPacketSize;
            }
        }
    }
    libusb_free_config_descriptor(pConfig);
    return 1;
}

} // namespace

int iOpenUsbBackend(std::unique_ptr<UsbPipes> *ppPipes) {
    ppPipes->reset();
    libusb_context *pContext = nullptr;
    if (libusb_init(&pContext) != 0) {
        vReportError("cannot open USB: libusb could not be initialised");
        return 0;
    }
    libusb_device **apDevices = nullptr;
    ssize_t nDevices = libusb_get_device_list(pContext, &apDevices);
    libusb_device *pUnit = nullptr;
    for (ssize_t i = 0; i < nDevices; ++i) {
        if (fIsGarminUnit(apDevices[i])) {
            pUnit = libusb_ref_device(apDevices[i]);
            break;
        }
    }
    if (nDevices >= 0) {
        libusb_free_device_list(apDevices, 1);
    }
    if (pUnit == nullptr) {
        vReportError("cannot open USB: no Garmin USB unit found (vendor 091e)");
        libusb_exit(pContext);
        return 0;
    }

    auto vFail = [&](libusb_device_handle *pHandle, const char *pszWhy) {
        vReportError("cannot open USB: %s", pszWhy);
        if (pHandle != nullptr) {
            libusb_close(pHandle);
        }
        libusb_unref_device(pUnit);
        libusb_exit(pContext);
        return 0;
    };

    Endpoints oEndpoints;
    if (!iFindEndpoints(pUnit, &oEndpoints)) {
        return vFail(nullptr, "the unit's configuration descriptor cannot be read");
    }
    if (oEndpoints.bInterruptIn == 0 || oEndpoints.bBulkIn == 0 || oEndpoints.bBulkOut == 0) {
        return vFail(nullptr, oEndpoints.bInterruptIn == 0 ? "the unit has no interrupt IN endpoint"
                              : oEndpoints.bBulkIn == 0    ? "the unit has no bulk IN endpoint"
                                                           : "the unit has no bulk OUT endpoint");
    }

    libusb_device_handle *pHandle = nullptr;
    int iRc = libusb_open(pUnit, &pHandle);
    if (iRc == LIBUSB_ERROR_ACCESS) {
        return vFail(nullptr, "permission denied; install the udev rule "
                              "51-quillox-garmin-usb.rules or run with access to the device");
    }
    if (iRc != 0) {
        char szWhy[160];
        std::snprintf(szWhy, sizeof(szWhy), "the unit cannot be opened (%s)",
                      libusb_error_name(iRc));
        return vFail(nullptr, szWhy);
    }
    bool fDetached = false;
    if (libusb_kernel_driver_active(pHandle, 0) == 1) {
        if (libusb_detach_kernel_driver(pHandle, 0) != 0) {
            return vFail(pHandle, "the kernel driver garmin_gps holds the unit; unload it with "
                                  "'sudo modprobe -r garmin_gps' (or use its serial device "
                                  "/dev/ttyUSB<n> with /c)");
        }
        fDetached = true;
    }
    iRc = libusb_claim_interface(pHandle, 0);
    if (iRc != 0) {
        char szWhy[160];
        std::snprintf(szWhy, sizeof(szWhy), "interface 0 cannot be claimed (%s)",
                      libusb_error_name(iRc));
        if (fDetached) {
            libusb_attach_kernel_driver(pHandle, 0);
        }
        return vFail(pHandle, szWhy);
    }
    libusb_unref_device(pUnit);
    *ppPipes = std::make_unique<LibusbPipes>(pContext, pHandle, oEndpoints, fDetached);
    return 1;
}
