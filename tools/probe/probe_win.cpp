// probe: a small console program that looks at Skyloom the way a user does and acts as a user would. The scenario
// scripts (scripts/e2e.d) run it in the same Wine prefix and desktop as the program under test.
//
//   probe.exe COMMAND [ARGS...] [-- COMMAND [ARGS...]]...
//
// Every fact is printed as one line "key=value"; values are escaped (\r, \n, \t, \\, \xNN) so that a shell script
// can compare them byte for byte. A command that fails prints "error=<why>" and makes the exit status 1; the
// remaining commands are skipped.
//
// Windows are named by their class (for example TForm1). Commands:
//   list                                    every top-level window: class, caption, visibility, process
//   wait-window CLASS MS [visible|hidden]   wait until a top-level window of CLASS exists (and is in that state)
//   window CLASS                            caption, visibility, enabled, owner, client size, frame style
//   controls CLASS                          every child window: class, id, rectangle, visibility, enabled state,
//                                           text, check state, list lines
//   pixel CLASS CHILD-CLASS X Y             colour (RRGGBB) of the child's client pixel, read from the screen
//   wait-msgbox MS                          wait for a message box (the system's, or the program's own
//                                           TslInfoBoxForm); print its caption, text, owner class, buttons and the
//                                           disabled ones (the own box draws its text itself: ask "query ...
//                                           controls box" for it)
//   no-msgbox MS                            succeed only if no message box appears within MS
//   press BUTTON-TEXT                       press a button of the message box ("OK", "Yes", ...)
//   close CLASS                             what the title bar's close button does (SC_CLOSE)
//   command CLASS ID                        choose a menu command by its id (as the menu itself does)
//   query CLASS REQUEST...                  ask the program in test mode (app/TestQuery.h): menus, state, controls,
//                                           click NAME; prints the program's own key=value lines
//   click-child CLASS TEXT                  click the child control with that text (check box, button)
//   reg HKLM|HKCU KEY VALUE                 a registry value: type and data, or "missing"
//   reg-set HKLM|HKCU KEY VALUE sz|dword TEXT
//   reg-del HKLM|HKCU KEY VALUE
//   windows CLASS                           top-level and message-only windows of CLASS: handle, process, visible
//   post CLASS|0xHWND MSG WPARAM LPARAM     post a message (numbers in decimal or 0x hex)
//   tray-icon CLASS|0xHWND ID               whether the shell holds the notification icon (window, identifier)
//   tray-delete CLASS|0xHWND ID             make the shell drop that icon (as a restarted taskbar has)
//   broadcast NAME                          post the registered message NAME to every top-level window
//   hold-mutex NAME MS                      hold a named mutex for MS milliseconds
//   file PATH                               whether the file exists and its attributes (archive, hidden, ...)
//   hold-file PATH MS                       keep the file open for MS milliseconds, others may read and write it
//                                           but not delete, rename or replace it
//   foreground                              class and process of the foreground window
//   select CLASS INDEX                      select line INDEX of the window's list box, as a click on it does
//   responsive CLASS|0xHWND MS [LIMIT]      send WM_NULL to the window over and over for MS milliseconds, timing each
//                                           send: count, longest, mean, sends over LIMIT (default 250) ms
//   sleep MS
#include "TestQueryProtocol.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Test-mode query: the program answers WM_COPYDATA with the query tag by sending WM_COPYDATA with the reply tag back
// to the window whose handle comes as the wParam.
using skyloom::testquery::Escape;
using skyloom::testquery::QueryTag;
using skyloom::testquery::ReplyTag;

struct ProbeError {
    std::string why;
};

std::string ToUtf8(const std::wstring& w)
{
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void Fact(const std::string& key, const std::string& value)
{
    std::printf("%s=%s\n", key.c_str(), Escape(value).c_str());
    std::fflush(stdout);
}

std::string ClassOf(HWND wnd)
{
    char buf[256] = {};
    GetClassNameA(wnd, buf, sizeof buf);
    return buf;
}

std::string TextOf(HWND wnd)
{
    // WM_GETTEXT is answered by the window's own thread, so the text is the one the program set.
    LRESULT len = SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0);
    std::string buf(static_cast<size_t>(len) + 1, '\0');
    LRESULT got = SendMessageA(wnd, WM_GETTEXT, static_cast<WPARAM>(buf.size()), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(got));
    return buf;
}

std::string Hex(const void* p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return buf;
}

struct FindData {
    std::string cls;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND wnd, LPARAM lp)
{
    auto* fd = reinterpret_cast<FindData*>(lp);
    if (ClassOf(wnd) == fd->cls) {
        fd->found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOfClass(const std::string& cls)
{
    FindData fd{cls};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&fd));
    return fd.found;
}

HWND RequireWindow(const std::string& cls)
{
    HWND wnd = FindWindowOfClass(cls);
    if (!wnd)
        throw ProbeError{"no window of class " + cls};
    return wnd;
}

int ToInt(const std::string& s)
{
    return static_cast<int>(std::strtol(s.c_str(), nullptr, 0));
}

bool IsShown(HWND wnd)
{
    return IsWindowVisible(wnd) != FALSE;
}

BOOL CALLBACK ListTopLevel(HWND wnd, LPARAM lp)
{
    int* n = reinterpret_cast<int*>(lp);
    std::string prefix = "top" + std::to_string((*n)++) + "=";
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    std::printf("%s%s|%s|%s|pid %lu\n", prefix.c_str(), Escape(ClassOf(wnd)).c_str(), Escape(TextOf(wnd)).c_str(),
                IsShown(wnd) ? "visible" : "hidden", static_cast<unsigned long>(pid));
    return TRUE;
}

void CmdList(const std::vector<std::string>&)
{
    int n = 0;
    EnumWindows(ListTopLevel, reinterpret_cast<LPARAM>(&n));
    std::fflush(stdout);
}

void CmdWaitWindow(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: wait-window CLASS MS [visible|hidden]"};
    std::string want = a.size() > 2 ? a[2] : "";
    DWORD end = GetTickCount() + static_cast<DWORD>(ToInt(a[1]));
    for (;;) {
        HWND wnd = FindWindowOfClass(a[0]);
        if (wnd && (want.empty() || (want == "visible") == IsShown(wnd))) {
            Fact("window", Hex(wnd));
            return;
        }
        if (static_cast<LONG>(GetTickCount() - end) > 0)
            throw ProbeError{"timed out waiting for " + a[0] + (want.empty() ? "" : " " + want)};
        Sleep(50);
    }
}

void CmdWindow(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: window CLASS"};
    HWND wnd = RequireWindow(a[0]);
    RECT rc{};
    GetClientRect(wnd, &rc);
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    HWND owner = GetWindow(wnd, GW_OWNER);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    HMONITOR mon = MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(mon, &mi);
    Fact("caption", TextOf(wnd));
    Fact("visible", IsShown(wnd) ? "1" : "0");
    Fact("enabled", IsWindowEnabled(wnd) ? "1" : "0");
    Fact("iconic", IsIconic(wnd) ? "1" : "0");
    Fact("owner", owner ? ClassOf(owner) : "");
    Fact("client", std::to_string(rc.right) + "x" + std::to_string(rc.bottom));
    Fact("rect", std::to_string(wr.left) + "," + std::to_string(wr.top) + "," + std::to_string(wr.right - wr.left) +
                     "x" + std::to_string(wr.bottom - wr.top));
    Fact("screen", std::to_string(mi.rcWork.right - mi.rcWork.left) + "x" +
                       std::to_string(mi.rcWork.bottom - mi.rcWork.top));
    Fact("sysmenu", (style & WS_SYSMENU) ? "1" : "0");
    Fact("minimizebox", (style & WS_MINIMIZEBOX) ? "1" : "0");
    Fact("maximizebox", (style & WS_MAXIMIZEBOX) ? "1" : "0");
    Fact("sizable", (style & WS_THICKFRAME) ? "1" : "0");
    Fact("foreground", GetForegroundWindow() == wnd ? "1" : "0");
}

struct ChildList {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND wnd, LPARAM lp)
{
    auto* cl = reinterpret_cast<ChildList*>(lp);
    cl->children.push_back(wnd);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    ChildList cl{parent, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&cl));
    return cl.children;
}

std::string RectIn(HWND parent, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

bool IsListBox(HWND wnd)
{
    // Our list box may be a subclass with its own class name; asking for the count tells a list box apart.
    std::string cls = ClassOf(wnd);
    if (cls.find("ListBox") != std::string::npos || cls.find("LISTBOX") != std::string::npos ||
        cls.find("Listbox") != std::string::npos)
        return true;
    return false;
}

void CmdControls(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: controls CLASS"};
    HWND wnd = RequireWindow(a[0]);
    int n = 0;
    for (HWND c : ChildrenOf(wnd)) {
        std::string prefix = "child" + std::to_string(n++) + ".";
        std::string cls = ClassOf(c);
        Fact(prefix + "class", cls);
        Fact(prefix + "id", std::to_string(GetDlgCtrlID(c)));
        Fact(prefix + "rect", RectIn(wnd, c));
        Fact(prefix + "visible", IsShown(c) ? "1" : "0");
        Fact(prefix + "enabled", IsWindowEnabled(c) ? "1" : "0");
        Fact(prefix + "text", TextOf(c));
        LONG style = GetWindowLongA(c, GWL_STYLE);
        LONG type = style & BS_TYPEMASK;
        if (cls == "Button" || cls.find("CheckBox") != std::string::npos) {
            if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                cls.find("CheckBox") != std::string::npos)
                Fact(prefix + "checked", std::to_string(SendMessageA(c, BM_GETCHECK, 0, 0)));
        }
        if (IsListBox(c)) {
            LRESULT count = SendMessageW(c, LB_GETCOUNT, 0, 0);
            Fact(prefix + "lines", std::to_string(count));
            Fact(prefix + "itemheight", std::to_string(SendMessageW(c, LB_GETITEMHEIGHT, 0, 0)));
            Fact(prefix + "selected", std::to_string(SendMessageW(c, LB_GETCURSEL, 0, 0)));
            for (LRESULT i = 0; i < count; ++i) {
                LRESULT len = SendMessageW(c, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
                if (len < 0)
                    continue;
                // The list may change between the two questions (a refresh runs between them), and the text
                // comes back in whatever length it has then: leave room for a longer line.
                std::wstring w(static_cast<size_t>(len) + 4096, L'\0');
                const LRESULT got = SendMessageW(c, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.data()));
                if (got < 0)
                    continue;
                w.resize(std::min(static_cast<size_t>(got), w.size()));
                Fact(prefix + "line" + std::to_string(i), ToUtf8(w));
            }
        }
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0));
        if (font) {
            LOGFONTA lf{};
            if (GetObjectA(font, sizeof lf, &lf))
                Fact(prefix + "font", std::string(lf.lfFaceName) + "," + std::to_string(lf.lfHeight) + "," +
                                          std::to_string(lf.lfWeight));
        }
    }
    Fact("children", std::to_string(n));
}

void CmdSelect(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: select CLASS INDEX"};
    HWND wnd = RequireWindow(a[0]);
    HWND list = nullptr;
    for (HWND c : ChildrenOf(wnd))
        if (IsListBox(c)) {
            list = c;
            break;
        }
    if (!list)
        throw ProbeError{"no list box in " + a[0]};
    const int index = ToInt(a[1]);
    if (SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0) == LB_ERR)
        throw ProbeError{"no line " + a[1]};
    // A click that changes the selection makes the list box tell its parent.
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    Fact("selected", std::to_string(SendMessageW(list, LB_GETCURSEL, 0, 0)));
}

HWND FindChildOfClass(HWND parent, const std::string& cls)
{
    for (HWND c : ChildrenOf(parent))
        if (ClassOf(c) == cls)
            return c;
    return nullptr;
}

void CmdPixel(const std::vector<std::string>& a)
{
    if (a.size() < 4)
        throw ProbeError{"usage: pixel CLASS CHILD-CLASS X Y"};
    HWND wnd = RequireWindow(a[0]);
    HWND target = a[1] == "-" ? wnd : FindChildOfClass(wnd, a[1]);
    if (!target)
        throw ProbeError{"no child of class " + a[1]};
    POINT pt{ToInt(a[2]), ToInt(a[3])};
    ClientToScreen(target, &pt);
    // Read from the screen, so the colour is what the user sees, whoever painted it.
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, pt.x, pt.y);
    ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID)
        throw ProbeError{"pixel not readable"};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    Fact("pixel", buf);
    Fact("screenpoint", std::to_string(pt.x) + "," + std::to_string(pt.y));
}

struct DialogFind {
    HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND wnd, LPARAM lp)
{
    std::string cls = ClassOf(wnd);
    if ((cls == "#32770" || cls == "TslInfoBoxForm") && IsShown(wnd)) {
        reinterpret_cast<DialogFind*>(lp)->found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindMessageBox()
{
    DialogFind df;
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&df));
    return df.found;
}

void CmdWaitMsgbox(const std::vector<std::string>& a)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(a.empty() ? 5000 : ToInt(a[0]));
    HWND box = nullptr;
    while (!(box = FindMessageBox())) {
        if (static_cast<LONG>(GetTickCount() - end) > 0)
            throw ProbeError{"no message box appeared"};
        Sleep(50);
    }
    // The box fills in its text while it is being created; give it a moment to be complete.
    Sleep(150);
    Fact("caption", TextOf(box));
    HWND owner = GetWindow(box, GW_OWNER);
    Fact("owner", owner ? ClassOf(owner) : "");
    Fact("owner.visible", owner && IsShown(owner) ? "1" : "0");
    std::string text;
    std::string buttons;
    std::string disabled;
    bool icon = false;
    for (HWND c : ChildrenOf(box)) {
        std::string cls = ClassOf(c);
        if (cls == "Static") {
            LONG style = GetWindowLongA(c, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON) {
                icon = true;
                continue;
            }
            std::string t = TextOf(c);
            if (t.size() > text.size())
                text = t;
        } else if ((cls == "Button" || cls == "TButton") && IsShown(c)) {
            if (!buttons.empty())
                buttons += ",";
            buttons += TextOf(c);
            if (!IsWindowEnabled(c))
                disabled += (disabled.empty() ? "" : ",") + TextOf(c);
        }
    }
    Fact("class", ClassOf(box));
    Fact("text", text);
    Fact("icon", icon ? "1" : "0");
    Fact("buttons", buttons);
    Fact("buttons.disabled", disabled);
}

void CmdNoMsgbox(const std::vector<std::string>& a)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(a.empty() ? 1000 : ToInt(a[0]));
    do {
        if (HWND box = FindMessageBox())
            throw ProbeError{"unexpected message box \"" + Escape(TextOf(box)) + "\""};
        Sleep(50);
    } while (static_cast<LONG>(GetTickCount() - end) <= 0);
    Fact("msgbox", "none");
}

std::string WithoutAmpersand(std::string s)
{
    std::string out;
    for (char c : s)
        if (c != '&')
            out += c;
    return out;
}

void CmdPress(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: press BUTTON-TEXT"};
    HWND box = FindMessageBox();
    if (!box)
        throw ProbeError{"no message box to answer"};
    for (HWND c : ChildrenOf(box)) {
        std::string cls = ClassOf(c);
        if ((cls == "Button" || cls == "TButton") && IsShown(c) && WithoutAmpersand(TextOf(c)) == a[0]) {
            // What a click on the button sends to the box.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED), reinterpret_cast<LPARAM>(c));
            DWORD end = GetTickCount() + 3000;
            while (IsWindow(box) && IsShown(box) && static_cast<LONG>(GetTickCount() - end) <= 0)
                Sleep(30);
            Fact("pressed", a[0]);
            return;
        }
    }
    throw ProbeError{"no button " + a[0]};
}

void CmdClose(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: close CLASS"};
    HWND wnd = RequireWindow(a[0]);
    // The close button of the title bar sends exactly this.
    PostMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(300);
    Fact("closed", a[0]);
}

void CmdCommand(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: command CLASS ID"};
    HWND wnd = RequireWindow(a[0]);
    // A menu item chosen with mouse or keyboard arrives at its window as WM_COMMAND with the item's id.
    PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(ToInt(a[1]), 0), 0);
    Fact("command", a[1]);
}

std::string g_reply;

LRESULT CALLBACK ReplyProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COPYDATA) {
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (cds->dwData == ReplyTag) {
            g_reply.assign(static_cast<const char*>(cds->lpData), cds->cbData);
            return 1;
        }
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void CmdQuery(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: query CLASS REQUEST..."};
    HWND wnd = RequireWindow(a[0]);
    std::string request;
    for (size_t i = 1; i < a.size(); ++i)
        request += (i > 1 ? " " : "") + a[i];
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SkyloomProbeReply";
    RegisterClassA(&wc);
    HWND reply = CreateWindowA("SkyloomProbeReply", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    COPYDATASTRUCT cds{QueryTag, static_cast<DWORD>(request.size()), request.data()};
    DWORD_PTR result = 0;
    LRESULT sent = 0;
    // A program still starting answers "error=starting"; it is asked again for up to 20 seconds.
    for (int attempt = 0; attempt < 200; ++attempt) {
        g_reply.clear();
        result = 0;
        sent = SendMessageTimeoutA(wnd, WM_COPYDATA, reinterpret_cast<WPARAM>(reply), reinterpret_cast<LPARAM>(&cds),
                                   SMTO_NORMAL, 5000, &result);
        if (!sent || g_reply.rfind("error=starting", 0) != 0)
            break;
        Sleep(100);
    }
    DestroyWindow(reply);
    if (!sent || result != 1)
        throw ProbeError{"the program did not answer the query (not in test mode?)"};
    // The program's lines are already "key=value" with escaped values.
    std::fwrite(g_reply.data(), 1, g_reply.size(), stdout);
    std::fflush(stdout);
    if (g_reply.rfind("error=", 0) == 0)
        throw ProbeError{"the program refused: " + request};
}

void CmdClickChild(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: click-child CLASS TEXT"};
    HWND wnd = RequireWindow(a[0]);
    for (HWND c : ChildrenOf(wnd)) {
        if (TextOf(c) == a[1]) {
            // What a mouse click on the control does; posted, so a message box it opens does not hold the probe.
            PostMessageA(c, BM_CLICK, 0, 0);
            Sleep(300);
            Fact("clicked", a[1]);
            return;
        }
    }
    throw ProbeError{"no control with text " + a[1]};
}

HKEY RootOf(const std::string& s)
{
    if (s == "HKLM")
        return HKEY_LOCAL_MACHINE;
    if (s == "HKCU")
        return HKEY_CURRENT_USER;
    if (s == "HKCR")
        return HKEY_CLASSES_ROOT;
    throw ProbeError{"unknown root " + s};
}

void CmdReg(const std::vector<std::string>& a)
{
    if (a.size() < 3)
        throw ProbeError{"usage: reg ROOT KEY VALUE"};
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootOf(a[0]), a[1].c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Fact("reg", "missing");
        return;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, a[2].c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        RegCloseKey(key);
        Fact("reg", "missing");
        return;
    }
    std::vector<unsigned char> data(size);
    RegQueryValueExA(key, a[2].c_str(), nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    Fact("size", std::to_string(size));
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        Fact("reg", "REG_SZ");
        std::string s(data.begin(), data.end());
        if (!s.empty() && s.back() == '\0')
            s.pop_back();
        Fact("data", s);
    } else if (type == REG_DWORD && size == 4) {
        DWORD v = 0;
        std::memcpy(&v, data.data(), 4);
        Fact("reg", "REG_DWORD");
        Fact("data", std::to_string(v));
    } else {
        Fact("reg", type == REG_BINARY ? "REG_BINARY" : "type" + std::to_string(type));
        std::string hex;
        for (unsigned char b : data) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%02X", b);
            hex += buf;
        }
        Fact("data", hex);
        if (size == 8) {
            double d = 0;
            std::memcpy(&d, data.data(), 8);
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.9f", d);
            Fact("double", buf);
        }
    }
}

void CmdRegSet(const std::vector<std::string>& a)
{
    if (a.size() < 5)
        throw ProbeError{"usage: reg-set ROOT KEY VALUE sz|dword TEXT"};
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootOf(a[0]), a[1].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw ProbeError{"cannot create key " + a[1]};
    LONG rc;
    if (a[3] == "dword") {
        DWORD v = static_cast<DWORD>(std::strtoul(a[4].c_str(), nullptr, 0));
        rc = RegSetValueExA(key, a[2].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
    } else {
        rc = RegSetValueExA(key, a[2].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(a[4].c_str()),
                            static_cast<DWORD>(a[4].size() + 1));
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        throw ProbeError{"cannot write " + a[2]};
    Fact("set", a[2]);
}

void CmdRegDel(const std::vector<std::string>& a)
{
    if (a.size() < 3)
        throw ProbeError{"usage: reg-del ROOT KEY VALUE"};
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootOf(a[0]), a[1].c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, a[2].c_str());
        RegCloseKey(key);
    }
    Fact("deleted", a[2]);
}

// --- the notification area and other processes' windows ---------------------------------------------------------

struct AllWindows {
    std::string cls;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND wnd, LPARAM lp)
{
    auto* all = reinterpret_cast<AllWindows*>(lp);
    if (ClassOf(wnd) == all->cls)
        all->found.push_back(wnd);
    return TRUE;
}

// A window named by its class (the first top-level one) or by its handle in hex ("0x...").
HWND WindowArg(const std::string& s)
{
    if (s.rfind("0x", 0) == 0)
        return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(s.c_str(), nullptr, 16)));
    return RequireWindow(s);
}

UINT_PTR Number(const std::string& s) { return static_cast<UINT_PTR>(std::strtoull(s.c_str(), nullptr, 0)); }

void CmdWindows(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: windows CLASS"};
    AllWindows all{a[0], {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&all));
    // Helper windows that only take messages (the tray's notification window among them) are not top-level.
    for (HWND wnd = nullptr; (wnd = FindWindowExA(HWND_MESSAGE, wnd, a[0].c_str(), nullptr)) != nullptr;)
        all.found.push_back(wnd);
    Fact("count", std::to_string(all.found.size()));
    int visible = 0;
    for (size_t i = 0; i < all.found.size(); ++i) {
        DWORD pid = 0;
        GetWindowThreadProcessId(all.found[i], &pid);
        const std::string n = std::to_string(i);
        Fact("wnd" + n, Hex(all.found[i]));
        Fact("pid" + n, std::to_string(pid));
        Fact("visible" + n, IsShown(all.found[i]) ? "1" : "0");
        visible += IsShown(all.found[i]) ? 1 : 0;
    }
    Fact("visible", std::to_string(visible));
}

void CmdPost(const std::vector<std::string>& a)
{
    if (a.size() < 4)
        throw ProbeError{"usage: post CLASS|0xHWND MSG WPARAM LPARAM"};
    HWND wnd = WindowArg(a[0]);
    if (!PostMessageA(wnd, static_cast<UINT>(Number(a[1])), Number(a[2]), static_cast<LPARAM>(Number(a[3]))))
        throw ProbeError{"cannot post to " + a[0]};
    Fact("posted", a[1]);
}

// What the shell knows: modifying nothing succeeds only for an icon it holds.
void CmdTrayIcon(const std::vector<std::string>& a, DWORD command)
{
    if (a.size() < 2)
        throw ProbeError{"usage: tray-icon CLASS|0xHWND ID"};
    NOTIFYICONDATAA d{};
    d.cbSize = NOTIFYICONDATAA_V2_SIZE;
    d.hWnd = WindowArg(a[0]);
    d.uID = static_cast<UINT>(Number(a[1]));
    const bool ok = Shell_NotifyIconA(command, &d) != FALSE;
    Fact(command == NIM_DELETE ? "deleted" : "icon", command == NIM_DELETE ? (ok ? "1" : "0") : (ok ? "present" : "absent"));
}

void CmdBroadcast(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: broadcast REGISTERED-MESSAGE-NAME"};
    const UINT msg = RegisterWindowMessageA(a[0].c_str());
    PostMessageA(HWND_BROADCAST, msg, 0, 0);
    Fact("broadcast", a[0]);
}

void CmdHoldMutex(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: hold-mutex NAME MS"};
    HANDLE m = CreateMutexA(nullptr, FALSE, a[0].c_str());
    Fact("existed", GetLastError() == ERROR_ALREADY_EXISTS ? "1" : "0");
    Sleep(static_cast<DWORD>(ToInt(a[1])));
    CloseHandle(m);
}

void CmdFile(const std::vector<std::string>& a)
{
    if (a.empty())
        throw ProbeError{"usage: file PATH"};
    const DWORD attributes = GetFileAttributesA(a[0].c_str());
    Fact("exists", attributes == INVALID_FILE_ATTRIBUTES ? "0" : "1");
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    std::string names;
    const std::pair<DWORD, const char*> known[] = {
        {FILE_ATTRIBUTE_READONLY, "readonly"}, {FILE_ATTRIBUTE_HIDDEN, "hidden"}, {FILE_ATTRIBUTE_SYSTEM, "system"},
        {FILE_ATTRIBUTE_DIRECTORY, "directory"}, {FILE_ATTRIBUTE_ARCHIVE, "archive"},
        {FILE_ATTRIBUTE_TEMPORARY, "temporary"}};
    for (const auto& [bit, name] : known)
        if (attributes & bit)
            names += std::string(names.empty() ? "" : ",") + name;
    Fact("attributes", names);
}

void CmdHoldFile(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: hold-file PATH MS"};
    HANDLE f = CreateFileA(a[0].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw ProbeError{"cannot open " + a[0]};
    Fact("held", a[0]);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(ToInt(a[1])));
    CloseHandle(f);
}

void CmdForeground()
{
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    GetWindowThreadProcessId(fg, &pid);
    Fact("foreground", fg ? ClassOf(fg) : "");
    Fact("foreground.pid", std::to_string(pid));
}

// Sends a message that every window answers (WM_NULL) over and over for a while, timing each send from just
// before to just after it: how long the window's thread keeps the user waiting.
void CmdResponsive(const std::vector<std::string>& a)
{
    if (a.size() < 2)
        throw ProbeError{"usage: responsive CLASS|0xHWND MS [LIMIT-MS]"};
    HWND wnd = WindowArg(a[0]);
    const double limit = a.size() > 2 ? ToInt(a[2]) : 250;
    LARGE_INTEGER freq, begin, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&begin);
    const double total = ToInt(a[1]);
    int sends = 0, over = 0, failed = 0;
    double longest = 0, sum = 0;
    for (;;) {
        QueryPerformanceCounter(&t0);
        if ((t0.QuadPart - begin.QuadPart) * 1000.0 / freq.QuadPart >= total)
            break;
        DWORD_PTR result = 0;
        const LRESULT ok = SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        QueryPerformanceCounter(&t1);
        const double ms = (t1.QuadPart - t0.QuadPart) * 1000.0 / freq.QuadPart;
        ++sends;
        sum += ms;
        longest = std::max(longest, ms);
        if (!ok)
            ++failed;
        if (ms > limit)
            ++over;
        Sleep(20);
    }
    char text[64];
    Fact("sends", std::to_string(sends));
    std::snprintf(text, sizeof text, "%.1f", longest);
    Fact("longest_ms", text);
    std::snprintf(text, sizeof text, "%.2f", sends ? sum / sends : 0.0);
    Fact("mean_ms", text);
    Fact("over_limit", std::to_string(over));
    Fact("timed_out", std::to_string(failed));
}

void Run(const std::string& cmd, const std::vector<std::string>& args)
{
    if (cmd == "wait-window")
        CmdWaitWindow(args);
    else if (cmd == "list")
        CmdList(args);
    else if (cmd == "window")
        CmdWindow(args);
    else if (cmd == "controls")
        CmdControls(args);
    else if (cmd == "pixel")
        CmdPixel(args);
    else if (cmd == "wait-msgbox")
        CmdWaitMsgbox(args);
    else if (cmd == "no-msgbox")
        CmdNoMsgbox(args);
    else if (cmd == "press")
        CmdPress(args);
    else if (cmd == "close")
        CmdClose(args);
    else if (cmd == "command")
        CmdCommand(args);
    else if (cmd == "query")
        CmdQuery(args);
    else if (cmd == "click-child")
        CmdClickChild(args);
    else if (cmd == "reg")
        CmdReg(args);
    else if (cmd == "reg-set")
        CmdRegSet(args);
    else if (cmd == "reg-del")
        CmdRegDel(args);
    else if (cmd == "windows")
        CmdWindows(args);
    else if (cmd == "post")
        CmdPost(args);
    else if (cmd == "tray-icon")
        CmdTrayIcon(args, NIM_MODIFY);
    else if (cmd == "tray-delete")
        CmdTrayIcon(args, NIM_DELETE);
    else if (cmd == "broadcast")
        CmdBroadcast(args);
    else if (cmd == "hold-mutex")
        CmdHoldMutex(args);
    else if (cmd == "file")
        CmdFile(args);
    else if (cmd == "hold-file")
        CmdHoldFile(args);
    else if (cmd == "foreground")
        CmdForeground();
    else if (cmd == "select")
        CmdSelect(args);
    else if (cmd == "responsive")
        CmdResponsive(args);
    else if (cmd == "sleep")
        Sleep(static_cast<DWORD>(args.empty() ? 100 : ToInt(args[0])));
    else
        throw ProbeError{"unknown command " + cmd};
}

} // namespace

int main(int argc, char** argv)
{
    // Lines end in a bare LF, as the shell scripts reading them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::vector<std::string>> commands(1);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            commands.emplace_back();
        else
            commands.back().emplace_back(argv[i]);
    }
    for (const auto& c : commands) {
        if (c.empty())
            continue;
        try {
            Run(c[0], std::vector<std::string>(c.begin() + 1, c.end()));
        } catch (const ProbeError& e) {
            Fact("error", c[0] + ": " + e.why);
            return 1;
        }
    }
    return 0;
}
