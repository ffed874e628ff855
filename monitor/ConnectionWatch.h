// What the user sees of the connection outside the main window: the state in the tray (a coloured mark on the
// icon and the tooltip), a notice when the state has changed for good, and the log of outages. The rules live
// here, free of windows.h: the window side hands in each state the status panel shows, with the moment it was
// shown, and carries out what comes back.
#pragma once

#include "Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace skyloom {

enum class TLinkState { lsChecking, lsOnline, lsOffline };

// A moment as the watch needs it: a steady clock for the debounce, universal time and the zone's bias in force
// then (UTC = local + bias, minutes) for the texts and the log.
struct TWatchMoment {
    std::int64_t SteadyMs = 0;
    TDateTime UTC = 0;
    int Bias = 0;
};

// A notice is due once a changed state has held this long; a shorter flap gives none.
inline constexpr std::int64_t NoticeDelayMs = 5000;

enum class TNoticeKind { nkLost, nkRestored };

struct TWatchNotice {
    TNoticeKind Kind = TNoticeKind::nkLost;
    // For nkRestored: from the start of the outage that was noticed to the moment the connection came back.
    long long OutageSeconds = 0;
};

// One outage: from the first offline state to the next online one (or to the program's end).
struct TOutage {
    TWatchMoment Start;
    TWatchMoment End;
};

// What one step of the watch asks the window side to do.
struct TWatchStep {
    bool StateChanged = false;             // the mark and the tooltip need redrawing
    std::optional<TWatchNotice> Notice;    // a balloon to show
    std::optional<TOutage> FinishedOutage; // a log line to write
};

// Follows the states the status panel shows. States repeat many times a second; only changes count.
// The first state after "checking" is no change the user needs telling about: it gives no notice.
class TConnectionWatch {
public:
    TLinkState State() const { return FState; }
    // When the current state began (for "checking": when the watch was made).
    const TWatchMoment& Since() const { return FSince; }

    // The panel shows state at moment now.
    TWatchStep Observe(TLinkState state, const TWatchMoment& now);
    // Time has passed without a new state: gives the notice that has become due, if any.
    TWatchStep Tick(const TWatchMoment& now);
    // Milliseconds from now until Tick has a notice to give; nullopt when none is pending.
    std::optional<std::int64_t> NextNoticeInMs(const TWatchMoment& now) const;
    // The program ends: an outage still running ends now.
    std::optional<TOutage> Finish(const TWatchMoment& now);

    explicit TConnectionWatch(const TWatchMoment& start) : FSince(start) {}

private:
    TLinkState FState = TLinkState::lsChecking;
    TWatchMoment FSince;
    // The last state that held for the notice delay, and when it began; "checking" until one has.
    TLinkState FSettled = TLinkState::lsChecking;
    TWatchMoment FSettledSince;
};

// The tooltip: "Skyloom – ONLINE since 14:02", "Skyloom – OFFLINE since ...", "Skyloom – Checking connection...".
// time is the start of the state as the system's short time format shows it.
std::u16string TrayHintText(TLinkState state, const std::u16string& time);

// Balloon texts: "Connection lost", "Connection restored after 3 min 12 s".
inline constexpr const char* NoticeTitle = "Skyloom";
std::string NoticeText(const TWatchNotice& notice);
// "12 s", "3 min 12 s", "3 min", "1 h 2 min 5 s", "0 s"; parts that are zero are left out.
std::string DurationText(long long seconds);

// The log line of an outage, without its line break: "start;end;seconds", both moments as ISO 8601 local time
// with their offset, seconds between them as whole seconds.
std::string OutageLogLine(const TOutage& outage);
long long OutageSeconds(const TWatchMoment& start, const TWatchMoment& end);

// A time of day in the platform's time picture ("HH:mm", "h:mm tt", "H.mm' Uhr'"): h/hh 12-hour, H/HH 24-hour,
// m/mm, s/ss, t/tt the first letter / whole AM or PM designator, text in single quotes as it stands ('' is a
// quote); other characters as they stand.
struct TTimePicture {
    std::u16string Pattern = u"HH:mm";
    std::u16string AM = u"AM";
    std::u16string PM = u"PM";
};
std::u16string FormatTimeOfDay(const TTimePicture& picture, int hour, int minute, int second);
// The local time of day of a moment in that picture.
std::u16string FormatMomentTime(const TTimePicture& picture, const TWatchMoment& moment);

// The mark's colour (0x00BBGGRR): green online, red offline, yellow while checking.
TColor MarkColor(TLinkState state);

// Paints the mark into a square picture of size x size pixels, 0xAARRGGBB each, rows from the top: a filled
// circle in the lower right corner, a little over half the picture wide, with a dark one-pixel ring, opaque.
// Pixels outside the circle keep the program's icon.
void PaintStateMark(std::vector<std::uint32_t>& pixels, int size, TLinkState state);

} // namespace skyloom
