#pragma once
// Known receivers that send no capability array: their proximity protocol, the
// record format of their proximity waypoints and their waypoint format by
// product id and software version.

#include <cstdint>

struct ProtocolSelection;

void vApplyProductTable(int16_t sProductId, int16_t sSoftwareVersion,
                        ProtocolSelection &oSelection);
