#include "slFormSystemMenu.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace skyloom {
namespace {

std::string Entry(HMENU menu, int pos)
{
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION);
    return text;
}

std::vector<UINT> Commands(HMENU menu)
{
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

bool HasCommand(HMENU menu, UINT id)
{
    for (UINT c : Commands(menu))
        if (c == id)
            return true;
    return false;
}

std::string* GOrder = nullptr;

// Stands for the window's own procedure at the bottom of the chain.
WNDPROC GFormProc = nullptr;
LRESULT CALLBACK RecordingFormProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_SYSCOMMAND && GOrder)
        *GOrder += "window ";
    if (m == SL_SYSMENUREBUILT && GOrder)
        *GOrder += "rebuilt ";
    return CallWindowProcA(GFormProc, w, m, wp, lp);
}

void CALLBACK CloseMenuLater(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

// Another hook on the same window, attached after the system menu's.
class TRecorderHook : public TslFormHookComponent {
public:
    TRecorderHook(TComponent* owner, TComponent* host) : TslFormHookComponent(owner, host) {}
    void BeforeMessage(TMessage& m, bool&) override
    {
        if (m.Msg == WM_SYSCOMMAND && GOrder)
            *GOrder += "recorder ";
    }
};

// The program's main window as far as the system menu cares: single border, system menu and minimize button.
class FormSystemMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GOrder = &Order;
        Form = std::make_unique<TForm>(nullptr);
        Form->BeginLoading();
        Form->SetBorderStyle(bsSingle);
        Form->SetBorderIcons(biSystemMenu | biMinimize);
        GFormProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingFormProc)));
        SysMenu = new TslFormSystemMenu(Form.get());
        About = new TMenuItem(Form.get());
        About->SetCaption("About...");
        About->OnClick = [this](TObject* sender) {
            EXPECT_EQ(sender, Form.get()) << "the form is the sender";
            Order += "about ";
        };
        SysMenu->Items().Add(About);
        Form->FinishLoading();
    }

    void TearDown() override
    {
        Form.reset();
        GOrder = nullptr;
    }

    HMENU Menu() { return GetSystemMenu(Form->Handle(), FALSE); }
    LONG_PTR Style() { return GetWindowLongPtrA(Form->Handle(), GWL_STYLE); }

    std::string Order;
    std::unique_ptr<TForm> Form;
    TslFormSystemMenu* SysMenu = nullptr;
    TMenuItem* About = nullptr;
};

TEST(FormSystemMenuOwner, OwnerMustBeAForm)
{
    TComponent root(nullptr);
    try {
        new TslFormSystemMenu(&root);
        FAIL() << "a component that is not a form was accepted";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message, "Owner must be a Form!");
    }
    EXPECT_EQ(root.ComponentCount(), 0) << "the refused component left nothing behind";
}

TEST_F(FormSystemMenuTest, AboutIsTheFirstEntryDirectlyAboveTheStandardCommands)
{
    HMENU menu = Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Entry(menu, 0), "About...");
    EXPECT_EQ(GetMenuItemID(menu, 0), About->Command());
    EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(SC_RESTORE)) << "no separator in between";
    int abouts = 0;
    for (UINT c : Commands(menu))
        abouts += c == About->Command();
    EXPECT_EQ(abouts, 1);
}

TEST_F(FormSystemMenuTest, AllStandardCommandsActiveGiveAnEnabledMaximizeBox)
{
    EXPECT_NE(Style() & WS_MAXIMIZEBOX, 0) << "the design had none; every SysItems entry is active";
    EXPECT_NE(Style() & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(Style() & WS_THICKFRAME, 0) << "a single border stays single";
    for (UINT c : {SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE})
        EXPECT_TRUE(HasCommand(Menu(), c)) << std::hex << c;
}

TEST_F(FormSystemMenuTest, ChoosingTheItemRunsItsHandlerBeforeTheWindowsOwnProcedure)
{
    auto* recorder = new TRecorderHook(Form.get(), Form.get());
    Order.clear();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, About->Command(), 0);
    EXPECT_EQ(Order, "recorder about window ") << "the later hook first, then ours, then the window";
    delete recorder;
    Order.clear();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, About->Command(), 0);
    EXPECT_EQ(Order, "about window ") << "the chain closes behind a removed hook";
    Order.clear();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, About->Command() + 1000, 0);
    EXPECT_EQ(Order, "window ") << "other commands pass untouched";
}

TEST_F(FormSystemMenuTest, RemovingTheComponentRestoresTheWindowAndItsMenu)
{
    auto* recorder = new TRecorderHook(Form.get(), Form.get());
    delete SysMenu;
    Order.clear();
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, About->Command(), 0);
    EXPECT_EQ(Order, "recorder window ") << "the remaining hook still passes to the window";
    delete recorder;
    EXPECT_EQ(GetWindowLongPtrA(Form->Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(RecordingFormProc))
        << "the window's own procedure is back";
}

TEST_F(FormSystemMenuTest, MenuIsRebuiltJustBeforeItOpens)
{
    DeleteMenu(Menu(), About->Command(), MF_BYCOMMAND);
    ASSERT_FALSE(HasCommand(Menu(), About->Command()));
    Order.clear();
    // A right click on the caption opens the system menu; close it again should it open.
    // The platform follows the button until it is released; the release is queued first so that it returns.
    const UINT_PTR closer = SetTimer(nullptr, 0, 300, CloseMenuLater);
    PostMessageA(Form->Handle(), WM_RBUTTONUP, 0, 0);
    SendMessageA(Form->Handle(), WM_NCRBUTTONDOWN, HTCAPTION, 0);
    KillTimer(nullptr, closer);
    EXPECT_TRUE(HasCommand(Menu(), About->Command()));
    EXPECT_EQ(Entry(Menu(), 0), "About...");
    EXPECT_NE(Order.find("rebuilt"), std::string::npos) << "the form hears that its menu was rebuilt";
}

TEST_F(FormSystemMenuTest, SysItemsChangeTheMenuAtOnce)
{
    SysMenu->SysItems().SetClose(isHidden);
    EXPECT_FALSE(HasCommand(Menu(), SC_CLOSE));
    SysMenu->SysItems().SetClose(isDisabled);
    EXPECT_TRUE(HasCommand(Menu(), SC_CLOSE));
    EXPECT_NE(GetMenuState(Menu(), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    SysMenu->SysItems().SetMaximize(isHidden);
    EXPECT_EQ(Style() & WS_MAXIMIZEBOX, 0) << "a hidden maximize command takes the button away";
    EXPECT_FALSE(HasCommand(Menu(), SC_MAXIMIZE));
    EXPECT_EQ(Entry(Menu(), 0), "About...");
}

TEST_F(FormSystemMenuTest, InactiveRestoresThePlatformDefaultMenu)
{
    const int withAbout = GetMenuItemCount(Menu());
    SysMenu->SetActive(false);
    EXPECT_FALSE(HasCommand(Menu(), About->Command()));
    EXPECT_EQ(GetMenuItemCount(Menu()), withAbout - 1);
    SysMenu->SetActive(true);
    EXPECT_EQ(GetMenuItemCount(Menu()), withAbout) << "items never appear twice";
}

TEST_F(FormSystemMenuTest, InvisibleItemsLeaveNoGap)
{
    auto* hidden = new TMenuItem(Form.get());
    hidden->SetCaption("Hidden");
    hidden->SetVisible(false);
    auto* last = new TMenuItem(Form.get());
    last->SetCaption("Last");
    SysMenu->Items().Add(hidden);
    SysMenu->Items().Add(last);
    SysMenu->UpdateSystemMenu();
    EXPECT_EQ(Entry(Menu(), 0), "About...");
    EXPECT_EQ(Entry(Menu(), 1), "Last");
    EXPECT_EQ(GetMenuItemID(Menu(), 2), static_cast<UINT>(SC_RESTORE));
    EXPECT_FALSE(HasCommand(Menu(), hidden->Command()));
}

TEST_F(FormSystemMenuTest, SubMenusSurviveRebuilding)
{
    auto* parent = new TMenuItem(Form.get());
    parent->SetCaption("More");
    auto* child = new TMenuItem(Form.get());
    child->SetCaption("Child");
    int childClicks = 0;
    child->OnClick = [&](TObject*) { ++childClicks; };
    parent->Add(child);
    SysMenu->Items().Add(parent);
    for (int i = 0; i < 3; ++i)
        SysMenu->UpdateSystemMenu();
    HMENU sub = GetSubMenu(Menu(), 1);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(Entry(sub, 0), "Child");
    EXPECT_TRUE(IsMenu(parent->Handle())) << "the item's own menu is not given away";
    SendMessageA(Form->Handle(), WM_SYSCOMMAND, child->Command(), 0);
    EXPECT_EQ(childClicks, 1);
}

TEST_F(FormSystemMenuTest, RecreatedWindowGetsItsMenuAgain)
{
    Form->RecreateWnd();
    Form->HandleNeeded();
    PumpFor(50);
    EXPECT_EQ(Entry(Menu(), 0), "About...");
    EXPECT_NE(Style() & WS_MAXIMIZEBOX, 0);
}

} // namespace
} // namespace skyloom
