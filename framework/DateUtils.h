// Date-time arithmetic: the calendar, the clock and the local time zone's offset. Portable; the offset comes from
// DateUtils_win.cpp or DateUtils_posix.cpp.
#pragma once

#include "Types.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

// The English abbreviations Internet dates write (RFC 822 and its successors), and what reads them back.
inline constexpr std::string_view InternetMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
inline constexpr std::string_view InternetDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
// The month (1..12) whose abbreviation the word begins with, letters compared without case; 0 for none.
int MonthFromName(std::string_view word);
// The day of the week (1 = Sunday .. 7) whose abbreviation's first `letters` letters (1 to 3) begin the word,
// compared without case; 0 for none.
int DayFromName(std::string_view word, std::size_t letters = 3);

// Date-time: days since 1899-12-30, fraction = time of day.
constexpr TDateTime UnixDateDelta = 25569.0;  // 1970-01-01
constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Throws EConvertError on an invalid date or time; TryEncode... answer false instead.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime dt);
TDateTime UnixToDateTime(long long seconds);
long long DateTimeToUnix(TDateTime dt);
// Local time now, to the millisecond: universal time minus LocalTimeBias.
TDateTime Now();
TDateTime Date();
// Coordinated universal time now.
TDateTime NowUTC();

// Both halves at once; the Encode function fails (leaving `out` alone) for an impossible date or time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond,
                       TDateTime& out);
struct TDateTimeParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
    int DayOfWeek = 0; // 1 = Sunday .. 7 = Saturday
};
// Fails for values outside the years 1 to 9999 (and for NaN).
bool DecodeDateTime(TDateTime value, TDateTimeParts& out);

// The platform's current bias in minutes, daylight saving included when it is in force now:
// UTC = local time + bias. Tests can pin it with SetLocalTimeBiasOverride.
int LocalTimeBias();
void SetLocalTimeBiasOverride(std::optional<int> minutes);
// The platform's own answer, which LocalTimeBias gives unless a test pinned it (DateUtils_win.cpp,
// DateUtils_posix.cpp).
int PlatformLocalTimeBias();

TDateTime UTCToLocal(TDateTime utc);
TDateTime LocalToUTC(TDateTime local);

// A moment as ISO 8601 local time with its offset, to the whole second (the fraction is dropped):
// "2026-03-29T01:59:59+01:00". utc is the moment in universal time, bias the local zone's bias in force then
// (UTC = local + bias, as LocalTimeBias gives it). Empty for a value outside the years 1 to 9999.
std::string FormatISO8601Local(TDateTime utc, int bias);
// Whole seconds of a moment since 1970-01-01 UTC, rounded down (DateTimeToUnix rounds to the nearest).
long long DateTimeToUnixFloor(TDateTime dt);

} // namespace skyloom
