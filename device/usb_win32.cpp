// The USB access layer on Windows: Garmin's USB driver. The driver publishes
// each unit as a device interface of its own class; the program opens the
// first one and moves packets with two I/O control codes (the interrupt pipe
// and the bulk OUT packet size), ReadFile (the bulk IN pipe) and WriteFile
// (bulk OUT).

#include <cstdio>
#include <cstring>
#include <vector>
#include <windows.h>
// setupapi.h after windows.h
#include <initguid.h>
#include <setupapi.h>

#include "base/report.h"
#include "device/transport.h"
#include "device/usb_backend.h"

namespace {

// {2C9C45C2-8E7D-4C08-A12D-816BBAE722C0}: the driver's device interface class.
DEFINE_GUID(kGarminInterfaceClass, 0x2c9c45c2, 0x8e7d, 0x4c08, 0xa1, 0x2d, 0x81, 0x6b, 0xba, 0xe7,
            0x22, 0xc0);

// CTL_CODE(FILE_DEVICE_UNKNOWN, 0x850 / 0x851, METHOD_BUFFERED, FILE_ANY_ACCESS)
constexpr DWORD kIoctlReadInterrupt = 0x222140;
constexpr DWORD kIoctlPacketSize = 0x222144;

class Win32UsbPipes final : public UsbPipes {
  public:
    Win32UsbPipes(HANDLE hDevice, uint32_t lPacketSize)
        : m_hDevice(hDevice), m_lPacketSize(lPacketSize) {}
    ~Win32UsbPipes() override { CloseHandle(m_hDevice); }
    Win32UsbPipes(const Win32UsbPipes &) = delete;
    Win32UsbPipes &operator=(const Win32UsbPipes &) = delete;

    int iReadInterrupt(uint8_t *p, size_t nMax, size_t *pnRead) override {
        DWORD lGot = 0;
        BOOL fOk = DeviceIoControl(m_hDevice, kIoctlReadInterrupt, nullptr, 0, p,
                                   static_cast<DWORD>(nMax), &lGot, nullptr);
        *pnRead = lGot;
        return fOk ? 1 : 0;
    }
    int iReadBulk(uint8_t *p, size_t nMax, size_t *pnRead) override {
        DWORD lGot = 0;
        BOOL fOk = ReadFile(m_hDevice, p, static_cast<DWORD>(nMax), &lGot, nullptr);
        *pnRead = lGot;
        return fOk ? 1 : 0;
    }
    int iWrite(const uint8_t *p, size_t n, size_t *pnWritten) override {
        DWORD lDone = 0;
        BOOL fOk = WriteFile(m_hDevice, p, static_cast<DWORD>(n), &lDone, nullptr);
        *pnWritten = lDone;
        return fOk ? 1 : 0;
    }
    uint32_t lPacketSize() override { return m_lPacketSize; }

  private:
    HANDLE m_hDevice;
    uint32_t m_lPacketSize;
};

// The device path of the first unit the driver has published; 0 when there is none.
int iFirstUnitPath(std::vector<char> *pacPath, DWORD *plError) {
    HDEVINFO hSet = SetupDiGetClassDevsA(&kGarminInterfaceClass, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hSet == INVALID_HANDLE_VALUE) {
        *plError = GetLastError();
        return 0;
    }
    SP_DEVICE_INTERFACE_DATA oInterface{};
    oInterface.cbSize = sizeof(oInterface);
    int iResult = 0;
    if (!SetupDiEnumDeviceInterfaces(hSet, nullptr, &kGarminInterfaceClass, 0, &oInterface)) {
        *plError = GetLastError();
    } else {
        // The first call asks for the size of the detail record, the second fills it.
        DWORD lSize = 0;
        SetupDiGetDeviceInterfaceDetailA(hSet, &oInterface, nullptr, 0, &lSize, nullptr);
        if (lSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            lSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        }
        std::vector<char> ac(lSize + 1, '\0');
        auto *pDetail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(ac.data());
        pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA oInfo{};
        oInfo.cbSize = sizeof(oInfo);
        if (SetupDiGetDeviceInterfaceDetailA(hSet, &oInterface, pDetail, lSize, nullptr, &oInfo)) {
            const char *pszPath = pDetail->DevicePath;
            pacPath->assign(pszPath, pszPath + std::strlen(pszPath) + 1);
            iResult = 1;
        } else {
            *plError = GetLastError();
        }
    }
    SetupDiDestroyDeviceInfoList(hSet);
    return iResult;
}

} // namespace

int iOpenUsbBackend(std::unique_ptr<UsbPipes> *ppPipes) {
    ppPipes->reset();
    std::vector<char> acPath;
    DWORD lError = ERROR_NO_MORE_ITEMS;
    if (!iFirstUnitPath(&acPath, &lError)) {
        if (lError == ERROR_NO_MORE_ITEMS) {
            vReportError("cannot open USB: no Garmin USB unit found (is Garmin's USB driver "
                         "installed?)");
        } else {
            vReportError("cannot open USB: the Garmin USB units cannot be listed (error %lu)",
                         static_cast<unsigned long>(lError));
        }
        return 0;
    }
    HANDLE hDevice = CreateFileA(acPath.data(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hDevice == INVALID_HANDLE_VALUE) {
        vReportError("cannot open USB: the unit cannot be opened (error %lu; is another "
                     "program using it?)",
                     static_cast<unsigned long>(GetLastError()));
        return 0;
    }
    DWORD lPacketSize = 0;
    DWORD lGot = 0;
    if (!DeviceIoControl(hDevice, kIoctlPacketSize, nullptr, 0, &lPacketSize, sizeof(lPacketSize),
                         &lGot, nullptr) ||
        lGot != sizeof(lPacketSize)) {
        // 0: the packet layer then uses the size of a full-speed bulk endpoint.
        lPacketSize = 0;
    }
    *ppPipes = std::make_unique<Win32UsbPipes>(hDevice, lPacketSize);
    return 1;
}
