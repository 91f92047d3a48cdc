#pragma once

// Touchpad input made up by the tests: a 100 x 70 mm clickpad with five
// slots, and strokes of fingers turned into evdev events, one frame every 8 ms.

#include "platform/desktop/input/TouchpadGestures.h"

#include <linux/input.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace corv::test {

using desktop::AxisRange;
using desktop::TouchpadAxes;

struct Finger {
    double x;  // mm
    double y;
};

// n fingers about a centre: two side by side, more on a circle.
inline std::vector<Finger> fingersAround(int n, double cx, double cy, double r) {
    if (n == 1) return {{cx, cy}};
    if (n == 2) return {{cx - r, cy}, {cx + r, cy}};
    std::vector<Finger> out;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        out.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return out;
}

class TouchpadRecording {
public:
    static constexpr int kUnitsPerMm = 40;
    static constexpr int kFrameUs = 8000;

    explicit TouchpadRecording(bool pressure = true) : pressure_(pressure) {}

    TouchpadAxes axes() const {
        TouchpadAxes a;
        a.x = {0, 100 * kUnitsPerMm, kUnitsPerMm};
        a.y = {0, 70 * kUnitsPerMm, kUnitsPerMm};
        if (pressure_) a.pressure = AxisRange{0, 255, 0};
        a.touchMajor = AxisRange{0, 255, 0};
        a.slotCount = 5;
        return a;
    }

    const std::vector<input_event>& events() const { return events_; }
    std::uint64_t nowUs() const { return us_; }

    void raw(std::uint16_t type, std::uint16_t code, std::int32_t value) {
        input_event ev{};
        ev.input_event_sec = static_cast<decltype(ev.input_event_sec)>(us_ / 1'000'000);
        ev.input_event_usec = static_cast<decltype(ev.input_event_usec)>(us_ % 1'000'000);
        ev.type = type;
        ev.code = code;
        ev.value = value;
        events_.push_back(ev);
    }
    void sync() {
        raw(EV_SYN, SYN_REPORT, 0);
        us_ += kFrameUs;
    }
    void button(bool down) { raw(EV_KEY, BTN_LEFT, down ? 1 : 0); }

    // The fingers land, move together by (dx, dy) mm while the distance of
    // each from their centre grows by spreadMm / 2 and they turn about it by
    // turnDegrees (clockwise on the surface), over ms milliseconds, and lift.
    void stroke(const std::vector<Finger>& start, double dx, double dy, double spreadMm, int ms,
                double turnDegrees = 0) {
        strokeWithoutLift(start, dx, dy, ms, spreadMm, turnDegrees);
        lift(start.size());
    }
    void strokeWithoutLift(const std::vector<Finger>& start, double dx, double dy, int ms, double spreadMm = 0,
                           double turnDegrees = 0) {
        double cx = 0, cy = 0;
        for (const Finger& f : start) {
            cx += f.x;
            cy += f.y;
        }
        cx /= static_cast<double>(start.size());
        cy /= static_cast<double>(start.size());
        const int frames = std::max(1, ms * 1000 / kFrameUs);
        for (int i = 0; i <= frames; ++i) {
            const double t = static_cast<double>(i) / frames;
            for (std::size_t k = 0; k < start.size(); ++k) {
                const double ox = start[k].x - cx, oy = start[k].y - cy;
                const double r0 = std::hypot(ox, oy);
                const double r = r0 + t * spreadMm / 2;
                const double a = std::atan2(oy, ox) + t * turnDegrees * std::numbers::pi / 180;
                const double x = cx + t * dx + (r0 > 0 ? r * std::cos(a) : 0);
                const double y = cy + t * dy + (r0 > 0 ? r * std::sin(a) : 0);
                raw(EV_ABS, ABS_MT_SLOT, static_cast<int>(k));
                if (i == 0) raw(EV_ABS, ABS_MT_TRACKING_ID, nextId_++);
                raw(EV_ABS, ABS_MT_POSITION_X, static_cast<int>(std::lround(x * kUnitsPerMm)));
                raw(EV_ABS, ABS_MT_POSITION_Y, static_cast<int>(std::lround(y * kUnitsPerMm)));
                if (pressure_ && i == 0) raw(EV_ABS, ABS_MT_PRESSURE, 40);
                if (i == 0) raw(EV_ABS, ABS_MT_TOUCH_MAJOR, 30);
            }
            if (i == 0) tools(static_cast<int>(start.size()), 1);
            sync();
        }
    }
    void lift(std::size_t fingers) {
        for (std::size_t k = 0; k < fingers; ++k) {
            raw(EV_ABS, ABS_MT_SLOT, static_cast<int>(k));
            raw(EV_ABS, ABS_MT_TRACKING_ID, -1);
        }
        tools(static_cast<int>(fingers), 0);
        button(false);
        sync();
    }

    // The finger in `slot` lifts; `remaining` fingers stay down.
    void liftFinger(int slot, int remaining) {
        raw(EV_ABS, ABS_MT_SLOT, slot);
        raw(EV_ABS, ABS_MT_TRACKING_ID, -1);
        if (remaining >= 1 && remaining < 5) {
            raw(EV_KEY, kTools[remaining], 0);
            raw(EV_KEY, kTools[remaining - 1], 1);
        }
        sync();
    }
    // Frames in which nothing changes, over ms milliseconds.
    void hold(int ms) {
        for (int i = 0; i < ms * 1000 / kFrameUs; ++i) sync();
    }

    // One finger presses the pad down, its pressure rising to peak (0..1) and
    // back, over ms milliseconds.
    void press(double peak, int ms) {
        raw(EV_ABS, ABS_MT_SLOT, 0);
        raw(EV_ABS, ABS_MT_TRACKING_ID, nextId_++);
        raw(EV_ABS, ABS_MT_POSITION_X, 50 * kUnitsPerMm);
        raw(EV_ABS, ABS_MT_POSITION_Y, 35 * kUnitsPerMm);
        tools(1, 1);
        sync();
        button(true);
        const int frames = std::max(2, ms * 1000 / kFrameUs);
        for (int i = 0; i <= frames; ++i) {
            const double t = 1.0 - std::abs(2.0 * i / frames - 1.0);
            if (pressure_) raw(EV_ABS, ABS_MT_PRESSURE, static_cast<int>(std::lround(255 * (0.2 + t * (peak - 0.2)))));
            sync();
        }
        button(false);
        sync();
        lift(1);
    }

private:
    static constexpr std::uint16_t kTools[] = {BTN_TOOL_FINGER, BTN_TOOL_DOUBLETAP, BTN_TOOL_TRIPLETAP,
                                               BTN_TOOL_QUADTAP, BTN_TOOL_QUINTTAP};
    void tools(int n, int value) {
        raw(EV_KEY, BTN_TOUCH, value);
        if (n >= 1 && n <= 5) raw(EV_KEY, kTools[n - 1], value);
    }

    bool pressure_;
    std::uint64_t us_ = 1'000'000;
    int nextId_ = 100;
    std::vector<input_event> events_;
};

} // namespace corv::test
