// The HTML pane's drawn renderer: a child window that shows a document laid out by HtmlLayout with GDI, with a
// vertical scroll bar, the hand cursor over links, and links that open in the user's browser. Used when the
// system's web-browser control cannot show a document. It answers WM_GETTEXT with the text it shows.
#pragma once

#include "Owned.h"
#include "HtmlLayout.h"
#include "WinHandles.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace skyloom {

// Opens a web address the way the kit's routine does with a new window: the program registered for ".html" gets
// the address, or, when there is none, the shell opens the address itself.
void OpenAddressInBrowser(const std::wstring& address);

// Text measuring and fonts over GDI, with the fonts kept for drawing.
class TGdiTextMeasurer : public html::IHtmlTextMeasurer {
public:
    TGdiTextMeasurer();
    html::TFontMetrics Metrics(const html::TFontSpec& font) override;
    int TextWidth(const html::TFontSpec& font, std::u16string_view text) override;
    HFONT Font(const html::TFontSpec& font);
    HDC DC() const { return FDC.Get(); }

private:
    struct TEntry {
        TOwnedGdi<HFONT> Font;
        html::TFontMetrics Metrics;
    };
    TEntry& Entry(const html::TFontSpec& font);
    TOwnedMemDC FDC;
    std::map<std::tuple<std::string, int, int>, TEntry> FFonts;
};

class THtmlPaneRenderer : TNonCopyable {
public:
    static constexpr const char* kClassName = "TslHTMLRenderer";

    THtmlPaneRenderer();
    ~THtmlPaneRenderer();

    // Creates the window as a child of parent; the window goes with this object.
    HWND Create(HWND parent, int x, int y, int width, int height);
    HWND Handle() const { return FWnd.Get(); }
    // Destroys the window; the document is kept.
    void Destroy();
    void SetBounds(int x, int y, int width, int height);

    // Shows a whole new document from the top.
    void SetDocument(std::string source, const html::THtmlBodyStyle& body);
    const std::string& Document() const { return FSource; }
    const html::THtmlLayout& Layout() const { return FLayout; }
    int ScrollPos() const { return FScrollY; }
    void ScrollTo(int y);

    // A click on a link hands its address here (only http and https addresses); by default the address opens in
    // the user's browser.
    std::function<void(const std::wstring& address)> OnOpenLink;

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT Handle(UINT msg, WPARAM wparam, LPARAM lparam);
    void Relayout();
    void UpdateScrollBar();
    void Paint(HDC dc, const RECT& client);
    void PaintBorder(HDC dc, const RECT& client);
    int LinkAtClient(int x, int y) const;
    void OpenLink(int link);
    std::wstring PlainText() const;

    TOwnedWindow FWnd;
    std::string FSource;
    html::THtmlBodyStyle FBody;
    html::THtmlLayout FLayout;
    TGdiTextMeasurer FMeasurer;
    int FScrollY = 0;
    int FPressedLink = -1;
};

} // namespace skyloom
