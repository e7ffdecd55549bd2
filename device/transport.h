#pragma once
// The one connection a run has to a receiver (a serial port or the USB
// interface), its byte counters and the byte functions the link layer uses.
//
// Under the link layer sit two small seams: a serial byte pipe and the USB pipes.
// Backends (serial_backend.h and usb_backend.h: one file per platform, and the
// scripted fakes of the tests) implement them; the link layer never sees which
// one it talks to. Opening and closing a link live in link_open.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A serial line opened at 9600 baud, 8N1, raw, with a one-second read time-out.
// Destroying it purges both buffers and closes the line.
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Waits about one second for one byte; 1 when a byte arrived, 0 on time-out or error.
    virtual int iReadByte(uint8_t *pbByte) = 0;
    // Writes the whole run; 1 only when every byte was written.
    virtual int iWrite(const uint8_t *pData, size_t nLength) = 0;
    // Waits until every byte written has left the port; nothing is discarded.
    virtual int iDrain() { return 1; }
    // Changes the line speed (bits per second) and nothing else: the line stays
    // raw, 8N1, with its time-outs. 1 on success; 0 for a speed the port cannot
    // take, leaving the speed as it was.
    virtual int iSetSpeed(uint32_t lBaud) {
        (void)lBaud;
        return 0;
    }
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
    std::string sName;                   // the device path, or "USB", for messages
    // Set once the receiver gave no answer at all to a message sent to it
    // (see link_layer.h); every later exchange would wait for nothing.
    bool fReceiverGone = false;
    // The speed both ends of a serial link use, bits per second.
    uint32_t lLineSpeed = 9600;
    // Set once the run was interrupted and the messages that wind the link
    // down (stop position data, back to 9600 baud) may go out all the same.
    bool fWindingDown = false;
};

// Byte counters and clock readings of the link; process-wide, never reset by
// the program itself, so a second link in one run adds to them.
struct LinkStatistics {
    int32_t lBytesRead = 0;
    int32_t lBytesSent = 0;
    uint32_t lTimeOpened = 0; // milliseconds of the monotonic clock
    uint32_t lTimeClosed = 0;
};

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
// Takes the clock reading of the moment the link opened or closed.
void vNoteLinkOpened();
void vNoteLinkClosed();
// Clears counters, clock readings and the link kind.
void vResetLinkCounters();
// Milliseconds of a clock that never goes backwards.
uint32_t lMonotonicMilliseconds();
