#pragma once

// The desktop's own touchpad settings: GNOME's touchpad schema through
// GSettings, or KDE's touchpad files. Read on demand; followed through the
// settings' change signal or inotify on the configuration folder. Main thread.

#include "platform/Preferences.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corv::desktop {

inline constexpr const char* kGnomeTouchpadSchema = "org.gnome.desktop.peripherals.touchpad";
// KDE's files: kcminputrc for Wayland sessions, touchpadxlibinputrc for X11.
inline constexpr const char* kKdeInputFile = "kcminputrc";
inline constexpr const char* kKdeX11TouchpadFile = "touchpadxlibinputrc";

struct TouchpadSettings {
    std::optional<bool> tapToClick;
    std::optional<bool> naturalScroll;
    bool operator==(const TouchpadSettings&) const = default;
};

// One KDE file's touchpad values: in kcminputrc the [Libinput][…] groups of
// touchpads (TapToClick, NaturalScroll), in touchpadxlibinputrc every group
// (tapToClick, naturalScroll). The first group holding a key decides.
TouchpadSettings parseKdeTouchpadFile(std::string_view text, bool libinputGroups);

// Where the desktop keeps them: KDE when it is the session's desktop, else
// GNOME's schema when installed, else KDE's files when either exists.
enum class TouchpadStore { None, Gnome, Kde };

class DesktopTouchpadSettings {
public:
    // `configDir` empty: $XDG_CONFIG_HOME, else ~/.config.
    explicit DesktopTouchpadSettings(std::string configDir = {});
    ~DesktopTouchpadSettings();
    DesktopTouchpadSettings(const DesktopTouchpadSettings&) = delete;
    DesktopTouchpadSettings& operator=(const DesktopTouchpadSettings&) = delete;

    TouchpadStore store() const { return store_; }
    // The values now; a value the store does not hold is its default there.
    TouchpadSettings read() const;

    using Watch = platform::PreferenceWatch;
    // Calls `changed` on the main thread after the settings may have changed,
    // once or several times for one change; null without a store.
    std::unique_ptr<Watch> watch(std::function<void()> changed);

private:
    TouchpadSettings readStore() const;

    std::string configDir_;
    TouchpadStore store_ = TouchpadStore::None;
    void* gsettings_ = nullptr;  // GSettings*, for GNOME
    mutable std::optional<TouchpadSettings> traced_;  // the values last traced
};

} // namespace corv::desktop
