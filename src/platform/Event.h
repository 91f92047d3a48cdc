#pragma once

// A window-server input event as a value: type, flags, location, timestamp,
// and fields addressed by number. Integer and double fields share one store:
// reading a field with the other accessor converts its value.

#include "platform/Bytes.h"
#include "platform/Point.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace corv::platform {

using EventFlags = std::uint64_t;

// Event types the platform itself gives meaning to.
namespace eventType {
inline constexpr std::uint32_t Null = 0;
inline constexpr std::uint32_t KeyDown = 10;
inline constexpr std::uint32_t KeyUp = 11;
inline constexpr std::uint32_t FlagsChanged = 12;
inline constexpr std::uint32_t SystemDefined = 14;
inline constexpr std::uint32_t ScrollWheel = 22;
inline constexpr std::uint32_t Gesture = 29;
inline constexpr std::uint32_t DockControl = 30;
// Notices a tap callback receives in place of an event type.
inline constexpr std::uint32_t TapDisabledByTimeout = 0xFFFFFFFE;
inline constexpr std::uint32_t TapDisabledByUserInput = 0xFFFFFFFF;
} // namespace eventType

// Public field numbers the creation helpers write.
namespace field {
inline constexpr std::uint32_t MouseClickState = 1;
inline constexpr std::uint32_t MouseButtonNumber = 3;
inline constexpr std::uint32_t KeyboardAutorepeat = 8;
inline constexpr std::uint32_t KeyboardKeycode = 9;
inline constexpr std::uint32_t ScrollDeltaAxis1 = 11;
inline constexpr std::uint32_t ScrollDeltaAxis2 = 12;
// Reading or writing this field reads or writes the event's type.
inline constexpr std::uint32_t RecordType = 55;
inline constexpr std::uint32_t ScrollIsContinuous = 88;
inline constexpr std::uint32_t ScrollFixedDeltaAxis1 = 93;
inline constexpr std::uint32_t ScrollFixedDeltaAxis2 = 94;
inline constexpr std::uint32_t ScrollPointDeltaAxis1 = 96;
inline constexpr std::uint32_t ScrollPointDeltaAxis2 = 97;
// The window server's private fields of gesture events.
inline constexpr std::uint32_t SenderRegistryId = 87;
inline constexpr std::uint32_t ScrollPhase = 99;
inline constexpr std::uint32_t GestureSubtype = 110;
inline constexpr std::uint32_t ZoomValue = 113;      // double
inline constexpr std::uint32_t RotationValue = 114;  // double
inline constexpr std::uint32_t ScrollGestureDeltaX = 118;  // double
inline constexpr std::uint32_t ScrollGestureDeltaY = 119;  // double
inline constexpr std::uint32_t DockSwipeMotion = 123;
inline constexpr std::uint32_t DockSwipeProgress = 124;  // double
inline constexpr std::uint32_t DockSwipeVelocity = 129;  // double
inline constexpr std::uint32_t GesturePhase = 132;
inline constexpr std::uint32_t ForceStage = 143;
} // namespace field

// Subtypes of gesture events (field GestureSubtype).
namespace gestureSubtype {
inline constexpr std::int64_t Translation = 4;
inline constexpr std::int64_t Rotation = 5;
inline constexpr std::int64_t Scroll = 6;
inline constexpr std::int64_t Zoom = 8;
inline constexpr std::int64_t DockSwipe = 23;
inline constexpr std::int64_t Force = 32;
} // namespace gestureSubtype

// Values of the gesture and scroll phase fields.
namespace gesturePhase {
inline constexpr std::int64_t None = 0;
inline constexpr std::int64_t Began = 1;
inline constexpr std::int64_t Changed = 2;
inline constexpr std::int64_t Ended = 4;
inline constexpr std::int64_t Cancelled = 8;
inline constexpr std::int64_t MayBegin = 128;
} // namespace gesturePhase

enum class ScrollUnits : std::uint32_t { Pixel = 0, Line = 1 };

// The payload of a system-defined event (media and brightness keys).
struct SystemDefinedData {
    std::int16_t subtype = 0;
    std::int64_t data1 = 0;
    std::int64_t data2 = 0;
    std::int64_t windowNumber = 0;
    bool operator==(const SystemDefinedData&) const = default;
};

class Event {
public:
    // An empty event: type Null, no flags, no fields.
    Event() = default;

    static Event keyboard(std::uint16_t keyCode, bool keyDown);
    // A mouse event of the type at the location, for the button number.
    static Event mouse(std::uint32_t type, Point location, std::uint32_t button);
    static Event scrollWheel(ScrollUnits units, std::int32_t axis1, std::int32_t axis2);
    // timestampSeconds is the media time of the event.
    static Event systemDefined(Point location, EventFlags modifierFlags, double timestampSeconds,
                               SystemDefinedData data);

    std::uint32_t type() const { return type_; }
    void setType(std::uint32_t t) { type_ = t; }
    EventFlags flags() const { return flags_; }
    void setFlags(EventFlags f) { flags_ = f; }
    Point location() const { return location_; }
    void setLocation(Point p) { location_ = p; }
    // Nanoseconds.
    std::uint64_t timestamp() const { return timestamp_; }
    void setTimestamp(std::uint64_t t) { timestamp_ = t; }

    // An unset field reads 0.
    std::int64_t integerField(std::uint32_t field) const;
    void setIntegerField(std::uint32_t field, std::int64_t value);
    double doubleField(std::uint32_t field) const;
    void setDoubleField(std::uint32_t field, double value);
    bool hasField(std::uint32_t field) const;

    const SystemDefinedData& systemData() const { return system_; }
    void setSystemData(const SystemDefinedData& d) { system_ = d; }

    // Bytes that followed the event's record in the data it was made from.
    const Bytes& trailer() const { return trailer_; }

    // The record, then the trailer. The record states its own length, so
    // bytes appended to it are kept apart when the data is read back.
    Bytes serialize() const;
    // Nothing when the data does not start with a whole record.
    static std::optional<Event> fromData(const Bytes& data);

    bool operator==(const Event&) const = default;

private:
    struct Value {
        std::uint32_t number = 0;
        bool isDouble = false;
        std::int64_t integer = 0;
        double real = 0;
        bool operator==(const Value&) const = default;
    };
    // The fields in number order: inline while they are few, so that an
    // event is copied without allocating.
    class Fields {
    public:
        const Value* find(std::uint32_t number) const;
        void set(const Value& value);
        // Replaces them all; of values with one number the last counts.
        void assign(std::vector<Value> values);
        const Value* begin() const { return spill_.empty() ? held_.data() : spill_.data(); }
        const Value* end() const { return begin() + size(); }
        std::size_t size() const { return spill_.empty() ? count_ : spill_.size(); }
        bool operator==(const Fields& other) const;

    private:
        // Where a field of the number is or would go.
        template <class V>
        static V* place(V* first, V* last, std::uint32_t number);
        static constexpr std::size_t kHeld = 6;
        std::array<Value, kHeld> held_{};
        std::uint8_t count_ = 0;
        std::vector<Value> spill_;  // all of them, once there are more than kHeld
    };

    std::uint32_t type_ = eventType::Null;
    EventFlags flags_ = 0;
    Point location_;
    std::uint64_t timestamp_ = 0;
    Fields fields_;
    SystemDefinedData system_;
    Bytes trailer_;
};

} // namespace corv::platform
