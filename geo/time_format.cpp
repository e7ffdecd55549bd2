#include "geo/time_format.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "base/debug.h"
#include "base/number_text.h"
#include "base/temp_string.h"
#include "base/text_format.h"
#include "geo/calendar.h"
#include "geo/text_scan.h"

namespace {
constexpr int32_t kSecondsPerDay = 86400;
constexpr const char *kMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The day count is written in extended precision, as the receivers' desktop
// software always did.
constexpr long double kPerDay = 1.0L / 86400.0L;

int16_t sToShort(int64_t l) {
    return static_cast<int16_t>(static_cast<uint16_t>(l & 0xFFFF));
}

// Dates in the convention of the receivers' desktop software: there is no
// year 0, the year before 1 is -1.
void vDayNumberToDate64(int64_t lDayNumber, int64_t *plMonth, int64_t *plDay, int64_t *plYear) {
    // A track's points come a day after another: the last day's date is kept,
    // by each thread for itself.
    thread_local int64_t llCachedDay = INT64_MIN;
    thread_local CivilDate oCached{};
    if (lDayNumber != llCachedDay) {
        oCached = oCivilFromDays(lDayNumber + kReceiverEpochDays);
        llCachedDay = lDayNumber;
    }
    const CivilDate &o = oCached;
    *plMonth = o.llMonth;
    *plDay = o.llDay;
    *plYear = o.llYear <= 0 ? o.llYear - 1 : o.llYear;
}

int64_t lDateToDayNumber64(int64_t lMonth, int64_t lDay, int64_t lYear) {
    return llDaysFromCivil(lYear < 0 ? lYear + 1 : lYear, lMonth, lDay) - kReceiverEpochDays;
}

struct SplitTime {
    int32_t lDayNumber;
    int32_t lSecondOfDay;
    int32_t lHour, lMinute, lSecond;
    int64_t lMonth, lDay, lYear;
};

// fDate false leaves month, day and year 0 (the day count needs none).
SplitTime oSplit(int32_t lTime, int32_t lOffset, bool fDate = true) {
    // The sum wraps in 32 bits like the receiver's own clock arithmetic.
    auto lTotal =
        static_cast<int32_t>(static_cast<uint32_t>(lTime) + static_cast<uint32_t>(lOffset));
    SplitTime o{};
    o.lDayNumber = lTotal / kSecondsPerDay;
    o.lSecondOfDay = lTotal - o.lDayNumber * kSecondsPerDay;
    o.lHour = o.lSecondOfDay / 3600;
    o.lMinute = (o.lSecondOfDay - o.lHour * 3600) / 60;
    o.lSecond = o.lSecondOfDay - o.lHour * 3600 - o.lMinute * 60;
    if (fDate) {
        vDayNumberToDate64(o.lDayNumber, &o.lMonth, &o.lDay, &o.lYear);
    }
    return o;
}

double dDayCountOf(const SplitTime &o) {
    long double dDays = static_cast<long double>(o.lDayNumber + kDayCountOffset) +
                        static_cast<long double>(o.lSecondOfDay) * kPerDay;
    return static_cast<double>(dDays);
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

namespace {
// Two digits of n (0..99) at p.
inline void vPutTwo(char *p, uint32_t n) {
    std::memcpy(p, text_format_detail::kaDigitPairs + 2 * n, 2);
}

// The date part of forms 1 and 2 with its blank, "12/31/1989 " or
// "31-DEC-89 ", or all of form 4, "311289", as the forms write it for one
// day. Times one second apart share it, so each thread keeps the last one it
// wrote.
struct DateText {
    int32_t lDayNumber = 0;
    int16_t sDateFormat = 0; // 0: none kept
    bool fUsual = false;     // every field of its printed width: the text below
    uint8_t nLength = 0;
    char ac[12] = {};
};

thread_local DateText gtDateText;

// Writes the date text of another day into o.
void vSetDateText(DateText &o, uint32_t lDayNumber, int16_t sDateFormat) {
    int64_t lMonth = 0, lDay = 0, lYear = 0;
    vDayNumberToDate64(lDayNumber, &lMonth, &lDay, &lYear);
    o.lDayNumber = static_cast<int32_t>(lDayNumber);
    o.sDateFormat = sDateFormat;
    o.fUsual =
        lMonth >= 1 && lMonth <= 12 && lDay >= 0 && lDay <= 99 && lYear >= 0 && lYear <= 9999;
    if (!o.fUsual) {
        return;
    }
    const auto l = [](int64_t ll) { return static_cast<uint32_t>(ll); };
    char *p = o.ac;
    if (sDateFormat == 1) { // "%02ld/%02ld/%04ld "
        vPutTwo(p, l(lMonth));
        p[2] = '/';
        vPutTwo(p + 3, l(lDay));
        p[5] = '/';
        vPutTwo(p + 6, l(lYear / 100));
        vPutTwo(p + 8, l(lYear % 100));
        p += 10;
    } else if (sDateFormat == 2) { // "%02ld-%3s-%02ld "
        vPutTwo(p, l(lDay));
        p[2] = '-';
        std::memcpy(p + 3, kMonthNames[lMonth - 1], 3);
        p[6] = '-';
        vPutTwo(p + 7, l(lYear % 100));
        p += 9;
    } else { // "%02ld%02ld%02ld"
        vPutTwo(p, l(lDay));
        vPutTwo(p + 2, l(lMonth));
        vPutTwo(p + 4, l(lYear % 100));
        o.nLength = 6;
        return;
    }
    *p++ = ' ';
    o.nLength = static_cast<uint8_t>(p - o.ac);
}

// nFormatTime of a time whose day's date text is not the one kept: the
// text of its day kept, then written as any other.
[[gnu::noinline]] size_t nFormatTimeOfNewDay(char *psz, size_t nSize, int32_t lTime,
                                             int32_t lOffset, int16_t sDateFormat,
                                             uint32_t lDayNumber) {
    vSetDateText(gtDateText, lDayNumber, sDateFormat);
    return nFormatTime(psz, nSize, lTime, lOffset, sDateFormat);
}

// nFormatTime of the times its quick part leaves: every form, any time.
[[gnu::noinline]] size_t nFormatTimeInGeneral(char *psz, size_t nSize, int32_t lTime,
                                              int32_t lOffset, int16_t sDateFormat) {
    SplitTime o = oSplit(lTime, lOffset, sDateFormat != 3 && sDateFormat != 5);
    auto lMonth = static_cast<long>(o.lMonth);
    auto lDay = static_cast<long>(o.lDay);
    auto lYear = static_cast<long>(o.lYear);
    auto lHour = static_cast<long>(o.lHour);
    auto lMinute = static_cast<long>(o.lMinute);
    auto lSecond = static_cast<long>(o.lSecond);
    int iLength = 0;
    switch (sDateFormat) {
    case 1:
        iLength = iFormatText(psz, nSize, "%02ld/%02ld/%04ld %02ld:%02ld:%02ld", lMonth, lDay,
                              lYear, lHour, lMinute, lSecond);
        break;
    case 2: {
        const char *pszMonth = (lMonth >= 1 && lMonth <= 12) ? kMonthNames[lMonth - 1] : "???";
        iLength = iFormatText(psz, nSize, "%02ld-%3s-%02ld %02ld:%02ld:%02ld", lDay, pszMonth,
                              lYear % 100, lHour, lMinute, lSecond);
        break;
    }
    case 3:
        iLength = iFormatText(psz, nSize, "%02ld%02ld%02ld", lHour, lMinute, lSecond);
        break;
    case 4:
        iLength = iFormatText(psz, nSize, "%02ld%02ld%02ld", lDay, lMonth, lYear % 100);
        break;
    case 5:
        return nFormatFixed(psz, nSize, "%13.7lf", dDayCountOf(o));
    default:
        iLength = iFormatText(psz, nSize, "Invalid Dateformat");
        break;
    }
    if (iLength < 0 || nSize == 0) {
        return 0;
    }
    return static_cast<size_t>(iLength) < nSize ? static_cast<size_t>(iLength) : nSize - 1;
}
} // namespace

size_t nFormatTime(char *psz, size_t nSize, int32_t lTime, int32_t lOffset, int16_t sDateFormat) {
    // The usual case, a time at or after the epoch in forms 1 to 4: the day's
    // date as kept, the time of day, or both, straight into the buffer as
    // nFormatTimeInGeneral's forms write them (through the C library while
    // tests ask for it).
    const auto lTotal =
        static_cast<int32_t>(static_cast<uint32_t>(lTime) + static_cast<uint32_t>(lOffset));
    if (nSize > 20 && sDateFormat >= 1 && sDateFormat <= 4 && lTotal >= 0 &&
        !fFormattingThroughCLibrary()) {
        const auto lSeconds = static_cast<uint32_t>(lTotal);
        const uint32_t lDayNumber = lSeconds / kSecondsPerDay;
        const uint32_t lSecondOfDay = lSeconds - lDayNumber * kSecondsPerDay;
        const uint32_t lHour = lSecondOfDay / 3600;
        const uint32_t lRest = lSecondOfDay - lHour * 3600;
        const uint32_t lMinute = lRest / 60;
        if (sDateFormat == 3) { // "%02ld%02ld%02ld" of the time of day
            vPutTwo(psz, lHour);
            vPutTwo(psz + 2, lMinute);
            vPutTwo(psz + 4, lRest - lMinute * 60);
            psz[6] = '\0';
            return 6;
        }
        const DateText &oDate = gtDateText;
        if (oDate.sDateFormat != sDateFormat ||
            oDate.lDayNumber != static_cast<int32_t>(lDayNumber)) {
            return nFormatTimeOfNewDay(psz, nSize, lTime, lOffset, sDateFormat, lDayNumber);
        }
        if (oDate.fUsual) {
            std::memcpy(psz, oDate.ac, sizeof(oDate.ac));
            char *p = psz + oDate.nLength;
            if (sDateFormat == 4) {
                *p = '\0';
                return oDate.nLength;
            }
            vPutTwo(p, lHour);
            p[2] = ':';
            vPutTwo(p + 3, lMinute);
            p[5] = ':';
            vPutTwo(p + 6, lRest - lMinute * 60);
            p[8] = '\0';
            return static_cast<size_t>(p + 8 - psz);
        }
    }
    return nFormatTimeInGeneral(psz, nSize, lTime, lOffset, sDateFormat);
}

char *szFormatTime(int32_t lTime, int32_t lOffset, int16_t sDateFormat) {
    char *psz = pszGetTempString();
    nFormatTime(psz, kTempStringSize, lTime, lOffset, sDateFormat);
    return psz;
}

namespace {
// Six fields in the order day/month text/year or month/day/year, then the time.
struct DateFields {
    int64_t lMonth = 0, lDay = 0, lYear = 0, lHour = 0, lMinute = 0, lSecond = 0;
};

// 1..12 for the three letters of a month's name, 12 for any other three.
int64_t lMonthOfName(const char *pszName) {
    for (int i = 0; i < 12; ++i) {
        if (std::memcmp(pszName, kMonthNames[i], 3) == 0) {
            return i + 1;
        }
    }
    return 12;
}

bool fDigit(char c) {
    return c >= '0' && c <= '9';
}

// True when the text has the shape: '9' a digit, 'M' a character of a month's
// name (neither blank nor the end), any other character itself; and no digit
// follows, so that the last number ends there. Checked in order, so that a
// shorter text stops at its terminator.
bool fFitsShape(const char *p, std::string_view svShape) {
    for (size_t i = 0; i < svShape.size(); ++i) {
        const char c = p[i];
        const bool fFits = svShape[i] == '9' ? fDigit(c)
                           : svShape[i] == 'M'
                               ? c != '\0' && std::isspace(static_cast<unsigned char>(c)) == 0
                               : c == svShape[i];
        if (!fFits) {
            return false;
        }
    }
    return !fDigit(p[svShape.size()]);
}

int64_t lDigitsAt(const char *p, int nDigits) {
    int64_t lValue = 0;
    for (int i = 0; i < nDigits; ++i) {
        lValue = lValue * 10 + (p[i] - '0');
    }
    return lValue;
}

// The forms every writer writes, with two digits to each number (four to a
// numeric year), are read in place: what the general scans read from them,
// without their field-by-field work.
bool fScanWrittenNamedMonthDate(const char *p, DateFields *pFields) {
    if (!fFitsShape(p, "99-MMM-99 99:99:99")) {
        return false;
    }
    pFields->lDay = lDigitsAt(p, 2);
    pFields->lMonth = lMonthOfName(p + 3);
    pFields->lYear = lDigitsAt(p + 7, 2);
    pFields->lHour = lDigitsAt(p + 10, 2);
    pFields->lMinute = lDigitsAt(p + 13, 2);
    pFields->lSecond = lDigitsAt(p + 16, 2);
    return true;
}

bool fScanWrittenNumericDate(const char *p, DateFields *pFields) {
    if (!fFitsShape(p, "99/99/9999 99:99:99")) {
        return false;
    }
    pFields->lMonth = lDigitsAt(p, 2);
    pFields->lDay = lDigitsAt(p + 3, 2);
    pFields->lYear = lDigitsAt(p + 6, 4);
    pFields->lHour = lDigitsAt(p + 11, 2);
    pFields->lMinute = lDigitsAt(p + 14, 2);
    pFields->lSecond = lDigitsAt(p + 17, 2);
    return true;
}

int iScanNamedMonthDate(const char *p, DateFields *pFields) {
    if (fScanWrittenNamedMonthDate(p, pFields)) {
        return 6;
    }
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
    pFields->lMonth = lMonthOfName(szMonth);
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
    if (fScanWrittenNumericDate(p, pFields)) {
        return 6;
    }
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
        return lDayCountToTime(static_cast<long double>(dParseDouble(pszText)));
    }
    DateFields o;
    int nFields = 0;
    // A '-' after a '/' is the sign of a time of day before the epoch
    // ("12/31/1989 -1:00:00"), not the named-month form.
    const char *pszDash = std::strchr(pszText, '-');
    const char *pszSlash = std::strchr(pszText, '/');
    bool fNamedMonth = pszDash != nullptr && (pszSlash == nullptr || pszDash < pszSlash);
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
    return lStoredTime(lTime);
}

int32_t lDayCountToTime(long double dDays) {
    long double dSeconds = std::round((dDays - kDayCountOffset) * kSecondsPerDay);
    if (!(dSeconds >= -2147483648.0L && dSeconds <= 2147483647.0L)) {
        return 0;
    }
    return lStoredTime(static_cast<int64_t>(dSeconds));
}
