// What a save does to the thing its name points at: a link stays a link, a
// FIFO stays a FIFO, a file keeps its permission bits, and a file the user may
// not write is refused rather than replaced.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/load_save.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kOnePointFile = 24 + 126; // header, three counts and one waypoint

class SaveTargetTest : public ::testing::Test {
  protected:
    SaveTargetTest() {
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "CAIRN");
        iAddWaypoint(&m_oWorkspace, o);
    }

    int iSave(const std::string &sName) {
        m_oWorkspace.pStore->sFileType = -1;
        return iSaveFile(&m_oWorkspace, sName.c_str(), 7);
    }

    unsigned uMode(const std::string &sName) {
        struct stat oStat {};
        EXPECT_EQ(stat(sName.c_str(), &oStat), 0) << sName;
        return static_cast<unsigned>(oStat.st_mode & 07777);
    }

    Workspace m_oWorkspace;
    TempFolder oDir;
};

} // namespace

TEST_F(SaveTargetTest, SymbolicLinksAreFollowedAndStayLinks) {
    fs::create_directory(oDir.sPath("data"));
    vWriteFile(oDir.sPath("data/tour.vkd"), "old");
    fs::create_symlink("data/tour.vkd", oDir.sPath("tour.vkd")); // relative, as users make them
    ASSERT_EQ(iSave(oDir.sPath("tour.vkd")), 1);
    EXPECT_TRUE(fs::is_symlink(oDir.sPath("tour.vkd")));
    EXPECT_EQ(sReadFile(oDir.sPath("data/tour.vkd")).size(), kOnePointFile);
    EXPECT_FALSE(fs::exists(oDir.sPath("tour.vkd.tmp")));
    EXPECT_FALSE(fs::exists(oDir.sPath("data/tour.vkd.tmp")));

    // A chain of two links, and a link whose file does not exist yet.
    fs::create_symlink(oDir.sPath("tour.vkd"), oDir.sPath("again.vkd"));
    fs::create_symlink("data/fresh.vkd", oDir.sPath("new.vkd"));
    vWriteFile(oDir.sPath("data/tour.vkd"), "old");
    ASSERT_EQ(iSave(oDir.sPath("again.vkd")), 1);
    ASSERT_EQ(iSave(oDir.sPath("new.vkd")), 1);
    EXPECT_TRUE(fs::is_symlink(oDir.sPath("again.vkd")));
    EXPECT_TRUE(fs::is_symlink(oDir.sPath("new.vkd")));
    EXPECT_EQ(sReadFile(oDir.sPath("data/tour.vkd")).size(), kOnePointFile);
    EXPECT_EQ(sReadFile(oDir.sPath("data/fresh.vkd")).size(), kOnePointFile);
}

TEST_F(SaveTargetTest, ReplacedFileKeepsItsPermissionBits) {
    std::string sName = oDir.sPath("private.vkd");
    vWriteFile(sName, "old");
    ASSERT_EQ(chmod(sName.c_str(), 0600), 0);
    mode_t uSavedMask = umask(022);
    int iResult = iSave(sName);
    umask(uSavedMask);
    ASSERT_EQ(iResult, 1);
    EXPECT_EQ(uMode(sName), 0600u);
    EXPECT_EQ(sReadFile(sName).size(), kOnePointFile);
}

TEST_F(SaveTargetTest, FifoIsWrittenInPlace) {
    std::string sName = oDir.sPath("pipe.vke");
    ASSERT_EQ(mkfifo(sName.c_str(), 0600), 0);
    // The reader is there first, so the save neither blocks nor overfills the
    // pipe (the file is far smaller than its buffer).
    int fd = open(sName.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(iSave(sName), 1);
    std::string sReceived;
    char ab[4096];
    ssize_t n;
    while ((n = read(fd, ab, sizeof(ab))) > 0) {
        sReceived.append(ab, static_cast<size_t>(n));
    }
    close(fd);
    EXPECT_TRUE(fs::is_fifo(sName)) << "the FIFO was replaced by a file";
    EXPECT_NE(sReceived.find("CAIRN"), std::string::npos) << sReceived;
    EXPECT_FALSE(fs::exists(sName + ".tmp"));
}

TEST_F(SaveTargetTest, FileTheUserMayNotWriteIsRefused) {
    // The check is the user's; root may write anything, so the save runs as
    // an ordinary user in a child when the tests run as root.
    std::string sName = oDir.sPath("locked.vkd");
    std::string sErrors = oDir.sPath("errors.txt");
    vWriteFile(sName, "keep me");
    ASSERT_EQ(chmod(sName.c_str(), 0444), 0);
    ASSERT_EQ(chmod(oDir.sFolder().c_str(), 0777), 0); // the folder itself is writable
    pid_t iPid = fork();
    ASSERT_GE(iPid, 0);
    if (iPid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        int fd = open(sErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0) {
            _exit(4);
        }
        dup2(fd, STDERR_FILENO);
        _exit(iSave(sName) == 0 ? 0 : 1);
    }
    int iStatus = 0;
    ASSERT_EQ(waitpid(iPid, &iStatus, 0), iPid);
    ASSERT_TRUE(WIFEXITED(iStatus));
    EXPECT_EQ(WEXITSTATUS(iStatus), 0) << "the save went ahead";
    EXPECT_EQ(sReadFile(sName), "keep me");
    EXPECT_EQ(sReadFile(sErrors), "quillox: cannot write '" + sName + "': Permission denied\n");
    EXPECT_FALSE(fs::exists(sName + ".tmp"));
}

TEST_F(SaveTargetTest, FolderIsRefused) {
    fs::create_directory(oDir.sPath("folder.vkd"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iSave(oDir.sPath("folder.vkd")), 0);
    std::string sErr = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(sErr.find("Is a directory"), std::string::npos) << sErr;
    EXPECT_TRUE(fs::is_directory(oDir.sPath("folder.vkd")));
    EXPECT_FALSE(fs::exists(oDir.sPath("folder.vkd.tmp")));
}
