// Forms, controls, menus, timers and the message loop, on a real window system.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

// A form built in code the way the program's windows are: settings, controls, then the loaded steps.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner, std::vector<std::string>* journal = nullptr) : TForm(owner), FJournal(journal)
    {
        SetCaption("Test form");
        SetBorderStyle(bsSingle);
        SetBorderIcons(biSystemMenu | biMinimize);
        SetPosition(poScreenCenter);
        SetColor(clWhite);
        Font().SetName("Verdana");
        Font().SetHeight(-11);
        SetClientSize(300, 200);
        Panel1 = new TPanel(this);
        Panel1->Name = "Panel1";
        Panel1->SetParent(this);
        Panel1->SetBounds(8, 8, 280, 41);
        Panel1->SetCaption("Checking connection...");
        Panel1->SetColor(clYellow);
        Label1 = new TLabel(this);
        Label1->SetParent(this);
        Label1->SetBounds(8, 56, 97, 13);
        Label1->SetCaption("Latest headlines:");
        Label1->SetTransparent(true);
        CheckBox1 = new TCheckBox(this);
        CheckBox1->SetParent(this);
        CheckBox1->SetBounds(180, 56, 113, 17);
        CheckBox1->SetCaption("run with system");
        CheckBox1->SetChecked(true);
        CheckBox1->OnClick = [this](TObject*) { ++CheckClicks; };
        List = new TWideListBox(this);
        List->SetParent(this);
        List->SetBounds(8, 76, 280, 80);
        List->SetItemHeight(16);
        List->Items().Add(L"1. \x041f\x0440\x0438\x0432\x0435\x0442");
        Menu1 = new TMainMenu(this);
        File1 = new TMenuItem(this);
        File1->SetCaption("Program");
        Exit1 = new TMenuItem(this);
        Exit1->SetCaption("Exit");
        Exit1->OnClick = [this](TObject*) { ++ExitClicks; };
        File1->Add(Exit1);
        Menu1->Items().Add(File1);
        SetMenu(Menu1);
        OnCreate = [this](TObject*) {
            if (FJournal)
                FJournal->push_back("create");
        };
        OnShow = [this](TObject*) { ++Shows; };
        OnHide = [this](TObject*) { ++Hides; };
        FinishLoading();
    }
    TPanel* Panel1;
    TLabel* Label1;
    TCheckBox* CheckBox1;
    TWideListBox* List;
    TMainMenu* Menu1;
    TMenuItem* File1;
    TMenuItem* Exit1;
    int Shows = 0;
    int Hides = 0;
    int CheckClicks = 0;
    int ExitClicks = 0;

protected:
    void Loaded() override
    {
        TForm::Loaded();
        if (FJournal)
            FJournal->push_back("loaded");
    }

private:
    std::vector<std::string>* FJournal;
};

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};
using TFormPtr = std::unique_ptr<TTestForm, TFormDeleter>;

} // namespace

TEST(Form, DesignSettingsGiveTheWindowItsShape)
{
    std::vector<std::string> journal;
    TFormPtr form(new TTestForm(nullptr, &journal));
    EXPECT_EQ(journal, (std::vector<std::string>{"loaded", "create"})) << "the loaded step runs before OnCreate";
    HWND wnd = form->Handle();
    RECT client;
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200) << "the client size holds with the menu bar";
    LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "a single border is not sizeable";
    EXPECT_EQ(GetWindow(wnd, GW_OWNER), Application.Handle()) << "forms belong to the application window";
    char text[64];
    GetWindowTextA(wnd, text, sizeof text);
    EXPECT_STREQ(text, "Test form");
    EXPECT_NE(GetMenu(wnd), nullptr);
    EXPECT_FALSE(IsWindowVisible(wnd)) << "a form is hidden until shown";
    EXPECT_EQ(GetParent(form->Panel1->Handle()), wnd);
    EXPECT_TRUE(IsWindowUnicode(form->List->Handle())) << "the wide list box is a Unicode window";
    EXPECT_FALSE(IsWindowUnicode(wnd));
}

TEST(Form, OnShowFiresOnEveryShowing)
{
    TFormPtr form(new TTestForm(nullptr));
    for (int i = 1; i <= 3; ++i) {
        form->Show();
        EXPECT_TRUE(IsWindowVisible(form->Handle()));
        form->Hide();
        EXPECT_EQ(form->Shows, i);
        EXPECT_EQ(form->Hides, i);
    }
    form->Show();
    form->Show();
    EXPECT_EQ(form->Shows, 4) << "showing a visible form again is not a new showing";
    // Shown by the platform directly (as the tray does through the window), still a showing.
    ShowWindow(form->Handle(), SW_HIDE);
    EXPECT_FALSE(form->Visible());
    ShowWindow(form->Handle(), SW_SHOW);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->Shows, 5);
}

// At the end of the program, a shown form's window is left for the process end rather than hidden and destroyed;
// its controls and every hidden or child window go the usual way, and nothing of ours is reached afterwards.
TEST(Form, AtTheEndAShownWindowIsLeftToTheProcessEnd)
{
    auto* shown = new TTestForm(nullptr);
    auto* hidden = new TTestForm(nullptr);
    shown->Show();
    HWND shownWnd = shown->Handle();
    HWND hiddenWnd = hidden->Handle();
    HWND panelWnd = shown->Panel1->Handle();
    EXPECT_FALSE(LeaveToProcessEnd(panelWnd)) << "a child window is never left";
    EXPECT_FALSE(LeaveToProcessEnd(hiddenWnd)) << "a hidden window is never left";

    SetApplicationDestroying(true);
    delete shown;
    delete hidden;
    SetApplicationDestroying(false);
    EXPECT_TRUE(IsWindow(shownWnd)) << "the shown window is left to the process end";
    EXPECT_TRUE(IsWindowVisible(shownWnd)) << "it was not hidden";
    EXPECT_EQ(GetWindowLongPtrA(shownWnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&DefWindowProcA))
        << "the window answers with the default procedure";
    EXPECT_EQ(TWinControl::FindControl(shownWnd), nullptr) << "the window no longer names the deleted form";
    SendMessageA(shownWnd, WM_PAINT, 0, 0);
    SendMessageA(shownWnd, WM_COMMAND, 1, 0);
    EXPECT_FALSE(IsWindow(panelWnd)) << "the controls were destroyed";
    EXPECT_FALSE(IsWindow(hiddenWnd)) << "a hidden form is destroyed as always";
    DestroyWindow(shownWnd);
}

TEST(Form, ScreenCenterPositionsTheWindow)
{
    TFormPtr form(new TTestForm(nullptr));
    form->Show();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    EXPECT_NEAR(cx, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR(cy, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

TEST(Form, CloseAsksOnCloseQueryAndHides)
{
    TFormPtr form(new TTestForm(nullptr));
    bool allow = false;
    int queries = 0;
    form->OnCloseQuery = [&](TObject* sender, bool& canClose) {
        EXPECT_EQ(sender, form.get());
        ++queries;
        canClose = allow;
    };
    form->Show();
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(form->Visible()) << "a refused close keeps the form";
    allow = true;
    form->Close();
    EXPECT_FALSE(form->Visible()) << "a form that is not the main form hides";
    EXPECT_TRUE(IsWindow(form->Handle())) << "closing is not destroying";
}

TEST(Form, RecreatedWindowKeepsItsState)
{
    TFormPtr form(new TTestForm(nullptr));
    form->Show();
    form->List->Items().Add(L"2. second");
    form->List->SetItemIndex(1);
    form->CheckBox1->SetChecked(false);
    form->Panel1->SetCaption("ONLINE");
    HWND oldList = form->List->Handle();
    HWND oldForm = form->Handle();
    form->RecreateWnd();
    EXPECT_NE(form->Handle(), oldForm);
    EXPECT_FALSE(IsWindow(oldList));
    EXPECT_EQ(SendMessageW(form->List->Handle(), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(form->List->ItemIndex(), 1);
    EXPECT_EQ(SendMessageA(form->CheckBox1->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(form->Panel1->Caption(), "ONLINE");
    EXPECT_NE(GetMenu(form->Handle()), nullptr) << "the menu bar comes back";
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 300);
}

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

TEST(Menus, CommandsReachTheItemsHandler)
{
    TFormPtr form(new TTestForm(nullptr));
    HWND wnd = form->Handle();
    HMENU bar = GetMenu(wnd);
    ASSERT_NE(bar, nullptr);
    HMENU sub = GetSubMenu(bar, 0);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(GetMenuItemID(sub, 0), form->Exit1->Command());
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(form->Exit1->Command(), 0), 0);
    EXPECT_EQ(form->ExitClicks, 1);
    // Items added later show up in the bar.
    auto* extra = new TMenuItem(form.get());
    extra->SetCaption("-");
    form->File1->Insert(0, extra);
    sub = GetSubMenu(GetMenu(wnd), 0);
    EXPECT_EQ(GetMenuItemCount(sub), 2);
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(sub, 0, TRUE, &mii);
    EXPECT_TRUE(mii.fType & MFT_SEPARATOR) << "a caption of '-' is a separator";
    form->Exit1->SetEnabled(false);
    SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(form->Exit1->Command(), 0), 0);
    EXPECT_EQ(form->ExitClicks, 1) << "a disabled item does not click";
}

TEST(Menus, PopupMenuDefaultItemAndCommandIds)
{
    auto* owner = new TComponent(nullptr);
    auto* popup = new TPopupMenu(owner);
    auto* show = new TMenuItem(owner);
    show->SetCaption("Show main window");
    show->SetDefault(true);
    auto* close = new TMenuItem(owner);
    close->SetCaption("Close application");
    popup->Items().Add(show);
    popup->Items().Add(close);
    EXPECT_NE(show->Command(), close->Command());
    HMENU menu = popup->Handle();
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), show->Command());
    int clicked = 0;
    close->OnClick = [&](TObject*) { ++clicked; };
    EXPECT_TRUE(popup->DispatchCommand(close->Command()));
    EXPECT_FALSE(popup->DispatchCommand(60000));
    EXPECT_EQ(clicked, 1);
    delete owner;  // frees the menu and its items, each once
}

TEST(Timer, FiresWhileEnabledAndStopsWhenDisabled)
{
    auto* owner = new TComponent(nullptr);
    auto* timer = new TTimer(owner);
    int ticks = 0;
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_TRUE(timer->Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000));
    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Running());
    int now = ticks;
    PumpFor(100);
    EXPECT_EQ(ticks, now);
    timer->SetInterval(0);
    timer->SetEnabled(true);
    EXPECT_FALSE(timer->Running()) << "no interval, no timer";
    delete owner;
}

TEST(Application, ExceptionInAHandlerIsReportedAndTheLoopGoesOn)
{
    TExceptionCatcher catcher;
    TFormPtr form(new TTestForm(nullptr));
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* failing = new TTimer(owner.get());
    auto* finisher = new TTimer(owner.get());
    int failures = 0;
    failing->SetInterval(10);
    failing->SetOnTimer([&](TObject*) {
        ++failures;
        if (failures == 3)
            failing->SetEnabled(false);
        throw Exception("Feed unavailable");
    });
    // A handler of a window control fails too: its message still returns.
    form->Panel1->OnClick = [](TObject*) { throw std::runtime_error("plain error"); };
    finisher->SetInterval(50);
    finisher->SetOnTimer([&](TObject*) {
        if (failures >= 3) {
            SendMessageA(form->Panel1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageA(form->Panel1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            Application.Terminate();
        }
    });
    Application.SetMainForm(form.get());
    Application.ShowMainForm = false;
    Application.Run();
    Application.SetMainForm(nullptr);
    Application.ShowMainForm = true;
    Application.ResetTerminated();
    EXPECT_EQ(failures, 3) << "the loop went on after each error";
    ASSERT_EQ(catcher.Messages.size(), 4u);
    EXPECT_EQ(catcher.Messages[0], "Feed unavailable");
    EXPECT_EQ(catcher.Senders[0], failing);
    EXPECT_EQ(catcher.Messages[3], "plain error");
    EXPECT_EQ(catcher.Senders[3], form->Panel1);
}

TEST(Application, TerminationRequestedBeforeTheLoopKeepsTheMainFormHidden)
{
    TFormPtr form(new TTestForm(nullptr));
    Application.SetMainForm(form.get());
    Application.Terminate();
    EXPECT_FALSE(Application.Terminated()) << "the request takes effect when a loop runs";
    Application.Run();
    EXPECT_TRUE(Application.Terminated());
    EXPECT_EQ(form->Shows, 0);
    Application.ResetTerminated();
    // Without a request the main form is shown when the loop starts.
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* stopper = new TTimer(owner.get());
    stopper->SetInterval(30);
    stopper->SetOnTimer([](TObject*) { Application.Terminate(); });
    Application.Run();
    EXPECT_EQ(form->Shows, 1);
    Application.ResetTerminated();
    Application.SetMainForm(nullptr);
}

TEST(Application, MainFormCloseRequestsTermination)
{
    TFormPtr form(new TTestForm(nullptr));
    Application.SetMainForm(form.get());
    form->Show();
    form->Close();
    Application.ProcessMessages();
    EXPECT_TRUE(Application.Terminated());
    Application.ResetTerminated();
    Application.SetMainForm(nullptr);
}

TEST(Form, ShowModalReturnsTheButtonsModalResult)
{
    TFormPtr form(new TTestForm(nullptr));
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetCaption("OK");
    ok->ModalResult = mrOk;
    ok->SetDefault(true);
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* clicker = new TTimer(owner.get());
    clicker->SetInterval(30);
    clicker->SetOnTimer([&](TObject*) {
        clicker->SetEnabled(false);
        SendMessageA(ok->Handle(), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Visible());
    // Escape with no cancel button does nothing; closing gives mrCancel.
    clicker->SetOnTimer([&](TObject*) {
        clicker->SetEnabled(false);
        PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    });
    clicker->SetEnabled(true);
    EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST(Graphics, FontSizeAndHeightAgreeAtTheScreenResolution)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13) << "10 points at 96 dots per inch";
    font.SetSize(8);
    EXPECT_EQ(font.Height(), -11) << "8 points at 96 dots per inch";
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(8);
    EXPECT_EQ(changes, 2) << "the same size is no change";
    font.SetStyle(fsBold);
    HFONT h = font.Handle();
    LOGFONTA lf{};
    GetObjectA(h, sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(ColorToRGB(clGreen), RGB(0, 128, 0));
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
}

TEST(Graphics, CanvasDrawsOnABitmap)
{
    TBitmap bmp;
    bmp.SetSize(20, 10);
    TCanvas& canvas = bmp.Canvas();
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(GetPixel(canvas.Handle(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.Handle(), 15, 5), RGB(255, 255, 255)) << "a new bitmap is white";
    EXPECT_GT(canvas.TextWidth("Skyloom"), 0);
    TPicture picture;
    picture.Bitmap().Assign(bmp);
    EXPECT_EQ(picture.Width(), 20);
    TPicture copy;
    copy.Assign(picture);
    EXPECT_EQ(copy.Height(), 10);
}
