// The about box built and shown on a real window system; each test closes it from its OnShow.
#include "slQuickAboutBox.h"

#include "Forms.h"
#include "TestSupport.h"
#include "slFormBackground.h"
#include "slPropImage.h"
#include "slRichLabel.h"

#include <gtest/gtest.h>

#include <functional>

using namespace skyloom;

namespace {

// Runs Execute; look(form) sees the shown window, which then closes with OK.
void ShowAndLook(TslQuickAboutBox& box, const std::function<void(TslQuickAboutBoxForm&)>& look)
{
    bool looked = false;
    box.OnFormReady = [&](TObject*) {
        TslQuickAboutBoxForm* form = box.Form();
        ASSERT_NE(form, nullptr);
        form->OnShow = [&, form](TObject*) {
            look(*form);
            looked = true;
            form->ModalResult = mrOk;
        };
    };
    box.Execute();
    EXPECT_TRUE(looked) << "the box was shown";
    EXPECT_EQ(box.Form(), nullptr) << "the window is freed after closing";
}

TEST(QuickAboutBox, Defaults)
{
    TslQuickAboutBox box(nullptr);
    EXPECT_TRUE(box.AnimationOnShow);
    EXPECT_TRUE(box.AnimationOnHide);
    EXPECT_EQ(box.AnimationDelay, 80);
    EXPECT_EQ(box.Caption, "Program Name");
    EXPECT_EQ(box.Cursors().Links, crLinkSelect);
    EXPECT_EQ(box.Cursors().Caption, crDefault);
    EXPECT_TRUE(box.GradientBackground().Enabled);
    EXPECT_EQ(box.GradientBackground().Color1, clBtnFace);
    EXPECT_EQ(box.GradientBackground().Color2, cl3DLight);
    EXPECT_EQ(box.GradientBackground().Direction, gdHorizontal);
    EXPECT_EQ(box.Localization().stAbout, "About");
    EXPECT_EQ(box.Localization().stOK, "OK");
    EXPECT_EQ(box.DescriptionColor, clHighlightText);
    EXPECT_TRUE(box.ShowBevels);
    EXPECT_FALSE(box.ShowFrames);
    EXPECT_TRUE(box.ShowHints);
    EXPECT_FALSE(box.EmailIsWWW);
    EXPECT_EQ(box.Width, 260);
}

TslQuickAboutBox& Configure(TslQuickAboutBox& box)
{
    box.AnimationOnShow = false;
    box.AnimationOnHide = false;
    box.Caption = "Skyloom";
    box.Description = "Internet connection monitor and RSS parser";
    box.Copyright = "\"Skyloom\" . . .\r\nCopyright (c) Quorvane";
    box.Width = 300;
    box.Email = "skyloom@example.com";
    box.WebSite = "https://www.example.com/skyloom/";
    return box;
}

TEST(QuickAboutBox, WindowTextsAndLayout)
{
    TslQuickAboutBox box(nullptr);
    Configure(box);
    ShowAndLook(box, [&](TslQuickAboutBoxForm& form) {
        EXPECT_EQ(form.Caption(), "About Skyloom. . .");
        EXPECT_EQ(form.OKBtn->Caption(), "OK");
        EXPECT_EQ(form.TitleLabel->Caption(), "Skyloom");
        EXPECT_EQ(form.Width(), 300);
        EXPECT_EQ(form.TitleLabel->Width(), 296);
        EXPECT_EQ(form.CopyrightLabel->Width(), 249) << "the copyright follows the box's width";
        EXPECT_EQ(form.CopyrightLabel->Caption(), box.Copyright);
        EXPECT_TRUE(form.DescriptionLabel->Visible());
        EXPECT_EQ(form.Bevel1->Top(), form.CopyrightLabel->Top() + form.CopyrightLabel->Height() + 2);
        EXPECT_EQ(form.DescriptionLabel->Top(), form.Bevel1->Top() + 5);
        EXPECT_EQ(form.Bevel2->Top(), form.DescriptionLabel->Top() + form.DescriptionLabel->Height() + 2);
        EXPECT_EQ(form.EmailLab->Top(), form.Bevel2->Top() + 5);
        EXPECT_EQ(form.EmailLabel->Top(), form.EmailLab->Top());
        EXPECT_EQ(form.WWWLab->Top(), form.EmailLab->Top() + form.EmailLab->Height());
        EXPECT_EQ(form.OKBtn->Top(), form.WWWLab->Top() + form.WWWLab->Height() + 6);
        EXPECT_EQ(form.ClientHeight(), form.OKBtn->Top() + 24 + 6);
        EXPECT_EQ(form.OKBtn->Left(), (form.ClientWidth() - 91) / 2) << "button centred";
        EXPECT_EQ(form.EmailLab->Left(), 72);
        EXPECT_EQ(form.EmailLabel->Caption(), "E-Mail:");
        EXPECT_EQ(form.WWWLabel->Caption(), "WWW:");
        EXPECT_EQ(form.EmailLab->Caption(), "skyloom@example.com");
        EXPECT_EQ(form.EmailLab->Hint, "skyloom@example.com");
        EXPECT_EQ(form.EmailLab->Kind, ukEmail);
        EXPECT_EQ(form.WWWLab->Caption(), "https://www.example.com/skyloom/");
        EXPECT_EQ(form.WWWLab->Kind, ukWWW);
        EXPECT_EQ(form.WWWLab->Cursor(), crLinkSelect);
        EXPECT_TRUE(form.slFormBackground->Active());
        EXPECT_EQ(form.slFormBackground->Kind(), bkGradient);
        EXPECT_EQ(form.slFormBackground->GradientColor1(), clBtnFace);
        EXPECT_EQ(form.slFormBackground->GradientColor2(), cl3DLight);
        // The mail link's subject and body are filled in as the window shows.
        EXPECT_EQ(form.EmailLab->Email().Subject, "Skyloom");
        const std::string& body = form.EmailLab->Email().Message;
        EXPECT_EQ(body.rfind("P.S: I'm using ", 0), 0u) << body;
        EXPECT_NE(body.find("); CPU: "), std::string::npos) << body;
        EXPECT_EQ(body.substr(body.size() - 4), "MHz.") << body;
    });
}

TEST(QuickAboutBox, EmptyDescriptionRemovesItsBlock)
{
    TslQuickAboutBox withDescription(nullptr);
    Configure(withDescription);
    int linksWith = 0;
    ShowAndLook(withDescription, [&](TslQuickAboutBoxForm& form) { linksWith = form.EmailLab->Top(); });

    TslQuickAboutBox box(nullptr);
    Configure(box).Description.clear();
    ShowAndLook(box, [&](TslQuickAboutBoxForm& form) {
        EXPECT_FALSE(form.DescriptionLabel->Visible());
        EXPECT_FALSE(form.Bevel2->Visible());
        EXPECT_TRUE(form.Bevel1->Visible());
        EXPECT_EQ(form.EmailLab->Top(), form.Bevel1->Top() + 5);
        EXPECT_LT(form.EmailLab->Top(), linksWith) << "the links move up";
    });
}

TEST(QuickAboutBox, ThirdCopyrightLinePushesEverythingDown)
{
    TslQuickAboutBox two(nullptr);
    Configure(two);
    int topTwo = 0, lineHeight = 0;
    ShowAndLook(two, [&](TslQuickAboutBoxForm& form) {
        topTwo = form.OKBtn->Top();
        lineHeight = form.CopyrightLabel->Height() / 2;
    });
    TslQuickAboutBox three(nullptr);
    Configure(three).Copyright += "\r\nAll rights reserved";
    ShowAndLook(three, [&](TslQuickAboutBoxForm& form) { EXPECT_EQ(form.OKBtn->Top(), topTwo + lineHeight); });
}

TEST(QuickAboutBox, EmailAsWebAddress)
{
    TslQuickAboutBox box(nullptr);
    Configure(box);
    box.EmailIsWWW = true;
    box.Email = "https://www.example.com/contact";
    box.EmailText = "Contact form";
    box.ShowBevels = false;
    box.Localization().stAbout = "Info";
    box.Localization().stOK = "Close";
    ShowAndLook(box, [&](TslQuickAboutBoxForm& form) {
        EXPECT_EQ(form.Caption(), "Info Skyloom. . .");
        EXPECT_EQ(form.OKBtn->Caption(), "Close");
        EXPECT_EQ(form.EmailLab->Kind, ukWWW);
        EXPECT_EQ(form.EmailLab->Caption(), "Contact form");
        EXPECT_EQ(form.EmailLab->URL, "https://www.example.com/contact");
        EXPECT_FALSE(form.Bevel1->Visible());
        EXPECT_FALSE(form.Bevel2->Visible());
    });
}

TEST(QuickAboutBox, GradientPaintsTheBoxBackground)
{
    TslQuickAboutBox box(nullptr);
    Configure(box);
    box.GradientBackground().Color1 = RGB(255, 0, 0);
    box.GradientBackground().Color2 = RGB(0, 0, 255);
    ShowAndLook(box, [&](TslQuickAboutBoxForm& form) {
        TBitmap surface;
        surface.SetSize(form.ClientWidth(), form.ClientHeight());
        SendMessageA(form.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Canvas().Handle()), 0);
        EXPECT_EQ(GetPixel(surface.Canvas().Handle(), 0, form.ClientHeight() - 1), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(surface.Canvas().Handle(), form.ClientWidth() - 1, 0), RGB(0, 0, 255));
    });
}

} // namespace
