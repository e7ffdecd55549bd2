#include "garmin/color_names.h"

#include <iterator>

namespace {

// In the order of their numbers, 0 to 16.
constexpr const char *kapszColors[] = {
    "Black",    "DarkRed",   "DarkGreen", "DarkYellow", "DarkBlue",   "DarkMagenta",
    "DarkCyan", "LightGray", "DarkGray",  "Red",        "Green",      "Yellow",
    "Blue",     "Magenta",   "Cyan",      "White",      "Transparent"};

} // namespace

const char *pszGarminColorName(uint8_t bColor) {
    return bColor < std::size(kapszColors) ? kapszColors[bColor] : nullptr;
}

uint8_t bGarminColorFromName(std::string_view svName) {
    for (size_t i = 0; i < std::size(kapszColors); ++i) {
        if (svName == kapszColors[i]) {
            return static_cast<uint8_t>(i);
        }
    }
    return 0xFF;
}
