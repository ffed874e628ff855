#include "TrayMouse.h"
#include "TimePassing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

using testing::LetTimePass;

constexpr unsigned DblTime = 40;

class TRecordingSink : public ITrayMouseSink {
public:
    std::vector<std::string> Log;

    void TrayClick() override { Log.push_back("click"); }
    void TrayDblClick() override { Log.push_back("dblclick"); }
    void TrayMouseDown(TMouseButton b, TShiftState shift, TPoint at) override
    {
        Log.push_back("down " + Name(b) + Shift(shift) + At(at));
    }
    void TrayMouseUp(TMouseButton b, TShiftState shift, TPoint at) override
    {
        Log.push_back("up " + Name(b) + Shift(shift) + At(at));
    }
    void TrayMouseMove(TShiftState shift, TPoint at) override { Log.push_back("move" + Shift(shift) + At(at)); }
    void TrayMouseEnter() override { Log.push_back("enter"); }
    void TrayMouseExit() override { Log.push_back("exit"); }
    void TrayPopupMenu() override { Log.push_back("popup"); }
    void TrayDefaultCommand() override { Log.push_back("default"); }
    void TrayBalloon(TTrayMouseMessage m) override
    {
        Log.push_back(m == tmBalloonHide ? "balloon hide" : m == tmBalloonTimeout ? "balloon timeout" : "balloon click");
    }

private:
    static std::string Name(TMouseButton b) { return b == mbLeft ? "L" : b == mbRight ? "R" : "M"; }
    static std::string Shift(TShiftState s)
    {
        std::string r;
        if (s & ssShift) r += " shift";
        if (s & ssAlt) r += " alt";
        if (s & ssCtrl) r += " ctrl";
        if (s & ssLeft) r += " +L";
        if (s & ssRight) r += " +R";
        if (s & ssMiddle) r += " +M";
        return r;
    }
    static std::string At(TPoint p)
    {
        return p.X || p.Y ? " @" + std::to_string(p.X) + "," + std::to_string(p.Y) : "";
    }
};

std::string Joined(const std::vector<std::string>& v)
{
    std::string r;
    for (const auto& s : v)
        r += (r.empty() ? "" : " | ") + s;
    return r;
}

// A step of a mouse script: a message, or (msg == tmOther) a pause of `wait` ms.
struct TStep {
    TTrayMouseMessage Msg;
    unsigned Wait = 0;
};

struct TCase {
    const char* Name;
    TTrayMouseSettings Settings;
    std::vector<TStep> Steps;
    std::string Expected;
};

TTrayMouseSettings WithDbl(bool leftPopup = false)
{
    TTrayMouseSettings s;
    s.HasDblClickHandler = true;
    s.LeftPopup = leftPopup;
    s.DoubleClickTime = DblTime;
    return s;
}

TTrayMouseSettings Plain()
{
    TTrayMouseSettings s;
    s.DoubleClickTime = DblTime;
    return s;
}

TTrayMouseSettings Disabled()
{
    TTrayMouseSettings s = WithDbl();
    s.Enabled = false;
    return s;
}

TStep Pause(unsigned ms) { return {tmOther, ms}; }

TEST(TrayMouseTracker, MouseTableTurnsMessagesIntoEvents)
{
    const TCase cases[] = {
        {"single click without a double-click handler fires at once", Plain(),
         {{tmLeftDown}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | click | up L +L"},
        {"single click with a double-click handler waits for the double-click time", WithDbl(),
         {{tmLeftDown}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | up L +L | click"},
        {"double click with a handler: no click, the double click and the default command", WithDbl(),
         {{tmLeftDown}, {tmLeftUp}, {tmLeftDblClick}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | up L +L | dblclick | default | up L +L"},
        {"double click without a handler: the first click comes at once, then the default command", Plain(),
         {{tmLeftDown}, {tmLeftUp}, {tmLeftDblClick}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | click | up L +L | dblclick | default | up L +L"},
        {"double click with the menu on the left button does not run the default command", WithDbl(true),
         {{tmLeftDown}, {tmLeftUp}, {tmLeftDblClick}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | popup | up L +L | dblclick | up L +L"},
        {"the menu opens on the left button when asked", [] { auto s = Plain(); s.LeftPopup = true; return s; }(),
         {{tmLeftDown}, {tmLeftUp}},
         "down L +L | popup | click | up L +L"},
        {"right button opens the menu on press", Plain(),
         {{tmRightDown}, {tmRightUp}},
         "down R +R | popup | up R +R"},
        {"middle button only reports down and up", Plain(),
         {{tmMiddleDown}, {tmMiddleUp}},
         "down M +M | up M +M"},
        {"a release without a press is no click", WithDbl(),
         {{tmLeftUp}, Pause(4 * DblTime)},
         "up L +L"},
        {"balloon notices", Plain(),
         {{tmBalloonHide}, {tmBalloonTimeout}, {tmBalloonClick}},
         "balloon hide | balloon timeout | balloon click"},
        {"a disabled icon ignores everything", Disabled(),
         {{tmLeftDown}, {tmLeftUp}, {tmLeftDblClick}, {tmRightDown}, {tmMouseMove}, {tmBalloonClick},
          Pause(4 * DblTime)},
         ""},
        {"a release that follows the double click still counts as part of it", WithDbl(),
         {{tmLeftDown}, {tmLeftDblClick}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | dblclick | default | up L +L"},
        {"two separate clicks with a handler give two clicks", WithDbl(),
         {{tmLeftDown}, {tmLeftUp}, Pause(4 * DblTime), {tmLeftDown}, {tmLeftUp}, Pause(4 * DblTime)},
         "down L +L | up L +L | click | down L +L | up L +L | click"},
        {"a click after a double click is reported again", WithDbl(),
         {{tmLeftDown}, {tmLeftUp}, {tmLeftDblClick}, {tmLeftUp}, Pause(4 * DblTime), {tmLeftDown}, {tmLeftUp},
          Pause(4 * DblTime)},
         "down L +L | up L +L | dblclick | default | up L +L | down L +L | up L +L | click"},
    };
    for (const TCase& c : cases) {
        TRecordingSink sink;
        TTrayMouseTracker tracker(sink);
        for (const TStep& step : c.Steps) {
            if (step.Msg == tmOther)
                LetTimePass(step.Wait);
            else
                tracker.HandleMessage(step.Msg, c.Settings, 0, {});
        }
        EXPECT_EQ(Joined(sink.Log), c.Expected) << c.Name;
    }
}

TEST(TrayMouseTracker, ClickWaitsUntilTheDoubleClickTimeHasPassed)
{
    TRecordingSink sink;
    TTrayMouseTracker tracker(sink);
    tracker.HandleMessage(tmLeftDown, WithDbl(), 0, {});
    tracker.HandleMessage(tmLeftUp, WithDbl(), 0, {});
    EXPECT_TRUE(tracker.ClickPending());
    EXPECT_EQ(Joined(sink.Log), "down L +L | up L +L") << "no click before the double-click time is over";
    LetTimePass(4 * DblTime);
    EXPECT_FALSE(tracker.ClickPending()) << "the click timer runs once";
    EXPECT_EQ(Joined(sink.Log), "down L +L | up L +L | click");
}

TEST(TrayMouseTracker, ShiftKeysAndCursorAreReported)
{
    TRecordingSink sink;
    TTrayMouseTracker tracker(sink);
    // Button bits the caller may pass are replaced by the button of the message.
    tracker.HandleMessage(tmRightDown, Plain(), ssShift | ssCtrl | ssLeft, {10, 20});
    tracker.HandleMessage(tmMouseMove, Plain(), ssAlt, {11, 21});
    EXPECT_EQ(Joined(sink.Log), "down R shift ctrl +R @10,20 | popup | move alt @11,21");
}

TEST(TrayMouseTracker, EnterAndExitNeedTheirFlag)
{
    TTrayMouseSettings want = Plain();
    want.WantEnterExitEvents = true;
    {
        TRecordingSink sink;
        TTrayMouseTracker tracker(sink);
        tracker.HandleMessage(tmMouseMove, want, 0, {5, 5});
        tracker.HandleMessage(tmMouseMove, want, 0, {6, 5});
        tracker.ExitTimerTick({6, 5});
        EXPECT_TRUE(tracker.MouseInside()) << "the cursor still rests where it was last seen";
        tracker.ExitTimerTick({100, 100});
        EXPECT_FALSE(tracker.MouseInside());
        tracker.ExitTimerTick({200, 100});
        tracker.HandleMessage(tmMouseMove, want, 0, {7, 5});
        EXPECT_EQ(Joined(sink.Log), "enter | move @5,5 | move @6,5 | exit | enter | move @7,5")
            << "one enter per visit, one exit per leaving";
    }
    {
        TRecordingSink sink;
        TTrayMouseTracker tracker(sink);
        tracker.HandleMessage(tmMouseMove, Plain(), 0, {5, 5});
        tracker.ExitTimerTick({100, 100});
        EXPECT_EQ(Joined(sink.Log), "move @5,5") << "without the flag there is no enter or exit";
    }
}

TEST(TrayMouseTracker, DestroyingTheTrackerWithAPendingClickIsSilent)
{
    TRecordingSink sink;
    {
        TTrayMouseTracker tracker(sink);
        tracker.HandleMessage(tmLeftDown, WithDbl(), 0, {});
        tracker.HandleMessage(tmLeftUp, WithDbl(), 0, {});
    }
    LetTimePass(4 * DblTime);
    EXPECT_EQ(Joined(sink.Log), "down L +L | up L +L");
}

TEST(TrayTip, HintIsCutTo127CharactersAndHiddenWhenNotShown)
{
    const std::string h127(127, 'a');
    const std::string h128 = h127 + "b";
    const std::string h255(255, 'c');
    const struct {
        std::string Hint;
        bool Show;
        std::string Expected;
    } cases[] = {
        {"Skyloom", true, "Skyloom"},
        {"Skyloom", false, ""},
        {"", true, ""},
        {h127, true, h127},
        {h128, true, h127},
        {h255, true, std::string(127, 'c')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrayTipText(c.Hint, c.Show), c.Expected) << "hint of " << c.Hint.size() << " chars, shown " << c.Show;
}

TEST(TrayCycle, IndexWrapsAfterTheLastImage)
{
    const struct {
        int Index, Count, Next;
    } cases[] = {{0, 3, 1}, {1, 3, 2}, {2, 3, 0}, {0, 1, 0}, {0, 0, 0}, {5, 3, 0}, {-1, 3, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(NextCycleIndex(c.Index, c.Count), c.Next) << c.Index << " of " << c.Count;
}

} // namespace
} // namespace skyloom
