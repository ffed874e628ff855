// Date-time values as days since 1899-12-30 (the fraction is the time of day), the Internet date reader and
// writer used by the HTTP client and its cookie store, and the local time zone bias. Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

using TDateTime = double;

// Calendar conversions. These five are defined once, in the framework's portable core (SysUtils), and declared
// here so the date unit's users need not see the rest of it. The Encode functions return false (and leave `out`
// alone) for an impossible date or time; the years 1 to 9999 are valid.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
TDateTime NowUTC();
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

TDateTime NowLocal();
TDateTime UTCToLocal(TDateTime utc);
TDateTime LocalToUTC(TDateTime local);

// Reads the Internet date forms that servers write in "Date", "Expires" and cookie "expires" values: RFC 1123
// ("Sun, 06 Nov 1994 08:49:37 GMT"), RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT"), asctime ("Sun Nov  6 08:49:37
// 1994"), with a numeric zone ("+0200") or a zone name (read as GMT). Returns the date in UTC, or nothing when
// the text cannot be read.
std::optional<TDateTime> InternetDateToUTC(std::string_view text);
// The same date converted to local time with the current bias; 0 when the text cannot be read.
TDateTime InternetDateToLocal(std::string_view text);

// "Sun, 06 Nov 1994 08:49:37 GMT" for a UTC value; empty when the value is outside the years 1 to 9999.
std::string DateTimeToInternetDate(TDateTime utc);

} // namespace skyloom
