#pragma once

// Desktop-entry files: the keys of the [Desktop Entry] group, and the Exec=
// key that starts a program, with the format's string escapes, argument
// quoting and field codes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corv::desktop {

// The Exec= value that starts the program with no arguments.
std::string execValueFor(const std::string& program);

// The program (first argument) of the Exec= key of the [Desktop Entry]
// group; nothing when there is none or it cannot be parsed.
std::optional<std::string> execProgramOf(std::string_view entryText);

// The value of a key of the [Desktop Entry] group, string escapes undone;
// nothing when absent.
std::optional<std::string> entryValue(std::string_view entryText, std::string_view key);

// The arguments the Exec= key starts, the targets (files or URLs) put in for
// the field codes: %f and %u take the first, %F and %U all, each as one
// argument; the others are dropped. No shell ever sees them. Nothing when
// there is no Exec= key or it cannot be parsed.
std::optional<std::vector<std::string>> execArgumentsOf(std::string_view entryText,
                                                        const std::vector<std::string>& targets = {});

// Whether the entry is listed on the desktops named (colon-separated, as in
// $XDG_CURRENT_DESKTOP): OnlyShowIn= must name one of them, NotShowIn= none.
bool shownOnDesktops(std::string_view entryText, std::string_view currentDesktops);

// False when the entry says it is not to be started (Hidden=true, or
// X-GNOME-Autostart-enabled=false).
bool autostartEnabled(std::string_view entryText);

// A whole autostart entry that starts the program at login.
std::string autostartEntryFor(const std::string& program);

} // namespace corv::desktop
