#include "slHTTP.h"

#include "slClasses_win.h"
#include "SysUtils.h"
#include "WinHandles.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace skyloom {

static_assert(httpflags::Reload == INTERNET_FLAG_RELOAD && httpflags::Hyperlink == INTERNET_FLAG_HYPERLINK &&
              httpflags::Resynchronize == INTERNET_FLAG_RESYNCHRONIZE &&
              httpflags::PragmaNoCache == INTERNET_FLAG_PRAGMA_NOCACHE &&
              httpflags::NoCacheWrite == INTERNET_FLAG_NO_CACHE_WRITE && httpflags::NeedFile == INTERNET_FLAG_NEED_FILE &&
              httpflags::CacheIfNetFail == INTERNET_FLAG_CACHE_IF_NET_FAIL);
static_assert(httpflags::IgnoreCertCNInvalid == INTERNET_FLAG_IGNORE_CERT_CN_INVALID &&
              httpflags::IgnoreCertDateInvalid == INTERNET_FLAG_IGNORE_CERT_DATE_INVALID &&
              httpflags::IgnoreRedirectToHTTP == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP &&
              httpflags::IgnoreRedirectToHTTPS == INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS &&
              httpflags::KeepConnection == INTERNET_FLAG_KEEP_CONNECTION && httpflags::NoAuth == INTERNET_FLAG_NO_AUTH &&
              httpflags::NoAutoRedirect == INTERNET_FLAG_NO_AUTO_REDIRECT &&
              httpflags::NoCookies == INTERNET_FLAG_NO_COOKIES && httpflags::Secure == INTERNET_FLAG_SECURE);
static_assert(httpflags::AttrReadOnly == FILE_ATTRIBUTE_READONLY && httpflags::AttrHidden == FILE_ATTRIBUTE_HIDDEN &&
              httpflags::AttrSystem == FILE_ATTRIBUTE_SYSTEM && httpflags::AttrArchive == FILE_ATTRIBUTE_ARCHIVE &&
              httpflags::AttrTemporary == FILE_ATTRIBUTE_TEMPORARY &&
              httpflags::AttrOffline == FILE_ATTRIBUTE_OFFLINE);

namespace {

// Thrown at a checkpoint when the transfer was asked to stop.
struct TTransferAborted {};

} // namespace

// The state of one transfer, shared by the component and its worker; see the header comment.
struct TslHTTPTransfer {
    // Read by the worker, fixed when the transfer starts.
    TslCustomHTTP* Owner = nullptr; // used on the main thread only, and only while not Detached
    std::string URL, FileName, AcceptTypes, Agent, Headers, Username, Password;
    TslHTTPProxy Proxy;
    TslHTTPTimeouts Timeouts;
    TslCacheOptions CacheOptions;
    TslInternetOptions InternetOptions;
    TslOutputFileAttributes Attributes;
    std::int64_t BufferSize = 4096;
    std::int64_t MaxMemoryBody = 0;
    bool HasHeaderInfo = false, HasProgress = false, HasPasswordRequest = false, HasProxyRequest = false;
    TslHTTPStatusEvent OnStatus;
    TslHTTPRedirectEvent OnRedirect;

    // Set on the main thread, read by the worker.
    std::atomic<bool> Detached{false};
    std::atomic<bool> DeleteIncomplete{false};
    std::atomic<bool> DeleteOnRelease{false};

    // The worker's figures; the main thread reads them while the worker waits in a synchronized call.
    std::int32_t Status = -1;
    std::string ContentType;
    std::int64_t ContentLength = 0, Received = 0, ResumeOffset = 0, RangeEnd = 0;
    ULONGLONG StartTick = 0;
    bool Success = false, ContinueDownload = true, FileOpened = false, Errored = false;
    std::string ErrorText;
    std::unique_ptr<TStream> Stream;
    std::vector<char> Buffer;

    // Main-thread steps of the component that the worker asks for.
    static void Ended(TslCustomHTTP& owner, TslHTTPTransfer& t) { owner.EndOfTransfer(t); }
    static void Aborted(TslCustomHTTP& owner)
    {
        owner.FInProgress = false;
        owner.FBusy = false;
        owner.FTransfer.reset();
        if (!owner.Destroying())
            Fire(owner.OnAborted, &owner);
    }

    ~TslHTTPTransfer()
    {
        CloseHandles();
        ReleaseStream();
        if (DeleteOnRelease && FileOpened)
            DeleteFileA(FileName.c_str());
    }

    HINTERNET Session() { return Get(FSession); }
    HINTERNET Connection() { return Get(FConnection); }
    HINTERNET Request() { return Get(FRequest); }
    void SetSession(HINTERNET h) { Set(FSession, h); }
    void SetConnection(HINTERNET h) { Set(FConnection, h); }
    void SetRequest(HINTERNET h) { Set(FRequest, h); }
    void CloseRequest()
    {
        std::lock_guard lock(FLock);
        FRequest.Reset();
        FConnection.Reset();
    }
    // Any thread: closing the handles ends a call the worker is blocked in.
    void CloseHandles()
    {
        std::lock_guard lock(FLock);
        FRequest.Reset();
        FConnection.Reset();
        FSession.Reset();
    }
    // The file of a "file" URL; only the worker touches it.
    TOwnedHandle LocalFile;

    // Closes the output; an opened file that is left incomplete gets the Incomplete attributes.
    void ReleaseStream()
    {
        const bool wasFile = Stream && FileOpened && dynamic_cast<TslFileStream*>(Stream.get()) != nullptr;
        Stream.reset();
        if (wasFile && !(Attributes.Incomplete == TslFileAttributes{atrArchive}))
            SetFileAttributesA(FileName.c_str(), FileAttributeFlags(Attributes.Incomplete));
    }

private:
    HINTERNET Get(TOwnedInternet& h)
    {
        std::lock_guard lock(FLock);
        return h.Get();
    }
    void Set(TOwnedInternet& h, HINTERNET v)
    {
        std::lock_guard lock(FLock);
        h.Reset(v);
    }
    std::mutex FLock;
    TOwnedInternet FSession, FConnection, FRequest;
};

namespace {

using TTransferPtr = std::shared_ptr<TslHTTPTransfer>;

void Checkpoint(const TslHTTPTransfer& t)
{
    if (t.Detached || TslCustomThread::CurrentTerminated())
        throw TTransferAborted{};
}

// Runs Method on the main thread unless the component has let this transfer go.
void Sync(const TTransferPtr& t, const std::function<void(TslCustomHTTP&)>& Method)
{
    TslCustomThread::SynchronizeCurrent([&t, &Method] {
        if (!t->Detached && t->Owner != nullptr)
            Method(*t->Owner);
    });
}

std::string QueryText(HINTERNET request, DWORD info)
{
    std::string text(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(text.size());
        DWORD index = 0;
        if (HttpQueryInfoA(request, info, text.data(), &size, &index)) {
            text.resize(size);
            return text;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > 1024 * 1024)
            return {};
        text.assign(size + 1, '\0');
    }
    return {};
}

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    auto* t = reinterpret_cast<TslHTTPTransfer*>(context);
    if (t == nullptr || t->Detached)
        return;
    TObject* sender = t->Owner;
    if (status == INTERNET_STATUS_REDIRECT && t->OnRedirect && info != nullptr) {
        const char* text = static_cast<const char*>(info);
        std::size_t length = 0;
        while (length < infoLength && text[length] != '\0')
            ++length;
        t->OnRedirect(sender, std::string(text, length));
    }
    if (t->OnStatus)
        t->OnStatus(sender, status, InternetStatusText(status));
}

void SetTimeout(HINTERNET request, DWORD option, std::int32_t ms)
{
    if (ms != 0) {
        DWORD value = static_cast<DWORD>(ms);
        InternetSetOptionA(request, option, &value, sizeof value);
    }
}

void SetTextOption(HINTERNET request, DWORD option, const std::string& text)
{
    InternetSetOptionA(request, option, const_cast<char*>(text.c_str()), static_cast<DWORD>(text.size()));
}

// Sends the request until no handler asks for another try. Answers false when it had to be started again from
// the connection (a 416 on a resume of an incomplete file).
enum class TSendResult { Answered, AlreadyComplete, Restart, Failed };

TSendResult SendLoop(const TTransferPtr& tp, bool& previous416)
{
    TslHTTPTransfer& t = *tp;
    for (;;) {
        Checkpoint(t);
        bool tryAgain = false;
        if (!HttpSendRequestA(t.Request(), nullptr, 0, nullptr, 0)) {
            Checkpoint(t);
            t.Status = -1;
            return TSendResult::Failed;
        }
        Checkpoint(t);
        t.Status = ParseStatusCode(QueryText(t.Request(), HTTP_QUERY_STATUS_CODE));
        if (t.Status == 416 && t.ResumeOffset != 0) {
            // Learn the full length: is the file already complete, or is it not this resource at all?
            previous416 = true;
            HttpAddRequestHeadersA(t.Request(), "RANGE: bytes=0-\r\n", static_cast<DWORD>(-1),
                                   HTTP_ADDREQ_FLAG_REPLACE | HTTP_ADDREQ_FLAG_ADD);
            std::int64_t full = 0;
            if (HttpSendRequestA(t.Request(), nullptr, 0, nullptr, 0)) {
                const int status = ParseStatusCode(QueryText(t.Request(), HTTP_QUERY_STATUS_CODE));
                if (status == 200 || status == 206)
                    full = ParseContentLength(QueryText(t.Request(), HTTP_QUERY_CONTENT_LENGTH));
            }
            Checkpoint(t);
            // A resume asks from one buffer before the file's end, so a complete file shows by its size.
            WIN32_FILE_ATTRIBUTE_DATA data{};
            std::int64_t onDisk = -1;
            if (!t.FileName.empty() && GetFileAttributesExA(t.FileName.c_str(), GetFileExInfoStandard, &data))
                onDisk = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            if (full == t.ResumeOffset || (full > 0 && full == onDisk))
                return TSendResult::AlreadyComplete;
            t.ResumeOffset = 0;
            t.Status = -1;
            return TSendResult::Restart;
        }
        if (t.Status == 401 && t.HasPasswordRequest) {
            const std::string realm = RealmOf(QueryText(t.Request(), HTTP_QUERY_WWW_AUTHENTICATE));
            Sync(tp, [&](TslCustomHTTP& owner) {
                Fire(owner.OnPasswordRequest, &owner, realm, tryAgain);
                t.Username = owner.HTTPUsername();
                t.Password = owner.HTTPPassword();
            });
            Checkpoint(t);
            SetTextOption(t.Request(), INTERNET_OPTION_USERNAME, t.Username);
            SetTextOption(t.Request(), INTERNET_OPTION_PASSWORD, t.Password);
        } else if (t.Status == 407 && t.HasProxyRequest) {
            Sync(tp, [&](TslCustomHTTP& owner) {
                Fire(owner.OnProxyAuthenticationRequest, &owner, owner.Proxy.ProxyUsername,
                     owner.Proxy.ProxyPassword, tryAgain);
                t.Proxy.ProxyUsername = owner.Proxy.ProxyUsername;
                t.Proxy.ProxyPassword = owner.Proxy.ProxyPassword;
            });
            Checkpoint(t);
            SetTextOption(t.Request(), INTERNET_OPTION_PROXY_USERNAME, t.Proxy.ProxyUsername);
            SetTextOption(t.Request(), INTERNET_OPTION_PROXY_PASSWORD, t.Proxy.ProxyPassword);
        }
        if (!tryAgain)
            return TSendResult::Answered;
    }
}

// Opens the output for a 200 or 206 answer into a file, or a memory stream for everything else.
void OpenOutput(TslHTTPTransfer& t)
{
    const bool ok = t.Status == 200 || t.Status == 206;
    if (ok && !t.FileName.empty()) {
        // A file that cannot be opened fails the transfer (TslFileStream raises with the file's name): keeping an
        // update in memory instead would lose it.
        t.Stream = std::make_unique<TslFileStream>(t.FileName, true, t.ResumeOffset == 0 ? fsmCreate : fsmOpen);
        t.FileOpened = true;
        if (!(t.Attributes.Incomplete == TslFileAttributes{atrArchive}))
            SetFileAttributesA(t.FileName.c_str(), FileAttributeFlags(t.Attributes.Incomplete));
        return;
    }
    auto memory = std::make_unique<TMemoryStream>();
    const std::int64_t reserve = std::min({t.ContentLength, TslCustomHTTP::MaxMemoryReserve, t.MaxMemoryBody});
    if (reserve > 0) {
        // Growing and shrinking the buffer leaves its capacity in place: the body then arrives without copies.
        memory->SetSize(reserve);
        memory->SetSize(0);
    }
    t.Stream = std::move(memory);
}

bool ReadChunk(TslHTTPTransfer& t, char* buffer, DWORD size, DWORD& got)
{
    got = 0;
    if (t.LocalFile)
        return ReadFile(t.LocalFile.Get(), buffer, size, &got, nullptr) != 0;
    return InternetReadFile(t.Request(), buffer, size, &got) != 0;
}

enum class TReadResult { Done, Restart };

// The read loop. After a resume into a file the first TransferBufferSize bytes of the body are not written but
// compared with the bytes the file holds there; any difference means the file is another resource.
TReadResult ReadBody(const TTransferPtr& tp)
{
    TslHTTPTransfer& t = *tp;
    t.Buffer.assign(static_cast<std::size_t>(t.BufferSize), '\0');
    const bool toFile = t.FileOpened;
    std::int64_t writePos = toFile ? t.ResumeOffset : 0;
    bool verifying = toFile && t.ResumeOffset != 0;
    std::string window, expected;
    if (verifying) {
        expected.assign(static_cast<std::size_t>(t.BufferSize), '\0');
        t.Stream->SetPosition(t.ResumeOffset);
        expected.resize(static_cast<std::size_t>(t.Stream->Read(expected.data(), t.BufferSize)));
    }
    auto write = [&](const char* data, std::int64_t count) {
        if (count <= 0)
            return;
        if (!toFile && writePos + count > t.MaxMemoryBody)
            throw Exception(Format("The reply is larger than %s bytes", {IntToStr(t.MaxMemoryBody)}));
        t.Stream->SetPosition(writePos);
        t.Stream->WriteBuffer(data, count);
        writePos += count;
        if (t.HasProgress) {
            const TslProgressFigures f =
                ComputeProgress(t.Received, t.ResumeOffset, t.ContentLength, GetTickCount64() - t.StartTick);
            Sync(tp, [&](TslCustomHTTP& owner) {
                Fire(owner.OnProgress, &owner, t.ContentType, f.DataSize, f.BytesRead, f.ElapsedTime,
                     f.EstimatedTimeLeft, f.PercentsDone, f.TransferRate, t.Stream.get());
            });
        }
    };
    bool readFailed = false;
    for (;;) {
        Checkpoint(t);
        DWORD got = 0;
        if (!ReadChunk(t, t.Buffer.data(), static_cast<DWORD>(t.Buffer.size()), got)) {
            Checkpoint(t);
            readFailed = true;
            break;
        }
        if (got == 0)
            break;
        t.Received += got;
        const char* data = t.Buffer.data();
        std::int64_t count = got;
        if (verifying) {
            const std::int64_t take = std::min<std::int64_t>(count, t.BufferSize - static_cast<std::int64_t>(window.size()));
            window.append(data, static_cast<std::size_t>(take));
            data += take;
            count -= take;
            if (static_cast<std::int64_t>(window.size()) < t.BufferSize)
                continue;
            if (window != expected)
                return TReadResult::Restart;
            verifying = false;
            writePos = t.ResumeOffset + t.BufferSize;
        }
        write(data, count);
    }
    // A body that ended inside the verification window does not match a file that holds a whole window there.
    if (verifying && !readFailed)
        return TReadResult::Restart;
    const bool answered = t.Status == 200 || t.Status == 206;
    t.Success = answered && !readFailed && (t.ContentLength == 0 || !t.Stream || t.Received == t.ContentLength);
    return TReadResult::Done;
}

// Reads the reply's headers and fires OnHeaderInfo. False when the reply cannot continue the file.
bool ReadHeaders(const TTransferPtr& tp)
{
    TslHTTPTransfer& t = *tp;
    HINTERNET request = t.Request();
    t.ContentType = QueryText(request, HTTP_QUERY_CONTENT_TYPE);
    t.ContentLength = ParseContentLength(QueryText(request, HTTP_QUERY_CONTENT_LENGTH));
    const TslContentRange range = ParseContentRange(QueryText(request, HTTP_QUERY_CONTENT_RANGE));
    if (t.ResumeOffset != 0 && (t.Status == 200 || t.Status == 206)) {
        if (!range.Valid) {
            // The server ignored the range: the whole resource comes, and the file is written anew.
            t.ResumeOffset = 0;
        } else if (!range.HasFirst || range.First != t.ResumeOffset) {
            // A reply for another part than asked for cannot continue the file: start again from zero.
            return false;
        }
    }
    if (!t.HasHeaderInfo)
        return true;
    const std::string raw = QueryText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
    const std::string language = QueryText(request, HTTP_QUERY_CONTENT_LANGUAGE);
    const std::string encoding = QueryText(request, HTTP_QUERY_CONTENT_ENCODING);
    const std::string location = QueryText(request, HTTP_QUERY_LOCATION);
    const std::string etag = QueryText(request, HTTP_QUERY_ETAG);
    const int bias = LocalTimeBias();
    const TDateTime date = ReadHTTPDate(QueryText(request, HTTP_QUERY_DATE), bias);
    const TDateTime modified = ReadHTTPDate(QueryText(request, HTTP_QUERY_LAST_MODIFIED), bias);
    const TDateTime expires = ReadHTTPDate(QueryText(request, HTTP_QUERY_EXPIRES), bias);
    bool cont = true;
    Sync(tp, [&](TslCustomHTTP& owner) {
        Fire(owner.OnHeaderInfo, &owner, t.Status, raw, t.ContentType, language, encoding,
             t.ContentLength + t.ResumeOffset, location, date, modified, expires, etag, cont);
    });
    t.ContinueDownload = cont;
    return true;
}

// The transfer over HTTP; answers when it has ended (Success and Status tell how).
void HTTPBody(const TTransferPtr& tp, const TslURLParts& url, const std::string& scheme)
{
    TslHTTPTransfer& t = *tp;
    const bool https = scheme == "https";
    const DWORD access = t.Proxy.AccessType == atDirect     ? INTERNET_OPEN_TYPE_DIRECT
                         : t.Proxy.AccessType == atUseProxy ? INTERNET_OPEN_TYPE_PROXY
                                                            : INTERNET_OPEN_TYPE_PRECONFIG;
    const std::string proxyName = t.Proxy.ProxyServer + ":" + std::to_string(t.Proxy.ProxyPort);
    HINTERNET session = InternetOpenA(t.Agent.c_str(), access,
                                      t.Proxy.AccessType == atUseProxy ? proxyName.c_str() : nullptr,
                                      t.Proxy.AccessType == atUseProxy && !t.Proxy.ProxyBypass.empty()
                                          ? t.Proxy.ProxyBypass.c_str() : nullptr,
                                      0);
    if (session == nullptr)
        return;
    t.SetSession(session);
    InternetSetStatusCallbackA(session, StatusCallback);
    const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&t);
    const std::string object = url.Path + url.Extra;
    const char* accept[] = {t.AcceptTypes.c_str(), nullptr};
    const DWORD flags = CacheOptionFlags(t.CacheOptions, https) | InternetOptionFlags(t.InternetOptions, https);
    bool previous416 = false;
    for (;;) {
        Checkpoint(t);
        t.SetConnection(InternetConnectA(t.Session(), url.Host.c_str(), static_cast<INTERNET_PORT>(url.Port),
                                         t.Username.empty() ? nullptr : t.Username.c_str(),
                                         t.Password.empty() ? nullptr : t.Password.c_str(),
                                         INTERNET_SERVICE_HTTP, 0, context));
        Checkpoint(t);
        if (t.Connection() == nullptr)
            return;
        // The request gets the same context as the connection: the library reports nothing for a context of 0.
        t.SetRequest(HttpOpenRequestA(t.Connection(), "GET", object.c_str(), nullptr, nullptr, accept, flags, context));
        Checkpoint(t);
        HINTERNET request = t.Request();
        if (request == nullptr)
            return;
        SetTimeout(request, INTERNET_OPTION_CONNECT_TIMEOUT, t.Timeouts.ConnectTimeout);
        SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, t.Timeouts.ReceiveTimeout);
        SetTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, t.Timeouts.SendTimeout);
        if (t.Proxy.AccessType != atDirect && !t.Proxy.ProxyUsername.empty() && !t.Proxy.ProxyPassword.empty()) {
            SetTextOption(request, INTERNET_OPTION_PROXY_USERNAME, t.Proxy.ProxyUsername);
            SetTextOption(request, INTERNET_OPTION_PROXY_PASSWORD, t.Proxy.ProxyPassword);
        }
        const std::string headers = t.Headers + RangeHeaderLine(t.ResumeOffset, t.RangeEnd);
        if (!headers.empty() &&
            !HttpAddRequestHeadersA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                                    previous416 ? HTTP_ADDREQ_FLAG_REPLACE | HTTP_ADDREQ_FLAG_ADD
                                                : HTTP_ADDREQ_FLAG_ADD))
            throw Exception("The request headers were refused");
        const TSendResult sent = SendLoop(tp, previous416);
        if (sent == TSendResult::Failed)
            return;
        if (sent == TSendResult::AlreadyComplete) {
            t.Success = true;
            return;
        }
        if (sent == TSendResult::Restart) {
            t.CloseRequest();
            continue;
        }
        Checkpoint(t);
        t.Stream.reset();
        if (!ReadHeaders(tp)) {
            t.ResumeOffset = 0;
            t.Status = -1;
            t.CloseRequest();
            continue;
        }
        if (!t.ContinueDownload)
            return;
        Checkpoint(t);
        OpenOutput(t);
        if (ReadBody(tp) == TReadResult::Restart) {
            t.Stream.reset();
            t.FileOpened = false;
            t.Received = 0;
            t.ResumeOffset = 0;
            t.Status = -1;
            t.CloseRequest();
            continue;
        }
        return;
    }
}

void FileBody(const TTransferPtr& tp, const std::string& path)
{
    TslHTTPTransfer& t = *tp;
    std::string local = path;
    if (local.size() > 2 && local[0] == '/' && local[2] == ':')
        local.erase(0, 1);
    HANDLE h = CreateFileA(local.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        t.Status = 404;
        t.ContentLength = 0;
    } else {
        t.LocalFile.Reset(h);
        LARGE_INTEGER size{};
        GetFileSizeEx(h, &size);
        t.Status = 200;
        t.ContentLength = size.QuadPart;
        if (t.ResumeOffset != 0) {
            LARGE_INTEGER to{};
            to.QuadPart = t.ResumeOffset;
            SetFilePointerEx(h, to, nullptr, FILE_BEGIN);
            t.ContentLength -= std::min(t.ContentLength, t.ResumeOffset);
        }
    }
    Checkpoint(t);
    OpenOutput(t);
    if (!t.LocalFile)
        return;
    if (ReadBody(tp) == TReadResult::Restart) {
        // A local file cannot be asked again from another offset in a different way: read it whole.
        t.Stream.reset();
        t.FileOpened = false;
        t.Received = 0;
        t.ResumeOffset = 0;
        LARGE_INTEGER zero{};
        SetFilePointerEx(h, zero, nullptr, FILE_BEGIN);
        t.ContentLength = 0;
        OpenOutput(t);
        ReadBody(tp);
    }
}

void Body(const TTransferPtr& tp)
{
    TslHTTPTransfer& t = *tp;
    t.Status = -1;
    t.ContentType.clear();
    t.StartTick = GetTickCount64();
    t.ContinueDownload = true;
    const std::string full = CompleteURL(t.URL);
    const TslURLParts url = CrackURL(full);
    const std::string scheme = LowerCase(url.Scheme);
    if (!url.User.empty())
        t.Username = url.User;
    if (!url.Password.empty())
        t.Password = url.Password;
    Checkpoint(t);
    if (scheme == "file")
        FileBody(tp, url.Path);
    else
        HTTPBody(tp, url, scheme);
}

// Ends a transfer that noticed a plain abort: the worker cleans up, then OnAborted follows on the main thread.
void AbortFromWorker(const TTransferPtr& tp)
{
    TslHTTPTransfer& t = *tp;
    t.CloseHandles();
    t.LocalFile.Reset();
    t.ReleaseStream();
    if (t.Detached)
        return; // the component has let go: the last owner closes and deletes what remains
    t.Buffer = {};
    if (t.FileOpened && t.DeleteIncomplete)
        DeleteFileA(t.FileName.c_str());
    Sync(tp, [&](TslCustomHTTP& owner) { TslHTTPTransfer::Aborted(owner); });
}

void RunTransfer(const std::weak_ptr<TslHTTPTransfer>& weak)
{
    const TTransferPtr tp = weak.lock();
    if (!tp)
        return;
    try {
        Body(tp);
    } catch (const TTransferAborted&) {
        AbortFromWorker(tp);
        return;
    } catch (const std::exception& e) {
        tp->Errored = true;
        tp->ErrorText = ExceptionMessage(e);
    }
    tp->LocalFile.Reset();
    Sync(tp, [&](TslCustomHTTP& owner) { TslHTTPTransfer::Ended(owner, *tp); });
}

} // namespace

// The worker thread is made by the first transfer: a component that never starts one (the news feed's) costs no
// thread.
TslCustomHTTP::TslCustomHTTP(TComponent* Owner) : TslLoginComponent(Owner) {}

TslCustomHTTP::~TslCustomHTTP()
{
    DetachTransfer();
    FTransfer.reset();
    *FAlive = false;
    // The thread component asks a running worker to stop and lets it go when it does not end in time.
    FThread.reset();
}

void TslCustomHTTP::SetTransferBufferSize(std::int32_t Value)
{
    if (Value < MinBufferSize)
        throw std::out_of_range("TransferBufferSize must be at least 255");
    FTransferBufferSize = Value;
}

// Busy ends with the transfer, not with the worker thread: after handing over its end the worker still needs a
// moment to wind down, and a new start right after the last event must not be refused for that.
bool TslCustomHTTP::Busy() const { return FBusy; }

void TslCustomHTTP::DetachTransfer()
{
    if (!FTransfer)
        return;
    FTransfer->Detached = true;
    FTransfer->CloseHandles();
}

bool TslCustomHTTP::DownloadRange(std::int64_t StartPos, std::int64_t EndPos, bool Wait)
{
    if (FInProgress)
        return false;
    if (!FThread)
        FThread = std::make_unique<TslThread>(nullptr);
    auto t = std::make_shared<TslHTTPTransfer>();
    t->Owner = this;
    t->URL = URL;
    t->FileName = FileName;
    t->AcceptTypes = AcceptTypes;
    t->Agent = Agent;
    t->Headers = CustomHeaders.Count() > 0 ? CustomHeaders.Text() : std::string();
    t->Username = HTTPUsername();
    t->Password = HTTPPassword();
    t->Proxy = Proxy;
    t->Timeouts = Timeouts;
    t->CacheOptions = CacheOptions;
    t->InternetOptions = InternetOptions;
    t->Attributes = OutputFileAttributes;
    t->BufferSize = FTransferBufferSize;
    t->MaxMemoryBody = MaxMemoryBody;
    t->HasHeaderInfo = static_cast<bool>(OnHeaderInfo);
    t->HasProgress = static_cast<bool>(OnProgress);
    t->HasPasswordRequest = static_cast<bool>(OnPasswordRequest);
    t->HasProxyRequest = static_cast<bool>(OnProxyAuthenticationRequest);
    t->OnStatus = OnStatus;
    t->OnRedirect = OnRedirect;
    t->ResumeOffset = StartPos < 0 ? 0 : StartPos;
    t->RangeEnd = EndPos < 0 ? 0 : EndPos;

    FInProgress = true;
    FBusy = true;
    FStatusCode = -1;
    FLastError.clear();
    FTransfer = t;
    FThread->SetOnExecute([weak = std::weak_ptr<TslHTTPTransfer>(t)](TObject*) { RunTransfer(weak); });
    FThread->WaitThread = Wait || WaitThread;
    FThread->WaitTimeout = WaitTimeout;
    FThread->OnWaitTimeoutExpired = [this, weak = std::weak_ptr<TslHTTPTransfer>(t)](TObject*, bool& TerminateThread) {
        Fire(OnWaitTimeoutExpired, this, TerminateThread);
        if (TerminateThread && FTransfer && FTransfer == weak.lock())
            DetachTransfer();
    };
    FThread->SetPriority(ThreadPriority);
    const std::shared_ptr<bool> alive = FAlive;
    bool started = FThread->Start();
    if (!*alive)
        return started;
    FThread->WaitThread = false;
    if (!started && FTransfer == t) {
        // The wait ran out and the worker was let go: no events follow.
        FInProgress = false;
        FBusy = false;
        FTransfer.reset();
    }
    return started;
}

bool TslCustomHTTP::ResumeDownload()
{
    std::int64_t size = 0;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!FileName.empty() && GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &data))
        size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::int64_t offset = ResumeOffsetFor(size, FTransferBufferSize);
    return DownloadRange(offset, 0, false);
}

void TslCustomHTTP::Abort(bool DeleteIncompleteFile, bool Immediately)
{
    if (!FBusy || !FTransfer)
        return;
    const std::shared_ptr<TslHTTPTransfer> t = FTransfer;
    t->DeleteIncomplete = DeleteIncompleteFile;
    if (!Immediately) {
        FThread->Stop(false);
        return;
    }
    t->DeleteOnRelease = DeleteIncompleteFile;
    DetachTransfer();
    FThread->Stop(true);
    FInProgress = false;
    FBusy = false;
    FTransfer.reset();
    if (!Destroying())
        Fire(OnAborted, this);
}

void TslCustomHTTP::EndOfTransfer(TslHTTPTransfer& t)
{
    const std::shared_ptr<TslHTTPTransfer> keep = FTransfer; // the handlers below may start another transfer
    FStatusCode = t.Status;
    FLastError = t.ErrorText;
    FBusy = false;
    t.CloseHandles();
    if (t.Stream)
        t.Stream->SetPosition(0);
    auto finish = [&] {
        t.Buffer = {};
        t.ReleaseStream();
        FInProgress = false;
        if (FTransfer.get() == &t)
            FTransfer.reset();
    };
    if (t.Errored) {
        // The reason is in LastError; the answer's events would only restate it.
        Fire(OnFailed, this);
        finish();
        return;
    }
    if (!t.ContinueDownload) {
        finish();
        Fire(OnDownloadCancelled, this);
        return;
    }
    if (t.Success) {
        if (!t.Stream) {
            Fire(OnFailed, this);
            Fire(OnAlreadyDownloaded, this);
            finish();
            return;
        }
        if (t.FileOpened) {
            t.Stream.reset();
            if (!(t.Attributes.Complete == t.Attributes.Incomplete))
                SetFileAttributesA(t.FileName.c_str(), FileAttributeFlags(t.Attributes.Complete));
            Fire(OnDone, this, t.ContentType, t.Received + t.ResumeOffset, nullptr);
        } else {
            Fire(OnDone, this, t.ContentType, t.Received + t.ResumeOffset, t.Stream.get());
        }
    } else if (t.Status == 200 || t.Status == 206) {
        Fire(OnConnLost, this, t.ContentType, t.ContentLength, t.Received, t.Stream.get());
        Fire(OnFailed, this);
    } else if (t.Status == -1) {
        Fire(OnHostUnreachable, this);
        Fire(OnFailed, this);
    } else {
        Fire(OnHTTPError, this, t.Status, t.Stream.get());
        Fire(OnFailed, this);
    }
    finish();
}

TslHTTPPragmaNoCache::TslHTTPPragmaNoCache(TComponent* Owner) : TslCustomHTTP(Owner)
{
    CacheOptions = TslCacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache};
}

bool SetFileTimesFromLocal(const std::string& FileName, TDateTime Local)
{
    if (Local == 0)
        return false;
    // File times are kept in UTC; 100 ns steps since 1601-01-01, which is 109205 days before 1899-12-30.
    const double utc = LocalToUTC(Local);
    const double ticks = (utc + 109205.0) * 864000000000.0;
    if (!(ticks > 0))
        return false;
    ULARGE_INTEGER value{};
    value.QuadPart = static_cast<ULONGLONG>(ticks + 0.5);
    FILETIME ft{value.LowPart, value.HighPart};
    TOwnedHandle file(CreateFileA(FileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    return SetFileTime(file.Get(), &ft, nullptr, &ft) != 0;
}

} // namespace skyloom
