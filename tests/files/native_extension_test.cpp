#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "files/native_file.h"
#include "store/workspace.h"
#include "tests/store_points.h"

namespace {

TrackPoint oPoint(int32_t lTime, int32_t lLatitude, int32_t fNewSegment = 0) {
    TrackPoint o{};
    o.lLatitude = lLatitude;
    o.lLongitude = -lLatitude;
    o.lTime = lTime;
    o.fAltitude = 10.0f;
    o.fNewSegment = fNewSegment;
    return o;
}

Waypoint oPlace(const char *pszName, int32_t lLatitude) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    o.lLatitude = lLatitude;
    o.lLongitude = lLatitude;
    return o;
}

// A store of what version 1.2 cannot hold: three tracks (two named, one with
// a colour and sensor data, one untimed), a route of 232 points, a route that
// reuses a name at another place, route-only waypoints.
void vBuildRichStore(Workspace &w) {
    Waypoint oHome = oPlace("HOME", 100);
    iAddWaypoint(&w, oHome);
    int32_t lA = lAddTrack(&w, "Morning ride", 5);
    for (int i = 0; i < 3; ++i) {
        TrackSensors o;
        o.bHeartRate = static_cast<uint8_t>(120 + i);
        o.fDistance = 10.0f * static_cast<float>(i);
        iAppendTrackPoint(&w, lA, oPoint(3000 - i, i, i == 0), &o);
    }
    int32_t lB = lAddTrack(&w, "");
    iAppendTrackPoint(&w, lB, oPoint(0, 7));
    iAppendTrackPoint(&w, lB, oPoint(0, 8, 1));
    int32_t lC = lAddTrack(&w, "Evening");
    iAppendTrackPoint(&w, lC, oPoint(50, 9));

    Route oLong{};
    oLong.lNumber = 1;
    for (int i = 0; i < 232; ++i) {
        char szName[16];
        std::snprintf(szName, sizeof(szName), "P%02d", i);
        Waypoint o = oPlace(szName, 1000 + i);
        iAddRoutePoint(&w, oLong, o, true);
    }
    iAddRoute(&w, oLong);
    Route oOther{};
    oOther.lNumber = 2;
    Waypoint oElsewhere = oPlace("P00", 5); // P00 of route 1 lies at 1000
    iAddRoutePoint(&w, oOther, oElsewhere, true);
    Waypoint oHomeAgain = oPlace("HOME", 100);
    iAddRoutePoint(&w, oOther, oHomeAgain, true);
    iAddRoute(&w, oOther);
}

std::vector<uint8_t> aImage(Workspace &w) {
    std::vector<uint8_t> a;
    vBuildNativeImage(&w, 7, a);
    return a;
}

int iRead(Workspace &w, const std::vector<uint8_t> &a, size_t nSize) {
    return iReadNativeBuffer(&w, std::span<const uint8_t>(a.data(), nSize), "x.vkd");
}

// Where the 1.2 sections end: what a reader of version 1.2 reads.
size_t nVersion12Size(const std::vector<uint8_t> &a) {
    size_t n = 12;
    const size_t anSize[3] = {1559, 126, 20};
    for (size_t nRecord : anSize) {
        uint32_t l = a[n] | (a[n + 1] << 8) | (a[n + 2] << 16) | (uint32_t{a[n + 3]} << 24);
        n += 4 + nRecord * l;
    }
    return n;
}

TEST(NativeExtension, EverythingComesBack) {
    Workspace w;
    vBuildRichStore(w);
    std::vector<uint8_t> a = aImage(w);
    Workspace r;
    ASSERT_EQ(iRead(r, a, a.size()), 1);
    const DataStore &s = *r.pStore;
    ASSERT_EQ(s.aTracks.size(), 3u);
    EXPECT_EQ(s.aTracks[0].sName, "Morning ride");
    EXPECT_EQ(s.aTracks[0].bColor, 5);
    ASSERT_EQ(s.aTracks[0].aSensors.size(), 3u);
    EXPECT_EQ(s.aTracks[0].aSensors[2].bHeartRate, 122);
    EXPECT_EQ(s.aTracks[0].aSensors[2].fDistance, 20.0f);
    EXPECT_EQ(s.aTracks[0].aPoints.front().lTime, 3000); // arrival order, not time order
    EXPECT_EQ(s.aTracks[0].aPoints.front().fNewSegment, 1);
    EXPECT_EQ(s.aTracks[1].sName, "");
    EXPECT_EQ(s.aTracks[1].aPoints.front().fNewSegment, 0);
    EXPECT_EQ(s.aTracks[2].sName, "Evening");
    ASSERT_EQ(s.pRoutes.at(1).aszPoints.size(), 232u);
    EXPECT_STREQ(s.pRoutes.at(1).aszPoints[231], "P231");
    const Route &oOther = s.pRoutes.at(2);
    ASSERT_EQ(oOther.aOwnPlaces.count(0), 1u);
    EXPECT_EQ(pRoutePlace(&r, oOther, 0)->lLatitude, 5);
    EXPECT_EQ(pRoutePlace(&r, s.pRoutes.at(1), 0)->lLatitude, 1000);
    EXPECT_EQ(s.pWaypoints.count("P00-2"), 0u); // the 1.2 name of the own place
    EXPECT_EQ(pFindWaypoint(&r, "P05")->fRouteOnly, 1);
    EXPECT_EQ(pFindWaypoint(&r, "HOME")->fRouteOnly, 0);
    // And the file it writes is the same.
    EXPECT_EQ(aImage(r), a);
}

TEST(NativeExtension, Version12ReaderGetsWhatTheOldSectionsHold) {
    Workspace w;
    vBuildRichStore(w);
    std::vector<uint8_t> a = aImage(w);
    Workspace r;
    ASSERT_EQ(iRead(r, a, nVersion12Size(a)), 1);
    const DataStore &s = *r.pStore;
    // One track in time order, each track starting a segment.
    ASSERT_EQ(s.aTracks.size(), 1u);
    std::vector<TrackPoint> aPoints = aTrackPoints(s);
    ASSERT_EQ(aPoints.size(), 6u);
    int nStarts = 0;
    for (const TrackPoint &o : aPoints) {
        nStarts += o.fNewSegment != 0 ? 1 : 0;
    }
    EXPECT_EQ(nStarts, 4);
    // Routes cut to 30; the own place as a waypoint of its own name.
    EXPECT_EQ(s.pRoutes.at(1).aszPoints.size(), 30u);
    EXPECT_STREQ(s.pRoutes.at(2).aszPoints[0], "P00-2");
    ASSERT_NE(pFindWaypoint(&r, "P00-2"), nullptr);
    EXPECT_EQ(pFindWaypoint(&r, "P00-2")->lLatitude, 5);
    EXPECT_EQ(pFindWaypoint(&r, "P00")->lLatitude, 1000);
}

TEST(NativeExtension, CutAtAnyByteFailsAndKeepsTheOldSections) {
    Workspace w;
    vBuildRichStore(w);
    std::vector<uint8_t> a = aImage(w);
    const size_t nOld = nVersion12Size(a);
    ASSERT_GT(a.size(), nOld + 6);
    for (size_t n = nOld + 1; n < a.size(); ++n) {
        Workspace r;
        testing::internal::CaptureStderr();
        EXPECT_EQ(iRead(r, a, n), 0) << n;
        std::string sErr = testing::internal::GetCapturedStderr();
        EXPECT_NE(sErr.find("only what version 1.2 holds was read"), std::string::npos) << sErr;
        EXPECT_EQ(r.pStore->lTrackPointCount, 6) << n;
        EXPECT_EQ(r.pStore->pRoutes.at(1).aszPoints.size(), 30u) << n;
    }
}

TEST(NativeExtension, TrackCountsThatDoNotAddUpKeepTheOldSections) {
    Workspace w;
    vBuildRichStore(w);
    std::vector<uint8_t> a = aImage(w);
    const std::string sName = "Evening";
    auto it = std::search(a.begin() + static_cast<std::ptrdiff_t>(nVersion12Size(a)), a.end(),
                          sName.begin(), sName.end());
    ASSERT_NE(it, a.end());
    it[static_cast<std::ptrdiff_t>(sName.size()) + 2] = 200; // its point count
    Workspace r;
    testing::internal::CaptureStderr();
    EXPECT_EQ(iRead(r, a, a.size()), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("other track point counts"),
              std::string::npos);
    EXPECT_EQ(r.pStore->lTrackPointCount, 6);
    EXPECT_EQ(r.pStore->aTracks.size(), 1u);
}

TEST(NativeExtension, StoreOfTheOldModelIsWrittenWithout) {
    Workspace w;
    iAddTrackPoint(&w, oPoint(20, 1));
    iAddTrackPoint(&w, oPoint(10, 2));
    Route o{};
    for (int i = 0; i < 30; ++i) {
        std::snprintf(pszAppendRoutePoint(o), kNameSize, "R%d", i);
    }
    iAddRoute(&w, o);
    std::vector<uint8_t> a = aImage(w);
    EXPECT_EQ(a.size(), nVersion12Size(a));
    // One unnamed track in time order fits too, whichever source made it.
    Workspace t;
    int32_t l = lAddTrack(&t, "");
    iAppendTrackPoint(&t, l, oPoint(10, 1));
    iAppendTrackPoint(&t, l, oPoint(20, 1));
    a = aImage(t);
    EXPECT_EQ(a.size(), nVersion12Size(a));
    iAppendTrackPoint(&t, l, oPoint(20, 1)); // equal times would come back reversed
    a = aImage(t);
    EXPECT_GT(a.size(), nVersion12Size(a));
}

} // namespace
