#pragma once
// The names Garmin's desktop programs show for the device symbol numbers of the
// large symbol set (the numbers of waypoint formats 108..110), as they write
// them into GPX files. The table is generated from garmin-symbols.tsv by
// scripts/gen-symbol-names.

#include <string_view>

// The usual name of a device symbol number; nullptr when the number has none.
const char *pszGarminSymbolName(int iDeviceSymbol);
// The device symbol number of a name, compared without regard to case (every
// name of a number is accepted); -1 when no symbol has that name.
int iGarminSymbolFromName(std::string_view svName);
