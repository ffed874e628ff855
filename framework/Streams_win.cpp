#include "Streams.h"

namespace skyloom {

namespace {

// One ReadFile or WriteFile call of at most 2 GiB - 1 bytes: how many bytes it moved, 0 on failure.
template <typename Call>
std::int64_t TransferOnce(std::int64_t count, Call call)
{
    if (count <= 0)
        return 0;
    DWORD done = 0;
    const DWORD want = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(count);
    return call(want, &done) ? done : 0;
}

} // namespace

std::int64_t THandleStream::Read(void* buffer, std::int64_t count)
{
    return TransferOnce(count, [&](DWORD want, DWORD* done) {
        return ReadFile(FHandle.Get(), buffer, want, done, nullptr) != 0;
    });
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count)
{
    return TransferOnce(count, [&](DWORD want, DWORD* done) {
        return WriteFile(FHandle.Get(), buffer, want, done, nullptr) != 0;
    });
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
    // A size the file cannot take leaves the position where it was: cutting the file there would lose data.
    if (size < 0 || Seek(size, soBeginning) != size || !SetEndOfFile(FHandle.Get()))
        throw EWriteError("Stream write error");
    if (pos < size)
        Seek(pos, soBeginning);
}

} // namespace skyloom
