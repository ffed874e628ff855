#include "ConnectionWatch.h"

#include "DateUtils.h"

#include <algorithm>

namespace skyloom {

TWatchStep TConnectionWatch::Observe(TLinkState state, const TWatchMoment& now)
{
    if (state == FState)
        return Tick(now);
    TWatchStep step;
    step.StateChanged = true;
    if (FState == TLinkState::lsOffline)
        step.FinishedOutage = TOutage{FSince, now};
    FState = state;
    FSince = now;
    TWatchStep due = Tick(now);
    step.Notice = due.Notice;
    return step;
}

std::optional<std::int64_t> TConnectionWatch::NextNoticeInMs(const TWatchMoment& now) const
{
    if (FState == FSettled || FState == TLinkState::lsChecking)
        return std::nullopt;
    return std::max<std::int64_t>(0, NoticeDelayMs - (now.SteadyMs - FSince.SteadyMs));
}

TWatchStep TConnectionWatch::Tick(const TWatchMoment& now)
{
    TWatchStep step;
    const std::optional<std::int64_t> due = NextNoticeInMs(now);
    if (!due || *due > 0)
        return step;
    const TLinkState previous = FSettled;
    const TWatchMoment previousSince = FSettledSince;
    FSettled = FState;
    FSettledSince = FSince;
    if (previous == TLinkState::lsChecking)
        return step;
    TWatchNotice notice;
    if (FState == TLinkState::lsOffline) {
        notice.Kind = TNoticeKind::nkLost;
    } else {
        notice.Kind = TNoticeKind::nkRestored;
        // On the steady clock: a clock set back or forward during the outage must not change its length.
        notice.OutageSeconds = std::max<std::int64_t>(0, FSince.SteadyMs - previousSince.SteadyMs) / 1000;
    }
    step.Notice = notice;
    return step;
}

std::optional<TOutage> TConnectionWatch::Finish(const TWatchMoment& now)
{
    if (FState != TLinkState::lsOffline)
        return std::nullopt;
    TOutage outage{FSince, now};
    FState = TLinkState::lsChecking;
    FSince = now;
    return outage;
}

std::u16string TrayHintText(TLinkState state, const std::u16string& time)
{
    switch (state) {
    case TLinkState::lsOnline: return u"Skyloom \u2013 ONLINE since " + time;
    case TLinkState::lsOffline: return u"Skyloom \u2013 OFFLINE since " + time;
    default: return u"Skyloom \u2013 Checking connection...";
    }
}

std::string DurationText(long long seconds)
{
    seconds = std::max(0LL, seconds);
    const long long parts[] = {seconds / 3600, seconds % 3600 / 60, seconds % 60};
    const char* units[] = {" h", " min", " s"};
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (parts[i] == 0)
            continue;
        if (!out.empty())
            out += ' ';
        out += std::to_string(parts[i]) + units[i];
    }
    return out.empty() ? "0 s" : out;
}

std::string NoticeText(const TWatchNotice& notice)
{
    if (notice.Kind == TNoticeKind::nkLost)
        return "Connection lost";
    return "Connection restored after " + DurationText(notice.OutageSeconds);
}

long long OutageSeconds(const TWatchMoment& start, const TWatchMoment& end)
{
    // The same whole seconds the log line shows, so that its three fields agree; a clock set back gives 0.
    return std::max(0LL, DateTimeToUnixFloor(end.UTC) - DateTimeToUnixFloor(start.UTC));
}

std::string OutageLogLine(const TOutage& outage)
{
    return FormatISO8601Local(outage.Start.UTC, outage.Start.Bias) + ";" +
           FormatISO8601Local(outage.End.UTC, outage.End.Bias) + ";" +
           std::to_string(OutageSeconds(outage.Start, outage.End));
}

namespace {

void AppendNumber(std::u16string& out, int value, bool twoDigits)
{
    if (twoDigits && value < 10)
        out += u'0';
    for (char c : std::to_string(value))
        out += static_cast<char16_t>(c);
}

} // namespace

std::u16string FormatTimeOfDay(const TTimePicture& picture, int hour, int minute, int second)
{
    const std::u16string& p = picture.Pattern;
    const std::u16string& designator = hour < 12 ? picture.AM : picture.PM;
    std::u16string out;
    std::size_t i = 0;
    while (i < p.size()) {
        const char16_t c = p[i];
        if (c == u'\'') {
            // Quoted text; a doubled quote stands for one quote, inside or outside.
            if (i + 1 < p.size() && p[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            ++i;
            while (i < p.size()) {
                if (p[i] == u'\'') {
                    if (i + 1 < p.size() && p[i + 1] == u'\'') {
                        out += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += p[i++];
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < p.size() && p[i + run] == c)
            ++run;
        const bool two = run >= 2;
        switch (c) {
        case u'h': AppendNumber(out, hour % 12 == 0 ? 12 : hour % 12, two); break;
        case u'H': AppendNumber(out, hour, two); break;
        case u'm': AppendNumber(out, minute, two); break;
        case u's': AppendNumber(out, second, two); break;
        case u't':
            if (two)
                out += designator;
            else if (!designator.empty())
                out += designator[0];
            break;
        default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

std::u16string FormatMomentTime(const TTimePicture& picture, const TWatchMoment& moment)
{
    const long long local = DateTimeToUnixFloor(moment.UTC) - static_cast<long long>(moment.Bias) * 60;
    const long long ofDay = ((local % 86400) + 86400) % 86400;
    return FormatTimeOfDay(picture, static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                           static_cast<int>(ofDay % 60));
}

TColor MarkColor(TLinkState state)
{
    switch (state) {
    case TLinkState::lsOnline: return clGreen;
    case TLinkState::lsOffline: return clRed;
    default: return clYellow;
    }
}

void PaintStateMark(std::vector<std::uint32_t>& pixels, int size, TLinkState state)
{
    if (size <= 0)
        return;
    pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0);
    const TColor c = MarkColor(state);
    const std::uint32_t fill = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    constexpr std::uint32_t ring = 0xFF303030u;
    // A little over half the icon, at least big enough to show its colour inside the ring.
    const int diameter = std::min(size, std::max(5, (size * 9 + 8) / 16));
    const double radius = diameter / 2.0;
    const double centre = size - radius;
    for (int y = size - diameter; y < size; ++y) {
        for (int x = size - diameter; x < size; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double d2 = dx * dx + dy * dy;
            if (d2 > radius * radius)
                continue;
            const double inner = radius - 1.0;
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)] =
                d2 > inner * inner ? ring : fill;
        }
    }
}

} // namespace skyloom
