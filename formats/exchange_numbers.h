#pragma once
// Number conversions shared by the OziExplorer, overlay, NMEA, KML and
// barograph units: reading numbers out of a field the way the classic decimal
// conversions do (leading blanks skipped, reading stops at the first character
// that does not belong to the number, nothing readable gives 0), and rounding
// stored floats to the whole numbers those files carry, without the undefined
// behaviour of converting an out-of-range or NaN float to an integer.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Copies the start of a field into a zero-terminated buffer of nSize bytes
// (at most nSize - 1 characters) for the C conversions that need one.
void vCopyFieldText(std::string_view svField, char *pszBuffer, size_t nSize);

// Decimal value of the field; 0 when nothing can be read. Non-finite results
// (a field of "nan" or "1e999") give 0, so they never reach a store field.
double dReadDecimal(std::string_view svField);
// Integer value of the field, saturated to the int32 range; 0 when nothing can be read.
int32_t lReadInteger(std::string_view svField);

// Truncation toward zero, saturated to the int32 range; NaN gives 0.
int32_t lTruncateToInt(double dValue);
// The value plus one half, truncated toward zero: the rounding of these files
// (so 99.5 gives 100 and -10.3 gives -9).
inline int32_t lRoundHalfUp(double dValue) {
    return lTruncateToInt(dValue + 0.5);
}

// Metres to whole feet: metres / 0.3048, rounded half up.
int32_t lMetresToFeet(double dMetres);
constexpr double kMetresPerFoot = 0.3048;

// Altitude in whole metres for KML and barograph files: 0 for the program's
// "no altitude" marks (-700 m and below), otherwise rounded half up.
int32_t lRoundedAltitude(float fAltitude);

// Cuts a line at every comma into views of the line (no copy); a line without
// commas is one field, an empty line one empty field.
void vSplitCommas(std::string_view svLine, std::vector<std::string_view> &aFields);
