#include "formats/export_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/export_format.h"
#include "formats/route_point_names.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

void vAddNamed(Workspace &w, const char *pszName) {
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "%s", pszName);
    iAddWaypoint(&w, o);
}

void vFill(Workspace &w) {
    for (const char *pszName : {"A", "B", "C", "D"}) {
        vAddNamed(w, pszName);
    }
    Route o{};
    o.lNumber = 4;
    o.aszPoints.resize(2);
    std::strcpy(o.aszPoints[0], "C");
    std::strcpy(o.aszPoints[1], "A");
    iAddRoute(&w, o);
    TrackPoint t{};
    t.lTime = 100;
    t.fNewSegment = 1;
    iAddTrackPoint(&w, t);
}

size_t nCount(const std::string &sText, const char *pszWhat) {
    size_t n = 0;
    for (size_t i = sText.find(pszWhat); i != std::string::npos; i = sText.find(pszWhat, i + 1)) {
        ++n;
    }
    return n;
}

} // namespace

TEST(ExportDriver, KindMaskSelectsTheSections) {
    TempFolder oFolder;
    Workspace w;
    vFill(w);
    std::string sName = oFolder.sPath("k.vkh");
    struct Case {
        int iMask;
        size_t nTrack, nRoutes, nWaypoints;
    };
    // Routes without waypoints still carry the waypoints they name (C and A).
    for (Case c : {Case{7, 1, 1, 4}, Case{4, 1, 0, 0}, Case{2, 0, 0, 4}, Case{1, 0, 1, 2},
                   Case{5, 1, 1, 2}}) {
        ASSERT_EQ(1, iExportTextFile(&w, sName.c_str(), c.iMask, 13));
        std::string sText = sReadFile(sName);
        EXPECT_EQ(c.nTrack, nCount(sText, "\nTRH ")) << c.iMask;
        EXPECT_EQ(c.nRoutes, nCount(sText, "\nRTE ")) << c.iMask;
        EXPECT_EQ(c.nWaypoints, nCount(sText, "\nWPH ")) << c.iMask;
        if (c.iMask == 1) {
            EXPECT_NE(sText.find("\nWPH \"A\""), std::string::npos);
            EXPECT_NE(sText.find("\nWPH \"C\""), std::string::npos);
        }
        // The names the routes brought in are forgotten when the export ends.
        EXPECT_EQ(0, iRoutePointNameCount());
    }
}

TEST(ExportDriver, EveryWritableTypeHasARowAndUnknownTypesFailWithoutAFile) {
    for (int iType : {1, 2, 13}) {
        const ExportFormat *p = pFindExportFormat(iType);
        ASSERT_NE(p, nullptr) << iType;
        EXPECT_EQ(iType, p->iFileType);
    }
    TempFolder oFolder;
    Workspace w;
    std::string sName = oFolder.sPath("x.igc");
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iExportTextFile(&w, sName.c_str(), 7, 12));
    EXPECT_EQ(0, iExportTextFile(&w, sName.c_str(), 7, 99));
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_NE(sError.find("x.igc"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(sName));
}

TEST(ExportDriver, FileThatCannotBeCreatedFails) {
    Workspace w;
    vFill(w);
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iExportTextFile(&w, "/nonexistent/folder/x.vke", 7, 1));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("x.vke"), std::string::npos);
    EXPECT_EQ(0, iRoutePointNameCount());
}

TEST(ExportDriver, StoppedExportLeavesTheTargetAsItWas) {
    // PCX5 cannot hold NMEA notation: the header hook stops the export.
    TempFolder oFolder;
    Workspace w;
    vFill(w);
    w.sCoordFormat = 5;
    std::string sName = oFolder.sPath("keep.grm");
    vWriteFile(sName, "what was there");
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, iExportTextFile(&w, sName.c_str(), 7, 2));
    std::string sError = testing::internal::GetCapturedStderr();
    EXPECT_NE(sError.find("keep.grm"), std::string::npos);
    EXPECT_EQ("what was there", sReadFile(sName));
    EXPECT_FALSE(std::filesystem::exists(sName + ".tmp"));
    EXPECT_EQ(0, iRoutePointNameCount());
}

// A route point that lies elsewhere than the waypoint of its name goes out
// under a name of its own, where a format can only name waypoints.
TEST(ExportDriver, OwnPlacesOfRoutesGetNamesOfTheirOwn) {
    TempFolder oFolder;
    Workspace w;
    for (uint32_t lRoute : {1u, 2u}) {
        Route o{};
        o.lNumber = lRoute;
        Waypoint p = oEmptyWaypoint();
        std::snprintf(p.szName, sizeof(p.szName), "RPT001");
        p.lLatitude = static_cast<int32_t>(lRoute) * 1000;
        iAddRoutePoint(&w, o, p, true);
        iAddRoute(&w, o);
    }
    for (int iType : {1, 2}) {
        std::string sName = oFolder.sPath(iType == 1 ? "r.vke" : "r.grm");
        testing::internal::CaptureStderr();
        ASSERT_EQ(1, iExportTextFile(&w, sName.c_str(), 7, iType));
        std::string sErr = testing::internal::GetCapturedStderr();
        EXPECT_NE(sErr.find("1 route points lie elsewhere than the waypoint of their name"),
                  std::string::npos)
            << sErr;
        std::string sText = sReadFile(sName);
        EXPECT_EQ(nCount(sText, "RPT001-2"), 2u) << sText; // in its route and as a waypoint
    }
}
