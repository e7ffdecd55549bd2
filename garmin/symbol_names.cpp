#include "garmin/symbol_names.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/text_compare.h"

namespace {

struct SymbolName {
    uint16_t sNumber;
    const char *pszName;
};

constexpr SymbolName kaSymbolNames[] = {
#include "garmin/symbol_names_table.inc"
};

static_assert(std::is_sorted(std::begin(kaSymbolNames), std::end(kaSymbolNames),
                             [](const SymbolName &a, const SymbolName &b) {
                                 return a.sNumber < b.sNumber;
                             }),
              "the symbol name table is ordered by number");

} // namespace

const char *pszGarminSymbolName(int iDeviceSymbol) {
    const SymbolName *pEnd = std::end(kaSymbolNames);
    const SymbolName *p = std::lower_bound(
        std::begin(kaSymbolNames), pEnd, iDeviceSymbol,
        [](const SymbolName &o, int iNumber) { return static_cast<int>(o.sNumber) < iNumber; });
    return p != pEnd && p->sNumber == iDeviceSymbol ? p->pszName : nullptr;
}

int iGarminSymbolFromName(std::string_view svName) {
    for (const SymbolName &o : kaSymbolNames) {
        if (fEqualsNoCase(svName, o.pszName)) {
            return o.sNumber;
        }
    }
    return -1;
}
