// Character-set names and their code pages.
#include "Charsets.h"

#include <gtest/gtest.h>

using namespace skyloom;

TEST(Charsets, NamesAndAliasesGiveTheirCodePages)
{
    struct Case {
        const char* name;
        unsigned codePage;
    } cases[] = {
        {"UTF-8", 65001},      {"utf8", 65001},       {" utf-8 ", 65001},     {"windows-1252", 1252},
        {"ISO-8859-1", 1252},  {"latin1", 1252},      {"US-ASCII", 1252},     {"Windows-1251", 1251},
        {"koi8-r", 20866},     {"ISO-8859-2", 28592}, {"iso-8859-15", 28605}, {"Shift_JIS", 932},
        {"GB2312", 936},       {"big5", 950},         {"", 0},                {"utf-9", 0},
        {"x-unknown", 0},      {"utf-8x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodePageOfCharset(c.name), c.codePage) << "\"" << c.name << "\"";
}
