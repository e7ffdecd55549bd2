#pragma once
// Opening, closing and attaching the link of a run: picks the serial or USB
// backend of the platform, wraps it into a DeviceLink and prints the closing
// statistics line.

#include <memory>

#include "device/transport.h"

// Opens a serial link. The name is either "COM<n>" (the platform's n-th port)
// or the path of a serial device such as /dev/ttyUSB0 or a pseudo-terminal.
// On failure pLink stays empty, one line goes to standard error and 0 is returned.
int iOpenComPort(const char *pszPortName, std::unique_ptr<DeviceLink> &pLink);
// Opens the first Garmin USB unit and starts a session.
int iOpenUsbDevice(std::unique_ptr<DeviceLink> &pLink);
// Closes the link, serial or USB, and prints the statistics line; always 1.
int iCloseLink(std::unique_ptr<DeviceLink> &pLink);

// Wraps an opened backend into a link and takes the time of opening. Used by
// the open functions and by tests that drive the link layer over fakes.
std::unique_ptr<DeviceLink> pAttachSerialLink(std::unique_ptr<SerialPort> pPort);
std::unique_ptr<DeviceLink> pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes);
