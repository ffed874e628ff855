// The upgrade wizard (a modeless window showing the download of the update files and, at the end, the request to
// restart) and the password dialog the updater shows when the update server asks for credentials. Every text comes
// from the self-upgrade string table in the language block in use; the captions are drawn as wide text, so a block in
// any script comes out right whatever the system's code page.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "StdCtrls.h"
#include "slSelfUpdaterStrings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace skyloom {

class TslProportionalImage;
class TslRichLabel;

// Settings of the wizard and password dialog, an add-on of TslSelfUpdater.
class TslSelfUpdaterWizard : public TPersistent {
public:
    TslSelfUpdaterWizard();
    TslSelfUpdaterWizard(const TslSelfUpdaterWizard& other);
    TslSelfUpdaterWizard& operator=(const TslSelfUpdaterWizard& other);
    ~TslSelfUpdaterWizard() override;

    bool Enabled = true;
    bool HideFileLocation = false;
    // Replaces the wizard's side picture (118 x 218 pixels) when it holds a graphic; owned by the settings object.
    TPicture* Pic118x218;
    bool StayOnTop = true;
    TslSelfUpdaterLanguage Language() const { return FLanguage; }
    // A different value selects the process-wide block (wlAuto detects it from the system's language).
    void SetLanguage(TslSelfUpdaterLanguage value);

    void Assign(const TPersistent& source) override;

private:
    std::unique_ptr<TPicture> FPicture;
    TslSelfUpdaterLanguage FLanguage = wlAuto;
};

// What the wizard reports to the component that showed it (main thread).
struct TslSelfUpdaterWizardEvents {
    std::function<void()> OnAbortConfirmed; // user closed it (Cancel, close box, keyboard) and answered Yes: abort
    std::function<void()> OnClosed;         // the window is gone, however it closed (OK, confirmed close, component)
};

// A label drawing wide text; Caption() holds the same text in the system's code page.
class TslWideLabel : public TLabel {
public:
    explicit TslWideLabel(TComponent* owner);
    const std::wstring& WideCaption() const { return FWideCaption; }
    void SetWideCaption(const std::wstring& value);

protected:
    void Paint() override;
    // The size follows the wide text (the base measures its code-page copy, which may lack the script's letters).
    void AdjustBounds() override;

private:
    std::wstring FWideCaption;
};

// A windowed control whose window is a Unicode window showing a wide caption; Caption() holds the same text in
// the system's code page.
template <typename Base>
class TslWideCaptionWindow : public Base {
public:
    using Base::Base;
    const std::wstring& WideCaption() const { return FWideCaption; }
    void SetWideCaption(const std::wstring& value)
    {
        FWideCaption = value;
        this->FText = WideToAnsi(value);
        if (this->HandleAllocated())
            SetWindowTextW(this->FHandle, value.c_str());
    }

protected:
    void CreateParams(TCreateParams& params) override
    {
        Base::CreateParams(params);
        params.Unicode = true;
    }
    void CreateWnd() override
    {
        Base::CreateWnd();
        SetWindowTextW(this->FHandle, FWideCaption.c_str());
    }

    std::wstring FWideCaption;
};

// A push button with a wide caption.
class TslWideButton : public TslWideCaptionWindow<TButton> {
public:
    using TslWideCaptionWindow::TslWideCaptionWindow;

protected:
    void CreateParams(TCreateParams& params) override;
};

// A group box with a wide caption, which it draws itself.
class TslWideGroupBox : public TslWideCaptionWindow<TGroupBox> {
public:
    using TslWideCaptionWindow::TslWideCaptionWindow;
    void SetWideCaption(const std::wstring& value);

protected:
    void CreateParams(TCreateParams& params) override;
    std::wstring PaintedCaption() const override { return FWideCaption; }
};

// A form with a wide caption.
using TslWideCaptionForm = TslWideCaptionWindow<TForm>;

class TslSelfUpdaterWizardForm : public TslWideCaptionForm {
public:
    // Creates the one wizard (a second call reuses it), applies the settings, shows it modeless.
    static TslSelfUpdaterWizardForm* Show(const TslSelfUpdaterWizard& settings, TslSelfUpdaterWizardEvents events);
    static TslSelfUpdaterWizardForm* Current();        // the wizard that exists, or nullptr
    void SetFileURL(const std::string& url);
    void SetFileNumber(int number, int count);          // "Downloading %d of %d"
    void SetFileSize(std::int64_t announcedLength);     // "File size: %.1f Kb"
    // A negative secondsLeft (not known yet) keeps the time line as it is.
    void SetProgress(int percentsDone, int totalPercentsDone, double transferRateKbs, std::int64_t secondsLeft);
    void ShowCompletionPage(const std::string& appTitle);
    bool CompletionPage() const { return FCompletionPage; }
    bool Asking() const { return FAsking; }             // the question whether to abort is open
    void CloseWithoutQuestion();                        // the component ends it (stop/abort); fires OnClosed

    TPanel* PicP;
    TImage* Img;
    TslWideLabel* WizardTitle;
    TslWideLabel* AfterNote;
    TslWideGroupBox* LCurrentFile;
    TslWideLabel* LDownloadingFileFrom;
    TEdit* FileURL;
    TslWideLabel* LFileSize;
    TslWideLabel* LTransferRate;
    TslWideLabel* LEstimatedTime;
    TProgressBar* ProgressCurrentFile;
    TslWideGroupBox* LAllFiles;
    TslWideLabel* AllDownloading;
    TProgressBar* ProgressAllFiles;
    TBevel* Bevel1;
    TslWideLabel* LAbout;
    TslWideLabel* AboutShadow;
    TslWideButton* OKBtn;
    TslWideButton* CancelBtn;

    // Draws the built-in side picture (118 x 218) into bitmap.
    static void DrawBuiltInPicture(TBitmap& bitmap);

protected:
    void WndProc(TMessage& message) override;

private:
    explicit TslSelfUpdaterWizardForm(TComponent* owner);
    ~TslSelfUpdaterWizardForm() override;
    void Apply(const TslSelfUpdaterWizard& settings);
    // Asks whether to abort; true when the user answered Yes.
    bool ConfirmAbort();
    // Hides the window, clears the reference to it, frees it once the current messages are done and fires OnClosed.
    void Finish();
    TslSelfUpdaterWizardEvents FEvents;
    bool FCompletionPage = false;
    bool FFinished = false;
    bool FAsking = false;
};

// The modal password dialog.
class TslSelfUpdaterPasswordForm : public TslWideCaptionForm {
public:
    explicit TslSelfUpdaterPasswordForm(TComponent* owner);
    ~TslSelfUpdaterPasswordForm() override;
    // The dialog while it is shown, else nullptr.
    static TslSelfUpdaterPasswordForm* Current();
    // Called with the dialog once it is laid out, before it is shown (tests answer it from here).
    static std::function<void(TslSelfUpdaterPasswordForm* form)> OnDialogCreated;

    TslRichLabel* slRichLabel1;
    TslProportionalImage* Image1;
    TPanel* BottomPanel;
    TslWideLabel* UsernameLabel;
    TEdit* UsernameEdit;
    TslWideLabel* PasswordLabel;
    TEdit* PasswordEdit;
    TslWideButton* OKBtn;
    TslWideButton* CancelBtn;
};

// The modal password dialog for the file fileName; true for OK, then user/password hold what was entered
// (user is shown pre-filled).
bool AskSelfUpdaterCredentials(const TslSelfUpdaterWizard& settings, const std::string& fileName,
                               std::string& user, std::string& password);

} // namespace skyloom
