// The string table at the Win32 edge: the block detected from the system's language at start, non-Latin blocks
// reaching a window exactly, and the ANSI captions of the framework.
#include "Controls.h"
#include "slSelfUpdaterStrings_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace skyloom;

namespace {

// Sets the text of a real window and reads it back.
std::wstring ThroughWindow(const std::wstring& text)
{
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!wnd)
        return L"(no window)";
    SetWindowTextW(wnd, text.c_str());
    std::wstring back(static_cast<std::size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    back.resize(static_cast<std::size_t>(GetWindowTextW(wnd, back.data(), static_cast<int>(back.size()))));
    DestroyWindow(wnd);
    return back;
}

} // namespace

// Runs first: nothing has selected a language yet.
TEST(SelfUpdaterStringsWin, TheSystemsLanguageSelectsTheBlockAtStart)
{
    EXPECT_EQ(SelfUpdaterBlockLanguage(), SelfUpdaterLanguageForLangId(SystemLanguageId()))
        << "system language id 0x" << std::hex << SystemLanguageId();
    // A run with a known system language (see the test's registration) names the block it expects.
    if (const char* expected = std::getenv("SL_EXPECT_SELFUPDATER_LANGUAGE")) {
        EXPECT_EQ(static_cast<int>(SelfUpdaterBlockLanguage()), std::atoi(expected))
            << "system language id 0x" << std::hex << SystemLanguageId();
    }
}

TEST(SelfUpdaterStringsWin, SelectingTheLanguageSwitchesTheBlockForTheProcess)
{
    EXPECT_EQ(SelectSelfUpdaterLanguage(wlRussian), wlRussian);
    EXPECT_EQ(SelfUpdaterTextW(sutYes), L"&\u0414\u0430");
    EXPECT_EQ(SelectSelfUpdaterLanguage(wlEnglish), wlEnglish);
    EXPECT_EQ(SelfUpdaterTextW(sutYes), L"&Yes");
    EXPECT_EQ(SelectSelfUpdaterLanguage(wlAuto), DetectSelfUpdaterLanguage());
    EXPECT_EQ(SelfUpdaterStringW(sustrEngravedName), L"SelfUpdater");
    EXPECT_EQ(SelfUpdaterStringCaption(sustrAppTitleTemplate), "<AppTitle>");
}

TEST(SelfUpdaterStringsWin, NonLatinBlocksReachAWindowExactly)
{
    const TslSelfUpdaterLanguage languages[] = {wlRussian, wlUkrainian, wlChineseTraditional, wlChineseSimplified,
                                                wlTurkish, wlIcelandic};
    for (TslSelfUpdaterLanguage lang : languages) {
        SelectSelfUpdaterLanguage(lang);
        for (int offset = 0; offset < SelfUpdaterBlockLength; ++offset) {
            const std::u16string_view expected = SelfUpdaterText(lang, offset);
            const std::wstring text = SelfUpdaterTextW(offset);
            ASSERT_EQ(text.size(), expected.size()) << "language " << lang << " offset " << offset;
            EXPECT_TRUE(std::equal(text.begin(), text.end(), expected.begin()))
                << "language " << lang << " offset " << offset;
            EXPECT_EQ(ThroughWindow(text), text) << "language " << lang << " offset " << offset;
        }
    }
    SelectSelfUpdaterLanguage(wlChineseSimplified);
    EXPECT_EQ(ThroughWindow(SelfUpdaterTextW(sutWizardCaption)), L"\u5E94\u7528\u7A0B\u5E8F\u66F4\u65B0\u5411\u5BFC");
    SelectSelfUpdaterLanguage(wlEnglish);
}

TEST(SelfUpdaterStringsWin, CaptionsComeInTheAnsiCodePage)
{
    SelectSelfUpdaterLanguage(wlGerman);
    EXPECT_EQ(AnsiToWide(SelfUpdaterCaption(sutLater)), L"&Sp\u00E4ter") << "code page " << GetACP();
    if (GetACP() == 1252) {
        EXPECT_EQ(SelfUpdaterCaption(sutLater), "&Sp\xE4ter");
    }
    SelectSelfUpdaterLanguage(wlEnglish);
    EXPECT_EQ(SelfUpdaterCaption(sutFileSize), "File size: %.1f Kb");
}
