// Helpers shared by the XML library's tests.
#pragma once

#include "XmlLib.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace skyloom::xmltest {

// The library's messages are Windows-1251 bytes; the tests write them in UTF-8 and convert here.
inline std::string Cp1251(const std::string& utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const unsigned cp = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
        i += 2;
        if (cp >= 0x410 && cp <= 0x44F)
            out.push_back(static_cast<char>(0xC0 + (cp - 0x410)));
        else if (cp == 0x401)
            out.push_back(static_cast<char>(0xA8));
        else if (cp == 0x451)
            out.push_back(static_cast<char>(0xB8));
        else
            ADD_FAILURE() << "no Windows-1251 byte for U+" << std::hex << cp;
    }
    return out;
}

// The message of the EXmlError that f raises, or "<no error>".
inline std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EXmlError& e) {
        return e.what();
    }
    return "<no error>";
}

inline TXmlPtr<IXmlDocument> Load(const std::string& text, bool keepWhitespace = false)
{
    auto doc = NewXmlDocument("", "1.0", "iso-8859-1", NewXmlNameTable());
    doc->SetKeepWhitespace(keepWhitespace);
    doc->LoadFromString(text);
    return doc;
}

// A readable one-line picture of a node and its subtree: kinds, names, attributes with kinds, values.
inline std::string Shape(const TXmlPtr<IXmlNode>& node)
{
    std::string s;
    switch (node->NodeType()) {
    case ntElement: s = "E(" + node->NodeName(); break;
    case ntText: s = "T(" + std::to_string(node->ValueKind()) + ":" + node->Value().ToText(); break;
    case ntCDataSection: s = "C(" + node->ToCDataSection()->Text(); break;
    case ntComment: s = "M(" + node->Text(); break;
    case ntProcessingInstruction: s = "P(" + node->NodeName() + "|" + node->Text(); break;
    case ntDocument: s = "D("; break;
    }
    for (int i = 0; i < node->AttributeCount(); ++i) {
        const auto v = node->AttrValue(node->AttributeName(i));
        s += " @" + node->AttributeName(i) + "=" + std::to_string(v.Kind()) + ":" + v.ToText();
    }
    if (node->NodeType() == ntElement && node->ChildNodes()->Count() == 0)
        s += " =" + std::to_string(node->ValueKind()) + ":" + node->Value().ToText();
    auto children = node->ChildNodes();
    for (int i = 0; i < children->Count(); ++i) {
        s.push_back(' ');
        s.append(Shape(children->Item(i)));
    }
    return s + ")";
}

} // namespace skyloom::xmltest
