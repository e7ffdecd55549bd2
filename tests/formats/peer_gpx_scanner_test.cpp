// GPSBabel's GPX, in each of its flavours, is plain XML that the GPX reader's
// scanner must take whole, and read as expat reads it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gpx_scanner_support.h"

using namespace gpx_scanner_test;

TEST(PeerGpsbabelGpxScanner, TakesWhatGpsbabelWrites) {
    if (std::system("gpsbabel -V >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gpsbabel is not installed";
    }
    exchange_test::ScratchFolder oFolder;
    std::string sOurs = oFolder.sPath("ours.gpx");
    exchange_test::vWriteFile(sOurs, sWrittenStore());
    for (const char *pszOutput : {"gpx", "gpx,gpxver=1.0", "gpx,garminextensions"}) {
        SCOPED_TRACE(pszOutput);
        std::string sOut = oFolder.sPath("babel.gpx");
        std::string sCommand = "timeout 60 gpsbabel -w -r -t -i gpx -f " + sOurs + " -o " +
                               pszOutput + " -F " + sOut + " 2>" + oFolder.sPath("gpsbabel.err");
        ASSERT_EQ(std::system(sCommand.c_str()), 0)
            << exchange_test::sReadFile(oFolder.sPath("gpsbabel.err"));
        std::string sDoc = exchange_test::sReadFile(sOut);
        ASSERT_FALSE(sDoc.empty());
        Both o = oCompareWithExpat(sDoc);
        EXPECT_NE(o.iScanner, -1) << "the scanner gave up";
        EXPECT_EQ(o.iExpat, 1) << o.sExpatErr;
    }
}
