// The about box: a small modal window with the program's name and icon, a copyright text, a description and
// links to the publisher's mail address and web site, on a gradient background.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "slClasses.h"
#include "slFormBackgroundCore.h"
#include "slLabels.h"
#include "slQuickAboutBoxCore.h"

#include <string>

namespace skyloom {

class TslFormBackground;
class TslProportionalImage;
class TslRichLabel;
class TslSystemInfo;

class TslQuickAboutBox;

// Cursors of the window's parts (crDefault: the system's own).
class TslQuickAboutBoxFormCursors : public TslPersistent {
public:
    using TslPersistent::TslPersistent;
    TCursor Caption = crDefault;
    TCursor Client = crDefault;
    TCursor Border = crDefault;
    TCursor BtnClose = crDefault;
    TCursor Buttons = crDefault;
    TCursor Links = crLinkSelect;
    void Assign(const TPersistent& source) override;
};

class TslQuickAboutBoxGradientBackground : public TslPersistent {
public:
    using TslPersistent::TslPersistent;
    bool Enabled = true;
    TColor Color1 = clBtnFace;
    TColor Color2 = cl3DLight;
    TslGradientDirection Direction = gdHorizontal;
    void Assign(const TPersistent& source) override;
};

class TslQuickAboutBoxLocalization : public TslPersistent {
public:
    using TslPersistent::TslPersistent;
    std::string stAbout = "About";
    std::string stOK = "OK";
    void Assign(const TPersistent& source) override;
};

// The window Execute builds. Its controls carry their design settings; Execute fills them in.
class TslQuickAboutBoxForm : public TForm {
public:
    explicit TslQuickAboutBoxForm(TComponent* owner);
    TslProportionalImage* Icon = nullptr;
    TslLabel* TitleLabel = nullptr;
    TslRichLabel* CopyrightLabel = nullptr;
    TBevel* Bevel1 = nullptr;
    TslRichLabel* DescriptionLabel = nullptr;
    TBevel* Bevel2 = nullptr;
    TLabel* EmailLabel = nullptr;
    TslURLLabel* EmailLab = nullptr;
    TLabel* WWWLabel = nullptr;
    TslURLLabel* WWWLab = nullptr;
    TButton* OKBtn = nullptr;
    TslFormBackground* slFormBackground = nullptr;
    TslSystemInfo* slSystemInfo = nullptr;
    // Cursors of the caption bar, the border and the close button (crDefault: the system's).
    TCursor CaptionCursor = crDefault;
    TCursor BorderCursor = crDefault;
    TCursor CloseCursor = crDefault;
    // Fading in on showing and out on closing, in steps of this many milliseconds (0: no fading).
    unsigned ShowAnimationDelay = 0;
    unsigned HideAnimationDelay = 0;
    bool CloseQuery() override;

protected:
    void WndProc(TMessage& message) override;
    void DoShow() override;

private:
    void SetAlpha(int alpha);
    TTimer* FFadeTimer = nullptr;
    int FAlpha = 255;
};

class TslQuickAboutBox : public TslComponent {
public:
    explicit TslQuickAboutBox(TComponent* owner);
    ~TslQuickAboutBox() override;

    bool AnimationOnShow = true;
    bool AnimationOnHide = true;
    unsigned short AnimationDelay = 80;
    std::string Caption = "Program Name";
    std::string Copyright = "\"Program Name\" . . .\r\nCopyright (c) Company Name";
    TslQuickAboutBoxFormCursors& Cursors() { return FCursors; }
    TslQuickAboutBoxGradientBackground& GradientBackground() { return FGradientBackground; }
    std::string Description;
    TColor DescriptionColor = clHighlightText;
    TPicture& Icon() { return FIcon; }
    // Copies the picture.
    void SetIcon(const TPicture& value);
    TslQuickAboutBoxLocalization& Localization() { return FLocalization; }
    bool ShowBevels = true;
    bool ShowFrames = false;
    bool ShowHints = true;
    std::string Email = "someone@example.com";
    std::string EmailText;
    bool EmailIsWWW = false;
    std::string WebSite = "http://www.example.com/";
    int Width = 260;

    // Builds the window and shows it modally; returns when it is closed.
    void Execute();
    // The window while Execute runs, else nullptr.
    TslQuickAboutBoxForm* Form() const { return FForm; }
    // Called with the built window just before it is shown (tests and the program's test mode look at it).
    TNotifyEvent OnFormReady;

private:
    void Build(TslQuickAboutBoxForm& form);
    TslQuickAboutBoxFormCursors FCursors{this};
    TslQuickAboutBoxGradientBackground FGradientBackground{this};
    TPicture FIcon;
    TslQuickAboutBoxLocalization FLocalization{this};
    TslQuickAboutBoxForm* FForm = nullptr;
};

} // namespace skyloom
