// Text that a reader cannot take as it should be is never stored as if it
// were: a line whose position cannot be read stops the import at that line,
// and a file without one line of its format is no empty success.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/input_file.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "formats/pcx5.h"
#include "formats/text_export.h"
#include "geo/units.h"
#include "store/workspace.h"

namespace {

struct BadLine {
    const char *pszName; // the file name the reader is told
    BufferImporter pfnImport;
    std::string sText;
    int iBadLine;          // the line the import stops at
    const char *pszReason; // part of the reason on standard error
};

const char *const kVkeHead =
    "* Orvensta Export file *\nVER 1\nDAT 100,\"WGS 84\",\"WGS 84\"\nUTC 0\n";
const char *const kGoodWpt =
    "WPT \"GOOD\",\"\",32T 0500000 5300000,01/01/2020 00:00:00,0,0,0,255,0\n";
const char *const kGoodTrk = "TRK 32T 0500000 5300000,01/01/2020 00:00:00,0.00,1\n";
const char *const kPcx5Head = "I  PCX5 2.09\nU  LAT LON DEG\n";
const char *const kPcx5Good = "W  GOOD   N48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999 x\n"
                              "T  N48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999\n";
const char *const kOziWptHead = "OziExplorer Waypoint File Version 1.1\nWGS 84\nReserved 2\ng\n";
const char *const kOziTrkHead =
    "OziExplorer Track Point File Version 2.1\nWGS 84\nAltitude is in Feet\nReserved 3\n"
    "0,2,255,Garmin Track,0,0,0,8421376\n3\n";

std::vector<BadLine> aBadLines() {
    const std::string sVke = kVkeHead;
    const std::string sWptTail = ",01/01/2020 00:00:00,0,0,0,255,0\n";
    return {
        // Degrees without their signs are read as UTM, and are no UTM text.
        {"a.vke", iImportTextExportBuffer,
         sVke + kGoodWpt + "WPT \"ZURICH\",\"\",47.3769 8.5417" + sWptTail + kGoodTrk, 6,
         "the position \"47.3769 8.5417\" cannot be read"},
        // The NMEA notation of /f 5 holds commas, so the position field is cut.
        {"b.vke", iImportTextExportBuffer,
         sVke + kGoodTrk + "TRK 4830.00,N,00915.00,E,01/01/2020 00:00:00,0.00,0\n" + kGoodWpt, 6,
         "the position \"4830.00\" cannot be read"},
        {"c.vke", iImportTextExportBuffer, sVke + kGoodWpt + "WPT \"EMPTY\",\"\"\n", 6,
         "the position is missing"},
        {"d.grm", iImportPcx5Buffer,
         std::string(kPcx5Head) + kPcx5Good +
             "W  BAD    X48.5000000 E009.2500000 01-JAN-90 00:00:00 -9999 x\n" + kPcx5Good,
         5, "the position \"X48.5000000 E009.2500000\" cannot be read"},
        {"e.grm", iImportPcx5Buffer, std::string(kPcx5Head) + kPcx5Good + "T  \n" + kPcx5Good, 5,
         "the position is missing"},
        {"f.ozi", iImportOziWaypointsFromBuffer,
         std::string(kOziWptHead) + "-1,GOOD,48.5,9.25,,0,1,,,,,,0,0,-777\n" +
             "-1,BAD,north,9.25,,0,1,,,,,,0,0,-777\n" + "-1,AFTER,48.5,9.25,,0,1,,,,,,0,0,-777\n",
         6, "the position \"north,9.25\" cannot be read"},
        {"g.plt", iImportOziTrackFromBuffer,
         std::string(kOziTrkHead) + "48.5,9.25,1,-777,32874.5\n" + ",,0,-777,32874.6\n" +
             "48.5,9.25,0,-777,32874.7\n",
         8, "the position is missing"},
        {"h.ovl", iImportOverlayFromBuffer,
         "[Symbol 1]\nTyp=6\nXKoord=8.5\nYKoord=47.25\n\n[Symbol 2]\nTyp=2\nXKoord=8,5\n"
         "YKoord=47.25\n",
         8, "the position \"XKoord=8,5\" cannot be read"},
        {"i.ovl", iImportOverlayFromBuffer,
         "[Symbol 1]\nTyp=3\nPunkte=2\nXKoord0=8.5\nYKoord0=47.25\nYKoord1=47.5\n", 6,
         "no XKoord before its YKoord"},
    };
}

TEST(UnreadablePositions, StopTheImportAtTheirLineAndKeepWhatCameBefore) {
    for (const BadLine &c : aBadLines()) {
        SCOPED_TRACE(c.pszName);
        Workspace w;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(c.pfnImport(&w, c.sText, c.pszName), 0);
        const std::string sError = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(sError.find(std::string("'") + c.pszName + "'"), std::string::npos) << sError;
        EXPECT_NE(sError.find("line " + std::to_string(c.iBadLine) + ": "), std::string::npos)
            << sError;
        EXPECT_NE(sError.find(c.pszReason), std::string::npos) << sError;
        // Exactly what stood before the bad line, and nothing at 0 degrees 0 degrees.
        const DataStore &o = *w.pStore;
        EXPECT_EQ(o.pWaypoints.size() + o.pTrackPoints.size(),
                  std::string(c.pszName) == "d.grm" || std::string(c.pszName) == "e.grm" ? 2u : 1u);
        for (const auto &[sName, oWaypoint] : o.pWaypoints) {
            EXPECT_FALSE(oWaypoint.lLatitude == 0 && oWaypoint.lLongitude == 0) << sName;
        }
        for (const TrackPoint &oPoint : o.pTrackPoints) {
            EXPECT_FALSE(oPoint.lLatitude == 0 && oPoint.lLongitude == 0);
        }
    }
}

TEST(UnreadablePositions, BlankLinesOfOziFilesCarryNoRecord) {
    Workspace w;
    ASSERT_EQ(
        iImportOziWaypointsFromBuffer(
            &w, std::string(kOziWptHead) + "\n-1,A,48.5,9.25,,0,1,,,,,,0,0,-777\n  \n", "w.ozi"),
        1);
    ASSERT_EQ(w.pStore->pWaypoints.size(), 1u);
    EXPECT_NE(pFindWaypoint(&w, "A"), nullptr);
}

TEST(ImportsThatFindNothing, FailWithTheFormatTheyExpected) {
    struct Case {
        const char *pszName;
        BufferImporter pfnImport;
        const char *pszText;
        const char *pszError; // empty: the import succeeds
    };
    const Case aCases[] = {
        {"x.vke", iImportTextExportBuffer, "Hello,\nthis is a letter.\n",
         "quillox: 'x.vke' holds no Quillox text export lines\n"},
        {"x.vkh", iImportTextExportBuffer, "",
         "quillox: 'x.vkh' holds no Quillox text export lines\n"},
        {"x.vke", iImportTextExportBuffer, "* only a comment\n",
         "quillox: 'x.vke' holds no Quillox text export lines\n"},
        {"x.ovl", iImportOverlayFromBuffer, "[General]\nName=x\n",
         "quillox: 'x.ovl' holds no TOP50 overlay lines\n"},
        {"x.ovl", iImportOverlayFromBuffer, "", "quillox: 'x.ovl' holds no TOP50 overlay lines\n"},
        // What the program writes for an empty store is a file of the format.
        {"e.vke", iImportTextExportBuffer, kVkeHead, ""},
        {"e.ovl", iImportOverlayFromBuffer, "[Overlay]\nSymbols=0\n", ""},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName + std::string(" ") + c.pszText);
        Workspace w;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(c.pfnImport(&w, c.pszText, c.pszName), c.pszError[0] == '\0' ? 1 : 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.pszError);
    }
}

} // namespace
