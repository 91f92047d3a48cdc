#pragma once

// The one handle through which synthetic HID system events are posted.

#include "platform/HidSystem.h"

#include <cstdint>

namespace corv::engine {

class HIDPostManager {
public:
    // Made on first use, on the main thread; opens the handle.
    static HIDPostManager& shared();

    HIDPostManager();
    ~HIDPostManager();
    HIDPostManager(const HIDPostManager&) = delete;
    HIDPostManager& operator=(const HIDPostManager&) = delete;

    // 0 when the handle could not be opened.
    platform::HidHandle systemHandle = 0;
};

// The key code of the modifier marker; no real key has it.
inline constexpr std::uint16_t kModifierMarkerKeyCode = 0xBEEF;

// Posts the modifier marker: a flags-changed HID system event with the marker
// key code, announcing the modifiers held on Logitech keyboards (0 releases
// them). Nothing happens while the handle is not open.
void postModifierMarker(std::uint32_t flags);

} // namespace corv::engine
