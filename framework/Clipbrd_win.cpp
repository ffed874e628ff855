#include "Clipbrd.h"

#include "Forms.h"

#include <cstring>

namespace skyloom {

namespace {

// Another program may hold the clipboard open for a moment; wait a little, never long.
class TOpenClipboard {
public:
    TOpenClipboard()
    {
        HWND owner = Application.Handle();
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (OpenClipboard(owner))
                return;
            Sleep(10);
        }
        throw Exception("Cannot open clipboard");
    }
    ~TOpenClipboard() { CloseClipboard(); }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

} // namespace

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}

std::string TClipboard::AsText()
{
    TOpenClipboard open;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return std::string();
    const char* p = static_cast<const char*>(GlobalLock(data));
    if (!p)
        return std::string();
    std::string text(p, strnlen(p, GlobalSize(data)));
    GlobalUnlock(data);
    return text;
}

void TClipboard::SetAsText(const std::string& text)
{
    TOpenClipboard open;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory)
        throw EOutOfResources("Out of memory");
    char* p = static_cast<char*>(GlobalLock(memory));
    std::memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    // The clipboard owns the memory once it has taken it.
    if (!SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        throw Exception("Cannot set clipboard data");
    }
}

bool TClipboard::HasText() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

void TClipboard::Clear()
{
    TOpenClipboard open;
    EmptyClipboard();
}

} // namespace skyloom
