// Format: the one part of the string routines that needs the C library's number formatting. A file of its own, so
// that a small program using the other routines (the replacer) does not carry that formatting code.
#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skyloom {

namespace {

std::string FormatInteger(long long value, int precision, bool hex)
{
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::string digits;
    do {
        unsigned d = static_cast<unsigned>(magnitude % (hex ? 16u : 10u));
        digits.insert(digits.begin(), static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10));
        magnitude /= hex ? 16u : 10u;
    } while (magnitude != 0);
    if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::string FormatFixed(double value, int precision)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(precision, 0, 18), value);
    return buffer;
}

} // namespace

std::string Format(std::string_view fmt, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(fmt.size() + 16);
    auto next = args.begin();
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        if (fmt[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        bool leftJustify = false;
        if (fmt[k] == '-') {
            leftJustify = true;
            ++k;
        }
        int width = 0;
        while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9' && width < 1000)
            width = width * 10 + (fmt[k++] - '0');
        int precision = -1;
        if (k < fmt.size() && fmt[k] == '.') {
            precision = 0;
            ++k;
            while (k < fmt.size() && fmt[k] >= '0' && fmt[k] <= '9' && precision < 1000)
                precision = precision * 10 + (fmt[k++] - '0');
        }
        char kind = k < fmt.size() ? static_cast<char>(fmt[k] | 0x20) : '\0';
        if (kind != 's' && kind != 'd' && kind != 'u' && kind != 'x' && kind != 'f') {
            out += c;  // not a place holder: the text stays as it is
            continue;
        }
        i = k;
        std::string value;
        if (next != args.end()) {
            const TFormatArg& arg = *next++;
            switch (arg.Kind()) {
            case TFormatArg::fkText:
                value = arg.Text();
                break;
            case TFormatArg::fkInteger:
                if (kind == 'f')
                    value = FormatFixed(static_cast<double>(arg.Integer()), precision < 0 ? 2 : precision);
                else
                    value = FormatInteger(arg.Integer(), kind == 's' ? 0 : precision, kind == 'x');
                break;
            case TFormatArg::fkFloat:
                if (kind == 'f')
                    value = FormatFixed(arg.Float(), precision < 0 ? 2 : precision);
                else if (kind == 's')
                    value = FormatFixed(arg.Float(), precision < 0 ? 2 : precision);
                else
                    value = FormatInteger(static_cast<long long>(arg.Float()), precision, kind == 'x');
                break;
            }
        }
        if (static_cast<int>(value.size()) < width) {
            std::string pad(static_cast<std::size_t>(width) - value.size(), ' ');
            value = leftJustify ? value + pad : pad + value;
        }
        out += value;
    }
    return out;
}

} // namespace skyloom
