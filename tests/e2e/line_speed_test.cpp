// /r: the unit is asked for a faster line after identification and set back
// to 9600 baud before the port closes; a unit that does not follow keeps
// 9600 and the run goes on there.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "link_run.h"
#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

using namespace e2e;

constexpr const char *kKept = "the receiver kept 9600 baud";

class LineSpeed : public ::testing::Test {
  protected:
    // Runs the program against a fresh unit with the given options.
    void vRun(std::vector<std::string> asSim, std::vector<std::string> asArgs) {
        asSim.insert(asSim.begin(), {"--log", sLog, "--profile", "a400"});
        SimProcess oSim;
        ASSERT_EQ(oSim.iStart(asSim), 1);
        asArgs.insert(asArgs.begin(), {"/c", oSim.sPort()});
        o = oRunQuillox(asArgs, sDir);
        oSim.sStop();
        sFrames = sReadFile(sLog);
    }
    TempFolder oDir;
    std::string sDir = oDir.sFolder();
    std::string sLog = sDir + "/frames.log";
    ProcessResult o;
    std::string sFrames;
};

TEST_F(LineSpeed, UnitIsAskedForTheSpeedAndSetBackBeforeTheEnd) {
    vRun({"--pace"}, {"/r", "115200", "/dw", "fast.vkd"});
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
    EXPECT_EQ(o.sErr, "");
    // Requests off, then 115200 (0x0001C200) asked for; the unit answers the
    // rate its clock makes and both ends prove the change with pings.
    EXPECT_NE(sFrames.find("H> 10 1C 02 00 00 E2 10 03\nS> 10 06 02 1C 00 DC 10 03\n"
                           "H> 10 30 04 00 C2 01 00 09 10 03\n"),
              std::string::npos)
        << sFrames;
    const size_t nFast = sFrames.find("# speed 115200 baud confirmed");
    const size_t nBack = sFrames.find("# speed 9600 baud confirmed");
    ASSERT_NE(nFast, std::string::npos) << sFrames;
    ASSERT_NE(nBack, std::string::npos) << sFrames;
    EXPECT_LT(sFrames.find("S> 10 1B"), nBack); // the waypoints came at 115200
    EXPECT_LT(nFast, sFrames.find("S> 10 1B"));
    vRun({}, {"/dw", "slow.vkd"});
    EXPECT_EQ(sReadFile(sDir + "/fast.vkd"), sReadFile(sDir + "/slow.vkd"));
}

TEST_F(LineSpeed, UnitThatDoesNotFollowKeeps9600AndTheRunGoesOn) {
    const struct {
        std::vector<std::string> asFault;
        const char *pszWhy;
    } aCases[] = {
        {{"--ignore-speed-request"}, "no answer to the speed request"},
        {{"--answer-rate", "57600"}, "it offered 57600 baud"},
        {{"--drop-pings", "9"}, "the pings at the new speed were not answered"},
    };
    for (const auto &c : aCases) {
        vRun(c.asFault, {"/r", "115200", "/dw", "got.vkd"});
        EXPECT_EQ(o.iExitStatus, 0) << c.pszWhy << o.sErr;
        EXPECT_NE(o.sErr.find(kKept), std::string::npos) << o.sErr;
        EXPECT_NE(o.sErr.find(c.pszWhy), std::string::npos) << o.sErr;
        EXPECT_EQ(iCount(o.sErr, "\n"), 1) << o.sErr;
        EXPECT_NE(o.sOut.find("Downloading Waypoints (Total count: 36)"), std::string::npos);
        EXPECT_LT(o.dSeconds, 12.0);
    }
}

TEST_F(LineSpeed, LostPingIsSentAgainAndTheChangeHolds) {
    vRun({"--drop-pings", "1"}, {"/r", "57600", "/v"});
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
    EXPECT_NE(sFrames.find("# ping lost"), std::string::npos);
    EXPECT_NE(sFrames.find("# speed 57600 baud confirmed"), std::string::npos) << sFrames;
}

TEST_F(LineSpeed, UnitFallingSilentAfterTheChangeEndsTheDevicePartAtOnce) {
    vRun({"--silent-after-speed-change"}, {"/r", "38400", "/d", "got.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find(kKept), std::string::npos) << o.sErr;
    EXPECT_NE(o.sErr.find("no answer from the receiver on"), std::string::npos) << o.sErr;
    EXPECT_LT(o.dSeconds, 15.0);
}

TEST_F(LineSpeed, OtherSpeedsAreAMistakeOnTheCommandLine) {
    ProcessResult r = oRunQuillox({"/r", "12345", "/v"}, sDir);
    EXPECT_EQ(r.iExitStatus, 2);
    EXPECT_EQ(r.sErr, "quillox: /r takes a line speed of 9600, 19200, 38400, 57600 or 115200, "
                      "not '12345'\n");
}

TEST_F(LineSpeed, CtrlCEndsTheTransferThenSetsTheUnitBack) {
    if (iProgramHasRunner()) {
        GTEST_SKIP() << "a signal reaches the runner, not the Windows program";
    }
    vWriteFile(sDir + "/kept.vkd", "what was there");
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--log", sLog, "--profile", "a400", "--pace", "--track-points", "5000"}),
              1);
    ChildProcess oRun;
    ASSERT_EQ(
        oRun.iStart({QUILLOX_EXE, "/c", oSim.sPort(), "/r", "115200", "/dt", "kept.vkd"}, sDir), 1);
    oRun.vReadUntil(dSecondsNow() + 2.0);
    oRun.vSignal(SIGINT);
    oRun.vReadUntil(dSecondsNow() + 10.0);
    const int iStatus = oRun.iWait(dSecondsNow() + 1.0);
    oSim.sStop();
    sFrames = sReadFile(sLog);
    EXPECT_EQ(iStatus, 1);
    EXPECT_NE(oRun.sErr.find("interrupted: the track download was cut short"), std::string::npos)
        << oRun.sErr;
    EXPECT_NE(sFrames.find("# speed 9600 baud confirmed"), std::string::npos) << oRun.sErr;
    // Nothing is saved after Ctrl+C: the run ends.
    EXPECT_EQ(sReadFile(sDir + "/kept.vkd"), "what was there");
    EXPECT_EQ(oRun.sOut.find("Save data to"), std::string::npos);
    EXPECT_NE(oRun.sOut.find("Elapsed time: "), std::string::npos);
}

} // namespace
