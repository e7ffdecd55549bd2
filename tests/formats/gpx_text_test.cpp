// GPX texts in any script: the fields in the run's code page, the originals
// the fields cannot hold, and the lines that say what was lost or replaced.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "exchange_test_support.h"
#include "files/file_types.h"
#include "files/load_save.h"
#include "formats/gpx.h"

using namespace exchange_test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<gpx version=\"1.1\" creator=\"t\" "
                          "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";

std::string sWpt(const std::string &sInside, double dLatitude = 1) {
    return "<wpt lat=\"" + std::to_string(dLatitude) + "\" lon=\"2\">" + sInside + "</wpt>\n";
}

std::string sRead(Workspace &w, const std::string &sBody) {
    ::testing::internal::CaptureStderr();
    int iResult = iImportGpxBuffer(&w, kHead + sBody + "</gpx>\n", "x.gpx");
    std::string sErr = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(iResult, 1) << sErr;
    return sErr;
}

const char *const kMoscow = "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"; // Москва
const char *const kBeijing = "\xE5\x8C\x97\xE4\xBA\xAC";                        // 北京

// Each script is held by its code page; under the default one its names are
// counted as lost, once per file.
TEST(GpxText, NamesInTheRunsCodePage) {
    const struct {
        int iCodePage;
        const char *pszUtf8;
        const char *pszStored;
    } aCases[] = {
        {1251, kMoscow, "\xCC\xEE\xF1\xEA\xE2\xE0"},
        {1250, "\xC5\xBDi\xC5\xBEkov", "\x8Ei\x9Ekov"},                             // Žižkov
        {1253, "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1", "\xC1\xE8\xDE\xED\xE1"}, // Αθήνα
        {1254, "\xC4\xB0zmir", "\xDDzmir"},                                         // İzmir
        {1257, "\xC5\xA0iauliai", "\xD0iauliai"},                                   // Šiauliai
        {1252, "Z\xC3\xBCrich \xE2\x82\xAC", "Z\xFCrich \x80"},
    };
    for (const auto &o : aCases) {
        Workspace w;
        w.sCodePage = static_cast<int16_t>(o.iCodePage);
        EXPECT_EQ(sRead(w, sWpt(std::string("<name>") + o.pszUtf8 + "</name>")), "");
        EXPECT_NE(pFindWaypoint(&w, o.pszStored), nullptr) << o.iCodePage;
        EXPECT_TRUE(w.pStore->oOriginalTexts.aTexts.empty()) << o.iCodePage;
    }
    Workspace w;
    std::string sBody =
        sWpt(std::string("<name>") + kMoscow + "</name><cmt>" + kBeijing + "</cmt>") +
        "<rte><name>" + kBeijing + "</name></rte>";
    EXPECT_EQ(sRead(w, sBody),
              "quillox: 'x.gpx': 3 names hold characters that code page 1252 cannot hold; try "
              "/a\n");
}

// What a field cannot hold whole comes back from the store as the file had it;
// what it holds leaves nothing beside the record.
TEST(GpxText, OriginalTextsComeBack) {
    const std::string sLong(90, 'x');
    const std::string sBody =
        sWpt(std::string("<name>") + kBeijing + "</name>") +
        sWpt("<name>PLAIN</name><cmt>two\nlines</cmt>", 3) +
        sWpt("<name>LONG</name><desc>" + sLong + "</desc>", 4) + sWpt("<name>SHORT</name>", 5) +
        "<rte><name>A route name past twenty characters</name><rtept lat=\"1\" lon=\"2\"><name>" +
        kBeijing + "</name></rtept></rte>";
    {
        Workspace w;
        sRead(w, sBody);
        EXPECT_EQ(w.pStore->oOriginalTexts.aTexts.size(), 4u);
        ScratchFolder oFolder;
        std::string sText = sExport(w, oFolder, kFileGpx, "o.gpx");
        EXPECT_THAT(sText, HasSubstr(std::string("<name>") + kBeijing + "</name>"));
        EXPECT_THAT(sText, HasSubstr("<cmt>" + sLong + "</cmt>"));
        EXPECT_THAT(sText, HasSubstr("<cmt>two\r\nlines</cmt>")); // a text file's line break
        EXPECT_THAT(sText, HasSubstr("<name>A route name past twenty characters</name>"));
        // Read again, the file gives the same store.
        Workspace w2;
        size_t nBody = sText.find("<metadata>");
        sRead(w2, sText.substr(nBody, sText.rfind("</gpx>") - nBody));
        EXPECT_EQ(w2.pStore->oOriginalTexts.aTexts, w.pStore->oOriginalTexts.aTexts);
    }
}

// A record that a later source replaced writes its own texts.
TEST(GpxText, AReplacedRecordWritesItsOwn) {
    Workspace w;
    sRead(w, sWpt(std::string("<name>") + kBeijing + "</name><cmt>" + kMoscow + "</cmt>"));
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "??");
    std::snprintf(o.szComment, sizeof(o.szComment), "from a text file");
    iAddWaypoint(&w, o);
    ScratchFolder oFolder;
    std::string sText = sExport(w, oFolder, kFileGpx, "o.gpx");
    EXPECT_THAT(sText, HasSubstr("<cmt>from a text file</cmt>"));
    EXPECT_THAT(sText, Not(HasSubstr(kMoscow)));
}

// Waypoints of one import that share a name: the later at another place
// replaces the earlier and is counted; one at the same place is not.
TEST(GpxText, ReplacedWaypointsAreCounted) {
    ScratchFolder oFolder;
    std::string sPath = oFolder.sPath("x.gpx");
    vWriteFile(sPath, kHead + sWpt("<name>A</name>", 1) + sWpt("<name>A</name>", 5) +
                          sWpt("<name>A</name>", 5) + sWpt("<name>B</name>", 1) +
                          sWpt("<name>B</name>", 6) + "</gpx>\n");
    Workspace w;
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "B");
    iAddWaypoint(&w, o); // stored before: not of this import
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iLoadFile(&w, sPath.c_str()), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "quillox: '" + sPath + "': 2 waypoints replaced an earlier one of the same name\n");
    EXPECT_EQ(w.pStore->pWaypoints.size(), 2u);
    EXPECT_EQ(pFindWaypoint(&w, "B")->lLatitude, lSemi(6));
}

} // namespace
