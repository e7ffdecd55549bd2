#include <gtest/gtest.h>

#include "device/link_layer.h"
#include "device/protocol_selection.h"
#include "device/usb_packets.h"
#include "fake_transports.h"

namespace {

using Bytes = std::vector<uint8_t>;

class UsbLinkTest : public FakeLinkTest<FakeUsbPipes> {
  protected:
    // Queues a packet on the interrupt pipe in 64-byte chunks, as a unit sends it.
    void vQueueInterrupt(const Bytes &aPacket) {
        for (size_t n = 0; n < aPacket.size(); n += 64) {
            size_t nEnd = std::min(aPacket.size(), n + 64);
            pPipes->aInterrupt.push_back({Bytes(aPacket.begin() + static_cast<long>(n),
                                                aPacket.begin() + static_cast<long>(nEnd)),
                                          1});
        }
        if (aPacket.size() % 64 == 0) {
            pPipes->aInterrupt.push_back({{}, 1});
        }
    }
    FakeUsbPipes *&pPipes = pFake;
};

TEST_F(UsbLinkTest, ZeroLengthWriteFollowsWholeMultiplesOfThePacketSize) {
    Bytes a64 = aUsbPacket(20, 0x23, Bytes(52, 1));
    EXPECT_EQ(iWriteUsbPacket(pLink, a64.data()), 1);
    ASSERT_EQ(pPipes->aWrites.size(), 2u);
    EXPECT_EQ(pPipes->aWrites[0].size(), 64u);
    EXPECT_TRUE(pPipes->aWrites[1].empty());
    pPipes->aWrites.clear();
    Bytes a65 = aUsbPacket(20, 0x23, Bytes(53, 1));
    EXPECT_EQ(iWriteUsbPacket(pLink, a65.data()), 1);
    EXPECT_EQ(pPipes->aWrites.size(), 1u);
    // An endpoint that reports size 0 is taken as 64.
    pPipes->aWrites.clear();
    pPipes->lSize = 0;
    EXPECT_EQ(iWriteUsbPacket(pLink, a64.data()), 1);
    EXPECT_EQ(pPipes->aWrites.size(), 2u);
    // The terminator adds nothing to the bytes sent.
    EXPECT_EQ(pLink->oStatistics.lBytesSent, 64 + 65 + 64);
}

TEST_F(UsbLinkTest, InterruptChunksOfSixtyFourAreJoinedAShorterOneEnds) {
    Bytes aPacket = aUsbPacket(20, 0xFF, Bytes(100, 7));
    vQueueInterrupt(aPacket);
    uint8_t *p = nullptr;
    ASSERT_EQ(iReadUsbPacket(pLink, &p), 1);
    EXPECT_EQ(pPipes->iInterruptReads, 2);
    EXPECT_EQ(Bytes(p, p + aPacket.size()), aPacket);
    // Exactly 64 bytes: the next read is tried, and its failure without bytes ends the packet.
    Bytes aExact = aUsbPacket(20, 0xFF, Bytes(52, 3));
    pPipes->aInterrupt.push_back({aExact, 1});
    pPipes->aInterrupt.push_back({{}, 0});
    pPipes->iInterruptReads = 0;
    ASSERT_EQ(iReadUsbPacket(pLink, &p), 1);
    EXPECT_EQ(pPipes->iInterruptReads, 2);
    EXPECT_EQ(pLink->oStatistics.lBytesRead, 112 + 64);
}

TEST_F(UsbLinkTest, FailedReadWithoutAnyBytesIsNoPacket) {
    uint8_t *p = nullptr;
    EXPECT_EQ(iReadUsbPacket(pLink, &p), 0);
    // Bytes followed by a failing call fail as well.
    pPipes->aInterrupt.push_back({Bytes(64, 0), 1});
    pPipes->aInterrupt.push_back({Bytes(3, 0), 0});
    EXPECT_EQ(iReadUsbPacket(pLink, &p), 0);
}

TEST_F(UsbLinkTest, OverlongInterruptMessageFailsWithoutOverrun) {
    for (int i = 0; i < 70; ++i) {
        pPipes->aInterrupt.push_back({Bytes(64, 0), 1});
    }
    uint8_t *p = nullptr;
    EXPECT_EQ(iReadUsbPacket(pLink, &p), 0);
    EXPECT_LE(pPipes->iInterruptReads, 65);
}

TEST_F(UsbLinkTest, PacketWhoseSizeExceedsWhatArrivedIsRefused) {
    Bytes aPacket = aUsbPacket(20, 0x23, Bytes(10, 1));
    aPacket.resize(15); // header claims 10 data bytes, only 3 came
    pPipes->aInterrupt.push_back({aPacket, 1});
    uint8_t *p = nullptr;
    EXPECT_EQ(iReadUsbPacket(pLink, &p), 0);
    pPipes->aInterrupt.push_back({Bytes(5, 0), 1}); // not even a header
    EXPECT_EQ(iReadUsbPacket(pLink, &p), 0);
}

TEST_F(UsbLinkTest, DataAvailableSwitchesToTheBulkPipeUntilItIsEmpty) {
    vQueueInterrupt(aUsbPacket(0, 2, {}));
    Bytes aFirst = aUsbPacket(20, 0x1B, {3, 0});
    Bytes aSecond = aUsbPacket(20, 0x23, Bytes(40, 9));
    pPipes->aBulk.push_back({aFirst, 1});
    pPipes->aBulk.push_back({aSecond, 1});
    pPipes->aBulk.push_back({{}, 1});
    Bytes aLater = aUsbPacket(20, 0x0C, {7, 0});
    vQueueInterrupt(aLater);

    uint8_t *p = nullptr;
    ASSERT_EQ(iReadUsbPacket(pLink, &p), 1);
    EXPECT_EQ(Bytes(p, p + aFirst.size()), aFirst);
    ASSERT_EQ(iReadUsbPacket(pLink, &p), 1);
    EXPECT_EQ(Bytes(p, p + aSecond.size()), aSecond);
    EXPECT_EQ(pPipes->iInterruptReads, 1);
    // The empty bulk read sends the reader back to the interrupt pipe.
    ASSERT_EQ(iReadUsbPacket(pLink, &p), 1);
    EXPECT_EQ(Bytes(p, p + aLater.size()), aLater);
    EXPECT_EQ(pPipes->iBulkReads, 3);
}

TEST_F(UsbLinkTest, SessionStartIsSentAgainUpToThreeTimes) {
    EXPECT_EQ(iStartUsbSession(pLink), 0);
    EXPECT_EQ(iIsUsbLink(pLink), 0);
    ASSERT_EQ(pPipes->aWrites.size(), 3u);
    EXPECT_EQ(pPipes->aWrites[0], aUsbPacket(0, 5, {}));

    pPipes->aWrites.clear();
    int iCall = 0;
    pPipes->pOnWrite = [&](FakeUsbPipes &o, const Bytes &) {
        if (++iCall == 2) {
            o.aInterrupt.push_back({aUsbPacket(0, 6, {0x39, 0x30, 0, 0}), 1});
        }
    };
    EXPECT_EQ(iStartUsbSession(pLink), 1);
    EXPECT_EQ(pPipes->aWrites.size(), 2u);
    EXPECT_EQ(iIsUsbLink(pLink), 1);
}

TEST_F(UsbLinkTest, OnlySessionStartedWithTheUnitIdStartsTheSession) {
    const Bytes aUnitId = {0x39, 0x30, 0, 0};
    for (bool fAnswered : {false, true}) {
        pPipes->aWrites.clear();
        for (const Bytes &a : {aUsbPacket(0, 6, {}), aUsbPacket(20, 6, aUnitId),
                               aUsbPacket(0, 17, aUnitId), aUsbPacket(0, 6, {1, 2, 3, 4, 5})}) {
            pPipes->aInterrupt.push_back({a, 1});
        }
        if (fAnswered) {
            pPipes->aInterrupt.push_back({aUsbPacket(0, 6, aUnitId), 1});
        }
        EXPECT_EQ(iStartUsbSession(pLink), fAnswered ? 1 : 0);
        EXPECT_EQ(pPipes->aWrites.size(), fAnswered ? 1u : 3u);
    }
}

TEST_F(UsbLinkTest, MessagesTravelAsApplicationPacketsWithoutAcknowledgement) {
    pLink->fUsbLinkOpen = 1;
    const Bytes aMessage = {0x0A, 0x02, 0x07, 0x00};
    EXPECT_EQ(iSendMessage(pLink, aMessage.data(), aMessage.size()), 1);
    ASSERT_EQ(pPipes->aWrites.size(), 1u);
    EXPECT_EQ(pPipes->aWrites[0], aUsbPacket(20, 0x0A, {0x07, 0x00}));

    vQueueInterrupt(aUsbPacket(20, 0x1B, {5, 0}));
    ASSERT_EQ(iReadMessage(pLink, 0x1B), 1);
    EXPECT_EQ(bReceivedId(pLink), 0x1B);
    EXPECT_EQ(bReceivedSize(pLink), 2);
    EXPECT_EQ(aReceivedData(pLink)[0], 5);
    EXPECT_EQ(pPipes->aWrites.size(), 1u); // nothing acknowledged

    // The capability array is filtered on USB too.
    vQueueInterrupt(aUsbPacket(20, kPidProtocolArray, {'A', 0x2D, 0x01, 'D', 0x36, 0x01}));
    vQueueInterrupt(aUsbPacket(20, 0x0E, Bytes(8, 1)));
    ASSERT_EQ(iReadMessage(pLink, 0x0E), 1);
    EXPECT_EQ(pLink->oProtocolSelection.iTrkProtocol, 301);
    EXPECT_EQ(pLink->oProtocolSelection.iTrkHdrFormat, 310);
}

TEST_F(UsbLinkTest, ProtocolLayerOrOversizedPacketsAreNoMessage) {
    pLink->fUsbLinkOpen = 1;
    vQueueInterrupt(aUsbPacket(0, 6, {}));
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
    vQueueInterrupt(aUsbPacket(20, 0x123, {}));
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
    vQueueInterrupt(aUsbPacket(20, 0x23, Bytes(256, 0)));
    EXPECT_EQ(iReadMessage(pLink, 0), 0);
}

} // namespace
