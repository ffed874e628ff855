#include "NetCookies.h"

#include "NetHeaderList.h"
#include "NetSocket.h"

#include <mutex>

namespace skyloom {

namespace {

std::vector<std::string> SplitParts(const std::string& value)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t semi = value.find(';', start);
        parts.push_back(Trim(std::string_view(value).substr(start, semi - start)));
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return parts;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && SameText(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

const std::string* TNetNetscapeCookie::Attribute(const TAttributes& attributes, const char* upperName)
{
    for (const auto& [name, value] : attributes)
        if (name == upperName)
            return &value;
    return nullptr;
}

TNetNetscapeCookie::TAttributes TNetNetscapeCookie::ParseCommon(const std::string& headerValue)
{
    const std::vector<std::string> parts = SplitParts(headerValue);
    const std::size_t eq = parts[0].find('=');
    CookieName = parts[0].substr(0, eq);
    Value = eq == std::string::npos ? std::string() : parts[0].substr(eq + 1);

    TAttributes attributes;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t e = parts[i].find('=');
        if (e == std::string::npos)
            attributes.emplace_back(UpperCase(parts[i]), std::string());
        else
            attributes.emplace_back(UpperCase(Trim(std::string_view(parts[i]).substr(0, e))), parts[i].substr(e + 1));
    }

    Path.clear();
    if (const std::string* p = Attribute(attributes, "PATH")) {
        Path = *p;
        if (!Path.empty() && Path.front() == '"')
            Path = Path.substr(1);
        if (!Path.empty() && Path.back() == '"')
            Path.pop_back();
    }
    if (Path.empty())
        Path.assign(1, '/'); // assign(1, c): g++ 12 warns wrongly about operator=(const char*) here
    const std::string* expires = Attribute(attributes, "EXPIRES");
    Expires = expires ? *expires : std::string();
    const std::string* domain = Attribute(attributes, "DOMAIN");
    Domain = domain ? *domain : std::string();
    Secure = Attribute(attributes, "SECURE") != nullptr;
    const std::string* maxAge = Attribute(attributes, "MAX-AGE");
    MaxAge = maxAge ? StrToInt64Def(*maxAge, -1) : -1;
    const std::string* version = Attribute(attributes, "VERSION");
    Version = version ? *version : std::string();
    const std::string* comment = Attribute(attributes, "COMMENT");
    Comment = comment ? *comment : std::string();
    return attributes;
}

void TNetNetscapeCookie::ParseCookie(const std::string& headerValue)
{
    ParseCommon(headerValue);
    if (Expires.empty() && MaxAge >= 0) {
        // Past year 9999 the date cannot be written; such a cookie simply never expires.
        const double days = static_cast<double>(MaxAge) / 86400.0;
        Expires = DateTimeToInternetDate(NowUTC() + days);
    }
}

void TNetNetscapeCookie::AssignFrom(const TNetNetscapeCookie& source)
{
    // Every field of this class; a descendant's own fields are its AssignFrom's business.
    TNetNetscapeCookie::operator=(source);
}

bool TNetNetscapeCookie::IsExpired(TDateTime nowLocal) const
{
    // An expiry text that does not read as a date gives 0, long past. A cookie whose moment has come is gone
    // too: a max-age of 0 must not survive a request made within the same second.
    return !Expires.empty() && InternetDateToLocal(Expires) <= nowLocal;
}

bool TNetNetscapeCookie::Matches(const std::string& host, const std::string& path, bool secure) const
{
    if (Value.empty() || (Secure && !secure))
        return false;
    if (path.compare(0, Path.size(), Path) != 0)
        return false;
    if (HostOnly)
        return SameText(host, Domain);
    const std::string bare = !Domain.empty() && Domain.front() == '.' ? Domain.substr(1) : Domain;
    return !bare.empty() && (SameText(host, bare) || EndsWithNoCase(host, "." + bare));
}

void TNetCookieRFC2965::ParseCookie(const std::string& headerValue)
{
    const TAttributes attributes = ParseCommon(headerValue);
    const std::string* url = Attribute(attributes, "COMMENTURL");
    CommentURL = url ? *url : std::string();
    Discard = Attribute(attributes, "DISCARD") != nullptr;
    PortList.clear();
    if (const std::string* ports = Attribute(attributes, "PORT")) {
        const std::string p = Trim(*ports);
        if (p.size() >= 2 && p.front() == '"' && p.back() == '"') {
            std::size_t start = 1;
            const std::size_t end = p.size() - 1;
            while (start < end) {
                std::size_t comma = p.find(',', start);
                if (comma == std::string::npos || comma > end)
                    comma = end;
                const int port = StrToIntDef(std::string_view(p).substr(start, comma - start), -1);
                if (port >= 0)
                    PortList.push_back(port);
                start = comma + 1;
            }
        }
    }
    if (PortList.empty())
        PortList.push_back(80);
    if (Expires.empty() && MaxAge >= 0)
        Expires = DateTimeToInternetDate(NowUTC() + static_cast<double>(MaxAge) / 86400.0);
}

void TNetCookieRFC2965::AssignFrom(const TNetNetscapeCookie& source)
{
    TNetNetscapeCookie::AssignFrom(source);
    if (const auto* v2 = dynamic_cast<const TNetCookieRFC2965*>(&source)) {
        CommentURL = v2->CommentURL;
        Discard = v2->Discard;
        PortList = v2->PortList;
    }
}

bool CookieDomainFits(const std::string& host, const std::string& domain)
{
    if (IsDottedIPv4(host))
        return domain == host;
    if (domain.empty() || domain.front() != '.') {
        // The host itself or one of its parent domains, never a name that merely ends with the same letters, and
        // never a top-level domain on its own (a cookie for "com" would go to every host under it).
        return domain == host ||
               (domain.find('.') != std::string::npos && host.size() > domain.size() &&
                host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
                host[host.size() - domain.size() - 1] == '.');
    }
    // ".example.com" needs a dot inside it, or every host of a top-level domain would share the cookie.
    if (domain.find('.', 1) == std::string::npos)
        return false;
    const std::size_t dot = host.find('.');
    return dot != std::string::npos && host.compare(dot, std::string::npos, domain) == 0;
}

void TNetCookies::AddCookie(std::unique_ptr<TNetNetscapeCookie> cookie)
{
    if (cookie->CookieName.size() + cookie->Value.size() > MaxCookieBytes)
        return;
    std::unique_lock lock(FLock);
    TDomainEntry* entry = nullptr;
    for (TDomainEntry& e : FDomains)
        if (SameText(e.Domain, cookie->Domain)) {
            entry = &e;
            break;
        }
    if (entry == nullptr) {
        FDomains.push_back(TDomainEntry{cookie->Domain, {}});
        entry = &FDomains.back();
    }
    for (auto& stored : entry->Cookies)
        if (SameText(stored->CookieName, cookie->CookieName)) {
            // The stored cookie keeps its place and takes everything over, its expiry included, so that a
            // server can delete a cookie by setting it again with a past date.
            stored->AssignFrom(*cookie);
            return;
        }
    if (entry->Cookies.size() >= MaxPerDomain)
        entry->Cookies.erase(entry->Cookies.begin());
    std::size_t total = 0;
    for (const TDomainEntry& e : FDomains)
        total += e.Cookies.size();
    if (total >= MaxTotal) {
        for (TDomainEntry& e : FDomains)
            if (!e.Cookies.empty()) {
                e.Cookies.erase(e.Cookies.begin());
                break;
            }
    }
    entry->Cookies.push_back(std::move(cookie));
}

void TNetCookies::RemoveExpired(TDateTime nowLocal)
{
    std::unique_lock lock(FLock);
    for (TDomainEntry& e : FDomains)
        std::erase_if(e.Cookies, [nowLocal](const auto& c) { return c->IsExpired(nowLocal); });
}

std::string TNetCookies::CookieText(const std::string& host, const std::string& path, bool secure) const
{
    std::shared_lock lock(FLock);
    // Entries last to first, each entry's cookies in stored order.
    std::vector<const TNetNetscapeCookie*> collected;
    for (const TDomainEntry& e : FDomains)
        for (auto it = e.Cookies.rbegin(); it != e.Cookies.rend(); ++it)
            if ((*it)->Matches(host, path, secure))
                collected.push_back(it->get());
    std::string text;
    for (auto it = collected.rbegin(); it != collected.rend(); ++it) {
        if (!text.empty())
            text += "; ";
        text += (*it)->CookieName;
        text += '=';
        text += (*it)->Value;
    }
    return text;
}

std::size_t TNetCookies::Count() const
{
    std::shared_lock lock(FLock);
    std::size_t n = 0;
    for (const TDomainEntry& e : FDomains)
        n += e.Cookies.size();
    return n;
}

std::vector<std::string> TNetCookies::Describe() const
{
    std::shared_lock lock(FLock);
    std::vector<std::string> lines;
    for (const TDomainEntry& e : FDomains)
        for (const auto& c : e.Cookies)
            lines.push_back(e.Domain + ": " + c->CookieName + "=" + c->Value);
    return lines;
}

void TNetCookies::Clear()
{
    std::unique_lock lock(FLock);
    FDomains.clear();
}

TNetCookieManager::~TNetCookieManager()
{
    if (FCookies) {
        FCookies->RemoveExpired(Now());
        if (OnDestroy)
            OnDestroy(*this, *FCookies);
    }
}

TNetCookies& TNetCookieManager::CookieCollection()
{
    if (!FCookies) {
        FCookies = std::make_unique<TNetCookies>();
        if (OnCreate)
            OnCreate(*this, *FCookies);
    }
    return *FCookies;
}

void TNetCookieManager::StoreCookie(const std::string& headerValue, const std::string& host, TNetCookieKind kind)
{
    std::unique_ptr<TNetNetscapeCookie> cookie;
    if (kind == TNetCookieKind::ckVersion2)
        cookie = std::make_unique<TNetCookieRFC2965>();
    else
        cookie = std::make_unique<TNetCookieRFC2109>();
    cookie->ParseCookie(headerValue);
    if (cookie->Domain.empty()) {
        cookie->Domain = host;
        cookie->HostOnly = true;
    }
    if (!CookieDomainFits(host, cookie->Domain))
        return;
    bool accept = true;
    if (OnNewCookie)
        OnNewCookie(*this, *cookie, accept);
    if (accept)
        CookieCollection().AddCookie(std::move(cookie));
}

std::string TNetCookieManager::CookieTextFor(const std::string& host, const std::string& path, bool secure)
{
    TNetCookies& cookies = CookieCollection();
    cookies.RemoveExpired(Now());
    return cookies.CookieText(host, path, secure);
}

void TNetCookieManager::RemoveExpired()
{
    CookieCollection().RemoveExpired(Now());
}

} // namespace skyloom
