// Forms and the application on a real window system: design settings, showing and closing, modal results, the
// message loop and the key preview.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TestSupport.h"
#include "WinHandles.h"

#include "TestForms.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace skyloom;
using namespace skyloom::testing;

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

// Run by the next test as a copy of this binary in a folder of its own: writes what ExeName gives to the file
// named by SL_EXENAME_OUT.
TEST(Application, ExeNameWrittenForTheNextTest)
{
    char out[MAX_PATH] = {};
    if (GetEnvironmentVariableA("SL_EXENAME_OUT", out, sizeof out) == 0)
        GTEST_SKIP() << "started by ExeNameNamesAProgramInAFolderOutsideTheCodePage";
    std::ofstream(out, std::ios::binary) << Application.ExeName();
}

TEST(Application, ExeNameNamesAProgramInAFolderOutsideTheCodePage)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    // Japanese, which the Western code pages the tests run with have no place for.
    const std::wstring folder = std::wstring(temp) + L"sl \u65E5\u672C " + pid;
    const std::wstring copy = folder + L"\\copy of the test.exe";
    wchar_t self[4 * MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, 4 * MAX_PATH);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
    char tempA[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tempA);
    const std::string out = std::string(tempA) + "skyloom-exename-" + std::to_string(GetCurrentProcessId()) + ".txt";
    SetEnvironmentVariableA("SL_EXENAME_OUT", out.c_str());
    std::wstring line = L"\"" + copy + L"\" --gtest_filter=Application.ExeNameWrittenForTheNextTest";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    TOwnedHandle process(pi.hProcess), thread(pi.hThread);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
    SetEnvironmentVariableA("SL_EXENAME_OUT", nullptr);
    std::ifstream in(out, std::ios::binary);
    const std::string name((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('?'), std::string::npos) << name;
    WIN32_FILE_ATTRIBUTE_DATA named{}, copied{};
    EXPECT_TRUE(GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &named)) << "names no file: " << name;
    ASSERT_TRUE(GetFileAttributesExW(copy.c_str(), GetFileExInfoStandard, &copied));
    EXPECT_EQ(named.nFileSizeLow, copied.nFileSizeLow) << name;
    DeleteFileA(out.c_str());
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}
