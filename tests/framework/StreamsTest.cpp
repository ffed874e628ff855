// A stream over a file handle: what it writes and reads, and a size the file cannot take.
#include "Streams.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace skyloom {
namespace {

std::string TempName()
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "skyloom-stream-" + std::to_string(GetCurrentProcessId()) + ".bin";
}

TEST(HandleStream, WritesReadsAndCutsTheFileOnlyWhereAsked)
{
    const std::string name = TempName();
    {
        THandleStream stream(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string text(1000, 'x');
        ASSERT_EQ(stream.Write(text.data(), 1000), 1000);
        stream.SetSize(400);
        EXPECT_EQ(stream.Seek(0, soEnd), 400) << "cut at the size asked for";
        stream.Seek(100, soBeginning);
        // A size no file can have changes nothing: the file is not cut where the position happens to be.
        EXPECT_THROW(stream.SetSize(-5), EWriteError);
        EXPECT_EQ(stream.Seek(0, soEnd), 400);
        char back[400] = {};
        stream.Seek(0, soBeginning);
        EXPECT_EQ(stream.Read(back, 400), 400);
        EXPECT_EQ(std::string(back, 400), std::string(400, 'x'));
    }
    DeleteFileA(name.c_str());
}

} // namespace
} // namespace skyloom
