// Streams over platform file handles.
#pragma once

#include "Classes.h"
#include "WinHandles.h"

#include <string>

namespace skyloom {

// A stream over a file handle it owns (closed in the destructor).
class THandleStream : public TStream {
public:
    explicit THandleStream(HANDLE handle) : FHandle(handle) {}
    HANDLE Handle() const { return FHandle.Get(); }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;

protected:
    THandleStream() = default;
    TOwnedHandle FHandle;
};

} // namespace skyloom
