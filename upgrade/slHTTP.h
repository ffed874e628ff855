// The HTTP transfer component: fetches one URL at a time over the system's Internet library on a worker thread,
// into memory or into a file, with resume, cache control, proxy and credentials, and reports every stage as an
// event on the main thread (OnStatus and OnRedirect excepted: they come from the worker).
//
// Each transfer keeps its state in an object that the worker shares with the component. An immediate abort, a
// waiting start that times out and the destructor close the transfer's Internet handles (which ends a blocked
// call) and let the worker go; the worker finds the handles gone, never reaches the component again, and the
// last of the two to let go of the state closes the output file (and deletes it when the abort asked for that).
#pragma once

#include "slClasses.h"
#include "slHTTPCore.h"
#include "slThread.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace skyloom {

struct TslHTTPProxy {
    TslHTTPAccessType AccessType = atPreconfig;
    std::int32_t ProxyPort = 8080;
    std::string ProxyServer;
    std::string ProxyBypass = "127.0.0.1;";
    std::string ProxyUsername;
    std::string ProxyPassword;
    // A null source resets every field to its default.
    void Assign(const TslHTTPProxy* Source) { *this = Source ? *Source : TslHTTPProxy(); }
    // ProxyServer and ProxyBypass are stored only for a named proxy.
    bool StoresProxyServer() const { return AccessType == atUseProxy; }
};

struct TslHTTPTimeouts {
    std::int32_t ConnectTimeout = 0;
    std::int32_t ReceiveTimeout = 0;
    std::int32_t SendTimeout = 0;
    void Assign(const TslHTTPTimeouts* Source) { *this = Source ? *Source : TslHTTPTimeouts(); }
};

struct TslHTTPRange {
    std::int32_t StartRange = 0;
    std::int32_t EndRange = 0;
};

struct TslOutputFileAttributes {
    TslFileAttributes Complete{atrArchive};
    TslFileAttributes Incomplete{atrArchive, atrTemporary};
    void Assign(const TslOutputFileAttributes* Source) { *this = Source ? *Source : TslOutputFileAttributes(); }
};

using TslHTTPHeaderInfoEvent = std::function<void(
    TObject* Sender, std::int32_t ErrorCode, const std::string& RawHeadersCRLF, const std::string& ContentType,
    const std::string& ContentLanguage, const std::string& ContentEncoding, std::int64_t ContentLength,
    const std::string& Location, TDateTime Date, TDateTime LastModified, TDateTime Expires, const std::string& ETag,
    bool& ContinueDownload)>;
using TslHTTPProgressEvent = std::function<void(
    TObject* Sender, const std::string& ContentType, std::int64_t DataSize, std::int64_t BytesRead,
    std::int32_t ElapsedTime, std::int32_t EstimatedTimeLeft, std::uint8_t PercentsDone, float TransferRate,
    TStream* Stream)>;
using TslHTTPDoneEvent =
    std::function<void(TObject* Sender, const std::string& ContentType, std::int64_t DataSize, TStream* Stream)>;
using TslHTTPConnLostEvent = std::function<void(TObject* Sender, const std::string& ContentType,
                                                std::int64_t FileSize, std::int64_t BytesRead, TStream* Stream)>;
using TslHTTPErrorEvent = std::function<void(TObject* Sender, std::int32_t ErrorCode, TStream* Stream)>;
using TslHTTPPasswordRequestEvent = std::function<void(TObject* Sender, const std::string& Realm, bool& TryAgain)>;
using TslHTTPProxyAuthenticationEvent =
    std::function<void(TObject* Sender, std::string& ProxyUsername, std::string& ProxyPassword, bool& TryAgain)>;
using TslHTTPStatusEvent =
    std::function<void(TObject* Sender, std::uint32_t InternetStatus, const std::string& StatusText)>;
using TslHTTPRedirectEvent = std::function<void(TObject* Sender, const std::string& NewURL)>;

struct TslHTTPTransfer;

class TslCustomHTTP : public TslLoginComponent {
public:
    explicit TslCustomHTTP(TComponent* Owner);
    ~TslCustomHTTP() override;

    static constexpr std::int32_t MinBufferSize = 255;
    // A memory stream is reserved up to this size in advance, whatever length a reply announces.
    static constexpr std::int64_t MaxMemoryReserve = 16 * 1024 * 1024;

    std::string URL;
    std::string FileName;
    std::string AcceptTypes = "text/html, */*";
    std::string Agent = "slHTTP component (quorvane.com)";
    TStringList CustomHeaders;
    TslHTTPProxy Proxy;
    TslHTTPTimeouts Timeouts;
    TslHTTPRange Range;
    TslCacheOptions CacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coCreateTempFilesIfCantCache};
    TslInternetOptions InternetOptions{ioKeepConnection};
    TslOutputFileAttributes OutputFileAttributes;
    TThreadPriority ThreadPriority = tpNormal;
    bool WaitThread = false;
    std::uint32_t WaitTimeout = 0;
    // Largest body kept in memory (the information file, error bodies); a longer one fails the transfer.
    std::int64_t MaxMemoryBody = 32 * 1024 * 1024;

    const std::string& HTTPUsername() const { return UserName; }
    void SetHTTPUsername(const std::string& Value) { UserName = Value; }
    const std::string& HTTPPassword() const { return Password; }
    void SetHTTPPassword(const std::string& Value) { Password = Value; }
    std::int32_t TransferBufferSize() const { return FTransferBufferSize; }
    // Sizes below 255 raise std::out_of_range.
    void SetTransferBufferSize(std::int32_t Value);

    // Starts a transfer of the bytes StartPos..EndPos (0: to the end). Refused (false) while one is in progress.
    // With Wait (or WaitThread) returns when it has ended; the main thread keeps handling messages meanwhile.
    bool DownloadRange(std::int64_t StartPos, std::int64_t EndPos, bool Wait);
    bool Download(bool Wait) { return DownloadRange(0, 0, Wait); }
    // Continues FileName where it ends; its last TransferBufferSize bytes are fetched again and compared first.
    bool ResumeDownload();
    // Immediately false: the worker stops at its next checkpoint. Immediately true: the worker is let go at once
    // and OnAborted fires before this returns.
    void Abort(bool DeleteIncompleteFile, bool Immediately);
    // From a start until the end of the transfer was handed over to the main thread (or it was aborted or let go);
    // the worker thread may still be winding down after that.
    bool Busy() const;
    bool InProgress() const { return FInProgress; }

    // Figures of the last transfer, for handlers.
    std::int32_t StatusCode() const { return FStatusCode; }
    // The reason when a transfer failed by an error rather than by an answer (empty otherwise).
    const std::string& LastError() const { return FLastError; }

    TslHTTPHeaderInfoEvent OnHeaderInfo;
    TslHTTPProgressEvent OnProgress;
    TslHTTPDoneEvent OnDone;
    TNotifyEvent OnDownloadCancelled;
    TslHTTPConnLostEvent OnConnLost;
    TNotifyEvent OnHostUnreachable;
    TslHTTPErrorEvent OnHTTPError;
    TNotifyEvent OnAlreadyDownloaded;
    TNotifyEvent OnFailed;
    TNotifyEvent OnAborted;
    TslHTTPPasswordRequestEvent OnPasswordRequest;
    TslHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
    TslHTTPStatusEvent OnStatus;
    TslHTTPRedirectEvent OnRedirect;
    TslThreadWaitTimeoutExpired OnWaitTimeoutExpired;

private:
    friend struct TslHTTPTransfer;
    // Runs on the main thread once the worker's body has returned.
    void EndOfTransfer(TslHTTPTransfer& T);
    // Lets the current transfer go: marks it detached and closes its Internet handles.
    void DetachTransfer();

    std::unique_ptr<TslThread> FThread;
    std::shared_ptr<TslHTTPTransfer> FTransfer;
    std::int32_t FTransferBufferSize = 4096;
    std::int32_t FStatusCode = -1;
    std::string FLastError;
    bool FInProgress = false;
    // From the start of a transfer until its end was handed over (or it was aborted or let go).
    bool FBusy = false;
    // Cleared by the destructor; a waiting start looks at it after handlers that may have freed the component.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// The variant that asks caches not to answer from their store.
class TslHTTPPragmaNoCache : public TslCustomHTTP {
public:
    explicit TslHTTPPragmaNoCache(TComponent* Owner);
};

// Sets a file's creation and last-write times to a local date-time, converted to UTC as the file system keeps
// them. False when the file cannot be opened or the time is 0.
bool SetFileTimesFromLocal(const std::string& FileName, TDateTime Local);

} // namespace skyloom
