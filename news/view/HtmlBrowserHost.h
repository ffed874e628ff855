// Hosting the system's web-browser control for the HTML pane: the control site with its user-interface and
// command answers, the ambient download control that keeps scripts, ActiveX controls, Java and downloads out of
// the document, loading a document from bytes, and styling the body after each completed navigation.
#pragma once

#include "Owned.h"
#include "WinHandles.h"
#include "slHTMLViewerStyle.h"

#include <windows.h>
#include <ole2.h>
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <functional>
#include <string>

namespace skyloom {

// The answers the pane gives to the browser: the control site (with IDocHostUIHandler, IOleCommandTarget and
// the ambient properties) and the sink of the browser's events. Reference counted as COM wants it.
class TslBrowserSite;

// The RGB value of a colour setting, system colours resolved.
TColor ResolveColor(TColor color);

// The download-control flags the pane answers for the ambient property: no scripts, no Java, no ActiveX controls
// run or downloaded, no frames, behaviours, client pulls, images, videos or sounds fetched, no dialogs.
DWORD PaneDownloadControlFlags();

class THtmlBrowserHost : TNonCopyable {
public:
    THtmlBrowserHost();
    ~THtmlBrowserHost();

    // Read by the site at every request of the browser.
    bool DisableRefresh = true;
    bool DisableContextMenu = true;
    // The body styling to apply after each completed navigation.
    std::function<TslHTMLViewerStyleSettings()> StyleSettings;
    // Called after each completed navigation, once the body is styled (or could not be).
    std::function<void()> OnNavigateComplete;

    // Creates the browser control in parent, switching off its address bar, menu bar, status bar and drop target.
    // False when the platform has no such control.
    bool Create(HWND parent, const RECT& bounds);
    bool Created() const { return static_cast<bool>(FBrowser); }
    void SetBounds(const RECT& bounds);
    // Closes and releases the control.
    void Destroy();
    // Lets COM unload the libraries a destroyed control brought along (nothing when no control was ever created).
    void FreeUnusedLibraries();
    // Whether the system's browser engine can be loaded at all; a control created without it never gets a document.
    static bool EngineAvailable();

    // Loads a whole document from bytes: navigates to "about:blank" first when the browser has no location, waits
    // (pumping messages, at most timeout_ms) until the browser is interactive, then hands the bytes to the
    // document. False when there is no document to load into (the caller then shows the document otherwise).
    // Errors of the browser are not raised.
    bool LoadDocument(const std::string& bytes, unsigned timeout_ms);
    // Without waiting: navigates to "about:blank" when the browser has no location yet, and tells whether the
    // browser is interactive with a document to load into.
    bool DocumentReady();
    // The browser's location, empty without one.
    std::wstring LocationURL() const;
    // Styles the current document's body from StyleSettings; false when there is no body.
    bool ApplyBodyStyle();

    // The host interfaces as the browser sees them.
    IDocHostUIHandler* UIHandler() const;
    IOleCommandTarget* CommandTarget() const;
    IDispatch* AmbientProperties() const;
    IOleClientSite* ClientSite() const;
    // The event sink, as the browser calls it.
    IDispatch* EventSink() const;

private:
    TslBrowserSite* FSite = nullptr;  // our own object: one reference held
    TComRef<IOleObject> FOle;
    TComRef<IWebBrowser2> FBrowser;
    TComRef<IConnectionPoint> FEvents;
    DWORD FCookie = 0;
    HWND FParent = nullptr;
    bool FOleInitialized = false;
};

} // namespace skyloom
