#include "HtmlPaneRenderer.h"

#include "Charsets.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace skyloom {

namespace {

COLORREF ToColorRef(html::TRgb c)
{
    return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

const wchar_t* AsWide(const std::u16string& s)
{
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::wstring ToWide(std::u16string_view s)
{
    return std::wstring(s.begin(), s.end());
}

std::u16string DecodeAnsi(std::string_view bytes)
{
    if (bytes.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return std::u16string(w.begin(), w.end());
}

// Reads the default value of a key under HKEY_CLASSES_ROOT.
std::wstring ClassesRootValue(const std::wstring& key)
{
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) {
        return {};
    }
    TOwnedKey k(raw);
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(k.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return buf;
}

// The program part of a shell command line: inside the leading quotes, or up to the first ".exe".
std::wstring ProgramOfCommand(std::wstring command)
{
    command.erase(0, command.find_first_not_of(L" \t"));
    if (!command.empty() && command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        return close == std::wstring::npos ? std::wstring{} : command.substr(1, close - 1);
    }
    std::wstring lower = command;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return towlower(c); });
    const std::size_t exe = lower.find(L".exe");
    if (exe != std::wstring::npos) {
        return command.substr(0, exe + 4);
    }
    return command.substr(0, command.find(L' '));
}

constexpr int kLineScroll = 16;

} // namespace

void OpenAddressInBrowser(const std::wstring& address)
{
    // The address goes to the program as one quoted argument; quotes and blanks inside it are escaped.
    std::wstring escaped;
    for (const wchar_t c : address) {
        if (c == L'"') {
            escaped += L"%22";
        } else if (c == L' ') {
            escaped += L"%20";
        } else {
            escaped.push_back(c);
        }
    }
    const std::wstring cls = ClassesRootValue(L".html");
    if (!cls.empty()) {
        const std::wstring program = ProgramOfCommand(ClassesRootValue(cls + L"\\shell\\open\\command"));
        if (!program.empty()) {
            const std::wstring parameter = L"\"" + escaped + L"\"";
            ShellExecuteW(nullptr, L"open", program.c_str(), parameter.c_str(), nullptr, SW_SHOWNORMAL);
            return;
        }
    }
    ShellExecuteW(nullptr, L"open", escaped.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// --- measuring ---------------------------------------------------------------------------------------------------

TGdiTextMeasurer::TGdiTextMeasurer()
{
    TWindowDC screen(nullptr);
    FDC.Reset(CreateCompatibleDC(screen.Get()));
}

TGdiTextMeasurer::TEntry& TGdiTextMeasurer::Entry(const html::TFontSpec& font)
{
    const int style = (font.Bold ? 1 : 0) | (font.Italic ? 2 : 0) | (font.Underline ? 4 : 0) |
                      (font.StrikeOut ? 8 : 0);
    const auto key = std::make_tuple(font.Face, font.Height, style);
    auto it = FFonts.find(key);
    if (it != FFonts.end()) {
        return it->second;
    }
    TEntry e;
    const std::u16string face = DecodeAnsi(font.Face);
    e.Font.Reset(CreateFontW(-std::max(1, font.Height), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, font.Italic,
                             font.Underline, font.StrikeOut, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, AsWide(face)));
    TEXTMETRICW tm{};
    {
        TSelectObject select(FDC.Get(), e.Font.Get());
        if (GetTextMetricsW(FDC.Get(), &tm)) {
            e.Metrics = {static_cast<int>(tm.tmAscent), static_cast<int>(tm.tmDescent)};
        } else {
            e.Metrics = {font.Height * 4 / 5, font.Height / 5};
        }
    }
    return FFonts.emplace(key, std::move(e)).first->second;
}

HFONT TGdiTextMeasurer::Font(const html::TFontSpec& font)
{
    return Entry(font).Font.Get();
}

html::TFontMetrics TGdiTextMeasurer::Metrics(const html::TFontSpec& font)
{
    return Entry(font).Metrics;
}

int TGdiTextMeasurer::TextWidth(const html::TFontSpec& font, std::u16string_view text)
{
    if (text.empty()) {
        return 0;
    }
    TSelectObject select(FDC.Get(), Font(font));
    SIZE size{};
    GetTextExtentPoint32W(FDC.Get(), reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                          &size);
    return size.cx;
}

// --- the window --------------------------------------------------------------------------------------------------

THtmlPaneRenderer::THtmlPaneRenderer() = default;

THtmlPaneRenderer::~THtmlPaneRenderer()
{
    if (FWnd) {
        SetWindowLongPtrW(FWnd.Get(), GWLP_USERDATA, 0);
    }
}

void THtmlPaneRenderer::Destroy()
{
    if (FWnd) {
        SetWindowLongPtrW(FWnd.Get(), GWLP_USERDATA, 0);
        FWnd.Reset();
    }
}

HWND THtmlPaneRenderer::Create(HWND parent, int x, int y, int width, int height)
{
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &THtmlPaneRenderer::WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | (FBody.NoScroll ? 0 : WS_VSCROLL);
    FWnd.Reset(CreateWindowExA(0, kClassName, "", style, x, y, width, height, parent, nullptr,
                               GetModuleHandleA(nullptr), this));
    Relayout();
    return FWnd.Get();
}

void THtmlPaneRenderer::SetBounds(int x, int y, int width, int height)
{
    if (FWnd) {
        MoveWindow(FWnd.Get(), x, y, width, height, TRUE);
    }
}

void THtmlPaneRenderer::SetDocument(std::string source, const html::THtmlBodyStyle& body)
{
    FSource = std::move(source);
    FBody = body;
    FScrollY = 0;
    FPressedLink = -1;
    if (FWnd) {
        // The scroll bar goes away with NoScroll and comes back without it.
        const LONG_PTR style = GetWindowLongPtrW(FWnd.Get(), GWL_STYLE);
        const LONG_PTR wanted = FBody.NoScroll ? (style & ~static_cast<LONG_PTR>(WS_VSCROLL)) : (style | WS_VSCROLL);
        if (wanted != style) {
            SetWindowLongPtrW(FWnd.Get(), GWL_STYLE, wanted);
            SetWindowPos(FWnd.Get(), nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    Relayout();
}

void THtmlPaneRenderer::Relayout()
{
    int width = 0;
    if (FWnd) {
        RECT rc{};
        GetClientRect(FWnd.Get(), &rc);
        width = rc.right - rc.left;
    }
    // Text in a character set the layout does not know itself is decoded by the system's tables.
    const std::string charset = html::DeclaredCharset(FSource);
    const html::THtmlDecoder decode = [&charset](std::string_view bytes) {
        const std::wstring wide = DecodeCharset(bytes, charset);
        return std::u16string(wide.begin(), wide.end());
    };
    FLayout = html::LayoutHtml(FSource, width, FMeasurer, FBody, charset.empty() ? html::THtmlDecoder(DecodeAnsi) : decode);
    UpdateScrollBar();
    if (FWnd) {
        InvalidateRect(FWnd.Get(), nullptr, FALSE);
    }
}

void THtmlPaneRenderer::UpdateScrollBar()
{
    if (!FWnd) {
        return;
    }
    RECT rc{};
    GetClientRect(FWnd.Get(), &rc);
    const int page = std::max(1, static_cast<int>(rc.bottom - rc.top));
    FScrollY = std::clamp(FScrollY, 0, std::max(0, FLayout.Height - page));
    if (FBody.NoScroll) {
        return;
    }
    // Like the browser's page, the bar is always there and only disabled while everything fits.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(0, FLayout.Height - 1);
    si.nPage = static_cast<UINT>(page);
    si.nPos = FScrollY;
    SetScrollInfo(FWnd.Get(), SB_VERT, &si, TRUE);
}

void THtmlPaneRenderer::ScrollTo(int y)
{
    const int old = FScrollY;
    FScrollY = y;
    UpdateScrollBar();
    if (FWnd && old != FScrollY) {
        InvalidateRect(FWnd.Get(), nullptr, FALSE);
    }
}

int THtmlPaneRenderer::LinkAtClient(int x, int y) const
{
    return FLayout.LinkAt(x, y + FScrollY);
}

void THtmlPaneRenderer::OpenLink(int link)
{
    if (link < 0 || link >= static_cast<int>(FLayout.Links.size())) {
        return;
    }
    const std::u16string address = html::WebAddressForLink(FLayout.Links[static_cast<std::size_t>(link)].Href);
    if (address.empty()) {
        return;
    }
    if (OnOpenLink) {
        OnOpenLink(ToWide(address));
    } else {
        OpenAddressInBrowser(ToWide(address));
    }
}

std::wstring THtmlPaneRenderer::PlainText() const
{
    std::wstring out;
    for (const char16_t c : FLayout.Text()) {
        if (c == u'\n') {
            out += L"\r\n";
        } else {
            out.push_back(c == u'\xA0' ? L' ' : static_cast<wchar_t>(c));
        }
    }
    return out;
}

void THtmlPaneRenderer::PaintBorder(HDC dc, const RECT& client)
{
    const std::string& style = FLayout.BorderStyle;
    if (FLayout.BorderWidth == 0) {
        return;
    }
    RECT r = client;
    const bool coloured = FLayout.BorderColor.has_value();
    const COLORREF colour = ToColorRef(FLayout.BorderColor.value_or(FLayout.TextColor));
    auto frame = [&](RECT box, int penStyle) {
        TOwnedGdi<HPEN> pen(CreatePen(penStyle, 1, colour));
        TSelectObject selectPen(dc, pen.Get());
        TSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
    };
    if (style == "solid" || (coloured && style != "dotted" && style != "dashed" && style != "double")) {
        for (int i = 0; i < FLayout.BorderWidth; ++i) {
            frame(r, PS_SOLID);
            InflateRect(&r, -1, -1);
        }
    } else if (style == "dotted") {
        frame(r, PS_DOT);
    } else if (style == "dashed") {
        frame(r, PS_DASH);
    } else if (style == "double") {
        frame(r, PS_SOLID);
        InflateRect(&r, -2, -2);
        frame(r, PS_SOLID);
    } else if (style == "groove") {
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    } else if (style == "ridge") {
        DrawEdge(dc, &r, EDGE_BUMP, BF_RECT);
    } else if (style == "outset") {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    } else {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);  // the default edge, inset and window-inset
    }
}

void THtmlPaneRenderer::Paint(HDC dc, const RECT& client)
{
    TOwnedGdi<HBRUSH> background(CreateSolidBrush(ToColorRef(FLayout.Background)));
    FillRect(dc, &client, background.Get());
    const int bw = FLayout.BorderWidth;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left + bw, client.top + bw, client.right - bw, client.bottom - bw);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    const int height = client.bottom - client.top;
    for (const html::THtmlRun& run : FLayout.Runs) {
        const int top = run.Y - FScrollY;
        if (top + run.Height < 0 || top > height) {
            continue;
        }
        TSelectObject font(dc, FMeasurer.Font(run.Font));
        SetTextColor(dc, ToColorRef(run.Color));
        ExtTextOutW(dc, run.X, top + run.Baseline, 0, nullptr, AsWide(run.Text), static_cast<UINT>(run.Text.size()),
                    nullptr);
    }
    for (const html::THtmlRect& rule : FLayout.Rules) {
        RECT r{rule.Left, rule.Top - FScrollY, rule.Right, rule.Bottom - FScrollY};
        DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
    }
    RestoreDC(dc, saved);
    PaintBorder(dc, client);
}

LRESULT CALLBACK THtmlPaneRenderer::WndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<THtmlPaneRenderer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || !self->FWnd || self->FWnd.Get() != wnd) {
        return DefWindowProcA(wnd, msg, wparam, lparam);
    }
    return self->Handle(msg, wparam, lparam);
}

LRESULT THtmlPaneRenderer::Handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    HWND wnd = FWnd.Get();
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT client{};
        GetClientRect(wnd, &client);
        // Drawn off screen first, so that scrolling does not flicker.
        TOwnedMemDC mem(CreateCompatibleDC(dc));
        TOwnedGdi<HBITMAP> bmp(CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom)));
        if (mem && bmp) {
            TSelectObject select(mem.Get(), bmp.Get());
            Paint(mem.Get(), client);
            BitBlt(dc, 0, 0, client.right, client.bottom, mem.Get(), 0, 0, SRCCOPY);
        } else {
            Paint(dc, client);
        }
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_SIZE:
        Relayout();
        return 0;
    case WM_VSCROLL: {
        RECT rc{};
        GetClientRect(wnd, &rc);
        const int page = std::max(1, static_cast<int>(rc.bottom) - kLineScroll);
        int y = FScrollY;
        switch (LOWORD(wparam)) {
        case SB_LINEUP: y -= kLineScroll; break;
        case SB_LINEDOWN: y += kLineScroll; break;
        case SB_PAGEUP: y -= page; break;
        case SB_PAGEDOWN: y += page; break;
        case SB_TOP: y = 0; break;
        case SB_BOTTOM: y = FLayout.Height; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(wnd, SB_VERT, &si);
            y = si.nTrackPos;
            break;
        }
        default: break;
        }
        ScrollTo(y);
        return 0;
    }
    case WM_MOUSEWHEEL:
        ScrollTo(FScrollY - GET_WHEEL_DELTA_WPARAM(wparam) * 3 * kLineScroll / WHEEL_DELTA);
        return 0;
    case WM_KEYDOWN:
        switch (wparam) {
        case VK_UP: ScrollTo(FScrollY - kLineScroll); return 0;
        case VK_DOWN: ScrollTo(FScrollY + kLineScroll); return 0;
        case VK_PRIOR: SendMessageW(wnd, WM_VSCROLL, SB_PAGEUP, 0); return 0;
        case VK_NEXT: SendMessageW(wnd, WM_VSCROLL, SB_PAGEDOWN, 0); return 0;
        case VK_HOME: ScrollTo(0); return 0;
        case VK_END: ScrollTo(FLayout.Height); return 0;
        default: break;
        }
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(wnd, &p);
            if (LinkAtClient(p.x, p.y) >= 0) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
        SetFocus(wnd);
        FPressedLink = LinkAtClient(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
    case WM_LBUTTONUP: {
        const int link = LinkAtClient(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        const bool same = link >= 0 && link == FPressedLink;
        FPressedLink = -1;
        if (same) {
            OpenLink(link);
        }
        return 0;
    }
    case WM_GETTEXTLENGTH: {
        const std::wstring text = PlainText();
        return WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    }
    case WM_GETTEXT: {
        if (wparam == 0) {
            return 0;
        }
        const std::wstring text = PlainText();
        std::string ansi(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.c_str(),
                                                                      static_cast<int>(text.size()), nullptr, 0,
                                                                      nullptr, nullptr)),
                         '\0');
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr);
        const std::size_t n = std::min(ansi.size(), static_cast<std::size_t>(wparam) - 1);
        std::copy_n(ansi.data(), n, reinterpret_cast<char*>(lparam));
        reinterpret_cast<char*>(lparam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT:
        return TRUE;  // the shown text comes only from the document
    case WM_NCDESTROY:
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        FWnd.Release();
        return DefWindowProcA(wnd, msg, wparam, lparam);
    default:
        break;
    }
    return DefWindowProcA(wnd, msg, wparam, lparam);
}

} // namespace skyloom
