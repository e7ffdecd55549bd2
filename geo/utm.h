#pragma once
// The UTM grid.

// /z n: every UTM text after this uses zone n (0 = the position's own zone).
void vSetUtmZoneOverride(int iZone);
