#pragma once

// The application under the pointer (or the one activated last), and the key
// of `Apps.a` under which its bindings are looked up. Main thread.

#include "platform/Accessibility.h"
#include "platform/Workspace.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corv::engine {

struct CurrentApp {
    // Bundle identifier, else bundle path, else localized name; empty when
    // no application was found.
    std::string bundleId;
    std::int32_t pid = -1;
    std::uint32_t windowId = 0;
    // Made when a window of `pid` is searched.
    std::optional<platform::AXElement> axApp;
    // `bundleId` when `Apps.a` holds an enabled entry for it, else "".
    std::string settingsKey;

    static CurrentApp& shared();
};

// The running application last resolved under the pointer.
std::optional<platform::RunningApplication>& currentRunningApp();

// `bundleId` when `Apps.a` holds an enabled entry for it, else "".
std::string settingsKeyFor(const std::string& bundleId);

} // namespace corv::engine
