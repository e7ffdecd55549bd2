// The simulator's own switches: what --link may replace, and the profile
// with proximity waypoints that --help points to.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/child_process.h"
#include "tests/sim_process.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

} // namespace

TEST(SimLinkOption, ReplacesOnlyALeftoverLinkToATerminal) {
    TempFolder oDir;
    // A user's file, folder or own link at that path is never removed.
    vWriteFile(oDir.sPath("tour.vkd"), "a user's file");
    fs::create_directory(oDir.sPath("folder"));
    fs::create_symlink("tour.vkd", oDir.sPath("mine"));
    for (const char *pszName : {"tour.vkd", "folder", "mine"}) {
        ProcessResult r =
            oRunProcess({QUILLOX_SIM_EXE, "--idle-exit", "1", "--link", oDir.sPath(pszName)}, 10.0);
        EXPECT_EQ(r.iExitStatus, 1) << pszName;
        EXPECT_NE(r.sErr.find("is not replaced"), std::string::npos) << r.sErr;
    }
    EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd")), "a user's file");
    EXPECT_TRUE(fs::is_directory(oDir.sPath("folder")));
    EXPECT_EQ(fs::read_symlink(oDir.sPath("mine")), "tour.vkd");

    // The link an earlier run left when it was killed is taken over.
    fs::create_symlink("/dev/pts/9999", oDir.sPath("gps"));
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--link", oDir.sPath("gps")}), 1);
    EXPECT_EQ(fs::read_symlink(oDir.sPath("gps")).string(), oSim.sPort());
    oSim.sStop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(oDir.sPath("gps"))));
}

TEST(SimProfiles, HelpSaysWhichProfileHasProximityWaypoints) {
    ProcessResult r = oRunProcess({QUILLOX_SIM_EXE, "--help"}, 10.0);
    EXPECT_EQ(r.iExitStatus, 0);
    EXPECT_NE(r.sOut.find("    a400       waypoints D109, routes D201/D109, tracks A301 "
                          "D312/D302, proximity A400 D403\n"),
              std::string::npos)
        << r.sOut;
    EXPECT_NE(r.sOut.find("    a300       waypoints D108"), std::string::npos) << r.sOut;
}

TEST(SimProfiles, A400ServesProximityWaypoints) {
    TempFolder oDir;
    SimProcess oSim;
    ASSERT_EQ(oSim.iStart({"--profile", "a400", "--track-points", "5"}), 1);
    ProcessResult r =
        oRunProcess({QUILLOX_EXE, "/c", oSim.sPort(), "/dp", "prx.vkd"}, 30.0, oDir.sFolder());
    EXPECT_EQ(r.iExitStatus, 0) << r.sErr;
    EXPECT_NE(r.sOut.find("ID=SIM A400 Software Version 5.20"), std::string::npos) << r.sOut;
    EXPECT_NE(r.sOut.find("Downloading Proximity Waypoints (Total count: 6)"), std::string::npos)
        << r.sOut;
}
