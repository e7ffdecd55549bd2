// Reading the serial line: a 20,000-point track download over a
// pseudo-terminal, from the simulated receiver without its 9600-baud pace, and
// the same frames through a pseudo-terminal the benchmark feeds itself, all
// at once without waiting for the ACKs (data that streams). The counters say
// how many read() calls the reading thread made per byte read from the line
// (from /proc/thread-self/io); poll() calls come one per read().

#include <benchmark/benchmark.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/sim_unit.h"
#include "device/identify.h"
#include "device/link_layer.h"
#include "device/link_open.h"
#include "device/protocol_selection.h"
#include "device/track_records.h"
#include "device/transfers.h"
#include "device/transport.h"
#include "store/workspace.h"

namespace {

constexpr int kTrackPoints = 20000;

// read() calls of the calling thread so far.
long lReadCalls() {
    std::FILE *pFile = std::fopen("/proc/thread-self/io", "r");
    if (pFile == nullptr) {
        return 0;
    }
    char szLine[128];
    long lCalls = 0;
    while (std::fgets(szLine, sizeof(szLine), pFile) != nullptr) {
        if (std::sscanf(szLine, "syscr: %ld", &lCalls) == 1) {
            break;
        }
    }
    std::fclose(pFile);
    return lCalls;
}

// Standard output goes to /dev/null while it lives (the progress bar).
class QuietStdout {
  public:
    QuietStdout() {
        std::fflush(stdout);
        m_iSaved = dup(STDOUT_FILENO);
        int iNull = open("/dev/null", O_WRONLY);
        dup2(iNull, STDOUT_FILENO);
        close(iNull);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(m_iSaved, STDOUT_FILENO);
        close(m_iSaved);
    }

  private:
    int m_iSaved;
};

// Downloads the track and sets the counters: bytes read, reads per byte.
void vDownload(benchmark::State &oState, DeviceLink *pLink, const std::function<void()> &pBefore) {
    long lReads = 0;
    long lBytes = 0;
    for (auto _ : oState) {
        oState.PauseTiming();
        pBefore();
        Workspace w;
        const long lBytesBefore = pLink->oStatistics.lBytesRead;
        const long lReadsBefore = lReadCalls();
        oState.ResumeTiming();
        int iResult = 0;
        {
            QuietStdout oQuiet;
            iResult = iDownloadTracks(&w, 1, pLink);
        }
        lReads += lReadCalls() - lReadsBefore;
        lBytes += pLink->oStatistics.lBytesRead - lBytesBefore;
        if (!iResult || w.pStore->lTrackPointCount != kTrackPoints) {
            oState.SkipWithError("the download failed");
            break;
        }
    }
    oState.counters["bytes"] =
        static_cast<double>(lBytes) / static_cast<double>(oState.iterations());
    oState.counters["reads_per_byte"] =
        lBytes > 0 ? static_cast<double>(lReads) / static_cast<double>(lBytes) : 0.0;
}

#ifdef QUILLOX_SIM_EXE
void BM_TrackDownloadFromSimulator(benchmark::State &oState) {
    BenchSimulator oSim({"--profile", "a301", "--track-points", std::to_string(kTrackPoints)});
    std::unique_ptr<DeviceLink> pLink;
    Workspace w;
    int iIdentified = 0;
    if (!oSim.sPort().empty() && iOpenComPort(oSim.sPort().c_str(), pLink)) {
        QuietStdout oQuiet;
        // As a run does: the capability array comes after the product data,
        // while the unit's time is asked for.
        iIdentified = iIdentifyUnit(&w, pLink.get()) && iReadUnitTime(pLink.get());
    }
    if (!iIdentified) {
        oState.SkipWithError("the simulator did not answer");
        return;
    }
    vDownload(oState, pLink.get(), [] {});
}
BENCHMARK(BM_TrackDownloadFromSimulator)->Unit(benchmark::kMillisecond)->Iterations(2);
#endif

// The unit's side of a track download, framed: ACK of the command, records,
// header, points, transfer complete.
std::vector<uint8_t> aTrackDownloadLine() {
    std::vector<uint8_t> aLine;
    auto vAdd = [&](uint8_t bId, const std::vector<uint8_t> &aData) {
        std::vector<uint8_t> aMessage = {bId, static_cast<uint8_t>(aData.size())};
        aMessage.insert(aMessage.end(), aData.begin(), aData.end());
        std::vector<uint8_t> aFrame = aBuildSerialFrame(aMessage);
        aLine.insert(aLine.end(), aFrame.begin(), aFrame.end());
    };
    vAdd(kPidAck, {kPidCommandData, 0});
    const int iRecords = kTrackPoints + 1;
    vAdd(kPidRecords, {static_cast<uint8_t>(iRecords), static_cast<uint8_t>(iRecords >> 8)});
    std::vector<uint8_t> aData;
    iEncodeTrackHeader(310, aData, TrackHeader{});
    vAdd(kPidTrackHeader, aData);
    for (int i = 0; i < kTrackPoints; ++i) {
        TrackPoint o{};
        o.lLatitude = 557000000 + i * 1500;
        o.lLongitude = 98000000 + i * 1100;
        o.lTime = 1000000000 + 10 * i;
        o.fAltitude = 450.0f + static_cast<float>(i % 80);
        o.fNewSegment = i == 0 ? 1 : 0;
        iEncodeTrackPoint(o, 301, aData);
        vAdd(kPidTrackPoint, aData);
    }
    vAdd(kPidTransferComplete, {6, 0});
    return aLine;
}

// Writes the whole line into the pseudo-terminal as fast as it takes it and
// swallows what the host writes back (its command and ACKs).
void vFeed(int iMaster, const std::vector<uint8_t> *pLine) {
    size_t nDone = 0;
    uint8_t aSink[4096];
    int iIdleRounds = 0;
    while (iIdleRounds < 20) {
        pollfd oPoll{iMaster, static_cast<short>(POLLIN | (nDone < pLine->size() ? POLLOUT : 0)),
                     0};
        if (poll(&oPoll, 1, 100) <= 0) {
            iIdleRounds += nDone == pLine->size() ? 1 : 0;
            continue;
        }
        if (oPoll.revents & POLLIN) {
            if (read(iMaster, aSink, sizeof(aSink)) <= 0 && errno != EAGAIN) {
                break;
            }
        }
        if (oPoll.revents & POLLOUT) {
            ssize_t n = write(iMaster, pLine->data() + nDone, pLine->size() - nDone);
            if (n > 0) {
                nDone += static_cast<size_t>(n);
            }
        }
        if (oPoll.revents & (POLLERR | POLLHUP)) {
            break;
        }
    }
}

void BM_TrackDownloadStreamed(benchmark::State &oState) {
    const std::vector<uint8_t> aLine = aTrackDownloadLine();
    int iMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (iMaster < 0 || grantpt(iMaster) != 0 || unlockpt(iMaster) != 0) {
        oState.SkipWithError("no pseudo-terminal");
        return;
    }
    std::unique_ptr<DeviceLink> pLink;
    if (!iOpenComPort(ptsname(iMaster), pLink)) {
        oState.SkipWithError("opening the pseudo-terminal failed");
        close(iMaster);
        return;
    }
    std::thread oFeeder;
    vDownload(oState, pLink.get(), [&] {
        if (oFeeder.joinable()) {
            oFeeder.join();
        }
        ProtocolSelection &oSelection = pLink->oProtocolSelection;
        oSelection = ProtocolSelection{};
        oSelection.iTrkProtocol = 301;
        oSelection.iTrkHdrFormat = 310;
        oSelection.iTrkFormat = 301;
        oFeeder = std::thread(vFeed, iMaster, &aLine);
    });
    if (oFeeder.joinable()) {
        oFeeder.join();
    }
    pLink.reset();
    close(iMaster);
}
BENCHMARK(BM_TrackDownloadStreamed)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
