// The rules of the HTTP transfer component that need no platform: its option sets and the request flags they
// stand for, the reading of the values a reply's headers carry (status, lengths, ranges, dates, realm), the URL
// helpers and the progress figures. Portable.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace skyloom {


// A small set over an enumeration with at most 32 members.
template <typename E>
class TslSet {
public:
    constexpr TslSet() = default;
    constexpr TslSet(std::initializer_list<E> items)
    {
        for (E e : items)
            FBits |= Bit(e);
    }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr TslSet& Include(E e)
    {
        FBits |= Bit(e);
        return *this;
    }
    constexpr TslSet& Exclude(E e)
    {
        FBits &= ~Bit(e);
        return *this;
    }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr std::uint32_t Bits() const { return FBits; }
    friend constexpr bool operator==(TslSet, TslSet) = default;

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t FBits = 0;
};

enum TslCacheOption {
    coAlwaysReload, coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache, coNoCacheWrite,
    coCreateTempFilesIfCantCache, coUseCacheIfNetFail
};
enum TslInternetOption {
    ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid, ioIgnoreRedirectToHTTP, ioIgnoreRedirectToHTTPS,
    ioKeepConnection, ioNoAuthentication, ioNoAutoRedirect, ioNoCookies
};
enum TslFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
enum TslHTTPAccessType { atPreconfig, atDirect, atUseProxy };

using TslCacheOptions = TslSet<TslCacheOption>;
using TslInternetOptions = TslSet<TslInternetOption>;
using TslFileAttributes = TslSet<TslFileAttribute>;

// The Internet library's request flags and the platform's file attributes, by value, so that the tables below
// can be checked without the platform (the Windows build checks them against the platform's headers).
namespace httpflags {
inline constexpr std::uint32_t Reload = 0x80000000u;
inline constexpr std::uint32_t Hyperlink = 0x00000400u;
inline constexpr std::uint32_t Resynchronize = 0x00000800u;
inline constexpr std::uint32_t PragmaNoCache = 0x00000100u;
inline constexpr std::uint32_t NoCacheWrite = 0x04000000u;
inline constexpr std::uint32_t NeedFile = 0x00000010u;
inline constexpr std::uint32_t CacheIfNetFail = 0x00010000u;
inline constexpr std::uint32_t IgnoreCertCNInvalid = 0x00001000u;
inline constexpr std::uint32_t IgnoreCertDateInvalid = 0x00002000u;
inline constexpr std::uint32_t IgnoreRedirectToHTTP = 0x00008000u;
inline constexpr std::uint32_t IgnoreRedirectToHTTPS = 0x00004000u;
inline constexpr std::uint32_t KeepConnection = 0x00400000u;
inline constexpr std::uint32_t NoAuth = 0x00040000u;
inline constexpr std::uint32_t NoAutoRedirect = 0x00200000u;
inline constexpr std::uint32_t NoCookies = 0x00080000u;
inline constexpr std::uint32_t Secure = 0x00800000u;

inline constexpr std::uint32_t AttrReadOnly = 0x1u;
inline constexpr std::uint32_t AttrHidden = 0x2u;
inline constexpr std::uint32_t AttrSystem = 0x4u;
inline constexpr std::uint32_t AttrArchive = 0x20u;
inline constexpr std::uint32_t AttrTemporary = 0x100u;
inline constexpr std::uint32_t AttrOffline = 0x1000u;
} // namespace httpflags

// Request flags of a set of cache options; "need file" only for schemes other than https.
std::uint32_t CacheOptionFlags(TslCacheOptions options, bool https);
// Request flags of a set of connection options, plus "secure" for https.
std::uint32_t InternetOptionFlags(TslInternetOptions options, bool https);
// The platform's attribute value of a set of file attributes.
std::uint32_t FileAttributeFlags(TslFileAttributes attributes);

// "http://" put in front of a URL that has no "://".
std::string CompleteURL(std::string_view url);

// A URL split as the Internet library splits it; every part is cut to the library's buffer size (scheme 31,
// host 255, user and password 127, path and extra information 2047 characters). The port is the URL's, else the
// scheme's default (80, 443 for https, 21 for ftp), else 0.
struct TslURLParts {
    std::string Scheme, Host, User, Password, Path, Extra;
    int Port = 0;
};
TslURLParts CrackURL(std::string_view url);
// The host name of a URL, empty when it has none.
std::string HTTPHostName(std::string_view url);
// The file name of a URL: its path with every "/" turned into "\" and the last component taken.
std::string HTTPFileName(std::string_view url);

// Status code of a reply: the decimal text, 0 when it is not a number (or does not fit).
int ParseStatusCode(std::string_view text);
// Content-Length: a decimal number of bytes, 0 when absent, negative or not a number.
std::int64_t ParseContentLength(std::string_view text);

// A Content-Range value "bytes FIRST-LAST/TOTAL" (TOTAL may be "*"); "bytes */TOTAL" answers an unsatisfiable
// range and has no First. Valid is false for anything else.
struct TslContentRange {
    bool Valid = false;
    bool HasFirst = false;
    std::int64_t First = 0, Last = 0;
    std::int64_t Total = -1; // -1: unknown
};
TslContentRange ParseContentRange(std::string_view text);

// The extra request header asking for bytes from Start (to End when not 0), with its CR LF; empty when both are 0.
std::string RangeHeaderLine(std::int64_t start, std::int64_t end);

// The realm of a WWW-Authenticate value: the text between the first `="` and the next double quote; empty when
// there is no such pair or the quote is never closed.
std::string RealmOf(std::string_view wwwAuthenticate);

// Reads a Date, Last-Modified or Expires value leniently (RFC 1123, RFC 850, asctime and the sloppy forms in
// between) and answers it as local time: the GMT value minus biasMinutes (UTC = local + bias). 0 for anything
// that cannot be read.
TDateTime ReadHTTPDate(std::string_view text, int biasMinutes);

// The status text the component hands to OnStatus for a status notification code of the Internet library.
const char* InternetStatusText(std::uint32_t code);

// The figures reported with every progress event. Sizes are 64-bit; the percentage stays within 0..100 and the
// time left is never negative.
struct TslProgressFigures {
    std::int64_t DataSize = 0;  // announced length plus resume offset
    std::int64_t BytesRead = 0; // received plus resume offset
    std::int32_t ElapsedTime = 0;
    std::int32_t EstimatedTimeLeft = 0;
    std::uint8_t PercentsDone = 0;
    float TransferRate = -1; // KB/s
};
// received and length belong to this transfer; offset is where in the file it started; elapsedMs counts from
// the transfer's start.
TslProgressFigures ComputeProgress(std::int64_t received, std::int64_t offset, std::int64_t length,
                                   std::uint64_t elapsedMs);

// Where a resume starts in a file of fileSize bytes: one buffer before its end, or 0 for a file no larger.
std::int64_t ResumeOffsetFor(std::int64_t fileSize, std::int64_t bufferSize);

} // namespace skyloom
