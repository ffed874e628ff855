#include "NetException.h"

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(NetSocketError, FormatsNumberAndWinSockText)
{
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {10004, "Socket Error # 10004\r\nInterrupted system call."},
        {10035, "Socket Error # 10035\r\nOperation would block."},
        {10054, "Socket Error # 10054\r\nConnection reset by peer."},
        {10060, "Socket Error # 10060\r\nConnection timed out."},
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {10065, "Socket Error # 10065\r\nNo route to host."},
        {10066, "Socket Error # 10066\r\nDirectory not empty"},
        {11001, "Socket Error # 11001\r\nHost not found."},
        {11002, "Socket Error # 11002\r\n"},
        {10010, "Socket Error # 10010\r\n"},
        {0, "Socket Error # 0\r\n"},
    };
    for (const Case& c : cases) {
        const ENetSocketError e(c.code);
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_EQ(e.LastError(), c.code);
    }
    try {
        RaiseSocketError(10038);
    } catch (const ENetNotASocket& e) {
        EXPECT_EQ(e.Message(), "Socket Error # 10038\r\nSocket operation on non-socket.");
        EXPECT_EQ(e.LastError(), 10038);
    }
}

} // namespace
} // namespace skyloom
