// Exceptions and string helpers. Portable. Dates and times are in DateUtils.h.
#pragma once

#include "DateUtils.h"
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

// Bytes of value 32 or less are blanks.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
// Removes leading and trailing blanks. The ...View forms return a part of their argument.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string_view TrimView(std::string_view s);
std::string_view TrimLeftView(std::string_view s);
void TrimInPlace(std::string& s);
void TrimLeftInPlace(std::string& s);
// ASCII letters only; other bytes are left alone.
char UpperChar(char c);
char LowerChar(char c);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// Whether text begins with prefix, ASCII letters compared without case.
bool StartsText(std::string_view text, std::string_view prefix);
std::string IntToStr(long long value);
// Decimal text with one optional sign and surrounding blanks; anything else, or a value out of range, gives def.
int StrToIntDef(std::string_view s, int def);
long long StrToInt64Def(std::string_view s, long long def);

// Base64 of the bytes, with padding and without line breaks.
std::string EncodeBase64(std::string_view bytes);

// Path helpers for both separators ('\\' and '/').
std::string ExtractFilePath(std::string_view path);  // with the trailing separator
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot, empty when none
std::string IncludeTrailingPathDelimiter(std::string_view path);

} // namespace skyloom
