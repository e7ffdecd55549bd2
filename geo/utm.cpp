#include "geo/utm.h"

// Placeholder until the UTM grid lands.
void vSetUtmZoneOverride(int) {}
