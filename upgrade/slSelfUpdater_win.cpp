#include "slSelfUpdater.h"

#include "DateUtils.h"
#include "Forms.h"
#include "Registry.h"
#include "SocketHandles_win.h"
#include "SysUtils.h"
#include "ThreadStack.h"
#include "slClasses_win.h"
#include "slInfoBox.h"
#include "slLabels.h"
#include "slReplacerLaunch.h"
#include "slSelfUpdaterStrings_win.h"
#include "slSignature.h"

#include <windows.h>
#include <shellapi.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cmath>

namespace skyloom {

namespace {

// Messages and timers of the component's hidden window.
constexpr UINT kNextFileMessage = WM_USER + 0x51;
// The automatic check's connected test has ended; WParam is 1 when the machine is connected.
constexpr UINT kConnectedTestMessage = WM_USER + 0x52;
constexpr UINT_PTR kAutoCheckTimer = 1;
constexpr UINT_PTR kRetryStartTimer = 2;
constexpr UINT_PTR kRetryDeleteTimer = 3;
constexpr UINT_PTR kAllFilesDoneTimer = 4;
// The transfer's worker may still be on its way out when the next file is due; it is asked again shortly.
constexpr UINT kRetryStartMs = 20;
constexpr int kMaxStartRetries = 500;
// Files an aborted transfer still holds open are deleted once it has let go of them.
constexpr UINT kRetryDeleteMs = 100;
constexpr int kMaxDeleteRetries = 50;
// The end of the download waits for an open question whether to abort; it looks again this often.
constexpr UINT kAnswerPollMs = 100;

std::string TodayText()
{
    int year = 0, month = 0, day = 0;
    DecodeDate(Date(), year, month, day);
    return Format("%.2d/%.2d/%.4d", {month, day, year});
}

std::string Text(int offset) { return SelfUpdaterCaption(offset); }

// The program's first command-line argument, split the way the system splits arguments.
std::string FirstProgramArgument()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr)
        return {};
    std::string first;
    if (count > 1) {
        const int n = WideCharToMultiByte(CP_ACP, 0, args[1], -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            first.resize(static_cast<std::size_t>(n));
            WideCharToMultiByte(CP_ACP, 0, args[1], -1, first.data(), n, nullptr, nullptr);
            first.resize(static_cast<std::size_t>(n - 1));
        }
    }
    LocalFree(args);
    return first;
}

// The facts the automatic check's "connected" test needs, read from the system.
TslConnectionFacts ReadConnectionFacts()
{
    TslConnectionFacts facts;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&version)) {
#pragma GCC diagnostic pop
        facts.NTFamily = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
        facts.MajorVersion = static_cast<int>(version.dwMajorVersion);
        facts.MinorVersion = static_cast<int>(version.dwMinorVersion);
    }
    TOwnedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, KEY_READ,
                      key.Put()) == ERROR_SUCCESS) {
        facts.RemoteAccessKeyReadable = true;
        BYTE data[64] = {};
        DWORD size = sizeof data;
        const LONG rc = RegQueryValueExA(key.Get(), "Remote Connection", nullptr, nullptr, data, &size);
        if ((rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) && size > 0) {
            facts.RemoteConnectionReadable = true;
            facts.RemoteConnectionFirstByte = data[0];
        }
    }
    TWinSockSession session;
    char name[256] = {};
    if (session.Started() && gethostname(name, sizeof name - 1) == 0) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        TOwnedAddrInfo info;
        if (getaddrinfo(name, nullptr, &hints, info.Put()) == 0 && info.Get() && info.Get()->ai_addr) {
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(info.Get()->ai_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
                facts.LocalAddress = text;
        }
    }
    return facts;
}

// Looking up this machine's own name can wait on a name server for seconds, so the connected test runs on a thread
// of its own and posts its answer to the component's hidden window. It touches nothing of the component: when the
// component has gone meanwhile, the answer has nowhere to go and is dropped.
} // namespace

TslSelfUpdater::TslSelfUpdater(TComponent* Owner)
    : TslCustomHTTP(Owner), FHook(std::make_unique<TslSimpleMessageHook>(this)),
      FDoneEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    VersionDate = TodayText();
    OutputFileAttributes.Incomplete = TslFileAttributes{atrArchive, atrHidden, atrTemporary};
    FProgramPath = Application.ExeName();
    FProgramFolder = ExtractFilePath(FProgramPath);
    InstallTransferEvents();
    // A build that carries the publisher's key installs only files the publisher signed: any other download is
    // handled like a lost file and deleted before the replacer could see it.
    if (PublisherKeyConfigured())
        VerifyDownload = [this](const std::string& url, const std::string& tempPath, std::size_t fileIndex,
                                std::string& why) {
            return CheckDownloadSignature(FInfo, url, fileIndex, tempPath, PublisherKeyText(), why);
        };
    // A replacer left in the temporary folder by the upgrade that started this program.
    if (!Designing())
        DeleteLeftoverReplacer();
}

TslSelfUpdater::~TslSelfUpdater()
{
    *FAlive = false;
    FAutoCheck = false;
    if (FHook) {
        KillTimer(FHook->Handle(), kAutoCheckTimer);
        KillTimer(FHook->Handle(), kRetryStartTimer);
        KillTimer(FHook->Handle(), kRetryDeleteTimer);
        KillTimer(FHook->Handle(), kAllFilesDoneTimer);
    }
    if (FDoneEvent)
        SetEvent(FDoneEvent.Get());
    if (FWizardShown && TslSelfUpdaterWizardForm::Current())
        TslSelfUpdaterWizardForm::Current()->CloseWithoutQuestion();
}

HWND TslSelfUpdater::MessageWindow() const { return FHook ? FHook->Handle() : nullptr; }

void TslSelfUpdater::Loaded()
{
    TslCustomHTTP::Loaded();
    if (OnAfterRestart && FirstProgramArgument() == FRestartParams)
        OnAfterRestart(this);
}

void TslSelfUpdater::InstallTransferEvents()
{
    TslCustomHTTP::OnHeaderInfo = [this](TObject*, std::int32_t code, const std::string&, const std::string&,
                                         const std::string&, const std::string&, std::int64_t length,
                                         const std::string&, TDateTime, TDateTime modified, TDateTime,
                                         const std::string&, bool& cont) { TransferHeaders(code, length, modified, cont); };
    TslCustomHTTP::OnProgress = [this](TObject*, const std::string&, std::int64_t size, std::int64_t read,
                                       std::int32_t elapsed, std::int32_t left, std::uint8_t percents, float rate,
                                       TStream*) { TransferProgress(size, read, elapsed, left, percents, rate); };
    TslCustomHTTP::OnDone = [this](TObject*, const std::string&, std::int64_t, TStream* stream) {
        TransferDone(stream);
    };
    TslCustomHTTP::OnHTTPError = [this](TObject*, std::int32_t code, TStream*) { TransferHTTPError(code); };
    TslCustomHTTP::OnConnLost = [this](TObject*, const std::string&, std::int64_t, std::int64_t, TStream*) {
        TransferConnLost();
    };
    TslCustomHTTP::OnHostUnreachable = [this](TObject*) { TransferHostUnreachable(); };
    TslCustomHTTP::OnFailed = [this](TObject*) { TransferFailed(); };
    TslCustomHTTP::OnDownloadCancelled = [this](TObject*) {
        // The file was skipped at its headers (OnFileStart said no): nothing was written.
        FOutcomeSeen = true;
        if (!FCheckingInfoFile && FUpgrading)
            ContinueWithNextFile();
        else
            FCheckingInfoFile = false;
    };
    TslCustomHTTP::OnPasswordRequest = [this](TObject*, const std::string& realm, bool& tryAgain) {
        TransferPassword(realm, tryAgain);
    };
}

// ---- the automatic check --------------------------------------------------------------------------------------

void TslSelfUpdater::SetAutoCheck(bool Value)
{
    FAutoCheck = Value;
    ArmAutoCheck();
}

void TslSelfUpdater::ArmAutoCheck()
{
    if (Designing() || !FHook)
        return;
    KillTimer(FHook->Handle(), kAutoCheckTimer);
    if (FAutoCheck && !FAutoCheckRunning && AutoCheckDelay > 0) {
        if (SetTimer(FHook->Handle(), kAutoCheckTimer, static_cast<UINT>(AutoCheckDelay), nullptr) == 0)
            throw EOutOfResources("Not enough timers available");
    }
}

void TslSelfUpdater::AutoCheckTimer()
{
    if (!FAutoCheck || FConnectedTestRunning)
        return;
    // The connection facts can take a while to gather: the answer comes back to the window thread as a message.
    const HWND reply = FHook->Handle();
    const auto test = [reply] {
        PostMessageA(reply, kConnectedTestMessage, IsConnected(ReadConnectionFacts()) ? 1 : 0, 0);
    };
    if (!StartDetachedThread(test))
        return;  // the periodic timer fires again
    FConnectedTestRunning = true;
}

void TslSelfUpdater::ConnectedTestEnded(bool Connected)
{
    FConnectedTestRunning = false;
    if (!FAutoCheck || FAutoCheckRunning || !Connected)
        return;  // the periodic timer fires again
    FAutoCheckRunning = true;
    KillTimer(FHook->Handle(), kAutoCheckTimer);
    CheckForUpdates();
    FSilent = true;
}

void TslSelfUpdater::MessageHandler(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_TIMER:
        if (Message.WParam == kAutoCheckTimer) {
            AutoCheckTimer();
        } else if (Message.WParam == kRetryStartTimer) {
            KillTimer(FHook->Handle(), kRetryStartTimer);
            NextFile();
        } else if (Message.WParam == kRetryDeleteTimer) {
            KillTimer(FHook->Handle(), kRetryDeleteTimer);
            RetryStaleTemps();
        } else if (Message.WParam == kAllFilesDoneTimer) {
            KillTimer(FHook->Handle(), kAllFilesDoneTimer);
            NextFile();
        }
        Message.Result = 0;
        return;
    case kConnectedTestMessage:
        ConnectedTestEnded(Message.WParam != 0);
        Message.Result = 0;
        return;
    case kNextFileMessage:
        NextFile();
        Message.Result = 1;
        return;
    case WM_QUERYENDSESSION:
        Message.Result = 1;
        return;
    default:
        TslCustomHTTP::MessageHandler(Message);
    }
}

// ---- the check ----------------------------------------------------------------------------------------------

void TslSelfUpdater::CheckForUpdates()
{
    FAborted = false;
    FSilent = false;
    // A check asked for while an upgrade runs (between two files, on the completion page) would start a second
    // one over the first.
    if (Busy() || InProgress() || FUpgrading)
        return;
    FCheckingInfoFile = true;
    FPasswordCancelled = false;
    FOutcomeSeen = false;
    TslCustomHTTP::CacheOptions = CacheOptions;
    TslCustomHTTP::CacheOptions.Include(coPragmaNoCache);
    URL = InfoFileURL;
    FileName.clear();
    if (!Download(false))
        FCheckingInfoFile = false;
}

void TslSelfUpdater::InfoFileArrived(TStream* Stream)
{
    std::string text;
    if (Stream) {
        text.resize(static_cast<std::size_t>(Stream->Size()));
        Stream->SetPosition(0);
        if (!text.empty())
            Stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    }
    FInfo = ReadInfoFile(text);
    if (IsNewerRelease(VersionControl, FInfo, VersionNumber, VersionDate, Date()) && !FInfo.Files.empty()) {
        AskAndStart(FInfo.Files);
        return;
    }
    Fire(OnNoUpdateAvailable, this);
    if (!FSilent && ShowMessages.Contains(mNoUpdateAvailable))
        Notice(sutNoNewerVersion, MB_OK);
}

void TslSelfUpdater::AskAndStart(std::vector<std::string> Files)
{
    bool canUpgrade = true;
    FMethod = FInfo.Method;
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnBeginUpgrade, this, FInfo.Message, FMethod, Files, canUpgrade);
    if (!*alive)
        return;
    if (canUpgrade && ShowMessages.Contains(mAskUpgrade)) {
        TslInfoBox box(nullptr);
        box.Title = Text(sutWizardCaption);
        box.Text = UpgradeQuestionText(Text(sutNewerVersion), Application.Title(),
                                       SelfUpdaterStringCaption(sustrDefaultAppTitle),
                                       SelfUpdaterStringCaption(sustrAppTitleTemplate), FInfo.Message);
        box.InfoBoxButtons = ibYesNo;
        box.ButtonCaptions.Yes = Text(sutYes);
        box.ButtonCaptions.No = Text(sutLater);
        box.ShowCheckBox = false;
        box.SetIconResID("ZSLSUICO");
        canUpgrade = box.Execute(false) == IDYES;
        if (!*alive)
            return;
    }
    if (!canUpgrade || Files.empty()) {
        Fire(OnLaterUpgrade, this);
        return;
    }
    if (FMethod == umRedirectToURL) {
        // Only a web address, handed over as one quoted argument: a published "page" must not run anything.
        if (!RedirectArgument(Files.front()).empty())
            OpenWebAddress(Files.front(), true, SW_SHOWNORMAL);
        return;
    }
    StartUpgrade(std::move(Files));
}

void TslSelfUpdater::Notice(int Text, unsigned Flags, const std::string& Argument)
{
    std::string text = SelfUpdaterCaption(Text);
    if (!Argument.empty())
        text = Format(text, {Argument});
    ShowInfoBox(text, SelfUpdaterCaption(sutWizardCaption), Flags, true, false);
}

// ---- the transfer's events ------------------------------------------------------------------------------------

void TslSelfUpdater::TransferPassword(const std::string& Realm, bool& TryAgain)
{
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnPasswordRequest, this, Realm, TryAgain);
    if (!*alive || TryAgain || !ShowMessages.Contains(mPasswordRequest))
        return;
    std::string user = HTTPUsername();
    std::string password;
    if (AskSelfUpdaterCredentials(Wizard, HTTPFileName(URL), user, password)) {
        if (!*alive)
            return;
        SetHTTPUsername(user);
        SetHTTPPassword(password);
        TryAgain = true;
        return;
    }
    // The 401 answer now ends the transfer; the upgrade is aborted there, once the transfer is through.
    if (*alive)
        FPasswordCancelled = true;
}

void TslSelfUpdater::TransferHeaders(std::int32_t Code, std::int64_t Length, TDateTime LastModified, bool& Continue)
{
    if (FCheckingInfoFile || !FUpgrading || (Code != 200 && Code != 206))
        return;
    FLastModified = LastModified;
    if (FWizardShown)
        if (auto* wizard = TslSelfUpdaterWizardForm::Current())
            wizard->SetFileSize(Length);
    bool canUpgrade = true;
    if (MiscFilesUpgrade == mfuOnlyIfSizeDifferent && FFiles.size() > 1 && Length != 0) {
        const std::string target = FCurrentTemp.substr(0, FCurrentTemp.size() - 5);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!SameText(target, FProgramPath) &&
            GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data)) {
            const std::int64_t size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            canUpgrade = size != Length;
        }
    }
    Fire(OnFileStart, this, FCurrentURL, Length, LastModified, canUpgrade);
    Continue = canUpgrade;
}

void TslSelfUpdater::TransferProgress(std::int64_t DataSize, std::int64_t BytesRead, std::int32_t Elapsed,
                                      std::int32_t Left, std::uint8_t Percents, float Rate)
{
    if (FCheckingInfoFile || !FUpgrading || FFiles.empty())
        return;
    const std::size_t n = FFiles.size();
    const int total = Percents / static_cast<int>(n) +
                      static_cast<int>(std::lround(static_cast<double>(FIndex) * 100.0 / static_cast<double>(n)));
    const auto totalPercents = static_cast<std::uint8_t>(total);
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnProgress, this, FCurrentURL, DataSize, BytesRead, Elapsed, Left, Percents, totalPercents, Rate);
    if (!*alive)
        return;
    if (FWizardShown)
        if (auto* wizard = TslSelfUpdaterWizardForm::Current())
            wizard->SetProgress(Percents, totalPercents, Rate, Left);
}

void TslSelfUpdater::TransferDone(TStream* Stream)
{
    FOutcomeSeen = true;
    if (FCheckingInfoFile) {
        FCheckingInfoFile = false;
        InfoFileArrived(Stream);
        return;
    }
    if (!FUpgrading)
        return;
    if (FLastModified != 0)
        SetFileTimesFromLocal(FCurrentTemp, FLastModified);
    if (VerifyDownload) {
        std::string why;
        if (!VerifyDownload(FCurrentURL, FCurrentTemp, FIndex, why)) {
            SetFileAttributesA(FCurrentTemp.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(FCurrentTemp.c_str());
            LostFile(StatusCode(), why);
            return;
        }
    }
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnFileDone, this, FCurrentTemp);
    if (*alive)
        ContinueWithNextFile();
}

void TslSelfUpdater::NoInfoFile()
{
    FCheckingInfoFile = false;
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnNoInfoFile, this);
    if (*alive && ShowMessages.Contains(mNoInfoFile))
        Notice(sutNoInfoFile, MB_ICONERROR);
}

void TslSelfUpdater::TransferHTTPError(std::int32_t Code)
{
    FOutcomeSeen = true;
    if (FPasswordCancelled) {
        FPasswordCancelled = false;
        FCheckingInfoFile = false;
        AbortUpgrade();
        return;
    }
    if (FCheckingInfoFile) {
        NoInfoFile();
        return;
    }
    if (FUpgrading)
        LostFile(Code, std::string());
}

bool TslSelfUpdater::OutcomeEndsTransfer()
{
    FOutcomeSeen = true;
    const bool involved = FCheckingInfoFile || FUpgrading;
    FCheckingInfoFile = false;
    return involved;
}

void TslSelfUpdater::TransferConnLost()
{
    if (!OutcomeEndsTransfer())
        return;
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnConnLost, this);
    if (*alive && ShowMessages.Contains(mConnLost))
        Notice(sutConnectionLost, MB_ICONERROR);
    if (*alive)
        StopUpgrade();
}

void TslSelfUpdater::TransferHostUnreachable()
{
    if (!OutcomeEndsTransfer())
        return;
    const std::string host = HTTPHostName(CompleteURL(URL));
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnHostUnreachable, this, URL, host);
    if (!*alive)
        return;
    if (FSilent) {
        // The automatic check tries again after its delay.
        FAutoCheckRunning = false;
        ArmAutoCheck();
    } else if (ShowMessages.Contains(mHostUnreachable)) {
        Notice(sutHostUnreachable, MB_ICONERROR, "http://" + host);
    }
    if (*alive)
        StopUpgrade();
}

void TslSelfUpdater::TransferFailed()
{
    // OnFailed follows every other outcome; alone, it means the transfer could not run at all (the file beside the
    // program could not be written, the reply was too large for memory).
    if (FOutcomeSeen) {
        FOutcomeSeen = false;
        return;
    }
    if (FCheckingInfoFile) {
        NoInfoFile();
        return;
    }
    if (FUpgrading)
        LostFile(StatusCode() > 0 ? StatusCode() : 0, std::string());
}

// ---- the download -------------------------------------------------------------------------------------------

namespace {

// True when the file is gone (or was never there).
bool DeleteTemporaryFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace

void TslSelfUpdater::DeleteTemporaryFiles()
{
    FStaleTemps.clear();
    FDeleteRetries = 0;
    WIN32_FIND_DATAA found{};
    TOwnedFind search(FindFirstFileA((FProgramFolder + "*.uTMP").c_str(), &found));
    if (search) {
        do {
            const std::string path = FProgramFolder + found.cFileName;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !DeleteTemporaryFile(path))
                FStaleTemps.push_back(path);
        } while (FindNextFileA(search.Get(), &found));
    }
    RetryStaleTemps();
}

// A file that could not be deleted (a transfer that was just aborted still closing it, another program reading it)
// is tried again a few times. Only those files: a new upgrade may be writing its own ones meanwhile.
void TslSelfUpdater::RetryStaleTemps()
{
    if (FDeleteRetries > 0)
        std::erase_if(FStaleTemps, [](const std::string& path) { return DeleteTemporaryFile(path); });
    if (!FStaleTemps.empty() && FHook && ++FDeleteRetries <= kMaxDeleteRetries)
        SetTimer(FHook->Handle(), kRetryDeleteTimer, kRetryDeleteMs, nullptr);
}

void TslSelfUpdater::StartUpgrade(std::vector<std::string> Files)
{
    // A program whose folder cannot be named has nowhere to put its downloads (and no replacer could find it).
    if (FProgramFolder.empty()) {
        Fire(OnAborted, this);
        return;
    }
    FFiles = std::move(Files);
    FUpgrading = true;
    FAborted = false;
    FFinished = false;
    FRestartLaunched = false;
    FIndex = 0;
    FStartRetries = 0;
    ResetEvent(FDoneEvent.Get());
    // What an earlier upgrade left half done must not be taken for part of this one.
    DeleteTemporaryFiles();
    TslCustomHTTP::CacheOptions = CacheOptions;
    TslCustomHTTP::CacheOptions.Exclude(coPragmaNoCache);
    FWizardShown = false;
    if (Wizard.Enabled) {
        TslSelfUpdaterWizardEvents events;
        const std::shared_ptr<bool> alive = FAlive;
        events.OnAbortConfirmed = [this, alive] {
            if (*alive && FUpgrading)
                AbortUpgrade();
        };
        events.OnClosed = [this, alive] {
            if (!*alive)
                return;
            FWizardShown = false;
            SetEvent(FDoneEvent.Get());
        };
        TslSelfUpdaterWizardForm::Show(Wizard, std::move(events));
        FWizardShown = true;
    }
    PostNextFile();
}

void TslSelfUpdater::PostNextFile()
{
    if (FHook)
        PostMessageA(FHook->Handle(), kNextFileMessage, 0, 0);
}

void TslSelfUpdater::ContinueWithNextFile()
{
    ++FIndex;
    FStartRetries = 0;
    PostNextFile();
}

void TslSelfUpdater::NextFile()
{
    if (!FUpgrading || FAborted)
        return;
    if (FIndex >= FFiles.size()) {
        AllFilesDone();
        return;
    }
    if (Busy() || InProgress()) {
        // The previous transfer is still winding down its worker.
        if (++FStartRetries <= kMaxStartRetries)
            SetTimer(FHook->Handle(), kRetryStartTimer, kRetryStartMs, nullptr);
        else
            StopUpgrade();
        return;
    }
    FCurrentURL = FFiles[FIndex];
    FLastModified = 0;
    if (FWizardShown)
        if (auto* wizard = TslSelfUpdaterWizardForm::Current()) {
            wizard->SetFileURL(FCurrentURL);
            wizard->SetFileNumber(static_cast<int>(FIndex) + 1, static_cast<int>(FFiles.size()));
        }
    // Only web addresses whose file name can be nothing but a file beside the program.
    if (!IsDownloadableFileURL(FCurrentURL)) {
        FCurrentTemp.clear();
        LostFile(0, std::string());
        return;
    }
    FCurrentTemp = FProgramFolder + HTTPFileName(FCurrentURL) + ".uTMP";
    // From now on the file is this upgrade's: what an earlier cleanup left of that name is overwritten, not deleted.
    std::erase_if(FStaleTemps, [this](const std::string& path) { return SameText(path, FCurrentTemp); });
    URL = FCurrentURL;
    FileName = FCurrentTemp;
    FOutcomeSeen = false;
    FPasswordCancelled = false;
    if (!Download(false)) {
        if (++FStartRetries <= kMaxStartRetries)
            SetTimer(FHook->Handle(), kRetryStartTimer, kRetryStartMs, nullptr);
        else
            StopUpgrade();
    }
}

void TslSelfUpdater::LostFile(std::int32_t ErrorCode, const std::string& Why)
{
    bool continueUpgrade = false;
    const std::shared_ptr<bool> alive = FAlive;
    Fire(OnLostFile, this, FCurrentURL, ErrorCode, continueUpgrade);
    if (!*alive)
        return;
    if (ShowMessages.Contains(mLostFile)) {
        const std::string text =
            Why.empty() ? Format(Text(sutLostFile), {HTTPFileName(FCurrentURL)}) : Why;
        // The status code names what the server answered; a download refused here after a good answer (its own
        // reason in Why) would otherwise read "Error #200".
        std::string caption = Text(sutError);
        if (ErrorCode != 0 && Why.empty())
            caption += " #" + std::to_string(ErrorCode);
        continueUpgrade = ShowInfoBox(text, caption, MB_ICONWARNING | MB_YESNO, true, false) == IDYES;
        if (!*alive)
            return;
    }
    if (!FUpgrading)
        return;  // ended meanwhile (the wizard was closed while the question was up)
    if (continueUpgrade)
        ContinueWithNextFile();
    else
        AbortUpgrade();
}

void TslSelfUpdater::AllFilesDone()
{
    const std::shared_ptr<bool> alive = FAlive;
    if (FWizardShown && TslSelfUpdaterWizardForm::Current() && TslSelfUpdaterWizardForm::Current()->Asking()) {
        // The user is being asked whether to abort, and this runs inside that question's own message loop: the
        // answer comes first. Waiting for the completion page here would keep the question from returning, and
        // its Yes would be lost.
        SetTimer(FHook->Handle(), kAllFilesDoneTimer, kAnswerPollMs, nullptr);
        return;
    }
    if (FWizardShown && TslSelfUpdaterWizardForm::Current()) {
        TslSelfUpdaterWizardForm::Current()->ShowCompletionPage(Application.Title());
        // Until the wizard is closed (OK, or a confirmed close that aborts) or the program is ending.
        HANDLE event = FDoneEvent.Get();
        while (*alive && FWizardShown && !Application.Terminated() && !Application.TerminateRequested()) {
            if (WaitForSingleObject(event, 0) == WAIT_OBJECT_0)
                break;
            MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
            Application.ProcessMessages();
        }
        if (!*alive || FAborted || !FUpgrading || Application.Terminated() || Application.TerminateRequested())
            return;
    }
    FFinished = true;
    FUpgrading = false;
    bool restart = true;
    Fire(OnEndUpgrade, this, restart);
    if (*alive && restart)
        Restart();
}

void TslSelfUpdater::Restart()
{
    std::string error;
    if (!LaunchReplacer(FProgramPath, FRestartParams, FMethod, error)) {
        // Closing now would leave the user with downloads that nothing puts in place: stay and say so.
        ShowInfoBox("The downloaded update could not be installed: " + error +
                        "\n\nThe program keeps running; please try the update again later.",
                    Text(sutWizardCaption), MB_ICONERROR, true, false);
        return;
    }
    FRestartLaunched = true;
    if (OnDoOwnCloseAppMethod) {
        OnDoOwnCloseAppMethod(this);
        return;
    }
    if (TForm* main = Application.MainForm())
        main->Close();
    Application.Terminate();
}

void TslSelfUpdater::CloseWizard()
{
    if (FWizardShown) {
        FWizardShown = false;
        if (auto* wizard = TslSelfUpdaterWizardForm::Current())
            wizard->CloseWithoutQuestion();
    }
}

void TslSelfUpdater::EndStep()
{
    FUpgrading = false;
    FCheckingInfoFile = false;
    KillTimer(FHook->Handle(), kRetryStartTimer);
    KillTimer(FHook->Handle(), kAllFilesDoneTimer);
    SetEvent(FDoneEvent.Get());
    // Inside the transfer's own end the worker is already finishing; an immediate abort is only for a transfer
    // that is still receiving.
    if (Busy() && InProgress() && !FOutcomeSeen)
        Abort(false, true);
    CloseWizard();
}

void TslSelfUpdater::AbortUpgrade()
{
    FAborted = true;
    EndStep();
    DeleteTemporaryFiles();
    Fire(OnAborted, this);
}

void TslSelfUpdater::StopUpgrade() { EndStep(); }

} // namespace skyloom
