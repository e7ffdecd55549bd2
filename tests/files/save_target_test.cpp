// What a save does to the thing its name points at: a link stays a link, a
// FIFO or a device is written in place, a file keeps its permission bits (its
// hidden attribute on Windows), and a file the user may not write is refused
// rather than replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "files/load_save.h"
#include "store/workspace.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

// A symbolic link to a file; std::filesystem cannot make one with MinGW.
bool fMakeLink(const std::string &sTarget, const std::string &sLink, std::string &sWhy) {
#if defined(_WIN32)
    std::string sWindowsTarget = sTarget;
    for (char &c : sWindowsTarget) {
        c = c == '/' ? '\\' : c;
    }
    if (!CreateSymbolicLinkA(sLink.c_str(), sWindowsTarget.c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
        sWhy = "error " + std::to_string(GetLastError());
        return false;
    }
    // Wine reports success and makes nothing.
    DWORD lAttributes = GetFileAttributesA(sLink.c_str());
    if (lAttributes == INVALID_FILE_ATTRIBUTES || !(lAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        sWhy = "the system reported a link it did not make";
        return false;
    }
    return true;
#else
    std::error_code oError;
    fs::create_symlink(sTarget, sLink, oError);
    sWhy = oError.message();
    return !oError;
#endif
}

bool fIsLink(const std::string &sName) {
#if defined(_WIN32)
    DWORD lAttributes = GetFileAttributesA(sName.c_str());
    return lAttributes != INVALID_FILE_ATTRIBUTES && (lAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    return fs::is_symlink(sName);
#endif
}

constexpr size_t kOnePointFile = 24 + 126; // header, three counts and one waypoint

class SaveTargetTest : public ::testing::Test {
  protected:
    SaveTargetTest() {
        Waypoint o = oEmptyWaypoint();
        std::snprintf(o.szName, sizeof(o.szName), "CAIRN");
        iAddWaypoint(&m_oWorkspace, o);
    }

    int iSave(const std::string &sName) { return iSaveFile(&m_oWorkspace, sName.c_str(), 7); }

#if !defined(_WIN32)
    unsigned uMode(const std::string &sName) {
        struct stat oStat {};
        EXPECT_EQ(stat(sName.c_str(), &oStat), 0) << sName;
        return static_cast<unsigned>(oStat.st_mode & 07777);
    }
#endif

    Workspace m_oWorkspace;
    TempFolder oDir;
};

} // namespace

TEST_F(SaveTargetTest, SymbolicLinksAreFollowedAndStayLinks) {
    fs::create_directory(oDir.sPath("data"));
    vWriteFile(oDir.sPath("data/tour.vkd"), "old");
    std::string sWhy;
    if (!fMakeLink("data/tour.vkd", oDir.sPath("tour.vkd"), sWhy)) { // relative, as users make them
#if defined(_WIN32)
        GTEST_SKIP() << "no symbolic link can be made here: " << sWhy;
#endif
        FAIL() << sWhy;
    }
    ASSERT_EQ(iSave(oDir.sPath("tour.vkd")), 1);
    EXPECT_TRUE(fIsLink(oDir.sPath("tour.vkd")));
    EXPECT_EQ(sReadFile(oDir.sPath("data/tour.vkd")).size(), kOnePointFile);
    EXPECT_FALSE(fs::exists(oDir.sPath("tour.vkd.tmp")));
    EXPECT_FALSE(fs::exists(oDir.sPath("data/tour.vkd.tmp")));

    // A chain of two links.
    ASSERT_TRUE(fMakeLink(oDir.sPath("tour.vkd"), oDir.sPath("again.vkd"), sWhy)) << sWhy;
    vWriteFile(oDir.sPath("data/tour.vkd"), "old");
    ASSERT_EQ(iSave(oDir.sPath("again.vkd")), 1);
    EXPECT_TRUE(fIsLink(oDir.sPath("again.vkd")));
    EXPECT_EQ(sReadFile(oDir.sPath("data/tour.vkd")).size(), kOnePointFile);
}

TEST_F(SaveTargetTest, TemporaryFileHasANameOfItsOwnAndDoesNotStay) {
    vWriteFile(oDir.sPath("tour.vkd"), "old");
    vWriteFile(oDir.sPath("tour.vkd.tmp"), "the user's own");
    ASSERT_EQ(iSave(oDir.sPath("tour.vkd")), 1);
    ASSERT_EQ(iSave(oDir.sPath("fresh.vkd")), 1);
    EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd.tmp")), "the user's own");
    EXPECT_EQ(sReadFile(oDir.sPath("tour.vkd")).size(), kOnePointFile);
    std::vector<std::string> asNames;
    for (const fs::directory_entry &o : fs::directory_iterator(oDir.sFolder())) {
        asNames.push_back(o.path().filename().string());
    }
    std::sort(asNames.begin(), asNames.end());
    EXPECT_EQ(asNames, (std::vector<std::string>{"fresh.vkd", "tour.vkd", "tour.vkd.tmp"}));
}

#if !defined(_WIN32)
TEST_F(SaveTargetTest, NewFileGetsWhatAPlainCreateGives) {
    for (auto [uMask, uExpected] : {std::pair{022u, 0644u}, {027u, 0640u}, {0u, 0666u}}) {
        std::string sName = oDir.sPath("new" + std::to_string(uMask) + ".vkd");
        mode_t uSavedMask = umask(static_cast<mode_t>(uMask));
        int iResult = iSave(sName);
        umask(uSavedMask);
        ASSERT_EQ(iResult, 1);
        EXPECT_EQ(uMode(sName), uExpected) << uMask;
    }
}

TEST_F(SaveTargetTest, RootKeepsTheOwnerAndGroupOfAnotherUsersFile) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    std::string sName = oDir.sPath("theirs.vkd");
    vWriteFile(sName, "old");
    ASSERT_EQ(chown(sName.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(sName.c_str(), 0640), 0);
    ASSERT_EQ(iSave(sName), 1);
    struct stat oStat {};
    ASSERT_EQ(stat(sName.c_str(), &oStat), 0);
    EXPECT_EQ(oStat.st_uid, 65534u);
    EXPECT_EQ(oStat.st_gid, 65534u);
    EXPECT_EQ(oStat.st_mode & 07777, 0640u);
    EXPECT_EQ(sReadFile(sName).size(), kOnePointFile);
}

TEST_F(SaveTargetTest, LinkToAFileNotThereYetMakesThatFile) {
    fs::create_directory(oDir.sPath("data"));
    fs::create_symlink("data/fresh.vkd", oDir.sPath("new.vkd"));
    ASSERT_EQ(iSave(oDir.sPath("new.vkd")), 1);
    EXPECT_TRUE(fs::is_symlink(oDir.sPath("new.vkd")));
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

#else
TEST_F(SaveTargetTest, HiddenFileStaysHidden) {
    std::string sName = oDir.sPath("hidden.vkd");
    vWriteFile(sName, "old");
    ASSERT_TRUE(SetFileAttributesA(sName.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(iSave(sName), 1);
    EXPECT_NE(GetFileAttributesA(sName.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(sReadFile(sName).size(), kOnePointFile);
    EXPECT_FALSE(fs::exists(sName + ".tmp"));
}

TEST_F(SaveTargetTest, ReadOnlyFileIsRefused) {
    std::string sName = oDir.sPath("locked.vkd");
    vWriteFile(sName, "keep me");
    ASSERT_TRUE(SetFileAttributesA(sName.c_str(), FILE_ATTRIBUTE_READONLY));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iSave(sName), 0);
    std::string sErr = ::testing::internal::GetCapturedStderr();
    SetFileAttributesA(sName.c_str(), FILE_ATTRIBUTE_NORMAL); // so the folder can go
    EXPECT_EQ(sErr, "quillox: cannot write '" + sName + "': Permission denied\n");
    EXPECT_EQ(sReadFile(sName), "keep me");
    EXPECT_FALSE(fs::exists(sName + ".tmp"));
}

TEST_F(SaveTargetTest, DeviceNamesAreWrittenInPlace) {
    // NUL names the device in every folder and with any extension.
    for (const std::string &sName :
         {std::string("NUL"), oDir.sPath("nul"), oDir.sPath("NUL.vkd")}) {
        EXPECT_EQ(iSave(sName), 1) << sName;
    }
    EXPECT_TRUE(fs::is_empty(oDir.sFolder())) << "a file was made for a device";
}
#endif

TEST_F(SaveTargetTest, FolderIsRefused) {
    fs::create_directory(oDir.sPath("folder.vkd"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(iSave(oDir.sPath("folder.vkd")), 0);
    std::string sErr = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(sErr.find("Is a directory"), std::string::npos) << sErr;
    EXPECT_TRUE(fs::is_directory(oDir.sPath("folder.vkd")));
    EXPECT_FALSE(fs::exists(oDir.sPath("folder.vkd.tmp")));
}
