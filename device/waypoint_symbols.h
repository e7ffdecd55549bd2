#pragma once
// Mappings between the program's own symbol, display and colour numbers and
// those of each receiver waypoint format (100..110, 150..155, 400, 403).

#include <cstdint>

int16_t sGetStoredSymbol(int16_t sDeviceSymbol, int iFormat);
uint8_t bGetStoredDisplay(uint8_t bDeviceDisplay, int iFormat);
