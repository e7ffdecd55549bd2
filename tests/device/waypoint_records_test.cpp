#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/waypoint_records.h"
#include "record_bytes.h"

namespace {

// 1.0e25, 100.0 and 50.0 as little-endian IEEE singles.
#define F_1E25 0x51, 0x59, 0x04, 0x69
#define F_100 0x00, 0x00, 0xC8, 0x42
#define F_50 0x00, 0x00, 0x48, 0x42

Waypoint oSample() {
    Waypoint o = oEmptyWaypoint();
    std::strcpy(o.szName, "ABCDEFGHIJ");
    std::strcpy(o.szComment, "Hi");
    o.lLatitude = 0x01020304;
    o.lLongitude = -1;
    o.lTime = 0x0A0B0C0D;
    o.fProximity = 50.0f;
    o.sSymbol = 3;
    o.bDisplay = 2;
    o.bColor = 10;
    o.fAltitude = 100.0f;
    return o;
}

std::vector<uint8_t> aEncode(const Waypoint &o, int iFormat) {
    std::vector<uint8_t> a;
    EXPECT_EQ(iEncodeWaypointRecord(o, iFormat, a), 1) << iFormat;
    return a;
}

ExpectedBytes oCommonPart() {
    ExpectedBytes o;
    o.vText("ABCDEF")({0x04, 0x03, 0x02, 0x01})({0xFF, 0xFF, 0xFF, 0xFF})({0x0D, 0x0C, 0x0B, 0x0A});
    o.vPadded("Hi", 40);
    return o;
}

TEST(WaypointRecordLayout, FixedLayoutsWithShortIdentifier) {
    const Waypoint o = oSample();
    EXPECT_EQ(aEncode(o, 100), oCommonPart().aBytes());
    // Stored 3 is device 170 in the large set.
    EXPECT_EQ(aEncode(o, 101), oCommonPart()({F_50})({170}).aBytes());
    EXPECT_EQ(aEncode(o, 102), oCommonPart()({F_50})({170, 0}).aBytes());
    EXPECT_EQ(aEncode(o, 103), oCommonPart()({3, 2}).aBytes());
    EXPECT_EQ(aEncode(o, 104), oCommonPart()({F_50})({170, 0})({5}).aBytes());
    EXPECT_EQ(aEncode(o, 107), oCommonPart()({3, 2})({F_50})({2}).aBytes());
    EXPECT_EQ(aEncode(o, 400), oCommonPart()({F_50}).aBytes());
    EXPECT_EQ(aEncode(o, 403), oCommonPart()({3, 2})({F_50}).aBytes());
}

TEST(WaypointRecordLayout, ByteWideSymbolsOutOfRange) {
    Waypoint o = oSample();
    o.sSymbol = 5100; // a device number kept as it is: too wide for one byte
    EXPECT_EQ(aEncode(o, 101)[62], 36);
    const std::vector<uint8_t> a108 = aEncode(o, 108);
    EXPECT_EQ(a108[4] | (a108[5] << 8), 5100);
    o.sSymbol = 200;
    const std::vector<uint8_t> a = aEncode(o, 108);
    EXPECT_EQ(a[4], 18);
    // The basic-set formats only know 0..15.
    o.sSymbol = 5000;
    EXPECT_EQ(aEncode(o, 103)[58], 0);
    EXPECT_EQ(aEncode(o, 103)[59], 2);
}

TEST(WaypointRecordLayout, VariableLayouts) {
    Waypoint o = oEmptyWaypoint();
    std::strcpy(o.szName, "WP1");
    std::strcpy(o.szComment, "C");
    o.lLatitude = 1;
    o.lLongitude = 2;
    o.lTime = 0x11223344;
    o.fAltitude = 100.0f;
    o.fProximity = 50.0f;
    o.sSymbol = 1; // device 10
    o.bDisplay = 1;
    o.bColor = 3;
    auto oTail = [](ExpectedBytes &e) {
        e({0x0A, 0x00}).vRepeat(0x00, 6).vRepeat(0xFF, 12);
        e.vI32(1).vI32(2)({F_100})({0, 0, 0, 0})({F_50}).vText("    ");
    };
    ExpectedBytes e108;
    e108({0x00, 0x03, 0x01, 0x60});
    oTail(e108);
    e108.vText("WP1")({0}).vText("C")({0, 0, 0, 0, 0});
    EXPECT_EQ(aEncode(o, 108), e108.aBytes());
    EXPECT_EQ(e108.aBytes().size(), 54u + 3 + 1);

    ExpectedBytes e109;
    e109({0x01, 0x00, 0x23, 0x70}); // display 1 in bits 5-6, colour 3 in bits 0-4
    oTail(e109);
    e109({0xFF, 0xFF, 0xFF, 0xFF}).vText("WP1")({0}).vText("C")({0, 0, 0, 0, 0});
    EXPECT_EQ(aEncode(o, 109), e109.aBytes());

    ExpectedBytes e110;
    e110({0x01, 0x00, 0x23, 0x80});
    oTail(e110);
    e110({0xFF, 0xFF, 0xFF, 0xFF})({F_1E25})({0x44, 0x33, 0x22, 0x11})({0, 0});
    e110.vText("WP1")({0}).vText("C")({0, 0, 0, 0, 0});
    EXPECT_EQ(aEncode(o, 110), e110.aBytes());
    EXPECT_EQ(e110.aBytes().size(), 68u + 3 + 1);

    // A full 50-character name goes out whole.
    std::memset(o.szName, 'N', 50);
    o.szName[50] = '\0';
    const std::vector<uint8_t> a = aEncode(o, 108);
    EXPECT_EQ(a.size(), 54u + 50 + 1);
    EXPECT_EQ(a[48 + 50], 0);
}

TEST(WaypointRecordLayout, NoAltitudeGoesOutAsTheReceiversUnknown) {
    // The float altitude sits at 32 in 108, 109 and 110. -777 m is the
    // store's "no altitude", and so is anything at -700 m or below.
    Waypoint o = oSample();
    for (int iFormat : {108, 109, 110}) {
        SCOPED_TRACE(iFormat);
        for (float fNone : {-777.0f, -700.0f, -1.0e6f}) {
            o.fAltitude = fNone;
            const std::vector<uint8_t> a = aEncode(o, iFormat);
            EXPECT_EQ(std::vector<uint8_t>(a.begin() + 32, a.begin() + 36),
                      std::vector<uint8_t>({F_1E25}));
            Waypoint oBack;
            ASSERT_EQ(eDecodeWaypointRecord(a, iFormat, oBack), WaypointDecode::kUserWaypoint);
            EXPECT_EQ(oBack.fAltitude, kNoAltitude);
        }
        o.fAltitude = -699.0f; // deep, but an altitude
        const std::vector<uint8_t> a = aEncode(o, iFormat);
        EXPECT_EQ(std::vector<uint8_t>(a.begin() + 32, a.begin() + 36),
                  std::vector<uint8_t>({0x00, 0xC0, 0x2E, 0xC4}));
    }
}

TEST(WaypointRecordLayout, D150Family) {
    Waypoint o = oSample();
    o.fAltitude = -12.9f; // cut toward zero: -12
    o.sSymbol = 1;
    ExpectedBytes e150;
    e150.vText("ABCDEF").vText("  ")({4})({0x04, 0x03, 0x02, 0x01})({0xFF, 0xFF, 0xFF, 0xFF});
    e150({0xF4, 0xFF}).vRepeat(' ', 24 + 2 + 30).vPadded("Hi", 40);
    EXPECT_EQ(aEncode(o, 150), e150.aBytes());

    auto oD151 = [&](int iClass) {
        ExpectedBytes e = oCommonPart();
        e({F_50}).vRepeat(' ', 30 + 24 + 2)({0xF4, 0xFF}).vText("  ")({0, iClass});
        return e;
    };
    EXPECT_EQ(aEncode(o, 151), oD151(2).aBytes());
    EXPECT_EQ(aEncode(o, 152), oD151(4).aBytes());
    EXPECT_EQ(aEncode(o, 154), oD151(4)({10, 0}).aBytes());
    EXPECT_EQ(aEncode(o, 155), oD151(4)({10, 0})({5}).aBytes());
    // Altitudes beyond 16 bits are held at the limits, not wrapped.
    o.fAltitude = 40000.0f;
    std::vector<uint8_t> a = aEncode(o, 152);
    EXPECT_EQ(a[118] | (a[119] << 8), 0x7FFF);
}

TEST(WaypointRecordLayout, UnknownFormatsSendNothing) {
    std::vector<uint8_t> a{1, 2, 3};
    for (int iFormat : {0, 105, 106, 153, 401, 999}) {
        EXPECT_EQ(iEncodeWaypointRecord(oSample(), iFormat, a), 0) << iFormat;
        EXPECT_TRUE(a.empty());
        EXPECT_EQ(iIsWaypointFormat(iFormat), 0);
    }
}

// What each format carries back on a download.
struct Carried {
    int iFormat;
    bool fTime, fProximity, fSymbol, fDisplay, fColor, fAltitude, fLongName;
};

TEST(WaypointRecordDecode, RoundTripKeepsWhatEachFormatCarries) {
    const Carried aFormats[] = {
        {100, 1, 0, 0, 0, 0, 0, 0}, {101, 1, 1, 1, 0, 0, 0, 0}, {102, 1, 1, 1, 0, 0, 0, 0},
        {103, 1, 0, 1, 1, 0, 0, 0}, {104, 1, 1, 1, 1, 0, 0, 0}, {107, 1, 1, 1, 1, 1, 0, 0},
        {108, 0, 1, 1, 1, 1, 1, 1}, {109, 0, 1, 1, 1, 1, 1, 1}, {110, 1, 1, 1, 1, 1, 1, 1},
        {150, 0, 0, 0, 0, 0, 1, 0}, {151, 1, 1, 0, 0, 0, 1, 0}, {152, 1, 1, 0, 0, 0, 1, 0},
        {154, 1, 1, 1, 0, 0, 1, 0}, {155, 1, 1, 1, 1, 0, 1, 0}, {400, 1, 1, 0, 0, 0, 0, 0},
        {403, 1, 1, 1, 1, 0, 0, 0},
    };
    Waypoint o = oSample();
    o.sSymbol = 9; // a basic symbol that every symbol-carrying format returns
    o.bColor = 12; // a colour that format 107 knows
    o.fAltitude = 321.0f;
    for (const Carried &c : aFormats) {
        std::vector<uint8_t> a = aEncode(o, c.iFormat);
        Waypoint oBack;
        ASSERT_EQ(eDecodeWaypointRecord(a, c.iFormat, oBack), WaypointDecode::kUserWaypoint)
            << c.iFormat;
        SCOPED_TRACE(c.iFormat);
        EXPECT_STREQ(oBack.szName, c.fLongName ? "ABCDEFGHIJ" : "ABCDEF");
        // Short-identifier formats pad the comment with blanks; the store trims them.
        EXPECT_EQ(std::strncmp(oBack.szComment, "Hi", 2), 0);
        EXPECT_EQ(oBack.lLatitude, o.lLatitude);
        EXPECT_EQ(oBack.lLongitude, o.lLongitude);
        EXPECT_EQ(oBack.lTime, c.fTime ? o.lTime : 0);
        EXPECT_EQ(oBack.fProximity, c.fProximity ? 50.0f : 0.0f);
        EXPECT_EQ(oBack.sSymbol, c.fSymbol ? 9 : 0);
        EXPECT_EQ(oBack.bDisplay, c.fDisplay ? 2 : 0);
        EXPECT_EQ(oBack.bColor, c.fColor ? 12 : 255);
        EXPECT_EQ(oBack.fAltitude, c.fAltitude ? 321.0f : kNoAltitude);
    }
}

TEST(WaypointRecordDecode, OnlyUserWaypointsAreTaken) {
    Waypoint o = oSample();
    Waypoint oBack;
    std::vector<uint8_t> a = aEncode(o, 108);
    a[0] = 1; // class 1: a receiver's own waypoint
    EXPECT_EQ(eDecodeWaypointRecord(a, 108, oBack), WaypointDecode::kNotUser);
    EXPECT_STREQ(oBack.szName, "ABCDEFGHIJ"); // routes still need its name
    for (int iFormat : {109, 110}) {
        a = aEncode(o, iFormat);
        a[1] = 3;
        EXPECT_EQ(eDecodeWaypointRecord(a, iFormat, oBack), WaypointDecode::kNotUser);
    }
    a = aEncode(o, 150);
    a[8] = 2;
    EXPECT_EQ(eDecodeWaypointRecord(a, 150, oBack), WaypointDecode::kNotUser);
    a = aEncode(o, 151);
    a[123] = 4;
    EXPECT_EQ(eDecodeWaypointRecord(a, 151, oBack), WaypointDecode::kNotUser);
    for (int iFormat : {152, 154, 155}) {
        a = aEncode(o, iFormat);
        a[123] = 2;
        EXPECT_EQ(eDecodeWaypointRecord(a, iFormat, oBack), WaypointDecode::kNotUser);
    }
}

TEST(WaypointRecordDecode, ReceiverMarkersForNoneAndColours) {
    Waypoint o = oSample();
    o.fAltitude = 1.0e25f;
    o.fProximity = 1.0e25f;
    Waypoint oBack;
    std::vector<uint8_t> a = aEncode(o, 110);
    ASSERT_EQ(eDecodeWaypointRecord(a, 110, oBack), WaypointDecode::kUserWaypoint);
    EXPECT_EQ(oBack.fAltitude, kNoAltitude);
    EXPECT_EQ(oBack.fProximity, 0.0f);
    EXPECT_EQ(oBack.lTime, o.lTime);
    a = aEncode(o, 108);
    ASSERT_EQ(eDecodeWaypointRecord(a, 108, oBack), WaypointDecode::kUserWaypoint);
    EXPECT_EQ(oBack.lTime, 0);
    a[1] = 0; // colour 0 is black in 108
    eDecodeWaypointRecord(a, 108, oBack);
    EXPECT_EQ(oBack.bColor, 0);
    a = aEncode(o, 107);
    a[64] = 0; // but "default" in 107
    eDecodeWaypointRecord(a, 107, oBack);
    EXPECT_EQ(oBack.bColor, 255);
    o.bDisplay = 50;
    a = aEncode(o, 104);
    EXPECT_EQ(a[64], 0);
    eDecodeWaypointRecord(a, 104, oBack);
    EXPECT_EQ(oBack.bDisplay, 50);
}

TEST(WaypointRecordDecode, BadRecordsAreBounded) {
    Waypoint oBack;
    const std::vector<uint8_t> aFull = aEncode(oSample(), 103);
    std::vector<uint8_t> a(aFull.begin(), aFull.end() - 1);
    EXPECT_EQ(eDecodeWaypointRecord(a, 103, oBack), WaypointDecode::kMalformed);
    EXPECT_EQ(eDecodeWaypointRecord(aFull, 0, oBack), WaypointDecode::kMalformed);
    EXPECT_EQ(eDecodeWaypointRecord({}, 108, oBack), WaypointDecode::kMalformed);
    // A variable record whose strings lack their zeros, with an over-long name.
    a.assign(48, 0);
    a.insert(a.end(), 80, 'X');
    ASSERT_EQ(eDecodeWaypointRecord(a, 108, oBack), WaypointDecode::kUserWaypoint);
    EXPECT_EQ(std::strlen(oBack.szName), 50u);
    EXPECT_STREQ(oBack.szComment, "");
    // Identifier and comment of the fixed layouts stop at a zero byte.
    a = aFull;
    a[3] = 0;
    eDecodeWaypointRecord(a, 103, oBack);
    EXPECT_STREQ(oBack.szName, "ABC");
}

} // namespace
