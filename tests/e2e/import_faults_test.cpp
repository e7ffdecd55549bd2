// Imports that cannot read what they were given fail the run and say where,
// instead of handing on records at 0 degrees 0 degrees with status 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/native_file.h"
#include "geo/units.h"
#include "store/workspace.h"
#include "tests/child_process.h"
#include "tests/test_files.h"

namespace {

ProcessResult oRun(const TempFolder &oDir, std::vector<std::string> asArgs) {
    asArgs.insert(asArgs.begin(), QUILLOX_EXE);
    return oRunProcess(asArgs, 20.0, oDir.sFolder(), {"ORVENSTA_DEBUG"});
}

TEST(ImportFaults, TextExportInANotationNoReaderTakesFailsAtItsFirstPosition) {
    TempFolder oDir;
    Workspace w;
    Waypoint o = oEmptyWaypoint();
    std::snprintf(o.szName, sizeof(o.szName), "HUT");
    o.lLatitude = lDegreesToSemicircles(47.5);
    o.lLongitude = lDegreesToSemicircles(8.5);
    iAddWaypoint(&w, o);
    ASSERT_EQ(iWriteNativeFile(&w, oDir.sPath("a.vkd").c_str(), 7), 1);
    // /f 5 writes NMEA positions, whose commas no reader of the format can take.
    ProcessResult r = oRun(oDir, {"/f", "5", "/e", "a.vkd", "a.vke"});
    ASSERT_EQ(r.iExitStatus, 0) << r.sErr;
    r = oRun(oDir, {"/i", "a.vke", "b.vkd"});
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_NE(r.sErr.find("quillox: 'a.vke' line 6: the position \"4730.00\" cannot be read\n"),
              std::string::npos)
        << r.sErr;
}

TEST(ImportFaults, FileOfAnotherKindIsNoEmptyImportAndCostsNoDataFile) {
    struct Case {
        const char *pszName;
        const char *pszText;
        const char *pszError;
    };
    const Case aCases[] = {
        {"notes.vke", "Shopping list\r\nbread, milk\r\n",
         "quillox: 'notes.vke' is not a Quillox text export file: it begins with 'Shopping "
         "list'\n"},
        {"magellan.trk", "$PMGNTRK,4914.967,N,00651.208,E,000199,M,152224,A,,020602*69\r\n",
         "quillox: 'magellan.trk' is not a PCX5 file: it begins with '$PMGNTRK'\n"},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszName);
        TempFolder oDir;
        vWriteFile(oDir.sPath(c.pszName), c.pszText);
        Workspace w;
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "HUT");
        iAddWaypoint(&w, o);
        ASSERT_EQ(iWriteNativeFile(&w, oDir.sPath("tour.vkd").c_str(), 7), 1);
        const std::string sBefore = sReadFile(oDir.sPath("tour.vkd"));
        ProcessResult r = oRun(oDir, {"/i", c.pszName, "tour.vkd"});
        EXPECT_EQ(r.iExitStatus, 1);
        EXPECT_NE(r.sErr.find(c.pszError), std::string::npos) << r.sErr;
        EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd")), sBefore);
    }
}

} // namespace
