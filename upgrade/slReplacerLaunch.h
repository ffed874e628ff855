// The program's side of the replacer: the program carries slReplacer.exe as its resource "SLUPG" of type "SLUPG",
// writes it to the temporary folder at the end of an upgrade and starts it; the next start deletes it. Win32.
#pragma once

#include "slSelfUpdaterCore.h"

#include <string>

namespace skyloom {

// The system's temporary folder + "slReplacer.exe" (taken once, at the first call).
std::string ReplacerPath();

// Deletes ReplacerPath() if a previous upgrade left it.
void DeleteLeftoverReplacer();

// Writes the embedded replacer to path (created anew, temporary attribute). false with a reason when the program
// carries no replacer or the file cannot be written; a file written in part is deleted.
bool WriteReplacer(const std::string& path, std::string& error);

// Writes the embedded replacer to ReplacerPath() and starts it for programPath with the restart parameters (already
// through RestartParamsValue) and the method. false with a reason when it could not be written or started: then
// nothing was started and the caller stays running and tells the user.
bool LaunchReplacer(const std::string& programPath, const std::string& restartParams, TslUpgradeMethod method,
                    std::string& error);

} // namespace skyloom
