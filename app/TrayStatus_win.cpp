#include <windows.h>

#include "TrayStatus.h"

#include "Controls.h"
#include "DateUtils.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ThreadStack.h"
#include "TrayIcon.h"
#include "WinHandles.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#ifndef LOCALE_SSHORTTIME
#define LOCALE_SSHORTTIME 0x00000079
#endif

namespace skyloom {

namespace {

// How long the program's end waits for the last outage line to reach the log.
constexpr unsigned ExitLogWaitMs = 1000;

std::u16string LocaleText(LCTYPE type)
{
    wchar_t buf[128] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, static_cast<int>(std::size(buf)));
    if (n <= 1)
        return std::u16string();
    return std::u16string(buf, buf + n - 1);
}

// The user's short time format (hours and minutes) with its designators. Systems older than Windows 7 have no
// short format of their own; their long one (with seconds) stands in.
TTimePicture SystemTimePicture()
{
    TTimePicture picture;
    std::u16string pattern = LocaleText(LOCALE_SSHORTTIME);
    if (pattern.empty())
        pattern = LocaleText(LOCALE_STIMEFORMAT);
    if (!pattern.empty())
        picture.Pattern = pattern;
    picture.AM = LocaleText(LOCALE_S1159);
    picture.PM = LocaleText(LOCALE_S2359);
    return picture;
}

// The icon's pixels at size x size as 0xAARRGGBB, rows from the top. An icon without an alpha channel gets its
// transparency from its mask.
bool IconPixels(HICON icon, int size, std::vector<std::uint32_t>& pixels)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    TOwnedGdi<HBITMAP> color(info.hbmColor);
    TOwnedGdi<HBITMAP> mask(info.hbmMask);
    if (!color)
        return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0);
    TOwnedMemDC dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.Get(), color.Get(), 0, static_cast<UINT>(size), pixels.data(), &bi, DIB_RGB_COLORS) == 0)
        return false;
    const bool hasAlpha = std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
    if (hasAlpha || !mask)
        return true;
    std::vector<std::uint32_t> maskPixels(pixels.size(), 0);
    if (GetDIBits(dc.Get(), mask.Get(), 0, static_cast<UINT>(size), maskPixels.data(), &bi, DIB_RGB_COLORS) == 0)
        return false;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (maskPixels[i] & 0xFFFFFF) != 0 ? 0 : (pixels[i] | 0xFF000000u);
    return true;
}

// The program's icon at the small-icon size with the state's mark in its corner.
TOwnedIcon MarkedIcon(TLinkState state, int size)
{
    TOwnedIcon base(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, size, size, 0)));
    std::vector<std::uint32_t> pixels;
    if (!base || !IconPixels(base.Get(), size, pixels))
        pixels.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0);
    PaintStateMark(pixels, size, state);

    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    TWindowDC screen(nullptr);
    TOwnedGdi<HBITMAP> color(CreateDIBSection(screen.Get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                              &bits, nullptr, 0));
    if (!color || !bits)
        return TOwnedIcon();
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    // The mask marks the transparent pixels, for shells that draw without the alpha channel.
    const int stride = (size + 15) / 16 * 2;
    std::vector<std::uint8_t> maskBits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size), 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) < 128)
                maskBits[static_cast<std::size_t>(y * stride + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    TOwnedGdi<HBITMAP> mask(CreateBitmap(size, size, 1, 1, maskBits.data()));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.Get();
    info.hbmMask = mask.Get();
    return TOwnedIcon(CreateIconIndirect(&info));
}

std::wstring Wide(const std::u16string& s)
{
    return std::wstring(s.begin(), s.end());
}

} // namespace

struct TTrayStatus::TBalloons {
    std::mutex Lock;
    std::vector<std::string> Shown;
};

TTrayStatus::TTrayStatus(TComponent& owner, TTrayIcon& tray, TTrayStatusSettings settings)
    : FTray(tray), FSettings(std::move(settings)), FTimePicture(SystemTimePicture()), FWatch(Now()),
      FBalloons(std::make_shared<TBalloons>())
{
    if (!FSettings.OutageLogPath.empty())
        FLog = std::make_unique<TOutageLog>(FSettings.OutageLogPath);
    FTimer = NewComponent<TTimer>(&owner, "TrayStatusTimer");
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](TObject*) { TimerFired(); });
    if (FSettings.ShowState)
        ShowState();
}

TTrayStatus::~TTrayStatus()
{
    delete FTimer;
    if (std::optional<TOutage> running = FWatch.Finish(Now()))
        WriteOutage(*running);
    if (FLog)
        FLog->WaitWritten(ExitLogWaitMs);
}

TWatchMoment TTrayStatus::Now() const
{
    TWatchMoment m;
    m.SteadyMs = static_cast<std::int64_t>(GetTickCount64());
    m.UTC = NowUTC();
    m.Bias = LocalTimeBias();
    return m;
}

void TTrayStatus::StatusShown(bool online)
{
    Apply(FWatch.Observe(online ? TLinkState::lsOnline : TLinkState::lsOffline, Now()));
}

void TTrayStatus::TimerFired()
{
    FTimer->SetEnabled(false);
    Apply(FWatch.Tick(Now()));
}

void TTrayStatus::Apply(const TWatchStep& step)
{
    if (step.FinishedOutage)
        WriteOutage(*step.FinishedOutage);
    if (step.StateChanged && FSettings.ShowState)
        ShowState();
    if (step.Notice && FSettings.Notify && TTrayIcon::BalloonsSupported()) {
        const std::string text = NoticeText(*step.Notice);
        // Not waited for: the shell can take seconds to answer, and this runs in the status loop's hand-over.
        const std::shared_ptr<TBalloons> balloons = FBalloons;
        FTray.PostBalloonHint(NoticeTitle, text, step.Notice->Kind == TNoticeKind::nkLost ? bitWarning : bitInfo, 10,
                              [balloons, shown = std::string(NoticeTitle) + "|" + text](bool accepted) {
                                  if (!accepted)
                                      return;
                                  std::lock_guard<std::mutex> lock(balloons->Lock);
                                  balloons->Shown.push_back(shown);
                              });
    }
    if (FSettings.Notify)
        Schedule();
}

void TTrayStatus::Schedule()
{
    const std::optional<std::int64_t> due = FWatch.NextNoticeInMs(Now());
    if (!due) {
        FTimer->SetEnabled(false);
        return;
    }
    // A little after the moment, so that the tick finds the notice due rather than a millisecond early.
    FTimer->SetEnabled(false);
    FTimer->SetInterval(static_cast<unsigned>(*due) + 50);
    FTimer->SetEnabled(true);
}

void TTrayStatus::ShowState()
{
    const TLinkState state = FWatch.State();
    const int size = GetSystemMetrics(SM_CXSMICON) > 0 ? GetSystemMetrics(SM_CXSMICON) : 16;
    if (TOwnedIcon icon = MarkedIcon(state, size)) {
        // The tray icon keeps a copy of its own.
        FTray.SetIcon(icon.Get());
        FMarkShown = state;
        FMarkSize = size;
    }
    FTray.SetHint(WideToAnsi(Wide(TrayHintText(state, FormatMomentTime(FTimePicture, FWatch.Since())))));
}

std::vector<std::string> TTrayStatus::Balloons() const
{
    std::lock_guard<std::mutex> lock(FBalloons->Lock);
    return FBalloons->Shown;
}

void TTrayStatus::WriteOutage(const TOutage& outage)
{
    if (FLog)
        FLog->Append(OutageLogLine(outage) + "\r\n");
}

struct TOutageLog::TShared {
    std::string Path;
    std::mutex Lock;
    std::condition_variable Written;
    std::deque<std::string> Pending;
    bool Writing = false;
    TOutageLogState State = TOutageLogState::olIdle;
    int Lines = 0;
    int Failures = 0;

    // Appends one line. Opened for each line and closed again: the file is only ever appended to, another program
    // may read, move or delete it between outages, and nothing is lost if the program is killed.
    bool Write(const std::string& line) const
    {
        TOwnedHandle file(CreateFileA(Path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return file && WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
               written == line.size() && FlushFileBuffers(file.Get());
    }

    // Writes what is pending, one line after the other, until nothing is left.
    void WritePending()
    {
        std::unique_lock<std::mutex> lock(Lock);
        while (!Pending.empty()) {
            const std::string line = std::move(Pending.front());
            Pending.pop_front();
            lock.unlock();
            const bool ok = Write(line);
            lock.lock();
            // A log that cannot be written is not worth a message box over a connection monitor's tray icon: the
            // line is dropped and the next outage tries again.
            if (ok) {
                ++Lines;
                State = TOutageLogState::olWritten;
            } else {
                ++Failures;
                State = TOutageLogState::olUnwritable;
            }
        }
        Writing = false;
        Written.notify_all();
    }
};

TOutageLog::TOutageLog(std::string path) : FShared(std::make_shared<TShared>())
{
    FShared->Path = std::move(path);
}

void TOutageLog::Append(std::string line)
{
    {
        std::lock_guard<std::mutex> lock(FShared->Lock);
        FShared->Pending.push_back(std::move(line));
        if (FShared->Writing)
            return;
        FShared->Writing = true;
    }
    const std::shared_ptr<TShared> shared = FShared;
    // With no thread to spare the line is written from here.
    if (!StartDetachedThread([shared] { shared->WritePending(); }))
        shared->WritePending();
}

bool TOutageLog::WaitWritten(unsigned ms)
{
    std::unique_lock<std::mutex> lock(FShared->Lock);
    return FShared->Written.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !FShared->Writing; });
}

TOutageLogState TOutageLog::State() const
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    return FShared->State;
}

int TOutageLog::Lines() const
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    return FShared->Lines;
}

int TOutageLog::Failures() const
{
    std::lock_guard<std::mutex> lock(FShared->Lock);
    return FShared->Failures;
}

} // namespace skyloom
