#pragma once
// quillox-sim as a child of a benchmark: started with its options, it names
// the pseudo-terminal to connect to; ended by its pid.

#ifdef QUILLOX_SIM_EXE

#include <csignal>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

class BenchSimulator {
  public:
    explicit BenchSimulator(const std::vector<std::string> &asOptions) {
        std::vector<std::string> asArgs = {QUILLOX_SIM_EXE, "--idle-exit", "60"};
        asArgs.insert(asArgs.end(), asOptions.begin(), asOptions.end());
        std::vector<char *> apszArgs;
        for (std::string &s : asArgs) {
            apszArgs.push_back(s.data());
        }
        apszArgs.push_back(nullptr);
        int aPipe[2];
        if (pipe(aPipe) != 0) {
            return;
        }
        m_iPid = fork();
        if (m_iPid == 0) {
            dup2(aPipe[1], STDOUT_FILENO);
            close(aPipe[0]);
            close(aPipe[1]);
            execv(apszArgs[0], apszArgs.data());
            _exit(127);
        }
        close(aPipe[1]);
        char c = 0;
        while (read(aPipe[0], &c, 1) == 1 && c != '\n') {
            m_sPort += c;
        }
        close(aPipe[0]);
    }
    ~BenchSimulator() {
        if (m_iPid > 0) {
            kill(m_iPid, SIGTERM);
            waitpid(m_iPid, nullptr, 0);
        }
    }
    BenchSimulator(const BenchSimulator &) = delete;
    BenchSimulator &operator=(const BenchSimulator &) = delete;
    // The terminal, or "" when the simulator did not start.
    const std::string &sPort() const { return m_sPort; }

  private:
    pid_t m_iPid = -1;
    std::string m_sPort;
};

#endif
