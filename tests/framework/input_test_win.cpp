// What controls offer for pointing and help: cursors, tooltips, popup menus, the clipboard, erasing through a
// window hook, and the form's key preview.
#include "Clipbrd.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace skyloom;

namespace {

class TPlainForm : public TForm {
public:
    explicit TPlainForm(TComponent* owner) : TForm(owner)
    {
        SetBorderStyle(bsNone);
        SetBounds(100, 100, 200, 120);
        SetColor(clWhite);
        Label = new TLabel(this);
        Label->SetParent(this);
        Label->SetAutoSize(false);
        Label->SetBounds(10, 10, 60, 20);
        Label->SetCaption("label");
        Button = new TButton(this);
        Button->SetParent(this);
        Button->SetBounds(100, 10, 75, 25);
        Button->SetCaption("Button");
        FinishLoading();
    }
    TLabel* Label;
    TButton* Button;
};

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};
using TFormPtr = std::unique_ptr<TPlainForm, TFormDeleter>;

TFormPtr ShownForm()
{
    TFormPtr form(new TPlainForm(nullptr));
    form->Show();
    Application.ProcessMessages();
    return form;
}

// The window procedure in front of a form's, the way the kit's hook components insert themselves.
WNDPROC GOldProc = nullptr;
LRESULT CALLBACK RedEraser(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(wnd, &r);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(reinterpret_cast<HDC>(wparam), &r, red);
        DeleteObject(red);
        return 1;
    }
    return CallWindowProcA(GOldProc, wnd, msg, wparam, lparam);
}

COLORREF ScreenPixel(int x, int y)
{
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

} // namespace

TEST(Cursors, TheTableHoldsTheStandardAndTheKitsPointers)
{
    EXPECT_EQ(Screen.Cursors(crHandPoint), LoadCursor(nullptr, IDC_HAND));
    EXPECT_EQ(Screen.Cursors(crHelp), LoadCursor(nullptr, IDC_HELP));
    EXPECT_EQ(Screen.Cursors(crslHand), LoadCursor(nullptr, IDC_HAND)) << "the kit's hand is registered";
    EXPECT_NE(Screen.Cursors(crslPen), nullptr) << "the kit's pen is registered";
    EXPECT_NE(Screen.Cursors(crslPen), Screen.Cursors(crDefault));
    EXPECT_EQ(Screen.Cursors(12345), Screen.Cursors(crDefault)) << "an unknown id gives the arrow";
    HCURSOR own = CopyCursor(LoadCursor(nullptr, IDC_CROSS));
    Screen.SetCursors(5, own);
    EXPECT_EQ(Screen.Cursors(5), own);
}

TEST(Cursors, SetCursorAnswersForTheControlUnderThePointer)
{
    auto form = ShownForm();
    form->Label->SetCursor(crslHand);
    form->SetCursor(crIBeam);
    auto ask = [&](int x, int y) {
        SetCursorPos(form->Left() + x, form->Top() + y);
        Application.ProcessMessages();
        SetCursor(nullptr);
        SendMessageA(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(ask(20, 15), Screen.Cursors(crslHand)) << "over the label: the label's cursor";
    EXPECT_EQ(ask(20, 80), Screen.Cursors(crIBeam)) << "over the form: the form's cursor";
    Screen.SetCursor(crHourGlass);
    EXPECT_EQ(ask(20, 15), Screen.Cursors(crHourGlass)) << "the screen's cursor overrides every control's";
    Screen.SetCursor(crDefault);
    form->Label->SetEnabled(false);
    EXPECT_EQ(ask(20, 15), Screen.Cursors(crIBeam)) << "a disabled label shows its parent's cursor";
}

TEST(Hints, TheShortHintShowsOverAControlWhileHintsAreOn)
{
    auto form = ShownForm();
    form->Label->Hint = "Short text|The long help text";
    form->Label->ShowHint = true;
    Application.ActivateHint(form->Label);
    ASSERT_NE(Application.HintWindow(), nullptr);
    char text[64] = {};
    GetWindowTextA(Application.HintWindow(), text, sizeof text);
    EXPECT_STREQ(text, "Short text") << "only the part before the bar";
    EXPECT_TRUE(IsWindowVisible(Application.HintWindow()));
    Application.SetShowHint(false);
    EXPECT_EQ(Application.HintWindow(), nullptr) << "switching hints off hides the tooltip";
    Application.ActivateHint(form->Label);
    EXPECT_EQ(Application.HintWindow(), nullptr) << "no tooltip while hints are off";
    Application.SetShowHint(true);

    form->Label->Hint = "|Only help text";
    Application.ActivateHint(form->Label);
    EXPECT_EQ(Application.HintWindow(), nullptr) << "an empty short hint shows nothing";

    form->Label->ShowHint = false;
    form->Label->Hint = "Tip";
    Application.ActivateHint(form->Label);
    EXPECT_EQ(Application.HintWindow(), nullptr) << "ShowHint is off on the label and on its form";
    form->ShowHint = true;
    Application.ActivateHint(form->Label);
    EXPECT_NE(Application.HintWindow(), nullptr) << "the form's ShowHint reaches the label";
    form->Label->ParentShowHint = false;
    Application.ActivateHint(form->Label);
    EXPECT_EQ(Application.HintWindow(), nullptr) << "unless the label stops taking the parent's";
    Application.ActivateHint(form->Button);
    form.reset();
    EXPECT_EQ(Application.HintControl(), nullptr) << "a freed control is forgotten";
}

TEST(Hints, ThePointerRestingOnAControlShowsItsTooltip)
{
    auto form = ShownForm();
    form->Button->Hint = "Press me";
    form->Button->ShowHint = true;
    Application.HintPause = 50;
    SetCursorPos(form->Left() + 130, form->Top() + 20);
    PostMessageA(form->Button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
    EXPECT_TRUE(PumpUntil([] { return Application.HintWindow() != nullptr; }, 2000));
    Application.HintPause = 500;
    Application.CancelHint();
}

TEST(PopupMenus, ARightClickOpensTheMenuOfTheControlUnderThePointer)
{
    auto form = ShownForm();
    auto* menu = new TPopupMenu(form.get());
    auto* item = new TMenuItem(form.get());
    item->SetCaption("Item");
    menu->Items().Add(item);
    TComponent* poppedFor = nullptr;
    // The menu's own loop would wait for the user: close it as soon as it opened.
    menu->OnPopup = [&](TObject*) {
        poppedFor = menu->PopupComponent;
        PostMessageA(TPopupMenu::PopupWindow(), WM_CANCELMODE, 0, 0);
        PostMessageA(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    form->Label->SetPopupMenu(menu);
    SendMessageA(form->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 15));
    EXPECT_EQ(poppedFor, form->Label) << "the label has no window: its parent opens the label's menu";
    poppedFor = nullptr;
    SendMessageA(form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()),
                 MAKELPARAM(form->Left() + 20, form->Top() + 80));
    EXPECT_EQ(poppedFor, nullptr) << "the form has no menu";
    form->Button->SetPopupMenu(menu);
    SendMessageA(form->Button->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Button->Handle()),
                 MAKELPARAM(-1, -1));
    EXPECT_EQ(poppedFor, form->Button) << "the menu key opens a windowed control's menu";
    delete menu;
    EXPECT_EQ(form->Label->PopupMenu(), nullptr) << "a freed menu is forgotten";
}

TEST(Clipboard, TextGoesInAndComesBack)
{
    Clipboard().SetAsText("x y");
    EXPECT_TRUE(Clipboard().HasText());
    EXPECT_EQ(Clipboard().AsText(), "x y");
    Clipboard().SetAsText("");
    EXPECT_EQ(Clipboard().AsText(), "");
    Clipboard().Clear();
    EXPECT_FALSE(Clipboard().HasText());
}

TEST(Painting, AHookThatErasesTheBackgroundIsNotPaintedOver)
{
    auto form = ShownForm();
    EXPECT_EQ(ScreenPixel(form->Left() + 20, form->Top() + 90), RGB(255, 255, 255)) << "the form's own colour";
    GOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RedEraser)));
    form->Invalidate();
    form->Update();
    Application.ProcessMessages();
    EXPECT_EQ(ScreenPixel(form->Left() + 20, form->Top() + 90), RGB(255, 0, 0)) << "the hook's background stays";
    SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GOldProc));
}

TEST(Keys, KeyPreviewShowsKeysToTheFormFirst)
{
    auto form = ShownForm();
    form->Button->SetFocus();
    std::vector<unsigned short> seen;
    form->OnKeyDown = [&](TObject*, unsigned short& key, TShiftState) {
        seen.push_back(key);
        if (key == 'C')
            key = 0;
    };
    PostMessageA(form->Button->Handle(), WM_KEYDOWN, 'C', 0);
    Application.ProcessMessages();
    EXPECT_TRUE(seen.empty()) << "without KeyPreview the form does not see a key meant for its button";
    form->KeyPreview = true;
    PostMessageA(form->Button->Handle(), WM_KEYDOWN, 'C', 0);
    Application.ProcessMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], 'C');
}
