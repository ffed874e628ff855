#include "slHTMLViewer.h"

#include "Forms.h"
#include "NewsHtml.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace skyloom {
namespace {

constexpr const char* kInitial =
    "<p><font face=\"Verdana\" size=\"-1\">Click on news headline to display news text here</font></p>";

// A form with the pane as the main window places it, loaded like a designed form.
class TPaneForm : public TForm {
public:
    explicit TPaneForm(TComponent* owner) : TForm(owner)
    {
        BeginLoading();
        SetClientSize(480, 426);
        Pane = new TslHTMLViewer(this);
        Pane->SetParent(this);
        Pane->SetBounds(8, 264, 465, 153);
        Pane->SetBorderStyle(hvbsNone);
        Pane->Inner().BrowserWaitMs = 1000;
        Pane->HTML().SetText(kInitial);
        LoadsDuringDesign = Pane->Inner().LoadCount();
        FinishLoading();
    }
    TslHTMLViewer* Pane = nullptr;
    int LoadsDuringDesign = -1;
};

std::string RendererText(TslHTMLViewer& pane)
{
    HWND wnd = pane.Inner().Renderer().Handle();
    if (!wnd) {
        return "<no renderer>";
    }
    const auto len = SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0);
    std::string buf(static_cast<std::size_t>(len) + 1, '\0');
    const auto got = SendMessageA(wnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<std::size_t>(got));
    return buf;
}

class HTMLViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TPaneForm(&Application);
        form->Show();
        PumpFor(50);
    }
    void TearDown() override { delete form; }
    TPaneForm* form = nullptr;
};

TEST_F(HTMLViewerTest, LoadsTheInitialLineOnceWhenTheFormHasLoaded)
{
    TslHTMLViewer& pane = *form->Pane;
    EXPECT_EQ(form->LoadsDuringDesign, 0) << "nothing loads while the form is being built";
    EXPECT_EQ(pane.Inner().LoadCount(), 1);
    EXPECT_EQ(pane.HTML().Text(), std::string(kInitial) + "\r\n");
    EXPECT_EQ(pane.Width(), 465);
    EXPECT_EQ(pane.Inner().Width(), 465) << "the inner viewer fills the pane";
    ASSERT_TRUE(PumpUntil([&] { return !pane.Inner().BrowserPending(); }, 5000)) << "the browser is never settled";
    if (pane.Inner().UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "Click on news headline to display news text here");
        EXPECT_EQ(pane.Inner().Renderer().Layout().BorderWidth, 0) << "hvbsNone: no sunken border";
        EXPECT_FALSE(pane.Inner().Host().Created()) << "a browser without a document is let go";
    } else {
        EXPECT_EQ(pane.Inner().Host().LocationURL(), L"about:blank");
    }
}

// The pane shows its document while the window is still being built: nothing waits for the browser control, and
// no message of the program is handled inside a load.
TEST(HTMLViewerStart, ShowsTheDocumentAtOnceAndLetsTheBrowserTakeOverLater)
{
    constexpr UINT marker = WM_APP + 7;
    PostThreadMessageA(GetCurrentThreadId(), marker, 0, 0);
    auto* form = new TPaneForm(&Application);
    TslHTMLViewer& pane = *form->Pane;
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, marker, marker, PM_REMOVE)) << "loading the pane handled messages";
    EXPECT_EQ(pane.Inner().LoadCount(), 1);
    EXPECT_TRUE(pane.Inner().UsingRenderer()) << "the first document shows before the browser is there";
    EXPECT_TRUE(pane.Inner().BrowserPending());
    EXPECT_EQ(RendererText(pane), "Click on news headline to display news text here");

    // An assignment while the browser is awaited shows at once as well, and is what the browser gets.
    PostThreadMessageA(GetCurrentThreadId(), marker, 0, 0);
    pane.HTML().SetText("<p>second</p>");
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, marker, marker, PM_REMOVE)) << "an assignment handled messages";
    EXPECT_EQ(RendererText(pane), "second");

    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return !pane.Inner().BrowserPending(); }, 5000)) << "the browser is never settled";
    pane.HTML().SetText("<p>third</p>");
    EXPECT_EQ(pane.Inner().LoadCount(), 3);
    if (pane.Inner().UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "third");
        EXPECT_FALSE(pane.Inner().Host().Created());
        EXPECT_FALSE(pane.Inner().BrowserPending()) << "a browser that never got ready is not tried again";
    } else {
        EXPECT_EQ(pane.Inner().Renderer().Handle(), nullptr) << "the browser replaced the renderer";
        EXPECT_EQ(pane.Inner().Host().LocationURL(), L"about:blank");
    }
    delete form;
}

// Without the engine's library (Wine without its browser add-on, as here) no control is tried: the pane stays with
// the renderer and OLE, which only the control needs, is never started on the window's thread.
TEST(HTMLViewerStart, DoesNotTryTheBrowserWithoutItsEngine)
{
    if (THtmlBrowserHost::EngineAvailable()) {
        GTEST_SKIP() << "this system has a browser engine";
    }
    auto* form = new TPaneForm(&Application);
    TslHTMLViewer& pane = *form->Pane;
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return !pane.Inner().BrowserPending(); }, 5000)) << "the browser is never settled";
    EXPECT_TRUE(pane.Inner().UsingRenderer());
    EXPECT_FALSE(pane.Inner().Host().Created());
    pane.HTML().SetText("<p>later</p>");
    EXPECT_FALSE(pane.Inner().BrowserPending()) << "a missing engine is not looked for again";
    EXPECT_EQ(RendererText(pane), "later");
    // S_OK (rather than S_FALSE) means this thread had no COM apartment yet.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_OK) << "OLE was started for a browser that cannot come";
    if (SUCCEEDED(hr)) {
        CoUninitialize();
    }
    delete form;
}

TEST_F(HTMLViewerTest, ReloadsOnEveryAssignmentAndEveryChangedSetting)
{
    TslHTMLViewer& pane = *form->Pane;
    const int before = pane.Inner().LoadCount();
    const std::string item = NewsItemHTML("Rain&lt;br /&gt;today", "http://news.example/1");
    pane.HTML().SetText(item);
    pane.HTML().SetText(item);
    EXPECT_EQ(pane.Inner().LoadCount(), before + 2) << "the same text twice loads twice";
    if (pane.Inner().UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "Rain\r\ntoday\r\nRead more...");
    }
    pane.SetBorderStyle(hvbsNone);
    pane.SetNoScroll(false);
    pane.Margins().SetLeft(-1);
    EXPECT_EQ(pane.Inner().LoadCount(), before + 2) << "unchanged settings do not reload";
    pane.SetBorderStyle(hvbsSolid);
    pane.SetBorderColor(clRed);
    pane.SetBackgroundColor(clYellow);
    pane.SetNoScroll(true);
    pane.Margins().SetLeft(0);
    pane.Margins().SetTop(20);
    EXPECT_EQ(pane.Inner().LoadCount(), before + 8);
    if (pane.Inner().UsingRenderer()) {
        const html::THtmlLayout& l = pane.Inner().Renderer().Layout();
        EXPECT_EQ(l.BorderStyle, "solid");
        EXPECT_EQ(l.BorderColor, 0xFF0000u);
        EXPECT_EQ(l.Background, 0xFFFF00u);
        EXPECT_TRUE(l.NoScroll);
        ASSERT_FALSE(l.Runs.empty());
        EXPECT_EQ(l.Runs.front().X, 1) << "left margin 0 inside a 1-pixel border";
        EXPECT_EQ(l.Runs.front().Y, 21);
    }
    pane.HTML().SetText("");
    if (pane.Inner().UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "") << "an empty text gives an empty document";
    }
}

TEST_F(HTMLViewerTest, AnAttachedTemplateIsTheSourceAndItsChangesReload)
{
    TslHTMLViewer& pane = *form->Pane;
    TslInternalHTMLViewer& inner = pane.Inner();
    auto* tmpl = new TslTextTemplateConverter(form);
    tmpl->SetTemplateText("<p>%title%</p>\r\n<p>%body%</p>");
    tmpl->SetParameter("title", "Headline");
    tmpl->SetParameter("body", "Text");
    pane.HTML().SetText("<p>own lines</p>");
    const int before = inner.LoadCount();

    inner.SetHTMLTemplate(tmpl);
    EXPECT_EQ(inner.HTMLTemplate(), tmpl);
    EXPECT_EQ(inner.LoadCount(), before + 1) << "attaching reloads";
    EXPECT_EQ(inner.DocumentSource(), "<p>Headline</p>\r\n<p>Text</p>\r\n");
    if (inner.UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "Headline\r\nText");
    }
    inner.SetHTMLTemplate(tmpl);
    EXPECT_EQ(inner.LoadCount(), before + 1) << "the same template again changes nothing";

    tmpl->SetParameter("body", "Other");
    EXPECT_EQ(inner.LoadCount(), before + 2) << "a new parameter value reloads";
    tmpl->AddTemplateLine("<p>more</p>");
    EXPECT_EQ(inner.LoadCount(), before + 3) << "a template change reloads";
    if (inner.UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "Headline\r\nOther\r\nmore");
    }
    pane.HTML().SetText("<p>ignored while a template is attached</p>");
    EXPECT_EQ(inner.DocumentSource(), "<p>Headline</p>\r\n<p>Other</p>\r\n<p>more</p>\r\n");

    delete tmpl;  // the pane lets go and shows its own lines again
    EXPECT_EQ(inner.HTMLTemplate(), nullptr);
    EXPECT_EQ(inner.DocumentSource(), "<p>ignored while a template is attached</p>\r\n");
    if (inner.UsingRenderer()) {
        EXPECT_EQ(RendererText(pane), "ignored while a template is attached");
    }

    // Detaching by hand also ends the link: later changes of the template reach nobody.
    auto* second = new TslTextTemplateConverter(form);
    inner.SetHTMLTemplate(second);
    inner.SetHTMLTemplate(nullptr);
    const int detached = inner.LoadCount();
    second->SetTemplateText("<p>x</p>");
    EXPECT_EQ(inner.LoadCount(), detached);
}

TEST_F(HTMLViewerTest, PassesTheRefreshAndMenuFlagsToTheBrowserHost)
{
    TslHTMLViewer& pane = *form->Pane;
    EXPECT_TRUE(pane.DisableRefresh());
    EXPECT_TRUE(pane.DisableContextMenu());
    constexpr GUID group = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
    IOleCommandTarget* target = pane.Inner().Host().CommandTarget();
    EXPECT_EQ(target->Exec(&group, 2300, 0, nullptr, nullptr), S_OK);
    pane.SetDisableRefresh(false);
    EXPECT_EQ(target->Exec(&group, 2300, 0, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);
    POINT pt{};
    EXPECT_EQ(pane.Inner().Host().UIHandler()->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
    pane.SetDisableContextMenu(false);
    EXPECT_EQ(pane.Inner().Host().UIHandler()->ShowContextMenu(0, &pt, nullptr, nullptr), S_FALSE);
}

} // namespace
} // namespace skyloom
