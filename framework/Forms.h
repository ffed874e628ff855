// Forms and the application: top-level windows built from their design settings, the message loop,
// termination, and the default report of errors that escape a handler.
#pragma once

#include "Controls.h"
#include "Graphics.h"

#include <functional>
#include <string>
#include <vector>

namespace skyloom {

class TMainMenu;

// Posted to a form by Release(): the form frees itself when it arrives.
constexpr UINT CM_RELEASE = CM_BASE + 33;

enum TBorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A top-level window. A descendant builds its design in its constructor and ends with FinishLoading(), which
// runs the loaded steps (the form's, then its components' in creation order) and then OnCreate:
//
//     TForm1::TForm1(TComponent* owner) : TForm(owner) {
//         SetCaption("..."); SetClientSize(480, 426); ...
//         Panel1 = new TPanel(this); Panel1->SetParent(this); ...
//         FinishLoading();
//     }
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState();
    void SetWindowState(TWindowState value);
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);
    TIcon& Icon() { return FIcon; }
    TCanvas& Canvas() { return FCanvas; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // The form sees key presses in OnKeyDown before the focused control; a handler that sets the key to 0
    // keeps it from the control.
    bool KeyPreview = false;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;      // every time the form becomes visible
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TNotifyEvent OnResize;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TKeyEvent OnKeyDown;

    // Shows the form modally; returns its ModalResult (mrCancel when closed or when the program terminates).
    TModalResult ShowModal();
    bool Modal() const { return FModal; }
    TModalResult ModalResult = mrNone;
    // Asks OnCloseQuery; true when the form may close.
    virtual bool CloseQuery();
    // The close request: OnCloseQuery, then OnClose with caHide (caNone keeps the form); a closing main form
    // requests the termination of the application, another one hides (caFree: frees itself later).
    void Close();
    // Frees the form once the messages being handled are done.
    void Release();
    void BringToFront();

    TForm* AsForm() override { return this; }
    void SetClientSize(int width, int height) override;
    TRect ClientRect() override;
    // The platform window class of the form ("TForm" unless set before the window is created).
    std::string WindowClassName() const { return FWindowClassName; }
    void SetWindowClassName(const std::string& value) { FWindowClassName = value; }
    // The design the program's dialog boxes share: named name, in the window class "T" + name, a dialog border with
    // the system menu only, centred on the screen, in 8-point MS Sans Serif, with the client size given.
    void DesignAsDialog(const std::string& name, int clientWidth, int clientHeight);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void VisibleChanged() override;
    void AfterLoading() override;
    void PaintWindow(HDC dc) override;
    virtual void DoShow() { Fire(OnShow, this); }
    virtual void DoHide() { Fire(OnHide, this); }
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TWinControl;
    friend class TApplication;
    friend class TMainMenu;
    void ApplyPosition();
    void UpdateMenu();
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TMainMenu* FMenu = nullptr;
    TIcon FIcon;
    TCanvas FCanvas;
    TWinControl* FActiveControl = nullptr;
    bool FModal = false;
    bool FShowingNow = false;
    bool FPositioned = false;
    int FClientWidth = 0;
    int FClientHeight = 0;
    std::string FWindowClassName;
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;
// Sees every message of the application window first; answering true stops it there.
using TWindowHook = std::function<bool(TMessage& message)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();
    std::string Title() const { return FTitle; }
    void SetTitle(const std::string& value);
    // The hidden application window: owner of every form, carrier of the taskbar button.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    HINSTANCE Instance() const;
    // The program's own file, in the system's code page (its short form when the long one does not fit there);
    // empty when it cannot be named so.
    std::string ExeName() const;
    TIcon& Icon() { return FIcon; }

    // Creates a form owned by the application; the first form created becomes the main form (after its
    // constructor, including its loaded steps and OnCreate, has finished).
    template <typename T>
    void CreateForm(T*& reference)
    {
        reference = new T(this);
        if (!FMainForm)
            FMainForm = reference;
    }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }
    bool ShowMainForm = true;

    // The message loop: shows the main form (unless ShowMainForm is false or termination was already
    // requested) and handles messages until the termination request is taken up.
    void Run();
    // Handles every pending message and returns.
    void ProcessMessages();
    // Waits for one message and handles it.
    void HandleMessage();
    // Requests termination; it takes effect when a message loop picks the request up.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Termination was requested, whether or not a message loop has taken the request up yet.
    bool TerminateRequested() const { return FTerminateRequested; }
    // Clears a taken-up termination so that another Run can start (tests run several loops in one process).
    void ResetTerminated();

    // Call inside a catch block: reports the exception being handled through OnException, or by default
    // with a message box showing its text. Never throws.
    void HandleException(TObject* sender) noexcept;
    void ShowException(const std::exception& error);
    TExceptionEvent OnException;
    TNotifyEvent OnIdle;

    // Tooltips: the short part of a control's hint shows after HintPause ms over a control whose hints are on,
    // for HintHidePause ms. Switching ShowHint off hides a showing one.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    unsigned HintPause = 500;
    unsigned HintHidePause = 2500;
    // The tooltip window while one is shown, else nullptr.
    HWND HintWindow() const { return FHintWnd; }
    // The control whose tooltip is pending or showing.
    TControl* HintControl() const { return FHintControl; }
    void CancelHint();
    void CancelHintFor(TControl* control);
    // Shows the tooltip of control now (when it has one and hints are on); for the pointer's position.
    void ActivateHint(TControl* control);

    void HookMainWindow(const void* key, TWindowHook hook);
    void UnhookMainWindow(const void* key);

    void Minimize();
    void Restore();
    void BringToFront();
    bool Minimized() const;
    // Message box owned by the active form or the application window.
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    // Frees every form (the main form last) and the application window.
    void Shutdown();
    // Entry of the application window's messages: the hooks first, then the default handling.
    void DispatchAppMessage(HWND wnd, TMessage& message);

private:
    friend class TForm;
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(MSG& msg);
    bool IsPreviewKey(MSG& msg);
    void HintMouseMessage(const MSG& msg);
    void HintTimer(bool hide);
    void WndProc(TMessage& message);
    void CreateHandle();
    std::string FTitle;
    HWND FHandle = nullptr;
    TForm* FMainForm = nullptr;
    TIcon FIcon;
    bool FTerminated = false;
    bool FTerminateRequested = false;
    bool FShutdown = false;
    std::vector<std::pair<const void*, TWindowHook>> FHooks;
    bool FShowHint = true;
    TControl* FHintControl = nullptr;
    HWND FHintWnd = nullptr;
    std::string FHintText;
    bool FHintTimerRunning = false;
};

extern TApplication Application;

} // namespace skyloom
