#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "device/link_layer.h"
#include "device/serial_frame.h"
#include "fake_transports.h"
#include "tests/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Step = SerialFrameStep;
using Fault = SerialFrameFault;

// What one read makes of a run of line bytes: the outcome (kMore when the
// bytes ran out first: the caller's silence), the fault, the bytes consumed
// and the reader itself.
struct Outcome {
    Step eStep = Step::kMore;
    Fault eFault = Fault::kNone;
    size_t nConsumed = 0;
    SerialFrameReader oReader;
};

Outcome oReadOne(const Bytes &aLine, size_t nFrom = 0) {
    Outcome o;
    for (size_t i = nFrom; i < aLine.size() && o.eStep == Step::kMore; ++i) {
        o.eStep = eSerialFrameStep(o.oReader, aLine[i]);
        ++o.nConsumed;
    }
    o.eFault = o.oReader.eFault;
    return o;
}

// The unframed message (id, size, data) a complete frame holds.
Bytes aMessageOf(const SerialFrameReader &o) {
    return Bytes(o.aKept + 1, o.aKept + o.nKept - 3);
}

Bytes aJoin(std::initializer_list<Bytes> aParts) {
    Bytes a;
    for (const Bytes &aPart : aParts) {
        a.insert(a.end(), aPart.begin(), aPart.end());
    }
    return a;
}

Bytes aSixteenByteRecord() {
    Bytes a(18, 0);
    a[0] = 0x22;
    a[1] = 0x10;
    for (size_t i = 2; i < a.size(); ++i) {
        a[i] = static_cast<uint8_t>(i * 7);
    }
    return a;
}

// Line bytes, the outcome of one read over them and how many bytes it takes;
// for complete frames also the message that comes out.
struct FrameCase {
    const char *pszName;
    Bytes aLine;
    Step eStep;
    Fault eFault;
    size_t nConsumed;
    Bytes aMessage;
};

std::vector<FrameCase> aFrameCases() {
    const Bytes aCommand = {0x0A, 0x02, 0x07, 0x00};
    const Bytes aCommandFrame = aBuildSerialFrame(aCommand);
    // Data 10 03: on the line 10 10 03, a DLE ETX that is no end.
    const Bytes aDleEtxData = {0x23, 0x02, 0x10, 0x03};
    // Checksum 0x10, sent doubled right before the closing DLE ETX.
    const Bytes aDleChecksum = {0x0A, 0x01, 0xE5};
    const Bytes aSixteen = aSixteenByteRecord();
    return {
        {"command", aCommandFrame, Step::kComplete, Fault::kNone, 8, aCommand},
        {"empty data",
         aBuildSerialFrame(Bytes{0x0C, 0x00}),
         Step::kComplete,
         Fault::kNone,
         6,
         {0x0C, 0x00}},
        {"DLE ETX inside stuffed data", aBuildSerialFrame(aDleEtxData), Step::kComplete,
         Fault::kNone, 9, aDleEtxData},
        {"checksum is a stuffed DLE", aBuildSerialFrame(aDleChecksum), Step::kComplete,
         Fault::kNone, 8, aDleChecksum},
        {"size byte 0x10", aBuildSerialFrame(aSixteen), Step::kComplete, Fault::kNone,
         aBuildSerialFrame(aSixteen).size(), aSixteen},
        {"the read stops at the end of the first frame", aJoin({aCommandFrame, aCommandFrame}),
         Step::kComplete, Fault::kNone, 8, aCommand},
        {"garbage before a frame spoils it to its end",
         aJoin({{0x55, 0xAA, 0x03}, aCommandFrame}),
         Step::kSpoiled,
         Fault::kNoiseBeforeFrame,
         11,
         {}},
        {"the tail of an earlier frame",
         aJoin({{0x00, 0x10, 0x03}, aCommandFrame}),
         Step::kSpoiled,
         Fault::kNoiseBeforeFrame,
         3,
         {}},
        {"wrong checksum",
         {0x10, 0x0E, 0x01, 0x05, 0x00, 0x10, 0x03},
         Step::kSpoiled,
         Fault::kBadChecksum,
         7,
         {}},
        {"DLE not doubled in the data",
         {0x10, 0x23, 0x02, 0x10, 0x05, 0xB6, 0x10, 0x03},
         Step::kSpoiled,
         Fault::kUndoubledDle,
         8,
         {}},
        {"DLE ETX before the size is reached",
         {0x10, 0x23, 0x03, 0x01, 0x02, 0x10, 0x03},
         Step::kSpoiled,
         Fault::kEndedEarly,
         7,
         {}},
        {"data runs past the size",
         {0x10, 0x23, 0x01, 0x05, 0x06, 0xD1, 0x10, 0x03},
         Step::kSpoiled,
         Fault::kNoEnd,
         8,
         {}},
        {"doubled DLE where the closing DLE belongs",
         {0x10, 0x0C, 0x00, 0xF4, 0x10, 0x10, 0x10, 0x03},
         Step::kSpoiled,
         Fault::kNoEnd,
         8,
         {}},
        {"noise without an end stops at one frame's worth",
         Bytes(2000, 0x55),
         Step::kSpoiled,
         Fault::kNoiseBeforeFrame,
         kSerialFrameMaxKept + 1,
         {}},
    };
}

TEST(SerialFrameStep, TableOfLineBytes) {
    for (const FrameCase &oCase : aFrameCases()) {
        SCOPED_TRACE(oCase.pszName);
        Outcome o = oReadOne(oCase.aLine);
        EXPECT_EQ(o.eStep, oCase.eStep);
        EXPECT_EQ(o.eFault, oCase.eFault) << pszSerialFrameFault(o.eFault);
        EXPECT_EQ(o.nConsumed, oCase.nConsumed);
        if (oCase.eStep == Step::kComplete) {
            EXPECT_EQ(aMessageOf(o.oReader), oCase.aMessage);
            // The kept bytes are the frame unstuffed: DLE ... checksum DLE ETX.
            EXPECT_EQ(o.oReader.nKept, oCase.aMessage.size() + 4);
            EXPECT_EQ(o.oReader.aKept[0], 0x10);
        }
    }
}

TEST(SerialFrameStep, EveryTruncationOfAGoodFrameAsksForMore) {
    for (const FrameCase &oCase : aFrameCases()) {
        if (oCase.eStep != Step::kComplete) {
            continue;
        }
        SCOPED_TRACE(oCase.pszName);
        for (size_t n = 0; n < oCase.nConsumed; ++n) {
            Bytes aCut(oCase.aLine.begin(), oCase.aLine.begin() + static_cast<long>(n));
            EXPECT_EQ(oReadOne(aCut).eStep, Step::kMore) << n << " bytes";
        }
    }
}

TEST(SerialFrameStep, DoubledDlesAloneNeverOverrunTheKeptBytes) {
    Outcome o = oReadOne(Bytes(2000, 0x10));
    EXPECT_EQ(o.eStep, Step::kSpoiled);
    EXPECT_EQ(o.oReader.nKept, kSerialFrameMaxKept);
    EXPECT_LE(o.nConsumed, 2 * kSerialFrameMaxKept + 1);
}

// The capture of a GPS 18x LVC talking its binary protocol, as gpsd keeps it:
// a block of '#' comment lines, then the bytes from the line.
Bytes aCaptureBytes() {
    std::string s = sReadFile(sPeerFile("gpsd-garmin18x-serial-binary.log"));
    size_t nAt = 0;
    while (nAt < s.size() && s[nAt] == '#') {
        size_t nEnd = s.find('\n', nAt);
        nAt = nEnd == std::string::npos ? s.size() : nEnd + 1;
    }
    return Bytes(s.begin() + static_cast<long>(nAt), s.end());
}

TEST(SerialFrameCapture, EveryFrameOfARealUnitComesOutWithAGoodChecksum) {
    const Bytes aLine = aCaptureBytes();
    ASSERT_GT(aLine.size(), 4000u) << "peer data missing";
    std::map<uint8_t, int> aFramesById;
    size_t nAt = 0;
    size_t nDoubled = 0;
    int iSpoiled = 0;
    while (nAt < aLine.size()) {
        Outcome o = oReadOne(aLine, nAt);
        nAt += o.nConsumed;
        if (o.eStep == Step::kComplete) {
            ++aFramesById[o.oReader.aKept[1]];
            nDoubled += o.nConsumed - o.oReader.nKept;
        } else {
            iSpoiled += o.eStep == Step::kSpoiled;
            // Only the line end the capture file closes with is left over.
            EXPECT_EQ(nAt, aLine.size()) << pszSerialFrameFault(o.eFault);
        }
    }
    EXPECT_EQ(iSpoiled, 0);
    EXPECT_EQ(aFramesById[0x33], 29); // position, velocity and time
    EXPECT_EQ(aFramesById[0x72], 29); // satellite data
    EXPECT_EQ(aFramesById.size(), 2u);
    EXPECT_EQ(nDoubled, 70u);
}

class SerialCaptureLinkTest : public FakeLinkTest<FakeSerialPort> {
  protected:
    // Reads messages until the line is silent; the ids of the good ones.
    std::vector<uint8_t> aReadAll(const Bytes &aLine) {
        pFake->aInput.assign(aLine.begin(), aLine.end());
        pFake->aWrites.clear();
        std::vector<uint8_t> aIds;
        for (size_t i = 0; i <= aLine.size() && !pFake->aInput.empty(); ++i) {
            if (iReadMessage(pLink, 0)) {
                aIds.push_back(bReceivedId(pLink));
            }
        }
        EXPECT_TRUE(pFake->aInput.empty());
        return aIds;
    }
};

TEST_F(SerialCaptureLinkTest, CaptureReadsAsFiftyEightAcknowledgedMessages) {
    const Bytes aLine = aCaptureBytes();
    ASSERT_GT(aLine.size(), 4000u) << "peer data missing";
    std::vector<uint8_t> aIds = aReadAll(aLine);
    ASSERT_EQ(aIds.size(), 58u);
    ASSERT_EQ(pFake->aWrites.size(), 58u);
    for (size_t i = 0; i < aIds.size(); ++i) {
        EXPECT_EQ(pFake->aWrites[i], aBuildSerialFrame(Bytes{kPidAck, 2, aIds[i], 0}));
    }
}

// A flipped bit anywhere spoils at most the frame it hits and the one after
// (a closing DLE that is no longer one); it never crashes or hangs the reader.
TEST_F(SerialCaptureLinkTest, FlippedBitsSpoilOnlyTheFramesTheyHit) {
    const Bytes aLine = aCaptureBytes();
    ASSERT_GT(aLine.size(), 4000u) << "peer data missing";
    for (size_t nAt = 0; nAt < aLine.size(); ++nAt) {
        Bytes aHit = aLine;
        aHit[nAt] ^= static_cast<uint8_t>(1u << (nAt % 8));
        std::vector<uint8_t> aIds = aReadAll(aHit);
        EXPECT_GE(aIds.size(), 56u) << "bit flipped at " << nAt;
        EXPECT_LE(aIds.size(), 58u);
    }
}

} // namespace
