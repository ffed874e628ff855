#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "slAppStartCounterCore.h"

namespace skyloom {
namespace {

// The two values in memory; nullopt is a missing value. `writable` false models a key that cannot be written.
struct MemoryStore : TslStartCounterStore {
    std::optional<std::uint32_t> counter;
    std::optional<TDateTime> installTime;
    bool writable = true;
    int counterWrites = 0;
    int installWrites = 0;

    std::uint32_t ReadCounter() override { return counter.value_or(0); }
    TDateTime ReadInstallTime() override { return installTime.value_or(0); }
    void WriteCounter(std::uint32_t v) override
    {
        ++counterWrites;
        if (writable)
            counter = v;
    }
    void WriteInstallTime(TDateTime v) override
    {
        ++installWrites;
        if (writable)
            installTime = v;
    }
};

TEST(StartCounter, CountsStartsAndKeepsTheFirstMoment)
{
    MemoryStore store;
    const std::vector<TDateTime> moments = {45000.25, 45001.5, 45030.75};
    const std::vector<bool> firstStart = {true, false, false};
    for (std::size_t i = 0; i < moments.size(); ++i) {
        EXPECT_EQ(CountStart(store, moments[i]), firstStart[i]) << "start " << i + 1;
        EXPECT_EQ(store.counter, std::uint32_t(i + 1)) << "counter after start " << i + 1;
        EXPECT_EQ(store.installTime, moments[0]) << "install time after start " << i + 1;
    }
    EXPECT_EQ(store.installWrites, 1) << "the install time is written once";
}

TEST(StartCounter, ValuesDeletedByHand)
{
    struct Case {
        const char* name;
        std::optional<std::uint32_t> counter;
        std::optional<TDateTime> installTime;
        bool first;
        std::uint32_t counterAfter;
        TDateTime installAfter;
    };
    const TDateTime now = 46000.5;
    const Case cases[] = {
        {"both missing: first start", std::nullopt, std::nullopt, true, 1, now},
        {"install time deleted: set again, not a first start", 7, std::nullopt, false, 8, now},
        {"counter deleted: a first start again, install time kept", std::nullopt, 45000.0, true, 1, 45000.0},
        {"counter stored as 0: a first start", 0, 45000.0, true, 1, 45000.0},
        {"install time not a number: set again", 3, std::numeric_limits<double>::quiet_NaN(), false, 4, now},
        {"install time infinite: set again", 3, std::numeric_limits<double>::infinity(), false, 4, now},
    };
    for (const Case& c : cases) {
        MemoryStore store;
        store.counter = c.counter;
        store.installTime = c.installTime;
        EXPECT_EQ(CountStart(store, now), c.first) << c.name;
        EXPECT_EQ(store.counter, c.counterAfter) << c.name;
        EXPECT_EQ(store.installTime, c.installAfter) << c.name;
    }
}

TEST(StartCounter, CounterWrapsAt32Bits)
{
    MemoryStore store;
    store.counter = 0xFFFFFFFEu;
    store.installTime = 45000.0;
    EXPECT_FALSE(CountStart(store, 46000.0));
    EXPECT_EQ(store.counter, 0xFFFFFFFFu);
    EXPECT_FALSE(CountStart(store, 46000.0)) << "the start that wraps the counter is not a first start";
    EXPECT_EQ(store.counter, 0u);
    EXPECT_TRUE(CountStart(store, 46000.0)) << "after wrapping, the counter reads 0 like a new installation";
    EXPECT_EQ(store.counter, 1u);
    EXPECT_EQ(store.installTime, 45000.0) << "wrapping never touches the install time";
}

TEST(StartCounter, UnwritableStoreMakesEveryStartAFirstStart)
{
    MemoryStore store;
    store.writable = false;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(CountStart(store, 46000.0 + i)) << "start " << i + 1;
        EXPECT_FALSE(store.counter.has_value());
    }
    EXPECT_EQ(store.counterWrites, 3) << "each start tries to store its count";
}

TEST(StartCounter, LifeTimeIsDaysSinceInstallation)
{
    struct Case {
        TDateTime install;
        TDateTime now;
        TDateTime expected;
    };
    const Case cases[] = {
        {45000.25, 45001.75, 1.5},
        {45000.0, 45000.0, 0.0},
        {45000.5, 45000.75, 0.25},
        {0.0, 45000.0, 0.0},
        {std::numeric_limits<double>::quiet_NaN(), 45000.0, 0.0},
        {45010.0, 45000.0, -10.0},  // clock set back: the difference is reported as it is
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(LifeTimeSince(c.install, c.now), c.expected) << c.install << " -> " << c.now;
}

TEST(StartCounter, KeyLosesLeadingBackslashes)
{
    EXPECT_EQ(StripLeadingBackslashes("Software\\Quorvane\\Skyloom\\Default"), "Software\\Quorvane\\Skyloom\\Default");
    EXPECT_EQ(StripLeadingBackslashes("\\Software\\Quorvane"), "Software\\Quorvane");
    EXPECT_EQ(StripLeadingBackslashes("\\\\\\Software\\"), "Software\\");
    EXPECT_EQ(StripLeadingBackslashes("\\\\"), "");
    EXPECT_EQ(StripLeadingBackslashes(""), "");
}

} // namespace
} // namespace skyloom
