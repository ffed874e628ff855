// The rules of the update check that need no platform: reading the information file, the release dates and
// version numbers, the newer-or-not decision, the texts of the upgrade question and of the password request, and
// which addresses the updater is willing to open or download. Portable.
#pragma once

#include "SysUtils.h"

#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

enum TslSelfUpdaterVersionControl { byDate, byNumber };
enum TslUpgradeMethod { umSelfUpgrade, umUseExternalSetup, umRedirectToURL };

// One value of an information file, looked up by key (without the "="; letters in any case). A single-line value
// ends before the first byte below 32, a multi-line value ("key={...}") before the first "}"; either also ends
// where the text ends, not counting one final line break. An absent key gives an empty value; nothing is trimmed.
std::string InfoFileValue(std::string_view text, std::string_view key, bool multiLine = false);

// Everything the check reads from an information file.
struct TslInfoFileContents {
    std::vector<std::string> Files; // "#url", "#url0", then "#url<n>" numbered on from the files already taken
    // Parallel to Files: the Base64 publisher signature of each file, from the key numbered like the file's own
    // ("#sig" for "#url", "#sig0" for "#url0", "#sig<n>" for "#url<n>"); empty when absent.
    std::vector<std::string> Signatures;
    std::string Version;            // "#version"
    std::string Date;               // "#date"
    std::string Message;            // "#message={...}"
    TslUpgradeMethod Method = umSelfUpgrade; // "#method": "1" external setup, "2" redirect, else self upgrade
};
TslInfoFileContents ReadInfoFile(std::string_view text);

// The method named by the first character of a "#method" value.
TslUpgradeMethod UpgradeMethodFromText(std::string_view value);

// A release date "month/day/year" (each a decimal number; the year taken literally); today for anything that does
// not form a valid date.
TDateTime ReadReleaseDate(std::string_view text, TDateTime today);

// Compares two dotted version numbers by their first four numeric parts (missing parts are 0, numbers of any
// length); when a part of either side is not a number the whole texts are compared byte by byte. <0, 0 or >0.
int CompareVersions(std::string_view a, std::string_view b);

// Whether the published release is newer than the running build: by version number (strictly greater) or by date
// (the running build's date strictly earlier; a missing or unreadable date counts as today).
bool IsNewerRelease(TslSelfUpdaterVersionControl control, const TslInfoFileContents& info,
                    std::string_view versionNumber, std::string_view versionDate, TDateTime today);

// The text of the upgrade question: question (a format with two "%s": the title, the release notes) filled with
// the application title, where a title holding defaultTitle (when that is not empty) is replaced by placeholderTitle,
// and the release notes wrapped as a line feed, the notes, "[DEF]" and a line feed (nothing when empty).
std::string UpgradeQuestionText(std::string_view question, std::string_view appTitle, std::string_view defaultTitle,
                                std::string_view placeholderTitle, std::string_view upgradeMsg);

// The text of the password request: request (a format with one "%s" in double quotes and bold markup) filled with
// fileName; with hideLocation the quoted placeholder and the character before it are cut out instead.
std::string PasswordRequestText(std::string_view request, std::string_view fileName, bool hideLocation);

// Whether a URL is an http or https address with a host.
bool IsWebAddress(std::string_view url);
// The single argument that opens a redirect address in the browser: the URL in double quotes. Empty when the URL
// is not a web address or holds a double quote or a control character, so that it cannot pass other arguments.
std::string RedirectArgument(std::string_view url);
// Whether a listed file may be downloaded: a web address whose file name is a plain file name (not empty, no
// drive, no "." or "..", no reserved device name, none of the characters a file name cannot hold).
bool IsDownloadableFileURL(std::string_view url);

// The restart argument as stored: an empty one becomes one blank, so that the restarted program still gets an
// argument to recognise.
std::string RestartParamsValue(std::string_view value);

// What the automatic check knows about the machine before it decides whether it is connected.
struct TslConnectionFacts {
    bool NTFamily = true;
    int MajorVersion = 0, MinorVersion = 0;
    bool RemoteAccessKeyReadable = false;     // HKLM "System\CurrentControlSet\Services\RemoteAccess"
    bool RemoteConnectionReadable = false;    // its value "Remote Connection"
    unsigned char RemoteConnectionFirstByte = 0;
    std::string LocalAddress;                 // the local host name's address, empty when it does not resolve
};
// Connected: on NT 3.x, 4.0, 5.0 and 5.1, or when the remote-access value cannot be read, the local host name
// resolves to an address other than 127.0.0.1; otherwise the value's first byte is 1.
bool IsConnected(const TslConnectionFacts& facts);

} // namespace skyloom
