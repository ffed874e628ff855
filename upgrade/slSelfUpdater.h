// The self-updater: fetches the publisher's information file, decides whether a newer release is out, asks the
// user and then downloads the listed files beside the program (with the wizard), hands them to the replacer and
// restarts; or runs the published setup, or opens the published page in the browser.
//
// Everything runs on the main thread: the checks, the timer of the automatic check, and the transfer's events.
// The next file of a download is started from a posted message, never from inside the transfer's own end.
#pragma once

#include "WinHandles.h"
#include "slHTTP.h"
#include "slSelfUpdaterCore.h"
#include "slSelfUpdaterWizard.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace skyloom {

class TslSimpleMessageHook;

enum TslMiscFilesUpgradeBehavior { mfuAlwaysDownload, mfuOnlyIfSizeDifferent };

enum TslSelfUpdaterShowMessage {
    mAskUpgrade, mConnLost, mHostUnreachable, mLostFile, mNoInfoFile, mNoUpdateAvailable, mPasswordRequest
};
using TslSelfUpdaterShowMessages = TslSet<TslSelfUpdaterShowMessage>;

// What the program says about its current release. Only UpgradeMsg is read at run time (after a restart); the
// values that decide an upgrade come from the information file.
struct TslSelfUpdaterInfo {
    std::vector<std::string> Files;
    TslUpgradeMethod UpgradeMethod = umSelfUpgrade;
    std::string UpgradeMsg;
};

using TslSUBeginUpgradeEvent =
    std::function<void(TObject* Sender, const std::string& UpgradeMsg, TslUpgradeMethod UpgradeMethod,
                       std::vector<std::string>& Files, bool& CanUpgrade)>;
using TslSUHostUnreachableEvent =
    std::function<void(TObject* Sender, const std::string& URL, const std::string& Hostname)>;
using TslSUFileStartEvent = std::function<void(TObject* Sender, const std::string& FileURL, std::int64_t FileSize,
                                               TDateTime FileTime, bool& CanUpgrade)>;
using TslSUFileDoneEvent = std::function<void(TObject* Sender, const std::string& FileName)>;
using TslSUProgressEvent = std::function<void(
    TObject* Sender, const std::string& FileURL, std::int64_t FileSize, std::int64_t BytesRead,
    std::int32_t ElapsedTime, std::int32_t EstimatedTimeLeft, std::uint8_t PercentsDone,
    std::uint8_t TotalPercentsDone, float TransferRate)>;
using TslSULostFileEvent =
    std::function<void(TObject* Sender, const std::string& FileURL, std::int32_t ErrorCode, bool& ContinueUpgrade)>;
using TslSUEndUpgradeEvent = std::function<void(TObject* Sender, bool& RestartImediately)>;

// Checks a completed download before it counts as done. False with a reason: the file is treated like a lost
// file, the reason in place of the lost-file question's text, and the temporary file is deleted.
using TslSUVerifyDownload = std::function<bool(const std::string& url, const std::string& tempPath,
                                               std::size_t fileIndex, std::string& why)>;

class TslSelfUpdater : public TslCustomHTTP {
public:
    explicit TslSelfUpdater(TComponent* Owner);
    ~TslSelfUpdater() override;

    bool AutoCheck() const { return FAutoCheck; }
    // (Re)arms or stops the timer of the automatic check.
    void SetAutoCheck(bool Value);
    std::int32_t AutoCheckDelay = 10000;
    // Copied into the transfer before each one; the information file always adds coPragmaNoCache.
    TslCacheOptions CacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coCreateTempFilesIfCantCache};
    TslSelfUpdaterInfo InfoFile;
    std::string InfoFileURL = "http://";
    const std::string& RestartParams() const { return FRestartParams; }
    // An empty value is kept as one blank, so that the restarted program still gets an argument.
    void SetRestartParams(const std::string& Value) { FRestartParams = RestartParamsValue(Value); }
    bool StoresRestartParams() const { return FRestartParams != "/afterupgrade"; }
    TslMiscFilesUpgradeBehavior MiscFilesUpgrade = mfuAlwaysDownload;
    TslSelfUpdaterVersionControl VersionControl = byDate;
    std::string VersionDate;  // "mm/dd/yyyy"; today when the component is created
    bool VersionDateAutoSet = true;
    std::string VersionNumber;
    TslSelfUpdaterShowMessages ShowMessages{mAskUpgrade, mConnLost, mLostFile, mPasswordRequest};
    TslSelfUpdaterWizard Wizard;

    // Starts a check and returns at once. Ignored while the transfer is busy or an upgrade is under way.
    void CheckForUpdates();
    // An upgrade is under way: from the user's Yes until it was aborted, stopped or handed to the restart.
    bool Upgrading() const { return FUpgrading; }
    // Ends an upgrade: the transfer stops, the wizard goes, every "*.uTMP" beside the program is deleted and
    // OnAborted fires.
    void AbortUpgrade();
    // Stops an upgrade and keeps what was downloaded.
    void StopUpgrade();
    // What the last information file said (files, version, date, message, method and anything read with them).
    const TslInfoFileContents& LastInfo() const { return FInfo; }
    // The folder downloads go to: the program's own, with a trailing separator.
    const std::string& ProgramFolder() const { return FProgramFolder; }
    const std::string& ProgramPath() const { return FProgramPath; }

    TslSUVerifyDownload VerifyDownload;

    // Events of the check.
    TslSUBeginUpgradeEvent OnBeginUpgrade;
    TNotifyEvent OnLaterUpgrade;
    TNotifyEvent OnNoUpdateAvailable;
    TNotifyEvent OnNoInfoFile;
    TNotifyEvent OnConnLost;
    TNotifyEvent OnAborted;
    TNotifyEvent OnAfterRestart;
    TslSUHostUnreachableEvent OnHostUnreachable;
    TslHTTPPasswordRequestEvent OnPasswordRequest;
    // Events of the download and restart.
    TslSUEndUpgradeEvent OnEndUpgrade;
    TslSUFileStartEvent OnFileStart;
    TslSUFileDoneEvent OnFileDone;
    TslSULostFileEvent OnLostFile;
    TslSUProgressEvent OnProgress;
    TNotifyEvent OnDoOwnCloseAppMethod;

    // The hidden window of the automatic check (timers and posted steps), for tests.
    HWND MessageWindow() const;

protected:
    void Loaded() override;
    void MessageHandler(TMessage& Message) override;

private:
    void ArmAutoCheck();
    void AutoCheckTimer();
    void ConnectedTestEnded(bool Connected);
    void InstallTransferEvents();
    void InfoFileArrived(TStream* Stream);
    void NoInfoFile();
    void AskAndStart(std::vector<std::string> Files);
    void StartUpgrade(std::vector<std::string> Files);
    void PostNextFile();
    void NextFile();
    void AllFilesDone();
    void Restart();
    void LostFile(std::int32_t ErrorCode, const std::string& Why);
    void ContinueWithNextFile();
    void TransferHeaders(std::int32_t Code, std::int64_t Length, TDateTime LastModified, bool& Continue);
    void TransferProgress(std::int64_t DataSize, std::int64_t BytesRead, std::int32_t Elapsed, std::int32_t Left,
                          std::uint8_t Percents, float Rate);
    void TransferDone(TStream* Stream);
    void TransferHTTPError(std::int32_t Code);
    // The first step of a lost connection or an unreachable host: notes the outcome and ends the check; true when
    // the check or the upgrade was running (else the outcome concerns nobody).
    bool OutcomeEndsTransfer();
    void TransferConnLost();
    void TransferHostUnreachable();
    void TransferFailed();
    void TransferPassword(const std::string& Realm, bool& TryAgain);
    void EndStep();
    void CloseWizard();
    void DeleteTemporaryFiles();
    void RetryStaleTemps();
    void Notice(int Text, unsigned Flags, const std::string& Argument = std::string());

    std::unique_ptr<TslSimpleMessageHook> FHook;
    bool FAutoCheck = false;
    bool FAutoCheckRunning = false;
    bool FConnectedTestRunning = false;
    bool FCheckingInfoFile = false;
    bool FSilent = false;
    bool FAborted = false;
    bool FFinished = false;
    bool FRestartLaunched = false;
    bool FUpgrading = false;
    bool FPasswordCancelled = false;
    // An outcome event (done, error, lost, unreachable) came for the running transfer.
    bool FOutcomeSeen = false;
    bool FWizardShown = false;
    int FStartRetries = 0;
    int FDeleteRetries = 0;
    std::vector<std::string> FStaleTemps; // temporary files the last cleanup could not delete yet
    std::string FRestartParams = "/afterupgrade";
    std::string FProgramPath;
    std::string FProgramFolder;
    TslInfoFileContents FInfo;
    std::vector<std::string> FFiles;
    std::size_t FIndex = 0;
    std::string FCurrentURL;
    std::string FCurrentTemp;
    TDateTime FLastModified = 0;
    TslUpgradeMethod FMethod = umSelfUpgrade;
    TOwnedHandle FDoneEvent;  // manual reset: the completion page waits on it
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace skyloom
