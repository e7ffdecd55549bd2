#include <gtest/gtest.h>

#include <random>

#include "device/link_layer.h"
#include "device/protocol_selection.h"
#include "fake_transports.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SerialLinkTest : public FakeLinkTest<FakeSerialPort> {
  protected:
    int iSend(const Bytes &a) { return iSendMessage(pLink, a.data(), a.size()); }
    // Frames written that carry the given record id.
    int iWritesOf(uint8_t bId) const {
        int n = 0;
        for (const Bytes &a : pPort->aWrites) {
            n += a.size() > 1 && a[1] == bId;
        }
        return n;
    }
    FakeSerialPort *&pPort = pFake;
};

TEST(SerialFraming, StuffsDleAndChecksumOverUnstuffedBytes) {
    EXPECT_EQ(aBuildSerialFrame(Bytes{0x0A, 0x02, 0x07, 0x00}),
              (Bytes{0x10, 0x0A, 0x02, 0x07, 0x00, 0xED, 0x10, 0x03}));
    // A data byte 0x10 goes out doubled; the checksum counts it once.
    EXPECT_EQ(aBuildSerialFrame(Bytes{0x23, 0x01, 0x10}),
              (Bytes{0x10, 0x23, 0x01, 0x10, 0x10, 0xCC, 0x10, 0x03}));
    // A checksum of 0x10 is doubled as well; a size byte of 0x10 too.
    EXPECT_EQ(bMessageChecksum(Bytes{0x0A, 0x01, 0xE5}), 0x10);
    EXPECT_EQ(aBuildSerialFrame(Bytes{0x0A, 0x01, 0xE5}),
              (Bytes{0x10, 0x0A, 0x01, 0xE5, 0x10, 0x10, 0x10, 0x03}));
    Bytes aSixteen(18, 0);
    aSixteen[0] = 0x22;
    aSixteen[1] = 0x10;
    Bytes aFrame = aBuildSerialFrame(aSixteen);
    EXPECT_EQ(Bytes(aFrame.begin(), aFrame.begin() + 4), (Bytes{0x10, 0x22, 0x10, 0x10}));
}

TEST_F(SerialLinkTest, SentCommandWaitsForItsAck) {
    pPort->vQueueAck(0x0A);
    EXPECT_EQ(iSend({0x0A, 0x02, 0x07, 0x00}), 1);
    ASSERT_EQ(pPort->aWrites.size(), 1u);
    EXPECT_EQ(pPort->aWrites[0], (Bytes{0x10, 0x0A, 0x02, 0x07, 0x00, 0xED, 0x10, 0x03}));
    EXPECT_EQ(pLink->oStatistics.lBytesSent, 8);
    EXPECT_EQ(pLink->oStatistics.lBytesRead, 8);
}

TEST_F(SerialLinkTest, ResendsThreeTimesWithoutTheRightAck) {
    // An ACK for another record id is no acknowledgement.
    pPort->pOnWrite = [](FakeSerialPort &o, const Bytes &) { o.vQueueAck(0x23); };
    EXPECT_EQ(iSend({0x0A, 0x02, 0x07, 0x00}), 0);
    EXPECT_EQ(pPort->aWrites.size(), 3u);
}

TEST_F(SerialLinkTest, SilenceAlsoEndsAfterThreeAttempts) {
    EXPECT_EQ(iSend({0x0A, 0x02, 0x07, 0x00}), 0);
    EXPECT_EQ(pPort->aWrites.size(), 3u);
}

TEST_F(SerialLinkTest, NakIsAnUnexpectedRecordAndTheFrameGoesAgain) {
    int iCall = 0;
    pPort->pOnWrite = [&](FakeSerialPort &o, const Bytes &) {
        if (++iCall == 1) {
            o.vQueueMessage(kPidNak, {0x0A, 0});
        } else {
            o.vQueueAck(0x0A);
        }
    };
    EXPECT_EQ(iSend({0x0A, 0x02, 0x07, 0x00}), 1);
    // Two sends of the command; the NAK itself is not acknowledged.
    EXPECT_EQ(iWritesOf(0x0A), 2);
    EXPECT_EQ(pPort->aWrites.size(), 2u);
}

TEST_F(SerialLinkTest, FailedWriteGivesUpAtOnceButCountsTheBytes) {
    pPort->fFailWrites = true;
    EXPECT_EQ(iSend({0x0A, 0x02, 0x07, 0x00}), 0);
    EXPECT_EQ(pPort->aWrites.size(), 1u);
    EXPECT_EQ(pLink->oStatistics.lBytesSent, 8);
}

TEST_F(SerialLinkTest, CapabilityArrayWhileWaitingIsParsedAndTheAckStillCounts) {
    pPort->vQueueMessage(kPidProtocolArray, {'A', 100, 0, 'D', 108, 0});
    pPort->vQueueMessage(kPidExtendedProductData, {'X', 0});
    pPort->vQueueAck(0xFE);
    EXPECT_EQ(iSend({0xFE, 0x01, 0x20}), 1);
    EXPECT_EQ(pLink->oProtocolSelection.iWptFormat, 108);
    EXPECT_EQ(pLink->oProtocolSelection.iRteProtocol, 0);
    // The request, then the host's ACKs of the array and of the extended data.
    ASSERT_EQ(pPort->aWrites.size(), 3u);
    EXPECT_EQ(pPort->aWrites[1], aBuildSerialFrame(Bytes{kPidAck, 2, kPidProtocolArray, 0}));
    EXPECT_EQ(pPort->aWrites[2], aBuildSerialFrame(Bytes{kPidAck, 2, kPidExtendedProductData, 0}));
}

TEST_F(SerialLinkTest, DataRecordWhileWaitingIsAcknowledgedThenTheFrameGoesAgain) {
    int iCall = 0;
    pPort->pOnWrite = [&](FakeSerialPort &o, const Bytes &a) {
        if (a[1] != 0x0A) {
            return; // the host's own ACKs
        }
        if (++iCall == 1) {
            o.vQueueMessage(kPidDateTime, {12, 31, 0xC5, 0x07, 23, 0, 59, 58});
        } else {
            o.vQueueAck(0x0A);
        }
    };
    EXPECT_EQ(iSend({0x0A, 0x02, 0x05, 0x00}), 1);
    EXPECT_EQ(iWritesOf(0x0A), 2);
    EXPECT_EQ(iWritesOf(kPidAck), 1);
}

TEST_F(SerialLinkTest, ReadsStuffedSizeByteAndAcknowledges) {
    Bytes aData(16);
    for (size_t i = 0; i < aData.size(); ++i) {
        aData[i] = static_cast<uint8_t>(i + 8); // holds one 0x10
    }
    pPort->vQueueMessage(0x22, aData);
    ASSERT_EQ(iReadMessage(pLink, 0x22), 1);
    EXPECT_EQ(bReceivedSize(pLink), 16);
    EXPECT_EQ(Bytes(aReceivedData(pLink).begin(), aReceivedData(pLink).end()), aData);
    ASSERT_EQ(pPort->aWrites.size(), 1u);
    EXPECT_EQ(pPort->aWrites[0], aBuildSerialFrame(Bytes{kPidAck, 2, 0x22, 0}));
}

TEST_F(SerialLinkTest, WrongChecksumIsAnsweredWithNakAndFails) {
    pPort->vQueueBytes({0x10, 0x0E, 0x01, 0x05, 0x00, 0x10, 0x03});
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
    ASSERT_EQ(pPort->aWrites.size(), 1u);
    EXPECT_EQ(pPort->aWrites[0], aBuildSerialFrame(Bytes{kPidNak, 2, 0x0E, 0}));
}

TEST_F(SerialLinkTest, UnexpectedRecordFailsAfterItsAck) {
    pPort->vQueueMessage(0x23, {1, 2});
    EXPECT_EQ(iReadMessage(pLink, 0x1B), 0);
    EXPECT_EQ(iWritesOf(kPidAck), 1);
    pPort->vQueueMessage(0x23, {1, 2});
    EXPECT_EQ(iReadMessage(pLink, 0), 1); // 0 accepts any record
}

TEST_F(SerialLinkTest, NoiseNeverOverrunsAndEndsAfterOneFramesWorth) {
    Bytes aNoise(2000, 0x55);
    pPort->vQueueBytes(aNoise);
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
    EXPECT_LE(pPort->nBytesConsumed, kMaxFrameBytes + 1);
    EXPECT_TRUE(pPort->aWrites.empty());
    // Doubled DLEs are dropped before they are kept, so they cannot overrun either.
    Bytes aDles(2000, 0x10);
    pPort->aInput.clear();
    pPort->vQueueBytes(aDles);
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
}

// Bytes that do not start with DLE are no frame, however well their size and
// DLE ETX line up: nothing unchecked is passed on, nothing is answered, and the
// read ends at the DLE ETX so the next one starts at a frame.
TEST_F(SerialLinkTest, FrameThatDoesNotStartWithDleIsSpoiledAndUnanswered) {
    pPort->vQueueBytes({0x03, 0x02, 0x00, 0x44, 0x10, 0x03});
    pPort->vQueueMessage(0x23, {1, 2});
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
    EXPECT_TRUE(pPort->aWrites.empty());
    EXPECT_EQ(iReadMessage(pLink, 0), 1);
    EXPECT_EQ(bReceivedId(pLink), 0x23);
}

TEST_F(SerialLinkTest, MessagesOutsideTheLengthRangeAreRefused) {
    EXPECT_EQ(iSend({0x0A}), 0);
    Bytes aTooLong(254, 0);
    EXPECT_EQ(iSendRecord(pLink, 0x23, aTooLong), 0);
    EXPECT_TRUE(pPort->aWrites.empty());
    EXPECT_EQ(iSendMessage(nullptr, aTooLong.data(), 4), 0);
    EXPECT_EQ(iReadMessage(nullptr, 0), 0);
}

} // namespace

namespace {

// Random line garbage, with DLE, ETX and plausible size bytes over-represented,
// never makes a read run past one frame's worth of kept bytes or past the data.
TEST_F(SerialLinkTest, RandomLineBytesNeverOverrunTheReader) {
    std::mt19937 oRandom(20261208);
    const uint8_t aLikely[] = {0x10, 0x10, 0x03, 0x06, 0x02, 0xFF, 0x00};
    for (int iRound = 0; iRound < 500; ++iRound) {
        pPort->aInput.clear();
        pPort->nBytesConsumed = 0;
        size_t nBytes = oRandom() % 1200;
        for (size_t i = 0; i < nBytes; ++i) {
            uint32_t l = oRandom();
            pPort->aInput.push_back((l & 1) ? aLikely[(l >> 1) % sizeof(aLikely)]
                                            : static_cast<uint8_t>(l >> 8));
        }
        for (int iRead = 0; iRead < 20 && !pPort->aInput.empty(); ++iRead) {
            size_t nBefore = pPort->nBytesConsumed;
            if (iReadMessage(pLink, 0) == 1) {
                EXPECT_LE(static_cast<size_t>(bReceivedSize(pLink)) + 3, kReceiveBufferSize);
            }
            // Stuffing at most doubles the kept bytes.
            EXPECT_LE(pPort->nBytesConsumed - nBefore, 2 * (kMaxFrameBytes + 1));
        }
        pPort->aWrites.clear();
    }
}

} // namespace
