// The feed's own HTTP transfer: created with the feed, its settings republished by the feed and its events
// forwarded to the feed's handlers. Built only where the transfer exists (the system's Internet library).
#include "slRSSFeed.h"

namespace skyloom {

void TslRSSFeed::CreateTransfer()
{
    // Owned by the feed alone (no component owner), so that it goes before the items and the channel data.
    FHTTP = std::make_unique<TslHTTPPragmaNoCache>(nullptr);
    FHTTP->Agent = DefaultAgent();

    // The transfer lives exactly as long as the feed, so capturing this is safe.
    TslHTTPPragmaNoCache& http = *FHTTP;
    http.OnHeaderInfo = [this](TObject*, std::int32_t ErrorCode, const std::string& RawHeadersCRLF,
                               const std::string& ContentType, const std::string& ContentLanguage,
                               const std::string& ContentEncoding, std::int64_t ContentLength,
                               const std::string& Location, TDateTime Date, TDateTime LastModified, TDateTime Expires,
                               const std::string& ETag, bool& ContinueDownload) {
        Fire(OnHTTPHeaderInfo, this, ErrorCode, RawHeadersCRLF, ContentType, ContentLanguage, ContentEncoding,
             ContentLength, Location, Date, LastModified, Expires, ETag, ContinueDownload);
    };
    http.OnConnLost = [this](TObject*, const std::string& ContentType, std::int64_t FileSize, std::int64_t BytesRead,
                             TStream* Stream) { Fire(OnHTTPConnLost, this, ContentType, FileSize, BytesRead, Stream); };
    http.OnHTTPError = [this](TObject*, std::int32_t ErrorCode, TStream* Stream) {
        Fire(OnHTTPError, this, ErrorCode, Stream);
    };
    http.OnPasswordRequest = [this](TObject*, const std::string& Realm, bool& TryAgain) {
        Fire(OnHTTPPasswordRequest, this, Realm, TryAgain);
    };
    http.OnProxyAuthenticationRequest = [this](TObject*, std::string& ProxyUsername, std::string& ProxyPassword,
                                               bool& TryAgain) {
        Fire(OnHTTPProxyAuthenticationRequest, this, ProxyUsername, ProxyPassword, TryAgain);
    };
    http.OnProgress = [this](TObject*, const std::string& ContentType, std::int64_t DataSize, std::int64_t BytesRead,
                             std::int32_t ElapsedTime, std::int32_t EstimatedTimeLeft, std::uint8_t PercentsDone,
                             float TransferRate, TStream* Stream) {
        Fire(OnHTTPProgress, this, ContentType, DataSize, BytesRead, ElapsedTime, EstimatedTimeLeft, PercentsDone,
             TransferRate, Stream);
    };
    http.OnHostUnreachable = [this](TObject*) { Fire(OnHTTPHostUnreachable, *this); };
    http.OnWaitTimeoutExpired = [this](TObject*, bool& TerminateThread) {
        Fire(OnWaitTimeoutExpired, this, TerminateThread);
    };
    http.OnDone = [this](TObject*, const std::string&, std::int64_t, TStream* Stream) { TransferDone(Stream); };
    http.OnFailed = [this](TObject*) { Fire(OnRSSLoadError, *this); };
}

void TslRSSFeed::AssignTransfer(const TslRSSFeed* Source)
{
    TslHTTPPragmaNoCache& http = *FHTTP;
    if (!Source) {
        http.URL.clear();
        http.Agent = DefaultAgent();
        http.SetHTTPUsername({});
        http.SetHTTPPassword({});
        http.Proxy.Assign(nullptr);
        http.ThreadPriority = tpNormal;
        http.WaitThread = false;
        http.WaitTimeout = 0;
        return;
    }
    const TslHTTPPragmaNoCache& from = *Source->FHTTP;
    http.URL = from.URL;
    http.Agent = from.Agent;
    http.SetHTTPUsername(from.HTTPUsername());
    http.SetHTTPPassword(from.HTTPPassword());
    http.Proxy.Assign(&from.Proxy);
    http.ThreadPriority = from.ThreadPriority;
    http.WaitThread = from.WaitThread;
    http.WaitTimeout = from.WaitTimeout;
}

void TslRSSFeed::TransferDone(TStream* Stream)
{
    // A transfer into a file hands over no stream: there is nothing to load.
    if (!Stream) {
        Fire(OnRSSLoadError, *this);
        return;
    }
    if (LoadFromStream(*Stream, false))
        FeedTime = Now();
}

} // namespace skyloom
