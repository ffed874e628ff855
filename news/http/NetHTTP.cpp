#include "NetHTTP.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace skyloom {

namespace {

std::string ProtocolText(TNetHTTPProtocolVersion v)
{
    return v == TNetHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1";
}

// A relative directory path appended to the current one, each ".." stepping back one segment.
std::string ResolvePath(const std::string& base, const std::string& relative)
{
    std::string result = base;
    if (result.empty() || result.back() != '/')
        result += '/';
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos)
            slash = relative.size();
        const std::string segment = relative.substr(start, slash - start);
        if (segment == "..") {
            if (result.size() > 1) {
                const std::size_t prev = result.rfind('/', result.size() - 2);
                result = result.substr(0, prev == std::string::npos ? 0 : prev + 1);
                if (result.empty())
                    result.assign(1, '/');
            }
        } else if (!segment.empty() || slash < relative.size()) {
            result += segment;
            result += '/';
        }
        start = slash + 1;
    }
    return result;
}

// The text before the first blank or ";" read as hexadecimal; 0 for anything else (and for an overflow).
std::int64_t ChunkSize(const std::string& line)
{
    std::size_t end = line.find_first_of(" ;");
    const std::string hex = Trim(std::string_view(line).substr(0, end));
    if (hex.empty() || hex.size() > 15)
        return 0;
    std::int64_t size = 0;
    for (char c : hex) {
        const int d = HexDigitValue(static_cast<unsigned char>(c));
        if (d < 0)
            return 0;
        size = size * 16 + d;
    }
    return size;
}

std::string RangeText(std::int64_t start, std::int64_t end, std::int64_t length)
{
    std::string s = "bytes ";
    s += start >= 0 ? std::to_string(start) : "";
    s += "-";
    s += end > 0 ? std::to_string(end) : "";
    s += "/";
    s += length > 0 ? std::to_string(length) : "*";
    return s;
}

// A length the platform can address; a larger one cannot be held anyway and ends as a short read.
std::size_t ClampSize(std::int64_t size)
{
    return static_cast<std::uint64_t>(size) > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(size);
}

std::string DateText(TDateTime local)
{
    return local > 0 ? DateTimeToInternetDate(LocalToUTC(local)) : std::string();
}

} // namespace

std::unique_ptr<TNetAuthentication> FindAuthMethod(const std::string& authenticateValue)
{
    const std::string scheme = authenticateValue.substr(0, authenticateValue.find(' '));
    if (SameText(scheme, "Basic"))
        return std::make_unique<TNetBasicAuthentication>();
    return nullptr;
}

void TNetHTTPRequest::SetHeaders()
{
    RawHeaders.Clear();
    auto add = [this](const char* name, const std::string& value) {
        if (!value.empty())
            RawHeaders.Add(std::string(name) + ": " + value);
    };
    add("Connection", Connection);
    add("Content-Version", ContentVersion);
    add("Content-Encoding", ContentEncoding);
    add("Content-Language", ContentLanguage);
    add("Content-Type", ContentType);
    if (ContentLength >= 0)
        add("Content-Length", std::to_string(ContentLength));
    if (ContentRangeStart != 0 || ContentRangeEnd != 0)
        add("Content-Range", RangeText(ContentRangeStart, ContentRangeEnd, ContentRangeInstanceLength));
    add("Cache-control", CacheControl);
    add("Date", DateText(Date));
    add("Expires", DateText(Expires));
    add("Pragma", Pragma);
    for (const std::string& line : CustomHeaders.Lines)
        if (!line.empty())
            RawHeaders.Add(line);
    add("Proxy-Connection", ProxyConnection);
    add("Host", Host);
    add("Accept", Accept);
    add("Accept-Charset", AcceptCharSet);
    add("Accept-Encoding", AcceptEncoding);
    add("Accept-Language", AcceptLanguage);
    add("From", From);
    add("Referer", Referer);
    add("User-Agent", UserAgent);
    if (!Range.empty())
        add("Range", "bytes=" + Range);
    add("If-Modified-Since", DateText(LastModified));
    if (Authentication)
        add("Authorization", Authentication->Authentication());
}

void TNetHTTPResponse::ProcessHeaders()
{
    ContentLength = StrToInt64Def(Trim(RawHeaders.Values("Content-Length")), -1);
    HasContentLength = ContentLength >= 0;
    using R = TNetHTTPResponse;
    static const std::pair<std::string R::*, const char*> texts[] = {
        {&R::TransferEncoding, "Transfer-Encoding"}, {&R::Connection, "Connection"},
        {&R::ProxyConnection, "Proxy-Connection"},   {&R::ContentVersion, "Content-Version"},
        {&R::ContentEncoding, "Content-Encoding"},   {&R::ContentLanguage, "Content-Language"},
        {&R::ContentType, "Content-Type"},           {&R::ContentRange, "Content-Range"},
        {&R::Pragma, "Pragma"},                      {&R::Location, "Location"},
        {&R::Server, "Server"},                      {&R::WWWAuthenticate, "WWW-Authenticate"},
        {&R::ProxyAuthenticate, "Proxy-Authenticate"}};
    for (const auto& [field, name] : texts)
        this->*field = RawHeaders.Values(name);
    // Dates that do not read count as 0; they are no reason to fail a reply.
    static const std::pair<TDateTime R::*, const char*> dates[] = {
        {&R::Date, "Date"}, {&R::LastModified, "Last-Modified"}, {&R::Expires, "Expires"}};
    for (const auto& [field, name] : dates)
        this->*field = InternetDateToLocal(RawHeaders.Values(name));
}

TNetCustomHTTP::TNetCustomHTTP() = default;

TNetCustomHTTP::~TNetCustomHTTP()
{
    Disconnect();
}

void TNetCustomHTTP::SetCookieManager(TNetCookieManager* manager)
{
    FCookieManager = manager;
    if (manager != FOwnedCookieManager.get())
        FOwnedCookieManager.reset();
}

TNetIOHandlerStack& TNetCustomHTTP::IOHandler()
{
    if (!FIOHandler) {
        std::unique_ptr<TNetTransport> transport =
            TransportFactory ? TransportFactory() : std::make_unique<TNetSocket>();
        FIOHandler = std::make_unique<TNetIOHandlerStack>(std::move(transport));
    }
    FIOHandler->MaxLineLength = MaxLineLength;
    FIOHandler->MaxLineAction = MaxLineAction;
    FIOHandler->RecvBufferSize = RecvBufferSize > 0 ? RecvBufferSize : 32768;
    FIOHandler->Transport().ReadTimeout = ReadTimeout;
    FIOHandler->Deadline = FDeadline;
    FIOHandler->Cancelled = Cancelled;
    int connectTimeout = ConnectTimeout;
    if (FDeadline != std::chrono::steady_clock::time_point::max()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(FDeadline -
                                                                                std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            RaiseSocketError(10060);
        if (connectTimeout <= 0 || left < connectTimeout)
            connectTimeout = static_cast<int>(left);
    }
    FIOHandler->Transport().ConnectTimeout = connectTimeout;
    return *FIOHandler;
}

bool TNetCustomHTTP::Connected()
{
    return FIOHandler && FIOHandler->Connected();
}

void TNetCustomHTTP::Disconnect()
{
    if (FIOHandler)
        FIOHandler->Close();
    if (Request.Authentication && Request.Authentication->CurrentStep() >= Request.Authentication->Steps())
        Request.Authentication.reset();
}

std::string TNetCustomHTTP::Get(const std::string& url)
{
    std::string body;
    DoRequest("GET", url, body);
    return body;
}

void TNetCustomHTTP::DoRequest(const std::string& method, const std::string& url, std::string& body)
{
    AuthRetries = 0;
    AuthProxyRetries = 0;
    FRedirectCount = 0;
    Request.URL = url;
    Request.Method = method;
    FDeadline = RequestTimeout > 0
                    ? std::chrono::steady_clock::now() + std::chrono::milliseconds(RequestTimeout)
                    : std::chrono::steady_clock::time_point::max();
    // Between requests a kept connection is only polled; the limit belongs to this request alone.
    struct TDeadlineReset {
        TNetCustomHTTP& Client;
        ~TDeadlineReset()
        {
            Client.FDeadline = std::chrono::steady_clock::time_point::max();
            if (Client.FIOHandler)
                Client.FIOHandler->Deadline = Client.FDeadline;
        }
    } deadlineReset{*this};
    bool retriedStale = false;
    for (;;) {
        body.clear();
        FResponse.Clear();
        FStatusReceived = false;
        bool sent = false;
        bool reused = false;
        TWhatNext next = TWhatNext::wnDone;
        // Preparing takes a relative address against the current one; sending once more must start from the same.
        const TNetURI before = FURI;
        try {
            PrepareRequest();
            reused = ConnectToHost();
            sent = true;
            SendRequest();
            ReadResponseHead();
            next = ProcessResponse(body);
        } catch (const ENetHTTPProtocolException&) {
            // The whole reply has been read: the connection is still in step with the server.
            CheckKeepAlive();
            throw;
        } catch (const ENetException& e) {
            // A server may close a kept connection just as the next request goes out; that request never
            // reached it, so it is sent once more on a new connection.
            const auto* socketError = dynamic_cast<const ENetSocketError*>(&e);
            const bool stale = sent && reused && !FStatusReceived && !retriedStale &&
                               (dynamic_cast<const ENetConnClosedGracefully*>(&e) != nullptr ||
                                (socketError != nullptr && (socketError->LastError() == 10053 ||
                                                            socketError->LastError() == 10054 ||
                                                            socketError->LastError() == 10058)));
            // A reply that was cut short leaves unread bytes behind; the next request must not read them.
            if (sent)
                Disconnect();
            else
                CheckKeepAlive();
            if (stale) {
                retriedStale = true;
                FURI = before;
                continue;
            }
            throw;
        } catch (...) {
            if (sent)
                Disconnect();
            else
                CheckKeepAlive();
            throw;
        }
        CheckKeepAlive();
        if (next == TWhatNext::wnDone)
            return;
    }
}

void TNetCustomHTTP::PrepareRequest()
{
    TNetURI uri(Request.URL);
    if (!uri.Username.empty()) {
        Request.Username = uri.Username;
        Request.Password = uri.Password;
        FURI.Username = Request.Username;
        FURI.Password = Request.Password;
    }
    if (!uri.Path.empty() && uri.Path.front() == '/')
        FURI.Path = uri.Path;
    else
        FURI.Path = ResolvePath(FURI.Path, uri.Path);
    FURI.Document = uri.Document;
    FURI.Params = uri.Params;
    if (!uri.Host.empty())
        FURI.Host = uri.Host;
    if (!uri.Protocol.empty())
        FURI.Protocol = uri.Protocol;
    else
        FURI.Protocol = SameText(FURI.Protocol, "https") ? "https" : "http";
    if (!uri.Port.empty())
        FURI.Port = uri.Port;
    else if (SameText(uri.Protocol, "http"))
        FURI.Port = "80";
    else if (SameText(uri.Protocol, "https"))
        FURI.Port = "443";
    else if (FURI.Port.empty())
        throw ENetUnknownProtocol();
    FURI.IPVersion = uri.IPVersion;
    Request.ContentLength = -1;
    // An IPv6 address needs its brackets, or its colons would run into the port.
    const std::string host = FURI.IPVersion == TNetIPVersion::ivIPv6 ? "[" + FURI.Host + "]" : FURI.Host;
    Request.Host = FURI.Port == "80" ? host : host + ":" + FURI.Port;
}

bool TNetCustomHTTP::ConnectToHost()
{
    const int port = StrToIntDef(FURI.Port, 80);
    if (FIOHandler && FIOHandler->Transport().IsOpen() &&
        (FIOHandler->IPVersion() != FURI.IPVersion || !SameText(FIOHandler->Host(), FURI.Host) ||
         FIOHandler->Port() != port))
        Disconnect();
    if (SameText(FURI.Protocol, "https"))
        throw ENetIOHandlerPropInvalid();
    if (ProtocolVersion == TNetHTTPProtocolVersion::pv1_0 && Request.Connection.empty())
        Request.Connection = "keep-alive";
    if (!ContainsText(Request.AcceptEncoding, "identity"))
        Request.AcceptEncoding = Request.AcceptEncoding.empty() ? "identity" : Request.AcceptEncoding + ", identity";
    if (!FKeepAlive)
        Disconnect();
    TNetIOHandlerStack& io = IOHandler();
    if (io.Connected())
        return true;
    io.Open(FURI.Host, port, FURI.IPVersion);
    return false;
}

void TNetCustomHTTP::SendRequest()
{
    Request.SetHeaders();
    if (!Request.Authentication && Request.BasicAuthentication) {
        Request.Authentication = std::make_unique<TNetBasicAuthentication>();
        Request.Authentication->Username = Request.Username;
        Request.Authentication->Password = Request.Password;
        Request.RawHeaders.SetValue("Authorization", Request.Authentication->Authentication());
    }
    if (!ProxyParams.Authentication && ProxyParams.BasicAuthentication) {
        ProxyParams.Authentication = std::make_unique<TNetBasicAuthentication>();
        ProxyParams.Authentication->Username = ProxyParams.ProxyUsername;
        ProxyParams.Authentication->Password = ProxyParams.ProxyPassword;
    }
    if (ProxyParams.Authentication)
        Request.RawHeaders.SetValue("Proxy-Authorization", ProxyParams.Authentication->Authentication());
    if (FCookieManager) {
        const std::string cookies = FCookieManager->CookieTextFor(FURI.Host, FURI.Path, false);
        if (!cookies.empty())
            Request.RawHeaders.SetValue("Cookie", cookies);
    }
    Request.RawHeaders.FoldLines(1024);

    std::string head;
    head.reserve(256);
    head += Request.Method;
    head += ' ';
    head += FURI.Path;
    head += FURI.Document;
    head += FURI.Params;
    head += " HTTP/";
    head += ProtocolText(ProtocolVersion);
    head += "\r\n";
    head += Request.RawHeaders.Text();
    head += "\r\n";
    TNetIOHandlerStack& io = IOHandler();
    io.ClearWriteBuffer();
    io.WriteBuffered(head);
    io.FlushWrite();
}

void TNetCustomHTTP::ReadResponseHead()
{
    TNetIOHandlerStack& io = IOHandler();
    int interim = 0;
    do {
        if (interim++ > MaxInterimReplies)
            throw ENetTooManyInterimReplies();
        FResponse.Clear();
        FResponse.ResponseText = io.ReadLn();
        FStatusReceived = true;
        try {
            for (;;) {
                std::string line = io.ReadLn();
                if (line.empty())
                    break;
                if (MaxHeaderLines > 0 && FResponse.RawHeaders.Count() >= static_cast<std::size_t>(MaxHeaderLines))
                    throw ENetReplyHeaderLimitExceeded();
                FResponse.RawHeaders.Add(std::move(line));
            }
        } catch (const ENetConnClosedGracefully&) {
            // The server ended the reply inside its head: go on with what arrived.
            io.Close();
        }
        FResponse.ProcessHeaders();
        StoreCookies();
        const std::string& status = FResponse.ResponseText;
        const std::size_t space = status.find(' ');
        const std::string rest = space == std::string::npos ? std::string() : Trim(status.substr(space + 1));
        FResponse.ResponseCode = StrToIntDef(rest.substr(0, rest.find(' ')), -1);
    } while (FResponse.ResponseCode == 100);
}

void TNetCustomHTTP::StoreCookies()
{
    if (!FCookieManager && AllowCookies) {
        FOwnedCookieManager = std::make_unique<TNetCookieManager>();
        FCookieManager = FOwnedCookieManager.get();
    }
    if (!FCookieManager)
        return;
    for (const std::string& v : FResponse.RawHeaders.GetValues("Set-cookie"))
        FCookieManager->StoreCookie(v, FURI.Host, TNetCookieKind::ckPlain);
    for (const std::string& v : FResponse.RawHeaders.GetValues("Set-cookie2"))
        FCookieManager->StoreCookie(v, FURI.Host, TNetCookieKind::ckVersion2);
}

TNetCustomHTTP::TWhatNext TNetCustomHTTP::ProcessResponse(std::string& body)
{
    const int code = FResponse.ResponseCode;
    const bool redirect = (code >= 300 && code <= 399 && code != 304) || !FResponse.Location.empty();
    if (redirect) {
        if (HandleRedirects && !FResponse.Location.empty() && FRedirectCount < RedirectMaximum) {
            std::string discarded;
            ReadBody(discarded);
            ++FRedirectCount;
            Request.URL = FResponse.Location;
            return TWhatNext::wnGoToURL;
        }
        RaiseProtocolError(body);
    }
    if (code >= 200 && code <= 299) {
        if (code != 204)
            ReadBody(body);
        return TWhatNext::wnDone;
    }
    if (code == 401 || code == 407) {
        const bool proxy = code == 407;
        int& retries = proxy ? AuthProxyRetries : AuthRetries;
        ++retries;
        std::unique_ptr<TNetAuthentication>& auth = proxy ? ProxyParams.Authentication : Request.Authentication;
        if (!auth) {
            const std::vector<std::string> offers =
                FResponse.RawHeaders.GetValues(proxy ? "Proxy-Authenticate" : "WWW-Authenticate");
            for (std::size_t i = 0; i < offers.size() && !auth; ++i) {
                auth = FindAuthMethod(offers[i]);
                if (proxy)
                    break;
            }
            if (!auth)
                RaiseProtocolError(body);
        }
        bool granted = false;
        if (proxy) {
            // There is no handler that could ask for proxy credentials.
            ProxyParams.ProxyPassword.clear();
            auth->Reset();
        } else if (retries <= MaxAuthRetries && !Trim(Request.Password).empty() && !Request.Username.empty()) {
            auth->Username = Request.Username;
            auth->Password = Request.Password;
            granted = true;
        }
        if (!granted) {
            auth->Reset();
            RaiseProtocolError(body);
        }
        if (HTTPOptions.count(TNetHTTPOption::hoInProcessAuth) != 0) {
            std::string discarded;
            ReadBody(discarded);
            return TWhatNext::wnAuthRequest;
        }
        ReadBody(body);
        return TWhatNext::wnDone;
    }
    RaiseProtocolError(body);
}

void TNetCustomHTTP::RaiseProtocolError(std::string& body)
{
    const int code = FResponse.ResponseCode;
    // Interim, "No Content" and "Not Modified" replies carry no body, whatever their headers say; reading one
    // until the server closes would stall a kept-alive connection.
    const bool bodiless = (code >= 100 && code <= 199) || code == 204 || code == 304;
    if (!bodiless)
        ReadBody(body);
    throw ENetHTTPProtocolException(code, FResponse.ResponseText, body);
}

void TNetCustomHTTP::ReadBody(std::string& sink)
{
    TNetIOHandlerStack& io = IOHandler();
    const std::int64_t limit = MaxBodySize > 0 ? MaxBodySize : INT64_MAX;
    if (FResponse.ContentLength >= 1) {
        if (FResponse.ContentLength > limit)
            throw ENetReplyTooLarge(limit);
        io.ReadBytes(ClampSize(FResponse.ContentLength), sink, false);
    } else if (FResponse.TransferEncoding.find("chunked") != std::string::npos) {
        for (;;) {
            const std::int64_t size = ChunkSize(io.ReadLn());
            if (size <= 0)
                break;
            if (size > limit - static_cast<std::int64_t>(sink.size()))
                throw ENetReplyTooLarge(limit);
            io.ReadBytes(ClampSize(size), sink, true);
            io.ReadLn();
        }
        // Trailer lines are read to the empty line that ends the body, so a kept connection stays in step.
        for (int lines = 0;; ++lines) {
            if (io.ReadLn().empty())
                break;
            if (MaxHeaderLines > 0 && lines >= MaxHeaderLines)
                throw ENetReplyHeaderLimitExceeded();
        }
    } else if (!FResponse.RawHeaders.HasHeader("Content-Length")) {
        if (!io.ReadToClose(sink, ClampSize(limit)))
            throw ENetReplyTooLarge(limit);
    }
}

void TNetCustomHTTP::CheckKeepAlive()
{
    FKeepAlive = Connected() && !SameText(Trim(FResponse.Connection), "close") &&
                 !SameText(Trim(FResponse.ProxyConnection), "close");
    if (!FKeepAlive)
        Disconnect();
}

} // namespace skyloom
