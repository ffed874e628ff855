// Window-procedure hooks on host windows and the process-wide chain that keeps them, hidden message windows,
// registry/INI savers and the file stream of the component library.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "HiddenWindow.h"
#include "Registry.h"
#include "Streams.h"
#include "slClasses.h"

#include <memory>
#include <string>

namespace skyloom {

// Private messages of the hook machinery.
constexpr UINT SL_REHOOK = 1325;          // to the hook list's window: re-attach the hooks of the old window (lParam)
constexpr UINT SL_HOOKAPP = 14932;        // to an app-hook component's window: hook the application window
constexpr UINT SL_CAPTIONCHANGED = 14937; // to a caption watcher's window: the caption changed
constexpr UINT SL_STAYONTOP = 14946;      // to a hooked window: the stay-on-top state (wParam) changed

class TslHookList;
struct TslAppHookState;

// A component whose own window procedure sits in front of a host window's procedure, in a chain of such
// hooks kept by the process-wide TslHookList. Messages pass the most recently attached hook first, then the
// earlier ones, then the window's own procedure. Errors inside the hook go to the application's default
// error handling and never leave the window procedure.
class TslFormHookComponent : public TslComponent {
public:
    // Hooks the owner's window; raises Exception "Owner must be TWinControl or its descendant!" when the owner
    // is not a windowed control.
    explicit TslFormHookComponent(TComponent* owner);
    // Hooks host's window (host may be nullptr: not hooked until SetHost).
    TslFormHookComponent(TComponent* owner, TComponent* host);
    ~TslFormHookComponent() override;

    // Leaves the chain of the old host's window, changes the host and joins the chain of the new one.
    void SetHost(TComponent* value) override;
    TWinControl* HostControl() const;
    HWND HookedWnd() const { return FHookedWnd; }
    bool Active() const { return FActive; }
    // The procedure this hook passes messages on to, and its own entry point (nullptr while detached).
    WNDPROC PrevWndProc() const { return FPrevWndProc; }
    WNDPROC EntryPoint() const { return FEntryPoint ? FEntryPoint->Proc() : nullptr; }

    virtual HMENU HookedSystemMenu();
    // Before the previous procedure; setting handled keeps the message from it (Result stays as set here).
    virtual void BeforeMessage(TMessage& message, bool& handled);
    // After the previous procedure, unless the hook left the chain meanwhile.
    virtual void AfterMessage(TMessage& message);
    // After the hook was attached again to a re-created window; the default applies StayOnTop again.
    virtual void Rehooked();

    LONG_PTR HookedStyle() const;
    void SetHookedStyle(LONG_PTR value);
    LONG_PTR HookedExStyle() const;
    void SetHookedExStyle(LONG_PTR value);
    // Lets the platform recompute the frame (top of the z-order, no move, size or activation).
    void RefreshFrame();
    void SetZOrder(HWND insertAfter);
    bool StayOnTop() const;
    void SetStayOnTop(bool value);

protected:
    friend class TslHookList;
    void Notification(TComponent* component, TOperation operation) override;
    LRESULT HookProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    HWND FHookedWnd = nullptr;
    WNDPROC FPrevWndProc = nullptr;
    std::unique_ptr<TBoundWndProc> FEntryPoint;
    bool FActive = false;
    bool FStayOnTop = false;

private:
    void JoinChain();
    void LeaveChain();
};

// A hook component with a hidden utility window of its own.
class TslHFormHookComponent : public TslFormHookComponent {
public:
    explicit TslHFormHookComponent(TComponent* owner);
    TslHFormHookComponent(TComponent* owner, TComponent* host);
    ~TslHFormHookComponent() override;
    HWND UtilityWindow() const { return FUtilityWindow; }

protected:
    // Answers the end-of-session query with "yes" and passes other messages to the default procedure.
    virtual void UtilityWndProc(TMessage& message);

private:
    HWND FUtilityWindow = nullptr;
};

// Also hooks the application window (when its utility window receives SL_HOOKAPP, posted at construction).
class TslCustomAppHookComponent : public TslHFormHookComponent {
public:
    explicit TslCustomAppHookComponent(TComponent* owner);
    TslCustomAppHookComponent(TComponent* owner, TComponent* host);
    ~TslCustomAppHookComponent() override;
    bool AppHooked() const { return FAppState != nullptr; }
    void HookApp();
    void UnhookApp();

protected:
    void UtilityWndProc(TMessage& message) override;
    virtual void BeforeAppMessage(TMessage& message, bool& handled);
    virtual void AfterAppMessage(TMessage& message);

private:
    friend struct TslAppHookState;
    LRESULT AppHookProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    std::unique_ptr<TBoundWndProc> FAppEntry;
    std::shared_ptr<TslAppHookState> FAppState;
    HWND FAppWnd = nullptr;
};

// Notices changes of the hooked window's caption (seen when the window's text is read) and calls
// CaptionChanged through its utility window.
class TslHFormHookComponentWatchCaption : public TslCustomAppHookComponent {
public:
    explicit TslHFormHookComponentWatchCaption(TComponent* owner);
    TslHFormHookComponentWatchCaption(TComponent* owner, TComponent* host);
    const std::wstring& WatchedCaption() const { return FCaption; }
    void AfterMessage(TMessage& message) override;

protected:
    void UtilityWndProc(TMessage& message) override;
    virtual void CaptionChanged() = 0;

private:
    std::wstring FCaption;
};

// Notifications when the hooked window is shown or hidden.
class TslFormAnimationEffect : public TslFormHookComponent {
public:
    explicit TslFormAnimationEffect(TComponent* owner);
    TslFormAnimationEffect(TComponent* owner, TComponent* host);
    void BeforeMessage(TMessage& message, bool& handled) override;
    TNotifyEvent OnShowEffect;
    TNotifyEvent OnHideEffect;

protected:
    virtual void DoShowEffect() { Fire(OnShowEffect, this); }
    virtual void DoHideEffect() { Fire(OnHideEffect, this); }
};

// The chain bookkeeping: every hook component in order of attachment, and a utility window that re-attaches
// hooks after their window was re-created. Exists while at least one hook component exists.
class TslHookList : public TList {
public:
    // The list, or nullptr when no hook component exists.
    static TslHookList* Instance();
    HWND UtilityWindow() const { return FWindow; }
    void AddHook(TslFormHookComponent* hook);
    void RemoveHook(TslFormHookComponent* hook);
    // The window's own procedure, below all hooks.
    WNDPROC BaseProc(HWND wnd) const;
    void Relink(HWND wnd, WNDPROC baseProc);
    void Attach(TslFormHookComponent* hook);
    void Detach(TslFormHookComponent* hook);
    TslFormHookComponent* Hooks(int index) const { return static_cast<TslFormHookComponent*>(Items(index)); }

private:
    friend class TslFormHookComponent;
    TslHookList();
    ~TslHookList() override;
    static void Acquire();
    static void ReleaseIfEmpty();
    void WndProc(TMessage& message);
    void Rehook(HWND oldWnd);
    HWND FWindow = nullptr;
};

// A hidden window of class "TslSimpleMessageHook" (no style, size 0, owned by the application window) whose
// messages go to the owning component's MessageHandler; a message left at Result 0 gets the default handling.
class TslSimpleMessageHook : public TObject {
public:
    explicit TslSimpleMessageHook(TslComponent* owner);
    ~TslSimpleMessageHook() override;
    HWND Handle() const { return FHandle; }
    TslComponent* Owner() const { return FOwner; }
    static int LiveCount();

private:
    static THiddenWindowClass& WindowClass();
    static LRESULT CALLBACK StartProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    TslComponent* FOwner;
    HWND FHandle = nullptr;
    TBoundWndProc FProc;
};

enum TslRegLocation { rlCurrentUser, rlLocalMachine };
enum TslStorage { useRegistry, useIniFile };

// Where a component saves values: a registry key or an INI file. Save and Load do nothing when disabled or
// while the owner is being designed; errors inside the descendant's reading and writing are ignored (a saved
// value is a convenience, never a reason to stop the program). An INI storage without a file name raises
// Exception ".INI file not specified".
class TslCustomRegistrySaver : public TslAddon {
public:
    explicit TslCustomRegistrySaver(TComponent* owner);
    std::string RegKey() const { return FRegKey; }
    void SetRegKey(const std::string& value);  // leading and trailing backslashes removed
    TslRegLocation RegLocation = rlCurrentUser;
    std::string IniFileName;
    std::string IniSection;
    TslStorage Storage = useRegistry;
    bool ClearKeyBeforeSave = false;
    void Save();
    void Load();
    void Assign(const TPersistent& source) override;

protected:
    virtual void SaveToRegistry(TRegistry& registry);
    virtual void LoadFromRegistry(TRegistry& registry);
    virtual void SaveToIni(TIniFile& ini);
    virtual void LoadFromIni(TIniFile& ini);
    HKEY RootKey() const;
    // Saving and loading do nothing while disabled or at design time.
    bool Idle() const;
    // The INI file's name; raises when none is set.
    const std::string& IniFile() const;

private:
    // Save (saving) or Load.
    void Transfer(bool saving);
    std::string FRegKey = "Software\\CompanyName\\ProgramName\\Default";
};

class TslValueRegistrySaver : public TslCustomRegistrySaver {
public:
    explicit TslValueRegistrySaver(TComponent* owner) : TslCustomRegistrySaver(owner) {}
    std::string RegValue = "Default";
    void Assign(const TPersistent& source) override;
};

// The common properties of a control, kept as a sub-object of the component that owns the control (the buttons
// of a button panel): reading and writing go straight to the control. The custom class keeps them protected for
// descendants that publish a selection; TslPersistentControl publishes them all.
class TslCustomPersistentControl : public TslPersistent {
public:
    TslCustomPersistentControl(TComponent* owner, TControl* control) : TslPersistent(owner), FControl(control) {}
    TControl* Control() const { return FControl; }
    // Copies the properties of another description (not the control itself).
    void Assign(const TPersistent& source) override;

protected:
    std::string Caption() const { return FControl->Caption(); }
    void SetCaption(const std::string& value) { FControl->SetCaption(value); }
    bool Visible() const { return FControl->Visible(); }
    void SetVisible(bool value) { FControl->SetVisible(value); }
    bool Enabled() const { return FControl->Enabled(); }
    void SetEnabled(bool value) { FControl->SetEnabled(value); }
    std::string Hint() const { return FControl->Hint; }
    void SetHint(const std::string& value) { FControl->Hint = value; }
    bool ShowHint() const { return FControl->ShowHint; }
    void SetShowHint(bool value) { FControl->ShowHint = value; }
    bool ParentShowHint() const { return FControl->ParentShowHint; }
    void SetParentShowHint(bool value) { FControl->ParentShowHint = value; }
    TCursor Cursor() const { return FControl->Cursor(); }
    void SetCursor(TCursor value) { FControl->SetCursor(value); }
    TColor Color() const { return FControl->Color(); }
    void SetColor(TColor value) { FControl->SetColor(value); }
    TFont& Font() { return FControl->Font(); }
    bool ParentFont() const { return FControl->ParentFont(); }
    void SetParentFont(bool value) { FControl->SetParentFont(value); }
    TPopupMenu* PopupMenu() const { return FControl->PopupMenu(); }
    void SetPopupMenu(TPopupMenu* value) { FControl->SetPopupMenu(value); }
    std::intptr_t Tag() const { return FControl->Tag; }
    void SetTag(std::intptr_t value) { FControl->Tag = value; }

    TControl* FControl;
};

class TslPersistentControl : public TslCustomPersistentControl {
public:
    using TslCustomPersistentControl::TslCustomPersistentControl;
    using TslCustomPersistentControl::Caption;
    using TslCustomPersistentControl::SetCaption;
    using TslCustomPersistentControl::Visible;
    using TslCustomPersistentControl::SetVisible;
    using TslCustomPersistentControl::Enabled;
    using TslCustomPersistentControl::SetEnabled;
    using TslCustomPersistentControl::Hint;
    using TslCustomPersistentControl::SetHint;
    using TslCustomPersistentControl::ShowHint;
    using TslCustomPersistentControl::SetShowHint;
    using TslCustomPersistentControl::ParentShowHint;
    using TslCustomPersistentControl::SetParentShowHint;
    using TslCustomPersistentControl::Cursor;
    using TslCustomPersistentControl::SetCursor;
    using TslCustomPersistentControl::Color;
    using TslCustomPersistentControl::SetColor;
    using TslCustomPersistentControl::Font;
    using TslCustomPersistentControl::ParentFont;
    using TslCustomPersistentControl::SetParentFont;
    using TslCustomPersistentControl::PopupMenu;
    using TslCustomPersistentControl::SetPopupMenu;
    using TslCustomPersistentControl::Tag;
    using TslCustomPersistentControl::SetTag;
};

enum TslFileStreamMode { fsmOpen, fsmCreate };

// A file opened for reading and writing, shared for both. fsmOpen opens the file, creating it when missing;
// fsmCreate creates it anew. With keepAttributes a read-only or hidden file is opened by giving it the
// archive attribute for the moment of opening; its attributes are restored afterwards. Failure raises
// EFCreateError "Cannot create file %s".
class TslFileStream : public THandleStream {
public:
    TslFileStream(const std::string& fileName, bool keepAttributes, TslFileStreamMode mode);
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

} // namespace skyloom
