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
        ASSERT_EQ(iEncodeTrackHeader(iFormat, a), 1);
        EXPECT_EQ(a, aHeader);
    }
    EXPECT_EQ(iEncodeTrackHeader(0, a), 0);
    EXPECT_EQ(iEncodeTrackHeader(311, a), 0);
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
    std::memset(&oBack, 'x', sizeof(oBack));
    ASSERT_EQ(iDecodeRouteHeader(a, 201, oBack), 1);
    EXPECT_EQ(oBack.lNumber, 7u);
    EXPECT_STREQ(oBack.szComment, "12345678901234567890");
    EXPECT_EQ(oBack.lPointCount, 0u);
    ASSERT_EQ(iDecodeRouteHeader(std::vector<uint8_t>{9}, 200, oBack), 1);
    EXPECT_EQ(oBack.lNumber, 9u);
    EXPECT_STREQ(oBack.szComment, "");
    EXPECT_EQ(iDecodeRouteHeader(std::vector<uint8_t>{9}, 201, oBack), 0);
    EXPECT_EQ(oBack.lNumber, 0u);
    EXPECT_EQ(iDecodeRouteHeader(a, 0, oBack), 0);
    EXPECT_EQ(iEncodeRouteHeader(o, 0, a), 0);
    EXPECT_TRUE(a.empty());
}

} // namespace
