#pragma once
// Runs quillox-sim and quillox as child processes for end-to-end tests. Every
// wait is bounded: a child that overstays its time is killed (by its own pid).

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace e2e {

inline std::string sReadFile(const std::string &sPath) {
    std::ifstream oIn(sPath, std::ios::binary);
    std::stringstream oBuffer;
    oBuffer << oIn.rdbuf();
    return oBuffer.str();
}

inline std::string sTempDir() {
    char szTemplate[] = "/tmp/quillox-e2e-XXXXXX";
    const char *psz = mkdtemp(szTemplate);
    return psz != nullptr ? psz : "/tmp";
}

inline std::vector<char *> aArgv(std::vector<std::string> &as) {
    std::vector<char *> a;
    for (std::string &s : as) {
        a.push_back(s.data());
    }
    a.push_back(nullptr);
    return a;
}

// Waits up to iTimeoutMs for the child; kills it when it overstays. Returns the
// exit status, or -1 when it had to be killed or died from a signal.
inline int iWaitChild(pid_t pid, int iTimeoutMs, bool *pfTimedOut) {
    auto oDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(iTimeoutMs);
    *pfTimedOut = false;
    for (;;) {
        int iStatus = 0;
        pid_t r = waitpid(pid, &iStatus, WNOHANG);
        if (r == pid) {
            return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
        if (std::chrono::steady_clock::now() > oDeadline) {
            *pfTimedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &iStatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// One simulated receiver for the life of a test.
class Sim {
  public:
    explicit Sim(std::vector<std::string> asOptions, const std::string &sLogPath = "") {
        std::vector<std::string> as = {QUILLOX_SIM_EXE, "--idle-exit", "60"};
        if (!sLogPath.empty()) {
            as.insert(as.end(), {"--log", sLogPath});
        }
        as.insert(as.end(), asOptions.begin(), asOptions.end());
        int aPipe[2];
        if (pipe(aPipe) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(aPipe[1], 1);
            close(aPipe[0]);
            close(aPipe[1]);
            std::vector<char *> a = aArgv(as);
            execv(a[0], a.data());
            _exit(127);
        }
        close(aPipe[1]);
        // The first line is the device path.
        pollfd oPoll{aPipe[0], POLLIN, 0};
        std::string sLine;
        auto oDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < oDeadline) {
            if (poll(&oPoll, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (read(aPipe[0], &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                break;
            }
            sLine += c;
        }
        close(aPipe[0]);
        m_sPath = sLine;
    }
    ~Sim() { vStop(); }
    Sim(const Sim &) = delete;
    Sim &operator=(const Sim &) = delete;

    const std::string &sPath() const { return m_sPath; }
    bool fRunning() const { return m_pid > 0 && !m_sPath.empty(); }
    // Ends the simulator; returns its exit status (-1 when it had to be killed).
    int iStop() { return vStop(); }

  private:
    int vStop() {
        if (m_pid <= 0) {
            return m_iStatus;
        }
        kill(m_pid, SIGTERM);
        bool fTimedOut = false;
        m_iStatus = iWaitChild(m_pid, 3000, &fTimedOut);
        m_pid = -1;
        return m_iStatus;
    }
    pid_t m_pid = -1;
    int m_iStatus = -1;
    std::string m_sPath;
};

struct RunResult {
    int iStatus = -1;
    bool fTimedOut = false;
    long lMilliseconds = 0;
    std::string sOut;
    std::string sErr;
};

// Runs quillox with the arguments, in sDir, with ORVENSTA_DEBUG set to
// pszDebug (nullptr: unset).
inline RunResult oRunQuillox(std::vector<std::string> asArgs, const std::string &sDir,
                             const char *pszDebug = nullptr, int iTimeoutMs = 15000) {
    RunResult o;
    asArgs.insert(asArgs.begin(), QUILLOX_EXE);
    std::string sOut = sDir + "/stdout.txt", sErr = sDir + "/stderr.txt";
    auto oStart = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(sDir.c_str()) != 0) {
            _exit(126);
        }
        int iOut = open(sOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int iErr = open(sErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int iNull = open("/dev/null", O_RDONLY);
        dup2(iOut, 1);
        dup2(iErr, 2);
        dup2(iNull, 0);
        if (pszDebug != nullptr) {
            setenv("ORVENSTA_DEBUG", pszDebug, 1);
        } else {
            unsetenv("ORVENSTA_DEBUG");
        }
        std::vector<char *> a = aArgv(asArgs);
        execv(a[0], a.data());
        _exit(127);
    }
    o.iStatus = iWaitChild(pid, iTimeoutMs, &o.fTimedOut);
    o.lMilliseconds = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - oStart)
                                            .count());
    o.sOut = sReadFile(sOut);
    o.sErr = sReadFile(sErr);
    return o;
}

inline int iCount(const std::string &s, const std::string &sPart) {
    int n = 0;
    for (size_t nPos = s.find(sPart); nPos != std::string::npos; nPos = s.find(sPart, nPos + 1)) {
        ++n;
    }
    return n;
}

} // namespace e2e
