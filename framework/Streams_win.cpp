#include "Streams.h"

namespace skyloom {

std::int64_t THandleStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    DWORD got = 0;
    DWORD want = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(count);
    if (!ReadFile(FHandle.Get(), buffer, want, &got, nullptr))
        return 0;
    return got;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    DWORD done = 0;
    DWORD want = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(count);
    if (!WriteFile(FHandle.Get(), buffer, want, &done, nullptr))
        return 0;
    return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(FHandle.Get(), distance, &result, method))
        return -1;
    return result.QuadPart;
}

void THandleStream::SetSize(std::int64_t size)
{
    std::int64_t pos = Position();
    Seek(size, soBeginning);
    if (!SetEndOfFile(FHandle.Get()))
        throw EWriteError("Stream write error");
    if (pos < size)
        Seek(pos, soBeginning);
}

} // namespace skyloom
