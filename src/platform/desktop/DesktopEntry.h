#pragma once

// Desktop-entry files as far as autostart needs them: the Exec= key that
// starts a program, with the format's string escapes and argument quoting.

#include <optional>
#include <string>
#include <string_view>

namespace corv::desktop {

// The Exec= value that starts the program with no arguments.
std::string execValueFor(const std::string& program);

// The program (first argument) of the Exec= key of the [Desktop Entry]
// group; nothing when there is none or it cannot be parsed.
std::optional<std::string> execProgramOf(std::string_view entryText);

// False when the entry says it is not to be started (Hidden=true, or
// X-GNOME-Autostart-enabled=false).
bool autostartEnabled(std::string_view entryText);

// A whole autostart entry that starts the program at login.
std::string autostartEntryFor(const std::string& program);

} // namespace corv::desktop
