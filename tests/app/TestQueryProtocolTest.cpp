// The escaping of the test-mode query's facts: one value stays on one line and reads back byte for byte.
#include "TestQueryProtocol.h"

#include <gtest/gtest.h>

#include <string>

using namespace skyloom;

TEST(TestQueryProtocol, FactValuesStayOnOneLine)
{
    struct Case {
        std::string value, escaped;
    } cases[] = {
        {"Skyloom", "Skyloom"},
        {"a\r\nb", "a\\r\\nb"},
        {"tab\there", "tab\\there"},
        {"C:\\Sky loom\\skyloom.exe", "C:\\\\Sky loom\\\\skyloom.exe"},
        {std::string("\0\x1f\x7f", 3), "\\x00\\x1F\\x7F"},
        {"\xC4pfel", "\xC4pfel"},  // bytes above 127 are text
    };
    for (const Case& c : cases)
        EXPECT_EQ(testquery::Escape(c.value), c.escaped) << "value [" << c.value << "]";
    EXPECT_NE(testquery::QueryTag, testquery::ReplyTag);
}
