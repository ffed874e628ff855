// What's-this help on a form: the help text lookup, the popup, "&Copy", and which right-clicks offer help.
#include "Clipbrd.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "TestSupport.h"
#include "slFormHelp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace skyloom;

namespace {

class THelpForm : public TForm {
public:
    explicit THelpForm(TComponent* owner) : TForm(owner)
    {
        SetBorderStyle(bsDialog);
        SetBorderIcons(biSystemMenu | biHelp);
        SetBounds(200, 150, 320, 200);
        Panel = new TPanel(this);
        Panel->SetParent(this);
        Panel->SetBounds(10, 10, 200, 100);
        Plain = new TButton(this);
        Plain->SetParent(Panel);
        Plain->SetBounds(10, 10, 75, 25);
        Plain->SetCaption("Plain");
        Go = new TButton(this);
        Go->SetParent(this);
        Go->SetBounds(220, 10, 75, 25);
        Go->SetCaption("Go");
        Go->Hint = "Go";
        Ok = new TButton(this);
        Ok->SetParent(this);
        Ok->SetBounds(220, 50, 75, 25);
        Ok->ModalResult = mrOk;
        Menu = new TPopupMenu(this);
        Menued = new TButton(this);
        Menued->SetParent(this);
        Menued->SetBounds(220, 90, 75, 25);
        Menued->Hint = "|Has a menu";
        Menued->SetPopupMenu(Menu);
        Help = new TslFormHelp(this);
        FinishLoading();
    }
    TPanel* Panel;
    TButton* Plain;
    TButton* Go;
    TButton* Ok;
    TButton* Menued;
    TPopupMenu* Menu;
    TslFormHelp* Help;
};

struct TFormDeleter {
    void operator()(TForm* f) const { delete f; }
};

TPoint Centre(TControl* c) { return c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2}); }

} // namespace

TEST(FormHelp, HelpTextsComeFromHintsAndBuiltInButtonTexts)
{
    std::unique_ptr<THelpForm, TFormDeleter> form(new THelpForm(nullptr));
    TControl* source = nullptr;
    EXPECT_EQ(TslFormHelp::HelpTextOf(form->Plain, source), "") << "no hint up to the form";
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(TslFormHelp::HelpTextOf(form->Go, source), "Go") << "a hint without a bar is its own long hint";
    EXPECT_EQ(TslFormHelp::HelpTextOf(form->Ok, source), "Closes the dialog box and saves any changes you have made.");
    EXPECT_EQ(form->Ok->Hint, "|Closes the dialog box and saves any changes you have made.")
        << "the built-in text is stored into the button's hint";
    form->Panel->Hint = "|The panel";
    EXPECT_EQ(TslFormHelp::HelpTextOf(form->Plain, source), "The panel");
    EXPECT_EQ(source, form->Panel) << "the parent's hint answers";
}

TEST(FormHelp, ThePopupShowsCopiesAndCloses)
{
    std::unique_ptr<THelpForm, TFormDeleter> form(new THelpForm(nullptr));
    form->Show();
    Application.ProcessMessages();
    form->Go->Hint = "|[b]Note[] text";
    int hidden = 0;
    form->Help->OnHide = [&](TObject*, TControl* c) {
        EXPECT_EQ(c, form->Go);
        ++hidden;
    };
    TPoint p = Centre(form->Go);
    SetCursorPos(p.X, p.Y);
    bool hintsBefore = Application.ShowHint();
    form->Help->ShowControlHelp(form->Go);
    ASSERT_NE(TslFormHelp::PopupWindow(), nullptr);
    EXPECT_FALSE(Application.ShowHint()) << "hints are off while the popup shows";
    RECT r;
    GetWindowRect(TslFormHelp::PopupWindow(), &r);
    EXPECT_EQ(r.top, p.Y) << "its top at the pointer";
    EXPECT_LE(std::abs((r.left + r.right) / 2 - p.X), 1) << "centred on the pointer";
    TslFormHelp::CopyPopupText();
    EXPECT_EQ(Clipboard().AsText(), "Note text");
    PostMessageA(TslFormHelp::PopupWindow(), WM_KEYDOWN, VK_SPACE, 0);
    Application.ProcessMessages();
    EXPECT_EQ(TslFormHelp::PopupWindow(), nullptr) << "a key closes it";
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(Application.ShowHint(), hintsBefore);

    // Near the right and bottom edges of the screen.
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(cx - 3, cy - 3);
    form->Help->ShowControlHelp(form->Go);
    ASSERT_NE(TslFormHelp::PopupWindow(), nullptr);
    GetWindowRect(TslFormHelp::PopupWindow(), &r);
    MONITORINFO mi{sizeof(MONITORINFO), {}, {}, 0};
    GetMonitorInfoA(MonitorFromPoint(POINT{cx - 3, cy - 3}, MONITOR_DEFAULTTONEAREST), &mi);
    EXPECT_EQ(r.right, mi.rcWork.right) << "ends at the right edge";
    EXPECT_EQ(r.bottom, mi.rcWork.bottom - 20) << "ends 20 pixels above the bottom";
    TslFormHelp::ClosePopup();
}

TEST(FormHelp, ARightClickOffersHelpOnlyWhereTheControlHasNoMenu)
{
    std::unique_ptr<THelpForm, TFormDeleter> form(new THelpForm(nullptr));
    form->Show();
    Application.ProcessMessages();
    int offered = 0;
    // Show the help at once instead of the menu, so no menu loop waits for the user.
    form->Help->OnWhatsThis = [&](TObject*, TControl*, TPoint, bool& showPopup, bool& showHelp) {
        ++offered;
        showPopup = false;
        showHelp = true;
    };
    TPoint menued = Centre(form->Menued);
    SetCursorPos(menued.X, menued.Y);
    form->Help->RightButtonReleased(menued);
    Application.ProcessMessages();
    EXPECT_EQ(offered, 0) << "a control with its own popup menu never gets \"What's This?\"";
    EXPECT_EQ(TslFormHelp::PopupWindow(), nullptr);

    TPoint go = Centre(form->Go);
    SetCursorPos(go.X, go.Y);
    form->Help->RightButtonReleased(go);
    Application.ProcessMessages();
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(TslFormHelp::PopupText(), "Go");
    TslFormHelp::ClosePopup();

    form->Go->OnMouseUp = [](TObject*, TMouseButton, TShiftState, int, int) {};
    form->Help->RightButtonReleased(go);
    Application.ProcessMessages();
    EXPECT_EQ(offered, 1) << "nor does a control with a mouse handler of its own";
}

TEST(FormHelp, F1ShowsHelpForTheControlUnderThePointer)
{
    std::unique_ptr<THelpForm, TFormDeleter> form(new THelpForm(nullptr));
    form->Show();
    Application.ProcessMessages();
    TPoint ok = Centre(form->Ok);
    SetCursorPos(ok.X, ok.Y);
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, 0, form->Ok->Handle(), 0, {ok.X, ok.Y}};
    SendMessageA(form->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(TslFormHelp::PopupText(), "Closes the dialog box and saves any changes you have made.");
    TslFormHelp::ClosePopup();
    // With the pointer beside the form there is no control under it, not even the form with its own help text.
    form->Hint = "The form";
    SetCursorPos(form->Left() + form->Width() + 40, ok.Y);
    SendMessageA(form->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(TslFormHelp::PopupWindow(), nullptr) << "help for what lies outside the form: "
                                                    << TslFormHelp::PopupText();
    TslFormHelp::ClosePopup();
    SetCursorPos(ok.X, ok.Y);
    form->Help->UseF1 = false;
    SendMessageA(form->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(TslFormHelp::PopupWindow(), nullptr) << "F1 is ignored without UseF1";
}
