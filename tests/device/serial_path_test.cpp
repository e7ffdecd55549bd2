#include <gtest/gtest.h>

#include <string>

#include "device/serial_backend.h"

namespace {

std::string sPath(const char *pszName) {
    char sz[64] = "";
    return iSerialDevicePath(pszName, sz, sizeof(sz)) ? sz : "(none)";
}

// COM<n> names the platform's n-th port; anything else is the device itself.
TEST(SerialDevicePath, ComNamesAndDevicePaths) {
#if defined(_WIN32)
    // The device namespace, which alone reaches COM10 and beyond.
    EXPECT_EQ(sPath("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(sPath("com12"), "\\\\.\\COM12");
    EXPECT_EQ(sPath("COM255"), "\\\\.\\COM255");
    EXPECT_EQ(sPath("COM256"), "(none)");
    EXPECT_EQ(sPath("\\\\.\\COM7"), "\\\\.\\COM7");
#else
    EXPECT_EQ(sPath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(sPath("com12"), "/dev/ttyS11");
    EXPECT_EQ(sPath("COM256"), "/dev/ttyS255");
#endif
    EXPECT_EQ(sPath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    for (const char *psz : {"COM0", "COM", "COM1x", "COM-3"}) {
        EXPECT_EQ(sPath(psz), "(none)") << psz;
    }
    char szSmall[8];
    EXPECT_EQ(iSerialDevicePath("/dev/a-long-device-name", szSmall, sizeof(szSmall)), 0);
}

} // namespace
