#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "store/data_store.h"
#include "store/workspace.h"
#include "tests/store_points.h"

namespace {

Waypoint oNamed(const char *pszName, const char *pszComment = "") {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    std::snprintf(o.szComment, sizeof(o.szComment), "%s", pszComment);
    return o;
}

TrackPoint oAt(int32_t lTime, int32_t lTag = 0) {
    TrackPoint o{};
    o.lTime = lTime;
    o.lLatitude = lTag; // tells points of equal time apart
    return o;
}

std::vector<std::string> asNames(const Workspace &w) {
    std::vector<std::string> as;
    for (const auto &[sKey, oWaypoint] : w.pStore->pWaypoints) {
        as.emplace_back(oWaypoint.szName);
    }
    return as;
}

std::vector<int32_t> alTags(const Workspace &w) {
    std::vector<int32_t> al;
    for (const TrackPoint &o : aTrackPoints(*w.pStore)) {
        al.push_back(o.lLatitude);
    }
    return al;
}

} // namespace

TEST(WaypointOrder, NamesAscendByUnsignedBytesCaseSensitive) {
    Workspace w;
    for (const char *psz : {"B", "a", "\xC4rger", "A", "Z", "C", "AB"}) {
        Waypoint o = oNamed(psz);
        ASSERT_EQ(iAddWaypoint(&w, o), 1);
    }
    EXPECT_EQ(asNames(w), (std::vector<std::string>{"A", "AB", "B", "C", "Z", "a", "\xC4rger"}));
    EXPECT_EQ(w.pStore->lWaypointCount, 7);
}

TEST(WaypointTrim, BlanksAndLineBreaksGo) {
    Workspace w;
    Waypoint o = oNamed(" WP1\n ", "\r\n  a comment  ");
    iAddWaypoint(&w, o);
    EXPECT_STREQ(o.szName, "WP1");
    ASSERT_NE(pFindWaypoint(&w, "WP1"), nullptr);
    EXPECT_STREQ(pFindWaypoint(&w, "WP1")->szComment, "a comment");

    Waypoint oBlank = oNamed("   ");
    iAddWaypoint(&w, oBlank);
    EXPECT_STREQ(oBlank.szName, "");
}

TEST(WaypointTrim, FiftyCharactersStayWholeAndAFullFieldIsTerminated) {
    Workspace w;
    Waypoint o = oEmptyWaypoint();
    std::memset(o.szName, 'N', sizeof(o.szName)); // no terminator at all
    iAddWaypoint(&w, o);
    EXPECT_EQ(std::strlen(o.szName), 50u);
    EXPECT_EQ(o.szName[50], '\0');
}

TEST(WaypointReplacement, ProximityRecordSurvivesAnUnchangedResend) {
    Workspace w;
    Waypoint oProximity = oNamed("PRX", "note");
    oProximity.fProximity = 50.0f;
    oProximity.lLatitude = 100;
    iAddWaypoint(&w, oProximity);

    Waypoint oAgain = oNamed("PRX", "note");
    oAgain.lLatitude = 100;
    oAgain.sSymbol = 7;
    iAddWaypoint(&w, oAgain);
    EXPECT_FLOAT_EQ(pFindWaypoint(&w, "PRX")->fProximity, 50.0f);
    EXPECT_EQ(pFindWaypoint(&w, "PRX")->sSymbol, 0);

    Waypoint oChanged = oNamed("PRX", "other note");
    oChanged.lLatitude = 100;
    iAddWaypoint(&w, oChanged);
    EXPECT_FLOAT_EQ(pFindWaypoint(&w, "PRX")->fProximity, 0.0f);
    EXPECT_EQ(w.pStore->lWaypointCount, 1);
}

TEST(WaypointReplacement, PlainWaypointIsAlwaysOverwritten) {
    Workspace w;
    Waypoint o1 = oNamed("W", "c");
    iAddWaypoint(&w, o1);
    Waypoint o2 = oNamed("W", "c");
    o2.fProximity = 25.0f;
    iAddWaypoint(&w, o2);
    EXPECT_FLOAT_EQ(pFindWaypoint(&w, "W")->fProximity, 25.0f);
    EXPECT_EQ(pFindWaypoint(&w, "w"), nullptr);
}

TEST(RouteOrder, NumbersAscendUnsignedAndReplace) {
    Workspace w;
    for (uint32_t l : {10u, 2u, 7u, 0xFFFFFFF0u}) {
        Route o{};
        o.lNumber = l;
        iAddRoute(&w, o);
    }
    Route oSecond{};
    oSecond.lNumber = 7;
    oSecond.aszPoints.resize(1);
    std::snprintf(oSecond.aszPoints[0], kNameSize, "  P1 ");
    iAddRoute(&w, oSecond);

    std::vector<uint32_t> al;
    for (const auto &[l, o] : w.pStore->pRoutes) {
        al.push_back(l);
    }
    EXPECT_EQ(al, (std::vector<uint32_t>{2, 7, 10, 0xFFFFFFF0u}));
    EXPECT_EQ(w.pStore->lRouteCount, 4);
    EXPECT_STREQ(w.pStore->pRoutes.at(7).aszPoints[0], "P1");
}

TEST(RouteOrder, ARouteKeepsEveryPoint) {
    Workspace w;
    Route o{};
    o.aszPoints.resize(70000);
    o.aOwnPlaces[5] = oEmptyWaypoint();
    o.aOwnPlaces[70000] = oEmptyWaypoint(); // past the last point: belongs to none
    iAddRoute(&w, o);
    EXPECT_EQ(w.pStore->pRoutes.at(0).aszPoints.size(), 70000u);
    EXPECT_EQ(w.pStore->pRoutes.at(0).aOwnPlaces.size(), 1u);
}

TEST(TrackPointOrder, TimesAscendEqualTimesGoInFrontUntimedKeepArrival) {
    Workspace w;
    iAddTrackPoint(&w, oAt(30, 1));
    iAddTrackPoint(&w, oAt(10, 2));
    iAddTrackPoint(&w, oAt(20, 3));
    iAddTrackPoint(&w, oAt(20, 4));
    iAddTrackPoint(&w, oAt(0, 5));
    iAddTrackPoint(&w, oAt(0, 6));
    EXPECT_EQ(alTags(w), (std::vector<int32_t>{5, 6, 2, 4, 3, 1}));
    EXPECT_EQ(w.pStore->lTrackPointCount, 6);
}

// The documented insertion walk, literally: from the head, pass an element
// when the new time is greater, or when both times are 0; insert before the
// first element not passed.
TEST(TrackPointOrder, MatchesTheLinearWalkOnRandomInput) {
    std::mt19937 oRandom(20261208);
    std::uniform_int_distribution<int> oPick(0, 99);
    std::list<TrackPoint> oModel;
    Workspace w;
    for (int32_t i = 0; i < 5000; ++i) {
        int iKind = oPick(oRandom);
        int32_t lTime = iKind < 20   ? 0
                        : iKind < 30 ? -(oPick(oRandom) % 10)
                        : iKind < 70 ? oPick(oRandom) % 25
                                     : oPick(oRandom) * 1000000;
        TrackPoint o = oAt(lTime, i);
        auto it = oModel.begin();
        while (it != oModel.end() && (lTime > it->lTime || (lTime == 0 && it->lTime == 0))) {
            ++it;
        }
        oModel.insert(it, o);
        ASSERT_EQ(iAddTrackPoint(&w, o), 1);
    }
    std::vector<int32_t> alModel;
    for (const TrackPoint &o : oModel) {
        alModel.push_back(o.lLatitude);
    }
    EXPECT_EQ(alTags(w), alModel);
}

TEST(WaypointOrder, MatchesSortedUniqueNamesOnRandomInputWithDuplicates) {
    std::mt19937 oRandom(7);
    std::uniform_int_distribution<int> oByte(0, 255);
    std::map<std::string, int> oModel; // std::string orders by unsigned bytes too
    Workspace w;
    for (int i = 0; i < 3000; ++i) {
        char szName[4] = {static_cast<char>(oByte(oRandom) % 4 + 'A'),
                          static_cast<char>(oByte(oRandom) | 1), 0, 0};
        if (i % 3 == 0) {
            szName[1] = 0;
        }
        Waypoint o = oNamed(szName);
        o.lTime = i;
        iAddWaypoint(&w, o);
        oModel[o.szName] = i;
    }
    ASSERT_EQ(static_cast<size_t>(w.pStore->lWaypointCount), oModel.size());
    auto it = w.pStore->pWaypoints.begin();
    for (const auto &[sName, i] : oModel) {
        EXPECT_EQ(it->second.szName, sName);
        EXPECT_EQ(it->second.lTime, i);
        ++it;
    }
}

TEST(StoreWithoutWorkspace, OperationsDoNothing) {
    Waypoint o = oNamed("X");
    Route oRoute{};
    EXPECT_EQ(iAddWaypoint(nullptr, o), 0);
    EXPECT_EQ(iAddRoute(nullptr, oRoute), 0);
    EXPECT_EQ(iAddTrackPoint(nullptr, oAt(1)), 0);
    EXPECT_EQ(pFindWaypoint(nullptr, "X"), nullptr);
}

TEST(DuplicateString, CopiesOrGivesNothing) {
    EXPECT_EQ(pszDuplicateString(nullptr), nullptr);
    EXPECT_EQ(pszDuplicateString(""), nullptr);
    char *psz = pszDuplicateString("abc");
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, "abc");
    delete[] psz;
}

// A route point that came only in a route keeps its place in that route when
// a waypoint of its name arrives elsewhere; one at the same place is the same.
TEST(RoutePlaces, RouteOnlyPointsKeepTheirPlace) {
    Workspace w;
    Route o{};
    o.lNumber = 1;
    Waypoint p = oEmptyWaypoint();
    std::strcpy(p.szName, "RPT001");
    p.lLatitude = 10;
    ASSERT_EQ(iAddRoutePoint(&w, o, p, true), 1);
    ASSERT_EQ(iAddRoute(&w, o), 1);
    EXPECT_EQ(pFindWaypoint(&w, "RPT001")->fRouteOnly, 1);
    Waypoint q = oEmptyWaypoint();
    std::strcpy(q.szName, "RPT001");
    q.lLatitude = 20;
    ASSERT_EQ(iAddWaypoint(&w, q), 1);
    EXPECT_EQ(pFindWaypoint(&w, "RPT001")->fRouteOnly, 0);
    EXPECT_EQ(pRoutePlace(&w, w.pStore->pRoutes.at(1), 0)->lLatitude, 10);
    Route o2{};
    o2.lNumber = 2;
    Waypoint r = q;
    ASSERT_EQ(iAddRoutePoint(&w, o2, r, true), 1);
    EXPECT_TRUE(o2.aOwnPlaces.empty());
    EXPECT_EQ(pFindWaypoint(&w, "RPT001")->fRouteOnly, 0); // it came on its own before
}
