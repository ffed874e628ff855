#include "NetHeaderList.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TNetHeaderList Reply()
{
    TNetHeaderList h;
    h.Lines = {"Content-Type: text/xml;", "\tcharset=utf-8", "Set-Cookie: a=1", "X-Empty:", "set-cookie: b=2",
               "  ", "Content-Length:  12  ", "NoColon", "Set-Cookie : c=3"};
    return h;
}

TEST(NetHeaderList, LooksUpTheFirstLineOfANameWithItsContinuations)
{
    const TNetHeaderList h = Reply();
    struct Case {
        const char* name;
        const char* value;
        bool present;
    } cases[] = {
        {"content-type", "text/xml; charset=utf-8", true},
        {"CONTENT-LENGTH", "12", true},
        {"Set-Cookie", "a=1", true},
        {"X-Empty", "", true},
        {"Missing", "", false},
        {"NoColon", "", false},
        {"Content", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(h.Values(c.name), c.value) << c.name;
        EXPECT_EQ(h.HasHeader(c.name), c.present) << c.name;
    }
    EXPECT_EQ(h.GetValues("SET-COOKIE"), (std::vector<std::string>{"a=1", "b=2"}))
        << "a name followed by a blank before the colon is another name";
    EXPECT_TRUE(h.GetValues("X-None").empty());
}

TEST(NetHeaderList, SetValueReplacesInPlaceAppendsOrRemoves)
{
    TNetHeaderList h = Reply();
    h.SetValue("content-type", "text/plain");
    EXPECT_EQ(h.Lines[0], "content-type: text/plain");
    EXPECT_EQ(h.Lines[1], "Set-Cookie: a=1") << "continuation lines go with the replaced line";
    h.SetValue("X-New", "v");
    EXPECT_EQ(h.Lines.back(), "X-New: v");
    const std::size_t before = h.Count();
    h.SetValue("Set-Cookie", "");
    EXPECT_EQ(h.Count(), before - 1);
    EXPECT_EQ(h.Values("Set-Cookie"), "b=2");
    h.SetValue("Absent", "");
    EXPECT_EQ(h.Count(), before - 1);
}

TEST(NetHeaderList, FoldsLinesLongerThan1024AfterBlanksOrCommas)
{
    struct Case {
        std::string line;
        std::vector<std::string> folded;
    } cases[] = {
        {"Short: value", {"Short: value"}},
        {"X: " + std::string(1021, 'a'), {"X: " + std::string(1021, 'a')}},
        {"X: " + std::string(600, 'a') + ", " + std::string(600, 'b'),
         {"X: " + std::string(600, 'a') + ",", " " + std::string(600, 'b')}},
        {"X: " + std::string(600, 'a') + " " + std::string(300, 'b') + "\t" + std::string(300, 'c'),
         {"X: " + std::string(600, 'a') + " " + std::string(300, 'b'), " " + std::string(300, 'c')}},
        {"X: " + std::string(2000, 'a'), {"X: " + std::string(2000, 'a')}},
        {"X: " + std::string(1500, 'a') + " b", {"X: " + std::string(1500, 'a'), " b"}},
    };
    for (const Case& c : cases) {
        TNetHeaderList h;
        h.Add(c.line);
        h.FoldLines(1024);
        EXPECT_EQ(h.Lines, c.folded) << c.line.substr(0, 40);
    }
}

TEST(NetTextHelpers, ConvertNumbersAndBase64)
{
    EXPECT_EQ(StrToInt64Def("12", -1), 12);
    EXPECT_EQ(StrToInt64Def(" -7 ", 0), -7);
    EXPECT_EQ(StrToInt64Def("+5", 0), 5);
    EXPECT_EQ(StrToInt64Def("", -1), -1);
    EXPECT_EQ(StrToInt64Def("1x", -1), -1);
    EXPECT_EQ(StrToInt64Def("99999999999999999999", -1), -1);
    EXPECT_EQ(StrToInt64Def("++1", -1), -1);
    EXPECT_EQ(StrToIntDef("4294967296", -1), -1);
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64(":"), "Og==");
    EXPECT_EQ(EncodeBase64("user:pass"), "dXNlcjpwYXNz");
    EXPECT_EQ(EncodeBase64("ab"), "YWI=");
    EXPECT_EQ(EncodeBase64("\xff\xfe\xfd"), "//79");
}

} // namespace
} // namespace skyloom
