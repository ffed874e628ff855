// The rules of the replacer that need no platform: the command line the program starts it with (built by the
// program, read back by the replacer) and the plan of which downloaded file goes where. Portable.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

// What the replacer is asked to do.
struct TslReplacerCommand {
    std::string ProgramPath;    // the program's full path
    std::string RestartParams;  // the parameter text the program is started again with (" " for none)
    bool ExternalSetup = false; // the first downloaded executable is a setup to run, not the new program
};

// The replacer's command line: both paths in double quotes, a blank, "+", the restart parameters and the method
// digit ("0" self upgrade, "1" external setup), e.g.
//     "C:\Temp\slReplacer.exe" "C:\My  Apps+\skyloom.exe" +/afterupgrade0
// Quoting keeps blanks, two blanks in a row and "+" in either path. Empty when a path is empty or holds a double
// quote or a control character (no file name can), so that no path can end the quoted text early.
std::string ReplacerCommandLine(std::string_view replacerPath, const TslReplacerCommand& command);

enum TslReplacerCommandKind { rcNoArguments, rcInvalid, rcValid };

// Reads a command line as ReplacerCommandLine builds it; the first word (the replacer's own path, quoted or not)
// is passed over. Also reads the unquoted form "program +params0", where the program path ends at the first "+"
// and loses the blank before it. The method digit is the last character that is not a blank; anything but "0" or
// "1" there makes the line invalid, and so does a missing "+" or a missing or empty program path.
TslReplacerCommandKind ParseReplacerCommandLine(std::string_view commandLine, TslReplacerCommand& command);

// The command line that starts the program again: its path in double quotes, a blank and the restart parameters.
std::string RestartCommandLine(std::string_view programPath, std::string_view restartParams);

// The extension of a download that is not complete yet, and whether a file name carries it (in any case).
inline constexpr std::string_view ReplacerTempExtension = ".uTMP";
bool IsReplacerTempName(std::string_view name);
// The file a download replaces: its name less the extension; empty for a name that is no download's.
std::string_view ReplacerTargetName(std::string_view downloadName);
// Whether a target is taken for an executable when no download is named like the program (lower-case "exe" only).
inline bool IsExecutableTarget(std::string_view target) { return target.ends_with("exe"); }

// The resource (name and type) under which a build of the program carries the replacer.
inline constexpr char ReplacerResourceName[] = "SLUPG";

// Whether bytes hold a whole Windows program image: its headers read, it says it is an executable, and the data
// of every section lies inside the bytes. A download cut short, or a page of text saved under the program's name,
// is none; bytes after the last section are allowed.
bool IsCompleteExecutable(std::span<const std::uint8_t> bytes);

// A "*.uTMP" file found beside the program.
struct TslReplacerFile {
    std::string Name;          // as stored on disk
    bool Incomplete = false;   // still carries the attributes of a transfer in progress (hidden or temporary)
    bool ProgramBuild = false; // a whole executable of this program (it carries the replacer), whatever its name
};

// One file to move into place: Source ("x.uTMP") replaces Target in the program's folder.
struct TslReplacerMove {
    std::string Source;
    std::string Target;
    bool IsProgram = false; // Target is the program's own file
    bool Hidden = false;    // the external setup: hidden + archive, not archive alone
};

struct TslReplacerPlan {
    std::vector<TslReplacerMove> Moves;  // in the order of the file names (case-insensitive, then byte order)
    std::vector<std::string> Skipped;    // incomplete downloads left where they are
    std::string Refused;                 // a download named like the program that is no build of it; left there
    std::string SetupName;               // the external setup to run and delete afterwards; empty when none
};

// Which download goes where. programName is the program's file name as stored on disk. A download named like the
// program replaces it; when there is none (complete or not), the first complete download whose target name ends
// in "exe" either becomes the program (self upgrade) or is the setup to run (external setup).
// Only a build of the program ever takes the program's place: a download named like the program that is none (cut
// short, or an error page a proxy answered with) is refused and the program kept; with a self upgrade, the first
// executable that stands in for a renamed program's download must be a build too, so that a tool or an uninstaller
// that came with an upgrade whose program file was skipped keeps its own name instead of overwriting the program.
TslReplacerPlan PlanReplacement(std::vector<TslReplacerFile> files, std::string_view programName, bool externalSetup);

} // namespace skyloom
