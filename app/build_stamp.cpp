#include "app/build_stamp.h"

#include <cstdio>
#include <cstring>

#include "geo/calendar.h"

namespace {

void vFormatStamp(char *pszStamp, size_t nSize, int64_t llYear, int64_t llMonth, int64_t llDay,
                  const char *pszTime) {
    std::snprintf(pszStamp, nSize, "%02d/%02d/%02d %s", static_cast<int>(llYear % 100),
                  static_cast<int>(llMonth), static_cast<int>(llDay), pszTime);
}

} // namespace

const char *pszBuildStamp() {
    static char szStamp[32];
    if (szStamp[0] != '\0') {
        return szStamp;
    }
#ifdef QUILLOX_SOURCE_DATE_EPOCH
    // A reproducible build names the time its SOURCE_DATE_EPOCH gives, in UTC.
    int64_t llSeconds = QUILLOX_SOURCE_DATE_EPOCH;
    int64_t llDays = llDaysOfUnixTime(llSeconds);
    int64_t llSecondOfDay = llSeconds - llDays * 86400;
    CivilDate o = oCivilFromDays(llDays);
    char szTime[16];
    std::snprintf(szTime, sizeof(szTime), "%02d:%02d:%02d", static_cast<int>(llSecondOfDay / 3600),
                  static_cast<int>(llSecondOfDay / 60 % 60), static_cast<int>(llSecondOfDay % 60));
    vFormatStamp(szStamp, sizeof(szStamp), o.llYear, o.llMonth, o.llDay, szTime);
#else
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
    vFormatStamp(szStamp, sizeof(szStamp), iYear, iMonth, iDay, __TIME__);
#endif
    return szStamp;
}
