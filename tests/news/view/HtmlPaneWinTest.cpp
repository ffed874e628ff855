#include "HtmlBrowserHost.h"
#include "HtmlPaneRenderer.h"
#include "NewsHtml.h"

#include <gtest/gtest.h>

#include <mshtmdid.h>
#include <olectl.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

constexpr GUID kDocHostGroup = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
constexpr GUID kOtherGroup = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A plain top-level window to put the pane's windows into.
class TParentWindow {
public:
    TParentWindow()
    {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "SkyloomPaneTestParent";
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            return RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        FWnd.Reset(CreateWindowExA(0, "SkyloomPaneTestParent", "pane test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                   520, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    HWND Get() const { return FWnd.Get(); }

private:
    TOwnedWindow FWnd;
};

std::string WindowText(HWND wnd)
{
    const auto len = SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0);
    std::string buf(static_cast<std::size_t>(len) + 1, '\0');
    const auto got = SendMessageA(wnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<std::size_t>(got));
    return buf;
}

TEST(HtmlPaneHost, AnswersTheUserInterfaceRequestsOfTheBrowser)
{
    THtmlBrowserHost host;
    IDocHostUIHandler* ui = host.UIHandler();
    POINT pt{0, 0};
    const struct {
        bool disable;
        DWORD kind;
        HRESULT expected;
    } menus[] = {
        {true, 0, S_OK}, {true, 1, S_OK}, {true, 2, S_OK}, {true, 4, S_FALSE}, {true, 5, S_OK},
        {false, 0, S_FALSE}, {false, 4, S_FALSE},
    };
    for (const auto& m : menus) {
        host.DisableContextMenu = m.disable;
        EXPECT_EQ(ui->ShowContextMenu(m.kind, &pt, nullptr, nullptr), m.expected)
            << "menu kind " << m.kind << " with DisableContextMenu " << m.disable;
    }
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    info.dwFlags = 0x1234;
    EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x1234u) << "the information stays as the browser passed it";
    EXPECT_EQ(ui->ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(ui->HideUI(), S_FALSE);
    EXPECT_EQ(ui->UpdateUI(), S_FALSE);
    EXPECT_EQ(ui->EnableModeless(TRUE), S_FALSE);
    EXPECT_EQ(ui->OnDocWindowActivate(TRUE), S_FALSE);
    EXPECT_EQ(ui->OnFrameWindowActivate(TRUE), S_FALSE);
    RECT rc{};
    EXPECT_EQ(ui->ResizeBorder(&rc, nullptr, TRUE), S_FALSE);
    MSG msg{};
    EXPECT_EQ(ui->TranslateAccelerator(&msg, nullptr, 0), S_FALSE);
    LPOLESTR key = reinterpret_cast<LPOLESTR>(&msg);
    EXPECT_EQ(ui->GetOptionKeyPath(&key, 0), S_FALSE);
    wchar_t url[] = L"http://x/";
    LPWSTR translated = url;
    EXPECT_EQ(ui->TranslateUrl(0, url, &translated), S_FALSE);
    IDropTarget* drop = reinterpret_cast<IDropTarget*>(&msg);
    EXPECT_EQ(ui->GetDropTarget(nullptr, &drop), S_OK);
    EXPECT_EQ(drop, nullptr) << "nothing can be dropped onto the pane";
    IDispatch* external = reinterpret_cast<IDispatch*>(&msg);
    EXPECT_EQ(ui->GetExternal(&external), S_FALSE);
    EXPECT_EQ(external, nullptr);
    IDataObject* data = reinterpret_cast<IDataObject*>(&msg);
    EXPECT_EQ(ui->FilterDataObject(nullptr, &data), S_FALSE);
    EXPECT_EQ(data, nullptr);
}

TEST(HtmlPaneHost, SwallowsOnlyTheRefreshCommands)
{
    THtmlBrowserHost host;
    IOleCommandTarget* target = host.CommandTarget();
    EXPECT_EQ(target->QueryStatus(&kDocHostGroup, 0, nullptr, nullptr), S_OK);
    const struct {
        const GUID* group;
        bool disable;
        DWORD command;
        HRESULT expected;
    } cases[] = {
        {nullptr, true, 2300, OLECMDERR_E_UNKNOWNGROUP},
        {&kDocHostGroup, true, 2300, S_OK},
        {&kDocHostGroup, true, 6041, S_OK},
        {&kDocHostGroup, true, 6042, S_OK},
        {&kDocHostGroup, true, 2301, OLECMDERR_E_NOTSUPPORTED},
        {&kDocHostGroup, false, 2300, OLECMDERR_E_NOTSUPPORTED},
        {&kDocHostGroup, false, 6041, OLECMDERR_E_NOTSUPPORTED},
        {&kOtherGroup, true, 2300, OLECMDERR_E_NOTSUPPORTED},
    };
    for (const auto& c : cases) {
        host.DisableRefresh = c.disable;
        EXPECT_EQ(target->Exec(c.group, c.command, 0, nullptr, nullptr), c.expected)
            << "command " << c.command << " with DisableRefresh " << c.disable;
    }
    EXPECT_EQ(static_cast<unsigned long>(OLECMDERR_E_UNKNOWNGROUP), 0x80040104ul);
    EXPECT_EQ(static_cast<unsigned long>(OLECMDERR_E_NOTSUPPORTED), 0x80040100ul);
}

TEST(HtmlPaneHost, KeepsScriptsActiveXJavaAndDownloadsOutOfTheDocument)
{
    THtmlBrowserHost host;
    IDispatch* ambient = host.AmbientProperties();
    VARIANT v;
    VariantInit(&v);
    DISPPARAMS none{};
    ASSERT_EQ(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr,
                              nullptr),
              S_OK);
    ASSERT_EQ(v.vt, VT_I4);
    const DWORD flags = static_cast<DWORD>(v.lVal);
    for (const DWORD required : {DWORD{DLCTL_NO_SCRIPTS}, DWORD{DLCTL_NO_JAVA}, DWORD{DLCTL_NO_RUNACTIVEXCTLS},
                                 DWORD{DLCTL_NO_DLACTIVEXCTLS}, DWORD{DLCTL_NO_FRAMEDOWNLOAD}}) {
        EXPECT_EQ(flags & required, required) << "flag " << std::hex << required;
    }
    for (const DWORD forbidden : {DWORD{DLCTL_DLIMAGES}, DWORD{DLCTL_VIDEOS}, DWORD{DLCTL_BGSOUNDS}}) {
        EXPECT_EQ(flags & forbidden, 0u) << "flag " << std::hex << forbidden;
    }
    VariantInit(&v);
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND)
        << "other ambient properties keep the browser's defaults";

    // The browser finds every host interface from the client site.
    IOleClientSite* site = host.ClientSite();
    const IID* iids[] = {&IID_IOleInPlaceSite, &IID_IOleInPlaceFrame, &IID_IDocHostUIHandler, &IID_IOleCommandTarget,
                         &IID_IDispatch, &IID_IOleWindow};
    for (const IID* iid : iids) {
        void* p = nullptr;
        EXPECT_EQ(site->QueryInterface(*iid, &p), S_OK);
        ASSERT_NE(p, nullptr);
        static_cast<IUnknown*>(p)->Release();
    }
}

TEST(HtmlPaneHost, WaitsForTheBrowserOnlyBoundedly)
{
    TParentWindow parent;
    THtmlBrowserHost host;
    RECT rc{0, 0, 300, 150};
    if (!host.Create(parent.Get(), rc)) {
        GTEST_SKIP() << "no web-browser control on this system";
    }
    // Without a browser engine (as under Wine here) the browser never becomes interactive and has no document:
    // the load must come back and say so. With an engine, the document takes the bytes.
    const bool loaded = host.LoadDocument("<p>hello</p>", 1500);
    if (loaded) {
        EXPECT_EQ(host.LocationURL(), L"about:blank");
        EXPECT_TRUE(host.LoadDocument("<p>again</p>", 1500));
        EXPECT_EQ(host.LocationURL(), L"about:blank") << "no second navigation";
    }
    host.Destroy();
    EXPECT_FALSE(host.Created());
    EXPECT_FALSE(host.LoadDocument("<p>x</p>", 100)) << "no browser, no document";
}

class HtmlPaneRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(renderer.Create(parent.Get(), 8, 8, 465, 153), nullptr);
        renderer.OnOpenLink = [this](const std::wstring& address) { opened.push_back(address); };
    }

    void Click(int x, int y)
    {
        const LPARAM at = MAKELPARAM(x, y);
        SendMessageW(renderer.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(renderer.Handle(), WM_LBUTTONUP, 0, at);
    }

    TParentWindow parent;
    THtmlPaneRenderer renderer;
    std::vector<std::wstring> opened;
};

TEST_F(HtmlPaneRendererTest, ShowsTheItemTextAndOpensTheReadMoreLink)
{
    renderer.SetDocument(NewsItemHTML("Storm &amp; rain&lt;BR /&gt;<b>tomorrow</b>", "http://news.example/2"), {});
    EXPECT_EQ(WindowText(renderer.Handle()), "Storm & rain\r\ntomorrow\r\nRead more...");
    const std::vector<html::THtmlRect> area = renderer.Layout().LinkArea(0);
    ASSERT_EQ(area.size(), 1u);
    Click((area[0].Left + area[0].Right) / 2, (area[0].Top + area[0].Bottom) / 2);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], L"http://news.example/2");
    Click(area[0].Right + 5, area[0].Top + 2);
    Click(2, 2);
    EXPECT_EQ(opened.size(), 1u) << "clicks beside the link open nothing";

    // A press on the link and a release elsewhere is no click.
    SendMessageW(renderer.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area[0].Left + 1, area[0].Top + 1));
    SendMessageW(renderer.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(HtmlPaneRendererTest, NeverOpensAProgramFromALink)
{
    renderer.SetDocument("<a href=\"file:///C:/windows/system32/calc.exe\">calc</a> "
                         "<a href=\"www.example.com/x\">site</a>",
                         {});
    for (int link = 0; link < 2; ++link) {
        const std::vector<html::THtmlRect> area = renderer.Layout().LinkArea(link);
        ASSERT_EQ(area.size(), 1u);
        Click(area[0].Left + 1, area[0].Top + 1);
    }
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], L"http://www.example.com/x");
}

TEST_F(HtmlPaneRendererTest, ShowsTheHandCursorOverLinksOnly)
{
    renderer.SetDocument("<p>text <a href=\"http://x/\">link</a></p>", {});
    UpdateWindow(renderer.Handle());
    const html::THtmlRect link = renderer.Layout().LinkArea(0).at(0);
    POINT over{link.Left + 2, link.Top + 2};
    ClientToScreen(renderer.Handle(), &over);
    SetCursorPos(over.x, over.y);
    Pump();
    SendMessageW(renderer.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(renderer.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
    POINT off{2, 2};
    ClientToScreen(renderer.Handle(), &off);
    SetCursorPos(off.x, off.y);
    Pump();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    SendMessageW(renderer.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(renderer.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

TEST_F(HtmlPaneRendererTest, ScrollsLongDocumentsAndStartsNewOnesAtTheTop)
{
    std::string longText;
    for (int i = 0; i < 40; ++i) {
        longText += "<p>Paragraph " + std::to_string(i) + "</p>";
    }
    renderer.SetDocument(longText, {});
    ASSERT_GT(renderer.Layout().Height, 153);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(renderer.Handle(), SB_VERT, &si));
    EXPECT_EQ(si.nMax + 1, renderer.Layout().Height);
    SendMessageW(renderer.Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(renderer.ScrollPos(), 0);
    SendMessageW(renderer.Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    RECT client{};
    GetClientRect(renderer.Handle(), &client);
    EXPECT_EQ(renderer.ScrollPos(), renderer.Layout().Height - client.bottom) << "never past the end";
    SendMessageW(renderer.Handle(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(renderer.ScrollPos(), 0);
    SendMessageW(renderer.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_GT(renderer.ScrollPos(), 0);
    renderer.SetDocument("<p>short</p>", {});
    EXPECT_EQ(renderer.ScrollPos(), 0);
    EXPECT_NE(GetWindowLongPtrW(renderer.Handle(), GWL_STYLE) & WS_VSCROLL, 0);

    html::THtmlBodyStyle noScroll;
    noScroll.NoScroll = true;
    renderer.SetDocument(longText, noScroll);
    EXPECT_EQ(GetWindowLongPtrW(renderer.Handle(), GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(HtmlPaneRendererTest, DrawsTheBodyColourBorderAndLinkText)
{
    html::THtmlBodyStyle body;
    body.Background = 0xFFFFCC;
    body.BorderStyle = "none";
    renderer.SetDocument("<p><a href=\"http://x/\"><font size=7>LINK</font></a></p>", body);
    InvalidateRect(renderer.Handle(), nullptr, TRUE);
    UpdateWindow(renderer.Handle());
    Pump();
    TWindowDC dc(renderer.Handle());
    EXPECT_EQ(GetPixel(dc.Get(), 1, 1), RGB(0xFF, 0xFF, 0xCC)) << "no border: the body colour reaches the edge";
    const html::THtmlRect link = renderer.Layout().LinkArea(0).at(0);
    int blue = 0;
    for (int y = link.Top; y < link.Bottom; ++y) {
        for (int x = link.Left; x < link.Right; ++x) {
            const COLORREF c = GetPixel(dc.Get(), x, y);
            if (GetBValue(c) > 160 && GetRValue(c) < 100 && GetGValue(c) < 100) {
                ++blue;
            }
        }
    }
    EXPECT_GT(blue, 20) << "the link text is drawn in blue";

    renderer.SetDocument("<p>x</p>", {});
    InvalidateRect(renderer.Handle(), nullptr, TRUE);
    UpdateWindow(renderer.Handle());
    EXPECT_NE(GetPixel(dc.Get(), 0, 0), RGB(0xFF, 0xFF, 0xFF)) << "the default sunken edge";
    EXPECT_EQ(GetPixel(dc.Get(), 20, 60), RGB(0xFF, 0xFF, 0xFF)) << "white page";
}

} // namespace
} // namespace skyloom
