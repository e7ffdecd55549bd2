#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/route_records.h"
#include "device/track_records.h"
#include "device/waypoint_records.h"
#include "record_bytes.h"

namespace {

#define F_1E25 0x51, 0x59, 0x04, 0x69
#define F_100 0x00, 0x00, 0xC8, 0x42

TrackPoint oPoint() {
    TrackPoint o{};
    o.lLatitude = 0x01020304;
    o.lLongitude = -2;
    o.lTime = 1000;
    o.fAltitude = 100.0f;
    o.fNewSegment = 7;
    return o;
}

TEST(TrackRecordLayout, PointsAndHeader) {
    std::vector<uint8_t> a;
    ExpectedBytes eCommon;
    eCommon({0x04, 0x03, 0x02, 0x01})({0xFE, 0xFF, 0xFF, 0xFF})({0xE8, 0x03, 0, 0});
    ASSERT_EQ(iEncodeTrackPoint(oPoint(), 300, a), 1);
    EXPECT_EQ(a, ExpectedBytes(eCommon)({1}).aBytes());
    ASSERT_EQ(iEncodeTrackPoint(oPoint(), 301, a), 1);
    EXPECT_EQ(a, ExpectedBytes(eCommon)({F_100})({0, 0, 0, 0})({1}).aBytes());
    ASSERT_EQ(iEncodeTrackPoint(oPoint(), 302, a), 1);
    EXPECT_EQ(a, ExpectedBytes(eCommon)({F_100})({0, 0, 0, 0})({F_1E25})({1}).aBytes());
    TrackPoint o = oPoint();
    o.fNewSegment = 0;
    iEncodeTrackPoint(o, 300, a);
    EXPECT_EQ(a.back(), 0);
    EXPECT_EQ(iEncodeTrackPoint(o, 0, a), 0);
    EXPECT_TRUE(a.empty());

    const std::vector<uint8_t> aHeader =
        ExpectedBytes()({1, 0xFF}).vText("ACTIVE LOG")({0}).aBytes();
    for (int iFormat : {310, 312}) {
        ASSERT_EQ(iEncodeTrackHeader(iFormat, a, TrackHeader{}), 1);
        EXPECT_EQ(a, aHeader);
    }
    EXPECT_EQ(iEncodeTrackHeader(0, a, TrackHeader{}), 0);
}

TEST(TrackRecordDecode, FieldsAndMarkers) {
    TrackPoint o;
    std::vector<uint8_t> a;
    for (int iFormat : {300, 301, 302}) {
        iEncodeTrackPoint(oPoint(), iFormat, a);
        ASSERT_EQ(iDecodeTrackPoint(a, iFormat, o), 1);
        EXPECT_EQ(o.lLatitude, 0x01020304);
        EXPECT_EQ(o.lLongitude, -2);
        EXPECT_EQ(o.lTime, 1000);
        EXPECT_EQ(o.fAltitude, iFormat == 300 ? kNoAltitude : 100.0f);
        EXPECT_EQ(o.fNewSegment, 1);
        a.pop_back();
        EXPECT_EQ(iDecodeTrackPoint(a, iFormat, o), 0) << "short record";
    }
    TrackPoint oIn = oPoint();
    oIn.lTime = -1; // 0xFFFFFFFF: the receivers' "no time"
    oIn.fAltitude = 1.0e25f;
    iEncodeTrackPoint(oIn, 301, a);
    ASSERT_EQ(iDecodeTrackPoint(a, 301, o), 1);
    vNormaliseTrackPoint(o);
    EXPECT_EQ(o.lTime, 0);
    EXPECT_EQ(o.fAltitude, kNoAltitude);
    EXPECT_EQ(iDecodeTrackPoint(a, 310, o), 0);
}

TEST(TrackRecordLayout, NoAltitudeGoesOutAsTheReceiversUnknown) {
    TrackPoint o = oPoint();
    o.fAltitude = kNoAltitude;
    std::vector<uint8_t> a;
    for (int iFormat : {301, 302}) {
        ASSERT_EQ(iEncodeTrackPoint(o, iFormat, a), 1);
        EXPECT_EQ(std::vector<uint8_t>(a.begin() + 12, a.begin() + 16),
                  std::vector<uint8_t>({F_1E25}))
            << iFormat;
    }
}

TEST(RouteHeaderLayout, NumbersAndComments) {
    Route o{};
    o.lNumber = 256;
    std::strcpy(o.szComment, "ABCDE");
    std::vector<uint8_t> a;
    ASSERT_EQ(iEncodeRouteHeader(o, 200, a), 1);
    EXPECT_EQ(a, std::vector<uint8_t>{0}); // low byte only
    o.lNumber = 7;
    ASSERT_EQ(iEncodeRouteHeader(o, 201, a), 1);
    EXPECT_EQ(a, ExpectedBytes()({7}).vText("ABCDE").vRepeat(0, 15).aBytes());
    std::strcpy(o.szComment, "12345678901234567890");
    iEncodeRouteHeader(o, 201, a);
    EXPECT_EQ(a, ExpectedBytes()({7}).vText("12345678901234567890").aBytes());
    Route oBack;
    oBack.aszPoints.resize(3);
    ASSERT_EQ(iDecodeRouteHeader(a, 201, oBack), 1);
    EXPECT_EQ(oBack.lNumber, 7u);
    EXPECT_STREQ(oBack.szComment, "12345678901234567890");
    EXPECT_EQ(oBack.aszPoints.size(), 0u);
    ASSERT_EQ(iDecodeRouteHeader(std::vector<uint8_t>{9}, 200, oBack), 1);
    EXPECT_EQ(oBack.lNumber, 9u);
    EXPECT_STREQ(oBack.szComment, "");
    EXPECT_EQ(iDecodeRouteHeader(std::vector<uint8_t>{9}, 201, oBack), 0);
    EXPECT_EQ(oBack.lNumber, 0u);
    EXPECT_EQ(iDecodeRouteHeader(a, 0, oBack), 0);
    EXPECT_EQ(iEncodeRouteHeader(o, 0, a), 0);
    EXPECT_TRUE(a.empty());
}

// The fitness units' records, written byte by byte from their published
// layouts: D303 position, time, altitude, heart rate; D304 adds distance
// before the heart rate and cadence and sensor flag after it.
TEST(FitnessTrackRecordLayout, FieldsAndTheirNones) {
    struct Case {
        const char *pszWhat;
        int iFormat;
        std::vector<uint8_t> aData;
        int32_t lLatitude;
        int32_t lTime; // after vNormaliseTrackPoint
        float fAltitude;
        uint8_t bHeartRate;
        uint8_t bCadence;
        float fDistance;
        uint8_t fWheelSensor;
    };
    const Case aCases[] = {
        {"D303", 303, ExpectedBytes().vI32(0x01020304).vI32(-2).vI32(1000)({F_100})({72}).aBytes(),
         0x01020304, 1000, 100.0f, 72, kNoCadence, kNoDistance, 0},
        {"D303, no time (0x7FFFFFFF), no altitude, no heart rate", 303,
         ExpectedBytes().vI32(5).vI32(6).vI32(0x7FFFFFFF)({F_1E25})({0}).aBytes(), 5, 0,
         kNoAltitude, kNoHeartRate, kNoCadence, kNoDistance, 0},
        {"D304", 304,
         ExpectedBytes()
             .vI32(7)
             .vI32(8)
             .vI32(2000)({F_100})({0x00, 0x00, 0x7A, 0x44})({150})({90})({1})
             .aBytes(),
         7, 2000, 100.0f, 150, 90, 1000.0f, 1},
        {"D304 without distance, cadence, heart rate; 0xFFFFFFFF no time", 304,
         ExpectedBytes().vI32(7).vI32(8).vI32(-1)({F_100})({F_1E25})({0})({0xFF})({0}).aBytes(), 7,
         0, 100.0f, kNoHeartRate, kNoCadence, kNoDistance, 0},
    };
    for (const Case &c : aCases) {
        TrackPoint o;
        TrackSensors oSensors;
        ASSERT_EQ(iDecodeTrackPoint(c.aData, c.iFormat, o, &oSensors), 1) << c.pszWhat;
        vNormaliseTrackPoint(o);
        EXPECT_EQ(o.lLatitude, c.lLatitude) << c.pszWhat;
        EXPECT_EQ(o.lTime, c.lTime) << c.pszWhat;
        EXPECT_EQ(o.fAltitude, c.fAltitude) << c.pszWhat;
        EXPECT_EQ(o.fNewSegment, 0) << c.pszWhat;
        EXPECT_EQ(oSensors.bHeartRate, c.bHeartRate) << c.pszWhat;
        EXPECT_EQ(oSensors.bCadence, c.bCadence) << c.pszWhat;
        EXPECT_EQ(oSensors.fDistance, c.fDistance) << c.pszWhat;
        EXPECT_EQ(oSensors.fWheelSensor, c.fWheelSensor) << c.pszWhat;
        std::vector<uint8_t> aShort(c.aData.begin(), c.aData.end() - 1);
        EXPECT_EQ(iDecodeTrackPoint(aShort, c.iFormat, o, &oSensors), 0) << c.pszWhat;
        // What the simulator serves goes out in the same bytes (times as they came).
        if (c.lTime != 0) {
            TrackPoint oIn{};
            ASSERT_EQ(iDecodeTrackPoint(c.aData, c.iFormat, oIn, &oSensors), 1);
            std::vector<uint8_t> aOut;
            ASSERT_EQ(iEncodeTrackPoint(oIn, c.iFormat, aOut, &oSensors), 1);
            EXPECT_EQ(aOut, c.aData) << c.pszWhat;
        }
    }
    TrackPoint o;
    const auto aNoFix = ExpectedBytes().vI32(0x7FFFFFFF).vI32(0x7FFFFFFF).vI32(9)({F_1E25})({80});
    ASSERT_EQ(iDecodeTrackPoint(aNoFix.aBytes(), 303, o), 1);
    EXPECT_FALSE(fHasDevicePosition(o));
}

TEST(TrackHeaderRecord, IndexOrNameAndColourBothWays) {
    std::vector<uint8_t> a;
    ASSERT_EQ(iEncodeTrackHeader(311, a, TrackHeader{"", 0xFF, 0x0102}), 1);
    EXPECT_EQ(a, (std::vector<uint8_t>{0x02, 0x01}));
    TrackHeader o;
    std::string sName;
    ASSERT_EQ(iDecodeTrackHeader(std::vector<uint8_t>{0x34, 0x12}, 311, o, sName), 1);
    EXPECT_EQ(o.sIndex, 0x1234);
    EXPECT_EQ(iDecodeTrackHeader(std::vector<uint8_t>{0x34}, 311, o, sName), 0);
    // A name of the track, a colour D310 cannot show goes as none.
    ASSERT_EQ(iEncodeTrackHeader(312, a, TrackHeader{"MORNING RIDE", 16, 0}), 1);
    EXPECT_EQ(a, ExpectedBytes()({1, 16}).vText("MORNING RIDE")({0}).aBytes());
    ASSERT_EQ(iEncodeTrackHeader(310, a, TrackHeader{"MORNING RIDE", 16, 0}), 1);
    EXPECT_EQ(a[1], 0xFF);
    ASSERT_EQ(iDecodeTrackHeader(ExpectedBytes()({1, 5}).vText("EVENING").aBytes(), 310, o, sName),
              1); // a name without its terminator ends with the record
    EXPECT_EQ(sName, "EVENING");
    EXPECT_EQ(o.svName, "EVENING");
    EXPECT_EQ(o.bColor, 5);
    EXPECT_EQ(iDecodeTrackHeader(std::vector<uint8_t>{1}, 312, o, sName), 0);
}

// D202: the route identifier, a zero-terminated string; D210: class (16 bits),
// subclass (18 bytes), identifier (zero-terminated).
TEST(A201RouteRecordLayout, D202HeaderAndD210Link) {
    Route o{};
    o.lNumber = 4;
    std::strcpy(o.szComment, "TO THE LAKE");
    std::vector<uint8_t> a;
    ASSERT_EQ(iEncodeRouteHeader(o, 202, a), 1);
    EXPECT_EQ(a, ExpectedBytes().vText("TO THE LAKE")({0}).aBytes());
    Route oBack;
    ASSERT_EQ(iDecodeRouteHeader(ExpectedBytes().vText("HOME")({0}).aBytes(), 202, oBack), 1);
    EXPECT_STREQ(oBack.szComment, "HOME");
    EXPECT_EQ(oBack.lNumber, 0u);
    // A name longer than the comment keeps its first 20 characters; one
    // without terminator ends with the data.
    ASSERT_EQ(iDecodeRouteHeader(ExpectedBytes().vText("A ROUTE NAME OF 28 LETTERS..").aBytes(),
                                 202, oBack),
              1);
    EXPECT_STREQ(oBack.szComment, "A ROUTE NAME OF 28 L");

    const std::vector<uint8_t> aStraight =
        ExpectedBytes()({0, 0}).vRepeat(0, 6).vRepeat(0xFF, 12)({0}).aBytes();
    ASSERT_EQ(iEncodeRouteLink(oStraightRouteLink(), 210, a), 1);
    EXPECT_EQ(a, aStraight);
    EXPECT_EQ(iEncodeRouteLink(oStraightRouteLink(), 0, a), 0);
    RouteLink oLink;
    const std::vector<uint8_t> aDirect =
        ExpectedBytes()({3, 0}).vRepeat(0, 6).vRepeat(0xFF, 12).vText("VIA")({0}).aBytes();
    ASSERT_EQ(iDecodeRouteLink(aDirect, 210, oLink), 1);
    EXPECT_EQ(oLink.sClass, kRouteLinkDirect);
    EXPECT_EQ(oLink.abSubclass[6], 0xFF);
    EXPECT_EQ(oLink.sIdent, "VIA");
    EXPECT_EQ(
        iDecodeRouteLink(std::vector<uint8_t>(aDirect.begin(), aDirect.begin() + 19), 210, oLink),
        0);
}

// A201 units send their route points in D110, a waypoint layout with the
// data type byte, attributes 0x80 and the time after the temperature.
TEST(A201RouteRecordLayout, D110RoutePoint) {
    const std::vector<uint8_t> a = ExpectedBytes()({1, 0, 0x00, 0x80})({8, 0})
                                       .vRepeat(0, 6)
                                       .vRepeat(0xFF, 12)
                                       .vI32(0x11223344)
                                       .vI32(-0x11223344)({F_100})({0, 0, 0, 0})({0, 0, 0, 0})
                                       .vText("    ")
                                       .vI32(-1)({F_1E25})
                                       .vI32(0x7FFFFFFF)({0, 0})
                                       .vText("BRIDGE")({0})
                                       .vText("over the river")({0})({0})({0})({0})({0})
                                       .aBytes();
    Waypoint o;
    ASSERT_EQ(eDecodeWaypointRecord(a, 110, o), WaypointDecode::kUserWaypoint);
    EXPECT_STREQ(o.szName, "BRIDGE");
    EXPECT_STREQ(o.szComment, "over the river");
    EXPECT_EQ(o.lLatitude, 0x11223344);
    EXPECT_EQ(o.lLongitude, -0x11223344);
    EXPECT_EQ(o.fAltitude, 100.0f);
    EXPECT_EQ(o.lTime, 0) << "0x7FFFFFFF is no time";
}

} // namespace
