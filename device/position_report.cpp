#include "device/position_report.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug.h"
#include "base/interrupt.h"
#include "device/link_layer.h"
#include "device/protocol_selection.h"
#include "device/transport.h"
#include "garmin/protocol_numbers.h"
#include "store/little_endian.h"

namespace {

constexpr uint32_t kRetryPauseMs = 100;

int iSendCommand(DeviceLink *pLink, uint16_t sCommand, int iAttempts) {
    const uint8_t aMessage[4] = {kPidCommandData, 2, static_cast<uint8_t>(sCommand),
                                 static_cast<uint8_t>(sCommand >> 8)};
    return iSendMessageAttempts(pLink, aMessage, sizeof(aMessage), iAttempts);
}

} // namespace

int iDecodeD800(std::span<const uint8_t> aData, PositionFix &o) {
    ByteReader r(aData);
    uint16_t sFix = 0;
    uint16_t sLeap = 0;
    r.fF32(o.fAltitude);
    r.fF32(o.fEpe);
    r.fF32(o.fEph);
    r.fF32(o.fEpv);
    r.fU16(sFix);
    r.fF64(o.dTimeOfWeek);
    r.fF64(o.dLatitude);
    r.fF64(o.dLongitude);
    r.fF32(o.fEast);
    r.fF32(o.fNorth);
    r.fF32(o.fUp);
    r.fF32(o.fMslHeight);
    r.fU16(sLeap);
    r.fU32(o.lWeekDays);
    o.sFixType = static_cast<int16_t>(sFix);
    o.sLeapSeconds = static_cast<int16_t>(sLeap);
    return r.fFailed() ? 0 : 1;
}

void vEncodeD800(const PositionFix &o, uint8_t aOut[kD800Size]) {
    std::vector<uint8_t> a;
    ByteWriter w(a);
    w.vF32(o.fAltitude);
    w.vF32(o.fEpe);
    w.vF32(o.fEph);
    w.vF32(o.fEpv);
    w.vU16(static_cast<uint16_t>(o.sFixType));
    w.vF64(o.dTimeOfWeek);
    w.vF64(o.dLatitude);
    w.vF64(o.dLongitude);
    w.vF32(o.fEast);
    w.vF32(o.fNorth);
    w.vF32(o.fUp);
    w.vF32(o.fMslHeight);
    w.vU16(static_cast<uint16_t>(o.sLeapSeconds));
    w.vU32(o.lWeekDays);
    for (size_t n = 0; n < kD800Size && n < a.size(); ++n) {
        aOut[n] = a[n];
    }
}

int iReportPositions(DeviceLink *pLink, const std::function<int(const PositionFix &)> &fnFix,
                     PositionReportEnd *peEnd) {
    if (pLink->oProtocolSelection.iPvtProtocol != kA800) {
        *peEnd = PositionReportEnd::kNoPvt;
        return 0;
    }
    if (!iSendCommand(pLink, kCommandStartPositionData, kSendAttempts)) {
        *peEnd = iLinkInterrupted(pLink) ? PositionReportEnd::kInterrupted
                                         : PositionReportEnd::kStartFailed;
        return *peEnd == PositionReportEnd::kInterrupted ? 1 : 0;
    }
    uint32_t lLastFix = lMonotonicMilliseconds();
    PositionReportEnd eEnd = PositionReportEnd::kInterrupted;
    for (;;) {
        if (iInterruptRequested()) {
            eEnd = PositionReportEnd::kInterrupted;
            break;
        }
        if (lMonotonicMilliseconds() - lLastFix > kPositionSilenceMs) {
            eEnd = PositionReportEnd::kReceiverGone;
            vMarkReceiverGone(pLink);
            break;
        }
        // Each read waits at most a second of silence; other records a unit
        // may send meanwhile are acknowledged and passed over.
        const uint32_t lReadStart = lMonotonicMilliseconds();
        if (!iReadMessage(pLink, 0)) {
            // A line that fails at once (a unit unplugged) is not asked again
            // in a tight loop.
            if (lMonotonicMilliseconds() - lReadStart < kRetryPauseMs) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
            }
            continue;
        }
        if (bReceivedId(pLink) != kPidPvtData) {
            continue;
        }
        PositionFix oFix;
        if (!iDecodeD800(aReceivedData(pLink), oFix)) {
            if (iDebugProtocol()) {
                std::printf("   PVT record of %u bytes is too short\n", bReceivedSize(pLink));
            }
            continue;
        }
        lLastFix = lMonotonicMilliseconds();
        if (!fnFix(oFix)) {
            eEnd = PositionReportEnd::kSinkFailed;
            break;
        }
    }
    vLetWindDownMessagesThrough(pLink);
    // A unit that has gone gets one try, which costs a second at most.
    iSendCommand(pLink, kCommandStopPositionData,
                 eEnd == PositionReportEnd::kReceiverGone ? 1 : kSendAttempts);
    *peEnd = eEnd;
    return eEnd == PositionReportEnd::kInterrupted ? 1 : 0;
}
