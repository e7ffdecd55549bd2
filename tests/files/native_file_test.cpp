#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "files/native_file.h"
#include "formats/route_point_names.h"
#include "store/little_endian.h"
#include "store/workspace.h"
#include "tests/store_points.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> abHeader(uint8_t bMinor) {
    return {'O', 'r', 'v', 'e', 'n', 's', 't', 'a', 0x00, 0x1A, 1, bMinor};
}

void vPut32(std::vector<uint8_t> &a, uint32_t l) {
    for (int i = 0; i < 4; ++i) {
        a.push_back(static_cast<uint8_t>(l >> (8 * i)));
    }
}

void vPutText(std::vector<uint8_t> &a, const char *psz, size_t nField) {
    size_t n = std::strlen(psz);
    for (size_t i = 0; i < nField; ++i) {
        a.push_back(i < n ? static_cast<uint8_t>(psz[i]) : 0);
    }
}

void vPutFloat(std::vector<uint8_t> &a, float f) {
    vPut32(a, std::bit_cast<uint32_t>(f));
}

Waypoint oWaypoint(const char *pszName, int32_t lLat, int32_t lLon) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "near %s", pszName);
    o.lLatitude = lLat;
    o.lLongitude = lLon;
    o.lTime = 123456;
    o.fProximity = 0;
    o.sSymbol = 18;
    o.bDisplay = 1;
    o.bColor = 3;
    o.fAltitude = 512.5f;
    return o;
}

Route oRoute(uint32_t lNumber, std::initializer_list<const char *> apszNames) {
    Route o{};
    o.lNumber = lNumber;
    std::snprintf(o.szComment, sizeof(o.szComment), "route %u", lNumber);
    for (const char *psz : apszNames) {
        std::snprintf(pszAppendRoutePoint(o), kNameSize, "%s", psz);
    }
    return o;
}

TrackPoint oPoint(int32_t lTime, int32_t lLat, int32_t fNewSegment = 0) {
    TrackPoint o{};
    o.lLatitude = lLat;
    o.lLongitude = -lLat;
    o.lTime = lTime;
    o.fAltitude = 100.0f + static_cast<float>(lLat);
    o.fNewSegment = fNewSegment;
    return o;
}

void vFill(Workspace &w) {
    for (const char *psz : {"ZULU", "ALPHA", "MIKE", "BRAVO"}) {
        Waypoint o = oWaypoint(psz, 100 * psz[0], -200 * psz[0]);
        ASSERT_EQ(iAddWaypoint(&w, o), 1);
    }
    Route r1 = oRoute(2, {"ALPHA", "MIKE"});
    Route r2 = oRoute(1, {"ZULU"});
    ASSERT_EQ(iAddRoute(&w, r1), 1);
    ASSERT_EQ(iAddRoute(&w, r2), 1);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(iAddTrackPoint(&w, oPoint(1000 + 10 * i, i, i == 0)), 1);
    }
}

int iRead(Workspace &w, const std::vector<uint8_t> &a) {
    return iReadNativeBuffer(&w, std::span<const uint8_t>(a.data(), a.size()), "test.vkd");
}

class NativeFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oDir =
            fs::temp_directory_path() /
            ("quillox-native-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(oDir);
        fs::create_directories(oDir);
    }
    void TearDown() override { fs::remove_all(oDir); }
    std::string sPath(const char *pszName) const { return (oDir / pszName).string(); }
    fs::path oDir;
};

} // namespace

TEST(NativeImage, EmptyStoreIsHeaderAndThreeZeroCounts) {
    Workspace w;
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 7, a);
    std::vector<uint8_t> aExpected = abHeader(2);
    for (int i = 0; i < 3; ++i) {
        vPut32(aExpected, 0);
    }
    EXPECT_EQ(a, aExpected);
}

TEST(NativeImage, RecordSizesAndFieldOffsets) {
    Workspace w;
    Waypoint o = oWaypoint("A", 0x01020304, -2);
    ASSERT_EQ(iAddWaypoint(&w, o), 1);
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 7, a);
    ASSERT_EQ(a.size(), 24u + 126u);
    const uint8_t *p = a.data() + 20; // header, route count, waypoint count
    EXPECT_EQ(p[0], 'A');
    EXPECT_EQ(p[51], 'n'); // the comment
    EXPECT_EQ(p[102], 0x04);
    EXPECT_EQ(p[105], 0x01);
    EXPECT_EQ(p[106], 0xFE); // -2, little-endian
    EXPECT_EQ(p[118], 18);   // symbol
    EXPECT_EQ(p[120], 1);    // display
    EXPECT_EQ(p[121], 3);    // colour
}

TEST(NativeRoundTrip, SameRecordsInSameOrderEqualTimesReversed) {
    Workspace w;
    vFill(w);
    // A run of points with one time: the store puts each new one in front.
    ASSERT_EQ(iAddTrackPoint(&w, oPoint(5000, 7)), 1);
    ASSERT_EQ(iAddTrackPoint(&w, oPoint(5000, 8)), 1);
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 7, a);

    Workspace w2;
    ASSERT_EQ(iRead(w2, a), 1);
    ASSERT_EQ(w2.pStore->lWaypointCount, w.pStore->lWaypointCount);
    auto it2 = w2.pStore->pWaypoints.begin();
    for (const auto &[sName, o] : w.pStore->pWaypoints) {
        EXPECT_EQ(std::memcmp(&o, &it2->second, sizeof(Waypoint)), 0) << sName;
        ++it2;
    }
    ASSERT_EQ(w2.pStore->lRouteCount, 2);
    EXPECT_EQ(w2.pStore->pRoutes.begin()->second.lNumber, 1u);
    EXPECT_STREQ(w2.pStore->pRoutes.rbegin()->second.aszPoints[1], "MIKE");

    std::vector<int32_t> alBefore, alAfter;
    for (const TrackPoint &o : aTrackPoints(*w.pStore)) {
        alBefore.push_back(o.lLatitude);
    }
    for (const TrackPoint &o : aTrackPoints(*w2.pStore)) {
        alAfter.push_back(o.lLatitude);
    }
    EXPECT_EQ(alBefore, (std::vector<int32_t>{0, 1, 2, 3, 4, 8, 7}));
    EXPECT_EQ(alAfter, (std::vector<int32_t>{0, 1, 2, 3, 4, 7, 8}));
    EXPECT_EQ(aTrackPoints(*w2.pStore).begin()->fNewSegment, 1);
    EXPECT_FLOAT_EQ(aTrackPoints(*w2.pStore).begin()->fAltitude, 100.0f);
}

TEST(NativeImage, RoutesWithoutWaypointsCarryTheWaypointsTheyName) {
    Workspace w;
    vFill(w);
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 1, a);
    Workspace w2;
    ASSERT_EQ(iRead(w2, a), 1);
    EXPECT_EQ(w2.pStore->lRouteCount, 2);
    EXPECT_EQ(w2.pStore->lWaypointCount, 3); // ALPHA, MIKE, ZULU; not BRAVO
    EXPECT_EQ(pFindWaypoint(&w2, "BRAVO"), nullptr);
    EXPECT_EQ(w2.pStore->lTrackPointCount, 0);
    EXPECT_EQ(iRoutePointNameCount(), 0); // the name set is emptied after the write

    std::vector<uint8_t> aTrack;
    vBuildNativeImage(&w, 4, aTrack);
    EXPECT_EQ(aTrack.size(), 24u + 5 * 20u);
}

TEST(NativeRead, RefusedHeadersLeaveTheStoreUntouched) {
    std::vector<uint8_t> aGood;
    {
        Workspace w;
        vFill(w);
        vBuildNativeImage(&w, 7, aGood);
    }
    struct Case {
        const char *pszWhat;
        size_t nOffset;
        uint8_t bValue;
    } aCases[] = {{"minor version 3", 11, 3},
                  {"byte 9", 9, 0x1B},
                  {"major version", 10, 2},
                  {"magic", 0, 'o'},
                  {"byte 8", 8, 1}};
    for (const Case &c : aCases) {
        std::vector<uint8_t> a = aGood;
        a[c.nOffset] = c.bValue;
        Workspace w;
        EXPECT_EQ(iRead(w, a), 0) << c.pszWhat;
        EXPECT_EQ(w.pStore->lWaypointCount + w.pStore->lRouteCount + w.pStore->lTrackPointCount, 0)
            << c.pszWhat;
    }
    Workspace w;
    std::vector<uint8_t> aShort(aGood.begin(), aGood.begin() + 11);
    EXPECT_EQ(iRead(w, aShort), 0);
    EXPECT_EQ(iRead(w, {}), 0);
}

TEST(NativeRead, TruncatedFileKeepsTheRecordsBeforeTheCut) {
    Workspace w;
    vFill(w);
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 7, a);
    // Cut inside the third track point.
    a.resize(a.size() - 2 * 20 - 10);
    Workspace w2;
    EXPECT_EQ(iRead(w2, a), 0);
    EXPECT_EQ(w2.pStore->lRouteCount, 2);
    EXPECT_EQ(w2.pStore->lWaypointCount, 4);
    EXPECT_EQ(w2.pStore->lTrackPointCount, 2);

    // Every cut point of the image reads without fault and never reports success.
    for (size_t n = 12; n + 1 < a.size(); n += 7) {
        Workspace w3;
        std::vector<uint8_t> aCut(a.begin(), a.begin() + static_cast<long>(n));
        EXPECT_EQ(iRead(w3, aCut), 0) << n;
    }
}

TEST(NativeRead, HugeCountInTinyFileFailsWithoutAllocating) {
    std::vector<uint8_t> a = abHeader(2);
    vPut32(a, 0);
    vPut32(a, 4000000000u); // four billion waypoints announced...
    a.resize(30, 0);        // ...and two bytes follow
    Workspace w;
    EXPECT_EQ(iRead(w, a), 0);
    EXPECT_EQ(w.pStore->lWaypointCount, 0);
}

TEST(NativeRead, Version10RecordsGetDefaultsAndShortNames) {
    std::vector<uint8_t> a = abHeader(0);
    vPut32(a, 1); // one route
    vPut32(a, 7);
    vPut32(a, 3);
    vPutText(a, "OLD ROUTE", 21);
    vPutText(a, "ONE", 7);
    vPutText(a, "TWO", 7);
    vPutText(a, "SEVENCH", 7); // seven characters, no terminator in its field
    for (int i = 3; i < 30; ++i) {
        vPutText(a, "X", 7); // beyond the count: not copied
    }
    vPut32(a, 1); // one waypoint
    vPutText(a, "SEVENCH", 7);
    vPutText(a, "an old comment", 41);
    vPut32(a, 1000);
    vPut32(a, static_cast<uint32_t>(-2000));
    vPut32(a, 77);
    vPut32(a, 0xDEADBEEF); // not read
    vPutFloat(a, 250.0f);
    vPut32(a, 1); // one track point
    vPut32(a, 10);
    vPut32(a, 20);
    vPut32(a, 30);
    vPut32(a, 1);
    Workspace w;
    ASSERT_EQ(iRead(w, a), 1);

    const Route &r = w.pStore->pRoutes.begin()->second;
    EXPECT_EQ(r.lNumber, 7u);
    EXPECT_EQ(r.aszPoints.size(), 3u);
    EXPECT_STREQ(r.szComment, "OLD ROUTE");
    EXPECT_STREQ(r.aszPoints[0], "ONE");
    EXPECT_STREQ(r.aszPoints[2], "SEVENCH");

    const Waypoint *p = pFindWaypoint(&w, "SEVENCH");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->szComment, "an old comment");
    EXPECT_EQ(p->lLatitude, 1000);
    EXPECT_EQ(p->lLongitude, -2000);
    EXPECT_EQ(p->lTime, 77);
    EXPECT_EQ(p->fProximity, 250.0f);
    EXPECT_EQ(p->bColor, 255);
    EXPECT_EQ(p->fAltitude, 0.0f);
    EXPECT_EQ(p->sSymbol, 0);
    EXPECT_EQ(p->bDisplay, 0);

    const TrackPoint &t = *aTrackPoints(*w.pStore).begin();
    EXPECT_EQ(t.lLatitude, 10);
    EXPECT_EQ(t.lTime, 30);
    EXPECT_EQ(t.fNewSegment, 1);
    EXPECT_EQ(t.fAltitude, 0.0f);
}

TEST(NativeRead, Version11WaypointIs74BytesAndRouteCountIsClamped) {
    std::vector<uint8_t> a = abHeader(1);
    vPut32(a, 1);
    vPut32(a, 9);
    vPut32(a, 99); // more names than the record can hold
    vPutText(a, "", 21);
    for (int i = 0; i < 30; ++i) {
        vPutText(a, "P", 7);
    }
    vPut32(a, 3);
    // 0: name; 7: comment; 48: latitude; 52: longitude; 56: time; 60: four
    // bytes not read; 64: radius; 68: four bytes not read; 72: symbol and 73:
    // display, both D103 numbers.
    const uint8_t abSymbols[3] = {2, 7, 12};
    int k = 0;
    for (const char *psz : {"W1", "W2", "W3"}) {
        vPutText(a, psz, 7);
        vPutText(a, "old", 41);
        vPut32(a, 1000 + k);
        vPut32(a, 2000 + k);
        vPut32(a, 3 + k);
        vPut32(a, 0xDEADBEEF);
        vPutFloat(a, 25.0f * static_cast<float>(k));
        vPut32(a, 0xFFFFFFFF);
        a.push_back(abSymbols[k]);
        a.push_back(static_cast<uint8_t>(k)); // 0 symbol and name, 1 symbol, 2 comment
        ++k;
    }
    vPut32(a, 0);
    Workspace w;
    ASSERT_EQ(iRead(w, a), 1);
    EXPECT_EQ(w.pStore->pRoutes.begin()->second.aszPoints.size(), 30u);
    ASSERT_EQ(w.pStore->lWaypointCount, 3);
    for (k = 0; k < 3; ++k) {
        // Appended, not a literal put in front of a temporary string: that shape
        // makes g++ 12 report an overlapping copy that is not there (GCC bug 105329).
        std::string sName = "W";
        sName += std::to_string(k + 1);
        const Waypoint *p = pFindWaypoint(&w, sName.c_str());
        ASSERT_NE(p, nullptr) << sName;
        EXPECT_STREQ(p->szComment, "old");
        EXPECT_EQ(p->lLatitude, 1000 + k);
        EXPECT_EQ(p->lLongitude, 2000 + k);
        EXPECT_EQ(p->lTime, 3 + k);
        EXPECT_EQ(p->fProximity, 25.0f * static_cast<float>(k));
        EXPECT_EQ(p->sSymbol, abSymbols[k]);
        EXPECT_EQ(p->bDisplay, k);
        EXPECT_EQ(p->bColor, 255);
    }
    EXPECT_EQ(w.pStore->lTrackPointCount, 0);
}

TEST_F(NativeFileTest, LoadingTwiceReplacesWaypointsAndDoublesTrack) {
    Workspace w;
    vFill(w);
    std::string s = sPath("twice.vkd");
    ASSERT_EQ(iWriteNativeFile(&w, s.c_str(), 7), 1);
    EXPECT_FALSE(fs::exists(s + ".tmp"));
    Workspace w2;
    ASSERT_EQ(iReadNativeFile(&w2, s.c_str()), 1);
    ASSERT_EQ(iReadNativeFile(&w2, s.c_str()), 1);
    EXPECT_EQ(w2.pStore->lWaypointCount, 4);
    EXPECT_EQ(w2.pStore->lRouteCount, 2);
    EXPECT_EQ(w2.pStore->lTrackPointCount, 10);
}

TEST_F(NativeFileTest, FailedSaveLeavesTheOldFile) {
    Workspace w;
    vFill(w);
    std::string s = sPath("keep.vkd");
    {
        std::ofstream oOut(s, std::ios::binary);
        oOut << "old contents";
    }
#if !defined(_WIN32)
    // The temporary beside the target cannot be created (no file can be
    // opened): the save fails.
    struct rlimit oLimit {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &oLimit), 0);
    int iFree = dup(0);
    ASSERT_GE(iFree, 0);
    close(iFree);
    struct rlimit oLow = oLimit;
    oLow.rlim_cur = static_cast<rlim_t>(iFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &oLow), 0);
    int iResult = iWriteNativeFile(&w, s.c_str(), 7);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &oLimit), 0);
    EXPECT_EQ(iResult, 0);
#endif
    std::ifstream oIn(s, std::ios::binary);
    std::string sContents((std::istreambuf_iterator<char>(oIn)), std::istreambuf_iterator<char>());
    EXPECT_EQ(sContents, "old contents");
    EXPECT_EQ(iRoutePointNameCount(), 0);

    EXPECT_EQ(iWriteNativeFile(&w, sPath("no/such/dir/x.vkd").c_str(), 7), 0);
    Workspace w2;
    EXPECT_EQ(iReadNativeFile(&w2, sPath("missing.vkd").c_str()), 0);
}
