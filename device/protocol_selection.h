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
    // Beyond the first units: the route link format of A201 (210).
    int32_t iRteLinkFormat = 0;
    // The protocol and the record format that made a kind unusable (the last
    // D entry that cleared it, with its A entry); 0 when none did. They let a
    // transfer the user asked for say why the unit cannot do it.
    int32_t iWptRejected[2] = {0, 0};
    int32_t iPrxRejected[2] = {0, 0};
    int32_t iRteRejected[2] = {0, 0};
    int32_t iTrkRejected[2] = {0, 0};
};

// Rebuilds the selection from a capability array (the data part of a kPidProtocolArray
// message: entries of a tag letter and a 16-bit number).
void vParseProtocolArray(std::span<const uint8_t> aData, ProtocolSelection &oSelection);
