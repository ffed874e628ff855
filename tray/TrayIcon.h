#pragma once
// The program's icon in the notification area: tooltip, tray menu, click and double-click handling, hiding the
// main window instead of minimising it, and putting the icon back when the taskbar is recreated. Windows only.

#include "Forms.h"
#include "Menus.h"
#include "SimpleTimer.h"
#include "TrayIconHandler.h"
#include "TrayMouse.h"

#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace skyloom {

class TTrayOwnerHook;
class TShellSender;

using TCycleEvent = std::function<void(TObject* sender, int nextIndex)>;
using TStartupEvent = std::function<void(TObject* sender, bool& showMainForm)>;

enum TBalloonHintIcon { bitNone, bitInfo, bitWarning, bitError };

// The shell's notify-icon record as far as this program fills it: the size that carries the tooltip and
// balloon fields (488 bytes on 32-bit Windows).
constexpr DWORD TrayRecordSize = NOTIFYICONDATAA_V2_SIZE;

class TTrayIcon : public TComponent, public TMouseEvents, private ITrayMouseSink, private ITrayNotifyTarget {
public:
    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    bool Enabled = true;
    bool LeftPopup = false;
    bool MinimizeToTray = false;
    bool DesignPreview = false;

    TIcon& Icon() { return FIcon; }
    // Copies icon into the component's own icon and shows it in the tray.
    void SetIcon(const TIcon& icon);
    void SetIcon(HICON icon);
    // Images to cycle through (not owned); IconIndex picks one.
    const std::vector<HICON>* IconList() const { return FIconList; }
    void SetIconList(const std::vector<HICON>* list);
    int IconIndex() const { return FIconIndex; }
    void SetIconIndex(int value);

    std::string Hint() const { return FHint; }
    // Up to 255 characters are kept; at most 127 reach the tray.
    void SetHint(const std::string& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool value);

    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    bool CycleIcons() const { return FCycleIcons; }
    void SetCycleIcons(bool value);
    unsigned CycleInterval() const { return FCycleInterval; }
    void SetCycleInterval(unsigned value);
    bool WantEnterExitEvents() const { return FWantEnterExitEvents; }
    void SetWantEnterExitEvents(bool value);

    // OnClick, OnDblClick, OnMouseDown, OnMouseUp, OnMouseMove and OnMouseEnter come from TMouseEvents.
    TNotifyEvent OnMouseExit;
    TCycleEvent OnCycle;
    TStartupEvent OnStartup;
    TNotifyEvent OnBalloonHintClick;
    TNotifyEvent OnBalloonHintHide;
    TNotifyEvent OnBalloonHintTimeout;

    // Shell commands, sent in order from a worker thread; a refused command (an icon already there, or not there) is
    // ignored. A removal is waited for briefly; the others return at once.
    bool AddTrayIcon();
    bool RemoveTrayIcon();
    bool UpdateTrayIcon();
    // Shows a balloon above the icon (timeout in seconds; the shell may clamp it), waiting briefly for the shell's
    // answer: false when it refused.
    bool ShowBalloonHint(const std::string& title, const std::string& text, TBalloonHintIcon icon,
                         unsigned timeoutSeconds);
    // The same without waiting: answered (may be empty) gets the shell's answer later, called from the thread that
    // talks to the shell.
    void PostBalloonHint(const std::string& title, const std::string& text, TBalloonHintIcon icon,
                         unsigned timeoutSeconds, std::function<void(bool shown)> answered = {});

    // While held, the commands are queued in their order but not sent; releasing sends them. A program holds them
    // while its main window comes up, so that the shell's work on the icon does not compete with the first paint.
    // A command whose answer is waited for (a removal, a balloon) releases them, and so does WaitForShell; but a
    // removal before anything was ever sent drops them all, as the shell never heard of the icon (a program that
    // ends before its window came up shows no icon for a moment).
    void HoldShell();
    void ReleaseShell();
    // How many commands have reached the shell.
    int ShellCommandsSent();

    // Waits up to ms (serving messages sent to this thread) until every command so far has been answered by the
    // shell; false when the time ran out first.
    bool WaitForShell(DWORD ms = 3000);

    // Whether the shell shows balloon notices at all (Windows NT 4 and 95/98 shells do not).
    static bool BalloonsSupported();

    // Hides the main window and its taskbar button / brings both back in the foreground.
    void HideMainWindow();
    void RestoreMainWindow();

    // The record as it was last sent to the shell (for those who need to see what the shell saw).
    const NOTIFYICONDATAA& TrayRecord() const { return FRecord; }
    UINT TrayIdentifier() const { return FRecord.uID; }
    // Handles one callback message as the shell would send it (lParam: the mouse or balloon message).
    void TrayNotify(UINT msg) override;
    // The registered message that announces a new taskbar (0 when not registered).
    static UINT TaskbarCreatedMessage();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTrayOwnerHook;
    // ITrayMouseSink
    void TrayClick() override;
    void TrayDblClick() override;
    void TrayMouseDown(TMouseButton button, TShiftState shift, TPoint at) override;
    void TrayMouseUp(TMouseButton button, TShiftState shift, TPoint at) override;
    void TrayMouseMove(TShiftState shift, TPoint at) override;
    void TrayMouseEnter() override;
    void TrayMouseExit() override;
    void TrayPopupMenu() override;
    void TrayDefaultCommand() override;
    void TrayBalloon(TTrayMouseMessage which) override;

    bool SendToShell(DWORD command);
    const std::shared_ptr<TShellSender>& Shell();
    void RefreshRecord();
    void IconChanged();
    void CycleTick();
    void ApplyTimers();
    bool AppWindowMessage(TMessage& message);
    void OwnerWindowMessage(TMessage& message);
    TForm* OwnerForm() const;

    NOTIFYICONDATAA FRecord{};
    // The commands on their way to the shell; created with the first one.
    std::shared_ptr<TShellSender> FShell;
    TIcon FIcon;
    const std::vector<HICON>* FIconList = nullptr;
    int FIconIndex = 0;
    std::string FHint;
    bool FShowHint = true;
    bool FIconVisible = false;
    TPopupMenu* FPopupMenu = nullptr;
    bool FCycleIcons = false;
    unsigned FCycleInterval = 0;
    bool FWantEnterExitEvents = false;
    bool FAppHooked = false;
    bool FNT4 = false;

    TTrayMouseTracker FMouse;
    TSimpleTimer FCycleTimer;
    TSimpleTimer FExitTimer;
    TTrayOwnerHook* FOwnerHook = nullptr;
};

} // namespace skyloom
