// The two builds side by side: with a second build under test (the Windows
// build under Wine, see child_process.h), the same download and upload run
// with each against the same simulated unit, and everything they leave behind
// must be the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

// QUILLOX_EXE spelled another way: runs the native build even with a runner set.
std::string sNativeProgram() {
    std::string s = QUILLOX_EXE;
    const size_t n = s.rfind('/');
    return n == std::string::npos ? "./" + s : s.substr(0, n) + "/." + s.substr(n);
}

// What differs between any two runs: the build's date and the elapsed time.
std::string sComparable(const std::string &sOut) {
    std::string s;
    for (size_t nBegin = 0; nBegin < sOut.size();) {
        size_t nEnd = sOut.find('\n', nBegin);
        nEnd = nEnd == std::string::npos ? sOut.size() : nEnd + 1;
        std::string sLine = sOut.substr(nBegin, nEnd - nBegin);
        if (sLine.rfind("Build ", 0) == 0) {
            sLine = "Build (date)\n";
        } else if (sLine.rfind("Elapsed time: ", 0) == 0) {
            sLine = "Elapsed time: (ms)" + sLine.substr(sLine.find(" ms,") + 3);
        }
        s += sLine;
        nBegin = nEnd;
    }
    return s;
}

struct Outcome {
    std::string sDownloadOut, sDownloadErr, sDownloadFrames, sDownloaded;
    std::string sUploadOut, sUploadErr, sUploadFrames, sUploaded;
};

Outcome oTransfers(bool fNative) {
    const std::string sProgram = fNative ? sNativeProgram() : std::string(QUILLOX_EXE);
    Outcome o;
    TempFolder oDir;
    Workspace oServed, oSent;
    vBuildTestSet(oServed, 12, 40);
    vBuildTestSet(oSent, 7, 25, 3);
    EXPECT_TRUE(fSave(oServed, oDir.sPath("served.vkd")));
    EXPECT_TRUE(fSave(oSent, oDir.sPath("up.vkd")));
    {
        SimProcess oSim;
        EXPECT_EQ(oSim.iStart({"--profile", "a301", "--time", "1100000000", "--data",
                               oDir.sPath("served.vkd"), "--log", oDir.sPath("down.log")}),
                  1);
        ProcessResult r = oRunProcess(
            {sProgram, "/c", fNative ? oSim.sTerminal() : oSim.sPort(), "/d", "got.vkd"}, 60.0,
            oDir.sFolder());
        EXPECT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
        oSim.sStop();
        o.sDownloadOut = sComparable(r.sOut);
        o.sDownloadErr = r.sErr;
    }
    {
        SimProcess oSim;
        EXPECT_EQ(
            oSim.iStart({"--profile", "a301", "--time", "1100000000", "--empty", "--upload-to",
                         oDir.sPath("unit.vkd"), "--log", oDir.sPath("up.log")}),
            1);
        ProcessResult r =
            oRunProcess({sProgram, "/c", fNative ? oSim.sTerminal() : oSim.sPort(), "/u", "up.vkd"},
                        60.0, oDir.sFolder());
        EXPECT_EQ(r.iExitStatus, 0) << r.sOut << r.sErr;
        oSim.sStop();
        o.sUploadOut = sComparable(r.sOut);
        o.sUploadErr = r.sErr;
    }
    o.sDownloadFrames = sReadFile(oDir.sPath("down.log"));
    o.sDownloaded = sReadFile(oDir.sPath("got.vkd"));
    o.sUploadFrames = sReadFile(oDir.sPath("up.log"));
    o.sUploaded = sReadFile(oDir.sPath("unit.vkd"));
    return o;
}

TEST(BothBuilds, SameTransfersGiveTheSameBytes) {
    if (!iProgramHasRunner()) {
        GTEST_SKIP() << "no second build to compare with (QUILLOX_RUNNER, QUILLOX_PROGRAM)";
    }
    Outcome oNative = oTransfers(true);
    Outcome oOther = oTransfers(false);
    EXPECT_FALSE(oNative.sDownloaded.empty());
    EXPECT_FALSE(oNative.sUploaded.empty());
    EXPECT_NE(oNative.sDownloadFrames.find("H> "), std::string::npos);
    EXPECT_EQ(oOther.sDownloadOut, oNative.sDownloadOut);
    EXPECT_EQ(oOther.sDownloadErr, oNative.sDownloadErr);
    // The unit's clock is fixed, so both runs see the same frames.
    EXPECT_TRUE(oOther.sDownloadFrames == oNative.sDownloadFrames) << "the download frames differ";
    EXPECT_TRUE(oOther.sDownloaded == oNative.sDownloaded) << "the downloaded files differ";
    EXPECT_EQ(oOther.sUploadOut, oNative.sUploadOut);
    EXPECT_EQ(oOther.sUploadErr, oNative.sUploadErr);
    EXPECT_TRUE(oOther.sUploadFrames == oNative.sUploadFrames) << "the upload frames differ";
    EXPECT_TRUE(oOther.sUploaded == oNative.sUploaded) << "the unit received different data";
}

} // namespace
