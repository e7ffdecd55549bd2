#include "device/serial_frame.h"

namespace {

constexpr uint8_t kFrameDle = 0x10;
constexpr uint8_t kFrameEtx = 0x03;

using State = SerialFrameState;
using Step = SerialFrameStep;
using Fault = SerialFrameFault;

// Notes the first fault and passes over the rest of the frame.
Step eSpoil(SerialFrameReader &o, Fault eFault, State eNext) {
    if (o.eFault == Fault::kNone) {
        o.eFault = eFault;
    }
    o.eState = eNext;
    return Step::kMore;
}

Step eEnd(SerialFrameReader &o, Fault eFault) {
    eSpoil(o, eFault, State::kSkip);
    return Step::kSpoiled;
}

// One (unstuffed) byte of the id, size, data or checksum field.
Step eTakeField(SerialFrameReader &o, State eField, uint8_t b) {
    o.bSum = static_cast<uint8_t>(o.bSum + b);
    switch (eField) {
    case State::kId:
        o.eState = State::kSize;
        break;
    case State::kSize:
        o.nDataLeft = b;
        o.eState = b == 0 ? State::kChecksum : State::kData;
        break;
    case State::kData:
        o.eState = --o.nDataLeft == 0 ? State::kChecksum : State::kData;
        break;
    default:
        o.eState = State::kEndDle;
        break;
    }
    return Step::kMore;
}

} // namespace

SerialFrameStep eSerialFrameStep(SerialFrameReader &o, uint8_t b) {
    // The double of a 0x10 is dropped, not kept.
    if (b == kFrameDle) {
        if (o.eState == State::kDlePending) {
            return eTakeField(o, o.eDleField, b);
        }
        if (o.eState == State::kSkipDle) {
            o.eState = State::kSkip;
            return Step::kMore;
        }
        if (o.eState == State::kEndEtx) {
            // The closing DLE was a doubled data byte: the frame runs past its size.
            return eSpoil(o, Fault::kNoEnd, State::kSkip);
        }
    }
    if (o.nKept == kSerialFrameMaxKept) {
        return eEnd(o, Fault::kByteLimit);
    }
    o.aKept[o.nKept++] = b;
    switch (o.eState) {
    case State::kWaitDle:
        if (b == kFrameDle) {
            o.eState = State::kId;
            return Step::kMore;
        }
        return eSpoil(o, Fault::kNoiseBeforeFrame, State::kSkip);
    case State::kId:
    case State::kSize:
    case State::kData:
    case State::kChecksum:
        if (b == kFrameDle) {
            o.eDleField = o.eState;
            o.eState = State::kDlePending;
            return Step::kMore;
        }
        return eTakeField(o, o.eState, b);
    case State::kDlePending:
        if (b == kFrameEtx) {
            return eEnd(o, Fault::kEndedEarly);
        }
        return eSpoil(o, Fault::kUndoubledDle, State::kSkip);
    case State::kEndDle:
        if (b == kFrameDle) {
            o.eState = State::kEndEtx;
            return Step::kMore;
        }
        return eSpoil(o, Fault::kNoEnd, State::kSkip);
    case State::kEndEtx:
        if (b != kFrameEtx) {
            return eSpoil(o, Fault::kNoEnd, State::kSkip);
        }
        if (o.bSum != 0) {
            return eEnd(o, Fault::kBadChecksum);
        }
        return Step::kComplete;
    case State::kSkip:
        if (b == kFrameDle) {
            o.eState = State::kSkipDle;
        }
        return Step::kMore;
    case State::kSkipDle:
        if (b == kFrameEtx) {
            return eEnd(o, Fault::kNone);
        }
        o.eState = State::kSkip;
        return Step::kMore;
    }
    return Step::kMore;
}

const char *pszSerialFrameFault(SerialFrameFault eFault) {
    switch (eFault) {
    case Fault::kNone:
        return "none";
    case Fault::kNoiseBeforeFrame:
        return "bytes before the opening DLE";
    case Fault::kUndoubledDle:
        return "a DLE inside the frame without its double";
    case Fault::kEndedEarly:
        return "DLE ETX before the end its size gives";
    case Fault::kNoEnd:
        return "no DLE ETX after the checksum";
    case Fault::kByteLimit:
        return "a frame's worth of bytes without an end";
    case Fault::kBadChecksum:
        return "wrong checksum";
    }
    return "unknown";
}
