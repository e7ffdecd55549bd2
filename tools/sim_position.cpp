// The unit's position: the position record some hosts ask for before a
// transfer (command 2, two doubles in radians), and the live position report
// (A800): after command 49 the unit sends one D800 record per interval along
// the path given with --pvt, until command 50 stops it; after the last fix of
// the path it falls silent, as a unit that was switched off. Standard error
// tells at the end how many fixes went out and whether the host stopped them.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/position_report.h"
#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"
#include "tools/sim_receiver.h"

namespace {

constexpr double kdPi = 3.14159265358979323846;
// 46.8 N, 8.2 E, where the demo set lies.
constexpr double kdLatitudeRadians = 46.8 * kdPi / 180.0;
constexpr double kdLongitudeRadians = 8.2 * kdPi / 180.0;
// 1989-12-31 00:00 UTC in Unix seconds, and GPS time ahead of UTC.
constexpr long long kllReceiverEpochUnix = 631065600;
constexpr int kLeapSeconds = 18;
constexpr float kfMslHeight = -48.5f; // the ellipsoid below the geoid, about right for Switzerland

struct PathFix {
    double dLatitude = 0; // degrees
    double dLongitude = 0;
    double dAltitude = 0; // above mean sea level
    int iFixType = 3;
};

std::vector<PathFix> aPath;
long lIntervalMs = 1000;

struct ReportLog {
    bool fStarted = false;
    bool fStopped = false;
    long lSent = 0;
    ~ReportLog() {
        if (fStarted) {
            std::fprintf(stderr, "quillox-sim: position report: %ld fixes sent, %s\n", lSent,
                         fStopped ? "stopped by the host" : "never stopped");
        }
    }
} oReportLog;

// Lines of "latitude longitude altitude [fix type]", degrees and metres
// above sea level; empty lines and lines starting with # are skipped.
int iTakePath(SimReceiver &, const char *pszFile) {
    std::ifstream oIn(pszFile);
    if (!oIn) {
        std::fprintf(stderr, "quillox-sim: cannot read '%s'\n", pszFile);
        return 0;
    }
    std::string sLine;
    while (std::getline(oIn, sLine)) {
        if (sLine.empty() || sLine[0] == '#') {
            continue;
        }
        std::istringstream oLine(sLine);
        PathFix o;
        if (!(oLine >> o.dLatitude >> o.dLongitude >> o.dAltitude)) {
            std::fprintf(stderr, "quillox-sim: '%s': cannot read '%s'\n", pszFile, sLine.c_str());
            return 0;
        }
        oLine >> o.iFixType;
        aPath.push_back(o);
    }
    return aPath.empty() ? 0 : 1;
}
int iTakeInterval(SimReceiver &, const char *pszValue) {
    lIntervalMs = std::atol(pszValue);
    return lIntervalMs >= 10 && lIntervalMs <= 10000 ? 1 : 0;
}
SimOptionRegistration oPathOption("--pvt", 1,
                                  "FILE  live position path: lines of lat lon alt [fix type]",
                                  &iTakePath);
SimOptionRegistration oIntervalOption("--pvt-interval", 1,
                                      "MS  time between two live position records (1000)",
                                      &iTakeInterval);

void vSendPosition(SimReceiver &oReceiver, uint16_t) {
    std::vector<uint8_t> a;
    ByteWriter oOut(a);
    oOut.vF64(kdLatitudeRadians);
    oOut.vF64(kdLongitudeRadians);
    oReceiver.pLink->iSend(kPidPositionData, a);
}

PositionFix oFixAt(const PathFix &oPath, long long llUnix) {
    PositionFix o;
    const long long llGps = llUnix - kllReceiverEpochUnix + kLeapSeconds;
    const long long llWeeks = llGps / (7 * 86400);
    o.lWeekDays = static_cast<uint32_t>(llWeeks * 7);
    o.dTimeOfWeek = static_cast<double>(llGps - llWeeks * 7 * 86400);
    o.sLeapSeconds = kLeapSeconds;
    o.sFixType = static_cast<int16_t>(oPath.iFixType);
    o.dLatitude = oPath.dLatitude * kdPi / 180.0;
    o.dLongitude = oPath.dLongitude * kdPi / 180.0;
    o.fMslHeight = kfMslHeight;
    o.fAltitude = static_cast<float>(oPath.dAltitude - kfMslHeight);
    o.fEpe = 6.0f;
    o.fEph = 4.0f;
    o.fEpv = 5.0f;
    o.fNorth = 1.5f;
    o.fEast = 0.5f;
    return o;
}

// Streams the path, one record per interval, while it watches for the stop.
void vStartPositionData(SimReceiver &oReceiver, uint16_t) {
    SimLink &oLink = *oReceiver.pLink;
    oReportLog.fStarted = true;
    const long long llStart = oReceiver.fFixedTime ? static_cast<long long>(oReceiver.lFixedTime)
                                                   : static_cast<long long>(std::time(nullptr));
    for (size_t n = 0; n < aPath.size() && !iSimStopRequested(); ++n) {
        const auto oDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(lIntervalMs);
        uint8_t aRecord[kD800Size];
        vEncodeD800(oFixAt(aPath[n], llStart + static_cast<long long>(n)), aRecord);
        oLink.iSend(kPidPvtData, std::vector<uint8_t>(aRecord, aRecord + kD800Size));
        ++oReportLog.lSent;
        for (;;) {
            const auto lLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   oDue - std::chrono::steady_clock::now())
                                   .count();
            SimMessage oMessage;
            if (lLeft <= 0 || !oLink.iNextMessage(&oMessage, static_cast<int>(lLeft))) {
                break;
            }
            if (oMessage.bId == kPidCommandData && oMessage.aData.size() >= 2 &&
                (oMessage.aData[0] | (oMessage.aData[1] << 8)) == kCommandStopPositionData) {
                oReportLog.fStopped = true;
                return;
            }
            vDispatchMessage(oReceiver, oMessage);
        }
    }
}

void vStopPositionData(SimReceiver &, uint16_t) {
    if (oReportLog.fStarted) {
        oReportLog.fStopped = true;
    }
}

SimCommandRegistration oPosition(kCommandTransferPosition, &vSendPosition);
SimCommandRegistration oStartPosition(kCommandStartPositionData, &vStartPositionData);
SimCommandRegistration oStopPosition(kCommandStopPositionData, &vStopPositionData);

} // namespace
