// The HTML pane of the main window: TslHTMLViewer, an empty container that holds one TslInternalHTMLViewer. The
// inner control shows its HTML lines in the system's web-browser control and styles the document body; where the
// browser control yields no document, its own drawn renderer shows the same document instead.
#pragma once

#include "Controls.h"
#include "HtmlBrowserHost.h"
#include "HtmlPaneRenderer.h"
#include "slHTMLViewerStyle.h"
#include "slTextTemplate.h"

#include <functional>
#include <memory>
#include <string>

namespace skyloom {

// The document source: lines of single-byte text. Every change reloads the document.
class TslHTMLLines : public TPersistent {
public:
    int Count() const { return FLines.Count(); }
    const std::string& Strings(int index) const { return FLines.Strings(index); }
    // The lines joined, each followed by CR LF; assigning splits at line breaks.
    std::string Text() const { return FLines.Text(); }
    void SetText(std::string_view text);
    int Add(std::string line);
    void Clear();
    void Assign(const TPersistent& source) override;
    const TStringList& Lines() const { return FLines; }
    TNotifyEvent OnChange;

private:
    void Changed();
    TStringList FLines;
};

// Body margins; -1 leaves the document's own.
class TslHTMLViewerMargins : public TPersistent {
public:
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Right() const { return FRight; }
    int Bottom() const { return FBottom; }
    void SetLeft(int value) { Set(FLeft, value); }
    void SetTop(int value) { Set(FTop, value); }
    void SetRight(int value) { Set(FRight, value); }
    void SetBottom(int value) { Set(FBottom, value); }
    void Assign(const TPersistent& source) override;
    TNotifyEvent OnChange;

private:
    void Set(int& field, int value);
    int FLeft = -1;
    int FTop = -1;
    int FRight = -1;
    int FBottom = -1;
};

class TslInternalHTMLViewer : public TWinControl {
public:
    explicit TslInternalHTMLViewer(TComponent* owner);
    ~TslInternalHTMLViewer() override;

    TslHTMLLines& HTML() { return FHTML; }
    // An attached template's output replaces the HTML lines as the document source, and every change of its
    // template or parameters reloads the document. Not owned: the link ends when the template is freed.
    TslTextTemplateConverter* HTMLTemplate() const { return FHTMLTemplate; }
    void SetHTMLTemplate(TslTextTemplateConverter* value);
    // What the document is loaded from: the template's output when one is attached, else the HTML lines.
    std::string DocumentSource() const;
    TslHTMLViewerBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TslHTMLViewerBorderStyle value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    void SetBackgroundColor(TColor value);
    bool NoScroll() const { return FNoScroll; }
    void SetNoScroll(bool value);
    TslHTMLViewerMargins& Margins() { return FMargins; }
    bool DisableRefresh() const { return FHost.DisableRefresh; }
    void SetDisableRefresh(bool value) { FHost.DisableRefresh = value; }
    bool DisableContextMenu() const { return FHost.DisableContextMenu; }
    void SetDisableContextMenu(bool value) { FHost.DisableContextMenu = value; }
    // The browser's own chrome, switched off when the browser is created.
    bool AddressBar = false;
    bool MenuBar = false;
    bool RegisterAsDropTarget = false;
    bool StatusBar = false;

    // Loads the HTML lines as the whole document (see the class comment); errors leave the pane as it was. Never
    // waits: until the browser control has a document to load into, the drawn renderer shows the lines.
    void LoadContent();
    // How long the browser control may take to become ready after it was created. Without a browser engine it
    // never does; the drawn renderer then shows the documents for good.
    unsigned BrowserWaitMs = 2500;
    // How often the pane looks whether the browser is ready.
    unsigned BrowserPollMs = 50;
    // True while the drawn renderer shows the documents.
    bool UsingRenderer() const { return FUseRenderer; }
    // True while the browser control is being created or awaited; the renderer shows the documents meanwhile.
    bool BrowserPending() const { return FBrowserPending; }
    THtmlBrowserHost& Host() { return FHost; }
    THtmlPaneRenderer& Renderer() { return FRenderer; }
    // Number of loads started, for tests.
    int LoadCount() const { return FLoadCount; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void BoundsChanged() override;
    void ColorChanged() override;
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void StartBrowser();
    void PollBrowser();
    void GiveUpBrowser();
    void StopBrowserTimer();
    TslHTMLViewerStyleSettings StyleSettings() const;
    html::THtmlBodyStyle RendererStyle() const;
    void ShowRenderer(const std::string& source);
    RECT ClientBounds();

    TslHTMLLines FHTML;
    TslTextTemplateConverter* FHTMLTemplate = nullptr;
    TslHTMLViewerMargins FMargins;
    TslHTMLViewerBorderStyle FBorderStyle = hvbsDefault;
    TColor FBorderColor = clDefault;
    bool FNoScroll = false;
    THtmlBrowserHost FHost;
    THtmlPaneRenderer FRenderer;
    bool FUseRenderer = false;
    bool FBrowserPending = false;
    bool FBrowserGivenUp = false;
    unsigned long FBrowserStart = 0;
    bool FInLoad = false;
    int FLoadCount = 0;
};

class TslHTMLViewer : public TWinControl {
public:
    explicit TslHTMLViewer(TComponent* owner);

    TslInternalHTMLViewer& Inner() { return *FInner; }
    TslHTMLLines& HTML() { return FInner->HTML(); }
    TslHTMLViewerBorderStyle BorderStyle() const { return FInner->BorderStyle(); }
    void SetBorderStyle(TslHTMLViewerBorderStyle value) { FInner->SetBorderStyle(value); }
    TColor BorderColor() const { return FInner->BorderColor(); }
    void SetBorderColor(TColor value) { FInner->SetBorderColor(value); }
    TColor BackgroundColor() const { return FInner->Color(); }
    void SetBackgroundColor(TColor value) { FInner->SetBackgroundColor(value); }
    bool NoScroll() const { return FInner->NoScroll(); }
    void SetNoScroll(bool value) { FInner->SetNoScroll(value); }
    TslHTMLViewerMargins& Margins() { return FInner->Margins(); }
    bool DisableRefresh() const { return FInner->DisableRefresh(); }
    void SetDisableRefresh(bool value) { FInner->SetDisableRefresh(value); }
    bool DisableContextMenu() const { return FInner->DisableContextMenu(); }
    void SetDisableContextMenu(bool value) { FInner->SetDisableContextMenu(value); }

protected:
    void CreateParams(TCreateParams& params) override;
    void Loaded() override;
    void BoundsChanged() override;

private:
    TslInternalHTMLViewer* FInner;  // owned as a component of this pane
};

} // namespace skyloom
