// The replacer is built without exceptions, so that it carries none of the runtime's exception support (most of its
// size otherwise). These stand in for the runtime's throwing helpers: the replacer's strings are a few paths long,
// so an allocation that fails or a string grown past its limit can only mean the machine is in trouble, and the
// process ends with exit code 4 before it has touched a file it could leave half done.
#include <windows.h>

#include <bits/functexcept.h> // the declarations of the helpers replaced below
#include <cstddef>
#include <new>

namespace {

[[noreturn]] void OutOfResources() { ExitProcess(4); }

} // namespace

namespace std {
[[noreturn]] void __throw_length_error(const char*) { OutOfResources(); }
[[noreturn]] void __throw_logic_error(const char*) { OutOfResources(); }
[[noreturn]] void __throw_out_of_range(const char*) { OutOfResources(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { OutOfResources(); }
[[noreturn]] void __throw_invalid_argument(const char*) { OutOfResources(); }
[[noreturn]] void __throw_bad_alloc() { OutOfResources(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfResources(); }
} // namespace std

void* operator new(std::size_t size)
{
    void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!p)
        OutOfResources();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }
