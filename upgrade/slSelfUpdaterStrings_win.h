// The string table at the Win32 edge: the system's language, the process-wide block selection, and the texts as
// wide strings (for the system's own calls) or in the ANSI code page (for the framework's captions).
#pragma once

#include "slSelfUpdaterStrings.h"

#include <string>

namespace skyloom {

// The language identifier of the system (its locale's language, which its code page was made for).
unsigned SystemLanguageId();
// The block the system's language selects (English when none matches).
TslSelfUpdaterLanguage DetectSelfUpdaterLanguage();
// Makes a language's block the one in use for the whole process; wlAuto detects it from the system's language.
// Returns the block's language.
TslSelfUpdaterLanguage SelectSelfUpdaterLanguage(TslSelfUpdaterLanguage language);

// Texts of the block in use, and the shared strings by id.
std::wstring SelfUpdaterTextW(int offset);
std::wstring SelfUpdaterStringW(int id);
// A text of the block in use in the ANSI code page, as the framework's captions take it; characters the code page
// lacks come out as the system's default character.
std::string SelfUpdaterCaption(int offset);
std::string SelfUpdaterStringCaption(int id);

} // namespace skyloom
