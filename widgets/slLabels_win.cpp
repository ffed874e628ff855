#include "slLabels.h"

#include "Forms.h"
#include "Registry.h"
#include "SysUtils.h"

#include <shellapi.h>

#include <vector>

namespace skyloom {

// ---- the label's settings ----

void TslLabelPart::Changed()
{
    if (FLabel)
        FLabel->PropertyChanged();
}

void TslStyleFont::Assign(const TPersistent& source)
{
    if (AssignFields<TPersistent>(*this, source, &TslStyleFont::FColor, &TslStyleFont::FStyle, &TslStyleFont::FUsed))
        Changed();
}

TslLabelEffect::TslLabelEffect(TslLabel* label, TslLabelEffectDirection direction, TColor color)
    : TslLabelPart(label), FColors{color, color, color}, FDirection(direction)
{
}

void TslLabelEffect::Assign(const TPersistent& source)
{
    using T = TslLabelEffect;
    if (AssignFields<TPersistent>(*this, source, &T::FEnabled, &T::FColors, &T::FDepth, &T::FDirection))
        Changed();
}

// ---- TslLabelBlinking ----

void TslLabelBlinking::SetActive(bool value)
{
    if (FActive == value)
        return;
    FActive = value;
    FLabel->UpdateBlinkTimer();
}

void TslLabelBlinking::SetDelayVisible(unsigned value)
{
    FDelayVisible = value;
    FLabel->UpdateBlinkTimer();
}

void TslLabelBlinking::SetDelayInvisible(unsigned value)
{
    FDelayInvisible = value;
    FLabel->UpdateBlinkTimer();
}

// ---- TslLabel ----

namespace {

constexpr UINT_PTR BlinkTimerId = 1;

unsigned TextFlags(TAlignment alignment, bool wordWrap, TslLabelOptions options, bool showAccelChar)
{
    unsigned flags = DT_EXPANDTABS;
    flags |= alignment == taCenter ? DT_CENTER : alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    if (wordWrap)
        flags |= DT_WORDBREAK;
    if (options & loPathEllipsis)
        flags |= DT_PATH_ELLIPSIS | DT_MODIFYSTRING;
    if (options & loEndEllipsis)
        flags |= DT_END_ELLIPSIS | DT_MODIFYSTRING;
    if (options & loEditControl)
        flags |= DT_EDITCONTROL;
    if (!showAccelChar)
        flags |= DT_NOPREFIX;
    return flags;
}

} // namespace

TslLabel::TslLabel(TComponent* owner) : TLabel(owner) {}

TslLabel::~TslLabel() { StopBlinkTimer(); }

void TslLabel::SetOptions(TslLabelOptions value)
{
    FOptions = value;
    PropertyChanged();
}

void TslLabel::PropertyChanged()
{
    if (!Destroying())
        Invalidate();
}

void TslLabel::AdjustBounds()
{
    if (!AutoSize() || Loading())
        return;
    TWindowDC screen(nullptr);
    TRect r = Rect(0, 0, WordWrap() ? FWidth : 0, 0);
    DoDrawText(screen.Get(), r, DT_CALCRECT);
    SetBounds(FLeft, FTop, WordWrap() ? FWidth : r.Width(), r.Height());
}

void TslLabel::DoDrawText(HDC dc, TRect& r, unsigned flags)
{
    const bool measuring = (flags & DT_CALCRECT) != 0;
    std::string text = Caption();
    if (measuring && (text.empty() || (ShowAccelChar && text == "&")))
        text = " ";
    if (!measuring && !FBlinkShown)
        return;
    flags |= TextFlags(Alignment(), WordWrap(), FOptions, ShowAccelChar);

    const TslLabelLooks looks{{Font().Color(), Font().Style()}, FFontHover.Look(), FFontClick.Look()};
    const TslLabelFontState state = LabelFontState(FPressed, FMouseInside, FFontClick.Used(), FFontHover.Used());
    SetBkMode(dc, TRANSPARENT);
    const auto drawLayer = [&](const TslFontLook& look, TPoint offset) {
        TFont font;
        font.Assign(Font());
        font.SetStyle(look.Style);
        TSelectObject selected(dc, font.Handle());
        SetTextColor(dc, ColorToRGB(look.Color));
        // The ellipsis options write the shortened text back: they get a private copy with room for it.
        std::vector<char> buffer(text.begin(), text.end());
        buffer.resize(text.size() + EllipsisReserve + 1, '\0');
        RECT rc{r.Left + offset.X, r.Top + offset.Y, r.Right + offset.X, r.Bottom + offset.Y};
        DrawTextA(dc, buffer.data(), static_cast<int>(text.size()), &rc, flags);
        r = Rect(rc.left - offset.X, rc.top - offset.Y, rc.right - offset.X, rc.bottom - offset.Y);
    };
    if (FShadow.Enabled())
        drawLayer(CopyLook(looks, FShadow.Colors(), state), FShadow.Offset());
    if (FHighlight.Enabled())
        drawLayer(CopyLook(looks, FHighlight.Colors(), state), FHighlight.Offset());
    drawLayer(TextLook(looks, state), {0, 0});
}

void TslLabel::Paint()
{
    if (!Enabled()) {
        TLabel::Paint();
        return;
    }
    PaintTo(Canvas().Handle());
}

void TslLabel::PaintTo(HDC dc)
{
    if (!Parent() || FWidth <= 0 || FHeight <= 0 || !dc)
        return;
    if (!FBitmap.Valid() || FBitmapWidth != FWidth || FBitmapHeight != FHeight) {
        FBitmap.Reset(CreateCompatibleBitmap(dc, FWidth, FHeight));
        FBitmapWidth = FWidth;
        FBitmapHeight = FHeight;
    }
    TOwnedMemDC memory(CreateCompatibleDC(dc));
    if (!memory.Valid() || !FBitmap.Valid())
        return;
    TSelectObject bitmap(memory.Get(), FBitmap.Get());
    // What lies under the label (the parent's background) is the ground of a transparent label.
    BitBlt(memory.Get(), 0, 0, FWidth, FHeight, dc, 0, 0, SRCCOPY);
    TRect r = Rect(0, 0, FWidth, FHeight);
    if (!Transparent()) {
        TBrush brush;
        brush.SetColor(Color());
        RECT rc{0, 0, FWidth, FHeight};
        FillRect(memory.Get(), &rc, brush.Handle());
    }
    DoDrawText(memory.Get(), r, 0);
    BitBlt(dc, 0, 0, FWidth, FHeight, memory.Get(), 0, 0, SRCCOPY);
}

void TslLabel::WndProc(TMessage& message)
{
    const bool entering = message.Msg == CM_MOUSEENTER;
    const bool leaving = message.Msg == CM_MOUSELEAVE;
    if (entering)
        FMouseInside = true;
    else if (leaving)
        FMouseInside = false;
    TLabel::WndProc(message);
    if ((entering || leaving) &&
        HoverChangeRepaints(FFontHover.Used(), FPressed, FFontHover.Look(), {Font().Color(), Font().Style()}))
        Invalidate();
}

void TslLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    FPressed = true;
    if (CursorClick != Cursor())
        ::SetCursor(Screen.Cursors(CursorClick));
    TLabel::MouseDown(button, shift, x, y);
    if (ClickChangeRepaints(FFontClick.Used(), FFontClick.Look(), FFontHover.Look()))
        Invalidate();
}

void TslLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    FPressed = false;
    TLabel::MouseUp(button, shift, x, y);
    if (ClickChangeRepaints(FFontClick.Used(), FFontClick.Look(), FFontHover.Look()))
        Invalidate();
}

void TslLabel::UpdateBlinkTimer()
{
    const bool wanted = FBlinking.FActive && FBlinking.FDelayVisible > 0 && FBlinking.FDelayInvisible > 0;
    if (!wanted) {
        const bool wasRunning = FBlinkWindow != nullptr;
        StopBlinkTimer();
        if (!FBlinkShown) {
            FBlinkShown = true;
            Invalidate();
        }
        if (wasRunning)
            Fire(OnStopBlinking, this);
        return;
    }
    const bool starting = FBlinkWindow == nullptr;
    if (starting)
        FBlinkWindow = AllocateHWnd([this](TMessage& message) { BlinkWndProc(message); });
    const unsigned delay = FBlinkShown ? FBlinking.FDelayVisible : FBlinking.FDelayInvisible;
    if (!SetTimer(FBlinkWindow, BlinkTimerId, delay, nullptr)) {
        StopBlinkTimer();
        FBlinkShown = true;
        Invalidate();
        throw EOutOfResources("Not enough timers available");
    }
    if (starting)
        Fire(OnStartBlinking, this);
}

void TslLabel::StopBlinkTimer()
{
    if (!FBlinkWindow)
        return;
    KillTimer(FBlinkWindow, BlinkTimerId);
    DeallocateHWnd(FBlinkWindow);
    FBlinkWindow = nullptr;
}

void TslLabel::BlinkWndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER) {
        DefaultUtilityHandler(FBlinkWindow, message);
        return;
    }
    FBlinkShown = !FBlinkShown;
    SetTimer(FBlinkWindow, BlinkTimerId, FBlinkShown ? FBlinking.FDelayVisible : FBlinking.FDelayInvisible, nullptr);
    Invalidate();
    if (FBlinkShown)
        Fire(OnShowBlink, this);
    else
        Fire(OnHideBlink, this);
}

// ---- TslURLLabel ----

TslURLLabel::TslURLLabel(TComponent* owner) : TslLabel(owner)
{
    Font().SetColor(clBlue);
    Font().SetStyle(fsUnderline);
    SetParentFont(false);
    FontHover().SetColor(clRed);
    FontHover().SetStyle(fsUnderline);
    FontHover().SetUsed(true);
    FontClick().SetColor(clRed);
    FontClick().SetStyle(fsUnderline);
    FontClick().SetUsed(false);
    Highlight().SetEnabled(false);
    Shadow().SetEnabled(false);
    SetCursor(crLinkSelect);
    CursorClick = crLinkSelect;
}

void TslURLLabel::Click()
{
    TslLabel::Click();
    if (Kind == ukWWW)
        OpenWebAddress(URL.empty() ? Caption() : URL, URLInNewWindow, SW_SHOWNORMAL);
    else
        ComposeMail(FEmail.Address.empty() ? Caption() : FEmail.Address, FEmail.Name, FEmail.Subject,
                    FEmail.Message, FEmail.CarbonCopy, FEmail.BlindCarbonCopy);
}

// ---- Shell routines ----

namespace {

// The default value of a key of the class root; "" when the key or the value is missing or not text.
std::string ClassRootDefault(const std::string& key)
{
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!registry.OpenKeyReadOnly("\\" + key))
        return {};
    try {
        return registry.ReadString("");
    } catch (const ERegistryException&) {
        return {};  // a default value of another type names no class or command
    }
}

bool ShellOpen(const std::string& file, const std::string& parameters, int showMode)
{
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", file.c_str(),
                                                                parameters.empty() ? nullptr : parameters.c_str(),
                                                                nullptr, showMode));
    return result > 32;
}

} // namespace

std::string AssociatedProgram(const std::string& extension)
{
    const std::string className = ClassRootDefault(extension);
    if (className.empty())
        return {};
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!registry.KeyExists("\\" + className))
        return {};
    std::string command = ClassRootDefault(className + "\\shell\\open\\command");
    if (command.empty() && registry.OpenKeyReadOnly("\\" + className + "\\shell")) {
        const std::vector<std::string> verbs = registry.GetKeyNames();
        registry.CloseKey();
        bool named = false;
        for (const std::string& verb : verbs) {
            if (LowerCase(verb).find("open") == std::string::npos)
                continue;
            named = true;
            command = ClassRootDefault(className + "\\shell\\" + verb + "\\command");
            break;
        }
        for (std::size_t i = 0; !named && command.empty() && i < verbs.size(); ++i)
            command = ClassRootDefault(className + "\\shell\\" + verbs[i] + "\\command");
    }
    return AssociationProgram(command);
}

bool OpenWebAddress(const std::string& address, bool newWindow, int showMode)
{
    const std::string url = NormalizeWebAddress(Trim(address));
    // Only web and mail addresses: anything else could name a program or a document to run.
    if (!IsOpenableAddress(url))
        return false;
    const std::string argument = AddressArgument(url);
    if (newWindow) {
        const std::string program = AssociatedProgram(".html");
        if (!program.empty())
            return ShellOpen(program, argument, showMode);
    }
    return ShellOpen(argument.substr(1, argument.size() - 2), {}, SW_SHOWNORMAL);
}

bool ComposeMail(const std::string& address, const std::string& name, const std::string& subject,
                 const std::string& message, const std::string& carbonCopy, const std::string& blindCarbonCopy)
{
    return ShellOpen(ComposeMailText(address, name, subject, message, carbonCopy, blindCarbonCopy), {},
                     SW_SHOWNORMAL);
}

} // namespace skyloom
