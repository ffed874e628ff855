// The upgrade wizard and the password dialog on a real window system: texts in English and in a non-Latin block as
// the windows hold them, the places with and without the download address, progress, the completion page, the
// closing question and its answers, and the password dialog's answers and text.
#include "ExtCtrls.h"
#include "TestSupport.h"
#include "slPropImage.h"
#include "slRichLabel.h"
#include "slSelfUpdaterStrings_win.h"
#include "slSelfUpdaterWizard.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace skyloom;

namespace {

std::wstring WindowText(HWND wnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring WindowText(TWinControl* control) { return WindowText(control->Handle()); }

std::wstring Block(TslSelfUpdaterLanguage language, int offset)
{
    const std::u16string_view text = SelfUpdaterText(language, offset);
    return std::wstring(text.begin(), text.end());
}

// A control's place inside its parent as the window system has it.
TRect PlaceOf(TWinControl* control)
{
    RECT r{};
    GetWindowRect(control->Handle(), &r);
    MapWindowPoints(nullptr, GetParent(control->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return Rect(r.left, r.top, r.right, r.bottom);
}

// Answers the system's message box that the wizard shows (with button id), noting what it asked.
class TMessageBoxAnswer {
public:
    // Without a button, action runs while the box is open instead of an answer.
    explicit TMessageBoxAnswer(int button, std::function<void()> action = nullptr) : FAction(std::move(action))
    {
        gAnswer = this;
        FButton = button;
        FTimer = SetTimer(nullptr, 0, 100, &TMessageBoxAnswer::Tick);
    }
    ~TMessageBoxAnswer()
    {
        KillTimer(nullptr, FTimer);
        gAnswer = nullptr;
    }
    int Boxes = 0;
    std::wstring Text;
    std::wstring Caption;
    bool QuestionIcon = false;

private:
    static BOOL CALLBACK FindBox(HWND wnd, LPARAM param)
    {
        wchar_t cls[32] = {};
        GetClassNameW(wnd, cls, 32);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(wnd)) {
            *reinterpret_cast<HWND*>(param) = wnd;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK ReadChild(HWND wnd, LPARAM param)
    {
        auto* self = reinterpret_cast<TMessageBoxAnswer*>(param);
        wchar_t cls[32] = {};
        GetClassNameW(wnd, cls, 32);
        if (_wcsicmp(cls, L"Static") == 0) {
            if (SendMessageW(wnd, STM_GETICON, 0, 0))
                self->QuestionIcon = true;
            const std::wstring text = WindowText(wnd);
            if (text.size() > self->Text.size())
                self->Text = text;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TMessageBoxAnswer* self = gAnswer;
        if (!self)
            return;
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &TMessageBoxAnswer::FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box)
            return;
        if (self->Boxes++ && self->FAction)
            return;  // the action ran already; the box is on its way out
        self->Caption = WindowText(box);
        EnumChildWindows(box, &TMessageBoxAnswer::ReadChild, reinterpret_cast<LPARAM>(self));
        if (self->FAction)
            self->FAction();
        else
            PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(self->FButton), 0);
    }
    static inline TMessageBoxAnswer* gAnswer = nullptr;
    int FButton = IDNO;
    std::function<void()> FAction;
    UINT_PTR FTimer = 0;
};

struct TEventLog {
    int Aborts = 0;
    int Closes = 0;
    TslSelfUpdaterWizardEvents Events()
    {
        return {[this] { ++Aborts; }, [this] { ++Closes; }};
    }
};

class SelfUpdaterWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application.SetTitle("Skyloom");
        Settings.SetLanguage(wlEnglish);
        SelectSelfUpdaterLanguage(wlEnglish);
    }
    void TearDown() override
    {
        if (TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Current())
            wizard->CloseWithoutQuestion();
        PumpUntil([] { return false; }, 50);
    }
    // Closes the wizard with the system command and answers the question with button.
    void CloseWith(TslSelfUpdaterWizardForm* wizard, UINT how, TMessageBoxAnswer& answer)
    {
        HWND wnd = wizard->Handle();
        if (how == 0)
            wizard->CancelBtn->Click();
        else
            PostMessageW(wnd, how, how == WM_SYSCOMMAND ? SC_CLOSE : 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return answer.Boxes > 0; }, 5000)) << "no question was asked";
        PumpUntil([] { return false; }, 200);
    }
    TslSelfUpdaterWizard Settings;
    TEventLog Log;
};

} // namespace

TEST_F(SelfUpdaterWizard, ShowsTheDownloadPageInEnglish)
{
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), wizard);
    EXPECT_TRUE(IsWindowVisible(wizard->Handle()));
    EXPECT_TRUE(GetWindowLongW(wizard->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) << "StayOnTop";
    RECT client{};
    GetClientRect(wizard->Handle(), &client);
    EXPECT_EQ(client.right, 463);
    EXPECT_EQ(client.bottom, 281);

    EXPECT_EQ(WindowText(wizard), L"Application update wizard");
    EXPECT_EQ(wizard->WizardTitle->WideCaption(), L"Downloading files...");
    EXPECT_EQ(WindowText(wizard->LCurrentFile), L" Current file ");
    EXPECT_EQ(WindowText(wizard->LAllFiles), L" All files ");
    EXPECT_EQ(wizard->LDownloadingFileFrom->WideCaption(), L"Downloading file from");
    EXPECT_EQ(wizard->LEstimatedTime->WideCaption(), L"Preparing. . .");
    EXPECT_EQ(wizard->LAbout->WideCaption(), L" SelfUpdater ");
    EXPECT_EQ(wizard->AboutShadow->WideCaption(), L" SelfUpdater ");
    EXPECT_EQ(WindowText(wizard->OKBtn), L"&Next >");
    EXPECT_EQ(WindowText(wizard->CancelBtn), L"&Cancel");
    EXPECT_FALSE(IsWindowEnabled(wizard->OKBtn->Handle())) << "Next stays disabled during the download";
    EXPECT_TRUE(wizard->AfterNote->WideCaption().empty());
    EXPECT_TRUE(IsWindowVisible(wizard->FileURL->Handle()));
    EXPECT_EQ(PlaceOf(wizard->LCurrentFile), Bounds(136, 34, 319, 125));
    EXPECT_EQ(wizard->LFileSize->Top(), 44);
    EXPECT_EQ(PlaceOf(wizard->ProgressCurrentFile), Bounds(6, 96, 307, 22));
    EXPECT_FALSE(wizard->Img->Picture().Graphic() == nullptr) << "the built-in side picture";
    EXPECT_EQ(wizard->Img->Picture().Width(), 118);
    EXPECT_EQ(wizard->Img->Picture().Height(), 218);
    // Typing into the address does not change it.
    EXPECT_TRUE(GetWindowLongW(wizard->FileURL->Handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(wizard->FileURL->TabStop);

    // A second show reuses the window.
    EXPECT_EQ(TslSelfUpdaterWizardForm::Show(Settings, Log.Events()), wizard);

    wizard->SetFileURL("http://update.skyloom.test/skyloom/skyloom.exe");
    wizard->SetFileNumber(1, 2);
    wizard->SetFileSize(1536);
    wizard->SetProgress(40, 20, 12.34, 3723);
    EXPECT_EQ(WindowText(wizard->FileURL), L"http://update.skyloom.test/skyloom/skyloom.exe");
    EXPECT_EQ(wizard->AllDownloading->WideCaption(), L"Downloading 1 of 2");
    EXPECT_EQ(wizard->LFileSize->WideCaption(), L"File size: 1.5 Kb");
    EXPECT_EQ(wizard->LTransferRate->WideCaption(), L"Transfer rate: 12.3 Kb/s");
    EXPECT_EQ(wizard->LEstimatedTime->WideCaption(), L"Estimated time left: 1:02:03");
    EXPECT_EQ(SendMessageW(wizard->ProgressCurrentFile->Handle(), PBM_GETPOS, 0, 0), 40);
    EXPECT_EQ(SendMessageW(wizard->ProgressAllFiles->Handle(), PBM_GETPOS, 0, 0), 20);
    // Not known yet: the time line keeps what it showed; out-of-range percentages are held to the bar.
    wizard->SetProgress(150, -3, 1.0, -1);
    EXPECT_EQ(wizard->LEstimatedTime->WideCaption(), L"Estimated time left: 1:02:03");
    EXPECT_EQ(SendMessageW(wizard->ProgressCurrentFile->Handle(), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(SendMessageW(wizard->ProgressAllFiles->Handle(), PBM_GETPOS, 0, 0), 0);
    wizard->SetProgress(40, 20, 12.34, 3723);
    wizard->Repaint();
    SaveScreenShot("wizard-download-english");
    EXPECT_EQ(Log.Aborts + Log.Closes, 0);
}

TEST_F(SelfUpdaterWizard, HidingTheFileLocationMovesTheLinesUp)
{
    Settings.HideFileLocation = true;
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    EXPECT_FALSE(IsWindowVisible(wizard->FileURL->Handle()));
    EXPECT_FALSE(wizard->LDownloadingFileFrom->Visible());
    EXPECT_EQ(PlaceOf(wizard->LCurrentFile), Bounds(136, 44, 319, 95));
    EXPECT_EQ(wizard->LFileSize->Top(), 14);
    EXPECT_EQ(wizard->LTransferRate->Top(), 30);
    EXPECT_EQ(wizard->LEstimatedTime->Top(), 46);
    EXPECT_EQ(PlaceOf(wizard->ProgressCurrentFile), Bounds(6, 66, 307, 22));
    wizard->SetFileNumber(1, 1);
    wizard->SetFileSize(204800);
    wizard->SetProgress(65, 65, 48.0, 42);
    wizard->Repaint();
    SaveScreenShot("wizard-download-hidden-location");

    // Shown again with the address: the lines go back to their designed places.
    Settings.HideFileLocation = false;
    TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    EXPECT_TRUE(IsWindowVisible(wizard->FileURL->Handle()));
    EXPECT_EQ(PlaceOf(wizard->LCurrentFile), Bounds(136, 34, 319, 125));
    EXPECT_EQ(wizard->LFileSize->Top(), 44);
}

TEST_F(SelfUpdaterWizard, OwnPictureReplacesTheBuiltInOne)
{
    Settings.Pic118x218->Bitmap().SetSize(118, 218);
    Settings.Pic118x218->Bitmap().Canvas().Brush().SetColor(clRed);
    Settings.Pic118x218->Bitmap().Canvas().FillRect(Rect(0, 0, 118, 218));
    TslSelfUpdaterWizard copy = Settings;
    ASSERT_NE(copy.Pic118x218, Settings.Pic118x218) << "a copy owns its own picture";
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(copy, Log.Events());
    auto* bitmap = dynamic_cast<TBitmap*>(wizard->Img->Picture().Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(GetPixel(bitmap->Canvas().Handle(), 50, 100), RGB(255, 0, 0));
}

TEST_F(SelfUpdaterWizard, TextsOfANonLatinBlockReachTheWindowsIntact)
{
    for (TslSelfUpdaterLanguage language : {wlRussian, wlChineseSimplified}) {
        Settings.SetLanguage(language);
        ASSERT_EQ(SelfUpdaterBlockLanguage(), language);
        TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
        EXPECT_EQ(WindowText(wizard), Block(language, sutWizardCaption));
        EXPECT_EQ(WindowText(wizard->LCurrentFile), L" " + Block(language, sutCurrentFile) + L" ");
        EXPECT_EQ(WindowText(wizard->LAllFiles), L" " + Block(language, sutAllFiles) + L" ");
        EXPECT_EQ(WindowText(wizard->OKBtn), Block(language, sutNext));
        EXPECT_EQ(WindowText(wizard->CancelBtn), Block(language, sutCancel));
        EXPECT_EQ(wizard->WizardTitle->WideCaption(), Block(language, sutDownloadingFiles));
        EXPECT_EQ(wizard->LDownloadingFileFrom->WideCaption(), Block(language, sutDownloadingFileFrom));
        EXPECT_EQ(wizard->LEstimatedTime->WideCaption(), Block(language, sutPreparing));
        wizard->SetFileURL("http://update.skyloom.test/skyloom/skyloom.exe");
        wizard->SetFileNumber(1, 2);
        wizard->SetFileSize(1536);
        wizard->SetProgress(30, 15, 20.5, 75);
        EXPECT_NE(wizard->LFileSize->WideCaption().find(L"1.5"), std::wstring::npos);
        EXPECT_EQ(wizard->LFileSize->WideCaption().substr(0, 2), Block(language, sutFileSize).substr(0, 2));
        wizard->Repaint();
        SaveScreenShot(language == wlRussian ? "wizard-download-russian" : "wizard-download-chinese");
        wizard->ShowCompletionPage("Skyloom");
        EXPECT_EQ(wizard->AfterNote->WideCaption(),
                  std::wstring(L"") + Block(language, sutCompletedNote).replace(
                                          Block(language, sutCompletedNote).find(L"%s"), 2, L"Skyloom"));
        EXPECT_EQ(WindowText(wizard->OKBtn), Block(language, sutOK));
        wizard->Repaint();
        SaveScreenShot(language == wlRussian ? "wizard-completed-russian" : "wizard-completed-chinese");
        wizard->CloseWithoutQuestion();
        PumpUntil([] { return false; }, 50);
    }
    Settings.SetLanguage(wlEnglish);
}

TEST_F(SelfUpdaterWizard, CompletionPageAsksToRestart)
{
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    const int oneLine = wizard->AfterNote->Height();
    wizard->ShowCompletionPage("Skyloom");
    EXPECT_TRUE(wizard->CompletionPage());
    EXPECT_EQ(wizard->WizardTitle->WideCaption(), L"Upgrade completed!");
    EXPECT_EQ(wizard->AfterNote->WideCaption(),
              L"The update of Skyloom has been successfully completed.\n\nPress the OK button to restart program.");
    EXPECT_GE(wizard->AfterNote->Height(), 3 * oneLine) << "the note's height follows its lines";
    EXPECT_EQ(wizard->AfterNote->Width(), 319);
    EXPECT_FALSE(IsWindowVisible(wizard->LCurrentFile->Handle()));
    EXPECT_FALSE(IsWindowVisible(wizard->LAllFiles->Handle()));
    EXPECT_FALSE(IsWindowEnabled(wizard->CancelBtn->Handle()));
    EXPECT_TRUE(IsWindowEnabled(wizard->OKBtn->Handle()));
    EXPECT_EQ(WindowText(wizard->OKBtn), L"&OK");
    PumpUntil([&] { return GetFocus() == wizard->OKBtn->Handle(); }, 1000);
    EXPECT_EQ(GetFocus(), wizard->OKBtn->Handle()) << "OK has the focus";
    wizard->Repaint();
    SaveScreenShot("wizard-completed");

    // OK closes it without a question and without aborting.
    TMessageBoxAnswer answer(IDYES);
    HWND wnd = wizard->Handle();
    wizard->OKBtn->Click();
    EXPECT_EQ(Log.Closes, 1);
    EXPECT_EQ(Log.Aborts, 0);
    EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), nullptr);
    PumpUntil([&] { return !IsWindow(wnd); }, 2000);
    EXPECT_FALSE(IsWindow(wnd)) << "the wizard frees itself";
    EXPECT_EQ(answer.Boxes, 0);
}

TEST_F(SelfUpdaterWizard, AnsweringNoKeepsTheWizard)
{
    struct Way {
        UINT Message;
        const char* Name;
    };
    for (const Way& way : {Way{0, "Cancel"}, Way{WM_SYSCOMMAND, "close box"}, Way{WM_CLOSE, "WM_CLOSE"}}) {
        TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
        TMessageBoxAnswer answer(IDNO);
        CloseWith(wizard, way.Message, answer);
        EXPECT_EQ(answer.Boxes, 1) << way.Name;
        EXPECT_EQ(answer.Text, L"The update is not completed.\nWould you like to abort upgrading?") << way.Name;
        EXPECT_EQ(answer.Caption, L"Skyloom") << way.Name;
        EXPECT_TRUE(answer.QuestionIcon) << way.Name;
        EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), wizard) << way.Name;
        EXPECT_TRUE(IsWindowVisible(wizard->Handle())) << way.Name;
        EXPECT_EQ(Log.Aborts + Log.Closes, 0) << way.Name;
    }
}

TEST_F(SelfUpdaterWizard, AnsweringYesAbortsAndCloses)
{
    for (bool completion : {false, true}) {
        TEventLog log;
        TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, log.Events());
        if (completion)
            wizard->ShowCompletionPage("Skyloom");
        HWND wnd = wizard->Handle();
        TMessageBoxAnswer answer(IDYES);
        CloseWith(wizard, completion ? WM_SYSCOMMAND : 0, answer);
        EXPECT_EQ(answer.Boxes, 1) << "completion page " << completion;
        EXPECT_EQ(log.Aborts, 1) << "completion page " << completion;
        EXPECT_EQ(log.Closes, 1) << "completion page " << completion;
        EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), nullptr);
        PumpUntil([&] { return !IsWindow(wnd); }, 2000);
        EXPECT_FALSE(IsWindow(wnd));
    }
}

TEST_F(SelfUpdaterWizard, TheComponentClosesItWithoutAQuestion)
{
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    HWND wnd = wizard->Handle();
    TMessageBoxAnswer answer(IDYES);
    wizard->CloseWithoutQuestion();
    wizard->CloseWithoutQuestion();  // a second end is ignored
    EXPECT_EQ(Log.Closes, 1);
    EXPECT_EQ(Log.Aborts, 0);
    EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), nullptr);
    PumpUntil([&] { return !IsWindow(wnd); }, 2000);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(answer.Boxes, 0);
    // The next show makes a new wizard.
    TslSelfUpdaterWizardForm* next = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    EXPECT_NE(next, nullptr);
    EXPECT_TRUE(IsWindowVisible(next->Handle()));
}

TEST_F(SelfUpdaterWizard, TheComponentMayEndItWhileTheQuestionIsOpen)
{
    TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Show(Settings, Log.Events());
    HWND wnd = wizard->Handle();
    TMessageBoxAnswer answer(0, [wizard] { wizard->CloseWithoutQuestion(); });
    wizard->CancelBtn->Click();
    ASSERT_TRUE(PumpUntil([&] { return answer.Boxes > 0; }, 5000)) << "no question was asked";
    PumpUntil([&] { return !IsWindow(wnd); }, 3000);
    EXPECT_FALSE(IsWindow(wnd)) << "the wizard and its question are gone";
    EXPECT_EQ(Log.Closes, 1);
    EXPECT_EQ(Log.Aborts, 0) << "the unanswered question aborts nothing";
    EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), nullptr);
}

namespace {

// Fills and answers the password dialog once it is up.
class TDialogAnswer {
public:
    TDialogAnswer(std::function<void(TslSelfUpdaterPasswordForm*)> inspect, std::string user, std::string password,
                  bool ok)
    {
        TslSelfUpdaterPasswordForm::OnDialogCreated = [=, this](TslSelfUpdaterPasswordForm* form) {
            ++Dialogs;
            FTimer = std::make_unique<TTimer>(nullptr);
            FTimer->SetInterval(150);
            FTimer->SetOnTimer([=, this](TObject*) {
                FTimer->SetEnabled(false);
                if (inspect)
                    inspect(form);
                form->UsernameEdit->SetText(user);
                form->PasswordEdit->SetText(password);
                PostMessageW((ok ? form->OKBtn : form->CancelBtn)->Handle(), BM_CLICK, 0, 0);
            });
        };
    }
    ~TDialogAnswer() { TslSelfUpdaterPasswordForm::OnDialogCreated = nullptr; }
    int Dialogs = 0;

private:
    std::unique_ptr<TTimer> FTimer;
};

} // namespace

TEST(SelfUpdaterPassword, OKGivesTheEnteredCredentials)
{
    SelectSelfUpdaterLanguage(wlEnglish);
    TslSelfUpdaterWizard settings;
    std::wstring caption, userShown, userCaption, passwordCaption, ok, cancel;
    std::string text;
    int passwordChar = 0;
    TRect userCaptionPlace, panelPlace;
    int clientHeight = 0, textBottom = 0;
    bool topmost = false;
    TDialogAnswer answer(
        [&](TslSelfUpdaterPasswordForm* form) {
            caption = WindowText(form->Handle());
            userShown = WindowText(form->UsernameEdit->Handle());
            userCaption = form->UsernameLabel->WideCaption();
            passwordCaption = form->PasswordLabel->WideCaption();
            ok = WindowText(form->OKBtn->Handle());
            cancel = WindowText(form->CancelBtn->Handle());
            text = form->slRichLabel1->PlainText();
            passwordChar = static_cast<int>(SendMessageW(form->PasswordEdit->Handle(), EM_GETPASSWORDCHAR, 0, 0));
            userCaptionPlace = form->UsernameLabel->BoundsRect();
            panelPlace = form->BottomPanel->BoundsRect();
            RECT client{};
            GetClientRect(form->Handle(), &client);
            clientHeight = client.bottom;
            textBottom = form->slRichLabel1->Top() + form->slRichLabel1->Height();
            topmost = (GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            form->Repaint();
            SaveScreenShot("password-dialog");
        },
        "alice", "s3cret", true);
    std::string user = "registered-user", password = "old";
    EXPECT_TRUE(AskSelfUpdaterCredentials(settings, "skyloom.exe", user, password));
    EXPECT_EQ(answer.Dialogs, 1);
    EXPECT_EQ(user, "alice");
    EXPECT_EQ(password, "s3cret");
    EXPECT_EQ(caption, L"Enter password");
    EXPECT_EQ(userShown, L"registered-user") << "the user name is shown pre-filled";
    EXPECT_EQ(userCaption, L"User Name");
    EXPECT_EQ(passwordCaption, L"Password");
    EXPECT_EQ(ok, L"&OK");
    EXPECT_EQ(cancel, L"&Cancel");
    EXPECT_EQ(passwordChar, '*');
    EXPECT_EQ(text, "Access to remote file \"skyloom.exe\" is password protected.\n\nPlease enter your username and "
                    "password (received after registration) to continue software upgrade.");
    EXPECT_EQ(userCaptionPlace.Left, 45) << "the caption starts at the text's left edge";
    EXPECT_LE(userCaptionPlace.Right, 128) << "and ends before its field";
    EXPECT_EQ(panelPlace.Height(), 98);
    EXPECT_EQ(clientHeight, std::max(textBottom, 37) + 98);
    EXPECT_EQ(panelPlace.Bottom, clientHeight);
    EXPECT_TRUE(topmost);
    EXPECT_EQ(TslSelfUpdaterPasswordForm::Current(), nullptr) << "the dialog is gone after it answered";
}

TEST(SelfUpdaterPassword, CancelAndTheHiddenFileName)
{
    SelectSelfUpdaterLanguage(wlEnglish);
    TslSelfUpdaterWizard settings;
    settings.HideFileLocation = true;
    settings.StayOnTop = false;
    std::string text;
    bool topmost = true;
    TDialogAnswer answer(
        [&](TslSelfUpdaterPasswordForm* form) {
            text = form->slRichLabel1->PlainText();
            topmost = (GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        },
        "bob", "pw", false);
    std::string user = "keep", password = "keep too";
    EXPECT_FALSE(AskSelfUpdaterCredentials(settings, "skyloom.exe", user, password));
    EXPECT_EQ(user, "keep") << "Cancel leaves the credentials alone";
    EXPECT_EQ(password, "keep too");
    EXPECT_EQ(text, "Access to remote file is password protected.\n\nPlease enter your username and password (received "
                    "after registration) to continue software upgrade.");
    EXPECT_EQ(text.find("skyloom.exe"), std::string::npos);
    EXPECT_FALSE(topmost);
}

TEST(SelfUpdaterPassword, NonLatinTextsReachTheWindows)
{
    for (TslSelfUpdaterLanguage language : {wlRussian, wlChineseSimplified}) {
        SelectSelfUpdaterLanguage(language);
        TslSelfUpdaterWizard settings;
        std::wstring caption, userCaption, ok, cancel, text;
        int textWidth = 0;
        TRect userField, passwordField, userLabel;
        TDialogAnswer answer(
            [&](TslSelfUpdaterPasswordForm* form) {
                text = Utf8ToWide(form->slRichLabel1->PlainText());
                textWidth = form->slRichLabel1->Measure().Width;
                userField = form->UsernameEdit->BoundsRect();
                passwordField = form->PasswordEdit->BoundsRect();
                userLabel = form->UsernameLabel->BoundsRect();
                caption = WindowText(form->Handle());
                userCaption = form->UsernameLabel->WideCaption();
                ok = WindowText(form->OKBtn->Handle());
                cancel = WindowText(form->CancelBtn->Handle());
                form->Repaint();
                SaveScreenShot(language == wlRussian ? "password-dialog-russian" : "password-dialog-chinese");
            },
            "u", "p", true);
        std::string user, password;
        EXPECT_TRUE(AskSelfUpdaterCredentials(settings, "skyloom.exe", user, password));
        EXPECT_EQ(caption, Block(language, sutEnterPassword));
        EXPECT_EQ(userCaption, Block(language, sutUserName));
        EXPECT_EQ(ok, Block(language, sutOK));
        EXPECT_EQ(cancel, Block(language, sutCancel));
        // The request in the block's own letters, with the file name where the block puts it.
        const std::wstring request = Block(language, sutPasswordRequest);
        const std::wstring before = request.substr(0, request.find(L"\"[b]"));
        EXPECT_EQ(text.substr(0, before.size()), before);
        EXPECT_NE(text.find(L"\"skyloom.exe\""), std::wstring::npos);
        EXPECT_EQ(text.find(L'?'), std::wstring::npos) << "no letter was lost to the code page";
        EXPECT_LE(textWidth, 246) << "the request wraps inside the label, also without blanks between words";
        EXPECT_EQ(userField.Left, passwordField.Left) << "the fields stay aligned";
        EXPECT_EQ(userField.Right, 285) << "and keep their right edge";
        EXPECT_LT(userLabel.Right, userField.Left) << "the caption stays clear of its field";
    }
    SelectSelfUpdaterLanguage(wlEnglish);
}
