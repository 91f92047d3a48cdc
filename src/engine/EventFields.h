#pragma once

// The event fields the engine and the recorders read and write. Integer
// fields go through the integer accessors, double fields through the double
// ones. The gesture fields are the window server's private ones.

#include "platform/Event.h"

#include <cstdint>

namespace corv::engine {

namespace EventField {
inline constexpr std::uint32_t MouseClickState = platform::field::MouseClickState;      // integer
inline constexpr std::uint32_t MouseButtonNumber = platform::field::MouseButtonNumber;  // integer
inline constexpr std::uint32_t KeyboardAutorepeat = platform::field::KeyboardAutorepeat;
inline constexpr std::uint32_t KeyboardKeycode = platform::field::KeyboardKeycode;
inline constexpr std::uint32_t ScrollDeltaAxis1 = platform::field::ScrollDeltaAxis1;  // vertical lines
inline constexpr std::uint32_t ScrollDeltaAxis2 = platform::field::ScrollDeltaAxis2;  // horizontal lines
// The event type of the record.
inline constexpr std::uint32_t RecordType = platform::field::RecordType;
// Registry entry id of the device that sent the event.
inline constexpr std::uint32_t SenderRegistryId = 87;
inline constexpr std::uint32_t ScrollIsContinuous = platform::field::ScrollIsContinuous;
inline constexpr std::uint32_t ScrollFixedDeltaAxis1 = platform::field::ScrollFixedDeltaAxis1;  // double
inline constexpr std::uint32_t ScrollFixedDeltaAxis2 = platform::field::ScrollFixedDeltaAxis2;  // double
inline constexpr std::uint32_t ScrollPointDeltaAxis1 = platform::field::ScrollPointDeltaAxis1;
inline constexpr std::uint32_t ScrollPointDeltaAxis2 = platform::field::ScrollPointDeltaAxis2;
// Scroll phase of a scroll-wheel event.
inline constexpr std::uint32_t ScrollPhase = 99;
// HID event subtype of a gesture event (CGEventSubType).
inline constexpr std::uint32_t GestureSubtype = 110;
inline constexpr std::uint32_t ZoomValue = 113;      // double
inline constexpr std::uint32_t RotationValue = 114;  // double
// 4 back, 8 forward, 0 on the closing event.
inline constexpr std::uint32_t NavigationSwipeDirection = 115;
inline constexpr std::uint32_t ScrollGestureDeltaX = 118;  // double
inline constexpr std::uint32_t ScrollGestureDeltaY = 119;  // double
// 1 left/right, 2 down/up, 3 pinch/spread, 4 rotation.
inline constexpr std::uint32_t DockSwipeMotion = 123;
inline constexpr std::uint32_t DockSwipeProgress = 124;  // double, signed
inline constexpr std::uint32_t DockSwipeVelocity = 129;  // double; ended or cancelled only
inline constexpr std::uint32_t GesturePhase = 132;
inline constexpr std::uint32_t ForceStage = 143;
} // namespace EventField

// Values of the gesture and scroll phase fields.
namespace Phase {
inline constexpr std::int64_t None = 0;
inline constexpr std::int64_t Began = 1;
inline constexpr std::int64_t Changed = 2;
inline constexpr std::int64_t Ended = 4;
inline constexpr std::int64_t Cancelled = 8;
inline constexpr std::int64_t MayBegin = 128;
} // namespace Phase

} // namespace corv::engine
