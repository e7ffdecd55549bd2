#pragma once
// The one connection a run has to a receiver: a serial port or the USB interface.

struct DeviceLink;

// Opens a serial link. The name is either "COM<n>" (opens /dev/ttyS<n-1> on
// Linux) or the path of a serial device such as /dev/ttyUSB0 or a pseudo-terminal.
// On failure *ppLink is set to nullptr and 0 is returned.
int iOpenComPort(const char *pszPortName, DeviceLink **ppLink);
// Opens the first Garmin USB unit and starts a session.
int iOpenUsbDevice(DeviceLink **ppLink);
// Close the link and print the statistics line; always 1.
int iCloseComPort(DeviceLink *pLink);
int iCloseUsbDevice(DeviceLink *pLink);
