// A receiver that stops answering altogether ends the device part of the run
// quickly: one line names the port and what to check, and the device steps
// after the one that found out are not tried.
#include <gtest/gtest.h>

#include <string>

#include "link_run.h"
#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"
#include "transfer_data.h"

namespace {

using namespace e2e;

// Frames the unit sends for identification: ACK of the product request,
// product data, extended product data, capability array, ACK of the time
// command, date and time.
constexpr int kIdentificationFrames = 6;

// The most a gone receiver may cost: three sends of one frame and the five
// silent reads of a track download, a second each, with room for a slow machine.
constexpr double kMostSeconds = 8.5;

std::string sGoneLine(const std::string &sPort) {
    return "quillox: no answer from the receiver on " + sPort +
           ": check the cable, the port, that the unit is on and set to its Garmin interface\n";
}

TEST(ReceiverGone, SilenceAfterIdentificationIsOneLineAndNoFurtherWaits) {
    TempFolder oDir;
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart(
                  {"--profile", "a301", "--silence-after", std::to_string(kIdentificationFrames)}),
              1);
    ProcessResult r = oRunQuillox({"/c", oSim.sPort(), "/d", "got.vkd"}, oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 1);
    // The waypoint command finds the unit gone; routes and tracks are not tried.
    EXPECT_EQ(r.sErr, sGoneLine(oSim.sDeviceName()));
    EXPECT_EQ(r.sOut.find("Downloading"), std::string::npos) << r.sOut;
    EXPECT_LT(r.dSeconds, kMostSeconds);
}

TEST(ReceiverGone, UnitLostDuringAnUploadEndsTheRemainingUploads) {
    TempFolder oDir;
    Workspace oData;
    vBuildTestSet(oData);
    ASSERT_TRUE(fSave(oData, oDir.sPath("data.vkd")));
    SimProcess oSim;
    // Silent after the ACK of the records message and of five waypoints.
    ASSERT_EQ(oSim.iStart({"--profile", "a300", "--silence-after",
                           std::to_string(kIdentificationFrames + 1 + 5)}),
              1);
    ProcessResult r = oRunQuillox({"/c", oSim.sPort(), "/u", "data.vkd"}, oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: waypoint upload failed after 5 of 12 records\n" +
                          sGoneLine(oSim.sDeviceName()));
    EXPECT_EQ(r.sOut.find("Uploading Route Points"), std::string::npos) << r.sOut;
    EXPECT_EQ(r.sOut.find("Uploading Track Points"), std::string::npos) << r.sOut;
    EXPECT_LT(r.dSeconds, kMostSeconds);
}

TEST(ReceiverGone, TrackDownloadThatFallsSilentStopsAfterItsFiveReads) {
    TempFolder oDir;
    Workspace oData;
    vBuildTestSet(oData);
    ASSERT_TRUE(fSave(oData, oDir.sPath("data.vkd")));
    SimProcess oSim;
    // Tracks are downloaded last; 20 points arrive, then nothing.
    ASSERT_EQ(oSim.iStart({"--profile", "a301", "--data", oDir.sPath("data.vkd"), "--silence-after",
                           std::to_string(kIdentificationFrames + 2 + 20)}),
              1);
    ProcessResult r = oRunQuillox({"/c", oSim.sPort(), "/dt", "got.vkd"}, oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 1);
    EXPECT_EQ(r.sErr, "quillox: track download failed after 20 of 41 records: the receiver "
                      "stopped answering\n" +
                          sGoneLine(oSim.sDeviceName()));
    EXPECT_LT(r.dSeconds, kMostSeconds);
}

} // namespace
