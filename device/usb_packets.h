#pragma once
// USB packets over the UsbPipes seam: the 12-byte header and its data, the
// interrupt/bulk reading rules, the zero-length terminator and the session start.

#include <cstddef>
#include <cstdint>

#include "device/transport.h"
#include "garmin/protocol_numbers.h"

constexpr size_t kUsbHeaderSize = 12;
constexpr size_t kUsbInterruptChunk = 64;
constexpr size_t kUsbBulkReadSize = 4096;
constexpr uint32_t kUsbDefaultPacketSize = 64;

struct UsbPacketHeader {
    uint8_t bType = 0;
    uint16_t sId = 0;
    uint32_t lDataSize = 0;
};

// Reads the header fields of a packet that holds at least kUsbHeaderSize bytes.
UsbPacketHeader oReadUsbHeader(const uint8_t *pPacket);
// Writes a header (reserved bytes zero) into the first kUsbHeaderSize bytes.
void vWriteUsbHeader(uint8_t *pPacket, const UsbPacketHeader &oHeader);

// Writes one packet of 12 + data size bytes to bulk OUT, followed by a
// zero-length write when that length is a whole multiple of the packet size.
int iWriteUsbPacket(DeviceLink *pLink, const uint8_t *pPacket);
// Reads one packet into the link's USB receive buffer and hands back a pointer to it.
// The packet is complete and consistent (header present, data size within what
// arrived) when 1 is returned.
int iReadUsbPacket(DeviceLink *pLink, uint8_t **ppPacket);
// Sends the start-session packet and waits for "session started"; sends it up
// to three times in all. 1 when the session runs (the link kind is then USB).
int iStartUsbSession(DeviceLink *pLink);
