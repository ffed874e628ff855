// The in-memory cookie store of the HTTP client: reads "Set-cookie" and "Set-cookie2" values, keeps the accepted
// cookies by domain and name, expires them and builds the text of a request's "Cookie" header.
#pragma once

#include "NetDate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

namespace skyloom {

enum class TNetCookieKind { ckPlain, ckVersion2 }; // "Set-cookie", "Set-cookie2"

class TNetNetscapeCookie {
public:
    TNetNetscapeCookie() = default;
    TNetNetscapeCookie(const TNetNetscapeCookie&) = default;
    TNetNetscapeCookie& operator=(const TNetNetscapeCookie&) = default;
    virtual ~TNetNetscapeCookie() = default;

    std::string CookieName;
    std::string Value;
    std::string Path = "/";
    std::string Domain;
    std::string Expires; // Internet date text; empty: lives until the program ends
    bool Secure = false;
    std::int64_t MaxAge = -1;
    std::string Version;
    std::string Comment;
    // No domain attribute: the cookie goes back to the host that set it and to no other.
    bool HostOnly = false;

    // Reads one header value; attribute names are matched without regard to case.
    virtual void ParseCookie(const std::string& headerValue);
    // Takes over value and attributes of a newer cookie of the same name.
    virtual void AssignFrom(const TNetNetscapeCookie& source);

    bool IsExpired(TDateTime nowLocal) const;
    // Whether this cookie goes with a request to host/path.
    bool Matches(const std::string& host, const std::string& path, bool secure) const;

protected:
    using TAttributes = std::vector<std::pair<std::string, std::string>>; // upper-case name, value
    static const std::string* Attribute(const TAttributes& attributes, const char* upperName);
    TAttributes ParseCommon(const std::string& headerValue);
};

// A cookie from "Set-cookie".
class TNetCookieRFC2109 : public TNetNetscapeCookie {};

// A cookie from "Set-cookie2".
class TNetCookieRFC2965 : public TNetCookieRFC2109 {
public:
    std::string CommentURL;
    bool Discard = false;
    std::vector<int> PortList{80};

    void ParseCookie(const std::string& headerValue) override;
    void AssignFrom(const TNetNetscapeCookie& source) override;
};

// Whether a host may set a cookie for a domain (the request host for a cookie without one).
bool CookieDomainFits(const std::string& host, const std::string& domain);

// The cookies by domain, guarded by a multiple-reader, single-writer lock. A server decides what it sets, so the
// store is bounded: past MaxPerDomain cookies of one domain, or MaxTotal in all, the oldest stored cookie of that
// domain (or of the oldest domain) makes room, as browsers do; a cookie whose name and value are larger than
// MaxCookieBytes is refused.
class TNetCookies {
public:
    static constexpr std::size_t MaxPerDomain = 50;
    static constexpr std::size_t MaxTotal = 300;
    static constexpr std::size_t MaxCookieBytes = 4096;

    struct TDomainEntry {
        std::string Domain;
        std::vector<std::unique_ptr<TNetNetscapeCookie>> Cookies;
    };

    // Stores the cookie, or lets a stored one of the same name and domain take it over in place.
    void AddCookie(std::unique_ptr<TNetNetscapeCookie> cookie);
    void RemoveExpired(TDateTime nowLocal);
    std::string CookieText(const std::string& host, const std::string& path, bool secure) const;
    std::size_t Count() const;
    // A copy of "domain: name=value" lines in stored order, for inspection.
    std::vector<std::string> Describe() const;
    void Clear();

private:
    mutable std::shared_mutex FLock;
    std::vector<TDomainEntry> FDomains;
};

class TNetCookieManager {
public:
    TNetCookieManager() = default;
    ~TNetCookieManager();
    TNetCookieManager(const TNetCookieManager&) = delete;
    TNetCookieManager& operator=(const TNetCookieManager&) = delete;

    std::function<void(TNetCookieManager& sender, TNetCookies& cookies)> OnCreate;
    std::function<void(TNetCookieManager& sender, TNetCookies& cookies)> OnDestroy;
    std::function<void(TNetCookieManager& sender, TNetNetscapeCookie& cookie, bool& accept)> OnNewCookie;

    void StoreCookie(const std::string& headerValue, const std::string& host, TNetCookieKind kind);
    std::string CookieTextFor(const std::string& host, const std::string& path, bool secure);
    void RemoveExpired();
    TNetCookies& CookieCollection();

private:
    std::unique_ptr<TNetCookies> FCookies;
};

} // namespace skyloom
