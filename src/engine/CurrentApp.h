#pragma once

// The application under the pointer (or the one activated last), and the key
// of `Apps.a` under which its bindings are looked up. Main thread.

#include "platform/Accessibility.h"
#include "platform/Workspace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::engine {

struct CurrentApp {
    // Bundle identifier, else bundle path, else localized name; empty when
    // no application was found.
    std::string bundleId;
    std::int32_t pid = -1;
    std::uint32_t windowId = 0;
    // Made when a window of `pid` is searched.
    std::optional<platform::AXElement> axApp;
    // The key of the application's entry of `Apps.a` when it is enabled,
    // else "" (`settingsKeyFor`).
    std::string settingsKey;

    static CurrentApp& shared();
};

// The running application last resolved under the pointer.
std::optional<platform::RunningApplication>& currentRunningApp();

// The key of `Apps.a` whose entry is the application's: its id's, else the
// first of the programs its desktop entry starts that has one (the entry
// made while it had none); nothing when none has.
std::optional<std::string> appEntryKey(const std::string& bundleId, const std::vector<std::string>& entryPrograms);

// That key when its entry is enabled, else "".
std::string settingsKeyFor(const std::string& bundleId, const std::vector<std::string>& entryPrograms = {});

} // namespace corv::engine
