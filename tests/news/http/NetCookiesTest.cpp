#include "NetCookies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

TEST(NetCookie, ReadsTheHeaderValue)
{
    TNetCookieRFC2109 c;
    c.ParseCookie(" SID = x=y ; Path=\"/news/\"; DOMAIN=.example.com;secure; expires=Wed, 09 Jun 2021 10:18:14 GMT;"
                  "Max-Age=abc; version=1; Comment=hi");
    EXPECT_EQ(c.CookieName, "SID ");
    EXPECT_EQ(c.Value, " x=y");
    EXPECT_EQ(c.Path, "/news/");
    EXPECT_EQ(c.Domain, ".example.com");
    EXPECT_TRUE(c.Secure);
    EXPECT_EQ(c.Expires, "Wed, 09 Jun 2021 10:18:14 GMT");
    EXPECT_EQ(c.MaxAge, -1);
    EXPECT_EQ(c.Version, "1");
    EXPECT_EQ(c.Comment, "hi");

    TNetCookieRFC2109 plain;
    plain.ParseCookie("novalue");
    EXPECT_EQ(plain.CookieName, "novalue");
    EXPECT_EQ(plain.Value, "");
    EXPECT_EQ(plain.Path, "/");
    EXPECT_FALSE(plain.Secure);
    EXPECT_EQ(plain.Expires, "");

    TNetCookieRFC2965 v2;
    v2.ParseCookie("a=b; CommentURL=http://c/; Discard; Port=\"80,8080, x ,443\"");
    EXPECT_EQ(v2.CommentURL, "http://c/");
    EXPECT_TRUE(v2.Discard);
    EXPECT_EQ(v2.PortList, (std::vector<int>{80, 8080, 443}));
    TNetCookieRFC2965 noPorts;
    noPorts.ParseCookie("a=b; Port=\"\"");
    EXPECT_EQ(noPorts.PortList, std::vector<int>{80});
}

TEST(NetCookie, MaxAgeBecomesAnExpiryDate)
{
    SetLocalTimeBiasOverride(0);
    TNetCookieRFC2109 c;
    c.ParseCookie("a=b; max-age=3600");
    EXPECT_EQ(c.MaxAge, 3600);
    const std::optional<TDateTime> when = InternetDateToUTC(c.Expires);
    ASSERT_TRUE(when.has_value()) << c.Expires;
    EXPECT_NEAR(*when, NowUTC() + 1.0 / 24, 2.0 / 86400);

    TNetCookieRFC2109 keep;
    keep.ParseCookie("a=b; max-age=3600; expires=Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(keep.Expires, "Sun, 06 Nov 1994 08:49:37 GMT") << "an expires attribute wins";

    TNetCookieRFC2109 huge;
    huge.ParseCookie("a=b; max-age=9223372036854775807");
    EXPECT_EQ(huge.Expires, "") << "a date past the year 9999 cannot be written; the cookie just lives on";
    TNetCookieRFC2109 negative;
    negative.ParseCookie("a=b; max-age=-5");
    EXPECT_EQ(negative.Expires, "");
    SetLocalTimeBiasOverride(std::nullopt);
}

TEST(NetCookie, DomainAcceptance)
{
    struct Case {
        const char* host;
        const char* domain;
        bool fits;
    } cases[] = {
        {"www.example.com", "www.example.com", true},
        {"www.example.com", "example.com", true},
        {"www.example.com", "ample.com", false},
        {"badexample.com", "example.com", false},
        {"www.example.com", ".example.com", true},
        {"a.www.example.com", ".example.com", false},
        {"example.com", ".example.com", false},
        {"www.example.com", ".com", false},
        {"feed.example.com", "com", false},
        {"localhost", "localhost", true},
        {"www.example.com", "WWW.example.com", false},
        {"10.0.0.1", "10.0.0.1", true},
        {"10.0.0.1", "0.0.1", false},
        {"10.0.0.1", ".0.0.1", false},
        {"1.2.3.256", "2.3.256", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CookieDomainFits(c.host, c.domain), c.fits) << c.host << " / " << c.domain;
}

class CookieStore : public ::testing::Test {
protected:
    void SetUp() override { SetLocalTimeBiasOverride(0); }
    void TearDown() override { SetLocalTimeBiasOverride(std::nullopt); }

    void Set(const std::string& value, const std::string& host = "www.example.com")
    {
        Store.StoreCookie(value, host, TNetCookieKind::ckPlain);
    }
    std::string For(const std::string& host, const std::string& path = "/")
    {
        return Store.CookieTextFor(host, path, false);
    }
    TNetCookieManager Store;
};

TEST_F(CookieStore, SendsCookiesToTheHostsTheyBelongTo)
{
    Set("host=1");
    Set("dom=2; domain=.example.com");
    Set("parent=3; domain=example.com");
    Set("foreign=4; domain=example.org");
    struct Case {
        const char* host;
        const char* text;
    } cases[] = {
        {"www.example.com", "parent=3; dom=2; host=1"},
        {"WWW.Example.com", "parent=3; dom=2; host=1"},
        {"mail.example.com", "parent=3; dom=2"},
        {"example.com", "parent=3; dom=2"},
        {"a.b.example.com", "parent=3; dom=2"},
        {"www.example.com.evil.test", ""},
        {"badexample.com", ""},
        {"other.test", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(For(c.host), c.text) << c.host;
    EXPECT_EQ(Store.CookieCollection().Count(), 3u) << "the foreign domain was refused";
}

TEST_F(CookieStore, PathValueExpiryAndSecureDecideWhatIsSent)
{
    Set("root=1");
    Set("news=2; path=/news/");
    Set("empty=; path=/");
    Set("past=3; expires=Sat, 07 Sep 2002 00:00:01 GMT");
    Set("bad=4; expires=tomorrow");
    Set("zero=5; max-age=0");
    Set("later=6; expires=Fri, 01 Jan 2100 00:00:00 GMT");
    Set("safe=7; secure");
    EXPECT_EQ(For("www.example.com", "/"), "root=1; later=6");
    EXPECT_EQ(For("www.example.com", "/news/"), "root=1; news=2; later=6");
    EXPECT_EQ(For("www.example.com", "/news/world/"), "root=1; news=2; later=6");
    EXPECT_EQ(Store.CookieTextFor("www.example.com", "/", true), "root=1; later=6; safe=7");
    EXPECT_EQ(Store.CookieCollection().Count(), 5u) << "past, unreadable and max-age 0 cookies are gone";
}

TEST_F(CookieStore, ReplacesASameNamedCookieInPlace)
{
    Set("a=1");
    Set("b=2");
    Set("c=3");
    Set("B=22; path=/x/");
    EXPECT_EQ(For("www.example.com", "/x/"), "a=1; B=22; c=3");
    EXPECT_EQ(For("www.example.com", "/"), "a=1; c=3") << "the replaced cookie took the new path";
    Set("b=gone; expires=Sat, 07 Sep 2002 00:00:01 GMT");
    EXPECT_EQ(For("www.example.com", "/x/"), "a=1; c=3") << "setting a past date deletes a cookie";
    EXPECT_EQ(Store.CookieCollection().Count(), 2u);
}

TEST_F(CookieStore, OrdersDomainEntriesLastFirstAndCookiesAsStored)
{
    Set("one=1", "www.example.com");
    Set("two=2; domain=.example.com", "www.example.com");
    Set("three=3", "www.example.com");
    Set("four=4; domain=.example.com", "www.example.com");
    EXPECT_EQ(For("www.example.com"), "two=2; four=4; one=1; three=3");
    EXPECT_EQ(Store.CookieCollection().Describe(),
              (std::vector<std::string>{"www.example.com: one=1", "www.example.com: three=3",
                                        ".example.com: two=2", ".example.com: four=4"}));
}

TEST_F(CookieStore, EventsSeeTheCollectionAndMayVetoACookie)
{
    int created = 0;
    std::vector<std::string> offered;
    {
        TNetCookieManager m;
        m.OnCreate = [&](TNetCookieManager&, TNetCookies&) { ++created; };
        m.OnNewCookie = [&](TNetCookieManager&, TNetNetscapeCookie& c, bool& accept) {
            offered.push_back(c.CookieName);
            accept = c.CookieName != "tracker";
        };
        m.StoreCookie("keep=1", "h.test", TNetCookieKind::ckPlain);
        m.StoreCookie("tracker=1", "h.test", TNetCookieKind::ckPlain);
        m.StoreCookie("foreign=1; domain=other.test", "h.test", TNetCookieKind::ckPlain);
        m.StoreCookie("v2=1; Port=\"81\"", "h.test", TNetCookieKind::ckVersion2);
        EXPECT_EQ(m.CookieTextFor("h.test", "/", false), "keep=1; v2=1");
        m.OnDestroy = [](TNetCookieManager&, TNetCookies& cookies) { EXPECT_EQ(cookies.Count(), 2u); };
    }
    EXPECT_EQ(created, 1);
    EXPECT_EQ(offered, (std::vector<std::string>{"keep", "tracker", "v2"})) << "a foreign domain is never offered";
}

TEST_F(CookieStore, AFloodOfCookiesIsBounded)
{
    // One host sets far more cookies than a store keeps for it: the newest stay, the oldest made room.
    // (Texts are built with append: GCC 12 warns wrongly about chains of operator+ on short literals.)
    auto cookie = [](const char* prefix, int i, const std::string& value) {
        std::string text(prefix);
        text.append(std::to_string(i)).append("=").append(value);
        return text;
    };
    for (int i = 0; i < 1000; ++i)
        Set(cookie("c", i, std::to_string(i)));
    const std::vector<std::string> kept = Store.CookieCollection().Describe();
    ASSERT_EQ(kept.size(), TNetCookies::MaxPerDomain);
    EXPECT_EQ(kept.front(), "www.example.com: c950=950") << "the oldest cookies were not the ones dropped";
    EXPECT_EQ(kept.back(), "www.example.com: c999=999");

    // Many hosts of one site, each within its own limit: the total stays bounded, the oldest domain gives way.
    TNetCookieManager site;
    for (int h = 0; h < 20; ++h)
        for (int i = 0; i < 40; ++i)
            site.StoreCookie(cookie("n", i, "v"), std::string("h").append(std::to_string(h)).append(".example.com"),
                             TNetCookieKind::ckPlain);
    EXPECT_EQ(site.CookieCollection().Count(), TNetCookies::MaxTotal);
    EXPECT_EQ(site.CookieTextFor("h0.example.com", "/", false), "") << "the oldest host's cookies stayed";
    EXPECT_NE(site.CookieTextFor("h19.example.com", "/", false).find("n39=v"), std::string::npos)
        << "the newest cookie was not stored";

    // A replaced cookie takes no new room, and an oversized one is refused outright.
    Set("c999=again");
    EXPECT_EQ(Store.CookieCollection().Count(), TNetCookies::MaxPerDomain);
    Set("huge=" + std::string(TNetCookies::MaxCookieBytes, 'x'));
    EXPECT_EQ(For("www.example.com").find("huge="), std::string::npos) << "an oversized cookie was stored";
    EXPECT_EQ(Store.CookieCollection().Describe().front(), "www.example.com: c950=950");
}

} // namespace
} // namespace skyloom
