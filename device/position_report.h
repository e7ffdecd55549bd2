#pragma once
// The live position of a unit (A800): the host starts the report, the unit
// sends one D800 record a second until it is told to stop.

#include <cstdint>
#include <functional>
#include <span>

#include "store/position_fix.h"

struct DeviceLink;

constexpr size_t kD800Size = 64;
// A unit that sent no D800 record for this long counts as gone.
constexpr uint32_t kPositionSilenceMs = 5000;

// Decodes a D800 record; 0 when it is too short.
int iDecodeD800(std::span<const uint8_t> aData, PositionFix &oFix);
// The D800 record of a fix; used by the simulated receiver and tests.
void vEncodeD800(const PositionFix &oFix, uint8_t aOut[kD800Size]);

enum class PositionReportEnd {
    kInterrupted,  // the user ended it (Ctrl+C): a success
    kReceiverGone, // no D800 record for kPositionSilenceMs
    kSinkFailed,   // the callback gave up (a write failed)
    kNoPvt,        // the unit does not list A800
    kStartFailed,  // the start command was not delivered
};

// Starts the report, hands every D800 record to fnFix (which returns 0 to
// stop) until the run is interrupted, the unit falls silent or fnFix gives
// up, then sends the stop command. Returns 1 when it ended by interruption.
int iReportPositions(DeviceLink *pLink, const std::function<int(const PositionFix &)> &fnFix,
                     PositionReportEnd *peEnd);
