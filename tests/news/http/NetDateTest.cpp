#include "NetDate.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

class BiasGuard {
public:
    explicit BiasGuard(int minutes) { SetLocalTimeBiasOverride(minutes); }
    ~BiasGuard() { SetLocalTimeBiasOverride(std::nullopt); }
};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    TDateTime v = 0;
    EXPECT_TRUE(TryEncodeDateTime(y, mo, d, h, mi, s, 0, v));
    return v;
}

TEST(NetDate, EncodesAndDecodesTheCalendar)
{
    EXPECT_EQ(At(1899, 12, 30), 0.0);
    EXPECT_EQ(At(1900, 1, 1), 2.0);
    EXPECT_EQ(At(2000, 1, 1), 36526.0);
    EXPECT_EQ(At(1899, 12, 29, 6), -1.25) << "before the epoch the time still counts forwards";
    TDateTime v = 0;
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, v));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, v));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, v));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, v));
    for (const TDateTime value : {At(1994, 11, 6, 8, 49, 37), At(1, 1, 1), At(9999, 12, 31, 23, 59, 59), -1.25}) {
        TDateTimeParts p;
        ASSERT_TRUE(DecodeDateTime(value, p)) << value;
        EXPECT_EQ(At(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second), value);
    }
    TDateTimeParts p;
    EXPECT_FALSE(DecodeDateTime(1e12, p));
    EXPECT_FALSE(DecodeDateTime(-1e12, p));
}

TEST(NetDate, ReadsTheInternetDateForms)
{
    struct Case {
        const char* text;
        TDateTime utc; // 0 = cannot be read
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", At(1994, 11, 6, 8, 49, 37)},
        {"  sun,06 nov 1994 08:49:37 gmt  ", At(1994, 11, 6, 8, 49, 37)},
        {"Sunday, 06-Nov-94 08:49:37 GMT", At(1994, 11, 6, 8, 49, 37)},
        {"Sun, 06-Nov-1994 08:49:37 GMT", At(1994, 11, 6, 8, 49, 37)},
        {"Sun Nov  6 08:49:37 1994", At(1994, 11, 6, 8, 49, 37)},
        {"Nov 6 1994 08:49:37", At(1994, 11, 6, 8, 49, 37)},
        {"06 Nov 1994 08:49:37 +0200", At(1994, 11, 6, 6, 49, 37)},
        {"06 Nov 1994 08:49:37 -0130", At(1994, 11, 6, 10, 19, 37)},
        {"06 Nov 1994 08:49:37 EST", At(1994, 11, 6, 8, 49, 37)},
        {"06 Nov 1994 08:49:37 +05:30", At(1994, 11, 6, 8, 49, 37)},
        {"06 Nov 1994", At(1994, 11, 6)},
        {"06 Nov 05 10:00", At(2005, 11, 6, 10)},
        {"06 Nov 79 10:00", At(2079, 11, 6, 10)},
        {"06 Nov 80 10:00", At(1980, 11, 6, 10)},
        {"06 Nov 1994 12:00:00 AM GMT", At(1994, 11, 6, 0)},
        {"06 Nov 1994 01:30:00 PM", At(1994, 11, 6, 13, 30)},
        {"06 Nov 1994 12:15PM", At(1994, 11, 6, 12, 15)},
        {"", 0},
        {"garbage", 0},
        {"31 Feb 2001 00:00:00 GMT", 0},
        {"06 Nov 1994 25:00:00 GMT", 0},
        {"06 Nov 1994 08:61:00 GMT", 0},
        {"2002-09-07T00:00:01Z", 0},
        {"06 Nov 1994 08:49:37:99 GMT", 0},
        {"Sun, 06 Nov 99999 08:49:37 GMT", 0},
        {"Sun, 06 Nov", 0},
    };
    for (const Case& c : cases) {
        const std::optional<TDateTime> got = InternetDateToUTC(c.text);
        if (c.utc == 0) {
            EXPECT_FALSE(got.has_value()) << c.text;
        } else {
            ASSERT_TRUE(got.has_value()) << c.text;
            EXPECT_NEAR(*got, c.utc, 1e-9) << c.text;
        }
    }
}

TEST(NetDate, ConvertsToLocalTimeWithTheCurrentBias)
{
    BiasGuard utcMinus2(120); // local = UTC - 2 h
    EXPECT_NEAR(InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 GMT"), At(1994, 11, 6, 6, 49, 37), 1e-9);
    EXPECT_EQ(InternetDateToLocal("not a date"), 0.0);
    EXPECT_NEAR(UTCToLocal(LocalToUTC(1234.5)), 1234.5, 1e-12);
    EXPECT_NEAR(NowUTC() - Now(), 120 / 1440.0, 1e-6);
}

TEST(NetDate, WritesTheInternetDate)
{
    EXPECT_EQ(DateTimeToInternetDate(At(1994, 11, 6, 8, 49, 37)), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(DateTimeToInternetDate(At(2002, 9, 7, 0, 0, 1)), "Sat, 07 Sep 2002 00:00:01 GMT");
    EXPECT_EQ(DateTimeToInternetDate(At(1, 1, 1)), "Mon, 01 Jan 0001 00:00:00 GMT");
    EXPECT_EQ(DateTimeToInternetDate(1e9), "") << "beyond the year 9999";
    const TDateTime now = NowUTC();
    const std::optional<TDateTime> back = InternetDateToUTC(DateTimeToInternetDate(now));
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(*back, now, 1.0 / 86400) << "round trip to the second";
}

} // namespace
} // namespace skyloom
