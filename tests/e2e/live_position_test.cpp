// /n: the unit's live position goes to a file until Ctrl+C, or until the unit
// falls silent; then the unit is told to stop.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/nmea_export.h"
#include "link_run.h"
#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

using namespace e2e;

class LivePosition : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string sPath;
        for (int i = 0; i < 40; ++i) {
            sPath += std::to_string(46.8 + i * 0.001) + " " + std::to_string(8.2 + i * 0.001) +
                     " " + std::to_string(500 + i) + (i == 1 ? " 1" : " 3") + "\n";
        }
        vWriteFile(sDir + "/path.txt", sPath);
        vWriteFile(sDir + "/short.txt", "46.8 8.2 500\n46.801 8.201 501\n46.802 8.202 502\n");
    }
    // Starts the unit and the program; the program is ended with iSignal
    // after dSeconds (0: it ends by itself).
    void vRun(const std::string &sPath, const std::string &sFile, int iSignal, double dSeconds,
              const char *pszProfile = "a800") {
        SimProcess oSim;
        ASSERT_EQ(oSim.iStart({"--profile", pszProfile, "--pvt", sDir + "/" + sPath,
                               "--pvt-interval", "200", "--time", "1700000000"}),
                  1);
        ChildProcess oRun;
        ASSERT_EQ(
            oRun.iStart({QUILLOX_EXE, "/c", oSim.sPort(), "/n", sFile}, sDir, {"ORVENSTA_DEBUG"}),
            1);
        if (iSignal != 0) {
            oRun.vReadUntil(dSecondsNow() + dSeconds);
            oRun.vSignal(iSignal);
        }
        oRun.vReadUntil(dSecondsNow() + 15.0);
        iStatus = oRun.iWait(dSecondsNow() + 1.0);
        sOut = oRun.sOut;
        sErr = oRun.sErr;
        sSimErr = oSim.sStop();
    }
    static void vExpectNmea(const std::string &sText, int iMinFixes) {
        int iRmc = 0, iGga = 0;
        for (size_t n = 0; n < sText.size();) {
            const size_t nEnd = sText.find("\r\n", n);
            ASSERT_NE(nEnd, std::string::npos) << sText;
            const std::string sLine = sText.substr(n, nEnd - n);
            char szSum[3];
            std::snprintf(szSum, sizeof(szSum), "%2.2X", uNmeaChecksum(sLine.c_str()));
            EXPECT_EQ(sLine.substr(sLine.size() - 3), std::string("*") + szSum) << sLine;
            iRmc += sLine.rfind("$GPRMC,", 0) == 0;
            iGga += sLine.rfind("$GPGGA,", 0) == 0;
            n = nEnd + 2;
        }
        EXPECT_GE(iRmc, iMinFixes);
        EXPECT_EQ(iRmc, iGga);
        EXPECT_EQ(iRmc + iGga, iCount(sText, "\r\n")) << "only the two sentences";
    }
    TempFolder oDir;
    std::string sDir = oDir.sFolder();
    int iStatus = -1;
    std::string sOut, sErr, sSimErr;
};

TEST_F(LivePosition, CtrlCEndsTheReportWithStatusZeroAndStopsTheUnit) {
    if (iProgramHasRunner()) {
        GTEST_SKIP() << "a signal reaches the runner, not the Windows program";
    }
    vRun("path.txt", "live.NME", SIGINT, 2.0);
    EXPECT_EQ(iStatus, 0) << sErr;
    EXPECT_EQ(sErr, "");
    const std::string sText = sReadFile(sDir + "/live.NME");
    vExpectNmea(sText, 4);
    // The second fix of the path has none and is not written.
    EXPECT_EQ(sText.find("4648.06,N"), std::string::npos) << sText;
    EXPECT_NE(sText.find("$GPRMC,221320,A,4648.00,N,00812.00,E,"), std::string::npos) << sText;
    EXPECT_NE(sSimErr.find("stopped by the host"), std::string::npos) << sSimErr;
    EXPECT_NE(sOut.find("Position: 3D fix, "), std::string::npos) << sOut;
}

TEST_F(LivePosition, GpxIsValidAfterATermination) {
    if (iProgramHasRunner()) {
        GTEST_SKIP() << "a signal reaches the runner, not the Windows program";
    }
    vRun("path.txt", "live.gpx", SIGTERM, 1.5);
    EXPECT_EQ(iStatus, 0) << sErr;
    const std::string sCommand = "xmllint --noout --schema " QUILLOX_SOURCE_DIR
                                 "/../shared/schemas/gpx-1.1.xsd " +
                                 sDir + "/live.gpx 2>/dev/null";
    EXPECT_EQ(std::system(sCommand.c_str()), 0) << sReadFile(sDir + "/live.gpx");
    EXPECT_NE(sReadFile(sDir + "/live.gpx").find("<time>2023-11-14T22:13:20Z</time>"),
              std::string::npos);
}

TEST_F(LivePosition, DashSendsOnlySentencesToStandardOutputAndSilenceEndsTheReport) {
    vRun("short.txt", "-", 0, 0);
    // Three fixes, then nothing for five seconds: the unit counts as gone.
    EXPECT_EQ(iStatus, 1);
    vExpectNmea(sOut, 3);
    EXPECT_EQ(iCount(sOut, "$GPRMC"), 3);
    EXPECT_NE(sErr.find("QUILLOX "), std::string::npos) << sErr;
    EXPECT_NE(sErr.find("Garmin unit found"), std::string::npos);
    EXPECT_NE(sErr.find("quillox: no answer from the receiver on "), std::string::npos) << sErr;
    EXPECT_NE(sErr.find("Elapsed time: "), std::string::npos);
    EXPECT_NE(sSimErr.find("3 fixes sent, stopped by the host"), std::string::npos) << sSimErr;
}

TEST_F(LivePosition, UnitWithoutPositionReportIsOneLineAndLeavesTheFileAlone) {
    vWriteFile(sDir + "/old.kml", "kept");
    vRun("short.txt", "old.kml", 0, 0, "a300");
    EXPECT_EQ(iStatus, 1);
    EXPECT_EQ(iCount(sErr, "\n"), 1) << sErr;
    EXPECT_NE(sErr.find("does not report its position"), std::string::npos) << sErr;
    EXPECT_EQ(sReadFile(sDir + "/old.kml"), "kept");
}

} // namespace
