#pragma once
// The simulated receiver as a child process for the end-to-end and peer
// tests: started with its options, connected through the terminal it
// announces, stopped and reaped by the test or at the latest by the destructor.

#include <string>
#include <vector>

#include "child_process.h"

class SimProcess {
  public:
    SimProcess() = default;
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess() { sStop(); }

    // Starts quillox-sim with the arguments; 1 when it announced its terminal.
    // A simulator left behind by a test that died ends itself after a minute
    // without frames.
    int iStart(const std::vector<std::string> &asArgs) {
        sStop();
        m_sPort.clear();
        std::vector<std::string> asAll = {QUILLOX_SIM_EXE, "--idle-exit", "60"};
        asAll.insert(asAll.end(), asArgs.begin(), asArgs.end());
        if (m_oChild.iStart(asAll) != 1) {
            return 0;
        }
        // The first line on standard output names the terminal to connect to.
        const double dDeadline = dSecondsNow() + 10.0;
        while (m_oChild.sOut.find('\n') == std::string::npos && dSecondsNow() < dDeadline &&
               m_oChild.iRead(50) == 1) {
        }
        const size_t n = m_oChild.sOut.find('\n');
        if (n == std::string::npos) {
            return 0;
        }
        m_sPort = m_oChild.sOut.substr(0, n);
        return 1;
    }

    // Ends the simulator and returns what it wrote on standard error. A unit
    // still resending its last frame would take seconds to notice the signal;
    // it has nothing more to say, so it is not waited for long.
    std::string sStop() {
        if (m_oChild.fStarted()) {
            m_oChild.vSignal(SIGTERM);
            m_oChild.vReadUntil(dSecondsNow() + 0.5);
            m_oChild.iWait(dSecondsNow());
        }
        return m_oChild.sErr;
    }

    const std::string &sPort() const { return m_sPort; }

  private:
    ChildProcess m_oChild;
    std::string m_sPort;
};
