#include "HtmlBrowserHost.h"

#include "Classes.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtml.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>

namespace skyloom {

namespace {

// The document host's command group and the browser's refresh commands in it.
constexpr GUID kDocHostCommandGroup = {0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
constexpr DWORD kRefreshCommands[] = {2300, 6041, 6042};
constexpr DWORD kContextMenuTextSelection = 4;

// A BSTR owned for one call.
class TBStr {
public:
    explicit TBStr(const std::wstring& s) : FStr(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    TBStr(const TBStr&) = delete;
    TBStr& operator=(const TBStr&) = delete;
    ~TBStr() { SysFreeString(FStr); }
    BSTR Get() const { return FStr; }

private:
    BSTR FStr;
};

std::wstring Widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

TColor ResolveColor(TColor color)
{
    if ((color & 0xFF000000u) == 0xFF000000u) {
        return static_cast<TColor>(GetSysColor(static_cast<int>(color & 0xFF)));
    }
    return color & 0x00FFFFFFu;
}

DWORD PaneDownloadControlFlags()
{
    return DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
           DLCTL_NO_FRAMEDOWNLOAD | DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL | DLCTL_SILENT;
}

// COM interfaces have no virtual destructors by design: objects free themselves in Release, and these classes
// are final, so the delete there sees the complete type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The reference count of an object the browser holds: the object frees itself when the last reference goes.
class TComRefs {
public:
    ULONG Add() { return ++FCount; }
    template <typename T>
    ULONG Drop(T* self)
    {
        const ULONG n = --FCount;
        if (n == 0) {
            delete self;
        }
        return n;
    }

private:
    std::atomic<ULONG> FCount{1};
};

// IDispatch for the objects the browser calls by dispatch number only: no type information and no names.
class TNumberedDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count) {
            *count = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The browser's events: only the completed navigation is of interest.
class TslBrowserEventSink final : public TNumberedDispatch {
public:
    explicit TslBrowserEventSink(THtmlBrowserHost* host) : FHost(host) {}
    void Detach() { FHost = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return FRefs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return FRefs.Drop(this); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id == DISPID_NAVIGATECOMPLETE2 && FHost) {
            FHost->ApplyBodyStyle();
            Fire(FHost->OnNavigateComplete);
        }
        return S_OK;
    }

private:
    TComRefs FRefs;
    THtmlBrowserHost* FHost;
};

// The control site: client site, in-place site and frame, user-interface handler, command target and ambient
// properties in one object.
class TslBrowserSite final : public IOleClientSite,
                       public IOleInPlaceSite,
                       public IOleInPlaceFrame,
                       public IDocHostUIHandler,
                       public IOleCommandTarget,
                       public TNumberedDispatch {
public:
    explicit TslBrowserSite(THtmlBrowserHost* host) : FHost(host) {}
    void Detach() { FHost = nullptr; }
    HWND Window = nullptr;
    IOleObject* Object = nullptr;  // weak: the host holds it
    TslBrowserEventSink* Sink = nullptr;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (IsEqualIID(riid, IID_IDocHostUIHandler)) {
            *out = static_cast<IDocHostUIHandler*>(this);
        } else if (IsEqualIID(riid, IID_IOleCommandTarget)) {
            *out = static_cast<IOleCommandTarget*>(this);
        } else if (IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return FRefs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return FRefs.Drop(this); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** mk) override
    {
        if (mk) {
            *mk = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container) {
            *container = nullptr;
        }
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override
    {
        if (!wnd) {
            return E_POINTER;
        }
        *wnd = Window;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (frame) {
            *frame = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
        }
        if (doc) {
            *doc = nullptr;
        }
        RECT rc{};
        GetClientRect(Window, &rc);
        if (pos) {
            *pos = rc;
        }
        if (clip) {
            *clip = rc;
        }
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = Window;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT pos) override
    {
        TComRef<IOleInPlaceObject> inplace;
        if (Object && pos && SUCCEEDED(Object->QueryInterface(IID_IOleInPlaceObject, inplace.PutVoid()))) {
            inplace->SetObjectRects(pos, pos);
        }
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler; EnableModeless also serves the frame.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD kind, POINT*, IUnknown*, IDispatch*) override
    {
        const bool disable = FHost ? FHost->DisableContextMenu : true;
        return disable && kind != kContextMenuTextSelection ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override
    {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override
    {
        if (key) {
            *key = nullptr;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override
    {
        if (target) {
            *target = nullptr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override
    {
        if (external) {
            *external = nullptr;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override
    {
        if (out) {
            *out = nullptr;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override
    {
        if (out) {
            *out = nullptr;
        }
        return S_FALSE;
    }

    // IOleCommandTarget
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT*) override
    {
        if (!group) {
            return OLECMDERR_E_UNKNOWNGROUP;
        }
        const bool disable = FHost ? FHost->DisableRefresh : true;
        if (disable && IsEqualGUID(*group, kDocHostCommandGroup) &&
            std::find(std::begin(kRefreshCommands), std::end(kRefreshCommands), command) !=
                std::end(kRefreshCommands)) {
            return S_OK;  // swallowed: the loaded document stays
        }
        return OLECMDERR_E_NOTSUPPORTED;
    }

    // IDispatch: the ambient properties. The download control keeps the feed's markup from running or fetching
    // anything; every other ambient property keeps the browser's default.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (id == DISPID_AMBIENT_DLCONTROL && result) {
            VariantInit(result);
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(PaneDownloadControlFlags());
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    TComRefs FRefs;
    THtmlBrowserHost* FHost;
};

#pragma GCC diagnostic pop

THtmlBrowserHost::THtmlBrowserHost()
{
    FSite = new TslBrowserSite(this);
    FSite->Sink = new TslBrowserEventSink(this);
}

THtmlBrowserHost::~THtmlBrowserHost()
{
    Destroy();
    FSite->Sink->Detach();
    FSite->Sink->Release();
    FSite->Sink = nullptr;
    FSite->Detach();
    FSite->Release();
    if (FOleInitialized) {
        OleUninitialize();
    }
}

IDocHostUIHandler* THtmlBrowserHost::UIHandler() const
{
    return static_cast<IDocHostUIHandler*>(FSite);
}

IOleCommandTarget* THtmlBrowserHost::CommandTarget() const
{
    return static_cast<IOleCommandTarget*>(FSite);
}

IDispatch* THtmlBrowserHost::AmbientProperties() const
{
    return static_cast<IDispatch*>(FSite);
}

IOleClientSite* THtmlBrowserHost::ClientSite() const
{
    return static_cast<IOleClientSite*>(FSite);
}

IDispatch* THtmlBrowserHost::EventSink() const
{
    return FSite->Sink;
}

bool THtmlBrowserHost::EngineAvailable()
{
    // The control hosts the engine's library; where that cannot load (Wine without its browser add-on), the
    // control would come up without ever producing a document, having pulled COM and its libraries in for nothing.
    static const bool available = static_cast<bool>(TOwnedModule(LoadLibraryA("mshtml.dll")));
    return available;
}

bool THtmlBrowserHost::Create(HWND parent, const RECT& bounds)
{
    Destroy();
    FParent = parent;
    FSite->Window = parent;
    // OLE starts with the first control rather than with the pane: a pane that never gets one never pays for it.
    if (!FOleInitialized) {
        FOleInitialized = SUCCEEDED(OleInitialize(nullptr));
    }
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, FOle.PutVoid())) ||
        !FOle) {
        FOle.Reset();
        return false;
    }
    FSite->Object = FOle.Get();
    FOle->SetClientSite(ClientSite());
    // The download control is an ambient property: the browser reads it when it is told that it changed.
    TComRef<IOleControl> control;
    if (SUCCEEDED(FOle->QueryInterface(IID_IOleControl, control.PutVoid()))) {
        control->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
    }
    RECT rc = bounds;
    FOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, ClientSite(), 0, parent, &rc);
    if (FAILED(FOle->QueryInterface(IID_IWebBrowser2, FBrowser.PutVoid())) || !FBrowser) {
        Destroy();
        return false;
    }
    FBrowser->put_AddressBar(VARIANT_FALSE);
    FBrowser->put_MenuBar(VARIANT_FALSE);
    FBrowser->put_RegisterAsDropTarget(VARIANT_FALSE);
    FBrowser->put_StatusBar(VARIANT_FALSE);
    TComRef<IConnectionPointContainer> points;
    if (SUCCEEDED(FBrowser->QueryInterface(IID_IConnectionPointContainer, points.PutVoid())) &&
        SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, FEvents.Put())) && FEvents) {
        if (FAILED(FEvents->Advise(FSite->Sink, &FCookie))) {
            FEvents.Reset();
            FCookie = 0;
        }
    }
    SetBounds(bounds);
    return true;
}

void THtmlBrowserHost::SetBounds(const RECT& bounds)
{
    TComRef<IOleInPlaceObject> inplace;
    if (FOle && SUCCEEDED(FOle->QueryInterface(IID_IOleInPlaceObject, inplace.PutVoid()))) {
        inplace->SetObjectRects(&bounds, &bounds);
    }
}

void THtmlBrowserHost::Destroy()
{
    if (FEvents) {
        if (FCookie) {
            FEvents->Unadvise(FCookie);
        }
        FEvents.Reset();
        FCookie = 0;
    }
    FBrowser.Reset();
    if (FOle) {
        FOle->Close(OLECLOSE_NOSAVE);
        FOle->SetClientSite(nullptr);
        FOle.Reset();
    }
    FSite->Object = nullptr;
}

void THtmlBrowserHost::FreeUnusedLibraries()
{
    if (FOleInitialized) {
        CoFreeUnusedLibrariesEx(0, 0);
    }
}

std::wstring THtmlBrowserHost::LocationURL() const
{
    if (!FBrowser) {
        return {};
    }
    BSTR url = nullptr;
    if (FAILED(FBrowser->get_LocationURL(&url)) || !url) {
        return {};
    }
    std::wstring out(url, SysStringLen(url));
    SysFreeString(url);
    return out;
}

bool THtmlBrowserHost::LoadDocument(const std::string& bytes, unsigned timeout_ms)
{
    if (!FBrowser) {
        return false;
    }
    if (LocationURL().empty()) {
        TBStr blank(L"about:blank");
        FBrowser->Navigate(blank.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    // The browser becomes interactive while messages are handled. Without a browser engine it never does, so
    // the wait has a limit.
    const DWORD start = GetTickCount();
    for (;;) {
        READYSTATE state = READYSTATE_UNINITIALIZED;
        if (!FBrowser || FAILED(FBrowser->get_ReadyState(&state)) || state >= READYSTATE_INTERACTIVE) {
            break;
        }
        if (GetTickCount() - start >= timeout_ms) {
            break;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (!FBrowser) {
        return false;
    }
    TComRef<IDispatch> document;
    if (FAILED(FBrowser->get_Document(document.Put())) || !document) {
        return false;
    }
    TComRef<IPersistStreamInit> persist;
    if (FAILED(document->QueryInterface(IID_IPersistStreamInit, persist.PutVoid())) || !persist) {
        return false;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(bytes.size(), 1));
    if (!memory) {
        return true;  // the document stays as it was
    }
    void* p = GlobalLock(memory);
    if (!p) {
        // Without the bytes in place the stream would hand the browser whatever the block held before.
        GlobalFree(memory);
        return true;  // the document stays as it was
    }
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(p));
    GlobalUnlock(memory);
    TComRef<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) {
        GlobalFree(memory);
        return true;
    }
    ULARGE_INTEGER size{};
    size.QuadPart = bytes.size();
    stream->SetSize(size);
    persist->Load(stream.Get());
    return true;
}

bool THtmlBrowserHost::DocumentReady()
{
    if (!FBrowser) {
        return false;
    }
    if (LocationURL().empty()) {
        TBStr blank(L"about:blank");
        FBrowser->Navigate(blank.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    READYSTATE state = READYSTATE_UNINITIALIZED;
    if (!FBrowser || FAILED(FBrowser->get_ReadyState(&state)) || state < READYSTATE_INTERACTIVE) {
        return false;
    }
    TComRef<IDispatch> document;
    return SUCCEEDED(FBrowser->get_Document(document.Put())) && document;
}

bool THtmlBrowserHost::ApplyBodyStyle()
{
    if (!FBrowser) {
        return false;
    }
    TComRef<IDispatch> dispatch;
    TComRef<IHTMLDocument2> document;
    TComRef<IHTMLElement> body;
    if (FAILED(FBrowser->get_Document(dispatch.Put())) || !dispatch ||
        FAILED(dispatch->QueryInterface(IID_IHTMLDocument2, document.PutVoid())) || !document ||
        FAILED(document->get_body(body.Put())) || !body) {
        return false;
    }
    const TslHTMLViewerStyleSettings s = StyleSettings ? StyleSettings() : TslHTMLViewerStyleSettings{};
    TComRef<IHTMLStyle> style;
    if (FAILED(body->get_style(style.Put())) || !style) {
        return true;
    }
    // A setting the document refuses ends the styling there.
    if (HTMLColorIsSet(s.Color)) {
        TBStr text(Widen(HTMLColorText(ResolveColor(s.Color))));
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = text.Get();
        if (FAILED(style->put_backgroundColor(v))) {
            return true;
        }
    }
    if (HTMLColorIsSet(s.BorderColor)) {
        TBStr text(Widen(HTMLColorText(ResolveColor(s.BorderColor))));
        if (FAILED(style->put_borderColor(text.Get()))) {
            return true;
        }
    }
    if (s.BorderStyle != hvbsDefault) {
        TBStr text(Widen(BorderStyleCSS(s.BorderStyle)));
        if (FAILED(style->put_borderStyle(text.Get()))) {
            return true;
        }
    }
    TComRef<IHTMLBodyElement> bodyElement;
    if (FAILED(body->QueryInterface(IID_IHTMLBodyElement, bodyElement.PutVoid())) || !bodyElement) {
        return true;
    }
    if (s.NoScroll) {
        TBStr no(L"no");
        if (FAILED(bodyElement->put_scroll(no.Get()))) {
            return true;
        }
    }
    using TSetter = HRESULT (STDMETHODCALLTYPE IHTMLBodyElement::*)(VARIANT);
    const std::pair<int, TSetter> margins[] = {{s.MarginLeft, &IHTMLBodyElement::put_leftMargin},
                                               {s.MarginTop, &IHTMLBodyElement::put_topMargin},
                                               {s.MarginRight, &IHTMLBodyElement::put_rightMargin},
                                               {s.MarginBottom, &IHTMLBodyElement::put_bottomMargin}};
    for (const auto& [value, setter] : margins) {
        if (value == -1) {
            continue;
        }
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
        if (FAILED((bodyElement.Get()->*setter)(v))) {
            break;
        }
    }
    return true;
}

} // namespace skyloom
