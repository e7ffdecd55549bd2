#pragma once
// Programs run as child processes, the way a user runs them: arguments, a
// working folder, changes to the environment, standard input from /dev/null
// and both outputs captured. Every wait is bounded: a child that overstays its
// time is killed by its own pid, so that no test can hang.
//
// Header only: the end-to-end and the peer test executables both use it.
//
// The program under test may be another build run through a runner: with
// QUILLOX_PROGRAM (its path) and QUILLOX_RUNNER (for example wine64) set, every
// run of QUILLOX_EXE runs "$QUILLOX_RUNNER $QUILLOX_PROGRAM ..." instead, and
// its outputs are read as that platform writes text (CR LF becomes LF).

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct ProcessResult {
    int iExitStatus = -1; // -1 when killed, ended by a signal or never started
    bool fTimedOut = false;
    double dSeconds = 0.0;
    std::string sOut;
    std::string sErr;
};

// The command that runs asArgs: the program under test through its runner
// when asArgs[0] is QUILLOX_EXE and a runner is set, asArgs otherwise.
inline std::vector<std::string> asRunnerCommand(const std::vector<std::string> &asArgs,
                                                bool *pfTextMode) {
    *pfTextMode = false;
#ifdef QUILLOX_EXE
    const char *pszRunner = std::getenv("QUILLOX_RUNNER");
    const char *pszProgram = std::getenv("QUILLOX_PROGRAM");
    if (!asArgs.empty() && asArgs[0] == QUILLOX_EXE && pszRunner != nullptr &&
        pszRunner[0] != '\0' && pszProgram != nullptr && pszProgram[0] != '\0') {
        std::vector<std::string> as = {pszRunner, pszProgram};
        as.insert(as.end(), asArgs.begin() + 1, asArgs.end());
        *pfTextMode = true;
        return as;
    }
#endif
    return asArgs;
}

// 1 when the program under test runs through a runner (see above).
inline int iProgramHasRunner() {
    bool fTextMode = false;
#ifdef QUILLOX_EXE
    asRunnerCommand({QUILLOX_EXE}, &fTextMode);
#endif
    return fTextMode ? 1 : 0;
}

// Text as written in text mode on Windows, read back: every CR LF becomes LF.
inline void vFromTextMode(std::string &s) {
    size_t nOut = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            continue;
        }
        s[nOut++] = s[i];
    }
    s.resize(nOut);
}

inline double dSecondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Our environment with the changes: "NAME=value" sets NAME, a bare "NAME"
// removes it. The program's debug channels start off in every child, so a
// debug setting of the caller's shell never leaks into runs whose output is
// compared; a test that wants them sets the variable among its changes.
inline std::vector<std::string> asChildEnvironment(const std::vector<std::string> &asChanges) {
    std::vector<std::string> as;
    for (char **ppsz = environ; ppsz != nullptr && *ppsz != nullptr; ++ppsz) {
        as.emplace_back(*ppsz);
    }
    std::vector<std::string> asAll = {"ORVENSTA_DEBUG"};
    asAll.insert(asAll.end(), asChanges.begin(), asChanges.end());
    for (const std::string &sChange : asAll) {
        const std::string sName = sChange.substr(0, sChange.find('='));
        std::erase_if(as, [&](const std::string &s) {
            return s.size() > sName.size() && s.compare(0, sName.size(), sName) == 0 &&
                   s[sName.size()] == '=';
        });
        if (sChange.find('=') != std::string::npos) {
            as.push_back(sChange);
        }
    }
    return as;
}

// One child with its standard output and error on pipes. The destructor kills
// and reaps a child that is still there.
class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess() {
        if (m_iPid > 0) {
            iWait(0.0);
        }
        vClose();
    }

    // Starts asArgs[0] (a path, not looked up) with the rest as its arguments,
    // in sWorkDir when not empty; 1 when it was started.
    int iStart(const std::vector<std::string> &asProgramArgs, const std::string &sWorkDir = "",
               const std::vector<std::string> &asEnvironment = {}) {
        if (m_iPid > 0 || asProgramArgs.empty()) {
            return 0;
        }
        const std::vector<std::string> asArgs = asRunnerCommand(asProgramArgs, &m_fTextMode);
        vClose();
        sOut.clear();
        sErr.clear();
        // Everything the child needs is built before the fork.
        std::vector<std::string> asEnv = asChildEnvironment(asEnvironment);
        std::vector<char *> apszArgs, apszEnv;
        for (const std::string &s : asArgs) {
            apszArgs.push_back(const_cast<char *>(s.c_str()));
        }
        apszArgs.push_back(nullptr);
        for (std::string &s : asEnv) {
            apszEnv.push_back(s.data());
        }
        apszEnv.push_back(nullptr);
        int aiOut[2], aiErr[2];
        if (pipe2(aiOut, O_CLOEXEC) != 0) {
            return 0;
        }
        if (pipe2(aiErr, O_CLOEXEC) != 0) {
            close(aiOut[0]);
            close(aiOut[1]);
            return 0;
        }
        const pid_t iPid = fork();
        if (iPid == 0) {
            if (!sWorkDir.empty() && chdir(sWorkDir.c_str()) != 0) {
                _exit(126);
            }
            const int iNull = open("/dev/null", O_RDONLY);
            dup2(iNull, 0);
            dup2(aiOut[1], 1);
            dup2(aiErr[1], 2);
            execve(apszArgs[0], apszArgs.data(), apszEnv.data());
            _exit(127);
        }
        close(aiOut[1]);
        close(aiErr[1]);
        m_aiFds[0] = aiOut[0];
        m_aiFds[1] = aiErr[0];
        if (iPid < 0) {
            vClose();
            return 0;
        }
        m_iPid = iPid;
        return 1;
    }

    bool fStarted() const { return m_iPid > 0; }
    // True when the child writes its text as Windows does (see asRunnerCommand).
    bool fTextMode() const { return m_fTextMode; }
    void vSignal(int iSignal) const {
        if (m_iPid > 0) {
            kill(m_iPid, iSignal);
        }
    }

    // Adds what the child has written to sOut and sErr, waiting at most
    // iWaitMs for something to come. 0 once both outputs are closed.
    int iRead(int iWaitMs) {
        pollfd aPoll[2] = {{m_aiFds[0], POLLIN, 0}, {m_aiFds[1], POLLIN, 0}};
        if (m_aiFds[0] < 0 && m_aiFds[1] < 0) {
            return 0;
        }
        if (poll(aPoll, 2, iWaitMs) <= 0) {
            return 1;
        }
        std::string *apsTexts[2] = {&sOut, &sErr};
        for (int i = 0; i < 2; ++i) {
            if (m_aiFds[i] < 0 || (aPoll[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char ac[4096];
            const ssize_t n = read(m_aiFds[i], ac, sizeof(ac));
            if (n > 0) {
                apsTexts[i]->append(ac, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(m_aiFds[i]);
                m_aiFds[i] = -1;
            }
        }
        return m_aiFds[0] >= 0 || m_aiFds[1] >= 0 ? 1 : 0;
    }

    // Reads until both outputs are closed or dDeadline (a dSecondsNow() time)
    // has come.
    void vReadUntil(double dDeadline) {
        for (double dLeft = dDeadline - dSecondsNow(); dLeft > 0;
             dLeft = dDeadline - dSecondsNow()) {
            if (iRead(dLeft < 0.05 ? static_cast<int>(dLeft * 1000) + 1 : 50) == 0) {
                return;
            }
        }
    }

    // Waits until dDeadline for the child to end and kills it then. Returns
    // its exit status, or -1 when it had to be killed or died from a signal.
    int iWait(double dDeadline, bool *pfTimedOut = nullptr) {
        if (pfTimedOut != nullptr) {
            *pfTimedOut = false;
        }
        if (m_iPid <= 0) {
            return -1;
        }
        int iResult = -1;
        for (;;) {
            int iStatus = 0;
            const pid_t i = waitpid(m_iPid, &iStatus, WNOHANG);
            if (i == m_iPid) {
                iResult = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
                break;
            }
            if (i < 0 && errno != EINTR) {
                break;
            }
            if (dSecondsNow() > dDeadline) {
                if (pfTimedOut != nullptr) {
                    *pfTimedOut = true;
                }
                kill(m_iPid, SIGKILL);
                waitpid(m_iPid, &iStatus, 0);
                break;
            }
            usleep(5000);
        }
        m_iPid = -1;
        return iResult;
    }

    std::string sOut;
    std::string sErr;

  private:
    void vClose() {
        for (int &i : m_aiFds) {
            if (i >= 0) {
                close(i);
                i = -1;
            }
        }
    }
    pid_t m_iPid = -1;
    int m_aiFds[2] = {-1, -1};
    bool m_fTextMode = false;
};

// Runs a program to its end, or kills it after dTimeoutSeconds. asArgs[0] is
// the program's path; asEnvironment as for asChildEnvironment.
inline ProcessResult oRunProcess(const std::vector<std::string> &asArgs, double dTimeoutSeconds,
                                 const std::string &sWorkDir = "",
                                 const std::vector<std::string> &asEnvironment = {}) {
    ProcessResult o;
    const double dStart = dSecondsNow();
    const double dDeadline = dStart + dTimeoutSeconds;
    ChildProcess oChild;
    if (oChild.iStart(asArgs, sWorkDir, asEnvironment) != 1) {
        return o;
    }
    oChild.vReadUntil(dDeadline);
    o.iExitStatus = oChild.iWait(dDeadline, &o.fTimedOut);
    // The last of what it wrote; bounded, as a process it started may still
    // hold the pipes open.
    oChild.vReadUntil(dSecondsNow() + 1.0);
    o.dSeconds = dSecondsNow() - dStart;
    o.sOut = std::move(oChild.sOut);
    o.sErr = std::move(oChild.sErr);
    if (oChild.fTextMode()) {
        vFromTextMode(o.sOut);
        vFromTextMode(o.sErr);
    }
    return o;
}
