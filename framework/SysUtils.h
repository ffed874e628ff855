// Exceptions, string helpers and date-time arithmetic. Portable.
#pragma once

#include "Types.h"

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace skyloom {

// The program's error: carries the text the user sees.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
class EListError : public Exception {
public:
    using Exception::Exception;
};
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// The text of any exception for a report: Message for ours, what() for others.
std::string ExceptionMessage(const std::exception& e);

// Replaces each "%s" or "%d" of fmt, in order, with the next argument; "%%" gives "%". Missing arguments leave
// the place holder empty, surplus ones are ignored.
std::string Format(std::string_view fmt, std::initializer_list<std::string_view> args);

// Removes leading and trailing bytes of value 32 or less.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// ASCII letters only; other bytes are left alone.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
std::string IntToStr(long long value);
// Decimal text with optional sign and surrounding blanks; anything else, or overflow of int, gives def.
int StrToIntDef(std::string_view s, int def);

// Path helpers for both separators ('\\' and '/').
std::string ExtractFilePath(std::string_view path);  // with the trailing separator
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot, empty when none
std::string IncludeTrailingPathDelimiter(std::string_view path);

// Date-time: days since 1899-12-30, fraction = time of day.
constexpr TDateTime UnixDateDelta = 25569.0;  // 1970-01-01
constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Throws EConvertError on an invalid date or time; TryEncode... answer false instead.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime dt);
TDateTime UnixToDateTime(long long seconds);
long long DateTimeToUnix(TDateTime dt);
// Local time now, to the millisecond.
TDateTime Now();
TDateTime Date();
// Coordinated universal time now.
TDateTime NowUTC();

} // namespace skyloom
