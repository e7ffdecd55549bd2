#pragma once
// The serial port of the platform: one backend file per platform, chosen by
// the build (serial_posix.cpp on Linux and macOS). A backend turns the port
// name a user gave into the device it opens and opens that device.

#include <cstddef>
#include <memory>

class SerialPort;

// The device a serial port name stands for: "COM<n>" names the platform's n-th
// port (on Linux /dev/ttyS<n-1>), anything else is taken as the device itself.
// 0 when the name names no device ("COM0", "COM" without a number) or the
// path does not fit.
int iSerialDevicePath(const char *pszPortName, char *pszPath, size_t nPathSize);

// Opens and configures the device: raw mode, 9600 baud, 8N1, DTR and RTS off,
// one-second read time-out, both buffers purged. On failure the reason is
// written to pszReason and 0 is returned.
int iOpenSerialBackend(const char *pszPath, std::unique_ptr<SerialPort> *ppPort, char *pszReason,
                       size_t nReasonSize);
