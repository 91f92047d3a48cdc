#pragma once

// The engine's three event taps: scroll and gesture, clicks, keys. Each is
// made once, disabled, on first use; setTapEnabled switches it on and
// switchTapOff off again.

#include "platform/EventTaps.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace corv::engine {

// A tap and its run-loop source; both 0 when the tap could not be made.
struct TapSlot {
    platform::EventTapId tap = 0;
    platform::RunLoopSourceId source = 0;
};

// The program's own handler behind a tap callback: the event to let through
// (possibly changed) or nothing to swallow it.
using TapHandler =
    std::function<std::optional<platform::Event>(platform::TapProxy proxy, std::uint32_t type, platform::Event event)>;

// ScrollWheel, Gesture, DockControl.
inline constexpr std::uint64_t kGestureTapMask = 0x60400000;
// Left and right mouse down, up and dragged.
inline constexpr std::uint64_t kClickTapMask = 0xDE;
// KeyDown, KeyUp, FlagsChanged.
inline constexpr std::uint64_t kKeyTapMask = 0x1C00;

// An active tap at the session, appended at the tail, for the mask; made
// disabled, with its run-loop source. The recorders' capture taps use it too.
TapSlot createEventTap(std::uint64_t mask, platform::TapCallback callback);

// Enables the tap and puts its source on the main run loop (once). Does
// nothing unless both are there.
void setTapEnabled(const TapSlot& slot);
// Takes the source off the main run loop and disables the tap.
void switchTapOff(const TapSlot& slot);

class EngineTaps {
public:
    static EngineTaps& shared();
    EngineTaps();

    const TapSlot& gestureTap();
    const TapSlot& clickTap();
    const TapSlot& keyTap();
    // The key tap, when it was made.
    const TapSlot* madeKeyTap() const { return key_ ? &*key_ : nullptr; }

    // The handlers the tap callbacks hand their events to. Until the taps'
    // own handlers are installed, each lets every event through and switches
    // its tap on again after a time-out.
    TapHandler gestureHandler;
    TapHandler clickHandler;
    TapHandler keyHandler;

private:
    std::optional<TapSlot> gesture_;
    std::optional<TapSlot> click_;
    std::optional<TapSlot> key_;
};

const TapSlot& gestureTap();
const TapSlot& clickTap();
const TapSlot& keyTap();

// The callbacks given to the platform: each hands its arguments to its handler.
std::optional<platform::Event> gestureTapCallback(platform::TapProxy proxy, std::uint32_t type, platform::Event event);
std::optional<platform::Event> clickTapCallback(platform::TapProxy proxy, std::uint32_t type, platform::Event event);
std::optional<platform::Event> keyTapCallback(platform::TapProxy proxy, std::uint32_t type, platform::Event event);

} // namespace corv::engine
