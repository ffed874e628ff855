// The button panel on a real window system: docking, clicks and the size grip.
#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"
#include "slButtonsPanel.h"

#include "WidgetTestForms.h"

#include <gtest/gtest.h>

#include <string>

using namespace skyloom;
using skyloom::testing::NewForm;

TEST(ButtonsPanel, TheMessageBoxPanelDocksAndCentresItsButtons)
{
    auto form = NewForm(361, 150);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetButtonsAlignment(taCenter);
    panel->SetMarginVert(7);
    panel->BtnApply().SetVisible(false);
    panel->SetParent(form.get());
    form->Show();
    Application.ProcessMessages();
    EXPECT_EQ(panel->Height(), 39);
    EXPECT_EQ(panel->Top(), 150 - 39) << "docked to the bottom";
    EXPECT_EQ(panel->Width(), 361);
    TButton* ok = panel->BtnOK().Button();
    EXPECT_EQ(ok->Left(), (361 - 156) / 2 + 1);
    EXPECT_EQ(ok->Top(), 7);
    EXPECT_EQ(panel->BtnCancel().Button()->Left(), ok->Left() + 81);
    panel->BtnCancel().SetVisible(false);
    EXPECT_EQ(ok->Left(), (361 - 75) / 2 + 1) << "hiding Cancel re-centres OK";
    panel->SetShowDivider(true);
    EXPECT_EQ(panel->Height(), 41);
    EXPECT_EQ(ok->Top(), 9);
    EXPECT_TRUE(panel->Divider()->Visible());
    EXPECT_EQ(panel->BtnOK().Caption(), "OK");
    panel->BtnOK().SetCaption("&Yes");
    EXPECT_EQ(ok->Caption(), "&Yes") << "the description writes through to the button";
    EXPECT_EQ(ok->Tag, pbOK);
    EXPECT_EQ(panel->BtnCustom().Button()->Tag, pbCustom);
}

TEST(ButtonsPanel, ClicksReachTheEventsUnlessApplySettingsRefuses)
{
    auto form = NewForm(400, 100);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetParent(form.get());
    form->Show();
    std::vector<std::string> journal;
    bool allow = false;
    int applyChanges = 0;
    panel->OnApplySettings = [&](TObject*, bool& a) {
        journal.push_back("apply?");
        a = allow;
    };
    panel->OnAnyBtnClick = [&](TObject*, int tag) { journal.push_back("any " + std::to_string(tag)); };
    panel->OnBtnOKClick = [&](TObject*) { journal.push_back("ok"); };
    panel->OnBtnCancelClick = [&](TObject*) { journal.push_back("cancel"); };
    panel->OnApplyEnabledChanged = [&](TObject*) { ++applyChanges; };

    SendMessageA(panel->BtnOK().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"apply?"})) << "a refusal stops the click there";
    EXPECT_EQ(form->ModalResult, mrNone) << "the dialog stays open";

    journal.clear();
    allow = true;
    panel->SetApplyEnabled(true);
    EXPECT_EQ(applyChanges, 1);
    SendMessageA(panel->BtnOK().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"apply?", "any 0", "ok"}));
    EXPECT_EQ(form->ModalResult, mrOk);
    EXPECT_FALSE(panel->ApplyEnabled()) << "settings applied: Apply is disabled";
    EXPECT_EQ(applyChanges, 2);

    journal.clear();
    form->ModalResult = mrNone;
    SendMessageA(panel->BtnCancel().Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(journal, (std::vector<std::string>{"any 1", "cancel"})) << "Cancel does not ask";
    EXPECT_EQ(form->ModalResult, mrCancel);
}

TEST(ButtonsPanel, TheSizeGripSizesTheForm)
{
    auto form = NewForm(300, 120);
    auto* panel = new TslButtonsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetShowSizeGrip(true);
    form->Show();
    Application.ProcessMessages();
    TRect g = panel->SizeGripRect();
    EXPECT_EQ(g.Width(), GetSystemMetrics(SM_CXVSCROLL));
    TPoint inside = panel->ClientToScreen(TPoint{g.Right - 2, g.Bottom - 2});
    TPoint outside = panel->ClientToScreen(TPoint{2, 2});
    EXPECT_EQ(SendMessageA(panel->Handle(), WM_NCHITTEST, 0, MAKELPARAM(inside.X, inside.Y)), HTBOTTOMRIGHT);
    EXPECT_NE(SendMessageA(panel->Handle(), WM_NCHITTEST, 0, MAKELPARAM(outside.X, outside.Y)), HTBOTTOMRIGHT);
}
