#include <gtest/gtest.h>

#include <string>

#include "device/identify.h"
#include "device/product_table.h"
#include "device/protocol_selection.h"
#include "fake_transports.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes aCapabilities(std::initializer_list<std::pair<char, int>> a) {
    Bytes aData;
    for (auto [cTag, iNumber] : a) {
        aData.push_back(static_cast<uint8_t>(cTag));
        aData.push_back(static_cast<uint8_t>(iNumber));
        aData.push_back(static_cast<uint8_t>(iNumber >> 8));
    }
    return aData;
}

class ProtocolSelectionTest : public ::testing::Test {
  protected:
    ProtocolSelection o;
};

TEST_F(ProtocolSelectionTest, ProductTableByIdAndVersion) {
    vApplyProductTable(77, 355, o);
    EXPECT_EQ(o.iPrxProtocol, 0);
    EXPECT_EQ(o.iWptFormat, 103);
    vApplyProductTable(77, 300, o);
    EXPECT_EQ(o.iPrxProtocol, 400);
    EXPECT_EQ(o.iWptFormat, 100);
    vApplyProductTable(129, 100, o);
    EXPECT_EQ(o.iWptFormat, 104);
    vApplyProductTable(96, 100, o);
    EXPECT_EQ(o.iPrxProtocol, 400);
    // An unknown unit keeps its waypoint format and gets no proximity protocol.
    vApplyProductTable(500, 100, o);
    EXPECT_EQ(o.iPrxProtocol, 0);
    EXPECT_EQ(o.iWptFormat, 103);
}

// Every product of the table, and product 77 on both sides of each version
// where its protocols change; a product outside the table keeps the default
// waypoint format.
TEST_F(ProtocolSelectionTest, ProductTableRows) {
    struct Case {
        int16_t sProduct;
        int16_t sVersion;
        int32_t iPrxProtocol;
        int32_t iPrxFormat;
        int32_t iWptFormat;
    };
    const Case aCases[] = {
        {31, 100, 0, 0, 100},     {41, 250, 0, 0, 100},     {59, 400, 0, 0, 100},
        {72, 100, 0, 0, 104},     {129, 100, 0, 0, 104},    {73, 250, 0, 0, 103},
        {97, 100, 0, 0, 103},     {77, -5, 400, 400, 100},  {77, 300, 400, 400, 100},
        {77, 301, 400, 403, 103}, {77, 349, 400, 403, 103}, {77, 350, 0, 0, 103},
        {77, 360, 0, 0, 103},     {77, 361, 400, 403, 103}, {77, 999, 400, 403, 103},
        {87, 100, 400, 403, 103}, {96, 300, 400, 403, 103}, {500, 300, 0, 0, 100},
    };
    for (const Case &c : aCases) {
        o = ProtocolSelection{};
        vApplyProductTable(c.sProduct, c.sVersion, o);
        EXPECT_EQ(o.iPrxProtocol, c.iPrxProtocol) << c.sProduct << " " << c.sVersion;
        // A unit given proximity waypoints is also given their record format.
        EXPECT_EQ(o.iPrxFormat, c.iPrxFormat) << c.sProduct << " " << c.sVersion;
        EXPECT_EQ(o.iWptFormat, c.iWptFormat) << c.sProduct << " " << c.sVersion;
    }
}

TEST_F(ProtocolSelectionTest, ArrayReplacesTheWholeSelection) {
    vParseProtocolArray(aCapabilities({{'P', 0},
                                       {'L', 1},
                                       {'A', 100},
                                       {'D', 108},
                                       {'A', 200},
                                       {'D', 201},
                                       {'D', 108},
                                       {'A', 300},
                                       {'D', 300}}),
                        o);
    EXPECT_EQ(o.iWptProtocol, 100);
    EXPECT_EQ(o.iWptFormat, 108);
    EXPECT_EQ(o.iRteProtocol, 200);
    EXPECT_EQ(o.iRteHdrFormat, 201);
    EXPECT_EQ(o.iRteWptFormat, 108);
    EXPECT_EQ(o.iTrkProtocol, 300);
    EXPECT_EQ(o.iTrkFormat, 300);
    EXPECT_EQ(o.iTrkHdrFormat, 0);
    EXPECT_EQ(o.iPrxProtocol, 0);
    EXPECT_EQ(o.iPrxFormat, 0);
}

TEST_F(ProtocolSelectionTest, TrackHeadersAndRejectedTrackFormats) {
    vParseProtocolArray(aCapabilities({{'A', 301}, {'D', 310}, {'D', 301}}), o);
    EXPECT_EQ(o.iTrkProtocol, 301);
    EXPECT_EQ(o.iTrkHdrFormat, 310);
    EXPECT_EQ(o.iTrkFormat, 301);
    vParseProtocolArray(aCapabilities({{'A', 300}, {'D', 302}}), o);
    EXPECT_EQ(o.iTrkProtocol, 0);
    EXPECT_EQ(o.iTrkFormat, 0);
    EXPECT_EQ(o.iTrkHdrFormat, 0);
}

TEST_F(ProtocolSelectionTest, D110IsAWaypointFormatButNoRouteFormat) {
    vParseProtocolArray(aCapabilities({{'A', 100}, {'D', 110}, {'A', 200}, {'D', 201}, {'D', 110}}),
                        o);
    EXPECT_EQ(o.iWptFormat, 110);
    EXPECT_EQ(o.iRteProtocol, 0);
    EXPECT_EQ(o.iRteHdrFormat, 0);
    EXPECT_EQ(o.iRteWptFormat, 0);
}

// The capability arrays of the later units: A201 routes with D202 headers,
// D110 points and D210 links; A302 fitness tracks; A800 position reports.
TEST_F(ProtocolSelectionTest, LaterUnitsRoutesTracksAndPositionReports) {
    vParseProtocolArray(aCapabilities({{'A', 100},
                                       {'D', 110},
                                       {'A', 201},
                                       {'D', 202},
                                       {'D', 110},
                                       {'D', 210},
                                       {'A', 302},
                                       {'D', 311},
                                       {'D', 304},
                                       {'A', 800},
                                       {'D', 800}}),
                        o);
    EXPECT_EQ(o.iRteProtocol, 201);
    EXPECT_EQ(o.iRteHdrFormat, 202);
    EXPECT_EQ(o.iRteWptFormat, 110);
    EXPECT_EQ(o.iRteLinkFormat, 210);
    EXPECT_EQ(o.iTrkProtocol, 302);
    EXPECT_EQ(o.iTrkHdrFormat, 311);
    EXPECT_EQ(o.iTrkFormat, 304);
    EXPECT_EQ(o.iPvtProtocol, 800);
    // A D202 header under A200, or a route format A201 does not know, clears the
    // routes and remembers why.
    vParseProtocolArray(aCapabilities({{'A', 200}, {'D', 202}}), o);
    EXPECT_EQ(o.iRteProtocol, 0);
    EXPECT_EQ(o.iRteRejected[0], 200);
    EXPECT_EQ(o.iRteRejected[1], 202);
    vParseProtocolArray(aCapabilities({{'A', 201}, {'D', 202}, {'D', 110}, {'D', 211}}), o);
    EXPECT_EQ(o.iRteProtocol, 0);
    EXPECT_EQ(o.iRteLinkFormat, 0);
    EXPECT_EQ(o.iPvtProtocol, 0);
}

TEST_F(ProtocolSelectionTest, EntriesOutsideAKnownTransferAreIgnored) {
    // A D entry before any A entry, and D entries after an unsupported A.
    vParseProtocolArray(aCapabilities({{'D', 108}, {'A', 500}, {'D', 100}, {'A', 400}, {'D', 403}}),
                        o);
    EXPECT_EQ(o.iWptFormat, 0);
    EXPECT_EQ(o.iPrxProtocol, 400);
    EXPECT_EQ(o.iPrxFormat, 403);
    vParseProtocolArray(aCapabilities({{'A', 400}, {'D', 103}}), o);
    EXPECT_EQ(o.iPrxProtocol, 0);
    EXPECT_EQ(o.iPrxFormat, 0);
    // A trailing fragment of an entry is not read.
    Bytes aCut = aCapabilities({{'A', 100}, {'D', 104}});
    aCut.pop_back();
    vParseProtocolArray(aCut, o);
    EXPECT_EQ(o.iWptProtocol, 100);
    EXPECT_EQ(o.iWptFormat, 0);
}

class IdentifyTest : public FakeLinkTest<FakeSerialPort> {
  protected:
    std::string sIdentify(const Bytes &aProductData, int *piResult) {
        pPort->vQueueAck(0xFE);
        pPort->vQueueMessage(0xFF, aProductData);
        testing::internal::CaptureStdout();
        *piResult = iIdentifyUnit(nullptr, pLink);
        return testing::internal::GetCapturedStdout();
    }
    FakeSerialPort *&pPort = pFake;
};

TEST_F(IdentifyTest, UnitLineWithTheFirstDescriptionString) {
    Bytes a = {73, 0, 0x5E, 0x01};
    for (char c : std::string("UNIT 3.50")) {
        a.push_back(static_cast<uint8_t>(c));
    }
    a.push_back(0);
    for (char c : std::string("SECOND")) {
        a.push_back(static_cast<uint8_t>(c));
    }
    a.push_back(0);
    int iResult = 0;
    EXPECT_EQ(sIdentify(a, &iResult),
              "Garmin unit found: ID=UNIT 3.50  Version=350  ProductID=73\n");
    EXPECT_EQ(iResult, 1);
    EXPECT_EQ(pLink->oProtocolSelection.iWptFormat, 103);
    // The request went out as FE 01 20.
    EXPECT_EQ(pPort->aWrites[0], aBuildSerialFrame(Bytes{0xFE, 0x01, 0x20}));
}

TEST_F(IdentifyTest, UnterminatedSingleDescriptionKeepsItsLastCharacter) {
    Bytes a = {0x2C, 0x01, 100, 0, 'A', 'B', 'C'};
    int iResult = 0;
    EXPECT_EQ(sIdentify(a, &iResult), "Garmin unit found: ID=ABC  Version=100  ProductID=300\n");
    Bytes aShort = {5, 0};
    EXPECT_EQ(sIdentify(aShort, &iResult), "Garmin unit found: ID=  Version=0  ProductID=5\n");
}

TEST_F(IdentifyTest, FailedRequestIsSilentAndKeepsTheDefaults) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(iIdentifyUnit(nullptr, pLink), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(pLink->oProtocolSelection.iWptFormat, 100);
    EXPECT_EQ(pPort->aWrites.size(), 3u);
}

TEST_F(IdentifyTest, UnitTimeCommandAndRecord) {
    pPort->vQueueAck(0x0A);
    pPort->vQueueMessage(0x0E, {12, 31, 0xC5, 0x07, 23, 0, 59, 58});
    EXPECT_EQ(iReadUnitTime(pLink), 1);
    EXPECT_EQ(pPort->aWrites[0], (Bytes{0x10, 0x0A, 0x02, 0x05, 0x00, 0xEF, 0x10, 0x03}));
    // A record too short to hold a date and time fails the step.
    pPort->vQueueAck(0x0A);
    pPort->vQueueMessage(0x0E, {12, 31});
    EXPECT_EQ(iReadUnitTime(pLink), 0);
}

} // namespace
