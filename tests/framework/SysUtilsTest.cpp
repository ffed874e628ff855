// Exceptions and string helpers.
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

using namespace skyloom;

TEST(SysUtils, TrimRemovesBytesUpTo32OnBothEnds)
{
    struct Case {
        std::string in, trim, left, right;
    } cases[] = {
        {"", "", "", ""},
        {"abc", "abc", "abc", "abc"},
        {"  abc  ", "abc", "abc  ", "  abc"},
        {"\t\r\n a b \x01\x1f", "a b", "a b \x01\x1f", "\t\r\n a b"},
        {std::string("\0x\0", 3), "x", std::string("x\0", 2), std::string("\0x", 2)},
        {"   ", "", "", ""},
        {"\x80z\x80", "\x80z\x80", "\x80z\x80", "\x80z\x80"},  // bytes above 127 are text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Trim(c.in), c.trim) << "Trim of [" << c.in << "]";
        EXPECT_EQ(TrimLeft(c.in), c.left) << "TrimLeft of [" << c.in << "]";
        EXPECT_EQ(TrimRight(c.in), c.right) << "TrimRight of [" << c.in << "]";
    }
}

TEST(SysUtils, FormatFillsPlaceholdersInOrder)
{
    EXPECT_EQ(Format("Cannot create file %s", {"C:\\a b.txt"}), "Cannot create file C:\\a b.txt");
    EXPECT_EQ(Format("Failed to set data for '%s'", {"Skyloom 2"}), "Failed to set data for 'Skyloom 2'");
    EXPECT_EQ(Format("%s-%d-%s", {"a", "1"}), "a-1-") << "a missing argument leaves the place empty";
    EXPECT_EQ(Format("100%% %s", {"x", "surplus"}), "100% x");
    EXPECT_EQ(Format("%s", {"%s"}), "%s") << "arguments are not formatted again";
    EXPECT_EQ(Format("tail %", {}), "tail %");
}

TEST(SysUtils, FormatWritesNumbersWithPrecisionAndWidth)
{
    EXPECT_EQ(Format("%.1f MB", {3.14159}), "3.1 MB");
    EXPECT_EQ(Format("%.1f", {-0.04}), "-0.0");
    EXPECT_EQ(Format("%.1f", {7}), "7.0") << "an integer for %f is written as a number";
    EXPECT_EQ(Format("%f", {1.5}), "1.50") << "two decimals without a precision";
    EXPECT_EQ(Format("%.2d:%.2d", {5, 42}), "05:42");
    EXPECT_EQ(Format("%.2d", {123}), "123") << "the precision is a least number of digits";
    EXPECT_EQ(Format("%.3d", {-7}), "-007") << "the sign stays in front of the zeros";
    EXPECT_EQ(Format("%d of %d", {2, 10}), "2 of 10");
    EXPECT_EQ(Format("%d", {-9223372036854775807LL - 1}), "-9223372036854775808");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("[%5d][%-4s]", {42, "ab"}), "[   42][ab  ]");
    EXPECT_EQ(Format("%s", {12}), "12") << "a number for %s";
    EXPECT_EQ(Format("%.2d", {"text"}), "text") << "a text for a numeric place holder stays as it is";
    EXPECT_EQ(Format("5% off %z", {1}), "5% off %z") << "unknown place holders stay as text";
}

TEST(SysUtils, HintsSplitAtTheFirstBar)
{
    struct Case {
        const char* hint;
        const char* shortPart;
        const char* longPart;
    } cases[] = {
        {"", "", ""},
        {"Go", "Go", "Go"},
        {"|Check this box", "", "Check this box"},
        {"Help|", "Help", ""},
        {"a|b|c", "a", "b|c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetShortHint(c.hint), c.shortPart) << "short hint of [" << c.hint << "]";
        EXPECT_EQ(GetLongHint(c.hint), c.longPart) << "long hint of [" << c.hint << "]";
    }
}

TEST(SysUtils, StrToIntDefAcceptsOnlyWholeNumbers)
{
    struct Case {
        const char* text;
        int expected;
    } cases[] = {{"42", 42},         {" -17 ", -17},       {"+5", 5},           {"", -1},
                 {"-", -1},          {"12a", -1},          {"0x10", -1},        {"2147483647", 2147483647},
                 {"-2147483648", -2147483647 - 1},         {"2147483648", -1},  {"99999999999999999999", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << "text [" << c.text << "]";
}

TEST(SysUtils, HexDigitValueReadsBothCasesAndNothingElse)
{
    struct Case {
        char32_t c;
        int expected;
    } cases[] = {{U'0', 0},  {U'9', 9},  {U'a', 10}, {U'f', 15}, {U'A', 10}, {U'F', 15}, {U'g', -1}, {U'G', -1},
                 {U'@', -1}, {U'`', -1}, {U'/', -1}, {U':', -1}, {U' ', -1}, {U'\0', -1},
                 // Characters whose low byte or case-folded form is a hex digit are still not digits.
                 {0x141, -1}, {0xFF41, -1}, {0x1F, -1}, {0xFFFFFFFF, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(HexDigitValue(c.c), c.expected) << "code point " << static_cast<unsigned long>(c.c);
    static_assert(HexDigitValue(U'c') == 12, "usable in constant expressions");
}

TEST(SysUtils, PathPartsSplitAtEitherSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\Skyloom\\skyloom.exe"), "C:\\Program Files\\Skyloom\\");
    EXPECT_EQ(ExtractFileName("C:\\Program Files\\Skyloom\\skyloom.exe"), "skyloom.exe");
    EXPECT_EQ(ExtractFileName("/tmp/a/b.txt"), "b.txt");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileExt("dir.d\\name"), "");
    EXPECT_EQ(ExtractFileExt("a.tar.gz"), ".gz");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x"), "C:\\x\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\x\\"), "C:\\x\\");
}

TEST(SysUtils, TrimViewsAndInPlaceTrimsAgreeWithTrim)
{
    const std::string inputs[] = {"", "abc", "  a b  ", "\t\r\n", "x\x01", std::string("\0y\0", 3)};
    for (const std::string& in : inputs) {
        EXPECT_EQ(std::string(TrimView(in)), Trim(in)) << "TrimView of [" << in << "]";
        EXPECT_EQ(std::string(TrimLeftView(in)), TrimLeft(in)) << "TrimLeftView of [" << in << "]";
        std::string both = in, left = in;
        TrimInPlace(both);
        TrimLeftInPlace(left);
        EXPECT_EQ(both, Trim(in)) << "TrimInPlace of [" << in << "]";
        EXPECT_EQ(left, TrimLeft(in)) << "TrimLeftInPlace of [" << in << "]";
    }
}

TEST(SysUtils, CaseIsIgnoredForAsciiLettersOnly)
{
    struct Case {
        const char* a;
        const char* b;
        bool same, starts;
    } cases[] = {
        {"Content-Length", "content-length", true, true},
        {"GMT", "gmt", true, true},
        {"Sunday", "SUN", false, true},
        {"Su", "sun", false, false},
        {"\xC4", "\xE4", false, false},  // not ASCII letters: compared as they are
        {"a[", "A{", false, false},
        {"", "", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameText(c.a, c.b), c.same) << "SameText(" << c.a << ", " << c.b << ")";
        EXPECT_EQ(StartsText(c.a, c.b), c.starts) << "StartsText(" << c.a << ", " << c.b << ")";
    }
    EXPECT_EQ(UpperCase("abc-\xE4z"), "ABC-\xE4Z");
    EXPECT_EQ(LowerCase("ABC-\xC4Z"), "abc-\xC4z");
}

TEST(SysUtils, StrToInt64DefReadsTheWholeRangeAndNothingElse)
{
    struct Case {
        const char* text;
        long long expected;
    } cases[] = {{"12", 12},
                 {" -7 ", -7},
                 {"+5", 5},
                 {"", -1},
                 {"+", -1},
                 {"1x", -1},
                 {"++1", -1},
                 {"+-5", -1},
                 {"9223372036854775807", LLONG_MAX},
                 {"-9223372036854775808", LLONG_MIN},
                 {"9223372036854775808", -1},
                 {"-9223372036854775809", -1},
                 {"99999999999999999999", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(StrToInt64Def(c.text, -1), c.expected) << "text [" << c.text << "]";
    EXPECT_EQ(StrToIntDef("4294967296", -1), -1) << "beyond int, though within 64 bits";
}

TEST(SysUtils, TryDigitsToIntTakesBareDigitsThatFitAndLeavesTheTargetAloneOtherwise)
{
    struct Case {
        const char* text;
        bool ok;
        std::int64_t wide;
    } cases[] = {{"0", true, 0},
                 {"007", true, 7},
                 {"9223372036854775807", true, INT64_MAX},
                 {"9223372036854775808", false, 0},
                 {"99999999999999999999", false, 0},
                 {"", false, 0},
                 {"-0", false, 0},
                 {"+1", false, 0},
                 {" 1", false, 0},
                 {"1 ", false, 0},
                 {"1x", false, 0}};
    for (const Case& c : cases) {
        std::int64_t wide = -5;
        EXPECT_EQ(TryDigitsToInt(c.text, wide), c.ok) << "text [" << c.text << "]";
        EXPECT_EQ(wide, c.ok ? c.wide : -5) << "text [" << c.text << "]";
    }
    int narrow = -5;
    EXPECT_TRUE(TryDigitsToInt("2147483647", narrow));
    EXPECT_EQ(narrow, INT_MAX);
    narrow = -5;
    EXPECT_FALSE(TryDigitsToInt("2147483648", narrow)) << "beyond int, though within 64 bits";
    EXPECT_EQ(narrow, -5);
}

TEST(SysUtils, CutTokenTakesTheTextBeforeTheSeparatorAndLeavesTheRestWithoutLeadingBlanks)
{
    std::string_view s = "07 -  Sep-2002 ";
    EXPECT_EQ(CutToken(s, '-'), "07 ") << "the token keeps its own blanks";
    EXPECT_EQ(s, "Sep-2002 ");
    EXPECT_EQ(CutToken(s, '-'), "Sep");
    EXPECT_EQ(CutToken(s, '-'), "2002 ") << "no separator left: all of it";
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(CutToken(s, '-'), "");
    std::string_view trailing = "a:";
    EXPECT_EQ(CutToken(trailing, ':'), "a");
    EXPECT_TRUE(trailing.empty());
}

TEST(SysUtils, Base64FollowsTheStandardAlphabetAndPadding)
{
    struct Case {
        std::string bytes, encoded;
    } cases[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"},
                 {"user:pass word", "dXNlcjpwYXNzIHdvcmQ="},
                 {std::string("\xff\xfe\0", 3), "//4A"}};
    for (const Case& c : cases)
        EXPECT_EQ(EncodeBase64(c.bytes), c.encoded) << "bytes [" << c.bytes << "]";
}

TEST(SysUtils, Base64DecodesExactlyWhatEncodingProducesAndRefusesTheRest)
{
    const std::string samples[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar", std::string("\xff\xfe\0", 3),
                                   std::string(64, '\x5a')};
    for (const std::string& bytes : samples) {
        std::string decoded = "stale";
        EXPECT_TRUE(DecodeBase64(EncodeBase64(bytes), decoded)) << "encoding of [" << bytes << "] refused";
        EXPECT_EQ(decoded, bytes) << "round trip of [" << bytes << "]";
    }
    struct Bad {
        const char* text;
        const char* why;
    } bad[] = {{"Zg=", "length not a multiple of four"},
               {"Zm9", "unpadded tail"},
               {"Zg", "unpadded tail"},
               {"Z===", "three padding characters"},
               {"Zg==Zg==", "padding in the middle"},
               {"Zm9v Zg==", "blank inside"},
               {"Zm9v\nZg==", "line break inside"},
               {"Zm-v", "URL-safe alphabet"},
               {"Zh==", "unused bits set after one byte"},
               {"Zm9=", "unused bits set after two bytes"},
               {"====", "padding only"}};
    for (const Bad& b : bad) {
        std::string decoded = "stale";
        EXPECT_FALSE(DecodeBase64(b.text, decoded)) << b.why << ": [" << b.text << "] accepted";
        EXPECT_TRUE(decoded.empty()) << b.why << ": refused text left bytes behind";
    }
}
