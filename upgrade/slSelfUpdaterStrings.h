// The self-upgrade's string table: three shared strings and one block of 31 texts per language, addressed like a
// string resource (ids 50997..50999, block base 51000 + 50 x (language number - 1), offsets 0..30).
//
// The texts are kept as UTF-16 literals in a UTF-8 source file: the compiler does the conversion once, so no code
// page of the running system can garble a non-Latin block (MSVC needs /utf-8 for that; GCC and Clang read UTF-8 by
// default). The Win32 side (slSelfUpdaterStrings_win.h) hands them out as wide strings.
#pragma once

#include <string_view>

namespace skyloom {

// A fixed type: a language number that comes from outside can be held and checked before it is used.
enum TslSelfUpdaterLanguage : int {
    wlAuto,
    wlEnglish,
    wlRussian,
    wlGerman,
    wlFrench,
    wlSpanish,
    wlPortuguese,
    wlPortugueseBrazilian,
    wlItalian,
    wlDutch,
    wlDanish,
    wlSwedish,
    wlFinnish,
    wlEstonian,
    wlUkrainian,
    wlPolish,
    wlCzech,
    wlHungarian,
    wlRomanian,
    wlCatalan,
    wlBasque,
    wlAfrikaans,
    wlChineseTraditional,
    wlChineseSimplified,
    wlIndonesian,
    wlMalay,
    wlIcelandic,
    wlTurkish,
    wlNorwegian,
};

inline constexpr int SelfUpdaterLanguageCount = 28;  // wlEnglish..wlNorwegian
inline constexpr int SelfUpdaterBlockLength = 31;    // offsets 0..30

// The shared strings.
inline constexpr int sustrAppTitleTemplate = 50997;  // "<AppTitle>"
inline constexpr int sustrDefaultAppTitle = 50998;   // the title an application carries when nobody gave it one
inline constexpr int sustrEngravedName = 50999;      // "SelfUpdater"

// Offsets within a block.
enum TslSelfUpdaterText {
    sutWizardCaption,        // "Application update wizard"
    sutDownloadingFiles,     // "Downloading files..."
    sutUpgradeCompleted,     // "Upgrade completed!"
    sutCurrentFile,          // "Current file"
    sutAllFiles,             // "All files"
    sutDownloadingFileFrom,  // "Downloading file from"
    sutFileSize,             // "File size: %.1f Kb"
    sutTransferRate,         // "Transfer rate: %.1f Kb/s"
    sutEstimatedTime,        // "Estimated time left: %d:%.2d:%.2d"
    sutDownloadingNofM,      // "Downloading %d of %d"
    sutCompletedNote,        // "The update of %s has been successfully completed...."
    sutEnterPassword,        // "Enter password"
    sutUserName,             // "User Name"
    sutPassword,             // "Password"
    sutYes,                  // "&Yes"
    sutNo,                   // "&No"
    sutOK,                   // "&OK"
    sutCancel,               // "&Cancel"
    sutNext,                 // "&Next >"
    sutLater,                // "&Later"
    sutWarning,              // "Warning"
    sutError,                // "Error"
    sutPreparing,            // "Preparing. . ."
    sutNewerVersion,         // "A newer version of [b]%s[] was released.\n%s\n..."
    sutNoNewerVersion,       // "Newer version not found. ..."
    sutNoInfoFile,           // "File which contains upgrade information was not found ..."
    sutHostUnreachable,      // "Host %s unreachable. ..."
    sutAbortQuestion,        // "The update is not completed.\nWould you like to abort upgrading?"
    sutLostFile,             // "File %s not found or inaccessible. ..."
    sutPasswordRequest,      // "Access to remote file \"[b]%s[]\" is password protected. ..."
    sutConnectionLost,       // "Connection with remote server lost. ..."
};

// First string id of a language's block; wlAuto and values outside the enumeration have none (-1).
int SelfUpdaterBlockBase(TslSelfUpdaterLanguage language);

// The language an operating-system language identifier selects (low 10 bits: primary language, the bits above:
// sub-language); English when no block matches.
TslSelfUpdaterLanguage SelfUpdaterLanguageForLangId(unsigned langId);

// A text by its string id (shared strings and every block); empty for an id the table does not hold.
std::u16string_view SelfUpdaterString(int id);

// A text of a language's block; empty for wlAuto, an unknown language or an offset outside 0..30.
std::u16string_view SelfUpdaterText(TslSelfUpdaterLanguage language, int offset);

// The block in use, one for the whole process (English until a language is selected).
TslSelfUpdaterLanguage SelfUpdaterBlockLanguage();
// Makes a concrete language's block the one in use; wlAuto and unknown values are ignored (the caller resolves
// wlAuto by detection first).
void SetSelfUpdaterBlockLanguage(TslSelfUpdaterLanguage language);
// A text of the block in use.
std::u16string_view SelfUpdaterText(int offset);

} // namespace skyloom
