// The timer on a real window system.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include "TestForms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using namespace skyloom::testing;

TEST(Timer, FiresWhileEnabledAndStopsWhenDisabled)
{
    auto* owner = new TComponent(nullptr);
    auto* timer = new TTimer(owner);
    int ticks = 0;
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_TRUE(timer->Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000));
    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Running());
    int now = ticks;
    PumpFor(100);
    EXPECT_EQ(ticks, now);
    timer->SetInterval(0);
    timer->SetEnabled(true);
    EXPECT_FALSE(timer->Running()) << "no interval, no timer";
    delete owner;
}
