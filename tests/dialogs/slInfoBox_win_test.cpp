// The message box on a real window system: answers, the stored answer, Escape, copying and the greyed Close.
#include "Clipbrd.h"
#include "ExtCtrls.h"
#include "Registry.h"
#include "TestSupport.h"
#include "slInfoBox.h"

#include <gtest/gtest.h>

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
    InfoBoxLocalizedCaptions = nullptr;
}
