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
inline constexpr std::uint32_t SenderRegistryId = platform::field::SenderRegistryId;
inline constexpr std::uint32_t ScrollIsContinuous = platform::field::ScrollIsContinuous;
inline constexpr std::uint32_t ScrollFixedDeltaAxis1 = platform::field::ScrollFixedDeltaAxis1;  // double
inline constexpr std::uint32_t ScrollFixedDeltaAxis2 = platform::field::ScrollFixedDeltaAxis2;  // double
inline constexpr std::uint32_t ScrollPointDeltaAxis1 = platform::field::ScrollPointDeltaAxis1;
inline constexpr std::uint32_t ScrollPointDeltaAxis2 = platform::field::ScrollPointDeltaAxis2;
// Scroll phase of a scroll-wheel event.
inline constexpr std::uint32_t ScrollPhase = platform::field::ScrollPhase;
// HID event subtype of a gesture event (CGEventSubType).
inline constexpr std::uint32_t GestureSubtype = platform::field::GestureSubtype;
inline constexpr std::uint32_t ZoomValue = platform::field::ZoomValue;      // double
inline constexpr std::uint32_t RotationValue = platform::field::RotationValue;  // double
// 4 back, 8 forward, 0 on the closing event.
inline constexpr std::uint32_t NavigationSwipeDirection = 115;
inline constexpr std::uint32_t ScrollGestureDeltaX = platform::field::ScrollGestureDeltaX;  // double
inline constexpr std::uint32_t ScrollGestureDeltaY = platform::field::ScrollGestureDeltaY;  // double
// 1 left/right, 2 down/up, 3 pinch/spread, 4 rotation.
inline constexpr std::uint32_t DockSwipeMotion = platform::field::DockSwipeMotion;
inline constexpr std::uint32_t DockSwipeProgress = platform::field::DockSwipeProgress;  // double, signed
inline constexpr std::uint32_t DockSwipeVelocity = platform::field::DockSwipeVelocity;  // double; ended or cancelled only
inline constexpr std::uint32_t GesturePhase = platform::field::GesturePhase;
inline constexpr std::uint32_t ForceStage = platform::field::ForceStage;
} // namespace EventField

// Values of the gesture and scroll phase fields.
namespace Phase {
inline constexpr std::int64_t None = platform::gesturePhase::None;
inline constexpr std::int64_t Began = platform::gesturePhase::Began;
inline constexpr std::int64_t Changed = platform::gesturePhase::Changed;
inline constexpr std::int64_t Ended = platform::gesturePhase::Ended;
inline constexpr std::int64_t Cancelled = platform::gesturePhase::Cancelled;
inline constexpr std::int64_t MayBegin = platform::gesturePhase::MayBegin;
} // namespace Phase

} // namespace corv::engine
