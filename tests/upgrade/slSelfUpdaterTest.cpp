// The self-updater against tools/updateserver on loopback, inside a private network namespace
// (netns-updateserver.sh): the check's outcomes, the question, and the download sequence with its lost files,
// aborts and hooks. Downloads land beside this test program, as they would beside the real one.
#include "slSelfUpdater.h"

#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"
#include "UpdateServerFiles.h"
#include "WinHandles.h"
#include "slInfoBox.h"
#include "slSelfUpdaterStrings_win.h"
#include "slSelfUpdaterWizard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace skyloom {
namespace {

using Strings = std::vector<std::string>;

using namespace testing_update;

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Answers every message box that appears with the button `answer` (1 OK/Yes, 2 No/Later) and records its title
// and text.
class TBoxAnswerer {
public:
    explicit TBoxAnswerer(int answer) : FAnswer(answer)
    {
        TslInfoBox::OnBoxCreated = [this](TslInfoBoxForm* form) {
            Titles.push_back(form->Caption());
            Texts.push_back(form->Text->Caption());
            Buttons.push_back(form->btns->BtnOK().Caption() + "," + form->btns->BtnCancel().Caption());
            TslPanelBitBtn& button = FAnswer == 1 ? form->btns->BtnOK() : form->btns->BtnCancel();
            PostMessageA(button.Button()->Handle(), BM_CLICK, 0, 0);
        };
    }
    ~TBoxAnswerer() { TslInfoBox::OnBoxCreated = nullptr; }
    Strings Titles, Texts, Buttons;

private:
    int FAnswer;
};

class SelfUpdaterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Base = ServerBase();
        if (Base.empty())
            GTEST_SKIP() << "needs the update server (run through netns-updateserver.sh)";
        Work = WinPath(Env("SL_UPDATE_WORK"));
        Control("{}");
        WriteFile(Work + "\\requests.log", "");
        U = std::make_unique<TslSelfUpdater>(nullptr);
        U->Timeouts.ReceiveTimeout = 5000;
        U->InfoFileURL = Base + "update.inf";
        U->VersionDate = "06/27/2006";
        U->Wizard.Enabled = false;
        U->OnBeginUpgrade = [this](TObject*, const std::string& msg, TslUpgradeMethod method, Strings& files,
                                   bool& can) {
            LastTotal = 0;
            Log("BeginUpgrade " + std::to_string(method) + " " + std::to_string(files.size()) + " " + msg);
            can = CanUpgrade;
        };
        U->OnLaterUpgrade = [this](TObject*) { Log("Later"); };
        U->OnNoUpdateAvailable = [this](TObject*) { Log("NoUpdate"); };
        U->OnNoInfoFile = [this](TObject*) { Log("NoInfoFile"); };
        U->OnConnLost = [this](TObject*) { Log("ConnLost"); };
        U->OnAborted = [this](TObject*) { Log("Aborted"); };
        U->OnHostUnreachable = [this](TObject*, const std::string&, const std::string& host) {
            Log("HostUnreachable " + host);
        };
        U->OnFileStart = [this](TObject*, const std::string& url, std::int64_t size, TDateTime, bool& can) {
            Log("FileStart " + url.substr(url.rfind('/') + 1) + " " + std::to_string(size));
            if (!FileStartAnswer.empty()) {
                can = FileStartAnswer.front();
                FileStartAnswer.erase(FileStartAnswer.begin());
            }
        };
        U->OnFileDone = [this](TObject*, const std::string& name) {
            Log("FileDone " + name.substr(name.rfind('\\') + 1));
            if (OnFileDoneHook)
                OnFileDoneHook(name);
        };
        U->OnLostFile = [this](TObject*, const std::string& url, std::int32_t code, bool& cont) {
            Log("LostFile " + url.substr(url.rfind('/') + 1) + " " + std::to_string(code));
            cont = ContinueLost;
        };
        U->OnProgress = [this](TObject*, const std::string&, std::int64_t, std::int64_t, std::int32_t,
                               std::int32_t, std::uint8_t percents, std::uint8_t total, float) {
            ++Progress;
            if (total < LastTotal || total > 100 || percents > 100)
                Log("BadProgress");
            LastTotal = total;
        };
        U->OnEndUpgrade = [this](TObject*, bool& restart) {
            Log("EndUpgrade");
            restart = false;
        };
        Folder = U->ProgramFolder();
        for (const char* name : {"a.bin", "b.bin", "c.bin", "stale.bin"}) {
            const std::string path = Folder + name + ".uTMP";
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    void TearDown() override
    {
        U.reset();
        if (HasFailure())
            std::printf("events: %s\nrequests:\n%s", Joined().c_str(), ReadFile(Work + "\\requests.log").c_str());
    }

    void Log(const std::string& e) { Events.push_back(e); }
    std::string Joined() const
    {
        std::string s;
        for (const auto& e : Events)
            s += (s.empty() ? "" : ", ") + e;
        return s;
    }
    void Control(const std::string& json) { WriteFile(Work + "\\www\\control.json", json); }
    void Serve(const std::string& name, const std::string& data) { WriteFile(Work + "\\www\\" + name, data); }
    std::string Requests() { return ReadFile(Work + "\\requests.log"); }
    void Info(const std::string& date, const Strings& files, const std::string& message = {})
    {
        std::string text;
        for (std::size_t i = 0; i < files.size(); ++i)
            // "#url", "#url0", then numbers from one past the files taken so far.
            text += (i == 0 ? "#url=" : "#url" + std::to_string(i == 1 ? 0 : i + 1) + "=") + files[i] + "\r\n";
        text += "#date=" + date + "\r\n";
        if (!message.empty())
            text += "#message={" + message + "}\r\n";
        Serve("update.inf", text);
    }
    // Checks and handles messages until the check (and any upgrade it starts) has come to rest.
    void Check(unsigned timeoutMs = 15000)
    {
        const std::size_t before = Events.size();
        U->CheckForUpdates();
        PumpUntil([&] { return Events.size() > before && !U->Busy() && !U->InProgress() && !U->Upgrading(); },
                  timeoutMs);
        PumpFor(200);
    }

    std::string Work, Base, Folder;
    std::unique_ptr<TslSelfUpdater> U;
    Strings Events;
    bool CanUpgrade = true;
    bool ContinueLost = false;
    std::vector<bool> FileStartAnswer;
    std::function<void(const std::string&)> OnFileDoneHook;
    int Progress = 0;
    int LastTotal = 0;
};

TEST_F(SelfUpdaterTest, CheckOutcomesAndTheirNotices)
{
    struct Case {
        const char* name;
        const char* date;
        const char* control;
        bool serverDown;
        TslSelfUpdaterShowMessages show;
        Strings events;
        Strings titles;
    };
    const std::string wizard = "Application update wizard";
    const std::string host = SL_UPDATE_HOST;
    const Case cases[] = {
        {"same date, quiet", "06/27/2006", "{}", false, {}, {"NoUpdate"}, {}},
        {"same date, told", "06/27/2006", "{}", false, {mNoUpdateAvailable}, {"NoUpdate"}, {wizard}},
        {"missing file, quiet", "12/01/2026", R"({"/update.inf": {"mode": "404"}})", false, {}, {"NoInfoFile"}, {}},
        {"missing file, told", "12/01/2026", R"({"/update.inf": {"mode": "404"}})", false, {mNoInfoFile},
         {"NoInfoFile"}, {wizard}},
        {"password wanted, no dialog", "12/01/2026", R"({"/update.inf": {"mode": "401", "realm": "r"}})", false, {},
         {"NoInfoFile"}, {}},
        {"server down, quiet", "12/01/2026", "{}", true, {}, {"HostUnreachable " + host}, {}},
        {"server down, told", "12/01/2026", "{}", true, {mHostUnreachable}, {"HostUnreachable " + host}, {wizard}},
        {"connection cut", "12/01/2026", R"({"/update.inf": {"mode": "cut", "after": 10}})", false, {mConnLost},
         {"ConnLost"}, {wizard}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events.clear();
        Info(c.date, {Base + "a.bin"});
        Control(c.control);
        U->ShowMessages = c.show;
        U->InfoFileURL = c.serverDown ? std::string("http://") + SL_UPDATE_HOST + ":9/update.inf" : Base + "update.inf";
        TBoxAnswerer boxes(1);
        Check();
        EXPECT_EQ(Events, c.events);
        EXPECT_EQ(boxes.Titles, c.titles) << "a notice shows exactly when its setting is on";
    }
    // Every fetch of the information file asks caches not to answer.
    const std::string log = Requests();
    EXPECT_EQ(Count(log, "\"/update.inf\""), Count(log, "\"Pragma\": \"no-cache\""));
}

TEST_F(SelfUpdaterTest, NewerReleaseAsksAndLaterFetchesNothing)
{
    Info("12/01/2026", {Base + "a.bin"}, "- One\r\n- Two");
    Serve("a.bin", "new");
    TBoxAnswerer boxes(2);
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 1 - One\r\n- Two", "Later"}));
    ASSERT_EQ(boxes.Titles.size(), 1u);
    EXPECT_EQ(boxes.Titles[0], "Application update wizard");
    EXPECT_EQ(boxes.Buttons[0], "&Yes,&Later");
    const std::string title = Application.Title();
    EXPECT_EQ(boxes.Texts[0], "A newer version of [b]" + title + "[] was released.\n\n- One\r\n- Two[DEF]\n\n"
                              "Do you want to update your version with the latest one?");
    EXPECT_EQ(Count(Requests(), "\"/a.bin\""), 0) << "Later downloads nothing";

    // A handler that says no: no question, the same "later".
    Events.clear();
    CanUpgrade = false;
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 1 - One\r\n- Two", "Later"}));
    EXPECT_EQ(boxes.Titles.size(), 1u) << "no question when the handler declined";
}

TEST_F(SelfUpdaterTest, PasswordFromTheHandlerRepeatsTheRequest)
{
    Info("06/27/2006", {Base + "a.bin"});
    Control(R"({"/update.inf": {"mode": "401", "realm": "Skyloom updates", "user": "user", "password": "pw"}})");
    std::string realm;
    U->OnPasswordRequest = [&](TObject*, const std::string& r, bool& tryAgain) {
        realm = r;
        U->SetHTTPUsername("user");
        U->SetHTTPPassword("pw");
        tryAgain = true;
    };
    U->ShowMessages = {};
    Check();
    EXPECT_EQ(realm, "Skyloom updates");
    EXPECT_EQ(Events, (Strings{"NoUpdate"})) << "the repeated request got the file";
}

TEST_F(SelfUpdaterTest, DownloadsEveryFileBesideTheProgram)
{
    const std::string a = Body(70000, 1), b = Body(3000, 2);
    Serve("a.bin", a);
    Serve("b.bin", b);
    Info("12/01/2026", {Base + "a.bin", Base + "b.bin"});
    Control(R"({"/a.bin": {"last_modified": "Tue, 15 Nov 1994 08:12:31 GMT"}})");
    // Left by an earlier, unfinished upgrade: it must not become part of this one.
    WriteFile(Folder + "stale.bin.uTMP", "old");
    U->ShowMessages = {};
    // A check asked for between two files is ignored.
    OnFileDoneHook = [this](const std::string&) { U->CheckForUpdates(); };
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 2 ", "FileStart a.bin 70000", "FileDone a.bin.uTMP",
                               "FileStart b.bin 3000", "FileDone b.bin.uTMP", "EndUpgrade"}));
    EXPECT_EQ(ReadFile(Folder + "a.bin.uTMP"), a);
    EXPECT_EQ(ReadFile(Folder + "b.bin.uTMP"), b);
    const DWORD attributes = GetFileAttributesA((Folder + "a.bin.uTMP").c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_HIDDEN) << "a complete download is no longer marked incomplete";
    EXPECT_FALSE(Exists(Folder + "stale.bin.uTMP")) << "leftovers of an earlier upgrade are deleted first";
    EXPECT_GT(Progress, 0);
    EXPECT_EQ(LastTotal, 100);
    // The file time follows Last-Modified.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA((Folder + "a.bin.uTMP").c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME st{};
    FileTimeToSystemTime(&data.ftLastWriteTime, &st);
    EXPECT_EQ(st.wYear, 1994);
    const std::string log = Requests();
    EXPECT_EQ(Count(log, "\"/update.inf\""), 1) << "no second check during the upgrade";
    EXPECT_EQ(Count(log, "\"/a.bin\""), 1);
    EXPECT_EQ(Count(log, "\"/b.bin\""), 1);
}

TEST_F(SelfUpdaterTest, LeftoverThatCannotBeDeletedYetNeverTakesTheNewDownloadsWithIt)
{
    Serve("a.bin", Body(3000, 3));
    Info("12/01/2026", {Base + "a.bin"});
    // Another program holds a leftover of an earlier upgrade, so the cleanup before the download tries it again
    // later; it lets go once the new download is complete.
    WriteFile(Folder + "stale.bin.uTMP", "old");
    TOwnedHandle held(CreateFileA((Folder + "stale.bin.uTMP").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    U->ShowMessages = {};
    OnFileDoneHook = [&held](const std::string&) { held.Reset(); };
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 1 ", "FileStart a.bin 3000", "FileDone a.bin.uTMP", "EndUpgrade"}));
    EXPECT_TRUE(PumpUntil([&] { return !Exists(Folder + "stale.bin.uTMP"); }, 8000)) << "the leftover goes later";
    PumpFor(300);
    EXPECT_TRUE(ReadFile(Folder + "a.bin.uTMP") == Body(3000, 3)) << "the finished download stays for the replacer";
}

namespace {

BOOL CALLBACK FindQuestion(HWND wnd, LPARAM out)
{
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(wnd))
        return TRUE;
    *reinterpret_cast<HWND*>(out) = wnd;
    return FALSE;
}

// The question box (a system dialog) the wizard shows on this thread, or nullptr.
HWND OpenQuestion()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindQuestion, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

TEST_F(SelfUpdaterTest, AbortAnsweredWhileTheLastFileFinishesAborts)
{
    Serve("a.bin", Body(300000, 4));
    Info("12/01/2026", {Base + "a.bin"});
    Control(R"({"/a.bin": {"mode": "trickle", "chunk": 60000, "interval": 0.2}})");
    U->ShowMessages = {};
    U->Wizard.Enabled = true;
    bool fileDone = false;
    OnFileDoneHook = [&fileDone](const std::string&) { fileDone = true; };
    // The user closes the wizard while the file comes in and answers the question only after the file is done.
    int stage = 0, waited = 0;
    TTimer user(nullptr);
    user.SetInterval(50);
    user.SetOnTimer([&](TObject*) {
        TslSelfUpdaterWizardForm* wizard = TslSelfUpdaterWizardForm::Current();
        if (stage == 0 && wizard && Progress > 0) {
            PostMessageW(wizard->Handle(), WM_CLOSE, 0, 0);
            stage = 1;
        } else if (stage == 1 && fileDone && OpenQuestion() && ++waited > 6) {
            PostMessageW(OpenQuestion(), WM_COMMAND, IDYES, 0);
            stage = 2;
            waited = 0;
        } else if (stage == 2 && ++waited > 100 && wizard) {
            // Still there five seconds after the answer: the answer was lost. Let the test end.
            wizard->CloseWithoutQuestion();
            stage = 3;
        }
    });
    user.SetEnabled(true);
    U->CheckForUpdates();
    PumpUntil([&] { return std::find(Events.begin(), Events.end(), "Aborted") != Events.end() ||
                           std::find(Events.begin(), Events.end(), "EndUpgrade") != Events.end(); },
              30000);
    user.SetEnabled(false);
    PumpFor(300);
    EXPECT_GE(stage, 2) << "the question was asked and answered after the file was done";
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 1 ", "FileStart a.bin 300000", "FileDone a.bin.uTMP", "Aborted"}));
    EXPECT_EQ(TslSelfUpdaterWizardForm::Current(), nullptr) << "the wizard is gone";
    EXPECT_FALSE(Exists(Folder + "a.bin.uTMP")) << "an abort deletes the download";
}

TEST_F(SelfUpdaterTest, LostFilesAreSkippedOrAbortTheUpgrade)
{
    Serve("a.bin", "aaa");
    Serve("c.bin", "ccc");
    Control(R"({"/b.bin": {"mode": "404"}})");
    Info("12/01/2026", {Base + "a.bin", Base + "b.bin", Base + "c.bin"});

    // Skipped by the handler: the others are still fetched.
    U->ShowMessages = {};
    ContinueLost = true;
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 3 ", "FileStart a.bin 3", "FileDone a.bin.uTMP", "LostFile b.bin 404",
                               "FileStart c.bin 3", "FileDone c.bin.uTMP", "EndUpgrade"}));

    // Asked, and the user says No: the upgrade ends and nothing is left behind.
    Events.clear();
    ContinueLost = false;
    U->ShowMessages = {mLostFile};
    {
        TBoxAnswerer boxes(2);
        Check();
        ASSERT_EQ(boxes.Titles.size(), 1u);
        EXPECT_EQ(boxes.Titles[0], "Error #404");
        EXPECT_EQ(boxes.Texts[0], "File b.bin not found or inaccessible.\n\nTry to skip this file and continue upgrade?");
        EXPECT_EQ(boxes.Buttons[0], "&Yes,&No");
    }
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 3 ", "FileStart a.bin 3", "FileDone a.bin.uTMP", "LostFile b.bin 404",
                               "Aborted"}));
    PumpFor(300);
    EXPECT_FALSE(Exists(Folder + "a.bin.uTMP")) << "an abort deletes the downloads";
    EXPECT_FALSE(Exists(Folder + "c.bin.uTMP"));
}

TEST_F(SelfUpdaterTest, OnlyPlainWebFileNamesAreDownloaded)
{
    Serve("a.bin", "aaa");
    U->ShowMessages = {};
    ContinueLost = true;
    const std::string local = "file:///" + Work + "\\www\\a.bin";
    Info("12/01/2026", {local, Base + "..", Base + "a.bin"});
    Check();
    ASSERT_GE(Events.size(), 3u);
    EXPECT_EQ(Events[1].rfind("LostFile ", 0), 0u) << Events[1];
    EXPECT_EQ(Events[1].substr(Events[1].size() - 2), " 0") << "refused before any request: no status";
    EXPECT_EQ(Events[2].rfind("LostFile ", 0), 0u) << Events[2];
    EXPECT_EQ(Strings(Events.begin() + 3, Events.end()),
              (Strings{"FileStart a.bin 3", "FileDone a.bin.uTMP", "EndUpgrade"}));
}

TEST_F(SelfUpdaterTest, SkippedAndRejectedDownloads)
{
    Serve("a.bin", "aaa");
    Serve("b.bin", "bbb");
    Info("12/01/2026", {Base + "a.bin", Base + "b.bin"});
    U->ShowMessages = {};
    ContinueLost = true;
    // OnFileStart declines the first file: no temporary file is written for it.
    FileStartAnswer = {false, true};
    // The check of a completed download rejects the second one.
    std::string checkedPath;
    U->VerifyDownload = [&](const std::string& url, const std::string& path, std::size_t index, std::string& why) {
        checkedPath = path;
        why = "bad " + url.substr(url.rfind('/') + 1) + " " + std::to_string(index);
        return false;
    };
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 2 ", "FileStart a.bin 3", "FileStart b.bin 3", "LostFile b.bin 200",
                               "EndUpgrade"}));
    EXPECT_FALSE(Exists(Folder + "a.bin.uTMP")) << "a declined file is not written";
    EXPECT_EQ(checkedPath, Folder + "b.bin.uTMP");
    EXPECT_FALSE(Exists(Folder + "b.bin.uTMP")) << "a rejected download is deleted";

    // The reason replaces the question's text.
    Events.clear();
    FileStartAnswer.clear();
    U->ShowMessages = {mLostFile};
    TBoxAnswerer boxes(1);
    Check();
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[0], "bad a.bin 0");
    EXPECT_EQ(boxes.Texts[1], "bad b.bin 1");
    EXPECT_EQ(boxes.Titles, (Strings{"Error", "Error"})) << "a refused good answer is no numbered error";
}

TEST_F(SelfUpdaterTest, AbortDuringADownloadDeletesItsFiles)
{
    Serve("a.bin", Body(200000, 3));
    Control(R"({"/a.bin": {"mode": "trickle", "chunk": 1000, "interval": 0.05}})");
    Info("12/01/2026", {Base + "a.bin"});
    U->ShowMessages = {};
    U->CheckForUpdates();
    ASSERT_TRUE(PumpUntil([&] { return Progress > 2; }, 15000)) << "the download started";
    EXPECT_TRUE(U->Upgrading());
    U->AbortUpgrade();
    EXPECT_FALSE(U->Upgrading());
    ASSERT_TRUE(PumpUntil([&] { return !Exists(Folder + "a.bin.uTMP"); }, 8000))
        << "the partial download is deleted once the transfer has let go of it";
    EXPECT_EQ(Events.back(), "Aborted");
    PumpFor(500);
    EXPECT_EQ(Events.back(), "Aborted") << "nothing follows the abort";
}

// The password dialog of a 401: OK repeats the request with what was entered, Cancel ends the check as an abort.
TEST_F(SelfUpdaterTest, PasswordDialogRepeatsOrAborts)
{
    Info("06/27/2006", {Base + "a.bin"});
    Control(R"({"/update.inf": {"mode": "401", "realm": "Area", "user": "anna", "password": "pw7"}})");
    U->ShowMessages = {mPasswordRequest};
    struct Case {
        bool ok;
        Strings events;
    };
    for (const Case& c : {Case{false, {"Aborted"}}, Case{true, {"NoUpdate"}}}) {
        SCOPED_TRACE(c.ok ? "OK" : "Cancel");
        Events.clear();
        int dialogs = 0;
        std::unique_ptr<TTimer> timer;
        TslSelfUpdaterPasswordForm::OnDialogCreated = [&](TslSelfUpdaterPasswordForm* form) {
            ++dialogs;
            timer = std::make_unique<TTimer>(nullptr);
            timer->SetInterval(150);
            timer->SetOnTimer([&, form](TObject*) {
                timer->SetEnabled(false);
                form->UsernameEdit->SetText("anna");
                form->PasswordEdit->SetText("pw7");
                PostMessageW((c.ok ? form->OKBtn : form->CancelBtn)->Handle(), BM_CLICK, 0, 0);
            });
        };
        Check();
        TslSelfUpdaterPasswordForm::OnDialogCreated = nullptr;
        EXPECT_EQ(dialogs, 1);
        EXPECT_EQ(Events, c.events);
    }
    EXPECT_EQ(U->HTTPUsername(), "anna") << "the entered name is kept for the next request";
}

// Only files whose size changed: an unchanged file beside the program is skipped before anything is written.
TEST_F(SelfUpdaterTest, MiscFilesOnlyIfSizeDifferent)
{
    Serve("a.bin", "aaa");
    Serve("b.bin", "bbb");
    WriteFile(Folder + "a.bin", "a");    // changed size
    WriteFile(Folder + "b.bin", "old");  // same size
    Info("12/01/2026", {Base + "a.bin", Base + "b.bin"});
    U->ShowMessages = {};
    U->MiscFilesUpgrade = mfuOnlyIfSizeDifferent;
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 2 ", "FileStart a.bin 3", "FileDone a.bin.uTMP", "FileStart b.bin 3",
                               "EndUpgrade"}));
    EXPECT_TRUE(Exists(Folder + "a.bin.uTMP"));
    EXPECT_FALSE(Exists(Folder + "b.bin.uTMP")) << "the unchanged file is not fetched";
    DeleteFileA((Folder + "a.bin").c_str());
    DeleteFileA((Folder + "b.bin").c_str());
}

// Sets the remote-access value the "connected" test reads (missing: the key is removed).
void SetRemoteConnection(int value)
{
    const char* key = "System\\CurrentControlSet\\Services\\RemoteAccess";
    if (value < 0) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        return;
    }
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), ERROR_SUCCESS);
    const BYTE data[4] = {static_cast<BYTE>(value), 0, 0, 0};
    RegSetValueExA(h, "Remote Connection", 0, REG_BINARY, data, sizeof data);
    RegCloseKey(h);
}

// The automatic check: once, after its delay, only while connected, silent; a host it cannot reach is tried again.
TEST_F(SelfUpdaterTest, AutomaticCheckRunsWhenConnectedAndRetriesSilently)
{
    Info("06/27/2006", {Base + "a.bin"});
    U->ShowMessages = {mNoUpdateAvailable, mHostUnreachable};
    U->AutoCheckDelay = 300;
    TBoxAnswerer boxes(1);

    SetRemoteConnection(0);
    U->SetAutoCheck(true);
    PumpFor(1500);
    EXPECT_EQ(Count(Requests(), "\"/update.inf\""), 0) << "no check while not connected";

    SetRemoteConnection(1);
    ASSERT_TRUE(PumpUntil([&] { return !Events.empty(); }, 5000)) << "the check ran once connected";
    PumpFor(1500);
    EXPECT_EQ(Events, (Strings{"NoUpdate"})) << "one check, not one per delay";
    EXPECT_TRUE(boxes.Titles.empty()) << "the automatic check is silent";

    // A host it cannot reach: nothing shown, and the check is tried again after the delay.
    U->SetAutoCheck(false);
    Events.clear();
    auto second = std::make_unique<TslSelfUpdater>(nullptr);
    second->InfoFileURL = std::string("http://") + SL_UPDATE_HOST + ":9/update.inf";
    second->ShowMessages = {mHostUnreachable};
    second->AutoCheckDelay = 300;
    int unreachable = 0;
    second->OnHostUnreachable = [&](TObject*, const std::string&, const std::string&) { ++unreachable; };
    second->SetAutoCheck(true);
    EXPECT_TRUE(PumpUntil([&] { return unreachable >= 2; }, 8000)) << "tried again after the delay";
    second->SetAutoCheck(false);
    second.reset();
    EXPECT_TRUE(boxes.Titles.empty()) << "an automatic check that cannot reach the host shows nothing";
    SetRemoteConnection(-1);
}

// A program that cannot start its replacer (this test carries none) stays running and says why.
TEST_F(SelfUpdaterTest, RestartThatCannotHappenKeepsTheProgramRunning)
{
    Serve("a.bin", "aaa");
    Info("12/01/2026", {Base + "a.bin"});
    U->ShowMessages = {};
    U->OnEndUpgrade = [this](TObject*, bool&) { Log("EndUpgrade"); };
    bool closedByComponent = false;
    U->OnDoOwnCloseAppMethod = [&](TObject*) { closedByComponent = true; };
    TBoxAnswerer boxes(1);
    Check();
    EXPECT_EQ(Events, (Strings{"BeginUpgrade 0 1 ", "FileStart a.bin 3", "FileDone a.bin.uTMP", "EndUpgrade"}));
    ASSERT_EQ(boxes.Texts.size(), 1u) << "the user is told";
    EXPECT_NE(boxes.Texts[0].find("could not be installed"), std::string::npos) << boxes.Texts[0];
    EXPECT_FALSE(closedByComponent) << "no close without a replacer to finish the job";
    EXPECT_FALSE(Application.TerminateRequested());
    EXPECT_EQ(ReadFile(Folder + "a.bin.uTMP"), "aaa") << "the download stays for a later attempt";
}

} // namespace
} // namespace skyloom
