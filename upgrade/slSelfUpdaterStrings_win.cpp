#include "slSelfUpdaterStrings_win.h"

#include "Controls.h"

#include <windows.h>

namespace skyloom {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the table's UTF-16 is handed to the system as it is");

// The block follows the system's language from program start until a language is selected.
[[maybe_unused]] const bool gDetectedAtStart = (SetSelfUpdaterBlockLanguage(DetectSelfUpdaterLanguage()), true);

} // namespace

unsigned SystemLanguageId()
{
    // The system's language rather than the user's interface language: its texts always fit the code page the
    // question and the notices are written in.
    return GetSystemDefaultLangID();
}

TslSelfUpdaterLanguage DetectSelfUpdaterLanguage()
{
    return SelfUpdaterLanguageForLangId(SystemLanguageId());
}

TslSelfUpdaterLanguage SelectSelfUpdaterLanguage(TslSelfUpdaterLanguage language)
{
    SetSelfUpdaterBlockLanguage(language == wlAuto ? DetectSelfUpdaterLanguage() : language);
    return SelfUpdaterBlockLanguage();
}

std::wstring SelfUpdaterTextW(int offset)
{
    return U16ToWide(SelfUpdaterText(offset));
}

std::wstring SelfUpdaterStringW(int id)
{
    return U16ToWide(SelfUpdaterString(id));
}

std::string SelfUpdaterCaption(int offset)
{
    return WideToAnsi(SelfUpdaterTextW(offset));
}

std::string SelfUpdaterStringCaption(int id)
{
    return WideToAnsi(SelfUpdaterStringW(id));
}

} // namespace skyloom
