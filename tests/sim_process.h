#pragma once
// The simulated receiver as a child process for the end-to-end and peer
// tests: started with its options, connected through the terminal it
// announces, stopped and reaped by the test or at the latest by the destructor.
//
// When the program under test runs under Wine (QUILLOX_RUNNER and WINEPREFIX
// set, see child_process.h), the terminal is also a COM port of the prefix: a
// link $WINEPREFIX/dosdevices/com<n> to it, and sPort() is the number n, so
// "/c" sPort() reaches the simulator through Windows' serial calls.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

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
        vMapComPort();
        return 1;
    }

    // Ends the simulator and returns what it wrote on standard error. A unit
    // still resending its last frame would take seconds to notice the signal;
    // it has nothing more to say, so it is not waited for long.
    std::string sStop() {
        if (!m_sComLink.empty()) {
            unlink(m_sComLink.c_str());
            m_sComLink.clear();
        }
        if (m_oChild.fStarted()) {
            m_oChild.vSignal(SIGTERM);
            m_oChild.vReadUntil(dSecondsNow() + 0.5);
            m_oChild.iWait(dSecondsNow());
        }
        return m_oChild.sErr;
    }

    // What "/c" takes to reach the simulator: its terminal, or under Wine its COM port number.
    const std::string &sPort() const { return m_sComNumber.empty() ? m_sPort : m_sComNumber; }
    // The simulator's terminal itself.
    const std::string &sTerminal() const { return m_sPort; }
    // The device the program names in its messages for "/c" sPort(): the
    // terminal itself, or the Windows device of the COM number.
    std::string sDeviceName() const {
        return m_sComNumber.empty() ? m_sPort : "\\\\.\\COM" + m_sComNumber;
    }

  private:
    // COM<n> for /dev/pts/<n - 10>: terminals in use have different numbers,
    // so tests running side by side get different ports, none of COM1 to COM4.
    void vMapComPort() {
        m_sComNumber.clear();
        const char *pszPrefix = std::getenv("WINEPREFIX");
        if (!iProgramHasRunner() || pszPrefix == nullptr || pszPrefix[0] == '\0' ||
            m_sPort.rfind("/dev/pts/", 0) != 0) {
            return;
        }
        const int iPort = std::atoi(m_sPort.c_str() + 9) + 10;
        if (iPort > 255) {
            return; // the path is handed over as it is
        }
        const std::string sLink =
            std::string(pszPrefix) + "/dosdevices/com" + std::to_string(iPort);
        unlink(sLink.c_str());
        if (symlink(m_sPort.c_str(), sLink.c_str()) == 0) {
            m_sComLink = sLink;
            m_sComNumber = std::to_string(iPort);
        }
    }

    ChildProcess m_oChild;
    std::string m_sPort;
    std::string m_sComLink;
    std::string m_sComNumber;
};
