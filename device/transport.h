#pragma once
// The one connection a run has to a receiver (a serial port or the USB
// interface), the state the link keeps and the byte functions the link layer
// uses.
//
// Under the link layer sit two small seams: a serial byte pipe and the USB pipes.
// Backends (serial_backend.h and usb_backend.h: one file per platform, and the
// scripted fakes of the tests) implement them; the link layer never sees which
// one it talks to. Opening and closing a link live in link_open.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/protocol_selection.h"

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

// Byte counters and clock readings of a link, printed when it closes.
struct LinkStatistics {
    int32_t lBytesRead = 0;
    int32_t lBytesSent = 0;
    uint32_t lTimeOpened = 0; // milliseconds of the monotonic clock
    uint32_t lTimeClosed = 0;
};

// The receive buffer of the link layer, and what the USB reader gathers one
// packet in (the 12-byte header, a bulk read of 4096 bytes, one spare).
constexpr size_t kReceiveBufferSize = 5000;
constexpr size_t kUsbReceiveBufferSize = 4109;
constexpr size_t kUsbSendPacketSize = 12 + 255;

// The one connection a run has to a receiver and everything the layers above
// the transport keep about it; it lives from the open to the close.
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
    int fUsbLinkOpen = 0; // 1 once the USB session has started: USB packets, not serial frames
    LinkStatistics oStatistics;
    // Which transfer protocols and record formats the receiver speaks.
    ProtocolSelection oProtocolSelection;
    // The unit's description from its product data ("" before identification).
    std::string sUnitDescription;
    // The last message read: byte 0 the DLE of a serial frame (not set for
    // USB), byte 1 the record id, byte 2 the data size, then the data.
    uint8_t abReceiveBuffer[kReceiveBufferSize] = {};
    // The USB packet being sent; its reserved header bytes stay zero. (The
    // serial frame lives on the sender's stack: reading the acknowledgement
    // sends ACKs of its own, which must not overwrite a frame that may have to
    // go again.)
    uint8_t abUsbSendPacket[kUsbSendPacketSize] = {};
    // Allocated at the first USB read; every USB read leaves its packet here.
    std::unique_ptr<uint8_t[]> pUsbReceiveBuffer;
    // After "data available" the unit's messages wait in the bulk pipe; they
    // are delivered one per read until the bulk pipe reports empty.
    bool fDrainingBulk = false;
};

// 1 while a USB link with a started session is open, 0 otherwise.
int iIsUsbLink(const DeviceLink *pLink);

// Reads exactly one byte from a serial link; 1 only if one byte arrived.
int iReadComByte(DeviceLink *pLink, uint8_t *pbByte);
// Writes a run to a serial link; the count is added to the bytes sent before
// the result is known. 1 only if all bytes were written.
int iWriteComBytes(DeviceLink *pLink, const uint8_t *pData, size_t nLength);

void vCountBytesRead(DeviceLink *pLink, size_t nBytes);
void vCountBytesSent(DeviceLink *pLink, size_t nBytes);
// Milliseconds of a clock that never goes backwards.
uint32_t lMonotonicMilliseconds();
