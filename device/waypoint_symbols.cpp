#include "device/waypoint_symbols.h"

// Placeholder until the symbol tables land.
int16_t sGetStoredSymbol(int16_t, int) {
    return 0;
}
uint8_t bGetStoredDisplay(uint8_t, int) {
    return 0;
}
