// The binary document form of the XML library.
#pragma once

#include "XmlNodes.h"

#include <cstdint>
#include <string>

namespace skyloom::xml {

class TXmlSource;

inline constexpr char kXmlBinaryMarker[] = "< binary-xml >";
inline constexpr std::size_t kXmlBinaryMarkerLength = 14;

// Writes marker, options, the document's name table and its body.
void WriteBinary(TXmlDocument& doc, std::string& out, std::int32_t options);
void WriteBinary(TXmlDocument& doc, IXmlOutput& out, std::int32_t options);
// Reads everything after the marker: the document gets a new name table and the stored body.
void ReadBinary(TXmlDocument& doc, TXmlSource& source);

} // namespace skyloom::xml
