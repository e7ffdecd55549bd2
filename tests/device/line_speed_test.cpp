#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "base/interrupt.h"
#include "base/report.h"
#include "device/line_speed.h"
#include "device/position_report.h"
#include "fake_transports.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(LineSpeed, AnsweredRateStandsForTheStandardOneWithinFivePercent) {
    const struct {
        uint32_t lAnswered, lBaud;
        int iStands;
    } aCases[] = {{115177, 115200, 1}, {109440, 115200, 1}, {109439, 115200, 0},
                  {120960, 115200, 1}, {57600, 115200, 0},  {9600, 9600, 1}};
    for (const auto &o : aCases) {
        EXPECT_EQ(iRateStandsFor(o.lAnswered, o.lBaud), o.iStands) << o.lAnswered;
    }
}

// A unit on the fake line: ACKs every frame, answers a speed request with
// lAnswer (0: the rate asked for) and, unless fDeafAfterChange, the pings.
class SpeedUnit : public FakeLinkTest<FakeSerialPort> {
  protected:
    void SetUp() override {
        FakeLinkTest::SetUp();
        pFake->pOnWrite = [this](FakeSerialPort &o, const Bytes &a) {
            const uint8_t bId = a[1];
            aIds.push_back(bId);
            if (bId == 0x06 || (bId == 0x0A && a[3] == 0x3A && fDeafAfterChange)) {
                return;
            }
            o.vQueueAck(bId);
            if (bId == 0x30) {
                aAsked.push_back(static_cast<uint32_t>(a[3] | a[4] << 8 | a[5] << 16) |
                                 static_cast<uint32_t>(a[6]) << 24);
                const uint32_t l = lAnswer != 0 ? lAnswer : aAsked.back();
                o.vQueueMessage(0x31, {static_cast<uint8_t>(l), static_cast<uint8_t>(l >> 8),
                                       static_cast<uint8_t>(l >> 16), 0});
            }
        };
    }
    uint32_t lAnswer = 0;
    bool fDeafAfterChange = false;
    Bytes aIds;                   // record ids of the frames the host wrote
    std::vector<uint32_t> aAsked; // rates of the speed requests
};

TEST_F(SpeedUnit, ChangeAndRestoreFollowTheUnitsSequence) {
    lAnswer = 115177;
    ASSERT_EQ(iChangeLineSpeed(pLink, 115200), 1);
    // Requests off, the rate, the ACK of the answer, two pings at the new speed.
    EXPECT_EQ(aIds, (Bytes{0x1C, 0x30, 0x06, 0x0A, 0x0A}));
    EXPECT_EQ(pFake->aSpeeds, (std::vector<uint32_t>{115200}));
    EXPECT_EQ(pLink->lLineSpeed, 115200u);

    lAnswer = 0;
    aIds.clear();
    ASSERT_EQ(iRestoreLineSpeed(pLink), 1);
    EXPECT_EQ(aIds, (Bytes{0x1C, 0x30, 0x06, 0x0A, 0x0A}));
    EXPECT_EQ(aAsked, (std::vector<uint32_t>{115200, 9600}));
    EXPECT_EQ(pFake->aSpeeds.back(), 9600u);
    EXPECT_EQ(pLink->lLineSpeed, 9600u);
}

TEST_F(SpeedUnit, UnansweredPingsPutThePortBackAndTheLinkStaysUsable) {
    fDeafAfterChange = true;
    const int iReports = iReportedErrorCount();
    EXPECT_EQ(iChangeLineSpeed(pLink, 57600), 0);
    EXPECT_EQ(iReportedErrorCount(), iReports + 1);
    EXPECT_EQ(pFake->aSpeeds, (std::vector<uint32_t>{57600, 9600}));
    EXPECT_EQ(pLink->lLineSpeed, 9600u);
    // Silence at the wrong speed says nothing about the unit at 9600.
    EXPECT_EQ(iReceiverGone(pLink), 0);
    EXPECT_EQ(iRestoreLineSpeed(pLink), 1); // nothing to do
}

TEST_F(SpeedUnit, OddRateIsRefusedWithoutTouchingThePort) {
    lAnswer = 57600;
    EXPECT_EQ(iChangeLineSpeed(pLink, 115200), 0);
    EXPECT_TRUE(pFake->aSpeeds.empty());
    EXPECT_EQ(aIds, (Bytes{0x1C, 0x30, 0x06}));
}

TEST_F(SpeedUnit, RestoreToASilentUnitIsOneTry) {
    pLink->lLineSpeed = 38400;
    pFake->pOnWrite = nullptr;
    EXPECT_EQ(iRestoreLineSpeed(pLink), 0);
    EXPECT_EQ(pFake->aWrites.size(), 1u);
    EXPECT_EQ(pFake->aSpeeds.back(), 9600u);
}

TEST(PositionRecord, D800DecodesWhatWasEncodedAndGivesUtcAndSeaLevelHeight) {
    PositionFix o;
    o.fAltitude = 548.5f;
    o.fMslHeight = -48.5f;
    o.sFixType = kFix3dDifferential;
    o.dTimeOfWeek = 3600.25;
    o.dLatitude = 0.8168;
    o.dLongitude = -0.1431;
    o.fEast = 3;
    o.fNorth = -4;
    o.sLeapSeconds = 18;
    o.lWeekDays = 7 * 1900;
    uint8_t a[kD800Size];
    vEncodeD800(o, a);
    PositionFix oBack;
    ASSERT_EQ(iDecodeD800(a, oBack), 1);
    EXPECT_EQ(std::memcmp(&o.dLatitude, &oBack.dLatitude, sizeof(double)), 0);
    EXPECT_EQ(oBack.sFixType, kFix3dDifferential);
    EXPECT_EQ(oBack.lWeekDays, 7u * 1900);
    EXPECT_DOUBLE_EQ(dFixTime(oBack), 7.0 * 1900 * 86400 + 3600.25 - 18);
    EXPECT_DOUBLE_EQ(dFixAltitudeAboveSeaLevel(oBack), 500.0);
    EXPECT_DOUBLE_EQ(dFixSpeed(oBack), 5.0);
    EXPECT_NEAR(dFixCourse(oBack), 143.13, 0.01);
    EXPECT_EQ(iDecodeD800(std::span<const uint8_t>(a, kD800Size - 1), oBack), 0);
}

// A unit that streams three fixes after the start command.
class PositionUnit : public FakeLinkTest<FakeSerialPort> {
  protected:
    void SetUp() override {
        FakeLinkTest::SetUp();
        pLink->oProtocolSelection.iPvtProtocol = 800;
        pFake->pOnWrite = [this](FakeSerialPort &o, const Bytes &a) {
            if (a[1] == 0x06) {
                return;
            }
            aCommands.push_back(a[3]);
            o.vQueueAck(a[1]);
            if (a[3] == 49) {
                uint8_t aRecord[kD800Size];
                PositionFix oFix;
                oFix.sFixType = kFix3d;
                vEncodeD800(oFix, aRecord);
                for (int i = 0; i < 3; ++i) {
                    o.vQueueMessage(0x33, Bytes(aRecord, aRecord + kD800Size));
                }
            }
        };
    }
    void TearDown() override {
        vResetInterrupt();
        FakeLinkTest::TearDown();
    }
    // The report starts with command 49 and ends with 50 (sent again while
    // fixes still queued ahead of its ACK).
    void vExpectStartAndStop() const {
        ASSERT_GE(aCommands.size(), 2u);
        EXPECT_EQ(aCommands.front(), 49);
        EXPECT_EQ(std::count(aCommands.begin(), aCommands.end(), 49), 1);
        EXPECT_EQ(aCommands.back(), 50);
    }
    Bytes aCommands; // command numbers (low bytes) the host sent
    PositionReportEnd eEnd = PositionReportEnd::kInterrupted;
    int iFixes = 0;
};

TEST_F(PositionUnit, ReportEndsWhenTheSinkGivesUpAndStopsTheUnit) {
    EXPECT_EQ(iReportPositions(
                  pLink, [&](const PositionFix &) { return ++iFixes < 2; }, &eEnd),
              0);
    EXPECT_EQ(eEnd, PositionReportEnd::kSinkFailed);
    EXPECT_EQ(iFixes, 2);
    vExpectStartAndStop();
}

TEST_F(PositionUnit, InterruptEndsTheReportAsASuccessAndTheStopStillGoesOut) {
    auto fnFix = [&](const PositionFix &) {
        ++iFixes;
        vRequestInterrupt();
        return 1;
    };
    EXPECT_EQ(iReportPositions(pLink, fnFix, &eEnd), 1);
    EXPECT_EQ(eEnd, PositionReportEnd::kInterrupted);
    EXPECT_EQ(iFixes, 1);
    vExpectStartAndStop();
}

TEST_F(PositionUnit, UnitWithoutA800IsNotAsked) {
    pLink->oProtocolSelection.iPvtProtocol = 0;
    EXPECT_EQ(iReportPositions(
                  pLink, [](const PositionFix &) { return 1; }, &eEnd),
              0);
    EXPECT_EQ(eEnd, PositionReportEnd::kNoPvt);
    EXPECT_TRUE(pFake->aWrites.empty());
}

} // namespace
