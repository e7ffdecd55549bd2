#pragma once
// The display colours of Garmin's track headers (D310, D312) and waypoint
// formats, by the names Garmin's GPX extension gives them (DisplayColor).

#include <cstdint>
#include <string_view>

// The name of a colour number; nullptr for none (0xFF) or a number without one.
const char *pszGarminColorName(uint8_t bColor);
// The colour number of a name (case as the schema writes it); 0xFF for none.
uint8_t bGarminColorFromName(std::string_view svName);
