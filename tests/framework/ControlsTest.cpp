// Controls on a real window system: repaints, clicks, wide list items, cursors, tooltips, popup menus and erasing
// through a window hook.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include "TestForms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using namespace skyloom::testing;

namespace {

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

TEST(Controls, SettingTheSameValueDoesNotRepaint)
{
    TFormPtr form(new TTestForm(nullptr));
    form->Show();
    PumpFor(50);
    int panel = form->Panel1->InvalidateCount();
    int label = form->Label1->InvalidateCount();
    form->Panel1->SetColor(clYellow);
    form->Panel1->SetCaption("Checking connection...");
    form->Label1->SetCaption("Latest headlines:");
    form->Label1->SetTransparent(true);
    EXPECT_EQ(form->Panel1->InvalidateCount(), panel);
    EXPECT_EQ(form->Label1->InvalidateCount(), label);
    form->Panel1->SetColor(clGreen);
    form->Panel1->SetCaption("ONLINE");
    EXPECT_EQ(form->Panel1->InvalidateCount(), panel + 2);
    int paints = form->Panel1->PaintCount();
    EXPECT_TRUE(PumpUntil([&] { return form->Panel1->PaintCount() > paints; })) << "a change repaints the panel";
}

TEST(Controls, CheckBoxClicksOnEveryChangeButNotForDesignSettings)
{
    TFormPtr form(new TTestForm(nullptr));
    EXPECT_EQ(form->CheckClicks, 0) << "checked at design time is not a click";
    form->CheckBox1->SetChecked(true);
    EXPECT_EQ(form->CheckClicks, 0) << "no change, no click";
    form->CheckBox1->SetChecked(false);
    EXPECT_EQ(form->CheckClicks, 1);
    form->Show();
    // A click of the user: the platform's button notification.
    SendMessageA(form->CheckBox1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->CheckClicks, 2);
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(SendMessageA(form->CheckBox1->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST(Controls, WideListBoxHoldsUnicodeItems)
{
    TFormPtr form(new TTestForm(nullptr));
    TWideListBox* list = form->List;
    list->Items().Add(L"\x65e5\x672c");
    ASSERT_EQ(list->Items().Count(), 2);
    HWND wnd = list->Handle();
    wchar_t buffer[64] = {};
    SendMessageW(wnd, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer));
    EXPECT_EQ(std::wstring(buffer), L"\x65e5\x672c") << "the text reaches the window unconverted";
    EXPECT_EQ(SendMessageW(wnd, LB_GETITEMHEIGHT, 0, 0), 16);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(0);
    EXPECT_EQ(clicks, 0) << "selecting in code is not a click";
    // The user's selection arrives as a selection-change notification to the parent.
    SendMessageW(wnd, LB_SETCURSEL, 1, 0);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), reinterpret_cast<LPARAM>(wnd));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->ItemIndex(), 1);
    list->Items().Clear();
    EXPECT_EQ(SendMessageW(wnd, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_THROW(list->Items().Strings(0), EListError);
}

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

// The pool of bound procedures: every live object has its own procedure that reaches its own callable, a full
// pool refuses the next one, and a procedure whose object is gone answers like the default window procedure.
TEST(BoundWndProc, EachProcedureReachesItsOwnCallable)
{
    const int free = TBoundWndProc::Capacity() - TBoundWndProc::InUse();
    ASSERT_GT(free, 2) << "other objects hold almost the whole pool";
    std::vector<std::unique_ptr<TBoundWndProc>> procs;
    for (int i = 0; i < free; ++i)
        procs.push_back(std::make_unique<TBoundWndProc>(
            [i](HWND, UINT msg, WPARAM wparam, LPARAM) -> LRESULT { return msg == WM_USER ? 1000 + i + static_cast<LRESULT>(wparam) : 0; }));
    EXPECT_EQ(TBoundWndProc::InUse(), TBoundWndProc::Capacity());
    EXPECT_THROW(TBoundWndProc([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), EOutOfResources)
        << "a full pool hands out another procedure";

    std::vector<WNDPROC> seen;
    for (int i = 0; i < free; ++i) {
        WNDPROC proc = procs[static_cast<std::size_t>(i)]->Proc();
        ASSERT_NE(proc, nullptr);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), proc), 0) << "object " << i << " shares its procedure";
        seen.push_back(proc);
        EXPECT_EQ(CallWindowProcA(proc, nullptr, WM_USER, 7, 0), 1007 + i) << "object " << i << " reached another callable";
    }

    // A released procedure (a window may still call it) falls back to the default procedure.
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    WNDPROC released = procs.back()->Proc();
    procs.pop_back();
    EXPECT_EQ(CallWindowProcA(released, wnd, WM_USER, 7, 0), 0);
    char text[8] = "x";
    EXPECT_EQ(CallWindowProcA(released, wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 0);
    DestroyWindow(wnd);
    procs.clear();
    EXPECT_EQ(TBoundWndProc::InUse(), TBoundWndProc::Capacity() - free);
}
