#pragma once
// Garmin messages over the link: framing, stuffing, checksum and ACK/NAK with
// resending on a serial line; application packets on USB. Every read lands in
// the link's one receive buffer, which the next read or send overwrites.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/transport.h"
#include "garmin/protocol_numbers.h"

// The bytes that open (DLE) and close (DLE ETX) a serial frame.
constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;

// DLE, id, size, 255 data bytes, checksum, DLE, ETX: the most a serial frame keeps.
constexpr size_t kMaxFrameBytes = 261;
constexpr int kSendAttempts = 3;

// The last message read (the link's abReceiveBuffer): its record id, its
// data size and its data (unstuffed).
inline uint8_t bReceivedId(const DeviceLink *pLink) {
    return pLink->abReceiveBuffer[1];
}
inline uint8_t bReceivedSize(const DeviceLink *pLink) {
    return pLink->abReceiveBuffer[2];
}
inline std::span<const uint8_t> aReceivedData(const DeviceLink *pLink) {
    return {pLink->abReceiveBuffer + 3, pLink->abReceiveBuffer[2]};
}

// Sends one message: byte 0 record id, byte 1 data size, then the data;
// nLength (2..255) counts all of them. 1 when it was delivered (acknowledged on serial).
int iSendMessage(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength);
// The same with a chosen number of attempts (1: no resend).
int iSendMessageAttempts(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength, int iAttempts);
// Builds the message from an id and its data (at most 253 bytes) and sends it.
int iSendRecord(DeviceLink *pLink, uint8_t bRecordId, std::span<const uint8_t> aData);
// Reads the next message into the link's receive buffer and acknowledges it (serial).
// Capability arrays and extended product data are consumed on the way. An
// expected id of 0 accepts any record id.
int iReadMessage(DeviceLink *pLink, uint8_t bExpectedId);
// Sends an ACK (0x06) or NAK (0x15) for a message with the given record id;
// nothing when that message was itself an ACK or NAK.
void vSendAck(DeviceLink *pLink, uint8_t bAckId, uint8_t bAnsweredId);
// Waits for the acknowledgement of a message with the given record id.
int iWaitForAck(DeviceLink *pLink, uint8_t bSentId);

// A receiver is taken as gone when a message sent to it gets no answer at all
// through all its attempts (no ACK, no NAK, not one byte), or when the port
// refuses a write. A receiver that answers, even with a NAK or a record other
// than the one asked for, is not gone. Once gone, it stays so for the link.
int iReceiverGone(const DeviceLink *pLink);
void vMarkReceiverGone(DeviceLink *pLink);
// Takes back the mark, for a message whose answer is optional.
void vClearReceiverGone(DeviceLink *pLink);

// Once the user interrupted the run (base/interrupt.h), sends and reads fail
// at once, which ends the transfer under way; ACKs and NAKs still go out.
// After vLetWindDownMessagesThrough the link works again, for the messages
// that leave the unit as it was found.
int iLinkInterrupted(const DeviceLink *pLink);
void vLetWindDownMessagesThrough(DeviceLink *pLink);

// The checksum that makes id, size, data and checksum add up to 0 modulo 256.
uint8_t bMessageChecksum(std::span<const uint8_t> aMessage);
// The serial frame of a message (id, size, data): DLE, stuffed bytes, stuffed
// checksum, DLE, ETX.
std::vector<uint8_t> aBuildSerialFrame(std::span<const uint8_t> aMessage);
