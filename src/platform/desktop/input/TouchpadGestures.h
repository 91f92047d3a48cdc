#pragma once

// A touchpad's multitouch slots (protocol B) turned into per-finger frames and
// the gesture events the taps read: two-finger scroll, pinch and rotation,
// three- and four-finger dock swipes, finger-counted taps and the stages of a
// clickpad press. Plain code over evdev events; no device, no thread.

#include "platform/Event.h"

#include <linux/input.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corv::desktop {

// Thresholds, in millimetres of finger travel unless marked.
namespace touchpadThreshold {
// A touch sequence is a tap when every finger lifted within this time...
inline constexpr std::uint64_t kTapMaxNs = 180'000'000;
// ...and none travelled further than this (both the desktop's own tap bounds).
inline constexpr double kTapMaxTravel = 1.3;
// Taps count from this many fingers: single-finger sequences are never held.
inline constexpr int kTapMinFingers = 2;
// Two fingers moving together this far start a scroll.
inline constexpr double kScrollStart = 2.5;
// Two fingers whose distance changes this much start a pinch or spread.
inline constexpr double kPinchStart = 6.0;
// Two fingers turning this many degrees about their centre start a rotation.
inline constexpr double kRotateStartDegrees = 12.0;
// Three or more fingers moving together this far start a dock swipe.
inline constexpr double kSwipeStart = 6.0;
// Three or more fingers whose mean spread changes this much start a dock pinch.
inline constexpr double kSwipePinchStart = 6.0;
// Scroll gesture deltas in points per millimetre.
inline constexpr double kScrollPointsPerMm = 10.0;
// Normalised pressure at which a press becomes a deep press, and below which it
// is an ordinary press again.
inline constexpr double kDeepPressOn = 0.75;
inline constexpr double kDeepPressOff = 0.6;
// Size assumed for a surface that reports no resolution.
inline constexpr double kDefaultWidthMm = 100.0;
inline constexpr double kDefaultHeightMm = 70.0;
} // namespace touchpadThreshold

struct AxisRange {
    int minimum = 0;
    int maximum = 0;
    int resolution = 0;  // units per millimetre; 0 when unknown
};

// What the recogniser needs of the device, read from its absinfo and properties.
struct TouchpadAxes {
    AxisRange x;
    AxisRange y;
    std::optional<AxisRange> pressure;    // ABS_MT_PRESSURE
    std::optional<AxisRange> touchMajor;  // ABS_MT_TOUCH_MAJOR
    int slotCount = 5;
};

struct Contact {
    int slot = 0;
    int trackingId = -1;
    double x = 0;  // 0 left .. 1 right
    double y = 0;  // 0 top .. 1 bottom
    std::optional<double> pressure;  // 0 .. 1
    std::optional<double> size;      // 0 .. 1
    bool operator==(const Contact&) const = default;
};

struct TouchFrame {
    std::uint64_t timeNs = 0;
    int fingerCount = 0;
    std::vector<Contact> contacts;  // by slot
};

// What one SYN_REPORT produced.
struct TouchpadReport {
    TouchFrame frame;
    // Gesture events for the taps, stamped with the frame time only: the
    // caller adds the sender, location and modifier flags.
    std::vector<platform::Event> events;
};

class TouchpadGestures {
public:
    explicit TouchpadGestures(const TouchpadAxes& axes);

    // One report for every SYN_REPORT in the events; events after the last
    // SYN_REPORT wait for the next call.
    std::vector<TouchpadReport> feed(std::span<const input_event> events);

    // After a SYN_DROPPED: forgets every contact and ends what was going on.
    // The events are for the taps, like those of feed().
    std::vector<platform::Event> reset(std::uint64_t timeNs);

    // The kind of gesture in progress, for tests and for the frame holding.
    enum class Kind { None, Undecided, Scroll, PinchRotate, DockSwipe };
    Kind kind() const { return kind_; }
    // True once the current touch sequence can no longer become a tap or a
    // gesture: its frames need not wait for the taps.
    bool decided() const { return kind_ != Kind::Undecided && kind_ != Kind::None; }

private:
    struct Slot {
        int trackingId = -1;
        int x = 0;
        int y = 0;
        std::optional<int> pressure;
        std::optional<int> major;
    };
    struct Point2 {
        double x = 0;
        double y = 0;
    };

    void syn(std::uint64_t timeNs, TouchpadReport& out);
    TouchFrame frameAt(std::uint64_t timeNs) const;
    std::vector<Point2> fingersMm() const;
    void startBaseline(const std::vector<Point2>& fingers);
    void decide(const std::vector<Point2>& fingers, std::vector<platform::Event>& out);
    void track(const std::vector<Point2>& fingers, std::vector<platform::Event>& out);
    void endGesture(std::vector<platform::Event>& out);
    void press(bool down, std::optional<double> pressure, std::vector<platform::Event>& out);

    platform::Event gestureEvent(std::uint32_t type, std::int64_t subtype, std::int64_t phase) const;

    TouchpadAxes axes_;
    double widthMm_;
    double heightMm_;
    std::vector<Slot> slots_;
    int currentSlot_ = 0;
    int toolCount_ = 0;  // fingers by BTN_TOOL_*, for surfaces with fewer slots
    bool buttonDown_ = false;
    bool reportedButton_ = false;
    std::uint64_t now_ = 0;

    // The touch sequence: from the first finger down to the last finger up.
    int lastCount_ = 0;
    int sequenceMaxFingers_ = 0;
    std::uint64_t sequenceStart_ = 0;
    double sequenceTravel_ = 0;
    bool sequenceHadGesture_ = false;
    bool sequenceHadPress_ = false;
    std::array<std::optional<Point2>, 16> firstSeen_{};

    // The gesture: its finger count and where it started.
    Kind kind_ = Kind::None;
    int gestureFingers_ = 0;
    Point2 startCentre_;
    double startSpread_ = 0;
    double startAngle_ = 0;
    Point2 lastCentre_;
    double lastSpread_ = 0;
    double lastAngle_ = 0;
    bool zooming_ = false;  // pinch, else rotation
    std::int64_t dockMotion_ = 0;
    double dockProgress_ = 0;
    double dockVelocity_ = 0;
    bool dockBegun_ = false;
    std::uint64_t lastFrameNs_ = 0;

    // The clickpad press.
    int pressStage_ = 0;  // 0 up, 1 click, 2 deep
};

} // namespace corv::desktop
