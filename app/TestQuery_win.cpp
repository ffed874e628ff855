#include <windows.h>

#include "TestQuery.h"
#include "TestQueryProtocol.h"

#include "Unit1.h"
#include "TrayIcon.h"
#include "TrayStatus.h"
#include "slInfoBox.h"
#include "slQuickAboutBox.h"
#include "slSelfUpdaterWizard.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skyloom {

namespace {

using testquery::Escape;
using testquery::QueryTag;
using testquery::ReplyTag;
constexpr UINT WM_TEST_CLICK = WM_APP + 0x51;
constexpr UINT WM_TEST_INFOBOX = WM_APP + 0x52;

// The message box a query asked for, and the answer of the last one (-1: none answered yet).
struct TTestInfoBox {
    unsigned Flags = 0;
    std::string Text;
};
TTestInfoBox GPendingInfoBox;
int GLastInfoBoxResult = -1;

// Appends one flag to a comma-separated list.
void AddFlag(std::string& flags, const char* flag)
{
    if (!flags.empty())
        flags += ",";
    flags += flag;
}

void DescribeItems(TMenuItem& parent, const std::string& prefix, std::string& out)
{
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        std::string key = prefix + "." + std::to_string(i);
        std::string flags;
        if (item->Count() > 0)
            AddFlag(flags, "popup");
        if (item->Default())
            AddFlag(flags, "default");
        if (item->IsLine())
            AddFlag(flags, "separator");
        if (!item->Enabled())
            AddFlag(flags, "disabled");
        if (!item->Visible())
            AddFlag(flags, "hidden");
        out += key + "=" + Escape(item->Name) + "|" + Escape(item->Caption()) + "|" + std::to_string(item->Command()) +
               "|" + flags + "\n";
        DescribeItems(*item, key, out);
    }
}

// The window's system menu as the user sees it, with the name of our own items where one is ours.
void DescribeSystemMenu(TForm1& form, std::string& out)
{
    HMENU menu = GetSystemMenu(form.Handle(), FALSE);
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info))
            continue;
        std::string name;
        if (form.About1 && info.wID == static_cast<UINT>(form.About1->Command()))
            name = form.About1->Name;
        std::string flags;
        if (info.fType & MFT_SEPARATOR)
            AddFlag(flags, "separator");
        if (info.fState & MFS_DEFAULT)
            AddFlag(flags, "default");
        if (info.fState & (MFS_DISABLED | MFS_GRAYED))
            AddFlag(flags, "disabled");
        out += "SystemMenu." + std::to_string(i) + "=" + Escape(name) + "|" +
               Escape((info.fType & MFT_SEPARATOR) ? "-" : text) + "|" + std::to_string(info.wID) + "|" + flags + "\n";
    }
}

std::string Hex6(TColor c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return (c & clSystemColor) == clSystemColor ? "system" + std::to_string(c & 0xFF) : buf;
}

void DescribeControls(TWinControl& parent, std::string& out)
{
    for (TControl* c : parent.Controls()) {
        std::string kind = "control";
        std::string extra;
        if (dynamic_cast<TLabel*>(c))
            kind = "label";
        else if (dynamic_cast<TslRichLabel*>(c))
            kind = "richlabel";
        else if (dynamic_cast<TslProportionalImage*>(c))
            kind = "image";
        else if (dynamic_cast<TButton*>(c))
            kind = "button";
        else if (dynamic_cast<TPanel*>(c))
            kind = "panel";
        else if (auto* box = dynamic_cast<TCheckBox*>(c)) {
            kind = "checkbox";
            extra = box->Checked() ? "checked" : "unchecked";
        } else if (auto* list = dynamic_cast<TWideListBox*>(c)) {
            kind = "listbox";
            extra = std::to_string(list->Items().Count()) + " lines";
        }
        if (!c->Enabled())
            AddFlag(extra, "disabled");
        TFont& font = c->Font();
        out += "control." + Escape(c->Name) + "=" + kind + "|" + std::to_string(c->Left()) + "," +
               std::to_string(c->Top()) + "," + std::to_string(c->Width()) + "x" + std::to_string(c->Height()) + "|" +
               (c->Visible() ? "visible" : "hidden") + "|" + Escape(c->Caption()) + "|" + Hex6(c->Color()) + "|" +
               Escape(font.Name()) + "," + std::to_string(font.Height()) + "," + std::to_string(font.Style()) + "|" +
               extra + "\n";
        if (auto* w = c->AsWinControl())
            DescribeControls(*w, out);
    }
}

// The tooltip as the shell got it (in the system's code page), as UTF-8.
std::string TrayTipUtf8(const TTrayIcon& tray)
{
    return WideToUtf8(AnsiToWide(tray.TrayRecord().szTip));
}

const char* LinkStateName(TLinkState state)
{
    switch (state) {
    case TLinkState::lsOnline: return "online";
    case TLinkState::lsOffline: return "offline";
    default: return "checking";
    }
}

void DescribeTray(TForm1& form, std::string& out)
{
    out += "tray.hint=" + Escape(TrayTipUtf8(*form.TrayIcon1)) + "\n";
    const TTrayStatus* status = form.TrayStatus();
    const bool marked = status && status->Settings().ShowState;
    static constexpr const char* colours[] = {"yellow", "green", "red"};
    out += "tray.mark=" + std::string(marked ? colours[static_cast<int>(status->MarkShown())] : "none") + "\n";
    out += "tray.marksize=" + std::to_string(marked ? status->MarkSize() : 0) + "\n";
    out += "tray.state=" + std::string(status ? LinkStateName(status->State()) : "none") + "\n";
    out += "tray.notify=" + std::string(status && status->Settings().Notify ? "1" : "0") + "\n";
    const std::vector<std::string> balloons = status ? status->Balloons() : std::vector<std::string>();
    out += "tray.balloons=" + std::to_string(balloons.size()) + "\n";
    for (std::size_t i = 0; i < balloons.size(); ++i)
        out += "tray.balloon" + std::to_string(i + 1) + "=" + Escape(balloons[i]) + "\n";
    static constexpr const char* logStates[] = {"off", "idle", "written", "unwritable"};
    out += "outagelog=" + std::string(status ? logStates[static_cast<int>(status->LogState())] : "off") + "\n";
    out += "outagelog.path=" + Escape(status ? status->Settings().OutageLogPath : "") + "\n";
    out += "outagelog.lines=" + std::to_string(status ? status->LogLines() : 0) + "\n";
    out += "outagelog.failures=" + std::to_string(status ? status->LogFailures() : 0) + "\n";
}

std::string Answer(TForm1& form, const std::string& request)
{
    std::string out;
    // Loading steps may process messages (the browser pane waits for its document); until FormCreate has run,
    // the window's state is not the program's yet.
    if (!form.Created())
        return "error=starting\n";
    if (request == "menus") {
        DescribeItems(form.MainMenu1->Items(), "MainMenu1", out);
        DescribeItems(form.PopupMenu1->Items(), "PopupMenu1", out);
        DescribeSystemMenu(form, out);
    } else if (request == "state") {
        out += "shows=" + std::to_string(form.ShowCount()) + "\n";
        out += "refreshes=" + std::to_string(form.RefreshCount()) + "\n";
        char ms[32];
        std::snprintf(ms, sizeof ms, "%.1f", form.LastRefreshMs());
        out += "lastrefreshms=" + std::string(ms) + "\n";
        std::snprintf(ms, sizeof ms, "%.1f", form.LastListingMs());
        out += "lastlistingms=" + std::string(ms) + "\n";
        std::snprintf(ms, sizeof ms, "%.1f", form.LastLoadMs());
        out += "lastloadms=" + std::string(ms) + "\n";
        out += "newsbusy=" + std::string(form.NewsBusy() ? "1" : "0") + "\n";
        out += "notices=" + std::to_string(form.UpgradeNoticeCount()) + "\n";
        out += "passes=" + std::to_string(form.StatusPassCount()) + "\n";
        out += "feed=" + Escape(FeedURL) + "\n";
        out += "ping=" + Escape(PingSetting.Get()) + "\n";
        out += "appdir=" + Escape(AppDir) + "\n";
        out += "timer=" + std::to_string(form.Timer1->Interval()) + (form.Timer1->Enabled() ? ",enabled" : ",disabled") +
               "\n";
        out += "title=" + Escape(Application.Title()) + "\n";
        out += "infobox=" + std::to_string(GLastInfoBoxResult) + "\n";
    } else if (request == "tray") {
        DescribeTray(form, out);
    } else if (request == "controls" || request == "controls box" || request == "controls about" ||
               request == "controls wizard") {
        TForm* target = &form;
        if (request == "controls box") {
            target = TslInfoBox::ShowingForm();
            if (!target)
                return "error=no message box\n";
        } else if (request == "controls wizard") {
            target = TslSelfUpdaterWizardForm::Current();
            if (!target)
                return "error=no upgrade wizard\n";
        } else if (request == "controls about") {
            target = form.slQuickAboutBox1 ? form.slQuickAboutBox1->Form() : nullptr;
            if (!target)
                return "error=no about box\n";
        }
        out += "form=" + Escape(target->Caption()) + "|" + Hex6(target->Color()) + "|" +
               Escape(target->Font().Name()) + "," + std::to_string(target->Font().Height()) + "\n";
        DescribeControls(*target, out);
    } else if (request.rfind("infobox ", 0) == 0) {
        // "infobox FLAGS TEXT": ShowInfoBox a moment later, so that the probe is not kept waiting by the box.
        std::string rest = request.substr(8);
        std::size_t blank = rest.find(' ');
        GPendingInfoBox.Flags = static_cast<unsigned>(std::strtoul(rest.substr(0, blank).c_str(), nullptr, 10));
        GPendingInfoBox.Text = blank == std::string::npos ? "" : rest.substr(blank + 1);
        PostMessageA(form.Handle(), WM_TEST_INFOBOX, 0, 0);
        out += "infobox=opening\n";
    } else if (request.rfind("click ", 0) == 0) {
        auto* item = dynamic_cast<TMenuItem*>(form.FindComponent(request.substr(6)));
        if (!item)
            return "error=no menu item " + Escape(request.substr(6)) + "\n";
        PostMessageA(form.Handle(), WM_TEST_CLICK, 0, reinterpret_cast<LPARAM>(item));
        out += "clicked=" + Escape(item->Name) + "\n";
    } else {
        out += "error=unknown request " + Escape(request) + "\n";
    }
    return out;
}

} // namespace

void InstallTestQuery(TForm1& form)
{
    const char* mode = std::getenv("SKYLOOM_TEST_QUERY");
    if (!mode || std::strcmp(mode, "1") != 0)
        return;
    TWndMethod previous = form.WindowProc;
    form.WindowProc = [&form, previous](TMessage& message) {
        if (message.Msg == WM_COPYDATA) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(message.LParam);
            if (data && data->dwData == QueryTag) {
                std::string request(static_cast<const char*>(data->lpData), data->cbData);
                std::string reply = Answer(form, request);
                COPYDATASTRUCT answer{ReplyTag, static_cast<DWORD>(reply.size()), reply.data()};
                SendMessageA(reinterpret_cast<HWND>(message.WParam), WM_COPYDATA,
                             reinterpret_cast<WPARAM>(form.Handle()), reinterpret_cast<LPARAM>(&answer));
                message.Result = 1;
                return;
            }
        }
        if (message.Msg == WM_TEST_INFOBOX) {
            GLastInfoBoxResult = ShowInfoBox(GPendingInfoBox.Text, Application.Title(), GPendingInfoBox.Flags, false,
                                             true);
            message.Result = 0;
            return;
        }
        if (message.Msg == WM_TEST_CLICK) {
            // Only items of this window's menus were posted (see Answer), so the pointer is still one of them.
            auto* item = reinterpret_cast<TMenuItem*>(message.LParam);
            for (TComponent* c : form.Components())
                if (c == item) {
                    item->Click();
                    break;
                }
            message.Result = 0;
            return;
        }
        previous(message);
    };
}

} // namespace skyloom
