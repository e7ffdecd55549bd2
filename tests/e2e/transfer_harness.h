#pragma once
// Runs the simulated receiver and the program (or another host) as child
// processes, the way a user would, with time limits so that nothing hangs.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace e2e {

struct ProcessResult {
    int iExitStatus = -1; // -1 when the process had to be killed
    std::string sStdout;
    std::string sStderr;
    double dSeconds = 0.0;
};

// Runs a program to its end, or kills it after dTimeoutSeconds.
ProcessResult oRunProcess(const std::vector<std::string> &asArgs, double dTimeoutSeconds,
                          const std::string &sWorkDir = "");

// A running simulator; stopped (and reaped) by the destructor.
class SimProcess {
  public:
    SimProcess() = default;
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess();

    // Starts quillox-sim with the arguments; 1 when it announced its port.
    int iStart(const std::vector<std::string> &asArgs);
    // Ends the simulator and returns what it wrote on standard error.
    std::string sStop();
    const std::string &sPort() const { return m_sPort; }

  private:
    int m_iPid = -1;
    int m_iStdout = -1;
    int m_iStderr = -1;
    std::string m_sPort;
    std::string m_sStderr;
};

// A fresh temporary folder, removed with everything in it by the destructor.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    std::string sPath(const std::string &sName) const { return m_sPath + "/" + sName; }
    const std::string &sFolder() const { return m_sPath; }

  private:
    std::string m_sPath;
};

// Definitions kept in the header: the end-to-end and the peer test executables both use them.

inline double dNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Starts a child with stdout and stderr on pipes; stdin from /dev/null.
inline int iSpawn(const std::vector<std::string> &asArgs, const std::string &sWorkDir, int *piOut,
                  int *piErr) {
    int aOut[2], aErr[2];
    if (pipe(aOut) != 0 || pipe(aErr) != 0) {
        return -1;
    }
    const int iPid = fork();
    if (iPid == 0) {
        if (!sWorkDir.empty() && chdir(sWorkDir.c_str()) != 0) {
            _exit(126);
        }
        const int iNull = open("/dev/null", O_RDONLY);
        dup2(iNull, 0);
        dup2(aOut[1], 1);
        dup2(aErr[1], 2);
        close(aOut[0]);
        close(aErr[0]);
        std::vector<char *> apszArgs;
        for (const std::string &s : asArgs) {
            apszArgs.push_back(const_cast<char *>(s.c_str()));
        }
        apszArgs.push_back(nullptr);
        execv(apszArgs[0], apszArgs.data());
        _exit(127);
    }
    close(aOut[1]);
    close(aErr[1]);
    *piOut = aOut[0];
    *piErr = aErr[0];
    return iPid;
}

// Reads what is there on the two pipes, waiting at most iWaitMs. Returns
// false when both pipes are at their end.
inline bool fPump(int &iOut, int &iErr, std::string &sOut, std::string &sErr, int iWaitMs) {
    pollfd a[2] = {{iOut, POLLIN, 0}, {iErr, POLLIN, 0}};
    if (iOut < 0 && iErr < 0) {
        return false;
    }
    const int iReady = poll(a, 2, iWaitMs);
    if (iReady <= 0) {
        return true;
    }
    int *apiFds[2] = {&iOut, &iErr};
    std::string *apsTexts[2] = {&sOut, &sErr};
    for (int i = 0; i < 2; ++i) {
        if (*apiFds[i] >= 0 && (a[i].revents & (POLLIN | POLLHUP)) != 0) {
            char ac[4096];
            const ssize_t n = read(*apiFds[i], ac, sizeof(ac));
            if (n > 0) {
                apsTexts[i]->append(ac, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(*apiFds[i]);
                *apiFds[i] = -1;
            }
        }
    }
    return iOut >= 0 || iErr >= 0;
}

inline int iWaitStatus(int iPid, double dDeadline) {
    for (;;) {
        int iStatus = 0;
        const int i = waitpid(iPid, &iStatus, WNOHANG);
        if (i == iPid) {
            return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
        }
        if (dNow() > dDeadline) {
            kill(iPid, SIGKILL);
            waitpid(iPid, &iStatus, 0);
            return -1;
        }
        usleep(5000);
    }
}

inline ProcessResult oRunProcess(const std::vector<std::string> &asArgs, double dTimeoutSeconds,
                                 const std::string &sWorkDir) {
    ProcessResult o;
    const double dStart = dNow();
    int iOut = -1, iErr = -1;
    const int iPid = iSpawn(asArgs, sWorkDir, &iOut, &iErr);
    if (iPid < 0) {
        return o;
    }
    const double dDeadline = dStart + dTimeoutSeconds;
    while (dNow() < dDeadline && fPump(iOut, iErr, o.sStdout, o.sStderr, 50)) {
    }
    o.iExitStatus = iWaitStatus(iPid, dDeadline);
    while (fPump(iOut, iErr, o.sStdout, o.sStderr, 0)) {
    }
    o.dSeconds = dNow() - dStart;
    return o;
}

inline SimProcess::~SimProcess() {
    sStop();
}

inline int SimProcess::iStart(const std::vector<std::string> &asArgs) {
    std::vector<std::string> asAll = {QUILLOX_SIM_EXE};
    asAll.insert(asAll.end(), asArgs.begin(), asArgs.end());
    m_iPid = iSpawn(asAll, "", &m_iStdout, &m_iStderr);
    if (m_iPid < 0) {
        return 0;
    }
    // The first line on standard output names the terminal to connect to.
    std::string sOut;
    const double dDeadline = dNow() + 10.0;
    while (sOut.find('\n') == std::string::npos && dNow() < dDeadline &&
           fPump(m_iStdout, m_iStderr, sOut, m_sStderr, 50)) {
    }
    const size_t n = sOut.find('\n');
    if (n == std::string::npos) {
        return 0;
    }
    m_sPort = sOut.substr(0, n);
    return 1;
}

inline std::string SimProcess::sStop() {
    if (m_iPid > 0) {
        // A unit still resending its last frame would take seconds to notice
        // the signal; it has nothing more to say, so it is not waited for long.
        kill(m_iPid, SIGTERM);
        const double dDeadline = dNow() + 0.5;
        std::string sOut;
        while (dNow() < dDeadline && fPump(m_iStdout, m_iStderr, sOut, m_sStderr, 50)) {
        }
        iWaitStatus(m_iPid, dNow());
        m_iPid = -1;
    }
    for (int *pi : {&m_iStdout, &m_iStderr}) {
        if (*pi >= 0) {
            close(*pi);
            *pi = -1;
        }
    }
    return m_sStderr;
}

inline TempFolder::TempFolder() {
    char szTemplate[] = "/tmp/quillox-e2e-XXXXXX";
    const char *psz = mkdtemp(szTemplate);
    m_sPath = psz != nullptr ? psz : "/tmp";
}

inline TempFolder::~TempFolder() {
    if (m_sPath != "/tmp") {
        std::error_code e;
        std::filesystem::remove_all(m_sPath, e);
    }
}

inline std::string sReadFile(const std::string &sPath) {
    std::ifstream oIn(sPath, std::ios::binary);
    std::stringstream s;
    s << oIn.rdbuf();
    return s.str();
}

} // namespace e2e
