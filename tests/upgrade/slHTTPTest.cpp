// The transfer component against tools/updateserver on loopback, inside a private network namespace
// (netns-updateserver.sh). Each test writes the served files and the control file, runs one or more transfers and
// compares the events that arrived, in order.
#include "slHTTP.h"

#include "Forms.h"
#include "TestSupport.h"
#include "UpdateServerFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace skyloom {
namespace {

using namespace testing_update;

class HTTPTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Base = ServerBase();
        if (Base.empty())
            GTEST_SKIP() << "needs the update server (run through netns-updateserver.sh)";
        Work = WinPath(Env("SL_UPDATE_WORK"));
        Out = Work + "\\out-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
        DeleteFileA(Out.c_str());
        Control("{}");
        WriteFile(Work + "\\requests.log", "");
        Http = std::make_unique<TslCustomHTTP>(nullptr);
        Http->Timeouts.ReceiveTimeout = 5000;
        Http->OnHeaderInfo = [this](TObject*, std::int32_t code, const std::string&, const std::string&,
                                    const std::string&, const std::string&, std::int64_t length, const std::string&,
                                    TDateTime, TDateTime modified, TDateTime, const std::string&, bool& cont) {
            Log("HeaderInfo " + std::to_string(code) + " " + std::to_string(length));
            LastModified = modified;
            cont = ContinueDownload;
        };
        Http->OnProgress = [this](TObject*, const std::string&, std::int64_t size, std::int64_t read, std::int32_t,
                                  std::int32_t left, std::uint8_t pct, float, TStream*) {
            ++Progress;
            LastRead = read;
            if (size != 0 && (pct > 100 || left < 0 || read > size))
                Log("BadProgress");
            if (!FileName.empty())
                AttributesSeen = GetFileAttributesA(FileName.c_str());
            if (OnProgressHook)
                OnProgressHook();
        };
        Http->OnDone = [this](TObject*, const std::string&, std::int64_t size, TStream* s) {
            Log("Done " + std::to_string(size));
            if (s) {
                std::string data(static_cast<std::size_t>(s->Size()), '\0');
                s->ReadBuffer(data.data(), s->Size());
                Memory = data;
            }
        };
        Http->OnConnLost = [this](TObject*, const std::string&, std::int64_t size, std::int64_t read, TStream*) {
            Log("ConnLost " + std::to_string(size) + " " + std::to_string(read));
        };
        Http->OnHTTPError = [this](TObject*, std::int32_t code, TStream* s) {
            Log("HTTPError " + std::to_string(code));
            if (s) {
                std::string data(static_cast<std::size_t>(s->Size()), '\0');
                s->ReadBuffer(data.data(), s->Size());
                Memory = data;
            }
        };
        Http->OnHostUnreachable = [this](TObject*) { Log("HostUnreachable"); };
        Http->OnAlreadyDownloaded = [this](TObject*) { Log("AlreadyDownloaded"); };
        Http->OnFailed = [this](TObject*) { Log("Failed"); };
        Http->OnAborted = [this](TObject*) { Log("Aborted"); };
        Http->OnDownloadCancelled = [this](TObject*) { Log("Cancelled"); };
    }
    void TearDown() override
    {
        Http.reset();
        if (HasFailure() || Env("SL_SHOW_EVENTS") == "1")
            std::printf("[%s] events: %s\n", ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                        Joined().c_str());
        // The requests, as the server saw them, for the record of a failed test.
        if (HasFailure())
            std::printf("requests:\n%s", ReadFile(Work + "\\requests.log").c_str());
    }

    void Log(const std::string& e) { Events.push_back(e); }
    std::string Joined() const
    {
        std::string s;
        for (const auto& e : Events)
            s += (s.empty() ? "" : ", ") + e;
        if (Progress)
            s += " (" + std::to_string(Progress) + " progress)";
        return s;
    }
    void Control(const std::string& json) { WriteFile(Work + "\\www\\control.json", json); }
    void Serve(const std::string& name, const std::string& data) { WriteFile(Work + "\\www\\" + name, data); }
    std::string Requests() { return ReadFile(Work + "\\requests.log"); }
    bool Download()
    {
        Http->FileName = FileName;
        return Http->Download(true);
    }

    std::string Work, Base, Out, FileName, Memory;
    std::unique_ptr<TslCustomHTTP> Http;
    std::vector<std::string> Events;
    int Progress = 0;
    std::int64_t LastRead = 0;
    DWORD AttributesSeen = 0;
    TDateTime LastModified = 0;
    bool ContinueDownload = true;
    std::function<void()> OnProgressHook;
};

using Strings = std::vector<std::string>;

TEST_F(HTTPTransferTest, WholeReplyIntoMemoryAndIntoAFile)
{
    const std::string data = Body(100000, 1);
    Serve("app.bin", data);
    Control(R"({"/app.bin": {"last_modified": "Tue, 15 Nov 1994 08:12:31 GMT"}})");
    Http->URL = Base + "app.bin";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 100000", "Done 100000"}));
    EXPECT_EQ(Memory, data) << "the memory stream holds the body byte for byte";
    EXPECT_GT(Progress, 0);
    EXPECT_EQ(LastRead, 100000);
    EXPECT_NE(LastModified, 0.0) << "Last-Modified is read";
    EXPECT_EQ(Requests().find("\"Range\": \"") , std::string::npos) << "a plain download asks for no range";
    EXPECT_NE(Requests().find("slHTTP component"), std::string::npos) << "the agent is sent";

    // Wine keeps only the read-only, hidden, system and archive attributes, so the incomplete mark is "hidden" here.
    Events.clear();
    FileName = Out;
    Http->OutputFileAttributes.Incomplete = TslFileAttributes{atrArchive, atrHidden};
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 100000", "Done 100000"}));
    EXPECT_EQ(ReadFile(Out), data);
    EXPECT_TRUE(AttributesSeen & FILE_ATTRIBUTE_HIDDEN) << "the file is marked incomplete while it is written";
    const DWORD after = GetFileAttributesA(Out.c_str());
    EXPECT_FALSE(after & FILE_ATTRIBUTE_HIDDEN) << "and complete afterwards";
    EXPECT_TRUE(after & FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(HTTPTransferTest, UrlWithoutSchemeGetsHttp)
{
    Serve("info.txt", "hello");
    Http->URL = Base.substr(7) + "info.txt";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 5", "Done 5"}));
    EXPECT_EQ(Memory, "hello");
}

TEST_F(HTTPTransferTest, ErrorStatusKeepsItsBodyAndCreatesNoFile)
{
    Control(R"({"/missing.bin": {"mode": "404"}})");
    Http->URL = Base + "missing.bin";
    FileName = Out;
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 404 35", "HTTPError 404", "Failed"}));
    EXPECT_NE(Memory.find("Not found"), std::string::npos) << "the error body reaches OnHTTPError";
    EXPECT_FALSE(Exists(Out)) << "no output file for an error status";
}

TEST_F(HTTPTransferTest, RefusedConnectionIsAnUnreachableHost)
{
    // A port on loopback where nothing listens.
    Http->URL = std::string("http://") + SL_UPDATE_HOST + ":9/x.bin";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HostUnreachable", "Failed"}));
    EXPECT_EQ(Http->StatusCode(), -1);
}

TEST_F(HTTPTransferTest, CutConnectionIsLostAndKeepsThePartialFile)
{
    Serve("cut.bin", Body(50000, 2));
    Control(R"({"/cut.bin": {"mode": "cut", "after": 20000}})");
    Http->URL = Base + "cut.bin";
    FileName = Out;
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 50000", "ConnLost 50000 20000", "Failed"}));
    EXPECT_EQ(ReadFile(Out), Body(50000, 2).substr(0, 20000)) << "the partial file stays for a resume";
}

TEST_F(HTTPTransferTest, ReadThatFailsWithoutAnnouncedLengthIsLostNotDone)
{
    Serve("stall.bin", Body(3000, 3));
    Control(R"({"/stall.bin": {"mode": "stall", "no_length": true, "seconds": 20}})");
    Http->URL = Base + "stall.bin";
    Http->Timeouts.ReceiveTimeout = 1000;
    FileName = Out;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(Download());
    EXPECT_LT(GetTickCount() - start, 15000u) << "the receive timeout ends a stalled transfer";
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 0", "ConnLost 0 0", "Failed"}));
}

TEST_F(HTTPTransferTest, ResumeContinuesTheFileAfterCheckingItsTail)
{
    const std::string data = Body(60000, 4);
    Serve("r.bin", data);
    WriteFile(Out, data.substr(0, 25000));
    Http->URL = Base + "r.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->ResumeDownload());
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 206 60000", "Done 60000"}));
    EXPECT_EQ(ReadFile(Out), data);
    EXPECT_NE(Requests().find("bytes=20904-"), std::string::npos) << "asks from one buffer before the end";
}

TEST_F(HTTPTransferTest, ResumeOfAServerThatIgnoresRangesRewritesTheFile)
{
    const std::string data = Body(30000, 5);
    Serve("i.bin", data);
    Control(R"({"/i.bin": {"mode": "ignore-range"}})");
    WriteFile(Out, data.substr(0, 10000) + "trailing junk that must go");
    Http->URL = Base + "i.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->ResumeDownload());
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 30000", "Done 30000"}));
    EXPECT_EQ(ReadFile(Out), data) << "the file starts again from byte 0";
}

TEST_F(HTTPTransferTest, ResumeWithADifferentTailStartsFromZero)
{
    const std::string data = Body(30000, 6);
    Serve("m.bin", data);
    std::string old = data.substr(0, 12000);
    old[11000] ^= 0x55; // inside the last buffer's worth
    WriteFile(Out, old);
    Http->URL = Base + "m.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->ResumeDownload());
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 206 30000", "HeaderInfo 200 30000", "Done 30000"}));
    EXPECT_EQ(ReadFile(Out), data);
    const std::string log = Requests();
    EXPECT_NE(log.find("bytes=7904-"), std::string::npos);
    EXPECT_NE(log.find("\"Range\": null"), std::string::npos) << "the second request asks for the whole file";
}

TEST_F(HTTPTransferTest, UnsatisfiableRangeOnACompleteFileIsAlreadyDownloaded)
{
    const std::string data = Body(20000, 7);
    Serve("c.bin", data);
    Control(R"({"/c.bin": {"mode": "416"}})");
    WriteFile(Out, data);
    Http->URL = Base + "c.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->ResumeDownload());
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
    EXPECT_EQ(Events, (Strings{"Failed", "AlreadyDownloaded"}));
    EXPECT_EQ(ReadFile(Out), data) << "the complete file is left alone";
    EXPECT_NE(Requests().find("bytes=0-"), std::string::npos) << "the full length is asked for";

    // A range that starts at the full length, into memory: the same outcome.
    Events.clear();
    Http->FileName.clear();
    ASSERT_TRUE(Http->DownloadRange(20000, 0, true));
    EXPECT_EQ(Events, (Strings{"Failed", "AlreadyDownloaded"}));
}

TEST_F(HTTPTransferTest, PasswordRequestRetriesWithBasicCredentials)
{
    Serve("p.bin", "secret body");
    Control(R"({"/p.bin": {"mode": "401", "realm": "Skyloom updates", "user": "anna", "password": "pw1"}})");
    Http->URL = Base + "p.bin";
    std::string realm;
    int asked = 0;
    bool retry = true;
    Http->OnPasswordRequest = [&](TObject*, const std::string& r, bool& tryAgain) {
        realm = r;
        ++asked;
        Http->SetHTTPUsername("anna");
        Http->SetHTTPPassword("pw1");
        tryAgain = retry;
    };
    ASSERT_TRUE(Download());
    EXPECT_EQ(realm, "Skyloom updates");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 11", "Done 11"}));
    EXPECT_EQ(Memory, "secret body");
    EXPECT_NE(Requests().find("Basic YW5uYTpwdzE="), std::string::npos) << "the retry carries the credentials";

    // Without a retry the 401 is an HTTP error. (The library remembers accepted credentials per server and realm
    // and offers them by itself, so this asks in another realm for another user.)
    Events.clear();
    retry = false;
    Serve("q.bin", "other body");
    Control(R"({"/q.bin": {"mode": "401", "realm": "Other", "user": "bob", "password": "pw2"}})");
    Http->URL = Base + "q.bin";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 401 35", "HTTPError 401", "Failed"}));
}

TEST_F(HTTPTransferTest, ProxyAuthenticationRetriesWithTheProxyCredentials)
{
    Serve("x.bin", "through the proxy");
    Control(R"({"/x.bin": {"mode": "407", "user": "proxyuser", "password": "pp"}})");
    Http->URL = Base + "x.bin";
    Http->Proxy.AccessType = atUseProxy;
    Http->Proxy.ProxyServer = "127.0.0.1";
    Http->Proxy.ProxyPort = std::atoi(Env("SL_UPDATE_PORT").c_str());
    int asked = 0;
    Http->OnProxyAuthenticationRequest = [&](TObject*, std::string& user, std::string& password, bool& tryAgain) {
        ++asked;
        user = "proxyuser";
        password = "pp";
        tryAgain = true;
    };
    ASSERT_TRUE(Download());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 17", "Done 17"}));
    EXPECT_EQ(Memory, "through the proxy");
    EXPECT_NE(Requests().find("\"Proxy-Authorization\": \"Basic cHJveHl1c2VyOnBw\""), std::string::npos)
        << "the retry carries the proxy credentials";
    EXPECT_EQ(Http->Proxy.ProxyUsername, "proxyuser") << "the handler's answer stays in the settings";
}

TEST_F(HTTPTransferTest, LocalFileURLs)
{
    const std::string data = Body(9000, 15);
    const std::string source = Work + "\\local-source.bin";
    WriteFile(source, data);
    std::string url = "file:///" + source;
    for (char& c : url)
        if (c == '\\')
            c = '/';
    Http->URL = url;
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"Done 9000"})) << "local files get no header event";
    EXPECT_EQ(Memory, data);

    Events.clear();
    Http->URL = "file:///" + Work + "/no-such-file.bin";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HTTPError 404", "Failed"}));
}

TEST_F(HTTPTransferTest, DestroyingTheComponentDuringATransferNeitherHangsNorReports)
{
    Serve("t.bin", Body(40000, 16));
    Control(R"({"/t.bin": {"mode": "trickle", "chunk": 1000, "interval": 0.1}})");
    Http->URL = Base + "t.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->Download(false));
    ASSERT_TRUE(PumpUntil([&] { return Progress >= 1; }, 10000));
    const DWORD start = GetTickCount();
    Http.reset();
    EXPECT_LT(GetTickCount() - start, 2000u) << "destruction does not wait for the transfer";
    PumpFor(500);
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 40000"})) << "no event after the component went";
    EXPECT_TRUE(Exists(Out)) << "the partial file stays";
}

TEST_F(HTTPTransferTest, PlainAbortDuringATrickleDeletesThePartialFile)
{
    Serve("t.bin", Body(40000, 8));
    Control(R"({"/t.bin": {"mode": "trickle", "chunk": 1000, "interval": 0.1}})");
    Http->URL = Base + "t.bin";
    Http->FileName = Out;
    FileName = Out;
    ASSERT_TRUE(Http->Download(false));
    ASSERT_TRUE(PumpUntil([&] { return Progress >= 2; }, 10000));
    EXPECT_TRUE(Http->Busy());
    Http->Abort(true, false);
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 5000));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 40000", "Aborted"}));
    EXPECT_FALSE(Exists(Out)) << "the abort asked for the partial file to go";
    EXPECT_TRUE(PumpUntil([&] { return !Http->Busy(); }, 3000));
}

TEST_F(HTTPTransferTest, ImmediateAbortReportsAtOnceAndDeletesTheFileOnceTheWorkerLetsGo)
{
    Serve("t.bin", Body(40000, 9));
    Control(R"({"/t.bin": {"mode": "trickle", "chunk": 1000, "interval": 0.1}})");
    Http->URL = Base + "t.bin";
    Http->FileName = Out;
    ASSERT_TRUE(Http->Download(false));
    ASSERT_TRUE(PumpUntil([&] { return Progress >= 2; }, 10000));
    const DWORD start = GetTickCount();
    Http->Abort(true, true);
    EXPECT_LT(GetTickCount() - start, 2000u) << "an immediate abort does not wait for the transfer";
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 40000", "Aborted"})) << "OnAborted fires before Abort returns";
    EXPECT_FALSE(Http->InProgress());
    EXPECT_TRUE(PumpUntil([&] { return !Exists(Out); }, 5000)) << "the partial file goes once the worker let go";
    PumpFor(300);
    EXPECT_EQ(Events.size(), 2u) << "nothing follows the abort";

    // The component is usable again at once.
    Control("{}");
    Events.clear();
    Http->FileName.clear();
    ASSERT_TRUE(Http->Download(true));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 40000", "Done 40000"}));
}

TEST_F(HTTPTransferTest, ImmediateAbortDoesNotWaitForAReadBlockedOnAStalledServer)
{
    Serve("s.bin", Body(5000, 17));
    Control(R"({"/s.bin": {"mode": "stall", "seconds": 3}})");
    Http->URL = Base + "s.bin";
    Http->FileName = Out;
    Http->Timeouts.ReceiveTimeout = 0; // the library's own, long, limit
    bool headers = false;
    Http->OnHeaderInfo = [&](TObject*, std::int32_t, const std::string&, const std::string&, const std::string&,
                             const std::string&, std::int64_t, const std::string&, TDateTime, TDateTime, TDateTime,
                             const std::string&, bool&) { headers = true; };
    ASSERT_TRUE(Http->Download(false));
    ASSERT_TRUE(PumpUntil([&] { return headers; }, 10000));
    PumpFor(300); // the worker is now blocked in its first read
    ASSERT_TRUE(Exists(Out));
    DWORD start = GetTickCount();
    Http->Abort(true, true);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(Events, (Strings{"Aborted"}));
    start = GetTickCount();
    // Under Wine closing the request's handle does not end a read already blocked in it (Windows ends it): the
    // worker lets go of the file when the read returns, here when the server gives up after 3 s.
    EXPECT_TRUE(PumpUntil([&] { return !Exists(Out); }, 10000));
    PumpFor(200);
    EXPECT_EQ(Events, (Strings{"Aborted"})) << "nothing follows the abort";
    std::printf("partial file gone %lu ms after the abort\n", static_cast<unsigned long>(GetTickCount() - start));
}

TEST_F(HTTPTransferTest, StalledServerEndsByTheTimeouts)
{
    Serve("s.bin", Body(5000, 10));
    Control(R"({"/s.bin": {"mode": "stall", "headers": false, "seconds": 30}})");
    Http->URL = Base + "s.bin";
    Http->Timeouts.ReceiveTimeout = 1000;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(Download());
    EXPECT_LT(GetTickCount() - start, 15000u);
    EXPECT_EQ(Events, (Strings{"HostUnreachable", "Failed"}));
}

TEST_F(HTTPTransferTest, WaitTimeoutLetsTheWorkerGoWithoutEvents)
{
    Serve("s.bin", Body(5000, 11));
    Control(R"({"/s.bin": {"mode": "stall", "seconds": 30}})");
    Http->URL = Base + "s.bin";
    Http->WaitTimeout = 1500;
    int asked = 0;
    Http->OnWaitTimeoutExpired = [&](TObject*, bool& terminate) {
        ++asked;
        EXPECT_TRUE(terminate);
    };
    EXPECT_FALSE(Http->Download(true)) << "a waiting start that runs out answers false";
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Http->InProgress());
    PumpFor(500);
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 5000"})) << "no end-of-transfer events after the wait ran out";
}

TEST_F(HTTPTransferTest, SecondStartIsRefusedWhileBusy)
{
    Serve("t.bin", Body(6000, 12));
    Control(R"({"/t.bin": {"mode": "trickle", "chunk": 1000, "interval": 0.1}})");
    Http->URL = Base + "t.bin";
    ASSERT_TRUE(Http->Download(false));
    EXPECT_FALSE(Http->Download(false)) << "refused while in progress";
    EXPECT_FALSE(Http->ResumeDownload());
    ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 6000", "Done 6000"}));
}

// The worker winds down for a moment after handing over the end of its transfer; that moment is not "busy", and
// a start right after the last event is not refused for it.
TEST_F(HTTPTransferTest, NextTransferStartsRightAfterThePreviousOneEnded)
{
    Serve("s.bin", "small");
    Http->URL = Base + "s.bin";
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(Http->Download(false)) << "start number " << i << " was refused";
        ASSERT_TRUE(PumpUntil([&] { return !Http->InProgress(); }, 10000));
        EXPECT_FALSE(Http->Busy()) << "still busy after transfer number " << i << " had ended";
    }
    ASSERT_TRUE(Http->DownloadRange(0, 0, true)) << "a waiting start right after the end";
    EXPECT_EQ(std::count(Events.begin(), Events.end(), "Done 5"), 11) << Joined();
}

TEST_F(HTTPTransferTest, HeaderHandlerCancelsBeforeAnyFileIsCreated)
{
    Serve("a.bin", Body(1000, 13));
    Http->URL = Base + "a.bin";
    FileName = Out;
    ContinueDownload = false;
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 1000", "Cancelled"}));
    EXPECT_FALSE(Exists(Out));
}

TEST_F(HTTPTransferTest, FailuresOfTheOutputAreReportedNotHidden)
{
    Serve("big.bin", Body(300000, 14));
    Http->URL = Base + "big.bin";
    Http->MaxMemoryBody = 100000;
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 300000", "Failed"})) << "a memory body past its cap fails";
    EXPECT_NE(Http->LastError().find("larger than"), std::string::npos) << Http->LastError();

    Events.clear();
    FileName = Work + "\\no such folder\\out.bin";
    ASSERT_TRUE(Download());
    EXPECT_EQ(Events, (Strings{"HeaderInfo 200 300000", "Failed"})) << "an output file that cannot be opened fails";
    EXPECT_NE(Http->LastError().find("Cannot create file"), std::string::npos) << Http->LastError();
}

TEST_F(HTTPTransferTest, StatusAndRedirectReachTheirHandlers)
{
    Serve("to.bin", "moved");
    Control(R"({"/from.bin": {"mode": "redirect", "location": "/to.bin"}})");
    Http->URL = Base + "from.bin";
    std::string redirected;
    std::vector<std::string> texts;
    Http->OnRedirect = [&](TObject*, const std::string& url) { redirected = url; };
    Http->OnStatus = [&](TObject*, std::uint32_t, const std::string& text) { texts.push_back(text); };
    ASSERT_TRUE(Download());
    EXPECT_EQ(Memory, "moved");
    EXPECT_NE(redirected.find("to.bin"), std::string::npos) << "redirect seen: '" << redirected << "'";
    EXPECT_FALSE(texts.empty());
}

TEST_F(HTTPTransferTest, FileTimesAreSetInUTC)
{
    WriteFile(Out, "x");
    const TDateTime local = EncodeDate(2024, 3, 1) + EncodeTime(12, 0, 0, 0);
    ASSERT_TRUE(SetFileTimesFromLocal(Out, local));
    WIN32_FILE_ATTRIBUTE_DATA d{};
    ASSERT_TRUE(GetFileAttributesExA(Out.c_str(), GetFileExInfoStandard, &d));
    FILETIME lft{};
    FileTimeToLocalFileTime(&d.ftLastWriteTime, &lft);
    SYSTEMTIME st{};
    FileTimeToSystemTime(&lft, &st);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wHour, 12) << "the local time reads back as given";
}

} // namespace
} // namespace skyloom
