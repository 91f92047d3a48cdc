#pragma once

// The user's preference domains of other programs and of the system, and the
// system's version.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace corv::platform {

inline constexpr const char* kGlobalDomain = "NSGlobalDomain";
inline constexpr const char* kAnyApplication = "kCFPreferencesAnyApplication";

// A stored value; the monostate stands for a type none of the others fits.
using PrefValue = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

struct SystemVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
};

// Ends its watch when destroyed.
class PreferenceWatch {
public:
    virtual ~PreferenceWatch() = default;
};

class Preferences {
public:
    virtual ~Preferences() = default;
    // The value of the key in the domain for the current user; nothing when
    // absent.
    virtual std::optional<PrefValue> copyAppValue(const std::string& key, const std::string& domain) = 0;
    // Makes values just written by others visible.
    virtual void synchronize(const std::string& domain) = 0;
    // The user's Library folder; nothing when there is none.
    virtual std::optional<std::string> userLibraryDirectory() = 0;
    virtual SystemVersion systemVersion() = 0;

    // Whether the system keeps the trackpad settings (tap to click, natural
    // scrolling) in a store of its own rather than in preference files,
    // answering them under the trackpad domains whatever its version.
    virtual bool keepsTrackpadSettings() { return false; }
    // That store's changes: `changed` runs on the main thread, once or more
    // for one change; null when there is no such store.
    virtual std::unique_ptr<PreferenceWatch> watchTrackpadSettings(std::function<void()> changed) {
        (void)changed;
        return nullptr;
    }
};

} // namespace corv::platform
