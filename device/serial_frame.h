#pragma once
// Reading a Garmin serial frame, one byte at a time. A frame is DLE, record id,
// data size, data, checksum, DLE, ETX; every 0x10 from the id to the checksum
// travels doubled. Error policy: a read ends at one second of silence (the
// caller's time-out: the frame is lost, nothing is answered), at the closing
// DLE ETX (the frame is complete, or spoiled) or at the byte limit (261 kept
// bytes, one frame's worth; only noise gets there). Noise spoils the frame it
// touches: any byte before the opening DLE, a 0x10 inside the frame that is
// not doubled, a DLE ETX before the data size is reached, anything but DLE ETX
// after the checksum, and a checksum that does not add up. A spoiled frame is
// read on to its DLE ETX, so the next read starts at a frame boundary. Only a
// wrong checksum is answered, with a NAK; other spoiled frames get no answer,
// and a unit sends a frame again when its ACK does not come. The step below is
// pure: the caller reads the line, prints the traces and sends the answer.

#include <cstddef>
#include <cstdint>

// Kept bytes (every byte but the second of a doubled 0x10) a read takes at
// most: DLE, id, size, 255 data bytes, checksum, DLE, ETX.
constexpr size_t kSerialFrameMaxKept = 261;

enum class SerialFrameState : uint8_t {
    kWaitDle,    // nothing yet: the opening DLE must come
    kId,         // the record id comes next
    kSize,       // the data size comes next
    kData,       // data bytes come next
    kChecksum,   // the checksum comes next
    kDlePending, // a 0x10 of id, size, data or checksum came: its double must follow
    kEndDle,     // the closing DLE comes next
    kEndEtx,     // the closing DLE came: ETX must follow
    kSkip,       // the frame is spoiled: bytes are passed over up to DLE ETX
    kSkipDle,    // spoiled, and a 0x10 came: ETX ends, a second 0x10 pairs with it
};

enum class SerialFrameStep : uint8_t {
    kMore,     // the frame goes on
    kComplete, // DLE ETX closed a frame of the right size whose checksum adds up
    kSpoiled,  // the read ends with a spoiled frame; the reader says why
};

enum class SerialFrameFault : uint8_t {
    kNone,
    kNoiseBeforeFrame, // a byte other than DLE where the frame must start
    kUndoubledDle,     // a 0x10 inside the frame without its double
    kEndedEarly,       // DLE ETX before the data and checksum were complete
    kNoEnd,            // no DLE ETX right after the checksum
    kByteLimit,        // one frame's worth of bytes and no end
    kBadChecksum,      // framed well, but the bytes do not add up to 0
};

struct SerialFrameReader {
    SerialFrameState eState = SerialFrameState::kWaitDle;
    SerialFrameState eDleField = SerialFrameState::kId; // the field of a pending 0x10
    SerialFrameFault eFault = SerialFrameFault::kNone;  // the first fault met
    uint8_t bSum = 0;                                   // id + size + data + checksum, modulo 256
    size_t nDataLeft = 0;                               // data bytes still to come
    size_t nKept = 0;
    // The kept bytes: for a complete frame DLE, id, size, data, checksum, DLE, ETX.
    uint8_t aKept[kSerialFrameMaxKept] = {};
};

// Takes the next byte from the line. After kComplete or kSpoiled the reader
// is done; a new frame starts with a new reader.
SerialFrameStep eSerialFrameStep(SerialFrameReader &oReader, uint8_t b);

// What a fault means, in a few words for the traces.
const char *pszSerialFrameFault(SerialFrameFault eFault);
