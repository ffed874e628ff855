#include "Charsets.h"
#include "SysUtils.h"

namespace skyloom {

namespace {

struct TCharsetName {
    std::string_view Name;
    unsigned CodePage;
};

// Names as the IANA registry and the web's encoding table spell them, lower case, with the aliases feeds use.
constexpr TCharsetName kCharsets[] = {
    {"utf-8", 65001},         {"utf8", 65001},          {"unicode-1-1-utf-8", 65001},
    {"windows-1250", 1250},   {"cp1250", 1250},         {"x-cp1250", 1250},
    {"windows-1251", 1251},   {"cp1251", 1251},         {"x-cp1251", 1251},
    {"windows-1252", 1252},   {"cp1252", 1252},         {"x-cp1252", 1252},
    {"iso-8859-1", 1252},     {"iso8859-1", 1252},      {"latin1", 1252},
    {"l1", 1252},             {"us-ascii", 1252},       {"ascii", 1252},
    {"windows-1253", 1253},   {"cp1253", 1253},         {"windows-1254", 1254},
    {"cp1254", 1254},         {"windows-1255", 1255},   {"cp1255", 1255},
    {"windows-1256", 1256},   {"cp1256", 1256},         {"windows-1257", 1257},
    {"cp1257", 1257},         {"windows-1258", 1258},   {"cp1258", 1258},
    {"iso-8859-2", 28592},    {"latin2", 28592},        {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},    {"iso-8859-5", 28595},    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},    {"iso-8859-8", 28598},    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},   {"iso-8859-15", 28605},   {"latin9", 28605},
    {"koi8-r", 20866},        {"koi8-u", 21866},        {"ibm866", 866},
    {"cp866", 866},           {"shift_jis", 932},       {"sjis", 932},
    {"euc-jp", 20932},        {"iso-2022-jp", 50220},   {"gb2312", 936},
    {"gbk", 936},             {"gb18030", 54936},       {"big5", 950},
    {"euc-kr", 949},          {"ks_c_5601-1987", 949},  {"windows-874", 874},
    {"macintosh", 10000},
};

} // namespace

unsigned CodePageOfCharset(std::string_view name)
{
    const std::string lower = LowerCase(TrimView(name));
    for (const TCharsetName& entry : kCharsets)
        if (entry.Name == lower)
            return entry.CodePage;
    return 0;
}

} // namespace skyloom
