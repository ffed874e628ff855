#include "TrayStatus.h"

#include "Controls.h"
#include "TrayIcon.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace skyloom {
namespace {

namespace fs = std::filesystem;

class TrayStatusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() /
              ("skyloom-traystatus-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Form = new TForm(nullptr);
        Form->BeginLoading();
        Tray = new TTrayIcon(Form);
        Tray->SetHint("Skyloom");
        Tray->SetIconVisible(true);
        Form->FinishLoading();
        Tray->SetIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    }

    void TearDown() override
    {
        delete Form;
        fs::remove_all(Dir);
    }

    std::unique_ptr<TTrayStatus> Make(bool showState, bool notify, const std::string& log)
    {
        TTrayStatusSettings s;
        s.ShowState = showState;
        s.Notify = notify;
        s.OutageLogPath = log;
        return std::make_unique<TTrayStatus>(*Form, *Tray, s);
    }

    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path Dir;
    TForm* Form = nullptr;
    TTrayIcon* Tray = nullptr;
};

const std::regex OutageLine(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d;\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d;\d+)");

TEST_F(TrayStatusTest, EveryOutageIsAppendedAndOneRunningAtExitEndsThere)
{
    const fs::path log = Dir / "outages.log";
    { std::ofstream(log, std::ios::binary) << "kept;as;is\r\n"; }
    auto status = Make(false, false, log.string());
    EXPECT_EQ(status->LogState(), TOutageLogState::olIdle);
    status->StatusShown(true);
    status->StatusShown(true);
    EXPECT_EQ(status->LogLines(), 0) << "no outage yet";
    status->StatusShown(false);
    status->StatusShown(false);
    status->StatusShown(true);
    ASSERT_TRUE(status->WaitForLog(5000));
    EXPECT_EQ(status->LogLines(), 1);
    EXPECT_EQ(status->LogState(), TOutageLogState::olWritten);
    const std::string first = Read(log);
    status->StatusShown(false);
    status.reset();  // the program ends offline
    const std::string text = Read(log);
    EXPECT_EQ(text.rfind(first, 0), 0u) << "earlier lines stay as they were:\n" << text;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "kept;as;is\r");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(std::getline(lines, line)) << "outage line " << i + 1 << " missing:\n" << text;
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r') << "CR LF line ends";
        line.pop_back();
        EXPECT_TRUE(std::regex_match(line, OutageLine)) << line;
    }
    EXPECT_FALSE(std::getline(lines, line)) << "one line per outage:\n" << text;
}

TEST_F(TrayStatusTest, ALogThatCannotBeOpenedIsSkippedQuietly)
{
    for (const fs::path& log : {Dir / "missing folder" / "outages.log", Dir}) {
        auto status = Make(false, false, log.string());
        status->StatusShown(false);
        status->StatusShown(true);
        ASSERT_TRUE(status->WaitForLog(5000));
        EXPECT_EQ(status->LogState(), TOutageLogState::olUnwritable) << log;
        EXPECT_EQ(status->LogFailures(), 1) << log;
        status->StatusShown(false);
        status->StatusShown(true);
        ASSERT_TRUE(status->WaitForLog(5000));
        EXPECT_EQ(status->LogFailures(), 2) << log << ": every outage tries again";
        EXPECT_EQ(status->LogLines(), 0) << log;
    }
    EXPECT_FALSE(fs::exists(Dir / "missing folder")) << "no folder is made for the log";
}

TEST_F(TrayStatusTest, MarkAndTooltipChangeOnlyWithTheState)
{
    auto status = Make(true, false, "");
    EXPECT_EQ(status->MarkShown(), TLinkState::lsChecking);
    EXPECT_EQ(std::string(Tray->TrayRecord().szTip), WideToAnsi(L"Skyloom \u2013 Checking connection..."));
    const HICON checking = Tray->TrayRecord().hIcon;
    ASSERT_NE(checking, nullptr);
    EXPECT_EQ(status->MarkSize(), GetSystemMetrics(SM_CXSMICON));

    status->StatusShown(true);
    EXPECT_EQ(status->MarkShown(), TLinkState::lsOnline);
    const std::string online = Tray->TrayRecord().szTip;
    EXPECT_EQ(online.rfind(WideToAnsi(L"Skyloom \u2013 ONLINE since "), 0), 0u) << online;
    const HICON green = Tray->TrayRecord().hIcon;
    EXPECT_NE(green, checking);
    for (int i = 0; i < 20; ++i)
        status->StatusShown(true);
    EXPECT_EQ(Tray->TrayRecord().hIcon, green) << "a repeated state draws nothing";

    status->StatusShown(false);
    EXPECT_EQ(status->MarkShown(), TLinkState::lsOffline);
    EXPECT_NE(Tray->TrayRecord().hIcon, green);
    const std::string offline = Tray->TrayRecord().szTip;
    EXPECT_EQ(offline.rfind(WideToAnsi(L"Skyloom \u2013 OFFLINE since "), 0), 0u) << offline;

    // The mark's colour is in the icon the shell gets.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(Tray->TrayRecord().hIcon, &info));
    const int size = status->MarkSize();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(size), pixels.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    const int mid = size - (size * 9 + 8) / 16 / 2 - 1;
    EXPECT_EQ(pixels[static_cast<std::size_t>(mid * size + mid)] & 0xFFFFFF, 0xFF0000u) << "red in the mark's middle";
}

TEST_F(TrayStatusTest, WithoutTheStateKeyTheIconAndTooltipStay)
{
    const HICON before = Tray->TrayRecord().hIcon;
    auto status = Make(false, true, "");
    status->StatusShown(true);
    status->StatusShown(false);
    EXPECT_STREQ(Tray->TrayRecord().szTip, "Skyloom");
    EXPECT_EQ(Tray->TrayRecord().hIcon, before);
    EXPECT_TRUE(status->Balloons().empty()) << "no change has lasted 5 s";
    EXPECT_EQ(status->LogState(), TOutageLogState::olOff);
}

} // namespace
} // namespace skyloom
