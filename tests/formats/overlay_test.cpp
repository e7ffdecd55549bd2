// TOP50 overlays: the blocks written for waypoints and track segments, the
// style switches, and what the reader makes of overlays, ours and others'.

#include "formats/overlay.h"
#include "tests/store_points.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "store/workspace.h"

using namespace exchange_test;
using ::testing::HasSubstr;

namespace {

int iCount(const std::string &sText, const std::string &sPart) {
    int n = 0;
    for (size_t k = sText.find(sPart); k != std::string::npos; k = sText.find(sPart, k + 1)) {
        ++n;
    }
    return n;
}

} // namespace

TEST(OverlayExport, OneWaypointGivesDotLabelAndTrailer) {
    ScratchFolder oFolder;
    Workspace w;
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "Brocken");
    o.lLatitude = lSemi(50.625); // exact in semicircles, so all eight decimals show
    o.lLongitude = lSemi(11.25);
    iAddWaypoint(&w, o);
    EXPECT_EQ(sExport(w, oFolder, kFileOverlay, "o.ovl"),
              "[Symbol 1]\r\nTyp=6\r\nWidth=10\r\nHeight=10\r\nCol=1\r\nZoom=1\r\nSize=1\r\n"
              "Area=2\r\nXKoord=11.25000000\r\nYKoord=50.62500000\r\n\r\n"
              "[Symbol 2]\r\nTyp=2\r\nCol=1\r\nArea=1\r\nZoom=1\r\nSize=3\r\nFont=1\r\nDir=1\r\n"
              "XKoord=11.25000000\r\nYKoord=50.62500000\r\nText=Brocken\r\n\r\n"
              "[Overlay]\r\nSymbols=2\r\n");
}

TEST(OverlayExport, OnePolylinePerSegmentWithTheStyleSwitches) {
    ScratchFolder oFolder;
    Workspace w;
    w.sOvlTrackColor = 3;
    w.sOvlTrackWidth = 2;
    w.sOvlTrackStyle = 4;
    w.sOvlWptColor = 5;
    w.sOvlWptDotSize = 7;
    w.sOvlWptFontHeight = 2;
    w.sOvlWptFont = 4;
    w.sOvlWptBackground = 2;
    int32_t lTime = 100;
    // Segments of 5, 1 and 7 points; the very first point starts a segment
    // too, which must not give an empty block.
    for (int nPoints : {5, 1, 7}) {
        for (int k = 0; k < nPoints; ++k) {
            iAddTrackPoint(&w, oPoint(45.0 + k * 0.17578125, 11.25, lTime++, 0.0f, k == 0));
        }
    }
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "P");
    iAddWaypoint(&w, o);
    std::string sText = sExport(w, oFolder, kFileOverlay, "o.ovl");
    EXPECT_THAT(sText, HasSubstr("[Symbol 1]\r\nTyp=3\r\nCol=3\r\nZoom=1\r\nSize=2\r\nArt=4\r\n"
                                 "Punkte=5\r\nXKoord0=11.25000000\r\nYKoord0=45.00000000\r\n"));
    EXPECT_THAT(sText, HasSubstr("XKoord4=11.25000000\r\nYKoord4=45.70312500\r\n\r\n[Symbol 2]"));
    EXPECT_THAT(sText, HasSubstr("[Symbol 2]\r\nTyp=3\r\nCol=3\r\nZoom=1\r\nSize=2\r\nArt=4\r\n"
                                 "Punkte=1\r\nXKoord0="));
    EXPECT_THAT(sText, HasSubstr("Punkte=7\r\n"));
    EXPECT_THAT(sText, HasSubstr("YKoord6=46.05468750\r\n\r\n[Symbol 4]\r\nTyp=6\r\nWidth=7\r\n"
                                 "Height=7\r\nCol=5\r\n"));
    EXPECT_THAT(sText, HasSubstr("[Symbol 5]\r\nTyp=2\r\nCol=5\r\nArea=2\r\nZoom=1\r\nSize=2\r\n"
                                 "Font=4\r\n"));
    EXPECT_EQ(iCount(sText, "XKoord7="), 0);
    EXPECT_THAT(sText, ::testing::EndsWith("[Overlay]\r\nSymbols=5\r\n"));
}

TEST(OverlayImport, OwnOverlayReadsBackAsSymbolsAndSegments) {
    ScratchFolder oFolder;
    Workspace w;
    iAddTrackPoint(&w, oPoint(51.0, 10.0, 10, 0.0f, 1));
    iAddTrackPoint(&w, oPoint(51.1, 10.1, 20, 0.0f));
    iAddTrackPoint(&w, oPoint(51.2, 10.2, 30, 0.0f, 1));
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "X");
    o.lLatitude = lSemi(-12.5);
    o.lLongitude = lSemi(-77.25);
    iAddWaypoint(&w, o);
    std::string sText = sExport(w, oFolder, kFileOverlay, "o.ovl");

    Workspace r;
    ASSERT_EQ(iImportOverlayFromBuffer(&r, sText, "o.ovl"), 1);
    // Two polylines take symbols 1 and 2; the waypoint's dot and label 3 and 4.
    ASSERT_EQ(r.pStore->pWaypoints.size(), 2u);
    for (const char *pszName : {"SYM003", "SYM004"}) {
        const Waypoint *p = pFindWaypoint(&r, pszName);
        ASSERT_NE(p, nullptr) << pszName;
        EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, -12.5, 1e-7);
        EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, -77.25, 1e-7);
        EXPECT_EQ(p->bColor, 255);
        EXPECT_EQ(p->sSymbol, 0);
    }
    std::vector<TrackPoint> aPoints = aTrackPoints(*r.pStore);
    ASSERT_EQ(aPoints.size(), 3u);
    EXPECT_EQ(aPoints[0].fNewSegment, 1);
    EXPECT_EQ(aPoints[1].fNewSegment, 0);
    EXPECT_EQ(aPoints[2].fNewSegment, 1);
    EXPECT_NEAR(aPoints[1].lLatitude * kSemicircleDegrees, 51.1, 1e-7);
    EXPECT_EQ(aPoints[2].lTime, 0);
}

TEST(OverlayImport, OtherBlockTypesContinueTheModeBefore) {
    Workspace w;
    ASSERT_EQ(iImportOverlayFromBuffer(&w,
                                       "[Symbol 1]\nTyp=3\nXKoord0=10\nYKoord0=50\n"
                                       "[Symbol 2]\nTyp=4\nXKoord0=11\nYKoord0=51\n"
                                       "[Symbol 3]\nTyp=6\nXKoord=12\nYKoord=52\n"
                                       "[Symbol 4]\nTyp=5\nXKoord=13\nYKoord=53\n",
                                       "o.ovl"),
              1);
    ASSERT_EQ(aTrackPoints(*w.pStore).size(), 2u);
    EXPECT_EQ(std::next(aTrackPoints(*w.pStore).begin())->fNewSegment, 0);
    // The dot of symbol 3 is stored again at the position of symbol 4.
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u);
    EXPECT_NEAR(pFindWaypoint(&w, "SYM003")->lLatitude * kSemicircleDegrees, 53.0, 1e-7);
}

TEST(OverlayImport, CoordinateKeyWithoutEqualsSignStopsTheImport) {
    Workspace w;
    testing::internal::CaptureStderr();
    EXPECT_EQ(iImportOverlayFromBuffer(&w,
                                       "[Symbol 7]\nTyp=2\nXKoord=8.5\nYKoord=47.25\n\n"
                                       "[Symbol 8]\nTyp=2\nXKoord=8.5\nYKoord\n",
                                       "o.ovl"),
              0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("'o.ovl': line 9:"), std::string::npos);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u);
    const Waypoint *p = pFindWaypoint(&w, "SYM007");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->lLongitude * kSemicircleDegrees, 8.5, 1e-7);
    EXPECT_NEAR(p->lLatitude * kSemicircleDegrees, 47.25, 1e-7);
}

TEST(OverlayImport, FuzzShapedInputNeitherCrashesNorHangs) {
    std::mt19937 oRandom(8);
    std::string sGarbage(200000, '\0');
    for (char &c : sGarbage) {
        c = static_cast<char>(oRandom());
    }
    std::string sKeys;
    const char *apszPieces[] = {"[Symbol",
                                "[Symbol 99999999999999]",
                                "Typ=",
                                "Typ=3",
                                "Typ=2",
                                "XKoord",
                                "YKoord",
                                "XKoord=",
                                "YKoord=1e999",
                                "YKoord9=nan",
                                "=",
                                "\r",
                                ""};
    for (int k = 0; k < 20000; ++k) {
        sKeys += apszPieces[oRandom() % std::size(apszPieces)];
        sKeys += '\n';
    }
    ::testing::internal::CaptureStderr();
    for (const std::string &sBody : {sGarbage, sKeys, std::string(10 * 1024 * 1024, 'Y'),
                                     std::string("YKoord=") + std::string(5000, '9')}) {
        Workspace w;
        // None of them is an overlay a reader can take whole.
        EXPECT_EQ(iImportOverlayFromBuffer(&w, sBody, "f.ovl"), 0);
    }
    ::testing::internal::GetCapturedStderr();
}
