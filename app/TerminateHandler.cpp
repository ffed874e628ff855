// What the program does with an exception that nobody catches. libstdc++'s default handler names the exception's
// type in readable form, and for that alone links the library's whole C++ name demangler (some 40 KB) into a program
// that normally has no console to print to. This handler takes its place: the same lines on the error output, the
// type under its raw (mangled) name, and then the same abnormal end.
// Linked directly into the program (not from a library), so that the linker finds it before libstdc++'s own.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#if defined(__GLIBCXX__)

#include <cxxabi.h>

namespace __gnu_cxx {

void __verbose_terminate_handler();

void __verbose_terminate_handler()
{
    static bool terminating = false;
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    if (std::type_info* type = abi::__cxa_current_exception_type()) {
        const char* name = type->name();
        std::fprintf(stderr, "terminate called after throwing an instance of '%s'\n", name + (*name == '*'));
        try {
            throw;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "  what():  %s\n", e.what());
        } catch (...) {
        }
    } else {
        std::fputs("terminate called without an active exception\n", stderr);
    }
    std::abort();
}

} // namespace __gnu_cxx

#endif
