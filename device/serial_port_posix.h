#pragma once
// Serial lines on Linux and macOS through termios.

#include <cstddef>
#include <memory>

class SerialPort;

// Opens and configures the device: raw mode, 9600 baud, 8N1, DTR and RTS off,
// one-second read time-out, both buffers purged. On failure the reason is
// written to pszReason and 0 is returned.
int iOpenPosixSerialPort(const char *pszPath, std::unique_ptr<SerialPort> *ppPort, char *pszReason,
                         size_t nReasonSize);
