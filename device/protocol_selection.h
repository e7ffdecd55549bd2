#pragma once
// Which transfer protocols and record formats the receiver speaks: built-in
// defaults, changed by the product table and replaced by the capability array.

#include <cstdint>
#include <span>

struct ProtocolSelection {
    int32_t iWptProtocol = 100;
    int32_t iWptFormat = 100;
    int32_t iRteProtocol = 200;
    int32_t iRteHdrFormat = 201;
    int32_t iRteWptFormat = 100;
    int32_t iTrkProtocol = 300;
    int32_t iTrkHdrFormat = 0;
    int32_t iTrkFormat = 300;
    int32_t iPrxProtocol = 0;
    int32_t iPrxFormat = 0;
};

// The process-wide selection the transfers read.
ProtocolSelection &oProtocolSelection();
// Back to the defaults; for tests.
void vResetProtocolSelection();

// Rebuilds the selection from a capability array (the data part of a 0xFD
// message: entries of a tag letter and a 16-bit number).
void vParseProtocolArray(std::span<const uint8_t> aData);
