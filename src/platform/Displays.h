#pragma once

// The displays: the active ones, their current modes, their UUIDs, the
// reconfiguration callback, and the screens the desktop lays out.

#include "platform/Rect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

using DisplayId = std::uint32_t;  // 0: none

struct DisplayMode {
    double refreshRate = 0;  // Hz; 0 when the display does not say
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    bool operator==(const DisplayMode&) const = default;
};

// Reconfiguration flags of a display.
namespace displayChange {
inline constexpr std::uint32_t BeginConfiguration = 0x1;
inline constexpr std::uint32_t Moved = 0x2;
inline constexpr std::uint32_t SetMain = 0x4;
inline constexpr std::uint32_t SetMode = 0x8;
inline constexpr std::uint32_t Add = 0x10;
inline constexpr std::uint32_t Remove = 0x20;
inline constexpr std::uint32_t Enabled = 0x100;
inline constexpr std::uint32_t Disabled = 0x200;
inline constexpr std::uint32_t Mirror = 0x400;
inline constexpr std::uint32_t Unmirror = 0x800;
inline constexpr std::uint32_t DesktopShapeChanged = 0x1000;
} // namespace displayChange

// Called on the main thread for each display of a configuration change.
using DisplayReconfigurationCallback = void (*)(DisplayId display, std::uint32_t flags, void* userInfo);

// A screen of the desktop.
struct Screen {
    Rect frame;
    std::string name;
    bool operator==(const Screen&) const = default;
};

class Displays {
public:
    virtual ~Displays() = default;
    // At most maxDisplays active displays; nothing when the query fails.
    virtual std::optional<std::vector<DisplayId>> activeDisplayList(std::uint32_t maxDisplays) = 0;
    // Nothing when the display's mode cannot be read.
    virtual std::optional<DisplayMode> currentMode(DisplayId display) = 0;
    // 0 when the text is not a UUID or no display has it.
    virtual DisplayId displayIdForUuid(const std::string& uuid) = 0;
    // False when the callback cannot be registered.
    virtual bool registerReconfigurationCallback(DisplayReconfigurationCallback callback, void* userInfo) = 0;
    virtual void removeReconfigurationCallback(DisplayReconfigurationCallback callback, void* userInfo) = 0;
    // The screens in the desktop's order; the first holds the menu bar.
    virtual std::vector<Screen> screens() = 0;
    // Puts the displays to sleep at once, as the system's own display-sleep
    // command does; does not wait.
    virtual void sleepDisplaysNow() = 0;
};

} // namespace corv::platform
