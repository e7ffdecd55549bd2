#include <gtest/gtest.h>

#include "link_run.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

using e2e::iCount;
using e2e::oRunQuillox;

constexpr const char *kUnitLine =
    "Garmin unit found: ID=SIM A300 Software Version 3.20  Version=320  ProductID=404\n";
constexpr const char *kProductRequest = "H> 10 FE 01 20 E1 10 03\n";

// One /v run against a simulator with one injected fault; the frame log and
// the run's results are kept for the checks.
class LinkFault : public ::testing::Test {
  protected:
    void vRun(std::vector<std::string> asFault) {
        asFault.insert(asFault.begin(), {"--log", sLog, "--profile", "a300"});
        SimProcess oSim;
        ASSERT_EQ(oSim.iStart(asFault), 1);
        o = oRunQuillox({"/c", oSim.sPort(), "/v"}, sDir, "protocol");
        sDevice = oSim.sDeviceName();
        oSim.sStop();
        sFrames = sReadFile(sLog);
        EXPECT_FALSE(o.fTimedOut);
        // Whatever happened, the link closes with its statistics line.
        EXPECT_EQ(iCount(o.sOut, "Elapsed time: "), 1) << o.sOut;
    }
    TempFolder oDir;
    std::string sDir = oDir.sFolder();
    std::string sLog = sDir + "/frames.log";
    ProcessResult o;
    std::string sFrames;
    std::string sDevice; // the device the program names in its messages
};

TEST_F(LinkFault, CorruptProductDataIsNakedAndIdentificationFails) {
    vRun({"--corrupt-checksum", "2"});
    EXPECT_NE(o.sOut.find("   Checksum on incoming message WRONG: calc - 0F  comm - 11\n"),
              std::string::npos)
        << o.sOut;
    EXPECT_EQ(iCount(sFrames, "H> 10 15 02 FF 00 EA 10 03\n"), 1) << sFrames;
    EXPECT_EQ(o.sOut.find("Garmin unit found"), std::string::npos);
    EXPECT_NE(o.sErr.find("identifying the receiver failed"), std::string::npos) << o.sErr;
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_LT(o.dSeconds, 6.0);
}

TEST_F(LinkFault, NakedRequestIsSentAgainAndSucceeds) {
    vRun({"--nak-host-frame", "1"});
    EXPECT_NE(o.sOut.find("   Unexpected record type read. Expected - 06  Read - 15\n"),
              std::string::npos)
        << o.sOut;
    EXPECT_EQ(iCount(sFrames, kProductRequest), 2) << sFrames;
    EXPECT_NE(o.sOut.find(kUnitLine), std::string::npos);
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
}

TEST_F(LinkFault, MissingAckIsWaitedForOneSecondThenTheRequestGoesAgain) {
    vRun({"--drop-ack", "1"});
    EXPECT_NE(o.sOut.find("   Result from acknowledgement to sent message: 00\n"),
              std::string::npos);
    EXPECT_EQ(iCount(sFrames, kProductRequest), 2) << sFrames;
    EXPECT_NE(o.sOut.find(kUnitLine), std::string::npos);
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
    EXPECT_GE(o.dSeconds, 0.9);
    EXPECT_LT(o.dSeconds, 5.0);
}

TEST_F(LinkFault, DataRecordInPlaceOfTheAckIsAcknowledgedAndTheRequestRepeated) {
    vRun({"--data-while-ack", "1"});
    EXPECT_NE(o.sOut.find("   Unexpected record type read. Expected - 06  Read - 0E\n"),
              std::string::npos)
        << o.sOut;
    EXPECT_EQ(iCount(sFrames, "H> 10 06 02 0E 00 EA 10 03\n"), 2) << sFrames;
    EXPECT_EQ(iCount(sFrames, kProductRequest), 2);
    EXPECT_NE(o.sOut.find(kUnitLine), std::string::npos);
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
}

TEST_F(LinkFault, SilentUnitEndsEveryWaitWithinSeconds) {
    vRun({"--silence-after", "1"});
    EXPECT_EQ(o.sOut.find("Garmin unit found"), std::string::npos);
    // The time command is tried three times, each ending after a second's silence.
    EXPECT_EQ(iCount(sFrames, "H> 10 0A 02 05 00 EF 10 03\n"), 3) << sFrames;
    EXPECT_NE(o.sErr.find("identifying the receiver failed"), std::string::npos);
    // Three sends without a byte in answer: the receiver is gone, and the
    // time step says so in the one line that names the port.
    EXPECT_NE(o.sErr.find("quillox: no answer from the receiver on " + sDevice + ":"),
              std::string::npos)
        << o.sErr;
    EXPECT_EQ(o.sErr.find("reading the receiver's time failed"), std::string::npos) << o.sErr;
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_GE(o.dSeconds, 3.5);
    EXPECT_LT(o.dSeconds, 8.0);
}

TEST_F(LinkFault, NoiseBeforeTheProductDataSpoilsThatFrameOnly) {
    vRun({"--noise-before", "2"});
    EXPECT_NE(sFrames.find("S~ 55 00 AA 03 FF 7E\n"), std::string::npos) << sFrames;
    EXPECT_EQ(o.sOut.find("Garmin unit found"), std::string::npos);
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_LT(o.dSeconds, 8.0);
}

} // namespace
