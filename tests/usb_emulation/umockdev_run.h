#pragma once
// Runs the program under umockdev-run: its sysfs and /dev show the devices of
// a .umockdev description, and the unit's device node replays a usbdevfs
// script. The program's standard error goes to a file of its own, so that it
// stays apart from umockdev's ioctl-tree trace on umockdev-run's.

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/child_process.h"
#include "tests/test_files.h"
#include "usb_conversation.h"

namespace usbemu {

// The path of umockdev-run on PATH, or "" when it is not installed.
inline std::string sFindUmockdevRun() {
    const char *pszPath = std::getenv("PATH");
    std::string sPath = pszPath != nullptr ? pszPath : "/usr/bin:/bin";
    size_t nStart = 0;
    while (nStart <= sPath.size()) {
        size_t nEnd = sPath.find(':', nStart);
        if (nEnd == std::string::npos) {
            nEnd = sPath.size();
        }
        std::string sCandidate = sPath.substr(nStart, nEnd - nStart) + "/umockdev-run";
        if (nEnd > nStart && access(sCandidate.c_str(), X_OK) == 0) {
            return sCandidate;
        }
        nStart = nEnd + 1;
    }
    return "";
}

inline std::string sDevicePath(const char *pszName) {
    return std::string(QUILLOX_SOURCE_DIR) + "/tests/usb_emulation/" + pszName;
}

// 1 when every folder above sPath and sPath itself may be entered or run by
// any user, which an unprivileged run of it needs.
inline int iReachableByAll(const std::string &sPath) {
    for (size_t n = sPath.find('/', 1);; n = sPath.find('/', n + 1)) {
        struct stat o {};
        const std::string sPart = n == std::string::npos ? sPath : sPath.substr(0, n);
        if (stat(sPart.c_str(), &o) != 0 || (o.st_mode & S_IXOTH) == 0) {
            return 0;
        }
        if (n == std::string::npos) {
            return 1;
        }
    }
}

struct EmulatedRun {
    int iExitStatus = -1;
    bool fTimedOut = false;
    std::string sOut;   // the program's standard output
    std::string sErr;   // the program's standard error
    std::string sTrace; // umockdev's ioctl-tree trace
};

struct EmulatedRunOptions {
    std::string sDevices;   // the .umockdev description
    std::string sScript;    // the unit's usbdevfs script; none when empty
    std::string sBefore;    // shell commands run inside the test bed before the program
    bool fAsNobody = false; // run as the user nobody (when the test runs as root)
};

// Runs quillox with asArgs in oDir. The folder holds the script and the
// program's standard error; for an unprivileged run it is opened to all.
inline EmulatedRun oRunEmulated(const TempFolder &oDir, const EmulatedRunOptions &o,
                                const std::vector<std::string> &asArgs) {
    EmulatedRun oRun;
    const std::string sErrFile = oDir.sPath("quillox.stderr");
    std::vector<std::string> asCommand;
    if (o.fAsNobody) {
        chmod(oDir.sFolder().c_str(), 0777);
        if (geteuid() == 0) {
            asCommand = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                         "--"};
        }
    }
    asCommand.insert(asCommand.end(), {sFindUmockdevRun(), "--device", o.sDevices});
    if (!o.sScript.empty()) {
        const std::string sScriptFile = oDir.sPath("unit.ioctl");
        vWriteFile(sScriptFile, o.sScript);
        chmod(sScriptFile.c_str(), 0644);
        asCommand.insert(asCommand.end(),
                         {"--ioctl", std::string(kDeviceNode) + "=" + sScriptFile});
    }
    // The trace is umockdev-run's; the program runs without it.
    asCommand.insert(asCommand.end(), {"--", "/bin/sh", "-c",
                                       "unset UMOCKDEV_DEBUG; " + o.sBefore +
                                           " exec \"$0\" \"$@\" 2>\"$QUILLOX_STDERR\"",
                                       QUILLOX_EXE});
    asCommand.insert(asCommand.end(), asArgs.begin(), asArgs.end());

    // ASan must accept umockdev's preloaded library ahead of its own runtime.
    const char *pszAsan = std::getenv("ASAN_OPTIONS");
    std::string sAsan = "ASAN_OPTIONS=";
    if (pszAsan != nullptr && *pszAsan != '\0') {
        sAsan += std::string(pszAsan) + ":";
    }
    sAsan += "verify_asan_link_order=0";
    ProcessResult oResult =
        oRunProcess(asCommand, 60.0, oDir.sFolder(),
                    {"UMOCKDEV_DEBUG=ioctl-tree", "QUILLOX_STDERR=" + sErrFile, sAsan});
    oRun.iExitStatus = oResult.iExitStatus;
    oRun.fTimedOut = oResult.fTimedOut;
    oRun.sOut = std::move(oResult.sOut);
    oRun.sTrace = std::move(oResult.sErr);
    oRun.sErr = sReadFile(sErrFile);
    return oRun;
}

} // namespace usbemu
