#include "device/line_speed.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug.h"
#include "base/report.h"
#include "device/link_layer.h"
#include "device/transport.h"
#include "garmin/protocol_numbers.h"

namespace {

// Between the ACK of the unit's answer leaving the port and the port's new
// speed: the unit changes its own after that ACK.
constexpr int kSettleMs = 100;
// A unit waits this long for the pings at the new speed before it goes back.
constexpr uint32_t kUnitFallbackMs = 2000;
constexpr uint32_t kFallbackMarginMs = 300;

void vTrace(const char *pszWhat, unsigned long lValue) {
    if (iDebugProtocol()) {
        std::printf("   Line speed: %s %lu\n", pszWhat, lValue);
    }
}

void vSleepMs(uint32_t lMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(lMs));
}

int iSend(DeviceLink *pLink, const uint8_t *pMessage, size_t nLength, int iAttempts) {
    return iSendMessageAttempts(pLink, pMessage, nLength, iAttempts);
}

// Requests off, the rate asked for, the unit's answer. 1 with the answered rate.
int iAskForSpeed(DeviceLink *pLink, uint32_t lBaud, int iAttempts, uint32_t *plAnswered) {
    const uint8_t aOff[4] = {kPidRequestsOff, 2, 0, 0};
    if (!iSend(pLink, aOff, sizeof(aOff), iAttempts)) {
        return 0;
    }
    const uint8_t aAsk[6] = {kPidBaudRequest,
                             4,
                             static_cast<uint8_t>(lBaud),
                             static_cast<uint8_t>(lBaud >> 8),
                             static_cast<uint8_t>(lBaud >> 16),
                             static_cast<uint8_t>(lBaud >> 24)};
    if (!iSend(pLink, aAsk, sizeof(aAsk), iAttempts)) {
        return 0;
    }
    // Reading the answer acknowledges it: the unit changes speed after that ACK.
    if (!iReadMessage(pLink, kPidBaudAccept) || bReceivedSize(pLink) < 4) {
        return 0;
    }
    std::span<const uint8_t> a = aReceivedData(pLink);
    *plAnswered = static_cast<uint32_t>(a[0]) | (static_cast<uint32_t>(a[1]) << 8) |
                  (static_cast<uint32_t>(a[2]) << 16) | (static_cast<uint32_t>(a[3]) << 24);
    vTrace("the unit answered", *plAnswered);
    return 1;
}

// After the ACK has left at the old speed, both ends change; two pings at the
// new speed, each acknowledged, prove it.
int iSwitchAndPing(DeviceLink *pLink, uint32_t lBaud, int iAttempts) {
    pLink->pSerial->iDrain(); // never a flush: that would discard the ACK
    vSleepMs(kSettleMs);
    if (!pLink->pSerial->iSetSpeed(lBaud)) {
        return 0;
    }
    const uint8_t aPing[4] = {kPidCommandData, 2, static_cast<uint8_t>(kCommandSpeedPing),
                              static_cast<uint8_t>(kCommandSpeedPing >> 8)};
    for (int i = 0; i < 2; ++i) {
        if (!iSend(pLink, aPing, sizeof(aPing), iAttempts)) {
            return 0;
        }
    }
    return 1;
}

// Gives a unit that may have left 9600 the time to come back to it.
void vWaitForFallback(uint32_t lAnsweredAt) {
    const uint32_t lWanted = kUnitFallbackMs + kFallbackMarginMs;
    const uint32_t lPassed = lMonotonicMilliseconds() - lAnsweredAt;
    if (lPassed < lWanted) {
        vSleepMs(lWanted - lPassed);
    }
}

} // namespace

int iIsLineSpeed(long lBaud) {
    return lBaud == 9600 || lBaud == 19200 || lBaud == 38400 || lBaud == 57600 || lBaud == 115200
               ? 1
               : 0;
}

int iRateStandsFor(uint32_t lAnswered, uint32_t lBaud) {
    // |answered - baud| <= 5 % of baud, in whole numbers.
    const uint64_t lDifference = lAnswered > lBaud ? lAnswered - lBaud : lBaud - lAnswered;
    return lDifference * 20 <= lBaud ? 1 : 0;
}

int iChangeLineSpeed(DeviceLink *pLink, uint32_t lBaud) {
    if (pLink == nullptr || !pLink->pSerial || iIsUsbLink(pLink) || lBaud == pLink->lLineSpeed) {
        return 1;
    }
    if (iReceiverGone(pLink) || iLinkInterrupted(pLink)) {
        return 0;
    }
    auto iKept = [&](const char *pszWhy) {
        vReportError("/r %lu on %s: the receiver kept 9600 baud (%s)",
                     static_cast<unsigned long>(lBaud), pLink->sName.c_str(), pszWhy);
        return 0;
    };
    uint32_t lAnswered = 0;
    if (!iAskForSpeed(pLink, lBaud, kSendAttempts, &lAnswered)) {
        return iKept("no answer to the speed request");
    }
    const uint32_t lAnsweredAt = lMonotonicMilliseconds();
    if (!iRateStandsFor(lAnswered, lBaud)) {
        // The unit may have gone to the rate it named; without pings it comes back.
        vWaitForFallback(lAnsweredAt);
        char szWhy[80];
        std::snprintf(szWhy, sizeof(szWhy), "it offered %lu baud",
                      static_cast<unsigned long>(lAnswered));
        return iKept(szWhy);
    }
    const bool fGoneBefore = pLink->fReceiverGone;
    if (iSwitchAndPing(pLink, lBaud, kSendAttempts)) {
        pLink->lLineSpeed = lBaud;
        vTrace("now at", lBaud);
        return 1;
    }
    // Silence at the new speed is what a failed switch sounds like; it says
    // nothing about the unit at 9600, where the run goes on.
    pLink->fReceiverGone = fGoneBefore;
    pLink->pSerial->iSetSpeed(kBaseLineSpeed);
    vWaitForFallback(lAnsweredAt);
    return iKept("the pings at the new speed were not answered");
}

int iRestoreLineSpeed(DeviceLink *pLink) {
    if (pLink == nullptr || !pLink->pSerial || pLink->lLineSpeed == kBaseLineSpeed) {
        return 1;
    }
    const uint32_t lFrom = pLink->lLineSpeed;
    pLink->lLineSpeed = kBaseLineSpeed;
    if (iReceiverGone(pLink)) {
        pLink->pSerial->iSetSpeed(kBaseLineSpeed);
        return 1;
    }
    uint32_t lAnswered = 0;
    const int iResult = iAskForSpeed(pLink, kBaseLineSpeed, 1, &lAnswered) &&
                        iRateStandsFor(lAnswered, kBaseLineSpeed) &&
                        iSwitchAndPing(pLink, kBaseLineSpeed, 1);
    pLink->pSerial->iSetSpeed(kBaseLineSpeed);
    if (!iResult) {
        vReportError("%s: the receiver did not go back to 9600 baud and may stay at %lu baud "
                     "until it is switched off",
                     pLink->sName.c_str(), static_cast<unsigned long>(lFrom));
    }
    return iResult;
}

void vWaitForQuietLine(DeviceLink *pLink) {
    if (pLink == nullptr || !pLink->pSerial || iIsUsbLink(pLink)) {
        return;
    }
    const uint32_t lStart = lMonotonicMilliseconds();
    int iSilentSeconds = 0;
    while (iSilentSeconds < 2 && lMonotonicMilliseconds() - lStart < kQuietMostMs) {
        uint8_t b = 0;
        iSilentSeconds = iReadComByte(pLink, &b) ? 0 : iSilentSeconds + 1;
    }
}
