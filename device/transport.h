#pragma once
// The one connection a run has to a receiver: a serial port or the USB interface.
//
// Under the link layer sit two small seams: a serial byte pipe and the USB pipes.
// Backends (termios, libusb, and the scripted fakes of the tests) implement them;
// the link layer never sees which one it talks to. A Win32 backend fits the same
// two interfaces (ReadFile of one byte with the one-second time-outs; the
// driver's interrupt control code, ReadFile on the bulk pipe, WriteFile).

#include <cstddef>
#include <cstdint>
#include <memory>

// A serial line opened at 9600 baud, 8N1, raw, with a one-second read time-out.
// Destroying it purges both buffers and closes the line.
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Waits about one second for one byte; 1 when a byte arrived, 0 on time-out or error.
    virtual int iReadByte(uint8_t *pbByte) = 0;
    // Writes the whole run; 1 only when every byte was written.
    virtual int iWrite(const uint8_t *pData, size_t nLength) = 0;
};

// The three pipes of a USB unit. Each read returns 1 on success and reports the
// byte count in *pnRead (also on failure, when some bytes came before it).
class UsbPipes {
  public:
    virtual ~UsbPipes() = default;
    // One chunk of at most nMax bytes from the interrupt IN pipe.
    virtual int iReadInterrupt(uint8_t *pBuffer, size_t nMax, size_t *pnRead) = 0;
    // One transfer of at most nMax bytes from the bulk IN pipe; 0 bytes is a success.
    virtual int iReadBulk(uint8_t *pBuffer, size_t nMax, size_t *pnRead) = 0;
    // One transfer to the bulk OUT pipe; nLength 0 sends the zero-length end marker.
    virtual int iWrite(const uint8_t *pData, size_t nLength, size_t *pnWritten) = 0;
    // Maximum packet size of the bulk OUT endpoint (0 when unknown).
    virtual uint32_t lPacketSize() = 0;
};

struct DeviceLink {
    std::unique_ptr<SerialPort> pSerial; // set for a serial link
    std::unique_ptr<UsbPipes> pUsb;      // set for a USB link
};

// Byte counters and clock readings of the link; process-wide, never reset by
// the program itself, so a second link in one run adds to them.
struct LinkStatistics {
    int32_t lBytesRead = 0;
    int32_t lBytesSent = 0;
    uint32_t lTimeOpened = 0; // milliseconds of the monotonic clock
    uint32_t lTimeClosed = 0;
};

// Opens a serial link. The name is either "COM<n>" (opens /dev/ttyS<n-1> on
// Linux) or the path of a serial device such as /dev/ttyUSB0 or a pseudo-terminal.
// On failure *ppLink is set to nullptr, one line goes to standard error and 0 is returned.
int iOpenComPort(const char *pszPortName, DeviceLink **ppLink);
// Opens the first Garmin USB unit and starts a session.
int iOpenUsbDevice(DeviceLink **ppLink);
// Close the link and print the statistics line; always 1.
int iCloseComPort(DeviceLink *pLink);
int iCloseUsbDevice(DeviceLink *pLink);

// The device path a serial port name stands for ("COM3" -> "/dev/ttyS2"); 0 for
// "COM0" or a COM name without a number, which name no device.
int iSerialDevicePath(const char *pszPortName, char *pszPath, size_t nPathSize);

// Wraps an opened backend into a link and takes the time of opening. Used by
// the open functions and by tests that drive the link layer over fakes.
DeviceLink *pAttachSerialLink(std::unique_ptr<SerialPort> pPort);
DeviceLink *pAttachUsbLink(std::unique_ptr<UsbPipes> pPipes);
// Ends a link without printing anything (tests); iClose* is the program's way.
void vDestroyLink(DeviceLink *pLink);

// 1 while a USB link with a started session is open, 0 otherwise.
int iIsUsbLink();
void vSetUsbLinkOpen(int fOpen);

// Reads exactly one byte from a serial link; 1 only if one byte arrived.
int iReadComByte(DeviceLink *pLink, uint8_t *pbByte);
// Writes a run to a serial link; the count is added to the bytes sent before
// the result is known. 1 only if all bytes were written.
int iWriteComBytes(DeviceLink *pLink, const uint8_t *pData, size_t nLength);

const LinkStatistics &oGetLinkStatistics();
void vCountBytesRead(size_t nBytes);
void vCountBytesSent(size_t nBytes);
// Clears counters, clock readings and the link kind; for tests.
void vResetLinkState();
// Milliseconds of a clock that never goes backwards.
uint32_t lMonotonicMilliseconds();
