#include "formats/exchange_numbers.h"

#include <cerrno>
#include <cmath>
#include <limits>

#include "base/number_text.h"
#include "store/records.h"

namespace {

// Numbers longer than this are not numbers any file of these formats holds;
// the first characters decide the value (strtod/strtol read no further than a
// number goes anyway).
constexpr size_t kNumberTextSize = 128;

} // namespace

void vCopyFieldText(std::string_view svField, char *pszBuffer, size_t nSize) {
    if (nSize == 0) {
        return;
    }
    // string_view::copy copies nothing (and touches no pointer) for an empty view.
    size_t nLength = svField.copy(pszBuffer, nSize - 1);
    pszBuffer[nLength] = '\0';
}

double dReadDecimal(std::string_view svField) {
    char szBuffer[kNumberTextSize];
    vCopyFieldText(svField, szBuffer, sizeof(szBuffer));
    double dValue = dParseDouble(szBuffer);
    return std::isfinite(dValue) ? dValue : 0.0;
}

int32_t lReadInteger(std::string_view svField) {
    char szBuffer[kNumberTextSize];
    vCopyFieldText(svField, szBuffer, sizeof(szBuffer));
    int64_t llValue = llParseInteger(szBuffer);
    if (llValue > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (llValue < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(llValue);
}

int32_t lTruncateToInt(double dValue) {
    if (std::isnan(dValue)) {
        return 0;
    }
    if (dValue >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (dValue <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(dValue);
}

int32_t lMetresToFeet(double dMetres) {
    return lRoundHalfUp(dMetres * 3.280839895013123);
}

int32_t lRoundedAltitude(float fAltitude) {
    if (!fHasAltitude(fAltitude)) {
        return 0;
    }
    return lRoundHalfUp(static_cast<double>(fAltitude));
}

void vSplitCommas(std::string_view svLine, std::vector<std::string_view> &aFields) {
    aFields.clear();
    // Fields are short: a plain scan beats a search call per field.
    size_t nStart = 0;
    for (size_t k = 0; k < svLine.size(); ++k) {
        if (svLine[k] == ',') {
            aFields.push_back(svLine.substr(nStart, k - nStart));
            nStart = k + 1;
        }
    }
    aFields.push_back(svLine.substr(nStart));
}
