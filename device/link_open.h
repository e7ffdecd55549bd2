#pragma once
// Opening, closing and attaching the link of a run: picks the serial or USB
// backend of the platform, wraps it into a DeviceLink and prints the closing
// statistics line.

#include <memory>

#include "device/transport.h"

// Opens a serial link. The name is either "COM<n>" (the platform's n-th port)
// or the path of a serial device such as /dev/ttyUSB0 or a pseudo-terminal.
// On failure *ppLink is set to nullptr, one line goes to standard error and 0 is returned.
int iOpenComPort(const char *pszPortName, DeviceLink **ppLink);
// Opens the first Garmin USB unit and starts a session.
int iOpenUsbDevice(DeviceLink **ppLink);
// Close the link and print the statistics line; always 1.
int iCloseComPort(DeviceLink *pLink);
int iCloseUsbDevice(DeviceLink *pLink);

// Wraps an opened backend into a link and takes the time of opening. Used by
// the open functions and by tests that drive the link layer over fakes.
DeviceLink *pAttachSerialLink(std::unique_ptr<SerialPort> pPort);
DeviceLink *pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes);
// Ends a link without printing anything (tests); iClose* is the program's way.
void vDestroyLink(DeviceLink *pLink);

// Clears counters, clock readings, the link kind and the USB reader; for tests.
void vResetLinkState();
