#pragma once
// Known receivers that send no capability array: their proximity protocol and
// waypoint format by product id and software version.

#include <cstdint>

struct ProtocolSelection;

void vApplyProductTable(int16_t sProductId, int16_t sSoftwareVersion,
                        ProtocolSelection &oSelection);
