#include "geo/calendar.h"

// The arithmetic counts years from 1 March, so that the leap day is the last
// day of its year, in eras of 400 years (146097 days), which repeat exactly.

int64_t llDaysFromCivil(int64_t llYear, int64_t llMonth, int64_t llDay) {
    // Months outside 1..12 move the year first.
    int64_t llYears = llMonth >= 1 ? (llMonth - 1) / 12 : -((12 - llMonth) / 12);
    llYear += llYears;
    llMonth -= 12 * llYears;
    llYear -= llMonth <= 2 ? 1 : 0;
    int64_t llEra = (llYear >= 0 ? llYear : llYear - 399) / 400;
    int64_t llYearOfEra = llYear - llEra * 400;
    int64_t llDayOfYear = (153 * (llMonth > 2 ? llMonth - 3 : llMonth + 9) + 2) / 5 + llDay - 1;
    int64_t llDayOfEra = llYearOfEra * 365 + llYearOfEra / 4 - llYearOfEra / 100 + llDayOfYear;
    return llEra * 146097 + llDayOfEra - 719468;
}

CivilDate oCivilFromDays(int64_t llDays) {
    int64_t z = llDays + 719468;
    int64_t llEra = (z >= 0 ? z : z - 146096) / 146097;
    int64_t llDayOfEra = z - llEra * 146097;
    int64_t llYearOfEra =
        (llDayOfEra - llDayOfEra / 1460 + llDayOfEra / 36524 - llDayOfEra / 146096) / 365;
    int64_t llDayOfYear = llDayOfEra - (365 * llYearOfEra + llYearOfEra / 4 - llYearOfEra / 100);
    int64_t llMonthFromMarch = (5 * llDayOfYear + 2) / 153;
    CivilDate o;
    o.llDay = llDayOfYear - (153 * llMonthFromMarch + 2) / 5 + 1;
    o.llMonth = llMonthFromMarch < 10 ? llMonthFromMarch + 3 : llMonthFromMarch - 9;
    o.llYear = llYearOfEra + llEra * 400 + (o.llMonth <= 2 ? 1 : 0);
    return o;
}

int32_t lStoredTime(int64_t llReceiverSeconds) {
    if (llReceiverSeconds < INT32_MIN || llReceiverSeconds > INT32_MAX ||
        llReceiverSeconds == -kReceiverEpochUnix) {
        return 0;
    }
    return static_cast<int32_t>(llReceiverSeconds);
}
