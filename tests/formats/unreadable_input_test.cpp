// Text that a reader cannot take as it should be is never stored as if it
// were: a line whose position cannot be read stops the import at that line,
// and a file without one line of its format is no empty success.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/gpx.h"
#include "formats/input_file.h"
#include "formats/overlay.h"
#include "formats/ozi.h"
#include "formats/pcx5.h"
#include "formats/text_export.h"
#include "geo/units.h"
#include "store/workspace.h"
#include "tests/store_points.h"

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
        EXPECT_EQ(o.pWaypoints.size() + aTrackPoints(o).size(),
                  std::string(c.pszName) == "d.grm" || std::string(c.pszName) == "e.grm" ? 2u : 1u);
        for (const auto &[sName, oWaypoint] : o.pWaypoints) {
            EXPECT_FALSE(oWaypoint.lLatitude == 0 && oWaypoint.lLongitude == 0) << sName;
        }
        for (const TrackPoint &oPoint : aTrackPoints(o)) {
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

TEST(ImportsThatFindNothing, FailAndSayWhatTheFileIsInstead) {
    struct Case {
        const char *pszName;
        BufferImporter pfnImport;
        std::string sText;
        const char *pszError; // after "quillox: 'name' "; empty: the import succeeds
    };
    const std::string sMapSend("\x0d"
                               "4D533334 MS34\0\0\x01\0\0\0",
                               20);
    const Case aCases[] = {
        {"x.vke", iImportTextExportBuffer, "Hello,\nthis is a letter.\n",
         "is not a Quillox text export file: it begins with 'Hello'"},
        {"x.vkh", iImportTextExportBuffer, "", "is not a Quillox text export file: it is empty"},
        {"x.ovl", iImportOverlayFromBuffer, "[General]\nName=x\n",
         "is not a TOP50 overlay file: it begins with '[General]'"},
        {"x.ovl", iImportOverlayFromBuffer, "\n \n",
         "is not a TOP50 overlay file: it holds only blank lines"},
        {"m.trk", iImportPcx5Buffer,
         "$PMGNTRK,4914.967,N,00651.208,E,000199,M,152224,A,,020602*69\r\n",
         "is not a PCX5 file: it begins with '$PMGNTRK'"},
        {"s.trk", iImportPcx5Buffer, sMapSend, "is not a PCX5 file: it is not a text file"},
        {"o.rte", iImportPcx5Buffer,
         "OziExplorer Route File Version 1.0\r\nWGS 84\r\nReserved 1\r\n"
         "R,  1,R1,,255\r\nW,1,1,1,A,48.5,9.25,,0,1,3,0,65535,,0,0\r\n",
         "is an OziExplorer route file, which this program does not read"},
        {"c.wpt", iImportPcx5Buffer,
         "G  WGS 84\r\nU  1\r\nW  A 41.1234567N 2.1234567E 27-MAR-62 00:00:00 0.0 x\r\n",
         "is a CompeGPS file, which this program does not read"},
        {"t.grm", iImportPcx5Buffer, kOziTrkHead,
         "is an OziExplorer track file, which this program reads under the extension .PLT"},
        {"p.plt", iImportOziTrackFromBuffer,
         std::string("\nH  SOFTWARE NAME & VERSION\n") + kPcx5Head,
         "is a PCX5 file, which this program reads under the extension .GRM"},
        {"m.gpx", iImportGpxBuffer, "$PMGNWPL,4917.16,N,00647.79,E,0,M,A,,*2B\n",
         "is not a GPX file: it begins with '$PMGNWPL'"},
        // What the program writes for an empty store is a file of the format,
        // and a PCX5 file with nothing in it stays an empty import.
        {"e.vke", iImportTextExportBuffer, kVkeHead, ""},
        {"e.ovl", iImportOverlayFromBuffer, "[Overlay]\nSymbols=0\n", ""},
        {"e.grm", iImportPcx5Buffer, "", ""},
        {"b.grm", iImportPcx5Buffer, "\r\n  \r\n", ""},
        {"h.grm", iImportPcx5Buffer, kPcx5Head, ""},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName + std::string(" ") + c.sText);
        Workspace w;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(c.pfnImport(&w, c.sText, c.pszName), c.pszError[0] == '\0' ? 1 : 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  c.pszError[0] == '\0'
                      ? std::string()
                      : "quillox: '" + std::string(c.pszName) + "' " + c.pszError + "\n");
    }
}

} // namespace
