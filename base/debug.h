#pragma once
// Debug channels, switched on per run by the environment variable ORVENSTA_DEBUG.

#include <cstddef>
#include <cstdint>

// Reads ORVENSTA_DEBUG once and announces every channel it switches on.
void vInitDebugModes();
// Same, from a given value (nullptr = variable not set); used by the entry point and tests.
void vInitDebugModesFrom(const char *pszValue);

int iDebugGeneral();
int iDebugComIo();
int iDebugProtocol();

// The raw set of channel bits (1 general, 2 COM-I/O, 4 protocol, 8 file I/O, 16 memory).
uint16_t sGetDebugModes();
// Switches every channel off again; for tests.
void vResetDebugModes();

// Hex and character dump of a byte range on standard output, only when the
// general channel is on.
void vHexDump(const void *pData, size_t nLength);
