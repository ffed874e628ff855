// The feed date, zone offset and byte size readers.
#include "DateUtils.h"
#include "slRSSFeed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace skyloom {
namespace {

// Whole days of a few dates (days since 30 December 1899).
constexpr double Sep07_2002 = 37506;
constexpr double Jun10_2003 = 37782;
constexpr double Sep07_1999 = 36410;
constexpr double Jan01_2079 = 65381;
constexpr double Jan01_1980 = 29221;
constexpr double Mar01_2000 = 36586;

constexpr double At(double Day, int Hour, int Minute = 0, int Second = 0)
{
    return Day + (Hour * 3600 + Minute * 60 + Second) / 86400.0;
}

constexpr double OneMillisecond = 1.0 / 86400000.0;

// Pins the local zone for the length of a test.
class PinnedZone {
public:
    explicit PinnedZone(int BiasMinutes) { SetLocalTimeBiasOverride(BiasMinutes); }
    PinnedZone(const PinnedZone&) = delete;
    PinnedZone& operator=(const PinnedZone&) = delete;
    ~PinnedZone() { SetLocalTimeBiasOverride(std::nullopt); }
};

struct DateCase {
    const char* Text;
    double Expected;  // UTC; 0 for unreadable
};

TEST(FeedDateToDateTime, ReadsFeedDatesAsUtcWhenTheZoneIsUtc)
{
    const PinnedZone utc(0);
    const DateCase cases[] = {
        {"Sat, 07 Sep 2002 00:00:01 GMT", At(Sep07_2002, 0, 0, 1)},
        {"Sat, 07 Sep 2002 00:00:01 +0200", At(Sep07_2002 - 1, 22, 0, 1)},
        {"Sat, 07 Sep 2002 00:00:01 -0130", At(Sep07_2002, 1, 30, 1)},
        {"Tue, 10 Jun 2003 04:00:00 -0500", At(Jun10_2003, 9)},
        {"07-Sep-02 10:00", At(Sep07_2002, 10)},
        {"Sep 07 2002 10:00", At(Sep07_2002, 10)},
        {"Saturday, 07 Sep 2002 00:00:01 GMT", At(Sep07_2002, 0, 0, 1)},
        {"sat, 07 SEP 2002 00:00:01 gmt", At(Sep07_2002, 0, 0, 1)},
        {"  Sat, 07 Sep 2002 00:00:01 GMT \r\n", At(Sep07_2002, 0, 0, 1)},
        {"Sat Sep 07 00:00:01 2002", At(Sep07_2002, 0, 0, 1)},
        {"Sat,07 Sep 2002 23:59:59 EST", At(Sep07_2002, 23, 59, 59)},
        {"07 Sep 2002 10:00 Z", At(Sep07_2002, 10)},
        {"07 Sep 2002", Sep07_2002},
        {"07 Sep 99", Sep07_1999},
        {"01 Jan 79", Jan01_2079},
        {"01 Jan 80", Jan01_1980},
        {"29 Feb 2000", Mar01_2000 - 1},
        {"07 Sep 2002 10:00 +05:30", At(Sep07_2002, 4, 30)},
        {"07 Sep 2002 10:00 +0530 (IST)", At(Sep07_2002, 4, 30)},
        {"Sep 7, 2002 10:00", At(Sep07_2002, 10)},
    };
    for (const DateCase& c : cases)
        EXPECT_NEAR(FeedDateToDateTime(c.Text), c.Expected, OneMillisecond) << "date text: \"" << c.Text << '"';
}

TEST(FeedDateToDateTime, GivesZeroForTextsItCannotRead)
{
    const PinnedZone utc(0);
    const char* const cases[] = {
        "",
        "   ",
        "07-Sep-2002",           // without a space the separator is a space, so the day does not read
        "2002-09-07T00:00:01Z",  // ISO 8601 is not an RFC 822 date
        "31 Feb 2002",
        "29 Feb 2001",
        "07 Foo 2002",
        "07 Sep 2002 24:00",
        "07 Sep 2002 10:60",
        "07 Sep 2002 10:00:60",
        "07 Sep 2002 -1:00",
        "07 Sep 10000",
        "Sa",
        "-",
        ",,,",
        "\xff\xfe\x00",
        "Sat, 07",
    };
    for (const char* text : cases)
        EXPECT_EQ(FeedDateToDateTime(text), 0.0) << "date text: \"" << text << '"';
}

TEST(FeedDateToDateTime, ConvertsToLocalTimeWithTheCurrentBias)
{
    struct ZoneCase {
        int Bias;
        double Expected;
    };
    const ZoneCase cases[] = {
        {0, At(Sep07_2002, 0, 0, 1)},
        {-120, At(Sep07_2002, 2, 0, 1)},    // two hours east of Greenwich
        {300, At(Sep07_2002 - 1, 19, 0, 1)}, // five hours west
        {-330, At(Sep07_2002, 5, 30, 1)},
    };
    for (const ZoneCase& c : cases) {
        const PinnedZone zone(c.Bias);
        EXPECT_NEAR(FeedDateToDateTime("Sat, 07 Sep 2002 00:00:01 GMT"), c.Expected, OneMillisecond)
            << "bias " << c.Bias << " minutes";
    }
}

TEST(ZoneOffsetToDays, ReadsNumericZonesOnly)
{
    struct ZoneCase {
        const char* Text;
        double Expected;
    };
    const ZoneCase cases[] = {
        {"+0200", 2 / 24.0},
        {"-0530", -5.5 / 24},
        {"+05:30", 5.5 / 24},
        {"-05:30", -5.5 / 24},
        {"  +0100  ", 1 / 24.0},
        {"+0200 (CEST)", 2 / 24.0},
        {"+2359", (23 * 60 + 59) / 1440.0},
        {"-0000", 0},
        {"+2400", 0},
        {"+0060", 0},
        {"GMT", 0},
        {"", 0},
        {"+02", 0},
        {"+ab00", 0},
        {"0200", 0},
        {"+-1-1", 0},
        {"+02:3", 0},
    };
    for (const ZoneCase& c : cases)
        EXPECT_NEAR(ZoneOffsetToDays(c.Text), c.Expected, 1e-12) << "zone text: \"" << c.Text << '"';
}

TEST(ParseByteSize, ReadsCountsWithSeparatorsAndUnits)
{
    struct SizeCase {
        const char* Text;
        std::uint32_t Expected;
    };
    const SizeCase cases[] = {
        {"1,234", 1234},
        {"10KB", 10240},
        {"2 GB", 2147483648u},
        {"123", 123},
        {"123b", 123},
        {"1k", 1024},
        {"3m", 3145728},
        {"1.234.567", 1234567},
        {"12 345 678", 12345678},
        {"3000000000", 3000000000u},
        {"4294967295", 4294967295u},
        {"+7", 7},
        {"\t42", 42},
        // a full stop before a unit is a decimal point
        {"1.5M", 1572864},
        {"1.5 MB", 1572864},
        {"0.25 MB", 262144},
        {".5K", 512},
        {"2.KB", 2048},
        // nothing to count
        {"", 0},
        {"B", 0},
        {"kb", 0},
        {"  ,. ", 0},
        {"abc", 0},
        {"12abc", 0},
        {"1.5X", 0},
        {"--1", 0},
        {"1-", 0},
        // a negative count has no size; a count beyond 32 bits is as large as can be said, not a wrapped one
        {"-1", 0},
        {"-2K", 0},
        {"4294967296", 4294967295u},
        {"5G", 4294967295u},
        {"99999999999999999999999", 4294967295u},
        {"4.5G", 4294967295u},
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(ParseByteSize(c.Text), c.Expected) << "size text: \"" << c.Text << '"';
}

} // namespace
} // namespace skyloom
