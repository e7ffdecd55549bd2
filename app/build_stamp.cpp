#include "app/build_stamp.h"

#include <cstdio>
#include <cstring>

const char *pszBuildStamp() {
    static char szStamp[32];
    if (szStamp[0] == '\0') {
        // __DATE__ is "Mmm dd yyyy", __TIME__ "hh:mm:ss".
        static constexpr const char *pszMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
        const char *pszDate = __DATE__;

        int iMonth = 1;
        for (int i = 0; i < 12; ++i) {
            if (std::strncmp(pszMonths + 3 * i, pszDate, 3) == 0) {
                iMonth = i + 1;
            }
        }

        int iDay = 0;
        int iYear = 0;
        std::sscanf(pszDate + 4, "%d %d", &iDay, &iYear);
        std::snprintf(szStamp, sizeof(szStamp), "%02d/%02d/%02d %s", iYear % 100, iMonth, iDay,
                      __TIME__);
    }
    return szStamp;
}
