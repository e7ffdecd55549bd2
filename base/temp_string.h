#pragma once
// The ring of temporary text buffers that every formatting function writes its
// result into. A buffer stays valid for the next 39 requests.

#include <cstddef>

constexpr size_t kTempStringCount = 40;
constexpr size_t kTempStringSize = 255;

// Hands out the next buffer of the ring, cleared to zeros. Never fails: the
// ring is static storage.
char *pszGetTempString();
// Starts the ring again at its first buffer; for tests.
void vResetTempStrings();
