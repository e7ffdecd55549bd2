// The program as a user runs it: banner, help, switch errors, exit status and
// the files a conversion leaves behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "files/native_file.h"
#include "store/workspace.h"
#include "tests/child_process.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
  protected:
    ProcessResult oRun(const std::vector<std::string> &asArgs,
                       const std::vector<std::string> &asEnvironment = {}) {
        std::vector<std::string> as = {QUILLOX_EXE};
        as.insert(as.end(), asArgs.begin(), asArgs.end());
        return oRunProcess(as, 20.0, oDir.sFolder(), asEnvironment);
    }

    // A small data file: two waypoints, a route through them, a three-point track.
    void vWriteSample(const char *pszName) {
        Workspace w;
        for (const char *psz : {"HOME", "HUT"}) {
            Waypoint o = oEmptyWaypoint();
            std::snprintf(o.szName, sizeof(o.szName), "%s", psz);
            o.lLatitude = 578000000 + psz[1];
            o.lLongitude = 110000000;
            iAddWaypoint(&w, o);
        }
        Route r{};
        r.lNumber = 1;
        r.aszPoints.resize(2);
        std::snprintf(r.aszPoints[0], kNameSize, "HOME");
        std::snprintf(r.aszPoints[1], kNameSize, "HUT");
        iAddRoute(&w, r);
        for (int i = 0; i < 3; ++i) {
            TrackPoint t{};
            t.lTime = 600000000 + 60 * i;
            t.lLatitude = 578000000 + 1000 * i;
            iAddTrackPoint(&w, t);
        }
        ASSERT_EQ(iWriteNativeFile(&w, oDir.sPath(pszName).c_str(), 7), 1);
    }

    std::string sRead(const char *pszName) { return sReadFile(oDir.sPath(pszName)); }

    TempFolder oDir;
};

const std::regex kBanner("QUILLOX 0\\.5c - Garmin GPS data transfer\n"
                         "Build [0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\n");

bool fStartsWithBanner(const std::string &s) {
    std::smatch m;
    return std::regex_search(s, m, kBanner, std::regex_constants::match_continuous);
}

} // namespace

TEST_F(CliTest, HelpShowsBothPagesAndEndsWithZero) {
    for (std::vector<std::string> as : std::vector<std::vector<std::string>>{{}, {"/?"}, {"?"}}) {
        ProcessResult o = oRun(as);
        EXPECT_EQ(o.iExitStatus, 0);
        EXPECT_TRUE(fStartsWithBanner(o.sOut)) << o.sOut;
        EXPECT_NE(o.sOut.find("Parameters:\n"), std::string::npos);
        EXPECT_NE(o.sOut.find("1:DEG, 2:DM, 3:DMS, 4:UTM\n\n  /u file.vkd"), std::string::npos);
        size_t nMore = o.sOut.find("-- more --\n");
        size_t nPage2 = o.sOut.find("  /b                    - use tabbed format for .VKE files\n");
        EXPECT_NE(nMore, std::string::npos);
        EXPECT_GT(nPage2, nMore);
        EXPECT_NE(o.sOut.find("                          1:transparent, 2:solid\n"),
                  std::string::npos);
    }
}

TEST_F(CliTest, SwitchErrorsExitWithTwoAndDoNothing) {
    ProcessResult o = oRun({"/d", "a.vkd", "/x"});
    EXPECT_EQ(o.iExitStatus, 2);
    EXPECT_TRUE(fStartsWithBanner(o.sOut));
    EXPECT_NE(o.sOut.find("Invalid switch\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(oDir.sPath("a.vkd")));

    o = oRun({"/dwx", "a.vkd"});
    EXPECT_EQ(o.iExitStatus, 2);
    EXPECT_NE(o.sOut.find("Invalid download type: X\n"), std::string::npos);

    o = oRun({"/m", "28"}); // settings only: nothing opened, read or written
    EXPECT_EQ(o.iExitStatus, 0);
    std::smatch m;
    EXPECT_TRUE(std::regex_match(o.sOut, m, kBanner)) << o.sOut;
    EXPECT_EQ(o.sErr, "");
}

TEST_F(CliTest, DebugChannelsAnnouncedAfterTheBanner) {
    ProcessResult o = oRun({"/m", "28"}, {"ORVENSTA_DEBUG=protocol"});
    EXPECT_EQ(o.iExitStatus, 0);
    EXPECT_TRUE(fStartsWithBanner(o.sOut));
    EXPECT_NE(o.sOut.find("\n--> General Debug Mode initialized.\n"
                          "--> Protocol Debug Mode initialized.\n"),
              std::string::npos);
}

TEST_F(CliTest, ConvertingNativeToNativeCopiesTheData) {
    vWriteSample("in.vkd");
    ProcessResult o = oRun({"/e", "in.vkd", "out.vkd"});
    EXPECT_EQ(o.iExitStatus, 0) << o.sErr;
    EXPECT_NE(o.sOut.find("Load data from in.vkd\nExport data to out.vkd\n"), std::string::npos);
    EXPECT_EQ(sRead("out.vkd"), sRead("in.vkd")) << "same store, same bytes";
    EXPECT_FALSE(fs::exists(oDir.sPath("out.vkd.tmp")));
}

TEST_F(CliTest, FailedStepsSayWhyAndExitWithOne) {
    ProcessResult o = oRun({"/e", "missing.vkd", "out.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("cannot open 'missing.vkd'"), std::string::npos) << o.sErr;
    // The export still runs and writes the (empty) store.
    EXPECT_EQ(sRead("out.vkd").size(), 24u);

    vWriteFile(oDir.sPath("junk.vkd"), "this is not a data file at all");
    o = oRun({"/w", "junk.vkd", "list.lst"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("'junk.vkd' is not a data file"), std::string::npos) << o.sErr;

    std::string sData;
    vWriteSample("whole.vkd");
    sData = sRead("whole.vkd");
    vWriteFile(oDir.sPath("cut.vkd"), sData.substr(0, sData.size() - 7));
    o = oRun({"/e", "cut.vkd", "copy.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("'cut.vkd' is truncated"), std::string::npos) << o.sErr;

    o = oRun({"/e", "whole.vkd", "no/such/dir/out.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("no/such/dir/out.vkd"), std::string::npos) << o.sErr;
}

TEST_F(CliTest, ReceiverThatIsNotThereFailsQuickly) {
    auto tStart = std::chrono::steady_clock::now();
    ProcessResult o = oRun({"/c", oDir.sPath("no-such-tty"), "/v"});
    EXPECT_FALSE(o.fTimedOut);
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_NE(o.sErr.find("no-such-tty"), std::string::npos) << o.sErr;
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(5));
}

TEST_F(CliTest, FailedSourceStepNeverReplacesAnExistingFile) {
    vWriteSample("tour.vkd");
    const std::string sTour = sRead("tour.vkd");
    const std::string sKept = "the file keeps its previous content\n";

    ProcessResult o = oRun({"/i", "typo.plt", "tour.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_EQ(sRead("tour.vkd"), sTour);
    EXPECT_NE(o.sErr.find("quillox: 'tour.vkd' not saved: the import failed; " + sKept),
              std::string::npos)
        << o.sErr;
    EXPECT_EQ(o.sOut.find("Save data to"), std::string::npos) << o.sOut;

    o = oRun({"/c", oDir.sPath("no-such-tty"), "/dt", "tour.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_EQ(sRead("tour.vkd"), sTour);
    EXPECT_NE(o.sErr.find("'tour.vkd' not saved: opening the receiver link failed; " + sKept),
              std::string::npos)
        << o.sErr;

    // Export and listings after a failed load keep their files as well.
    vWriteFile(oDir.sPath("tour.kml"), "older export");
    vWriteFile(oDir.sPath("list.lst"), "older listing");
    o = oRun({"/e", "missing.vkd", "tour.kml"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_EQ(sRead("tour.kml"), "older export");
    EXPECT_NE(o.sErr.find("'tour.kml' not saved: the load failed; " + sKept), std::string::npos)
        << o.sErr;
    o = oRun({"/l", "missing.vkd", "list.lst"});
    EXPECT_EQ(sRead("list.lst"), "older listing");

    // Where no file of that name existed, what arrived is saved and the run
    // still fails.
    o = oRun({"/i", "typo.plt", "new.vkd"});
    EXPECT_EQ(o.iExitStatus, 1);
    EXPECT_EQ(sRead("new.vkd").size(), 24u);
    EXPECT_EQ(o.sErr.find("not saved"), std::string::npos) << o.sErr;
}

TEST_F(CliTest, TwoNamesForOneFileSlotAreAUsageError) {
    vWriteSample("a.vkd");
    ProcessResult o = oRun({"/w", "a.vkd", "w.lst", "/l", "a.vkd", "t.lst"});
    EXPECT_EQ(o.iExitStatus, 2);
    EXPECT_NE(o.sErr.find("'w.lst'"), std::string::npos) << o.sErr;
    EXPECT_NE(o.sErr.find("'t.lst'"), std::string::npos) << o.sErr;
    EXPECT_FALSE(fs::exists(oDir.sPath("w.lst")));
    EXPECT_FALSE(fs::exists(oDir.sPath("t.lst")));
}

TEST_F(CliTest, NumberOutOfRangeIsAUsageErrorBeforeAnythingIsWritten) {
    vWriteSample("a.vkd");
    ProcessResult o = oRun({"/tc", "99", "/e", "a.vkd", "a.ovl"});
    EXPECT_EQ(o.iExitStatus, 2);
    EXPECT_EQ(o.sErr, "quillox: /tc takes a track colour from 1 to 6, not '99'\n");
    EXPECT_FALSE(fs::exists(oDir.sPath("a.ovl")));
}

TEST_F(CliTest, HelpAndVersionTheWayOtherProgramsAskForThem) {
    for (const char *psz : {"--help", "-h"}) {
        ProcessResult o = oRun({psz});
        EXPECT_EQ(o.iExitStatus, 0) << psz;
        EXPECT_NE(o.sOut.find("-- more --\n  /b "), std::string::npos) << psz;
    }
    ProcessResult o = oRun({"--version"});
    EXPECT_EQ(o.iExitStatus, 0);
    std::smatch m;
    EXPECT_TRUE(std::regex_match(o.sOut, m, kBanner)) << o.sOut;
    EXPECT_EQ(o.sErr, "");

    o = oRun({"/m", "28", "--foo"});
    EXPECT_EQ(o.iExitStatus, 2);
    EXPECT_NE(o.sOut.find("Invalid switch\n"), std::string::npos);
    EXPECT_EQ(o.sErr, "quillox: Invalid switch: --foo\n");
}

TEST_F(CliTest, HelpWaitsForNoKeyWhenItsOutputIsNotATerminal) {
    // As in "quillox | less": standard input is the user's terminal, standard
    // output a pipe. Nobody sees a pause there, so there must be none.
    int iMaster = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(iMaster, 0);
    ASSERT_EQ(grantpt(iMaster), 0);
    ASSERT_EQ(unlockpt(iMaster), 0);
    const std::string sTerminal = ptsname(iMaster);
    ProcessResult o = oRunProcess({"/bin/sh", "-c", "exec \"$0\" <\"$1\"", QUILLOX_EXE, sTerminal},
                                  10.0, oDir.sFolder());
    close(iMaster);
    EXPECT_FALSE(o.fTimedOut) << "the help waited for a key";
    EXPECT_EQ(o.iExitStatus, 0);
    EXPECT_NE(o.sOut.find("                          1:transparent, 2:solid\n"), std::string::npos)
        << o.sOut;
}
