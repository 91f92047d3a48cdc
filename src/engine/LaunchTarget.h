#pragma once

// The "Url" action's target: a web address, a document, an application, a
// program with arguments, an AppleScript file or a Shortcut name. Main
// thread.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corv::engine {

enum class LaunchTargetKind : std::int64_t { None = 0, Document = 1, Executable = 2, Script = 3, Shortcut = 4 };

// The program part of a launch text, as written ("~" not expanded), and
// whether arguments follow it.
std::pair<std::string, bool> splitLaunchCommand(const std::string& text);

// What the text names.
LaunchTargetKind classifyLaunchTarget(const std::string& text);

// Whether the file starts like an executable: "#!" or a Mach-O magic number.
bool readFileHeader(const std::string& path);

// Classifies the text and starts it; failures are dropped.
void launchTarget(const std::string& text);

// A leading "~" or "~/" replaced by the home directory.
std::string expandTildeInPath(const std::string& path);

// The arguments of a command-line tail, split the way a shell splits words
// (blanks and newlines between them; single quotes, double quotes and
// backslashes quote) but with nothing expanded or run: "$(x)", backticks,
// "$HOME" and "~" stay as written. An unclosed quote runs to the end.
std::vector<std::string> splitArguments(const std::string& tail);

} // namespace corv::engine
