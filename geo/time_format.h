#pragma once
// Receiver times (seconds since 00:00:00 on 31 December 1989) as calendar dates,
// the five text forms of a date and time, and reading them back.

#include <cstdint>

// Day of the epoch in the day count that starts at 30 December 1899.
constexpr int32_t kDayCountOffset = 32873;

// Date forms: 1 "12/31/1989 00:00:00", 2 "31-DEC-89 00:00:00", 3 "000000"
// (hhmmss), 4 "311289" (ddmmyy), 5 the day count "32873.0000000" in 13
// characters; any other number gives "Invalid Dateformat". lOffset is added to
// the time first. The text lives in the temporary-string ring.
char *szFormatTime(int32_t lTime, int32_t lOffset, int16_t sDateFormat);

// Splits lTime + lOffset into its fields; each non-null pointer receives one.
void vSplitTime(int32_t lTime, int32_t lOffset, int16_t *psHour, int16_t *psMinute,
                int16_t *psSecond, int16_t *psMonth, int16_t *psDay, int16_t *psYear);

// Reads a day count (text with a '.'; no offset applied), a "31-DEC-89 12:00:00"
// or a "12/31/1989 12:00:00" text. Returns the receiver time, or 0 when the
// text has not all six fields or names a time the store cannot hold.
int32_t lParseTime(const char *pszText, int32_t lOffset);

// The receiver time of a day count, to the nearest second; 0 when the store
// cannot hold it (a NaN, an infinity, 25569.0 for 1970-01-01 among them).
int32_t lDayCountToTime(long double dDays);

// Day number (days since 31 December 1989) to month 1..12, day, year.
void vDayNumberToDate(int32_t lDayNumber, int16_t *psMonth, int16_t *psDay, int16_t *psYear);
// Month, day and year to a day number; days beyond the month's end run on into
// the next month, months beyond 12 into the next year.
int32_t lDateToDayNumber(int32_t lMonth, int32_t lDay, int32_t lYear);
