#include "geo/time_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/debug.h"
#include "base/number_text.h"
#include "base/temp_string.h"
#include "geo/text_scan.h"

namespace {
constexpr int32_t kSecondsPerDay = 86400;
constexpr const char *kMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The calendar arithmetic multiplies by reciprocals held in extended precision
// rather than dividing, as the receivers' desktop software always did; the
// truncations below depend on it only at values no date reaches.
constexpr long double kPerGregorianCentury = 1.0L / 36524.25L;
constexpr long double kPerJulianYear = 1.0L / 365.25L;
constexpr long double kPerMonthSpan = 1.0L / static_cast<long double>(30.6001);
constexpr long double kPerDay = 1.0L / 86400.0L;

int64_t lTrunc(long double x) {
    return static_cast<int64_t>(x);
}

int16_t sToShort(int64_t l) {
    return static_cast<int16_t>(static_cast<uint16_t>(l & 0xFFFF));
}

void vDayNumberToDate64(int64_t lDayNumber, int64_t *plMonth, int64_t *plDay, int64_t *plYear) {
    int64_t lJul = lDayNumber + kEpochDayNumber;
    int64_t lAlpha =
        lTrunc((static_cast<long double>(lJul - 1867216) - 0.25L) * kPerGregorianCentury);
    int64_t lJa = lJul + 1 + lAlpha - lTrunc(static_cast<long double>(lAlpha) * 0.25L);
    int64_t lJb = lJa + 1524;
    // The year count is offset by 6680 before it is truncated, so the
    // truncation acts as a floor for dates before 1968 too (a negative
    // quotient truncated toward zero would land a year late).
    int64_t lJc = lTrunc(
        6680.0L + (static_cast<long double>(lJb - 2439870) - static_cast<long double>(122.1)) *
                      kPerJulianYear);
    int64_t lJd = lTrunc(static_cast<long double>(lJc) * 365.25L);
    int64_t lJe = lTrunc(static_cast<long double>(lJb - lJd) * kPerMonthSpan);
    int64_t lDay =
        lJb - lJd - lTrunc(static_cast<long double>(lJe) * static_cast<long double>(30.6001));
    int64_t lMonth = lJe - 1;
    if (lMonth > 12) {
        lMonth -= 12;
    }
    int64_t lYear = lJc - 4715;
    if (lMonth > 2) {
        --lYear;
    }
    if (lYear <= 0) {
        --lYear;
    }
    *plMonth = lMonth;
    *plDay = lDay;
    *plYear = lYear;
}

int64_t lDateToDayNumber64(int64_t lMonth, int64_t lDay, int64_t lYear) {
    int64_t lJy = lYear;
    if (lJy < 0) {
        ++lJy;
    }
    int64_t lJm = 0;
    if (lMonth > 2) {
        lJm = lMonth + 1;
    } else {
        --lJy;
        lJm = lMonth + 13;
    }
    int64_t lJa = lTrunc(static_cast<long double>(lJy) * static_cast<long double>(0.01));
    return lTrunc(static_cast<long double>(lJy) * 365.25L) +
           lTrunc(static_cast<long double>(lJm) * static_cast<long double>(30.6001)) + lDay +
           1720997 - lJa + lTrunc(static_cast<long double>(lJa) * 0.25L) - kEpochDayNumber;
}

struct SplitTime {
    int32_t lDayNumber;
    int32_t lSecondOfDay;
    int32_t lHour, lMinute, lSecond;
    int64_t lMonth, lDay, lYear;
};

SplitTime oSplit(int32_t lTime, int32_t lOffset) {
    // The sum wraps in 32 bits like the receiver's own clock arithmetic.
    auto lTotal =
        static_cast<int32_t>(static_cast<uint32_t>(lTime) + static_cast<uint32_t>(lOffset));
    SplitTime o{};
    o.lDayNumber = lTotal / kSecondsPerDay;
    o.lSecondOfDay = lTotal - o.lDayNumber * kSecondsPerDay;
    o.lHour = o.lSecondOfDay / 3600;
    o.lMinute = (o.lSecondOfDay - o.lHour * 3600) / 60;
    o.lSecond = o.lSecondOfDay - o.lHour * 3600 - o.lMinute * 60;
    vDayNumberToDate64(o.lDayNumber, &o.lMonth, &o.lDay, &o.lYear);
    return o;
}
} // namespace

void vDayNumberToDate(int32_t lDayNumber, int16_t *psMonth, int16_t *psDay, int16_t *psYear) {
    int64_t lMonth = 0, lDay = 0, lYear = 0;
    vDayNumberToDate64(lDayNumber, &lMonth, &lDay, &lYear);
    if (psMonth != nullptr) {
        *psMonth = sToShort(lMonth);
    }
    if (psDay != nullptr) {
        *psDay = sToShort(lDay);
    }
    if (psYear != nullptr) {
        *psYear = sToShort(lYear);
    }
}

int32_t lDateToDayNumber(int32_t lMonth, int32_t lDay, int32_t lYear) {
    int64_t l = lDateToDayNumber64(lMonth, lDay, lYear);
    if (l > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (l < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(l);
}

void vSplitTime(int32_t lTime, int32_t lOffset, int16_t *psHour, int16_t *psMinute,
                int16_t *psSecond, int16_t *psMonth, int16_t *psDay, int16_t *psYear) {
    SplitTime o = oSplit(lTime, lOffset);
    int16_t *apsOut[6] = {psHour, psMinute, psSecond, psMonth, psDay, psYear};
    int64_t alValue[6] = {o.lHour, o.lMinute, o.lSecond, o.lMonth, o.lDay, o.lYear};
    for (int i = 0; i < 6; ++i) {
        if (apsOut[i] != nullptr) {
            *apsOut[i] = sToShort(alValue[i]);
        }
    }
}

char *szFormatTime(int32_t lTime, int32_t lOffset, int16_t sDateFormat) {
    char *psz = pszGetTempString();
    SplitTime o = oSplit(lTime, lOffset);
    auto lMonth = static_cast<long>(o.lMonth);
    auto lDay = static_cast<long>(o.lDay);
    auto lYear = static_cast<long>(o.lYear);
    auto lHour = static_cast<long>(o.lHour);
    auto lMinute = static_cast<long>(o.lMinute);
    auto lSecond = static_cast<long>(o.lSecond);
    switch (sDateFormat) {
    case 1:
        std::snprintf(psz, kTempStringSize, "%02ld/%02ld/%04ld %02ld:%02ld:%02ld", lMonth, lDay,
                      lYear, lHour, lMinute, lSecond);
        break;
    case 2: {
        const char *pszMonth = (lMonth >= 1 && lMonth <= 12) ? kMonthNames[lMonth - 1] : "???";
        std::snprintf(psz, kTempStringSize, "%02ld-%3s-%02ld %02ld:%02ld:%02ld", lDay, pszMonth,
                      lYear % 100, lHour, lMinute, lSecond);
        break;
    }
    case 3:
        std::snprintf(psz, kTempStringSize, "%02ld%02ld%02ld", lHour, lMinute, lSecond);
        break;
    case 4:
        std::snprintf(psz, kTempStringSize, "%02ld%02ld%02ld", lDay, lMonth, lYear % 100);
        break;
    case 5: {
        long double dDays = static_cast<long double>(o.lDayNumber + kDayCountOffset) +
                            static_cast<long double>(o.lSecondOfDay) * kPerDay;
        std::snprintf(psz, kTempStringSize, "%13.7lf", static_cast<double>(dDays));
        break;
    }
    default:
        std::snprintf(psz, kTempStringSize, "Invalid Dateformat");
        break;
    }
    return psz;
}

namespace {
// Six fields in the order day/month text/year or month/day/year, then the time.
struct DateFields {
    int64_t lMonth = 0, lDay = 0, lYear = 0, lHour = 0, lMinute = 0, lSecond = 0;
};

int iScanNamedMonthDate(const char *p, DateFields *pFields) {
    // "%ld-%3s-%ld %ld:%ld:%ld"
    char szMonth[4] = {};
    int nFields = 0;
    if (!fScanLong(p, &pFields->lDay)) {
        return nFields;
    }
    ++nFields;
    if (!fScanLiteral(p, '-') || !fScanWord(p, 3, szMonth)) {
        return nFields;
    }
    ++nFields;
    pFields->lMonth = 12;
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(szMonth, kMonthNames[i]) == 0) {
            pFields->lMonth = i + 1;
            break;
        }
    }
    int64_t *aplRest[4] = {&pFields->lYear, &pFields->lHour, &pFields->lMinute, &pFields->lSecond};
    const char acBefore[4] = {'-', ' ', ':', ':'};
    for (int i = 0; i < 4; ++i) {
        if (!fScanLiteral(p, acBefore[i]) || !fScanLong(p, aplRest[i])) {
            return nFields;
        }
        ++nFields;
    }
    return nFields;
}

int iScanNumericDate(const char *p, DateFields *pFields) {
    // "%ld/%ld/%ld %ld:%ld:%ld"
    int64_t *apl[6] = {&pFields->lMonth, &pFields->lDay,    &pFields->lYear,
                       &pFields->lHour,  &pFields->lMinute, &pFields->lSecond};
    const char acBefore[6] = {'\0', '/', '/', ' ', ':', ':'};
    int nFields = 0;
    for (int i = 0; i < 6; ++i) {
        if ((acBefore[i] != '\0' && !fScanLiteral(p, acBefore[i])) || !fScanLong(p, apl[i])) {
            break;
        }
        ++nFields;
    }
    return nFields;
}
} // namespace

int32_t lParseTime(const char *pszText, int32_t lOffset) {
    if (pszText == nullptr) {
        return 0;
    }
    if (std::strchr(pszText, '.') != nullptr) {
        // A day count since 30 December 1899; it carries no zone, so no offset.
        // Read to the nearest second: seven decimals of a day are a hundredth
        // of a second apart, so a written time comes back exactly, while
        // cutting toward zero would move about half of them a second early.
        long double dSeconds = std::round(
            (static_cast<long double>(dParseDouble(pszText)) - kDayCountOffset) * kSecondsPerDay);
        if (!(dSeconds >= -2147483648.0L && dSeconds <= 2147483647.0L)) {
            return 0;
        }
        return static_cast<int32_t>(dSeconds);
    }
    DateFields o;
    int nFields = 0;
    bool fNamedMonth = std::strchr(pszText, '-') != nullptr;
    if (fNamedMonth) {
        nFields = iScanNamedMonthDate(pszText, &o);
        // Two-digit years: up to 88 this century, the rest the last one.
        o.lYear += o.lYear <= 88 ? 2000 : 1900;
        if (sGetDebugModes() != 0) {
            std::printf("Parsed date (YYYY-MM-DD HH:MM:SS): %ld-%ld-%ld %ld:%ld:%ld\n",
                        static_cast<long>(o.lYear), static_cast<long>(o.lMonth),
                        static_cast<long>(o.lDay), static_cast<long>(o.lHour),
                        static_cast<long>(o.lMinute), static_cast<long>(o.lSecond));
        }
    } else {
        nFields = iScanNumericDate(pszText, &o);
    }
    if (nFields != 6) {
        return 0;
    }
    int64_t lTime = lDateToDayNumber64(o.lMonth, o.lDay, o.lYear) * kSecondsPerDay +
                    o.lHour * 3600 + o.lMinute * 60 + o.lSecond - lOffset;
    if (sGetDebugModes() != 0) {
        std::printf("Calculated lTime: %ld\n", static_cast<long>(lTime));
    }
    // Before the epoch means no time; beyond 32 bits cannot be a receiver time.
    if (lTime < 0 || lTime > std::numeric_limits<int32_t>::max()) {
        return 0;
    }
    return static_cast<int32_t>(lTime);
}
