#pragma once
// The one calendar of the program: the receivers' epoch and proleptic
// Gregorian dates as day counts, in exact integer arithmetic.

#include <cstdint>

// Receiver time 0 is 1989-12-31T00:00:00Z: this many seconds, and days, after
// 1970-01-01T00:00:00Z.
constexpr int64_t kReceiverEpochUnix = 631065600;
constexpr int64_t kReceiverEpochDays = kReceiverEpochUnix / 86400;

struct CivilDate {
    int64_t llYear;  // astronomical: 0 is 1 BC
    int64_t llMonth; // 1..12
    int64_t llDay;   // 1..31
};

// Days since 1970-01-01 of a date. Days beyond a month's end run on into the
// next months, months beyond 12 (or below 1) into the next (or earlier) years.
int64_t llDaysFromCivil(int64_t llYear, int64_t llMonth, int64_t llDay);
// The date of a day count since 1970-01-01.
CivilDate oCivilFromDays(int64_t llDays);
// The times the store holds: receiver seconds in 32 signed bits, from
// 1921-12-12T20:45:52Z to 2058-01-18T03:14:07Z, 0 meaning "no time". Every
// reader passes the time it read through here, so a time that one format
// stores is one that every other reads back. 1970-01-01T00:00:00Z is no time
// as well: many programs write it for an unknown time.
// Returns the stored time, or 0 for a time the store cannot hold.
int32_t lStoredTime(int64_t llReceiverSeconds);

// The day, counted from 1970-01-01, of a time in seconds since 1970 (rounded down).
inline int64_t llDaysOfUnixTime(int64_t llSeconds) {
    return llSeconds >= 0 ? llSeconds / 86400 : (llSeconds - 86399) / 86400;
}
