// Controls: the common base of everything placed on a form, windowed controls with their platform window,
// window procedures bound to objects, and hidden utility windows.
#pragma once

#include "Owned.h"
#include "Classes.h"
#include "Graphics.h"
#include "WinHandles.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class TWinControl;
class TForm;
class TPopupMenu;

// Mouse pointers: the platform's standard ones and the library's own, found through the table of Screen.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
// The widget kit's pointing hand (links) and pen.
constexpr TCursor crslHand = -151;
constexpr TCursor crslPen = -152;

// The screen: the cursor table and a cursor that overrides every control's (crDefault: none).
class TScreen {
public:
    // The pointer of an id; unknown ids give the arrow.
    HCURSOR Cursors(TCursor id);
    // Registers (or replaces) a pointer; the table owns it unless it is a shared system cursor.
    void SetCursors(TCursor id, HCURSOR cursor, bool owned = true);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    ~TScreen();

private:
    void InitTable();
    struct TEntry {
        TCursor Id;
        HCURSOR Handle;
        bool Owned;
    };
    std::vector<TEntry> FTable;
    TCursor FCursor = crDefault;
};
extern TScreen Screen;

using TWndMethod = std::function<void(TMessage& message)>;

// Messages the framework sends to its own controls. A parent reflects WM_COMMAND, WM_NOTIFY and the
// control-colour messages to the child control they concern as CN_BASE + the original number.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;

// A window procedure bound to a callable. The procedures come from a fixed process-wide pool (there is no need
// for executable memory); construction raises EOutOfResources "Too many bound window procedures" when the pool
// is exhausted. Each live object has a distinct Proc().
class TBoundWndProc : TNonCopyable {
public:
    using TProc = std::function<LRESULT(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)>;
    explicit TBoundWndProc(TProc proc);
    ~TBoundWndProc();
    WNDPROC Proc() const { return FProc; }
    static int Capacity();
    static int InUse();

private:
    int FSlot = -1;
    WNDPROC FProc = nullptr;
};

// A hidden utility window whose messages go to method (messages it leaves at Result 0 that it does not answer
// should call DefWindowProc itself through DefaultUtilityHandler). Errors in method go to the application's
// default error handling. The window is a hidden top-level window unless messageOnly asks for a message-only one
// (timers, sent and posted messages, no broadcasts), which is cheaper to make. The hook components' windows stay
// top-level: with message-only ones, Wine no longer took a hooked window out of the topmost band.
HWND AllocateHWnd(TWndMethod method, bool messageOnly = false);
void DeallocateHWnd(HWND wnd);
// At the end of the program: a shown top-level window is handed over to the system, which takes it away with the
// process, instead of being destroyed (destroying hides it first, and hiding a window costs Wine without a virtual
// desktop seconds of waiting for a window manager). The window answers with the default procedure from now on and
// nothing of ours is reached through it. True when the window was handed over; child and hidden windows are not.
bool LeaveToProcessEnd(HWND wnd);

// Which of Shift, Ctrl and Alt are down: as of the message being handled, or with now, at this moment.
TShiftState KeyboardShiftState(bool now = false);
void DefaultUtilityHandler(HWND wnd, TMessage& message);

// Converts between the single-byte text of the program and wide text with the system's code page.
std::wstring AnsiToWide(const std::string& s);
std::string WideToAnsi(const std::wstring& s);
// The same, but false when a character has no place in the code page (instead of a stand-in such as "?").
bool TryWideToAnsi(std::wstring_view s, std::string& out);
// Between UTF-8 and wide text (texts in any script, whatever the system's code page).
std::wstring Utf8ToWide(std::string_view s);
std::string WideToUtf8(std::wstring_view s);
// Between the portable code's UTF-16 text and wide text: the same code units on Windows.
inline std::wstring U16ToWide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string WideToU16(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

class TControl : public TComponent, public TMouseEvents {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Width(); }
    int ClientHeight() { return ClientRect().Height(); }
    virtual void SetClientSize(int width, int height);
    void SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
    void SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }

    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { if (UpdateField(FVisible, value)) VisibleChanged(); }
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);

    // Caption and Text are the same string (labels and buttons call it caption, edits text).
    virtual std::string Caption() const { return FText; }
    virtual void SetCaption(const std::string& value);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& value) { SetCaption(value); }

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFont& Font() { return FFont; }
    // Taking the parent's font (the default); setting Font turns it off.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    // Taking the parent's colour (labels, check boxes, group boxes); setting Color turns it off.
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    // "Short|Long": the short part shows as a tooltip, the long part is help text (GetShortHint/GetLongHint).
    std::string Hint;
    bool ShowHint = false;
    // Hints show when ShowHint is set here or, with ParentShowHint, on a parent.
    bool ParentShowHint = true;
    bool EffectiveShowHint() const;
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    // The menu that a right-click on the control (or Shift+F10, the menu key) opens.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    // OnClick, OnDblClick, OnMouseDown, OnMouseUp, OnMouseMove and OnMouseEnter come from TMouseEvents.
    TNotifyEvent OnMouseLeave;

    virtual void Click();
    // Repaints: Invalidate marks the area, Update paints pending areas now, Repaint does both.
    virtual void Invalidate();
    virtual void Update();
    void Repaint()
    {
        Invalidate();
        Update();
    }
    // Sends a message straight to WindowProc.
    std::intptr_t Perform(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
    // The message entry of this control; replaceable (keep the old value and call it to chain).
    TWndMethod WindowProc;
    TPoint ClientToScreen(TPoint p);
    TPoint ScreenToClient(TPoint p);
    // Number of times this control asked to be repainted (for tests of redundant repainting).
    int InvalidateCount() const { return FInvalidateCount; }

protected:
    // The size a new control of a kind starts with (constructors only: nothing is told).
    void SetInitialSize(int width, int height)
    {
        FWidth = width;
        FHeight = height;
    }
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);
    virtual void TextChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void EnabledChanged() { Invalidate(); }
    virtual void VisibleChanged();
    virtual void BoundsChanged() {}
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    void Notification(TComponent* component, TOperation operation) override;
    // Opens the popup menu at a screen point (a point of -1, -1: under the control's top-left corner);
    // true when there was one.
    bool DoContextPopup(TPoint screen);
    // Called by the parent when the parent's font or colour changes.
    void ParentFontChanged();
    void ParentColorChanged();
    friend class TWinControl;

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FText;
    TColor FColor = clBtnFace;
    TFont FFont;
    bool FParentFont = true;
    bool FFontFromParent = false;
    bool FParentColor = false;
    bool FMouseCaptured = false;
    // A left button released over the control is a click (controls of the platform report clicks themselves).
    bool FClickOnMouseUp = false;
    int FInvalidateCount = 0;
    TCursor FCursor = crDefault;
    TPopupMenu* FPopupMenu = nullptr;
};

// A control without a window of its own, painted on its parent (labels, bevels, images).
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    TCanvas& Canvas() { return FCanvas; }
    void Invalidate() override;
    void Update() override;

protected:
    friend class TWinControl;
    virtual void Paint() {}
    void PaintOn(HDC dc);
    TCanvas FCanvas;
};

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    HMENU Menu = nullptr;
    // The window class registered for this kind of control, and the system class it is based on (empty for
    // a class of our own with the default window procedure).
    std::string WinClassName;
    std::string BaseClassName;
    UINT ClassStyle = CS_DBLCLKS;
    bool Unicode = false;
};

// Borders of forms; controls with a border use bsNone or bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, created (with the parents') on first use.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and creates it again (if it existed) with the same state.
    void RecreateWnd();
    // Destroys the window (and the children's); state is kept for the next Handle().
    void DestroyHandle();
    bool IsUnicode() const { return FUnicode; }

    const std::vector<TControl*>& Controls() const { return FControls; }
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* ControlAtPos(TPoint p);

    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop = false;
    void SetFocus();
    bool Focused();
    bool CanFocus();
    TBrush& Brush() { return FBrush; }
    TRect ClientRect() override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetEnabled(bool value) override;
    void Invalidate() override;
    void Update() override;
    std::string Caption() const override;
    void SetCaption(const std::string& value) override;

    TWinControl* AsWinControl() override { return this; }
    // The control that owns a window of ours, or nullptr.
    static TWinControl* FindControl(HWND wnd);

protected:
    friend class TControl;
    // The colour a new control of a kind starts with, and its background brush (constructors only).
    void SetInitialColor(TColor color)
    {
        FColor = color;
        FBrush.SetColor(color);
    }
    virtual void CreateParams(TCreateParams& params);
    // Creates the window; overrides call the base first and then push their state into the new window.
    virtual void CreateWnd();
    // Called before the window goes away; overrides save what the window holds (then call the base).
    virtual void DestroyWnd();
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    // Erases the background of a window of our own class in WM_ERASEBKGND (fills it with the brush), so that a
    // window hook that paints a background there is not painted over. PaintWindow then draws what lies on it.
    virtual void EraseBackground(HDC dc);
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc);
    void InvalidateArea(const TRect& r);
    void UpdateTabOrder();
    void DispatchToGraphic(TMessage& message, bool& handled);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateShowing();
    // Where the window's messages come first; the object is found through a window property.
    static LRESULT CALLBACK StdWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK InitWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FUnicode = false;
    bool FOwnClass = true;
    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    TBrush FBrush;
    HFONT FFontHandle = nullptr;
    TControl* FMouseControl = nullptr;
    TControl* FCaptureControl = nullptr;

private:
    void CreateHandle();
    void DoDestroyWindow();
    static void RegisterWindowClass(const TCreateParams& params, WNDPROC& defProc);
};

// The form a control stands on, or nullptr.
TForm* GetParentForm(TControl* control);

// Creates a control of a form's design: owned by owner (which frees it), named, on parent, at the bounds given.
template <typename T>
T* NewChild(TComponent* owner, const char* name, TWinControl* parent, int left, int top, int width, int height)
{
    T* control = NewComponent<T>(owner, name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

} // namespace skyloom
