// The program's handler for exceptions nobody catches: it says what was thrown on the error output and ends the
// program abnormally, as the library's default does.
#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>

namespace {

struct TNotAnException {};

// An exception that leaves a function that must not throw: the path on which the program ends.
void EscapeFromNoexcept(std::exception_ptr error) noexcept
{
    std::rethrow_exception(error);
}

TEST(TerminateHandler, NamesTheExceptionAndEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(EscapeFromNoexcept(std::make_exception_ptr(std::runtime_error("no one caught me"))),
                 "terminate called after throwing an instance of 'St13runtime_error'\\s+what\\(\\):  no one caught me")
        << "an escaped std::exception is not reported with its type and message";
    EXPECT_DEATH(EscapeFromNoexcept(std::make_exception_ptr(TNotAnException())), "terminate called after throwing an instance of '.*TNotAnException.*'")
        << "an escaped object of another type is not reported with its type";
    EXPECT_DEATH(std::terminate(), "terminate called without an active exception")
        << "an end without an exception is not reported";
}

} // namespace
