#include "slHTTPCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace skyloom {
namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

TEST(HTTPDateReader, ReadsTheFormsServersWrite)
{
    struct Case { const char* Text; TDateTime Expected; };
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", At(1994, 11, 6, 8, 49, 37)},
        {"Sunday, 06-Nov-94 08:49:37 GMT", At(1994, 11, 6, 8, 49, 37)},
        {"Sun Nov  6 08:49:37 1994", At(1994, 11, 6, 8, 49, 37)},
        {"  sun,  06 nov 1994 08:49:37 gmt ", At(1994, 11, 6, 8, 49, 37)},
        {"06 Nov 2024 08:49:37", At(2024, 11, 6, 8, 49, 37)},
        {"Tue, 15 Nov 05 08:12:31 GMT", At(2005, 11, 15, 8, 12, 31)},
        {"Nov 15 1994", At(1994, 11, 15, 0, 0, 0)},
        {"Tue, 15 Nov 1994 10:12:31 +0200", At(1994, 11, 15, 8, 12, 31)},
        {"Tue, 15 Nov 1994 06:12:31 -0200", At(1994, 11, 15, 8, 12, 31)},
        {"Tue, 15 Nov 1994 08:12:31 EST", At(1994, 11, 15, 8, 12, 31)}, // other zones count as GMT
        {"xx Nov 1994 08:12", At(1994, 11, 1, 8, 12, 0)},                // a day that is no number counts as 1
        {"Tue, 31 Feb 1994 08:12:31 GMT", 0},
        {"Tue, 15 Foo 1994 08:12:31 GMT", 0},
        {"Tue, 15 Nov 1994 25:12:31 GMT", 0},
        {"Tue, 15 Nov 1994 08:12:31 +02x0", 0},
        {"", 0},
        {"garbage", 0},
        {"Mon,", 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ReadHTTPDate(c.Text, 0), c.Expected, 1e-7) << c.Text;
}

TEST(HTTPDateReader, ConvertsGMTToLocalWithTheBias)
{
    // UTC = local + bias: a bias of -120 (two hours east) gives a local time two hours later.
    EXPECT_NEAR(ReadHTTPDate("Sun, 06 Nov 1994 08:49:37 GMT", -120), At(1994, 11, 6, 10, 49, 37), 1e-7);
    EXPECT_NEAR(ReadHTTPDate("Sun, 06 Nov 1994 08:49:37 GMT", 300), At(1994, 11, 6, 3, 49, 37), 1e-7);
    EXPECT_EQ(ReadHTTPDate("nonsense", 300), 0.0) << "an unreadable date stays 0 whatever the bias";
}

TEST(HTTPRealm, TakesTheQuotedTextOnly)
{
    struct Case { const char* Header; const char* Realm; };
    const Case cases[] = {
        {"Basic realm=\"Skyloom updates\"", "Skyloom updates"},
        {"Basic realm=\"a\", charset=\"UTF-8\"", "a"},
        {"Basic realm=\"unterminated", ""},
        {"Basic realm=plain", ""},
        {"", ""},
        {"Digest realm=\"x\"", "x"},
        {"Basic realm=\"\"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RealmOf(c.Header), c.Realm) << c.Header;
}

TEST(HTTPFlags, CacheOptionsMapToRequestFlags)
{
    using namespace httpflags;
    struct Case { TslCacheOptions Options; bool Https; std::uint32_t Flags; };
    const Case cases[] = {
        {{}, false, 0},
        {{coAlwaysReload}, false, Reload},
        {{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coCreateTempFilesIfCantCache}, false,
         Hyperlink | Resynchronize | NeedFile},
        {{coReloadIfNoExpireInformation, coReloadUpdatedObjects, coCreateTempFilesIfCantCache}, true,
         Hyperlink | Resynchronize},
        {{coPragmaNoCache, coNoCacheWrite, coUseCacheIfNetFail}, false, PragmaNoCache | NoCacheWrite | CacheIfNetFail},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CacheOptionFlags(c.Options, c.Https), c.Flags) << "options " << c.Options.Bits();
}

TEST(HTTPFlags, InternetOptionsMapToRequestFlags)
{
    using namespace httpflags;
    struct Case { TslInternetOptions Options; bool Https; std::uint32_t Flags; };
    const Case cases[] = {
        {{}, false, 0},
        {{}, true, Secure},
        {{ioKeepConnection}, false, KeepConnection},
        {{ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid}, true,
         IgnoreCertCNInvalid | IgnoreCertDateInvalid | Secure},
        {{ioIgnoreRedirectToHTTP, ioIgnoreRedirectToHTTPS, ioNoAuthentication, ioNoAutoRedirect, ioNoCookies}, false,
         IgnoreRedirectToHTTP | IgnoreRedirectToHTTPS | NoAuth | NoAutoRedirect | NoCookies},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InternetOptionFlags(c.Options, c.Https), c.Flags) << "options " << c.Options.Bits();
}

TEST(HTTPFlags, FileAttributesMapToPlatformAttributes)
{
    using namespace httpflags;
    EXPECT_EQ(FileAttributeFlags({atrArchive}), AttrArchive);
    EXPECT_EQ(FileAttributeFlags({atrArchive, atrTemporary}), AttrArchive | AttrTemporary);
    EXPECT_EQ(FileAttributeFlags({atrHidden, atrReadOnly, atrSystem, atrOffline}),
              AttrHidden | AttrReadOnly | AttrSystem | AttrOffline);
    EXPECT_EQ(FileAttributeFlags({}), 0u);
}

TEST(HTTPURL, HostAndFileNameHelpers)
{
    struct Case { const char* URL; const char* Host; const char* File; };
    const Case cases[] = {
        {"http://update.example.com/skyloom/skyloom.exe", "update.example.com", "skyloom.exe"},
        {"http://update.example.com:8080/a/b/info.txt?x=1#top", "update.example.com", "info.txt"},
        {"https://user:pw@host.test/dir/", "host.test", ""},
        {"http://host.test", "host.test", ""},
        {"host.test/file.zip", "host.test", "file.zip"}, // read as if "http://" were in front
        {"ftp://[::1]:21/pub/x.tar.gz", "[::1]", "x.tar.gz"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HTTPHostName(c.URL), c.Host) << c.URL;
        EXPECT_EQ(HTTPFileName(c.URL), c.File) << c.URL;
    }
    EXPECT_EQ(HTTPHostName(CompleteURL("host.test/file.zip")), "host.test");
    EXPECT_EQ(CompleteURL("https://a/b"), "https://a/b");
}

TEST(HTTPURL, CrackingGivesTheRequestParts)
{
    const TslURLParts p = CrackURL("http://anna:pw@h.test:81/a/b.exe?v=2");
    EXPECT_EQ(p.Scheme, "http");
    EXPECT_EQ(p.User, "anna");
    EXPECT_EQ(p.Password, "pw");
    EXPECT_EQ(p.Host, "h.test");
    EXPECT_EQ(p.Port, 81);
    EXPECT_EQ(p.Path, "/a/b.exe");
    EXPECT_EQ(p.Extra, "?v=2");
    EXPECT_EQ(CrackURL("https://h.test/").Port, 443);
    EXPECT_EQ(CrackURL("http://h.test:99999/").Port, 80) << "an impossible port falls back to the default";
    EXPECT_EQ(CrackURL("http://" + std::string(400, 'h') + "/").Host.size(), 255u);
}

TEST(HTTPHeaderValues, StatusLengthAndRange)
{
    EXPECT_EQ(ParseStatusCode("200"), 200);
    EXPECT_EQ(ParseStatusCode(" 416 "), 416);
    EXPECT_EQ(ParseStatusCode("abc"), 0);
    EXPECT_EQ(ParseStatusCode("99999999999"), 0);
    EXPECT_EQ(ParseContentLength("104857600"), 104857600);
    EXPECT_EQ(ParseContentLength("5000000000"), 5000000000LL) << "lengths past 2 GiB";
    EXPECT_EQ(ParseContentLength("-5"), 0);
    EXPECT_EQ(ParseContentLength(""), 0);
    EXPECT_EQ(ParseContentLength("12x"), 0);

    struct Case { const char* Text; bool Valid; bool HasFirst; std::int64_t First, Last, Total; };
    const Case cases[] = {
        {"bytes 100-199/200", true, true, 100, 199, 200},
        {"bytes 0-0/1", true, true, 0, 0, 1},
        {"bytes 3000000000-3000000099/4000000000", true, true, 3000000000LL, 3000000099LL, 4000000000LL},
        {"bytes 100-199/*", true, true, 100, 199, -1},
        {"bytes */200", true, false, 0, 0, 200},
        {"bytes 200-100/300", false, false, 0, 0, -1},
        {"bytes 100-200/200", false, false, 0, 0, -1},
        {"bytes */*", false, false, 0, 0, -1},
        {"items 1-2/3", false, false, 0, 0, -1},
        {"", false, false, 0, 0, -1},
    };
    for (const Case& c : cases) {
        const TslContentRange r = ParseContentRange(c.Text);
        EXPECT_EQ(r.Valid, c.Valid) << c.Text;
        if (r.Valid) {
            EXPECT_EQ(r.HasFirst, c.HasFirst) << c.Text;
            EXPECT_EQ(r.First, c.First) << c.Text;
            EXPECT_EQ(r.Last, c.Last) << c.Text;
            EXPECT_EQ(r.Total, c.Total) << c.Text;
        }
    }
    EXPECT_EQ(RangeHeaderLine(0, 0), "");
    EXPECT_EQ(RangeHeaderLine(100, 0), "RANGE: bytes=100-\r\n");
    EXPECT_EQ(RangeHeaderLine(0, 99), "RANGE: bytes=0-99\r\n");
    EXPECT_EQ(ResumeOffsetFor(10000, 4096), 5904);
    EXPECT_EQ(ResumeOffsetFor(4096, 4096), 0);
    EXPECT_EQ(ResumeOffsetFor(0, 4096), 0);
}

TEST(HTTPProgress, FiguresStayInRange)
{
    struct Case {
        std::int64_t Received, Offset, Length;
        std::uint64_t ElapsedMs;
        std::uint8_t Percent;
        std::int32_t Elapsed, Left;
        float Rate;
    };
    const Case cases[] = {
        {512, 0, 1024, 0, 50, 0, 0, 0.5f},                  // first second: the rate is the KB received
        {1024 * 1024, 0, 4 * 1024 * 1024, 2000, 25, 2, 6, 512.0f},
        {1000, 9000, 1000, 1500, 100, 1, 0, 1000.0f / 1024},
        {0, 0, 0, 3000, 0, 3, 0, 0.0f},                     // nothing announced: no percentage
        {5000, 0, 1000, 1000, 100, 1, 0, 5000.0f / 1024},   // more than announced: clamped
        {3000000000LL, 0, 6000000000LL, 10000, 50, 10, 10, 3000000000.0f / 1024 / 10},
        {1, 0, 1000000000000LL, 5000, 0, 5, 2147483647, 1.0f / 1024 / 5},
    };
    for (const Case& c : cases) {
        const TslProgressFigures f = ComputeProgress(c.Received, c.Offset, c.Length, c.ElapsedMs);
        const std::string at = std::to_string(c.Received) + "/" + std::to_string(c.Length);
        EXPECT_EQ(f.PercentsDone, c.Percent) << at;
        EXPECT_EQ(f.ElapsedTime, c.Elapsed) << at;
        EXPECT_EQ(f.EstimatedTimeLeft, c.Left) << at;
        EXPECT_NEAR(f.TransferRate, c.Rate, std::fabs(c.Rate) * 1e-5 + 1e-6) << at;
        EXPECT_EQ(f.DataSize, c.Length + c.Offset) << at;
        EXPECT_EQ(f.BytesRead, c.Received + c.Offset) << at;
    }
}

TEST(HTTPStatusTexts, KnownAndUnknownCodes)
{
    EXPECT_STREQ(InternetStatusText(10), "Resolving name");
    EXPECT_STREQ(InternetStatusText(30), "Sending Request");
    EXPECT_STREQ(InternetStatusText(110), "Redirect");
    EXPECT_STREQ(InternetStatusText(200), "State change");
    EXPECT_STREQ(InternetStatusText(999), "Unknown status");
}

} // namespace
} // namespace skyloom
