#pragma once
// Which transfer protocols and record formats the receiver speaks: built-in
// defaults, changed by the product table and replaced by the capability array.
// Each link keeps its own (device/transport.h).

#include <cstdint>
#include <span>

#include "garmin/protocol_numbers.h"

struct ProtocolSelection {
    int32_t iWptProtocol = kA100;
    int32_t iWptFormat = kD100;
    int32_t iRteProtocol = kA200;
    int32_t iRteHdrFormat = kD201;
    int32_t iRteWptFormat = kD100;
    int32_t iTrkProtocol = kA300;
    int32_t iTrkHdrFormat = 0;
    int32_t iTrkFormat = kD300;
    int32_t iPrxProtocol = 0;
    int32_t iPrxFormat = 0;
    // Position, velocity and time (A800 with D800 records); only a capability
    // array tells of it.
    int32_t iPvtProtocol = 0;
};

// Rebuilds the selection from a capability array (the data part of a kPidProtocolArray
// message: entries of a tag letter and a 16-bit number).
void vParseProtocolArray(std::span<const uint8_t> aData, ProtocolSelection &oSelection);
