#include "slQuickAboutBox.h"

#include "slFormBackground.h"
#include "slPropImage.h"
#include "slRichLabel.h"
#include "slSystemInfo.h"

#include <memory>

namespace skyloom {

// ---- settings ----

void TslQuickAboutBoxFormCursors::Assign(const TPersistent& source)
{
    using T = TslQuickAboutBoxFormCursors;
    AssignFields<TslPersistent>(*this, source, &T::Caption, &T::Client, &T::Border, &T::BtnClose, &T::Buttons,
                                &T::Links);
}

void TslQuickAboutBoxGradientBackground::Assign(const TPersistent& source)
{
    using T = TslQuickAboutBoxGradientBackground;
    AssignFields<TslPersistent>(*this, source, &T::Enabled, &T::Color1, &T::Color2, &T::Direction);
}

void TslQuickAboutBoxLocalization::Assign(const TPersistent& source)
{
    using T = TslQuickAboutBoxLocalization;
    AssignFields<TslPersistent>(*this, source, &T::stAbout, &T::stOK);
}

// ---- the window ----

namespace {

TslURLLabel* NewLink(TForm* form, const char* name, TslURLLabelKind kind)
{
    auto* link = NewComponent<TslURLLabel>(form, name);
    link->SetParent(form);
    link->SetLeft(AboutLinkLeft);
    link->SetTransparent(true);
    link->Kind = kind;
    // Blue, red while hovered, yellow while pressed.
    link->FontClick().SetColor(clYellow);
    link->FontClick().SetUsed(true);
    return link;
}

TLabel* NewCaptionLabel(TForm* form, const char* name, const char* caption)
{
    auto* label = NewComponent<TLabel>(form, name);
    label->SetParent(form);
    label->SetLeft(AboutTextLeft);
    label->SetTransparent(true);
    label->SetCaption(caption);
    return label;
}

TslRichLabel* NewRichLabel(TForm* form, const char* name, int left, int top, int width)
{
    auto* label = NewChild<TslRichLabel>(form, name, form, left, top, width, 13);
    label->SetWordWrap(true);
    label->SetTransparent(true);
    return label;
}

TBevel* NewBevel(TForm* form, const char* name)
{
    auto* bevel = NewChild<TBevel>(form, name, form, AboutTextLeft, 0, 100, 2);
    bevel->SetShape(bsTopLine);
    return bevel;
}

} // namespace

TslQuickAboutBoxForm::TslQuickAboutBoxForm(TComponent* owner) : TForm(owner)
{
    BeginLoading();
    DesignAsDialog("slQuickAboutBoxForm", 252, 150);
    ShowHint = true;

    Icon = NewChild<TslProportionalImage>(this, "Icon", this, 4, 4, 32, 32);
    Icon->SetAutoSize(true);
    Icon->Picture().Icon().SetHandle(CopyIcon(LoadIconA(nullptr, IDI_INFORMATION)));

    TitleLabel = NewComponent<TslLabel>(this, "TitleLabel");
    TitleLabel->SetParent(this);
    TitleLabel->SetAutoSize(false);
    TitleLabel->SetBounds(4, 4, 248, 21);
    TitleLabel->SetAlignment(taCenter);
    TitleLabel->SetTransparent(true);
    TitleLabel->Font().SetName("Arial");
    TitleLabel->Font().SetHeight(-16);
    TitleLabel->Font().SetStyle(fsBold | fsItalic);

    CopyrightLabel = NewRichLabel(this, "CopyrightLabel", AboutCopyrightLeft, AboutCopyrightTop, 249);
    Bevel1 = NewBevel(this, "Bevel1");
    DescriptionLabel = NewRichLabel(this, "DescriptionLabel", AboutTextLeft, 0, 200);
    Bevel2 = NewBevel(this, "Bevel2");
    EmailLabel = NewCaptionLabel(this, "EmailLabel", "E-Mail:");
    EmailLab = NewLink(this, "EmailLab", ukEmail);
    WWWLabel = NewCaptionLabel(this, "WWWLabel", "WWW:");
    WWWLab = NewLink(this, "WWWLab", ukWWW);

    OKBtn = NewChild<TButton>(this, "OKBtn", this, 80, 100, AboutButtonWidth, AboutButtonHeight);
    OKBtn->SetDefault(true);
    OKBtn->Cancel = true;
    OKBtn->ModalResult = mrOk;

    slFormBackground = NewComponent<TslFormBackground>(this, "slFormBackground");
    slFormBackground->SetKind(bkGradient);
    slFormBackground->SetGradientDirection(gdHorizontal);
    slSystemInfo = NewComponent<TslSystemInfo>(this, "slSystemInfo");
    FinishLoading();
}

void TslQuickAboutBoxForm::WndProc(TMessage& message)
{
    if (message.Msg == WM_SETCURSOR && reinterpret_cast<HWND>(message.WParam) == Handle()) {
        TCursor cursor = crDefault;
        switch (LOWORD(message.LParam)) {
        case HTCAPTION:
        case HTSYSMENU:
            cursor = CaptionCursor;
            break;
        case HTCLOSE:
            cursor = CloseCursor;
            break;
        case HTBORDER:
        case HTLEFT:
        case HTRIGHT:
        case HTTOP:
        case HTBOTTOM:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
            cursor = BorderCursor;
            break;
        default:
            break;
        }
        if (cursor != crDefault) {
            ::SetCursor(Screen.Cursors(cursor));
            message.Result = TRUE;
            return;
        }
    }
    TForm::WndProc(message);
}

namespace {

constexpr int FadeSteps = 4;
// Closing waits for its fade; a long step delay must not hold the user up.
constexpr unsigned LongestHideStep = 60;

} // namespace

void TslQuickAboutBoxForm::SetAlpha(int alpha)
{
    FAlpha = alpha;
    HWND wnd = Handle();
    const LONG_PTR exStyle = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
    if (alpha >= 255) {
        if (exStyle & WS_EX_LAYERED)
            SetWindowLongPtrA(wnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
        return;
    }
    if (!(exStyle & WS_EX_LAYERED))
        SetWindowLongPtrA(wnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(wnd, 0, static_cast<BYTE>(alpha < 0 ? 0 : alpha), LWA_ALPHA);
}

bool TslQuickAboutBoxForm::CloseQuery()
{
    if (!TForm::CloseQuery())
        return false;
    if (HideAnimationDelay > 0 && HandleAllocated() && IsWindowVisible(Handle())) {
        const unsigned step = HideAnimationDelay < LongestHideStep ? HideAnimationDelay : LongestHideStep;
        for (int i = FadeSteps - 1; i > 0; --i) {
            SetAlpha(255 * i / FadeSteps);
            Sleep(step);
        }
    }
    return true;
}

void TslQuickAboutBoxForm::DoShow()
{
    if (ShowAnimationDelay > 0) {
        SetAlpha(255 / FadeSteps);
        if (!FFadeTimer) {
            FFadeTimer = new TTimer(this);
            FFadeTimer->SetOnTimer([this](TObject*) {
                SetAlpha(FAlpha + 255 / FadeSteps >= 255 - FadeSteps ? 255 : FAlpha + 255 / FadeSteps);
                if (FAlpha >= 255)
                    FFadeTimer->SetEnabled(false);
            });
        }
        FFadeTimer->SetInterval(ShowAnimationDelay);
        FFadeTimer->SetEnabled(true);
    }
    // The mail link tells the publisher what the user runs; read each time the box is shown.
    EmailLab->Email().Subject = TitleLabel->Caption();
    EmailLab->Email().Message =
        AboutBoxMailBody(slSystemInfo->WinVersion(), slSystemInfo->WinVersionNumber(), slSystemInfo->CPUFrequency());
    TForm::DoShow();
}

// ---- TslQuickAboutBox ----

TslQuickAboutBox::TslQuickAboutBox(TComponent* owner) : TslComponent(owner) {}

TslQuickAboutBox::~TslQuickAboutBox() = default;

void TslQuickAboutBox::SetIcon(const TPicture& value) { FIcon.Assign(value); }

void TslQuickAboutBox::Build(TslQuickAboutBoxForm& form)
{
    // Size and hints.
    form.ShowHint = ShowHints;
    form.SetWidth(Width);
    const int clientWidth = form.ClientWidth();
    form.TitleLabel->SetWidth(Width - form.TitleLabel->Left());
    form.CopyrightLabel->SetWidth(Width - AboutCopyrightMargin);
    const int lineWidth = clientWidth - AboutTextLeft - 4;
    form.Bevel1->SetWidth(lineWidth);
    form.Bevel2->SetWidth(lineWidth);

    // Cursors.
    form.SetCursor(FCursors.Client);
    for (TslURLLabel* link : {form.EmailLab, form.WWWLab}) {
        link->SetCursor(FCursors.Links);
        link->CursorClick = FCursors.Links;
    }
    form.OKBtn->SetCursor(FCursors.Buttons);
    form.CaptionCursor = FCursors.Caption;
    form.BorderCursor = FCursors.Border;
    form.CloseCursor = FCursors.BtnClose;

    // Animation.
    form.ShowAnimationDelay = AnimationOnShow ? AnimationDelay : 0;
    form.HideAnimationDelay = AnimationOnHide ? AnimationDelay : 0;

    // Background.
    form.slFormBackground->SetActive(FGradientBackground.Enabled);
    form.slFormBackground->SetGradientDirection(FGradientBackground.Direction);
    form.slFormBackground->SetGradientColor1(FGradientBackground.Color1);
    form.slFormBackground->SetGradientColor2(FGradientBackground.Color2);

    // Texts.
    form.SetCaption(AboutBoxCaption(FLocalization.stAbout, Caption));
    form.OKBtn->SetCaption(FLocalization.stOK);
    form.TitleLabel->SetCaption(Caption);
    if (FIcon.Graphic() && !FIcon.Graphic()->Empty())
        form.Icon->Picture().Assign(FIcon);
    form.CopyrightLabel->SetCaption(Copyright);

    // Layout, top to bottom.
    const bool hasDescription = !Description.empty();
    if (hasDescription) {
        if (ShowFrames) {
            form.DescriptionLabel->SetColor(DescriptionColor);
            form.DescriptionLabel->SetTransparent(false);
            form.DescriptionLabel->SetShowFrame(true);
            form.DescriptionLabel->SetShowShadow(true);
            form.DescriptionLabel->SetMarginHorz(10);
            form.DescriptionLabel->SetMarginVert(4);
        }
        form.DescriptionLabel->SetWidth(form.Bevel1->Width());
        form.DescriptionLabel->SetCaption(Description);
    }
    form.DescriptionLabel->SetVisible(hasDescription);

    form.EmailLab->SetCaption(Email);
    form.EmailLab->Hint = Email;
    form.EmailLab->Email().Address = Email;
    if (EmailIsWWW) {
        form.EmailLab->Kind = ukWWW;
        form.EmailLab->URL = Email;
        if (!EmailText.empty())
            form.EmailLab->SetCaption(EmailText);
    }
    form.WWWLab->SetCaption(WebSite);
    form.WWWLab->Hint = WebSite;
    form.WWWLab->URL = WebSite;

    const TslAboutBoxLayout layout =
        LayoutAboutBox(form.CopyrightLabel->Top() + form.CopyrightLabel->Height(), hasDescription,
                       form.DescriptionLabel->Height(), form.EmailLab->Height(), clientWidth);
    form.Bevel1->SetTop(layout.Bevel1Top);
    form.DescriptionLabel->SetTop(layout.DescriptionTop);
    form.Bevel2->SetTop(layout.Bevel2Top);
    form.EmailLabel->SetTop(layout.EmailTop);
    form.EmailLab->SetTop(layout.EmailTop);
    form.WWWLabel->SetTop(layout.WWWTop);
    form.WWWLab->SetTop(layout.WWWTop);
    form.OKBtn->SetBounds(layout.ButtonLeft, layout.ButtonTop, AboutButtonWidth, AboutButtonHeight);
    form.SetClientHeight(layout.ClientHeight);
    form.Bevel1->SetVisible(ShowBevels);
    form.Bevel2->SetVisible(ShowBevels && hasDescription);
}

void TslQuickAboutBox::Execute()
{
    auto form = std::make_unique<TslQuickAboutBoxForm>(nullptr);
    FForm = form.get();
    try {
        Build(*form);
        // A topmost owner keeps the box above it, and is made topmost again once the box is gone.
        TForm* ownerForm = Owner() ? Owner()->AsForm() : nullptr;
        const bool ownerOnTop = ownerForm && ownerForm->HandleAllocated() &&
                                (GetWindowLongPtrA(ownerForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        if (ownerOnTop)
            form->SetFormStyle(fsStayOnTop);
        Fire(OnFormReady, this);
        form->ShowModal();
        if (ownerOnTop && IsWindow(ownerForm->Handle()))
            SetWindowPos(ownerForm->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } catch (...) {
        FForm = nullptr;
        throw;
    }
    FForm = nullptr;
}

} // namespace skyloom
