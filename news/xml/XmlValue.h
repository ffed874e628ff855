// Text forms shared by the typed values, the node classes and the binary form.
#pragma once

#include "XmlLib.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace skyloom::xml {

// The value of a decimal or hexadecimal digit (either case); 16 for any other byte.
constexpr unsigned HexDigitValue(unsigned char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10u;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10u;
    return 16;
}

// "yyyy-mm-ddThh-nn-ss"; raises EXmlConvertError for a value outside the years 1 to 9999.
std::string DateTimeToText(TDateTime t);
// Reads the form above back; raises EXmlConvertError when it is not a valid date and time.
TDateTime TextToDateTime(const std::string& text);
std::string FloatToText(double v);
// RFC 4648 Base64, cut into lines of lineLength characters joined by CR LF (none when lineLength <= 0).
std::string Base64Encode(const void* data, std::size_t count, int lineLength);
std::string Base64Decode(std::string_view text);

} // namespace skyloom::xml
