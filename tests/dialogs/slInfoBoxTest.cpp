// The message box on a real window system: answers, the stored answer, Escape, copying and the greyed Close.
#include "Clipbrd.h"
#include "ExtCtrls.h"
#include "Registry.h"
#include "TestSupport.h"
#include "slFormHelp.h"
#include "slInfoBox.h"
#include "slSelfUpdaterStrings_win.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

using namespace skyloom;

namespace {

const char kKey[] = "Software\\Quorvane\\SkyloomTest\\InfoBox";

// Runs action on the shown box a moment after it appeared (the modal loop runs meanwhile).
class TAnswer {
public:
    explicit TAnswer(std::function<void(TslInfoBoxForm*)> action) : FAction(std::move(action))
    {
        TslInfoBox::OnBoxCreated = [this](TslInfoBoxForm* form) {
            ++Boxes;
            FForm = form;
            FTimer = std::make_unique<TTimer>(nullptr);
            FTimer->SetInterval(150);
            FTimer->SetOnTimer([this](TObject*) {
                FTimer->SetEnabled(false);
                FAction(FForm);
            });
        };
    }
    ~TAnswer() { TslInfoBox::OnBoxCreated = nullptr; }
    int Boxes = 0;

private:
    std::function<void(TslInfoBoxForm*)> FAction;
    TslInfoBoxForm* FForm = nullptr;
    std::unique_ptr<TTimer> FTimer;
};

void Click(TslPanelBitBtn& button) { PostMessageA(button.Button()->Handle(), BM_CLICK, 0, 0); }

void PressKey(TslInfoBoxForm* form, WPARAM key) { PostMessageA(form->btns->BtnOK().Button()->Handle(), WM_KEYDOWN, key, 0); }

void ClearStored()
{
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    r.DeleteKey(kKey);
}

std::unique_ptr<TslInfoBox> NewBox()
{
    auto box = std::make_unique<TslInfoBox>(nullptr);
    box->SetRegKey(std::string(kKey) + "\\");
    box->RegValue = "Question";
    box->Text = "A newer version of [b]Skyloom[] was released.";
    box->Title = "Skyloom";
    return box;
}

} // namespace

TEST(InfoBox, EscapeAnswersNoInAYesNoBox)
{
    ClearStored();
    auto box = NewBox();
    box->InfoBoxButtons = ibYesNo;
    TAnswer answer([](TslInfoBoxForm* form) {
        EXPECT_EQ(form->btns->BtnOK().Caption(), "&Yes");
        EXPECT_EQ(form->btns->BtnCancel().Caption(), "&No");
        EXPECT_FALSE(form->btns->BtnCustom().Visible());
        EXPECT_EQ(form->btns->BtnCancel().Button()->Left() - (form->btns->BtnOK().Button()->Left() + 75), 20);
        PressKey(form, VK_ESCAPE);
    });
    EXPECT_EQ(box->Execute(false), idInfoNo);
    EXPECT_EQ(TslInfoBox::ShowingForm(), nullptr) << "the box is gone";
}

TEST(InfoBox, AnIconSettingThatFindsNoIconStillShowsTheBox)
{
    ClearStored();
    // A system icon's number, a number no resource can have, and a name nothing carries.
    for (const char* icon : {"32516", "99999999999", "NoSuchIcon"}) {
        auto box = NewBox();
        box->SetIconResID(icon);
        TAnswer answer([](TslInfoBoxForm* form) { Click(form->btns->BtnOK()); });
        int result = 0;
        EXPECT_NO_THROW(result = box->Execute(false)) << icon;
        EXPECT_EQ(result, idInfoOK) << icon;
        EXPECT_EQ(answer.Boxes, 1) << icon;
    }
}

TEST(InfoBox, ATickedAnswerIsStoredAndAnsweredNextTimeWithoutAWindow)
{
    ClearStored();
    auto box = NewBox();
    box->InfoBoxButtons = ibYesNo;
    {
        TAnswer answer([](TslInfoBoxForm* form) {
            EXPECT_TRUE(form->CheckBox->Visible());
            EXPECT_FALSE(form->CheckBox->Checked());
            EXPECT_EQ(form->CheckBox->Caption(), "Don't show me this message again");
            form->CheckBox->SetChecked(true);
            SaveScreenShot("infobox-checkbox");
            Click(form->btns->BtnOK());
        });
        EXPECT_EQ(box->Execute(true), idInfoYes);
        EXPECT_EQ(answer.Boxes, 1);
    }
    EXPECT_EQ(box->StoredAnswer(), idInfoYes);
    TAnswer none([](TslInfoBoxForm*) { ADD_FAILURE() << "no window was expected"; });
    EXPECT_EQ(box->Execute(true), idInfoYes);
    EXPECT_EQ(none.Boxes, 0);
}

TEST(InfoBox, CancelStoresNothing)
{
    ClearStored();
    auto box = NewBox();
    box->InfoBoxButtons = ibYesNoCancel;
    TAnswer answer([](TslInfoBoxForm* form) {
        EXPECT_TRUE(form->btns->BtnCustom().Visible());
        EXPECT_EQ(form->btns->BtnCustom().Caption(), "Cancel");
        form->CheckBox->SetChecked(true);
        Click(form->btns->BtnCustom());
    });
    EXPECT_EQ(box->Execute(false), idInfoCancel);
    EXPECT_EQ(box->StoredAnswer(), 0);
}

TEST(InfoBox, CtrlCCopiesThePlainText)
{
    ClearStored();
    auto box = NewBox();
    box->Text = "[b]x[] [ub]y[]";
    Clipboard().SetAsText("before");
    TAnswer answer([](TslInfoBoxForm* form) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PressKey(form, 'C');
        Application.ProcessMessages();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        Click(form->btns->BtnOK());
    });
    EXPECT_EQ(box->Execute(false), idInfoOK);
    EXPECT_EQ(Clipboard().AsText(), "x y");
}

TEST(InfoBox, WithoutEscCancelCloseIsGreyedAndEscapeDoesNothing)
{
    ClearStored();
    auto box = NewBox();
    box->EscCancel = false;
    box->InfoBoxButtons = ibOKCancel;
    int step = 0;
    std::unique_ptr<TTimer> later;
    TAnswer answer([&](TslInfoBoxForm* form) {
        UINT state = GetMenuState(GetSystemMenu(form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
        EXPECT_TRUE(state & MF_GRAYED) << "Close is greyed";
        PressKey(form, VK_ESCAPE);
        later = std::make_unique<TTimer>(nullptr);
        later->SetInterval(200);
        later->SetOnTimer([&, form](TObject*) {
            later->SetEnabled(false);
            step = 1;
            EXPECT_TRUE(form->Visible()) << "Escape did not close the box";
            Click(form->btns->BtnCancel());
        });
    });
    EXPECT_EQ(box->Execute(false), idInfoCancel);
    EXPECT_EQ(step, 1);
}

TEST(InfoBox, ABoxOpenedFromABoxLeavesTheOuterOneTracked)
{
    ClearStored();
    auto outer = NewBox();
    auto inner = NewBox();
    inner->RegValue = "Inner";
    TslInfoBoxForm* outerForm = nullptr;
    TslInfoBoxForm* afterInner = nullptr;
    int innerResult = -1;
    std::unique_ptr<TAnswer> innerAnswer;
    TAnswer answer([&](TslInfoBoxForm* form) {
        outerForm = form;
        // The inner box gets its own answer; Execute installs a new hook, so take the outer action over first.
        innerAnswer = std::make_unique<TAnswer>([](TslInfoBoxForm* f) { Click(f->btns->BtnOK()); });
        innerResult = inner->Execute(false);
        afterInner = TslInfoBox::ShowingForm();
        Click(form->btns->BtnOK());
    });
    EXPECT_EQ(outer->Execute(false), idInfoOK);
    EXPECT_EQ(innerResult, idInfoOK);
    EXPECT_EQ(afterInner, outerForm) << "closing the inner box leaves the outer one tracked";
    EXPECT_EQ(TslInfoBox::ShowingForm(), nullptr);
}

TEST(InfoBox, ShowInfoBoxShowsTheWarningQuestionWithoutCheckBox)
{
    ClearStored();
    const auto tableCaptions = InfoBoxLocalizedCaptions;
    InfoBoxLocalizedCaptions = [](TslInfoBoxButtonCaptions& c) {
        c.Yes = "&Ja";
        c.No = "&Nein";
    };
    TAnswer answer([](TslInfoBoxForm* form) {
        EXPECT_FALSE(form->CheckBox->Visible());
        EXPECT_EQ(form->Caption(), "Update");
        EXPECT_EQ(form->btns->BtnOK().Caption(), "&Ja");
        EXPECT_EQ(form->Text->Caption(), "New version");
        EXPECT_FALSE(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) << "no help button";
        Click(form->btns->BtnOK());
    });
    EXPECT_EQ(ShowInfoBox("New version", "Update", 52, true, true), idInfoYes);
    InfoBoxLocalizedCaptions = tableCaptions;
}

TEST(InfoBox, LocalizedButtonsFollowTheSelfUpdaterLanguageInUse)
{
    ClearStored();
    const TslSelfUpdaterLanguage before = SelfUpdaterBlockLanguage();
    struct TCase {
        TslSelfUpdaterLanguage Language;
        unsigned Flags;
        bool Localized;
        const char* First;
        const char* Second;
    };
    const TCase cases[] = {
        {wlGerman, 4, true, "&Ja", "&Nein"},           // Yes/No
        {wlDutch, 1, true, "&OK", "&Annuleren"},       // OK/Cancel
        {wlSpanish, 1, true, "&Aceptar", "&Cancelar"},
        {wlGerman, 4, false, "&Yes", "&No"},           // the box's own captions without LocalizedButtons
    };
    for (const TCase& c : cases) {
        SelectSelfUpdaterLanguage(c.Language);
        TAnswer answer([&](TslInfoBoxForm* form) {
            EXPECT_EQ(form->btns->BtnOK().Caption(), c.First) << "language " << c.Language;
            EXPECT_EQ(form->btns->BtnCancel().Caption(), c.Second) << "language " << c.Language;
            Click(form->btns->BtnOK());
        });
        ShowInfoBox("Question", "Update", c.Flags, c.Localized, true);
        EXPECT_EQ(answer.Boxes, 1);
    }
    SelectSelfUpdaterLanguage(before);
}

TEST(InfoBoxHelp, HelpModeThenAClickOnYesShowsTheYesText)
{
    ClearStored();
    auto box = NewBox();
    box->InfoBoxButtons = ibYesNo;
    std::string shown, copied, second;
    bool helpExStyle = false;
    std::unique_ptr<TTimer> later;
    TAnswer answer([&](TslInfoBoxForm* form) {
        helpExStyle = (GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        // The caption's "?" sends the system's context-help command; then the user clicks on Yes.
        SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
        EXPECT_TRUE(form->FH->HelpMode());
        TButton* yes = form->btns->BtnOK().Button();
        TPoint centre = yes->ClientToScreen(TPoint{37, 12});
        SetCursorPos(centre.X, centre.Y);
        TPoint local = form->ScreenToClient(centre);
        SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.X, local.Y));
        SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(local.X, local.Y));
        EXPECT_FALSE(form->FH->HelpMode()) << "the click ends help mode";
        ASSERT_NE(TslFormHelp::PopupWindow(), nullptr);
        char cls[64] = {};
        GetClassNameA(TslFormHelp::PopupWindow(), cls, sizeof cls);
        EXPECT_STREQ(cls, "TslFormHelpPopup");
        shown = TslFormHelp::PopupText();
        TslFormHelp::CopyPopupText();
        copied = Clipboard().AsText();
        SaveScreenShot("whatsthis");
        // The second button's help.
        TButton* no = form->btns->BtnCancel().Button();
        form->FH->ShowControlHelp(no);
        second = TslFormHelp::PopupText();
        TslFormHelp::ClosePopup();
        Click(form->btns->BtnCancel());
    });
    EXPECT_EQ(box->Execute(false), idInfoNo);
    EXPECT_TRUE(helpExStyle) << "the caption carries the help button";
    EXPECT_EQ(shown, "Closes the dialog box and confirms the question with affirmative response (i.e: allows to "
                     "perform requested action).");
    EXPECT_EQ(copied, shown);
    EXPECT_EQ(second, "Closes the dialog box without confirmation of the question. (Negative response, i.e: "
                      "disallow to perform requested action.)");
    EXPECT_EQ(TslFormHelp::PopupWindow(), nullptr);
}

TEST(InfoBoxHelp, TheCheckBoxHasItsOwnHelpAndTheTextNone)
{
    ClearStored();
    auto box = NewBox();
    std::string check;
    TControl* onText = reinterpret_cast<TControl*>(1);
    TAnswer answer([&](TslInfoBoxForm* form) {
        TControl* source = nullptr;
        check = TslFormHelp::HelpTextOf(form->CheckBox, source);
        EXPECT_EQ(source, form->CheckBox);
        onText = form->FH->FindHelpControl(form->Text->ClientToScreen(TPoint{2, 2}));
        Click(form->btns->BtnOK());
    });
    box->Execute(false);
    EXPECT_EQ(check, "Check this box if you don't want this message appear in future.");
    EXPECT_EQ(onText, nullptr) << "the text has no window: the form is found, which has no hint";
}
