#include "SimpleTimer.h"
#include "TimePassing.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace skyloom {
namespace {

using testing::LetTimePass;

TEST(SimpleTimer, SharedWindowLivesAsLongAsTheLastTimer)
{
    ASSERT_EQ(TSimpleTimerHandler::RefCount(), 0) << "no timer exists before the test";
    {
        TSimpleTimer a;
        EXPECT_EQ(TSimpleTimerHandler::RefCount(), 1);
        {
            TSimpleTimer b;
            EXPECT_EQ(TSimpleTimerHandler::RefCount(), 2);
#ifdef _WIN32
            EXPECT_NE(TSimpleTimerHandler::Handle(), nullptr) << "the hidden timer window exists";
#endif
        }
        EXPECT_EQ(TSimpleTimerHandler::RefCount(), 1) << "one timer left keeps the window";
    }
    EXPECT_EQ(TSimpleTimerHandler::RefCount(), 0);
    EXPECT_EQ(TSimpleTimerHandler::Handle(), nullptr) << "the window goes with the last timer";
}

TEST(SimpleTimer, FiresRepeatedlyUntilStopped)
{
    int ticks = 0;
    TSimpleTimer timer(nullptr, [&](TSimpleTimer& t) {
        if (++ticks == 3)
            t.Stop();
    });
    EXPECT_FALSE(timer.Running());
    ASSERT_TRUE(timer.Start(20));
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Interval(), 20u);
    LetTimePass(400);
    EXPECT_EQ(ticks, 3) << "the callback stopped the timer on its third tick";
    EXPECT_FALSE(timer.Running());
}

TEST(SimpleTimer, StoppedTimerNeverFires)
{
    int ticks = 0;
    TSimpleTimer timer(nullptr, [&](TSimpleTimer&) { ++ticks; });
    timer.Start(10);
    timer.Stop();
    LetTimePass(100);
    EXPECT_EQ(ticks, 0);
}

TEST(SimpleTimer, IndependentTimersKeepTheirOwnIntervals)
{
    int fast = 0, slow = 0;
    TSimpleTimer a(nullptr, [&](TSimpleTimer& t) {
        if (++fast == 2)
            t.Stop();
    });
    TSimpleTimer b(nullptr, [&](TSimpleTimer& t) {
        ++slow;
        t.Stop();
    });
    a.Start(10);
    b.Start(150);
    LetTimePass(60);
    EXPECT_EQ(fast, 2);
    EXPECT_EQ(slow, 0) << "the slow timer is not due yet";
    LetTimePass(300);
    EXPECT_EQ(slow, 1);
}

TEST(SimpleTimer, ErrorInCallbackIsSwallowedAndTimerKeepsRunning)
{
    int ticks = 0;
    TSimpleTimer timer(nullptr, [&](TSimpleTimer& t) {
        if (++ticks == 2)
            t.Stop();
        throw std::runtime_error("tick failed");
    });
    timer.Start(10);
    EXPECT_NO_THROW(LetTimePass(200));
    EXPECT_EQ(ticks, 2) << "the first error did not stop the timer";
}

TEST(SimpleTimer, DestroyingATimerFromAnotherTimersCallbackIsSafe)
{
    auto victim = std::make_unique<TSimpleTimer>(nullptr, [](TSimpleTimer&) { FAIL() << "destroyed timer fired"; });
    int ticks = 0;
    TSimpleTimer killer(nullptr, [&](TSimpleTimer& t) {
        ++ticks;
        victim.reset();
        t.Stop();
    });
    victim->Start(60);
    killer.Start(10);
    LetTimePass(200);
    EXPECT_EQ(ticks, 1);
}

TEST(SimpleTimer, OwnerIsKept)
{
    int owner = 0;
    TSimpleTimer timer(&owner);
    EXPECT_EQ(timer.Owner(), &owner);
}

} // namespace
} // namespace skyloom
