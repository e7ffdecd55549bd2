// The line speed side by side: a 10,000-point D302 track from the simulated
// receiver paced at the speed in force, downloaded by the program at 9600
// baud and at 115200 (/r), and by GPSBabel at 115200 on the same simulator.
// Wall-clock seconds of whole runs; one iteration each, since the 9600-baud
// run alone takes minutes.

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/sim_unit.h"

namespace {

#if defined(QUILLOX_SIM_EXE) && defined(QUILLOX_EXE)

constexpr const char *kszTrackPoints = "10000";

// Runs asArgs with standard output and error on /dev/null; its exit status.
int iRun(const std::vector<std::string> &asArgs) {
    const pid_t iPid = fork();
    if (iPid == 0) {
        const int iNull = open("/dev/null", O_RDWR);
        dup2(iNull, STDOUT_FILENO);
        dup2(iNull, STDERR_FILENO);
        std::vector<char *> apsz;
        for (const std::string &s : asArgs) {
            apsz.push_back(const_cast<char *>(s.c_str()));
        }
        apsz.push_back(nullptr);
        execv(apsz[0], apsz.data());
        _exit(127);
    }
    int iStatus = 0;
    waitpid(iPid, &iStatus, 0);
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

void vTimeRuns(benchmark::State &oState, const std::vector<std::string> &asArgs) {
    for (auto _ : oState) {
        BenchSimulator oUnit({"--profile", "a400", "--pace", "--track-points", kszTrackPoints});
        std::vector<std::string> as = asArgs;
        for (std::string &s : as) {
            s = s == "PORT" ? oUnit.sPort() : s;
        }
        if (oUnit.sPort().empty()) {
            oState.SkipWithError("the simulator did not start");
            return;
        }
        const auto oStart = std::chrono::steady_clock::now();
        const int iStatus = iRun(as);
        oState.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - oStart).count());
        if (iStatus != 0) {
            oState.SkipWithError("the download failed");
            return;
        }
    }
}

void BM_PacedTrackDownload(benchmark::State &oState) {
    const std::string sBaud = std::to_string(oState.range(0));
    vTimeRuns(oState, {QUILLOX_EXE, "/c", "PORT", "/r", sBaud, "/dt", "/tmp/quillox-bench.vkd"});
    std::remove("/tmp/quillox-bench.vkd");
}
BENCHMARK(BM_PacedTrackDownload)
    ->Arg(9600)
    ->Arg(115200)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1);

void BM_PacedTrackDownloadGpsbabel(benchmark::State &oState) {
    if (std::system("gpsbabel -V >/dev/null 2>&1") != 0) {
        oState.SkipWithError("gpsbabel is not installed");
        return;
    }
    vTimeRuns(oState,
              {"/usr/bin/gpsbabel", "-t", "-i", "garmin,baud=" + std::to_string(oState.range(0)),
               "-f", "PORT", "-o", "gpx", "-F", "/dev/null"});
}
BENCHMARK(BM_PacedTrackDownloadGpsbabel)
    ->Arg(115200)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1);

#endif

} // namespace
