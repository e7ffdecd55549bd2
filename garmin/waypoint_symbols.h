#pragma once
// Mappings between the program's own symbol, display and colour numbers and
// those of each receiver waypoint format (100..110, 150..155, 400, 403).
//
// Stored symbols: 0..15 are the sixteen basic symbols (numbered as in the
// sixteen-symbol formats 103, 107 and 403), 5000..5055 further symbols of the
// larger set, 256 and above device symbol numbers kept as they are.
// Stored display: 0 symbol with name, 1 symbol only, 2 symbol with comment,
// 50 the format-104 value 0 (kept apart so that it survives a round trip).
// Stored colour: the numbering of formats 108..110, 255 = none.

#include <cstdint>

// Stored symbol to the symbol number of a receiver format.
int16_t sGetGarminSymbolID(int16_t sStoredSymbol, int iFormat);
// Symbol number of a receiver format to the stored symbol.
int16_t sGetStoredSymbol(int16_t sDeviceSymbol, int iFormat);
uint8_t bGetDeviceDisplay(uint8_t bStoredDisplay, int iFormat);
uint8_t bGetStoredDisplay(uint8_t bDeviceDisplay, int iFormat);
uint8_t bGetDeviceColor(uint8_t bStoredColor, int iFormat);
uint8_t bGetStoredColor(uint8_t bDeviceColor, int iFormat);
