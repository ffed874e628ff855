#include "ThreadStack.h"

#include <windows.h>
#include <process.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace skyloom {

namespace {

// Kept below the current frame: room for the calls this function makes itself.
constexpr std::uintptr_t KeptBelowFrame = 16 * 1024;

unsigned __stdcall DetachedBody(void* param)
{
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
    (*body)();
    return 0;
}

} // namespace

bool StartDetachedThread(std::function<void()> body)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const std::uintptr_t thread = _beginthreadex(nullptr, 0, DetachedBody, owned.get(), 0, nullptr);
    if (thread == 0)
        return false;
    owned.release();
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

void ReleaseUnusedStack()
{
    volatile char marker = 0;
    const auto here = reinterpret_cast<std::uintptr_t>(&marker);
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    const std::uintptr_t page = info.dwPageSize ? info.dwPageSize : 4096;
    if (here < KeptBelowFrame + page)
        return;
    const std::uintptr_t limit = (here - KeptBelowFrame) & ~(page - 1);
    MEMORY_BASIC_INFORMATION region{};
    if (!VirtualQuery(const_cast<char*>(&marker), &region, sizeof region) || !region.AllocationBase)
        return;
    // From the stack's lowest page up to the limit: only committed, plain read-write runs are reset; the guard
    // pages that let the stack grow (and anything reserved only) are left alone.
    std::uintptr_t at = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    while (at < limit) {
        if (!VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) || region.RegionSize == 0)
            return;
        const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
        const std::uintptr_t end = std::min<std::uintptr_t>(base + region.RegionSize, limit);
        if (region.State == MEM_COMMIT && region.Protect == PAGE_READWRITE && end > base)
            VirtualAlloc(reinterpret_cast<void*>(base), end - base, MEM_RESET, PAGE_READWRITE);
        at = base + region.RegionSize;
    }
}

} // namespace skyloom
