#pragma once

// The names of the user's Shortcuts.

#include "platform/Bytes.h"

#include <functional>
#include <string>
#include <vector>

namespace corv::engine {

struct ShortcutList {
    // Written whole, on the main thread.
    std::vector<std::string> names;

    static ShortcutList& shared();
};

inline constexpr const char* kShortcutsTool = "/usr/bin/shortcuts";

// Runs "shortcuts list" without blocking; `done` gets the names on the main
// queue, an empty list on any failure.
void fetchShortcutNames(std::function<void(std::vector<std::string>)> done);
// Fetches the names into `ShortcutList::shared().names`.
void refreshShortcutNames();

// The text without its leading and trailing spaces and tabs.
std::string trimSpacesAndTabs(const std::string& text);

// The non-empty lines of the tool's output, trimmed of spaces and tabs;
// nothing when the output is not UTF-8.
std::vector<std::string> parseShortcutNames(const Bytes& output);

} // namespace corv::engine
