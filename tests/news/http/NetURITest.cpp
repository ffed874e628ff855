#include "NetURI.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(NetURI, SplitsEveryPart)
{
    struct Case {
        std::string url, protocol, user, password, host, port, path, document, params, bookmark;
        TNetIPVersion ip = TNetIPVersion::ivIPv4;
    } cases[] = {
        {"http://feeds.example/news/rss.xml", "http", "", "", "feeds.example", "", "/news/", "rss.xml", "", ""},
        {"http://feeds.example", "http", "", "", "feeds.example", "", "/", "", "", ""},
        {"http://u:p@h:8080/a/b.php?x=1&y=2#frag", "http", "u", "p", "h", "8080", "/a/", "b.php", "?x=1&y=2", "frag"},
        {"http://u@h/", "http", "u", "", "h", "", "/", "", "", ""},
        {"http://:secret@h/", "http", "", "", "h", "", "/", "", "", ""},
        {"http://u:p:q@h/", "http", "u", "p:q", "h", "", "/", "", "", ""},
        {"http://a@b@h/", "http", "a", "", "b@h", "", "/", "", "", ""},
        {"http://[::1]:81/x", "http", "", "", "::1", "81", "/", "x", "", "", TNetIPVersion::ivIPv6},
        {"http://[fe80::1]/", "http", "", "", "fe80::1", "", "/", "", "", "", TNetIPVersion::ivIPv6},
        {"http://h/doc#a#b", "http", "", "", "h", "", "/", "doc", "", "a#b"},
        {"http://h/dir/?q=a/b", "http", "", "", "h", "", "/dir/", "", "?q=a/b", ""},
        {"http://h/dir/doc=1/x", "http", "", "", "h", "", "/dir/", "doc", "=1/x", ""},
        {"http://h/p?q#f", "http", "", "", "h", "", "/", "p", "?q", "f"},
        {"http:\\\\h\\a\\b.xml", "http", "", "", "h", "", "/a/", "b.xml", "", ""},
        {"feed.xml", "", "", "", "", "", "", "feed.xml", "", ""},
        {"sub/dir/feed.xml?x", "", "", "", "", "", "sub/dir/", "feed.xml", "?x", ""},
        {"/abs/feed.xml", "", "", "", "", "", "/abs/", "feed.xml", "", ""},
        {"", "", "", "", "", "", "", "", "", ""},
        {"://", "", "", "", "", "", "/", "", "", ""},
    };
    for (const Case& c : cases) {
        const TNetURI u(c.url);
        EXPECT_EQ(u.Protocol, c.protocol) << c.url;
        EXPECT_EQ(u.Username, c.user) << c.url;
        EXPECT_EQ(u.Password, c.password) << c.url;
        EXPECT_EQ(u.Host, c.host) << c.url;
        EXPECT_EQ(u.Port, c.port) << c.url;
        EXPECT_EQ(u.Path, c.path) << c.url;
        EXPECT_EQ(u.Document, c.document) << c.url;
        EXPECT_EQ(u.Params, c.params) << c.url;
        EXPECT_EQ(u.Bookmark, c.bookmark) << c.url;
        EXPECT_EQ(u.IPVersion, c.ip) << c.url;
    }
}

} // namespace
} // namespace skyloom
