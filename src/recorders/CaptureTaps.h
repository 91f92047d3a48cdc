#pragma once

// The recorders' two event taps: the key-capture tap (on while a row is
// highlighted) and the gesture-capture tap (on while the trackpad tab shows).
// Each is made once, disabled; a tap the system disables for a time-out is
// switched on again while it is meant to run.

#include "engine/EngineTaps.h"

#include <cstdint>
#include <optional>

namespace corv::recorders {

// KeyDown, KeyUp, FlagsChanged.
inline constexpr std::uint64_t kKeyRecorderTapMask = 0x1C00;
// Gesture, DockControl.
inline constexpr std::uint64_t kGestureRecorderTapMask = 0x60000000;

class CaptureTaps {
public:
    static CaptureTaps& shared();

    const engine::TapSlot& keyRecorderTap();
    const engine::TapSlot& gestureRecorderTap();

private:
    std::optional<engine::TapSlot> key_;
    std::optional<engine::TapSlot> gesture_;
};

// Made on first use.
const engine::TapSlot& makeKeyRecorderTap();
const engine::TapSlot& makeGestureRecorderTap();

// The only place the key-capture tap is switched.
void switchKeyRecorderTap(bool on);
void switchGestureRecorderTap(bool on);

// The callbacks given to the platform.
std::optional<platform::Event> keyRecorderTapCallback(platform::TapProxy proxy, std::uint32_t type,
                                                      platform::Event event);
std::optional<platform::Event> gestureRecorderTapCallbackEntry(platform::TapProxy proxy, std::uint32_t type,
                                                               platform::Event event);

} // namespace corv::recorders
