// The system clipboard as text.
#pragma once

#include <string>

namespace skyloom {

class TClipboard {
public:
    // The clipboard's text (the system converts other text formats); empty when it holds none.
    std::string AsText();
    // Replaces the clipboard's contents with text. Raises Exception "Cannot open clipboard" when another
    // program keeps it open for longer than a moment.
    void SetAsText(const std::string& text);
    bool HasText();
    void Clear();
};

TClipboard& Clipboard();

} // namespace skyloom
