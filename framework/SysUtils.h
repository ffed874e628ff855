// Exceptions and string helpers. Portable. Dates and times are in DateUtils.h.
#pragma once

#include "DateUtils.h"
#include "Types.h"

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

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

// One argument of Format: a text, an integer or a floating-point number.
class TFormatArg {
public:
    enum TKind { fkText, fkInteger, fkFloat };
    TFormatArg(std::string_view text) : FKind(fkText), FText(text) {}
    TFormatArg(const char* text) : FKind(fkText), FText(text ? text : "") {}
    TFormatArg(const std::string& text) : FKind(fkText), FText(text) {}
    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
    TFormatArg(T value) : FKind(fkInteger), FInteger(static_cast<long long>(value))
    {
    }
    TFormatArg(double value) : FKind(fkFloat), FFloat(value) {}
    TKind Kind() const { return FKind; }
    std::string_view Text() const { return FText; }
    long long Integer() const { return FInteger; }
    double Float() const { return FFloat; }

private:
    TKind FKind;
    std::string_view FText;
    long long FInteger = 0;
    double FFloat = 0;
};

// Replaces each place holder of fmt, in order, with the next argument; "%%" gives "%". A place holder is
// "%" [-] [width] [.precision] followed by s (text), d (decimal; the precision is the least number of digits,
// zero-padded: "%.2d" of 5 is "05"), u, x (hexadecimal) or f (fixed point with precision decimals, 2 by
// default: "%.1f" of 3.14159 is "3.1"). The width pads with blanks on the left ("-": on the right). A text given to
// a numeric place holder is inserted as it is; a number given to "%s" is written in decimals. Missing
// arguments leave the place holder empty, surplus ones are ignored.
std::string Format(std::string_view fmt, std::initializer_list<TFormatArg> args);

// Bytes of value 32 or less are blanks.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
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
// A run of decimal digits and nothing else (no sign, no blanks, at least one digit) whose value fits; false for
// anything else, leaving out alone.
bool TryDigitsToInt(std::string_view s, std::int64_t& out);
bool TryDigitsToInt(std::string_view s, int& out);
// Cuts the text before the first sep (all of it when there is none) off the front of s, and returns it as it stands;
// s keeps what follows the separator, leading blanks removed.
std::string_view CutToken(std::string_view& s, char sep);
// The value of a hexadecimal digit of either case; -1 for any other character (code unit or code point).
constexpr int HexDigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    const char32_t lower = c | 0x20;  // 'A'..'F' become 'a'..'f'; nothing else lands there
    return lower >= U'a' && lower <= U'f' ? static_cast<int>(lower - U'a' + 10) : -1;
}

// Base64 of the bytes, with padding and without line breaks.
std::string EncodeBase64(std::string_view bytes);
// The bytes of strict Base64 text: the standard alphabet, a length that is a multiple of four, at most two "=" and
// only at the end, unused bits zero, nothing else (no blanks, no line breaks). False for anything else.
bool DecodeBase64(std::string_view text, std::string& bytes);

// The parts of a hint "Short|Long": the short part is the tooltip, the long part the help text. A hint
// without "|" is both.
std::string GetShortHint(std::string_view hint);
std::string GetLongHint(std::string_view hint);

// Path helpers for both separators ('\\' and '/').
std::string ExtractFilePath(std::string_view path);  // with the trailing separator
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot, empty when none
std::string IncludeTrailingPathDelimiter(std::string_view path);

} // namespace skyloom
