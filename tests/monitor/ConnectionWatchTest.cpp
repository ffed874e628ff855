#include "ConnectionWatch.h"
#include "DateUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

constexpr TLinkState On = TLinkState::lsOnline;
constexpr TLinkState Off = TLinkState::lsOffline;

// A moment t milliseconds after 2026-12-09 14:00:00 UTC in a zone one hour ahead (bias -60).
TWatchMoment At(std::int64_t ms, int bias = -60)
{
    TWatchMoment m;
    m.SteadyMs = 1000000 + ms;
    m.UTC = EncodeDate(2026, 12, 9) + EncodeTime(14, 0, 0, 0) + static_cast<double>(ms) / MSecsPerDay;
    m.Bias = bias;
    return m;
}

std::string Utf8(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Feeds a run of states the way the panel shows them (each at its moment), ticking every 100 ms in between as a
// timer would, and records every notice, state change and finished outage.
struct TRun {
    std::vector<std::string> Notices;
    std::vector<std::string> Outages;
    int Changes = 0;
};

TRun Play(const std::vector<std::pair<std::int64_t, TLinkState>>& states, std::int64_t until)
{
    TConnectionWatch watch(At(0));
    TRun run;
    auto take = [&run](const TWatchStep& step) {
        run.Changes += step.StateChanged ? 1 : 0;
        if (step.Notice)
            run.Notices.push_back(NoticeText(*step.Notice));
        if (step.FinishedOutage)
            run.Outages.push_back(OutageLogLine(*step.FinishedOutage));
    };
    std::size_t next = 0;
    for (std::int64_t t = 0; t <= until; t += 100) {
        while (next < states.size() && states[next].first <= t) {
            take(watch.Observe(states[next].second, At(states[next].first)));
            ++next;
        }
        // The panel repeats its state on every pass; repeats are no changes.
        if (next > 0)
            take(watch.Observe(states[next - 1].second, At(t)));
        take(watch.Tick(At(t)));
    }
    if (auto last = watch.Finish(At(until)))
        run.Outages.push_back(OutageLogLine(*last) + " (at exit)");
    return run;
}

TEST(ConnectionWatch, OneNoticePerChangeThatLastedFiveSeconds)
{
    using V = std::vector<std::string>;
    const struct {
        const char* What;
        std::vector<std::pair<std::int64_t, TLinkState>> States;
        std::int64_t Until;
        V Notices;
        int Changes;
    } cases[] = {
        {"the first state after checking is no change", {{200, On}}, 20000, {}, 1},
        {"starting offline is no loss either", {{200, Off}}, 20000, {}, 1},
        {"a loss that lasts", {{200, On}, {10000, Off}}, 20000, {"Connection lost"}, 2},
        {"a loss of 4.9 s gives nothing", {{200, On}, {10000, Off}, {14900, On}}, 30000, {}, 3},
        {"a 1 s flap gives nothing", {{200, On}, {10000, Off}, {11000, On}}, 30000, {}, 3},
        {"lost and restored", {{200, On}, {10000, Off}, {202000, On}}, 220000,
         {"Connection lost", "Connection restored after 3 min 12 s"}, 3},
        {"a short return inside an outage neither restores nor loses again",
         {{200, On}, {10000, Off}, {20000, On}, {21000, Off}, {40000, On}}, 60000,
         {"Connection lost", "Connection restored after 30 s"}, 5},
        {"flapping every second: no storm", {{200, On}, {10000, Off}, {11000, On}, {12000, Off}, {13000, On},
                                              {14000, Off}, {15000, On}, {16000, Off}, {17000, On}}, 40000, {}, 9},
        {"a restoration shorter than 5 s is not announced", {{200, On}, {10000, Off}, {20000, On}, {23000, Off}},
         40000, {"Connection lost"}, 4},
        {"started offline, then online for good", {{200, Off}, {60200, On}}, 80000,
         {"Connection restored after 1 min"}, 2},
        {"two outages", {{200, On}, {10000, Off}, {20000, On}, {30000, Off}, {40000, On}}, 50000,
         {"Connection lost", "Connection restored after 10 s", "Connection lost", "Connection restored after 10 s"}, 5},
    };
    for (const auto& c : cases) {
        const TRun run = Play(c.States, c.Until);
        EXPECT_EQ(run.Notices, c.Notices) << c.What;
        EXPECT_EQ(run.Changes, c.Changes) << c.What << ": state changes";
    }
}

TEST(ConnectionWatch, EveryOutageIsLoggedAndOneRunningAtExitEndsThere)
{
    using V = std::vector<std::string>;
    const struct {
        const char* What;
        std::vector<std::pair<std::int64_t, TLinkState>> States;
        std::int64_t Until;
        V Outages;
    } cases[] = {
        {"online throughout", {{200, On}}, 20000, {}},
        {"one outage", {{200, On}, {10000, Off}, {202000, On}}, 220000,
         {"2026-12-09T15:00:10+01:00;2026-12-09T15:03:22+01:00;192"}},
        {"a 1 s flap is an outage too", {{200, On}, {10000, Off}, {11000, On}}, 20000,
         {"2026-12-09T15:00:10+01:00;2026-12-09T15:00:11+01:00;1"}},
        {"running at exit", {{200, On}, {10000, Off}}, 70000,
         {"2026-12-09T15:00:10+01:00;2026-12-09T15:01:10+01:00;60 (at exit)"}},
        {"offline from the start", {{300, Off}, {5300, On}}, 6000,
         {"2026-12-09T15:00:00+01:00;2026-12-09T15:00:05+01:00;5"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Play(c.States, c.Until).Outages, c.Outages) << c.What;
}

TEST(ConnectionWatch, NoticeFallsDueFiveSecondsAfterTheChange)
{
    TConnectionWatch watch(At(0));
    EXPECT_FALSE(watch.NextNoticeInMs(At(0))) << "nothing pending while checking";
    watch.Observe(On, At(100));
    EXPECT_EQ(watch.NextNoticeInMs(At(100)), 5000);
    EXPECT_FALSE(watch.Tick(At(5099)).Notice);
    EXPECT_FALSE(watch.Tick(At(5100)).Notice) << "settling on the first state gives no notice";
    EXPECT_FALSE(watch.NextNoticeInMs(At(5100))) << "settled: nothing pending";
    watch.Observe(Off, At(8000));
    EXPECT_EQ(watch.NextNoticeInMs(At(9000)), 4000);
    EXPECT_EQ(watch.NextNoticeInMs(At(20000)), 0) << "overdue counts as due now";
    const TWatchStep step = watch.Tick(At(20000));
    ASSERT_TRUE(step.Notice);
    EXPECT_EQ(step.Notice->Kind, TNoticeKind::nkLost);
    EXPECT_FALSE(watch.Tick(At(30000)).Notice) << "a notice is given once";
    EXPECT_EQ(watch.State(), Off);
    EXPECT_EQ(watch.Since().SteadyMs, At(8000).SteadyMs);
}

TEST(ConnectionWatch, OutageAcrossMidnightAndAZoneChange)
{
    // 23:58:30 to 00:01:10 local in a zone two hours behind UTC.
    TOutage night{At(0, 120), At(160000, 120)};
    night.Start.UTC = EncodeDate(2026, 12, 10) + EncodeTime(1, 58, 30, 0);
    night.End.UTC = EncodeDate(2026, 12, 10) + EncodeTime(2, 1, 10, 0);
    EXPECT_EQ(OutageLogLine(night), "2026-12-09T23:58:30-02:00;2026-12-10T00:01:10-02:00;160");

    // Daylight saving ends during the outage: each end carries the offset in force then; the seconds are real.
    TOutage fall{At(0, -120), At(0, -60)};
    fall.Start.UTC = EncodeDate(2026, 10, 25) + EncodeTime(0, 50, 0, 0);
    fall.End.UTC = EncodeDate(2026, 10, 25) + EncodeTime(1, 10, 0, 0);
    EXPECT_EQ(OutageLogLine(fall), "2026-10-25T02:50:00+02:00;2026-10-25T02:10:00+01:00;1200");

    // A clock set back meanwhile never gives a negative length.
    TOutage back{At(5000), At(1000)};
    EXPECT_EQ(OutageSeconds(back.Start, back.End), 0);
}

TEST(ConnectionWatch, DurationTexts)
{
    const struct {
        long long Seconds;
        const char* Text;
    } cases[] = {
        {0, "0 s"},         {1, "1 s"},          {59, "59 s"},         {60, "1 min"},
        {192, "3 min 12 s"}, {3599, "59 min 59 s"}, {3600, "1 h"},    {3605, "1 h 5 s"},
        {3725, "1 h 2 min 5 s"}, {90000, "25 h"}, {-5, "0 s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DurationText(c.Seconds), c.Text) << c.Seconds << " s";
}

TEST(ConnectionWatch, HintTexts)
{
    EXPECT_EQ(Utf8(TrayHintText(On, u"14:02")), "Skyloom \xE2\x80\x93 ONLINE since 14:02");
    EXPECT_EQ(Utf8(TrayHintText(Off, u"2:02 PM")), "Skyloom \xE2\x80\x93 OFFLINE since 2:02 PM");
    EXPECT_EQ(Utf8(TrayHintText(TLinkState::lsChecking, u"14:02")), "Skyloom \xE2\x80\x93 Checking connection...");
    EXPECT_LE(TrayHintText(Off, u"12:00:00 AM").size(), 127u) << "fits the tray's tooltip";
}

TEST(ConnectionWatch, TimeOfDayInTheSystemsPicture)
{
    const struct {
        const char16_t* Pattern;
        int H, M, S;
        const char* Text;
    } cases[] = {
        {u"HH:mm", 14, 2, 9, "14:02"},
        {u"HH:mm", 0, 0, 0, "00:00"},
        {u"H:mm", 7, 5, 0, "7:05"},
        {u"h:mm tt", 14, 2, 0, "2:02 PM"},
        {u"h:mm tt", 0, 30, 0, "12:30 AM"},
        {u"hh:mm t", 12, 0, 0, "12:00 P"},
        {u"hh:mm:ss tt", 9, 8, 7, "09:08:07 AM"},
        {u"H.mm' Uhr'", 9, 41, 0, "9.41 Uhr"},
        {u"HH'h'mm", 23, 59, 0, "23h59"},
        {u"H:mm 'o''clock'", 5, 1, 0, "5:01 o'clock"},
        {u"''HH", 5, 1, 0, "'05"},
        {u"HH:mm 'open", 5, 1, 0, "05:01 open"},
    };
    for (const auto& c : cases) {
        TTimePicture picture;
        picture.Pattern = c.Pattern;
        EXPECT_EQ(Utf8(FormatTimeOfDay(picture, c.H, c.M, c.S)), c.Text) << Utf8(c.Pattern);
    }
    TTimePicture german{u"HH:mm", u"", u""};
    EXPECT_EQ(Utf8(FormatTimeOfDay(german, 14, 2, 0)), "14:02");
    TTimePicture emptyDesignator{u"h:mm t", u"", u""};
    EXPECT_EQ(Utf8(FormatTimeOfDay(emptyDesignator, 14, 2, 0)), "2:02 ") << "an empty designator gives nothing";
    // A moment shown in local time: 14:00:00 UTC one hour ahead.
    EXPECT_EQ(Utf8(FormatMomentTime(TTimePicture{}, At(62000))), "15:01");
    EXPECT_EQ(Utf8(FormatMomentTime(TTimePicture{}, At(0, 900))), "23:00") << "the day before, 15 hours behind";
}

TEST(ConnectionWatch, MarkSitsInTheLowerRightCornerInTheStatesColour)
{
    const struct {
        TLinkState State;
        std::uint32_t Fill;
    } colours[] = {{On, 0xFF008000u}, {Off, 0xFFFF0000u}, {TLinkState::lsChecking, 0xFFFFFF00u}};
    for (int size : {16, 20, 24, 32, 48}) {
        for (const auto& c : colours) {
            const std::uint32_t icon = 0x80123456u;
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size), icon);
            PaintStateMark(pixels, size, c.State);
            auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * size + x)]; };
            int filled = 0;
            for (std::uint32_t p : pixels)
                filled += p == c.Fill ? 1 : 0;
            // Roughly a quarter to a third of the icon shows the colour; the upper left keeps the icon.
            EXPECT_GE(filled, size * size / 10) << size << " px";
            EXPECT_LE(filled, size * size / 3) << size << " px";
            const int d = std::max(5, (size * 9 + 8) / 16);
            const int mid = size - d / 2 - 1;
            EXPECT_EQ(at(mid, mid), c.Fill) << size << " px: the mark's middle";
            EXPECT_EQ(at(0, 0), icon) << size << " px";
            EXPECT_EQ(at(size - d - 1, size - 1), icon) << size << " px: left of the mark";
            EXPECT_EQ(at(size - d / 2 - 1, size - 1), 0xFF303030u) << size << " px: the ring at the bottom";
            EXPECT_EQ(at(size - 1, size - 1), icon) << size << " px: the corner outside the circle";
        }
    }
    std::vector<std::uint32_t> none;
    PaintStateMark(none, 0, On);
    EXPECT_TRUE(none.empty());
}

} // namespace
} // namespace skyloom
