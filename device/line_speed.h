#pragma once
// The speed of a serial link. Units start at 9600 baud and can be asked for
// more: the host turns the unit's own requests off, names the rate, the unit
// answers with the rate it will use, both ends change, and two pings at the
// new speed prove that it works. A unit that hears no ping within two seconds
// goes back to 9600 by itself.

#include <cstdint>

struct DeviceLink;

constexpr uint32_t kBaseLineSpeed = 9600;
// The speeds a user may ask for, for messages.
constexpr const char *kszLineSpeeds = "9600, 19200, 38400, 57600 or 115200";

// 1 for one of the speeds of kszLineSpeeds.
int iIsLineSpeed(long lBaud);
// 1 when the rate a unit answered stands for lBaud: units answer the rate
// their clock makes (115177 for 115200), within 5 % of the standard one.
int iRateStandsFor(uint32_t lAnswered, uint32_t lBaud);

// Asks the unit of a serial link for lBaud after identification. 1 when both
// ends now speak it (or there is nothing to do: USB, 9600). On failure the
// port is at 9600 again, the unit is given the time to fall back to it, one
// line on standard error says so, and 0 is returned; the link goes on working.
int iChangeLineSpeed(DeviceLink *pLink, uint32_t lBaud);
// Sets unit and port back to 9600 before the port closes, so that the unit
// is found at its usual speed next time: one try of each message, no resend,
// nothing at all once the receiver counts as gone. 1 when the unit took it
// (or nothing had to be done).
int iRestoreLineSpeed(DeviceLink *pLink);
// After a transfer was cut short the unit may still be sending (resending the
// record nobody acknowledged): its bytes are read and dropped, without ACKs,
// until the line has been quiet for two seconds (at most kQuietMostMs), so
// that what follows is heard.
constexpr uint32_t kQuietMostMs = 8000;
void vWaitForQuietLine(DeviceLink *pLink);
