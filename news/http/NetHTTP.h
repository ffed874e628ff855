// The feed's HTTP/1.1 client: one GET at a time over a plain TCP connection that is kept open between requests
// when the server allows it, with an in-memory cookie store. No proxy, TLS or compression.
#pragma once

#include "Owned.h"
#include "NetCookies.h"
#include "NetDate.h"
#include "NetException.h"
#include "NetHeaderList.h"
#include "NetIOHandler.h"
#include "NetSocket.h"
#include "NetURI.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace skyloom {

enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };
enum class TNetHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };
using TNetHTTPOptions = std::set<TNetHTTPOption>;

// An authentication scheme's state: its user name and password and the credential text it produces.
class TNetAuthentication {
public:
    virtual ~TNetAuthentication() = default;
    std::string Username;
    std::string Password;
    virtual std::string Authentication() const = 0;
    // Back to the first step of the scheme's exchange.
    virtual void Reset() { FCurrentStep = 0; }
    int CurrentStep() const { return FCurrentStep; }
    virtual int Steps() const { return 1; }

protected:
    int FCurrentStep = 0;
};

class TNetBasicAuthentication final : public TNetAuthentication {
public:
    std::string Authentication() const override { return "Basic " + EncodeBase64(Username + ":" + Password); }
};

// A new object of the registered scheme named by the first word of an authenticate value ("Basic"), or none.
std::unique_ptr<TNetAuthentication> FindAuthMethod(const std::string& authenticateValue);

struct TNetProxyConnectionInfo {
    std::string ProxyServer;
    int ProxyPort = 0;
    std::string ProxyUsername;
    std::string ProxyPassword;
    bool BasicAuthentication = false;
    std::unique_ptr<TNetAuthentication> Authentication;
};

// The header fields that requests and replies share: the connection's, the body's and the dates. RawHeaders holds
// the header lines as they are sent or were received.
struct TNetEntityHeaders {
    std::string Connection;
    std::string ContentVersion;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::string ContentType;
    std::int64_t ContentLength = -1;
    TDateTime Date = 0;
    TDateTime Expires = 0;
    // A request sends it as If-Modified-Since; a reply reads it from Last-Modified.
    TDateTime LastModified = 0;
    std::string Pragma;
    TNetHeaderList RawHeaders;
};

class TNetHTTPRequest : public TNetEntityHeaders {
public:
    std::string URL;    // the request target as given
    std::string Method = "GET";
    std::int64_t ContentRangeStart = 0;
    std::int64_t ContentRangeEnd = 0;
    std::int64_t ContentRangeInstanceLength = 0;
    std::string CacheControl;
    TNetHeaderList CustomHeaders;
    std::string ProxyConnection;
    std::string Host;
    std::string Accept = "text/html, */*";
    std::string AcceptCharSet;
    std::string AcceptEncoding;
    std::string AcceptLanguage;
    std::string From;
    std::string Referer;
    std::string UserAgent = "Mozilla/3.0 (compatible; Skyloom)";
    std::string Range;
    std::string Username;
    std::string Password;
    bool BasicAuthentication = false;
    std::unique_ptr<TNetAuthentication> Authentication;

    // Rebuilds RawHeaders from the fields above in the fixed order.
    void SetHeaders();
};

class TNetHTTPResponse : public TNetEntityHeaders {
public:
    std::string ResponseText; // the status line as received
    int ResponseCode = -1;
    bool HasContentLength = false;
    std::string ContentRange;
    std::string TransferEncoding;
    std::string Location;
    std::string Server;
    std::string ProxyConnection;
    std::string WWWAuthenticate;
    std::string ProxyAuthenticate;
    bool KeepAlive = false;

    void Clear() { *this = TNetHTTPResponse(); }
    // Fills the fields from RawHeaders.
    void ProcessHeaders();
};

class TNetCustomHTTP : TNonCopyable {
public:
    TNetCustomHTTP();
    virtual ~TNetCustomHTTP();

    // Settings.
    TNetHTTPProtocolVersion ProtocolVersion = TNetHTTPProtocolVersion::pv1_1;
    bool HandleRedirects = false;
    int RedirectMaximum = 15;
    bool AllowCookies = true;
    int MaxAuthRetries = 3;
    int AuthRetries = 0;
    int AuthProxyRetries = 0;
    TNetHTTPOptions HTTPOptions{TNetHTTPOption::hoForceEncodeParams};
    TNetProxyConnectionInfo ProxyParams;
    TNetHTTPRequest Request;
    // Waits are bounded so that a server that accepts and then stays silent cannot block the caller for good.
    // Milliseconds; 0 leaves them to the system.
    int ConnectTimeout = 30000;
    int ReadTimeout = 30000;
    int MaxLineLength = 16384;
    TNetMaxLineAction MaxLineAction = TNetMaxLineAction::maException;
    std::size_t RecvBufferSize = 32768;
    // Replies with more header lines than this fail with ENetReplyHeaderLimitExceeded; 0 accepts any number.
    int MaxHeaderLines = 255;
    // What a server can make a request cost, whatever it sends. A request (connecting and any retry included)
    // ends with socket error 10060 after RequestTimeout milliseconds even when every single wait stays below
    // ReadTimeout, so a server trickling a byte at a time cannot hold the caller; a minute is ample for a feed.
    // 0: no overall limit.
    int RequestTimeout = 60000;
    // Bodies (error pages included) larger than this fail with ENetReplyTooLarge; an announced length above it
    // fails before anything is read. Feeds are well below a megabyte; 16 MB leaves room for archives of many
    // items while keeping memory bounded. 0: no limit.
    std::int64_t MaxBodySize = std::int64_t{16} << 20;
    // Asked while the client waits for the server; true ends the request with socket error 10004 ("Interrupted
    // system call."). For a worker thread that is told to stop.
    std::function<bool()> Cancelled;
    // "100 Continue" replies accepted before the final one; more fail with ENetTooManyInterimReplies.
    int MaxInterimReplies = 10;

    // The connection the client opens on its first request; tests and fuzzers replace it with their own.
    std::function<std::unique_ptr<TNetTransport>()> TransportFactory;

    // The reply body of a GET, byte for byte; raises for every other outcome.
    std::string Get(const std::string& url);

    TNetHTTPResponse& Response() { return FResponse; }
    int ResponseCode() const { return FResponse.ResponseCode; }
    const std::string& ResponseText() const { return FResponse.ResponseText; }
    const TNetURI& URL() const { return FURI; }
    // The store the client created on its first reply (or the one attached), none before.
    TNetCookieManager* CookieManager() { return FCookieManager; }
    // Attaches a store the caller keeps; without one the client makes its own.
    void SetCookieManager(TNetCookieManager* manager);
    bool Connected();
    void Disconnect();

protected:
    void DoRequest(const std::string& method, const std::string& url, std::string& body);

private:
    enum class TWhatNext { wnDone, wnGoToURL, wnAuthRequest };

    void PrepareRequest();
    // True when a kept connection is used again rather than a new one opened.
    bool ConnectToHost();
    void SendRequest();
    void ReadResponseHead();
    TWhatNext ProcessResponse(std::string& body);
    void ReadBody(std::string& sink);
    void StoreCookies();
    void CheckKeepAlive();
    [[noreturn]] void RaiseProtocolError(std::string& body);
    TNetIOHandlerStack& IOHandler();

    TNetURI FURI;
    TNetHTTPResponse FResponse;
    std::unique_ptr<TNetIOHandlerStack> FIOHandler;
    std::unique_ptr<TNetCookieManager> FOwnedCookieManager;
    TNetCookieManager* FCookieManager = nullptr;
    bool FKeepAlive = true;
    bool FStatusReceived = false;
    int FRedirectCount = 0;
    std::chrono::steady_clock::time_point FDeadline = std::chrono::steady_clock::time_point::max();
};

// The published form the main window places as NetHTTP1.
class TNetHTTP : public TNetCustomHTTP {};

} // namespace skyloom
