#include <gtest/gtest.h>

#include <regex>

#include "link_run.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

using e2e::iCount;
using e2e::oRunQuillox;

const std::regex
    kStatisticsLine("Elapsed time: [0-9]+ ms, Bytes read: [0-9]+, Bytes sent: [0-9]+\n$");

class LinkIdentify : public ::testing::Test {
  protected:
    TempFolder oDir;
    std::string sDir = oDir.sFolder();
};

TEST_F(LinkIdentify, EachProfileIsIdentifiedAndTheLinkClosesWithStatistics) {
    struct Case {
        const char *pszProfile;
        const char *pszUnitLine;
        bool fArray;
    };
    const Case aCases[] = {
        {"legacy73",
         "Garmin unit found: ID=SIM LEGACY 73 Software Version 2.50  Version=250  "
         "ProductID=73\n",
         false},
        {"legacy77",
         "Garmin unit found: ID=SIM LEGACY 77 Software Version 3.55  Version=355  "
         "ProductID=77\n",
         false},
        {"a300",
         "Garmin unit found: ID=SIM A300 Software Version 3.20  Version=320  ProductID=404\n",
         true},
        {"a301",
         "Garmin unit found: ID=SIM A301 Software Version 5.10  Version=510  ProductID=405\n",
         true},
    };
    for (const Case &c : aCases) {
        SCOPED_TRACE(c.pszProfile);
        SimProcess oSim;
        ASSERT_EQ(oSim.iStart({"--profile", c.pszProfile, "--time", "1229990399"}), 1);
        auto o = oRunQuillox({"/c", oSim.sPort(), "/v"}, sDir);
        EXPECT_FALSE(o.fTimedOut);
        EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
        EXPECT_EQ(o.sErr, "");
        EXPECT_NE(o.sOut.find(c.pszUnitLine), std::string::npos) << o.sOut;
        EXPECT_TRUE(std::regex_search(o.sOut, kStatisticsLine)) << o.sOut;
        EXPECT_LT(o.dSeconds, 6.0); // a bound against waiting, generous for a loaded machine

        // A fresh unit: one that resends its last record after a late
        // acknowledgement would otherwise answer the second run with it.
        SimProcess oTracedSim;
        ASSERT_EQ(oTracedSim.iStart({"--profile", c.pszProfile, "--time", "1229990399"}), 1);
        auto oTraced = oRunQuillox({"/c", oTracedSim.sPort(), "/v"}, sDir, "protocol");
        EXPECT_EQ(oTraced.iExitStatus, 0);
        EXPECT_EQ(iCount(oTraced.sOut, "Protocol Capabilities Block read."), c.fArray ? 1 : 0);
        EXPECT_NE(oTraced.sOut.find("   UTC Block read: 2008/12/22 - 23:59:59\n"),
                  std::string::npos)
            << oTraced.sOut;
    }
}

TEST_F(LinkIdentify, CapabilityArrayIsListedOnTheProtocolChannel) {
    SimProcess oSim;
    oSim.iStart({"--profile", "a301"});
    auto o = oRunQuillox({"/c", oSim.sPort(), "/v"}, sDir, "protocol");
    EXPECT_NE(o.sOut.find("Supported protocols are:\n  P000\n  L001\n  A010\n  A100\n  D108\n  "
                          "A200\n  D201\n  D108\n  A301\n  D310\n  D301\n"),
              std::string::npos)
        << o.sOut;
    // A transfer protocol the program does not speak is named as such.
    SimProcess oOther;
    oOther.iStart({"--capabilities", "A100,D108,A500,D100"});
    o = oRunQuillox({"/c", oOther.sPort(), "/v"}, sDir, "protocol");
    EXPECT_NE(o.sOut.find("  A500 - unsupported transfer protocol\n"), std::string::npos);
}

TEST_F(LinkIdentify, ComIoChannelDumpsEveryMessage) {
    SimProcess oSim;
    oSim.iStart({"--profile", "legacy73"});
    auto o = oRunQuillox({"/c", oSim.sPort(), "/v"}, sDir, "com");
    EXPECT_EQ(o.iExitStatus, 0);
    EXPECT_NE(o.sOut.find("   Sending 3 Byte Message to GPS (plus Escape, etc.):\n    FE 01 20"),
              std::string::npos)
        << o.sOut;
    EXPECT_NE(o.sOut.find("   Byte read from COM port: 10\n"), std::string::npos);
    EXPECT_NE(o.sOut.find("   End of message reached while reading from COM port.\n"),
              std::string::npos);
    EXPECT_NE(o.sOut.find("   8 Byte Message read from GPS:\n"), std::string::npos);
}

TEST_F(LinkIdentify, SimulatorServesSeveralRunsAndLogsBothDirections) {
    std::string sLog = sDir + "/frames.log";
    std::string sLink = sDir + "/gps";
    SimProcess oSim;
    oSim.iStart({"--log", sLog, "--profile", "legacy73", "--link", sLink});
    for (int i = 0; i < 3; ++i) {
        auto o = oRunQuillox({"/c", sLink, "/v"}, sDir);
        EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
        EXPECT_EQ(iCount(o.sOut, "Garmin unit found:"), 1);
    }
    std::string sFrames = sReadFile(sLog);
    EXPECT_EQ(iCount(sFrames, "H> 10 FE 01 20 E1 10 03\n"), 3) << sFrames;
    EXPECT_EQ(iCount(sFrames, "S> 10 06 02 FE 00 FA 10 03\n"), 3);
    EXPECT_EQ(iCount(sFrames, "H> 10 0A 02 05 00 EF 10 03\n"), 3);
}

// A unit that lists A800 reports its position on its own: after the clock
// it is told once to stop (command 50). One that does not answer that is no
// fault; a unit without A800 is not told anything.
TEST_F(LinkIdentify, PositionReportsAreStoppedOnceAndMayGoUnanswered) {
    const std::string sStop = "H> 10 0A 02 32 00 C2 10 03\n";
    struct Case {
        std::vector<std::string> asSim;
        int iStops;
    };
    // Sim frames of the identification: ACK, product data, capability
    // array, ACK, date and time; silent after them, the unit answers nothing.
    const Case aCases[] = {{{"--profile", "etrexhc"}, 1},
                           {{"--profile", "etrexhc", "--silence-after", "5"}, 3},
                           {{"--profile", "a301"}, 0}};
    for (const Case &c : aCases) {
        const std::string sLog = sDir + "/frames.log";
        SimProcess oSim;
        std::vector<std::string> as = c.asSim;
        as.insert(as.end(), {"--log", sLog});
        ASSERT_EQ(oSim.iStart(as), 1);
        auto o = oRunQuillox({"/c", oSim.sPort(), "/v"}, sDir);
        EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
        EXPECT_EQ(o.sErr, "");
        oSim.sStop();
        EXPECT_EQ(iCount(sReadFile(sLog), sStop), c.iStops) << sReadFile(sLog);
    }
}

TEST_F(LinkIdentify, LinkThatCannotBeOpenedFailsQuicklyWithOneLine) {
    auto o = oRunQuillox({"/c", sDir + "/no-such-tty", "/v"}, sDir);
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_EQ(iCount(o.sErr, "\n"), 1) << o.sErr;
    EXPECT_NE(o.sErr.find(sDir + "/no-such-tty"), std::string::npos);
    EXPECT_EQ(o.sOut.find("Garmin unit found"), std::string::npos);
    EXPECT_EQ(o.sOut.find("Elapsed time"), std::string::npos);
    EXPECT_LT(o.dSeconds, 1.0);
    // A regular file is no serial line.
    vWriteFile(oDir.sPath("plain.txt"), "not a terminal\n");
    auto oFile = oRunQuillox({"/c", oDir.sPath("plain.txt"), "/v"}, sDir);
    EXPECT_EQ(oFile.iExitStatus, 1);
    EXPECT_NE(oFile.sErr.find("not a serial device"), std::string::npos) << oFile.sErr;
}

TEST_F(LinkIdentify, UsbWithoutAUnitSaysSoOnStandardError) {
    auto o = oRunQuillox({"/c", "U", "/v"}, sDir);
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("cannot open USB"), std::string::npos) << o.sErr;
    if (iProgramHasRunner()) {
        // Under Wine: no Garmin driver has published a unit.
        EXPECT_NE(o.sErr.find("no Garmin USB unit found (is Garmin's USB driver installed?)"),
                  std::string::npos)
            << o.sErr;
    }
    EXPECT_EQ(o.sOut.find("Elapsed time"), std::string::npos);
    EXPECT_LT(o.dSeconds, 5.0);
}

} // namespace
