#include "slSelfUpdaterWizard.h"

#include "slPropImage.h"
#include "slRichLabel.h"
#include "slSelfUpdaterCore.h"
#include "slSelfUpdaterStrings_win.h"
#include "slSelfUpdaterWizardCore.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace skyloom {

namespace {

// A text of the block in use, framed by one blank on each side (group box captions, the engraved label).
std::wstring Framed(const std::wstring& text)
{
    return L" " + text + L" ";
}

TslSelfUpdaterWizardForm* gWizard = nullptr;
TslSelfUpdaterPasswordForm* gPasswordDialog = nullptr;

// Topmost without moving, sizing or activating.
void MakeTopmost(TForm& form)
{
    SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SetFontPixels(TFont& font, const char* name, int pixels, TFontStyles style)
{
    font.SetName(name);
    font.SetHeight(-pixels);
    font.SetStyle(style);
}

// The built-in icon of the password dialog: a padlock on the dialog's colour.
void DrawPadlock(TBitmap& bitmap)
{
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    bitmap.SetSize(32, 32);
    HDC dc = bitmap.Canvas().Handle();
    FillSolidRect(dc, RECT{0, 0, 32, 32}, background);
    // The shackle: a thick grey arc.
    {
        TPenAndBrush tools(dc, 4, RGB(112, 112, 120), NoFill);
        Arc(dc, 8, 2, 24, 20, 24, 11, 8, 11);
        MoveToEx(dc, 9, 11, nullptr);
        LineTo(dc, 9, 16);
        MoveToEx(dc, 23, 11, nullptr);
        LineTo(dc, 23, 16);
    }
    // The body: a golden block with a dark outline and a key hole.
    {
        TPenAndBrush tools(dc, 1, RGB(120, 80, 0), RGB(230, 180, 40));
        RoundRect(dc, 4, 14, 28, 31, 4, 4);
        FillSolidRect(dc, RECT{6, 16, 26, 18}, RGB(250, 220, 120));
        TOwnedGdi<HBRUSH> dark(CreateSolidBrush(RGB(60, 40, 0)));
        TSelectObject selectDark(dc, dark.Get());
        Ellipse(dc, 13, 19, 19, 25);
        RECT slot{15, 23, 17, 28};
        FillRect(dc, &slot, dark.Get());
    }
}

} // namespace

// ---- settings ----

TslSelfUpdaterWizard::TslSelfUpdaterWizard() : Pic118x218(nullptr), FPicture(std::make_unique<TPicture>())
{
    Pic118x218 = FPicture.get();
}

TslSelfUpdaterWizard::TslSelfUpdaterWizard(const TslSelfUpdaterWizard& other) : TslSelfUpdaterWizard()
{
    Assign(other);
}

TslSelfUpdaterWizard& TslSelfUpdaterWizard::operator=(const TslSelfUpdaterWizard& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

TslSelfUpdaterWizard::~TslSelfUpdaterWizard() = default;

void TslSelfUpdaterWizard::SetLanguage(TslSelfUpdaterLanguage value)
{
    if (value == FLanguage)
        return;
    FLanguage = value;
    SelectSelfUpdaterLanguage(value);
}

void TslSelfUpdaterWizard::Assign(const TPersistent& source)
{
    // A copy carries the language setting; the block in use was selected when the setting was made.
    using T = TslSelfUpdaterWizard;
    if (AssignFields<TPersistent>(*this, source, &T::Enabled, &T::HideFileLocation, &T::StayOnTop, &T::FLanguage))
        FPicture->Assign(*static_cast<const T&>(source).FPicture);
}

// ---- wide-text controls ----

TslWideLabel::TslWideLabel(TComponent* owner) : TLabel(owner)
{
    ShowAccelChar = false;
}

void TslWideLabel::SetWideCaption(const std::wstring& value)
{
    FWideCaption = value;
    FText = WideToAnsi(value);
    TextChanged();
}

void TslWideLabel::AdjustBounds()
{
    if (!AutoSize() || Loading())
        return;
    RECT r{0, 0, WordWrap() ? FWidth : 0, 0};
    {
        TWindowDC dc(nullptr);
        TSelectObject select(dc.Get(), FFont.Handle());
        const std::wstring text = FWideCaption.empty() ? std::wstring(L" ") : FWideCaption;
        const UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (WordWrap() ? DT_WORDBREAK : 0);
        DrawTextW(dc.Get(), text.data(), static_cast<int>(text.size()), &r, flags);
    }
    SetBounds(FLeft, FTop, WordWrap() ? FWidth : r.right, r.bottom);
}

void TslWideLabel::Paint()
{
    TCanvas& canvas = Canvas();
    TRect r = Rect(0, 0, FWidth, FHeight);
    if (!Transparent()) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(FColor);
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    canvas.DrawTextW(FWideCaption, r, DT_NOPREFIX | DT_EXPANDTABS | (WordWrap() ? DT_WORDBREAK : 0));
}

void TslWideButton::CreateParams(TCreateParams& params)
{
    TslWideCaptionWindow::CreateParams(params);
    params.WinClassName = "TslWideButton";
}

void TslWideGroupBox::SetWideCaption(const std::wstring& value)
{
    if (value == FWideCaption)
        return;
    TslWideCaptionWindow::SetWideCaption(value);
    Invalidate();
}

void TslWideGroupBox::CreateParams(TCreateParams& params)
{
    TslWideCaptionWindow::CreateParams(params);
    params.WinClassName = "TslWideGroupBox";
}

// ---- the wizard ----

TslSelfUpdaterWizardForm::TslSelfUpdaterWizardForm(TComponent* owner) : TslWideCaptionForm(owner)
{
    BeginLoading();
    DesignAsDialog("slSelfUpdaterWizardForm", 463, 281);

    PicP = NewChild<TPanel>(this, "PicP", this, 10, 10, 120, 220);
    PicP->SetBevelOuter(bvLowered);
    Img = NewChild<TImage>(PicP, "Img", PicP, 1, 1, 118, 218);
    Img->SetStretch(true);

    WizardTitle = NewChild<TslWideLabel>(this, "WizardTitle", this, 136, 10, 200, 22);
    SetFontPixels(WizardTitle->Font(), "Times New Roman", 19, fsBold | fsItalic);

    AfterNote = NewChild<TslWideLabel>(this, "AfterNote", this, 136, 44, 319, 13);
    AfterNote->SetWordWrap(true);

    LCurrentFile = NewChild<TslWideGroupBox>(this, "LCurrentFile", this, 136, 34, 319, 125);
    LDownloadingFileFrom = NewChild<TslWideLabel>(this, "LDownloadingFileFrom", LCurrentFile, 6, 14, 100, 13);
    FileURL = NewChild<TEdit>(this, "FileURL", LCurrentFile, 10, 28, 301, 13);
    FileURL->SetBorderStyle(bsNone);
    FileURL->SetReadOnly(true);
    FileURL->TabStop = false;
    FileURL->SetColor(clBtnFace);
    FileURL->Font().SetHeight(-12);
    FileURL->Font().SetColor(clHighlight);
    LFileSize = NewChild<TslWideLabel>(this, "LFileSize", LCurrentFile, 6, 44, 100, 13);
    LTransferRate = NewChild<TslWideLabel>(this, "LTransferRate", LCurrentFile, 6, 60, 100, 13);
    LEstimatedTime = NewChild<TslWideLabel>(this, "LEstimatedTime", LCurrentFile, 6, 76, 100, 13);
    ProgressCurrentFile = NewChild<TProgressBar>(this, "ProgressCurrentFile", LCurrentFile, 6, 96, 307, 22);

    LAllFiles = NewChild<TslWideGroupBox>(this, "LAllFiles", this, 136, 162, 319, 67);
    AllDownloading = NewChild<TslWideLabel>(this, "AllDownloading", LAllFiles, 6, 16, 100, 13);
    ProgressAllFiles = NewChild<TProgressBar>(this, "ProgressAllFiles", LAllFiles, 6, 38, 307, 22);

    Bevel1 = NewChild<TBevel>(this, "Bevel1", this, 10, 238, 447, 2);
    Bevel1->SetShape(bsTopLine);

    // The shadow lies under the label, one pixel down and right: the name looks engraved into the line.
    AboutShadow = NewChild<TslWideLabel>(this, "AboutShadow", this, 31, 234, 60, 13);
    SetFontPixels(AboutShadow->Font(), "MS Sans Serif", 12, 0);
    AboutShadow->Font().SetColor(clBtnHighlight);
    LAbout = NewChild<TslWideLabel>(this, "LAbout", this, 30, 233, 60, 13);
    LAbout->SetTransparent(true);
    SetFontPixels(LAbout->Font(), "MS Sans Serif", 12, 0);
    LAbout->Font().SetColor(clBtnShadow);

    OKBtn = NewChild<TslWideButton>(this, "OKBtn", this, 296, 248, 75, 25);
    OKBtn->SetEnabled(false);
    OKBtn->OnClick = [this](TObject*) { Finish(); };

    CancelBtn = NewChild<TslWideButton>(this, "CancelBtn", this, 380, 248, 75, 25);
    CancelBtn->Cancel = true;
    CancelBtn->SetDefault(true);
    // Through the system command, so that Cancel, the close box and the keyboard ask the same question.
    CancelBtn->OnClick = [this](TObject*) { PostMessageW(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); };

    FinishLoading();
}

TslSelfUpdaterWizardForm::~TslSelfUpdaterWizardForm()
{
    if (gWizard == this)
        gWizard = nullptr;
}

TslSelfUpdaterWizardForm* TslSelfUpdaterWizardForm::Current()
{
    return gWizard;
}

TslSelfUpdaterWizardForm* TslSelfUpdaterWizardForm::Show(const TslSelfUpdaterWizard& settings,
                                                         TslSelfUpdaterWizardEvents events)
{
    if (!gWizard)
        gWizard = new TslSelfUpdaterWizardForm(&Application);
    TslSelfUpdaterWizardForm* wizard = gWizard;
    wizard->FEvents = std::move(events);
    wizard->Apply(settings);
    wizard->TForm::Show();
    if (settings.StayOnTop)
        MakeTopmost(*wizard);
    return wizard;
}

void TslSelfUpdaterWizardForm::DrawBuiltInPicture(TBitmap& bitmap)
{
    constexpr int w = 118, h = 218;
    bitmap.SetSize(w, h);
    HDC dc = bitmap.Canvas().Handle();
    // A night-blue sky brightening towards the horizon.
    for (int y = 0; y < h; ++y) {
        const int t = y * 255 / (h - 1);
        FillSolidRect(dc, RECT{0, y, w, y + 1}, RGB(10 + t * 40 / 255, 30 + t * 110 / 255, 90 + t * 140 / 255));
    }
    // A few stars.
    static constexpr POINT kStars[] = {{12, 10}, {40, 22}, {95, 14}, {70, 36}, {18, 48}, {104, 54}, {55, 8}};
    for (const POINT& p : kStars) {
        SetPixelV(dc, p.x, p.y, RGB(255, 255, 230));
        SetPixelV(dc, p.x + 1, p.y, RGB(180, 180, 160));
        SetPixelV(dc, p.x, p.y + 1, RGB(180, 180, 160));
    }
    // A globe with meridians and parallels.
    const RECT globe{19, 58, 99, 138};
    {
        TPenAndBrush tools(dc, 2, RGB(200, 230, 255), RGB(30, 100, 190));
        Ellipse(dc, globe.left, globe.top, globe.right, globe.bottom);
    }
    {
        TPenAndBrush tools(dc, 1, RGB(140, 200, 255), NoFill);
        Ellipse(dc, 44, globe.top, 74, globe.bottom);
        Ellipse(dc, 31, globe.top, 87, globe.bottom);
        MoveToEx(dc, 59, globe.top, nullptr);
        LineTo(dc, 59, globe.bottom);
        for (int dy : {-24, 0, 24}) {
            const int y = 98 + dy;
            const int half = static_cast<int>(std::sqrt(40.0 * 40.0 - dy * dy));
            MoveToEx(dc, 59 - half, y, nullptr);
            LineTo(dc, 59 + half, y);
        }
    }
    // A downward arrow in front of the globe.
    {
        static constexpr POINT kArrow[] = {{50, 110}, {68, 110}, {68, 146}, {80, 146}, {59, 170}, {38, 146}, {50, 146}};
        TPenAndBrush tools(dc, 1, RGB(150, 90, 0), RGB(255, 200, 40));
        Polygon(dc, kArrow, static_cast<int>(std::size(kArrow)));
    }
    // The computer's tray the arrow points into.
    {
        TPenAndBrush tools(dc, 1, RGB(40, 40, 50), RGB(210, 210, 220));
        RoundRect(dc, 22, 176, 96, 200, 6, 6);
        FillSolidRect(dc, RECT{34, 184, 84, 188}, RGB(60, 60, 70));
        FillSolidRect(dc, RECT{86, 192, 90, 195}, RGB(60, 220, 90));
    }
}

void TslSelfUpdaterWizardForm::Apply(const TslSelfUpdaterWizard& settings)
{
    const std::wstring engraved = Framed(SelfUpdaterStringW(sustrEngravedName));
    LAbout->SetWideCaption(engraved);
    AboutShadow->SetWideCaption(engraved);

    const TslWizardFileBoxLayout layout = WizardFileBoxLayout(settings.HideFileLocation);
    LCurrentFile->SetBounds(layout.Box.Left, layout.Box.Top, layout.Box.Width(), layout.Box.Height());
    LDownloadingFileFrom->SetVisible(layout.ShowLocation);
    FileURL->SetVisible(layout.ShowLocation);
    LFileSize->SetTop(layout.FileSizeTop);
    LTransferRate->SetTop(layout.TransferRateTop);
    LEstimatedTime->SetTop(layout.EstimatedTimeTop);
    ProgressCurrentFile->SetTop(layout.ProgressTop);

    TGraphic* own = settings.Pic118x218 ? settings.Pic118x218->Graphic() : nullptr;
    if (own && !own->Empty()) {
        Img->Picture().Assign(*settings.Pic118x218);
    } else {
        auto picture = std::make_unique<TBitmap>();
        DrawBuiltInPicture(*picture);
        Img->Picture().SetGraphic(std::move(picture));
    }

    LEstimatedTime->SetWideCaption(SelfUpdaterTextW(sutPreparing));
    SetWideCaption(SelfUpdaterTextW(sutWizardCaption));
    WizardTitle->SetWideCaption(SelfUpdaterTextW(sutDownloadingFiles));
    LCurrentFile->SetWideCaption(Framed(SelfUpdaterTextW(sutCurrentFile)));
    LAllFiles->SetWideCaption(Framed(SelfUpdaterTextW(sutAllFiles)));
    LDownloadingFileFrom->SetWideCaption(SelfUpdaterTextW(sutDownloadingFileFrom));
    OKBtn->SetWideCaption(SelfUpdaterTextW(sutNext));
    CancelBtn->SetWideCaption(SelfUpdaterTextW(sutCancel));
}

void TslSelfUpdaterWizardForm::SetFileURL(const std::string& url)
{
    FileURL->SetText(url);
}

void TslSelfUpdaterWizardForm::SetFileNumber(int number, int count)
{
    AllDownloading->SetWideCaption(U16ToWide(FileNumberText(SelfUpdaterText(sutDownloadingNofM), number, count)));
}

void TslSelfUpdaterWizardForm::SetFileSize(std::int64_t announcedLength)
{
    LFileSize->SetWideCaption(U16ToWide(FileSizeText(SelfUpdaterText(sutFileSize), announcedLength)));
}

void TslSelfUpdaterWizardForm::SetProgress(int percentsDone, int totalPercentsDone, double transferRateKbs,
                                           std::int64_t secondsLeft)
{
    ProgressCurrentFile->SetPosition(std::clamp(percentsDone, 0, 100));
    ProgressAllFiles->SetPosition(std::clamp(totalPercentsDone, 0, 100));
    LTransferRate->SetWideCaption(U16ToWide(TransferRateText(SelfUpdaterText(sutTransferRate), transferRateKbs)));
    if (secondsLeft >= 0)
        LEstimatedTime->SetWideCaption(U16ToWide(TimeLeftText(SelfUpdaterText(sutEstimatedTime), secondsLeft)));
}

void TslSelfUpdaterWizardForm::ShowCompletionPage(const std::string& appTitle)
{
    FCompletionPage = true;
    WizardTitle->SetWideCaption(SelfUpdaterTextW(sutUpgradeCompleted));
    AfterNote->SetWideCaption(
        U16ToWide(CompletedNoteText(SelfUpdaterText(sutCompletedNote), WideToU16(AnsiToWide(appTitle)))));
    LCurrentFile->Hide();
    LAllFiles->Hide();
    CancelBtn->SetEnabled(false);
    CancelBtn->SetDefault(false);
    OKBtn->SetWideCaption(SelfUpdaterTextW(sutOK));
    OKBtn->SetEnabled(true);
    OKBtn->SetDefault(true);
    SetActiveControl(OKBtn);
    if (Visible() && OKBtn->CanFocus())
        OKBtn->SetFocus();
}

void TslSelfUpdaterWizardForm::CloseWithoutQuestion()
{
    Finish();
}

bool TslSelfUpdaterWizardForm::ConfirmAbort()
{
    const std::wstring text = SelfUpdaterTextW(sutAbortQuestion);
    const std::wstring title = AnsiToWide(Application.Title());
    return MessageBoxW(Handle(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

namespace {

BOOL CALLBACK CloseOwnedQuestion(HWND wnd, LPARAM owner)
{
    wchar_t name[16] = {};
    GetClassNameW(wnd, name, 16);
    if (GetWindow(wnd, GW_OWNER) == reinterpret_cast<HWND>(owner) && std::wstring(name) == L"#32770")
        PostMessageW(wnd, WM_COMMAND, IDNO, 0);
    return TRUE;
}

} // namespace

void TslSelfUpdaterWizardForm::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    const TslSelfUpdaterWizardEvents events = FEvents;
    if (gWizard == this)
        gWizard = nullptr;
    Hide();
    if (FAsking) {
        // Ended while the closing question is open: the question goes with it, and the window is freed once the
        // question's own message loop has returned (the close handler still runs on it).
        EnumThreadWindows(GetCurrentThreadId(), CloseOwnedQuestion, reinterpret_cast<LPARAM>(FHandle));
    } else {
        Release();
    }
    Fire(events.OnClosed);
}

void TslSelfUpdaterWizardForm::WndProc(TMessage& message)
{
    const bool closeCommand = message.Msg == WM_SYSCOMMAND && (message.WParam & 0xFFF0) == SC_CLOSE;
    if (closeCommand || message.Msg == WM_CLOSE) {
        message.Result = 0;
        // The question is modal: a second close request that arrives meanwhile is the same request.
        if (FFinished || FAsking)
            return;
        FAsking = true;
        bool abort = false;
        try {
            abort = ConfirmAbort();
        } catch (...) {
            FAsking = false;
            if (FFinished)
                Release();
            throw;
        }
        FAsking = false;
        // The component may have ended the wizard while the question was open.
        if (FFinished) {
            Release();
            return;
        }
        if (!abort)
            return;
        const auto onAbort = FEvents.OnAbortConfirmed;
        Fire(onAbort);
        Finish();
        return;
    }
    TslWideCaptionForm::WndProc(message);
}

// ---- the password dialog ----

std::function<void(TslSelfUpdaterPasswordForm* form)> TslSelfUpdaterPasswordForm::OnDialogCreated;

TslSelfUpdaterPasswordForm::TslSelfUpdaterPasswordForm(TComponent* owner) : TslWideCaptionForm(owner)
{
    BeginLoading();
    DesignAsDialog("slSelfUpdaterPasswordForm", 303, 141);

    slRichLabel1 = NewChild<TslRichLabel>(this, "slRichLabel1", this, 45, 5, 246, 13);
    slRichLabel1->SetWordWrap(true);

    Image1 = NewChild<TslProportionalImage>(this, "Image1", this, 7, 5, 32, 32);
    Image1->SetAutoSize(true);

    BottomPanel = NewChild<TPanel>(this, "BottomPanel", this, 0, 141 - 98, 303, 98);
    BottomPanel->SetBevelOuter(bvNone);

    UsernameLabel = NewChild<TslWideLabel>(this, "UsernameLabel", BottomPanel, 45, 14, 60, 13);
    UsernameEdit = NewChild<TEdit>(this, "UsernameEdit", BottomPanel, 128, 10, 157, 21);

    PasswordLabel = NewChild<TslWideLabel>(this, "PasswordLabel", BottomPanel, 45, 38, 60, 13);
    PasswordEdit = NewChild<TEdit>(this, "PasswordEdit", BottomPanel, 128, 34, 157, 21);
    PasswordEdit->SetPasswordChar('*');

    OKBtn = NewChild<TslWideButton>(this, "OKBtn", BottomPanel, 120, 68, 75, 23);
    OKBtn->SetDefault(true);
    OKBtn->ModalResult = mrOk;

    CancelBtn = NewChild<TslWideButton>(this, "CancelBtn", BottomPanel, 210, 68, 75, 23);
    CancelBtn->Cancel = true;
    CancelBtn->ModalResult = mrCancel;

    FinishLoading();
    auto icon = std::make_unique<TBitmap>();
    DrawPadlock(*icon);
    Image1->Picture().SetGraphic(std::move(icon));
}

TslSelfUpdaterPasswordForm::~TslSelfUpdaterPasswordForm()
{
    if (gPasswordDialog == this)
        gPasswordDialog = nullptr;
}

TslSelfUpdaterPasswordForm* TslSelfUpdaterPasswordForm::Current()
{
    return gPasswordDialog;
}

namespace {

// Both fields start at the same place: after the wider caption when it does not fit before the designed one.
void PlaceField(TslWideLabel& caption, TEdit& field, int textLeft, int captionWidth)
{
    const TslPasswordFieldPlace place = PasswordFieldPlace(textLeft, captionWidth, field.Left(), field.Width());
    field.SetBounds(place.FieldLeft, field.Top(), place.FieldWidth, field.Height());
    caption.SetBounds(place.CaptionLeft, field.Top() + (field.Height() - caption.Height()) / 2, caption.Width(),
                      caption.Height());
}

} // namespace

bool AskSelfUpdaterCredentials(const TslSelfUpdaterWizard& settings, const std::string& fileName,
                               std::string& user, std::string& password)
{
    // One dialog at a time: a request that comes while one is open is answered as cancelled.
    if (gPasswordDialog)
        return false;
    std::unique_ptr<TslSelfUpdaterPasswordForm> dialog(new TslSelfUpdaterPasswordForm(&Application));
    TslSelfUpdaterPasswordForm& form = *dialog;
    gPasswordDialog = dialog.get();

    // As UTF-8, so that the request reads right in any block whatever the system's code page.
    form.slRichLabel1->SetUtf8(true);
    form.slRichLabel1->SetCaption(PasswordRequestText(WideToUtf8(SelfUpdaterTextW(sutPasswordRequest)),
                                                      WideToUtf8(AnsiToWide(fileName)), settings.HideFileLocation));
    form.SetWideCaption(SelfUpdaterTextW(sutEnterPassword));
    form.UsernameLabel->SetWideCaption(SelfUpdaterTextW(sutUserName));
    form.PasswordLabel->SetWideCaption(SelfUpdaterTextW(sutPassword));
    const int textLeft = form.slRichLabel1->Left() - form.BottomPanel->Left();
    const int captionWidth = std::max(form.UsernameLabel->Width(), form.PasswordLabel->Width());
    PlaceField(*form.UsernameLabel, *form.UsernameEdit, textLeft, captionWidth);
    PlaceField(*form.PasswordLabel, *form.PasswordEdit, textLeft, captionWidth);
    form.UsernameEdit->SetText(user);
    form.PasswordEdit->SetText("");
    form.OKBtn->SetWideCaption(SelfUpdaterTextW(sutOK));
    form.CancelBtn->SetWideCaption(SelfUpdaterTextW(sutCancel));

    const int height = PasswordClientHeight(form.slRichLabel1->Top(), form.slRichLabel1->Height(),
                                            form.Image1->Top() + form.Image1->Height(), form.BottomPanel->Height());
    form.SetClientHeight(height);
    form.BottomPanel->SetTop(height - form.BottomPanel->Height());
    form.SetActiveControl(user.empty() ? form.UsernameEdit : form.PasswordEdit);
    if (settings.StayOnTop)
        MakeTopmost(form);
    Fire(TslSelfUpdaterPasswordForm::OnDialogCreated, &form);

    const bool ok = form.ShowModal() == mrOk;
    if (ok) {
        user = form.UsernameEdit->Text();
        password = form.PasswordEdit->Text();
    }
    return ok;
}

} // namespace skyloom
