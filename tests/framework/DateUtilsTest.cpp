// The calendar, the clock and the local time zone's offset.
#include "DateUtils.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace skyloom;

TEST(DateUtils, DatesCountDaysFrom30December1899)
{
    struct Case {
        int y, m, d;
        double days;
    } cases[] = {{1899, 12, 30, 0},   {1899, 12, 31, 1},     {1900, 1, 1, 2},      {1900, 3, 1, 61},
                 {1970, 1, 1, 25569}, {2000, 2, 29, 36585},  {2006, 6, 27, 38895}, {1899, 12, 29, -1},
                 {9999, 12, 31, 2958465}, {1, 1, 1, -693593}};
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        // Before the epoch the time of day counts away from zero: 06:00 on day -1 is -1.25.
        DecodeDate(c.days < 0 ? c.days - 0.75 : c.days + 0.75, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << "decoding day " << c.days;
    }
}

TEST(DateUtils, InvalidDatesAndTimesAreRefused)
{
    TDateTime dt = 0;
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, dt)) << "2001 is not a leap year";
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt)) << "1900 is not a leap year";
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, dt));
    EXPECT_FALSE(TryEncodeDate(2020, 13, 1, dt));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, dt));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, dt));
    EXPECT_THROW(EncodeDate(2020, 4, 31), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
}

TEST(DateUtils, TimeOfDayRoundTripsToTheMillisecond)
{
    struct Case {
        int h, n, s, ms;
    } cases[] = {{0, 0, 0, 0}, {12, 0, 0, 0}, {23, 59, 59, 999}, {6, 30, 15, 500}, {0, 0, 0, 1}};
    for (const Case& c : cases) {
        TDateTime t = EncodeDate(2024, 5, 17) + EncodeTime(c.h, c.n, c.s, c.ms);
        int h, n, s, ms;
        DecodeTime(t, h, n, s, ms);
        EXPECT_EQ((((h * 60 + n) * 60 + s) * 1000 + ms), (((c.h * 60 + c.n) * 60 + c.s) * 1000 + c.ms))
            << c.h << ":" << c.n << ":" << c.s << "." << c.ms;
        int y, m, d;
        DecodeDate(t, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, 20240517) << "the time must not move the date";
    }
    // Before the epoch the fraction still counts from midnight of the day.
    int h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
}

TEST(DateUtils, UnixTimeAndWeekdays)
{
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_EQ(DateTimeToUnix(EncodeDate(2000, 1, 1)), 946684800);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1700000000)), 1700000000);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7) << "Saturday";
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 19)), 1) << "Sunday";
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 5, 20)), 2) << "Monday";
    // 1899-12-29 06:00, stored as -1.25: the day DecodeDate gives, a Friday.
    int y = 0, m = 0, d = 0;
    DecodeDate(-1.25, y, m, d);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(DayOfWeek(-1.25), 6) << "Friday";
    // No date at all: an answer within the week and a date outside the years 1 to 9999, not a conversion the
    // language leaves undefined (the sanitizer build sees that).
    for (TDateTime nonsense : {std::nan(""), HUGE_VAL, -1e300}) {
        EXPECT_GE(DayOfWeek(nonsense), 1);
        EXPECT_LE(DayOfWeek(nonsense), 7);
        DecodeDate(nonsense, y, m, d);
        EXPECT_TRUE(y < 1 || y > 9999) << y;
        EXPECT_EQ(FormatISO8601Local(nonsense, 0), "");
    }
    TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_LT(std::fabs(NowUTC() - now), 1.0) << "local and universal time differ by less than a day";
}

TEST(DateUtils, MonthAndDayNamesAreReadByTheirEnglishAbbreviationsWithoutCase)
{
    struct Case {
        const char* word;
        int month;
        int day;
        int dayByTwoLetters;
    } cases[] = {{"Jan", 1, 0, 0},          {"december", 12, 0, 0},      {"SEPT", 9, 0, 0},
                 {"Ma", 0, 0, 0},           {"", 0, 0, 0},               {"Sun", 0, 1, 1},
                 {"saturday", 0, 7, 7},     {"Thu,", 0, 5, 5},           {"Th", 0, 0, 5},
                 {"Tu", 0, 0, 3},           {"Sa", 0, 0, 7},             {"Se", 0, 0, 0},
                 {"Moon", 0, 0, 2},         {"xJan", 0, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(MonthFromName(c.word), c.month) << "word [" << c.word << "]";
        EXPECT_EQ(DayFromName(c.word), c.day) << "word [" << c.word << "]";
        EXPECT_EQ(DayFromName(c.word, 2), c.dayByTwoLetters) << "word [" << c.word << "], two letters";
    }
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(MonthFromName(InternetMonthNames[m - 1]), m);
    for (int d = 1; d <= 7; ++d)
        EXPECT_EQ(DayFromName(InternetDayNames[d - 1]), d);
}

TEST(DateUtils, NowIsUniversalTimeMinusTheZoneBias)
{
    struct Pin {
        explicit Pin(int minutes) { SetLocalTimeBiasOverride(minutes); }
        ~Pin() { SetLocalTimeBiasOverride(std::nullopt); }
    };
    for (int bias : {0, -120, 330, -840}) {
        Pin pin(bias);
        const TDateTime utc = NowUTC();
        const TDateTime local = Now();
        EXPECT_NEAR(utc - local, bias / 1440.0, 2.0 / 86400) << "bias " << bias;
        EXPECT_NEAR(LocalToUTC(UTCToLocal(utc)), utc, 1e-9) << "bias " << bias;
        EXPECT_EQ(Date(), std::floor(Date())) << "Date has no time of day";
    }
}

TEST(DateUtils, ISO8601LocalTimeCarriesTheZoneOffset)
{
    // One moment in universal time shown in several zones (bias: UTC = local + bias minutes).
    const TDateTime utc = EncodeDate(2026, 12, 9) + EncodeTime(23, 30, 5, 999);
    const struct {
        TDateTime UTC;
        int Bias;
        const char* Text;
    } cases[] = {
        {utc, 0, "2026-12-09T23:30:05+00:00"},
        {utc, -60, "2026-12-10T00:30:05+01:00"},        // past midnight in Central Europe
        {utc, 300, "2026-12-09T18:30:05-05:00"},
        {utc, -330, "2026-12-10T05:00:05+05:30"},       // half-hour zone
        {utc, 570, "2026-12-09T14:00:05-09:30"},
        {utc, -825, "2026-12-10T13:15:05+13:45"},       // quarter-hour zone
        {EncodeDate(2024, 2, 28) + EncodeTime(23, 0, 0, 0), -120, "2024-02-29T01:00:00+02:00"},  // leap day
        {EncodeDate(2026, 12, 31) + EncodeTime(23, 59, 59, 0), -60, "2027-01-01T00:59:59+01:00"},
        {EncodeDate(2026, 1, 1) + EncodeTime(0, 0, 1, 0), 60, "2025-12-31T23:00:01-01:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatISO8601Local(c.UTC, c.Bias), c.Text) << "bias " << c.Bias;
    EXPECT_EQ(FormatISO8601Local(-700000.0, 0), "") << "a moment before the year 1 has no text";
}

TEST(DateUtils, UnixSecondsRoundedDown)
{
    const TDateTime second = UnixToDateTime(1700000000);
    const struct {
        TDateTime Value;
        long long Seconds;
    } cases[] = {
        {second, 1700000000},
        {second + 999.0 / MSecsPerDay, 1700000000},
        {second + 1000.0 / MSecsPerDay, 1700000001},
        {second - 1.0 / MSecsPerDay, 1699999999},
        {UnixToDateTime(0), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeToUnixFloor(c.Value), c.Seconds) << "expected " << c.Seconds;
}
