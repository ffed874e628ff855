// Typed values: their text forms and conversions, Base64 and the date-time text form.
#include "XmlLib.h"
#include "XmlPlatform.h"
#include "XmlValue.h"

#include "XmlAlloc.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace skyloom {

namespace {

constexpr double kMinDate = -693593.0;  // 0001-01-01
constexpr double kMaxDate = 2958466.0;  // 10000-01-01, exclusive
constexpr std::int64_t kDayOf18991230 = 719468 - 25569;  // counted from 0000-03-01

[[noreturn]] void ConvertFailure(const std::string& what)
{
    throw EXmlConvertError(what);
}

// Days since 0000-03-01 of the proleptic Gregorian calendar, from and to a civil date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe);
}

void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d)
{
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int y, unsigned m)
{
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

std::string FormatFloat(double v)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    // The C library's "%.15g" is the same shortest-of-fixed-or-scientific form with 15 significant digits (the
    // program never changes the C locale, so the point is "."); std::to_chars would carry 0.2 MB of tables.
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    // The exponent is written as "E" followed by its digits without leading zeros or "+": 1E20, 1E-5.
    const auto e = s.find('e');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e + 1);
        bool neg = false;
        if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
            neg = exp[0] == '-';
            exp.erase(0, 1);
        }
        const auto nz = exp.find_first_not_of('0');
        exp = nz == std::string::npos ? "0" : exp.substr(nz);
        s = mant + "E" + (neg ? "-" : "") + exp;
    }
    return s;
}

std::string Trimmed(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

// The decimal forms std::from_chars accepts ("-", digits with at most one ".", at least one digit, an optional
// exponent with digits; "inf", "infinity", "nan" and "nan(...)" in any case), then converted by the C library,
// which rounds correctly; std::from_chars for doubles would carry its own tables into the program.
bool IsDecimalFloat(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-')
        ++i;
    const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    const auto word = [&](std::string_view w) {
        if (s.size() - i < w.size())
            return false;
        for (std::size_t k = 0; k < w.size(); ++k) {
            if (lower(s[i + k]) != w[k])
                return false;
        }
        return true;
    };
    if (word("infinity"))
        return s.size() - i == 8;
    if (word("inf"))
        return s.size() - i == 3;
    if (word("nan")) {
        i += 3;
        if (i == s.size())
            return true;
        if (s[i] != '(' || s.back() != ')')
            return false;
        for (std::size_t k = i + 1; k + 1 < s.size(); ++k) {
            const char c = s[k];
            if (!((c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'z') || c == '_'))
                return false;
        }
        return true;
    }
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
        return i - from;
    };
    std::size_t count = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == s.size();
}

bool ParseFloatText(const std::string& text, double& out)
{
    std::string s = Trimmed(text);
    for (char& c : s) {
        if (c == ',')
            c = '.';
    }
    if (!s.empty() && s[0] == '+')
        s.erase(0, 1);
    if (!IsDecimalFloat(s))
        return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size())
        return false;
    // Out of range as std::from_chars has it: a finite text that overflows, or digits other than 0 that give 0.
    const bool special = s.find_first_of("nNiI") != std::string::npos;
    if (!special && std::isinf(v))
        return false;
    if (v == 0) {
        const std::size_t mantissaEnd = s.find_first_of("eE");
        if (s.substr(0, mantissaEnd).find_first_of("123456789") != std::string::npos)
            return false;
    }
    out = v;
    return true;
}

bool ParseIntText(const std::string& text, std::int32_t& out)
{
    const std::string s = Trimmed(text);
    if (s.empty())
        return false;
    const char* b = s.data();
    const char* e = b + s.size();
    if (*b == '+')
        ++b;
    if (b == e)
        return false;
    auto res = std::from_chars(b, e, out, 10);
    return res.ec == std::errc() && res.ptr == e;
}

std::string KindName(TXmlValueKind k)
{
    switch (k) {
    case vkEmpty: return "Empty";
    case vkNull: return "Null";
    case vkSmallint: return "Smallint";
    case vkInteger: return "Integer";
    case vkSingle: return "Single";
    case vkDouble: return "Double";
    case vkCurrency: return "Currency";
    case vkDate: return "Date";
    case vkWideString: return "OleStr";
    case vkBoolean: return "Boolean";
    case vkByte: return "Byte";
    case vkString: return "String";
    case vkByteArray: return "Array Byte";
    }
    return "Unknown";
}

[[noreturn]] void CannotConvert(TXmlValueKind from, const char* to)
{
    ConvertFailure("Could not convert variant of type (" + KindName(from) + ") into type (" + to + ")");
}

bool IsNumericKind(TXmlValueKind k)
{
    switch (k) {
    case vkSmallint: case vkInteger: case vkSingle: case vkDouble: case vkCurrency: case vkDate: case vkBoolean:
    case vkByte:
        return true;
    default:
        return false;
    }
}

bool IsTextKind(TXmlValueKind k)
{
    return k == vkString || k == vkWideString;
}

// Numeric kinds as a double, without conversion errors.
double NumericValue(const TXmlValue& v)
{
    switch (v.Kind()) {
    case vkSmallint: return v.SmallintValue();
    case vkInteger: return v.IntegerValue();
    case vkSingle: return v.SingleValue();
    case vkDouble: case vkDate: return v.DoubleValue();
    case vkCurrency: return static_cast<double>(v.CurrencyValue()) / 10000.0;
    case vkBoolean: return v.BooleanValue() ? 1.0 : 0.0;
    case vkByte: return v.ByteValue();
    default: return 0.0;
    }
}

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

namespace xml {

std::string DateTimeToText(TDateTime t)
{
    if (!std::isfinite(t) || t < kMinDate || t >= kMaxDate)
        ConvertFailure("Invalid date value " + FormatFloat(t));
    const double whole = std::trunc(t);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(t - whole) * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    int y;
    unsigned m, d;
    CivilFromDays(static_cast<std::int64_t>(whole) + kDayOf18991230, y, m, d);
    const auto secs = ms / 1000;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4d-%.2u-%.2uT%.2d-%.2d-%.2d", y, m, d, static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
    return buf;
}

TDateTime TextToDateTime(const std::string& text)
{
    // Year, month, day, "T" or a blank, hour, minute, second; each number ends at the byte after it, and parts
    // missing at the end count as 0.
    long long parts[6] = {0, 0, 0, 0, 0, 0};
    std::size_t i = 0;
    int n = 0;
    const std::string s = Trimmed(text);
    while (n < 6 && i < s.size()) {
        const std::size_t start = i;
        long long v = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 9)
            v = v * 10 + (s[i++] - '0');
        if (i == start)
            ConvertFailure("'" + text + "' is not a valid date and time");
        parts[n++] = v;
        if (i < s.size())
            ++i;  // the separator, whatever it is
    }
    if (n == 0 || i < s.size())
        ConvertFailure("'" + text + "' is not a valid date and time");
    const long long y = parts[0], mo = parts[1], d = parts[2], h = parts[3], mi = parts[4], se = parts[5];
    if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(static_cast<int>(y), static_cast<unsigned>(mo)) ||
        h > 23 || mi > 59 || se > 59)
        ConvertFailure("'" + text + "' is not a valid date and time");
    const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - kDayOf18991230;
    return static_cast<double>(days) + static_cast<double>(h * 3600 + mi * 60 + se) / 86400.0;
}

std::string FloatToText(double v)
{
    return FormatFloat(v);
}

std::string Base64Encode(const void* data, std::size_t count, int lineLength)
{
    const auto* p = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve((count + 2) / 3 * 4 + 8);
    std::size_t line = 0;
    auto put = [&](char c) {
        if (lineLength > 0 && line == static_cast<std::size_t>(lineLength)) {
            out += "\r\n";
            line = 0;
        }
        out.push_back(c);
        ++line;
    };
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        put(kBase64Alphabet[v >> 18]);
        put(kBase64Alphabet[(v >> 12) & 63]);
        put(kBase64Alphabet[(v >> 6) & 63]);
        put(kBase64Alphabet[v & 63]);
    }
    if (count - i == 1) {
        const unsigned v = p[i] << 16;
        put(kBase64Alphabet[v >> 18]);
        put(kBase64Alphabet[(v >> 12) & 63]);
        put('=');
        put('=');
    } else if (count - i == 2) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8);
        put(kBase64Alphabet[v >> 18]);
        put(kBase64Alphabet[(v >> 12) & 63]);
        put(kBase64Alphabet[(v >> 6) & 63]);
        put('=');
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    // Bytes outside the alphabet are skipped; "=" ends the data.
    std::string out;
    unsigned acc = 0;
    int bits = 0;
    for (char ch : text) {
        int v;
        if (ch >= 'A' && ch <= 'Z') v = ch - 'A';
        else if (ch >= 'a' && ch <= 'z') v = ch - 'a' + 26;
        else if (ch >= '0' && ch <= '9') v = ch - '0' + 52;
        else if (ch == '+') v = 62;
        else if (ch == '/') v = 63;
        else if (ch == '=') break;
        else continue;
        acc = ((acc << 6) | static_cast<unsigned>(v)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    return out;
}

} // namespace xml

TXmlValue TXmlValue::OfKind(TXmlValueKind kind, TScalar scalar) noexcept
{
    TXmlValue v;
    v.FKind = kind;
    v.FScalar = scalar;
    return v;
}

TXmlValue TXmlValue::Null()
{
    return OfKind(vkNull, {.I64 = 0});
}

TXmlValue TXmlValue::FromSmallint(std::int16_t x)
{
    return OfKind(vkSmallint, {.I32 = x});
}

TXmlValue TXmlValue::FromInteger(std::int32_t x)
{
    return OfKind(vkInteger, {.I32 = x});
}

TXmlValue TXmlValue::FromSingle(float x)
{
    TScalar bits{.I64 = 0};  // the upper half stays 0, as the binary form and RawBits expect
    bits.F32 = x;
    return OfKind(vkSingle, bits);
}

TXmlValue TXmlValue::FromDouble(double x)
{
    return OfKind(vkDouble, {.F64 = x});
}

TXmlValue TXmlValue::FromCurrency(std::int64_t tenThousandths)
{
    return OfKind(vkCurrency, {.I64 = tenThousandths});
}

TXmlValue TXmlValue::FromDate(TDateTime x)
{
    return OfKind(vkDate, {.F64 = x});
}

TXmlValue TXmlValue::FromWideString(const std::u16string& x)
{
    TXmlValue v;
    v.AssignBytes(vkWideString, reinterpret_cast<const char*>(x.data()), x.size() * sizeof(char16_t));
    return v;
}

TXmlValue TXmlValue::FromBoolean(bool x)
{
    return OfKind(vkBoolean, {.I32 = x ? 1 : 0});
}

TXmlValue TXmlValue::FromByte(std::uint8_t x)
{
    return OfKind(vkByte, {.I32 = x});
}

TXmlValue TXmlValue::FromString(std::string x)
{
    return TXmlValue(x);
}

TXmlValue TXmlValue::FromByteArray(std::string bytes)
{
    TXmlValue v;
    v.AssignBytes(vkByteArray, bytes.data(), bytes.size());
    return v;
}

void TXmlValue::AssignBytes(TXmlValueKind kind, const char* p, std::size_t n)
{
    if (n > UINT32_MAX)
        throw std::length_error("XML value too long");
    char* data = n > 0 ? static_cast<char*>(xml::CutBytes(n)) : nullptr;
    if (n > 0)
        std::memcpy(data, p, n);
    FreeBytes();
    FKind = kind;
    FSize = static_cast<std::uint32_t>(n);
    FScalar.Data = data;
}

std::u16string TXmlValue::WideValue() const
{
    const std::string_view units = Bytes();
    std::u16string w(units.size() / sizeof(char16_t), u'\0');
    if (!w.empty())
        std::memcpy(w.data(), units.data(), w.size() * sizeof(char16_t));
    return w;
}

std::string TXmlValue::ToText() const
{
    switch (FKind) {
    case vkEmpty: return {};
    case vkNull: return "{{null}}";
    case vkSmallint: case vkInteger: case vkByte: return std::to_string(FScalar.I32);
    case vkSingle: return FormatFloat(static_cast<double>(FScalar.F32));
    case vkDouble: return FormatFloat(FScalar.F64);
    case vkCurrency: return FormatFloat(static_cast<double>(FScalar.I64) / 10000.0);
    case vkDate: return xml::DateTimeToText(FScalar.F64);
    case vkWideString: return xml::WideToAnsi(WideValue());
    case vkBoolean: return FScalar.I32 ? "1" : "0";
    case vkString: return std::string(Bytes());
    case vkByteArray: return xml::Base64Encode(Bytes().data(), FSize, 0);
    }
    return {};
}

bool TXmlValue::AsBoolean() const
{
    if (IsNumericKind(FKind))
        return NumericValue(*this) != 0.0;
    if (FKind == vkEmpty)
        return false;
    if (IsTextKind(FKind)) {
        const std::string s = Trimmed(ToText());
        std::string low;
        for (char c : s)
            low.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
        if (low == "true")
            return true;
        if (low == "false")
            return false;
        double d;
        if (ParseFloatText(s, d))
            return d != 0.0;
        ConvertFailure("Could not convert variant of type (" + KindName(FKind) + ") into type (Boolean)");
    }
    CannotConvert(FKind, "Boolean");
}

std::int32_t TXmlValue::AsInteger() const
{
    switch (FKind) {
    case vkEmpty: return 0;
    case vkSmallint: case vkInteger: case vkByte: return FScalar.I32;
    case vkBoolean: return FScalar.I32 ? 1 : 0;
    case vkString: case vkWideString: {
        const std::string s = ToText();
        std::int32_t n;
        if (!ParseIntText(s, n))
            ConvertFailure("'" + s + "' is not a valid integer value");
        return n;
    }
    case vkSingle: case vkDouble: case vkCurrency: case vkDate: {
        const double d = std::nearbyint(NumericValue(*this));  // rounds half to even
        if (!(d >= -2147483648.0 && d <= 2147483647.0))
            ConvertFailure("Overflow while converting variant of type (" + KindName(FKind) + ") into type (Integer)");
        return static_cast<std::int32_t>(d);
    }
    default:
        CannotConvert(FKind, "Integer");
    }
}

double TXmlValue::AsFloat() const
{
    if (IsNumericKind(FKind))
        return NumericValue(*this);
    if (FKind == vkEmpty)
        return 0.0;
    if (IsTextKind(FKind)) {
        const std::string s = ToText();
        double d;
        if (!ParseFloatText(s, d))
            ConvertFailure("'" + s + "' is not a valid floating point value");
        return d;
    }
    CannotConvert(FKind, "Double");
}

TDateTime TXmlValue::AsDateTime() const
{
    if (IsTextKind(FKind))
        return xml::TextToDateTime(ToText());
    if (IsNumericKind(FKind) || FKind == vkEmpty)
        return NumericValue(*this);
    CannotConvert(FKind, "Date");
}

std::u16string TXmlValue::AsWideString() const
{
    if (FKind == vkWideString)
        return WideValue();
    if (FKind == vkNull)
        CannotConvert(FKind, "OleStr");
    return xml::AnsiToWide(ToText());
}

bool TXmlValue::Equals(const TXmlValue& other) const noexcept
{
    try {
        const TXmlValueKind a = FKind, b = other.FKind;
        if (a == vkNull || b == vkNull)
            return a == b;
        if (a == vkByteArray || b == vkByteArray)
            return a == b && Bytes() == other.Bytes();
        if (a == vkEmpty && b == vkEmpty)
            return true;
        if ((IsTextKind(a) || a == vkEmpty) && (IsTextKind(b) || b == vkEmpty)) {
            if (a == vkWideString && b == vkWideString)
                return Bytes() == other.Bytes();
            return ToText() == other.ToText();
        }
        return AsFloat() == other.AsFloat();
    } catch (const std::exception&) {
        // A value that cannot be brought to the other's kind is simply not equal to it.
        return false;
    }
}

} // namespace skyloom
