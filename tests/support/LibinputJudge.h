#pragma once

// libinput as a judge of touchpad input: a fake touchpad under umockdev that
// libinput (udev backend) takes, frames replayed into it, and
// what libinput made of them summed up: gestures, finger scrolls, buttons.
//
// libinput ignores devices udev has not initialised, and umockdev writes no
// udev database, so the device is added after the seat is assigned: the
// "add" uevent is what libinput takes. It drops what is pending when it opens
// the device, so a lone SYN_REPORT goes first and the frames some 300 ms later.
// libinput checks the node's fstat() against udev; umockdev does not wrap
// fstat64, so the test program defines it over judgedNodeOf() (the fake node
// is a PTY).

#include "support/UmockdevInput.h"

#include <libinput.h>
#include <libudev.h>

#include <cerrno>
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace corv::test {

// The PTYs behind judged nodes, and the device number each stands for.
inline std::mutex judgedNodesMutex;
inline std::map<std::string, dev_t> judgedNodes;

inline bool judgedNodeOf(const std::string& ptyPath, dev_t& rdev) {
    std::lock_guard lock(judgedNodesMutex);
    auto it = judgedNodes.find(ptyPath);
    if (it == judgedNodes.end()) return false;
    rdev = it->second;
    return true;
}

// What libinput reported during one replay.
struct LibinputSeen {
    int swipes = 0;  // begun
    int swipeFingers = 0;
    double swipeDx = 0;  // mm-like, unaccelerated
    double swipeDy = 0;
    int pinches = 0;
    int pinchFingers = 0;
    double pinchScale = 1;  // at the last update
    double pinchAngle = 0;  // degrees, clockwise positive
    int holds = 0;
    int ends = 0;  // of swipes, pinches and holds
    bool cancelled = false;  // some gesture ended cancelled
    int scrollEvents = 0;    // finger scrolls with a value
    double scrollX = 0;
    double scrollY = 0;
    std::vector<std::pair<std::uint32_t, bool>> buttons;  // button, pressed
    int motions = 0;
};

class LibinputJudge {
public:
    static constexpr int kFrameMs = 8;
    // Silence that ends a replay once everything begun has ended.
    static constexpr int kQuietMs = 60;
    // A replay's stamps start this far ahead of the clock: a frame a busy
    // machine sends late still comes before libinput's timers pass it.
    static constexpr int kLeadMs = 300;

    LibinputJudge(Testbed& bed, InputTestbed& input, const std::string& name) : input_(input) {
        udev_ = udev_new();
        li_ = libinput_udev_create_context(&kInterface, nullptr, udev_);
        if (!li_) {
            ADD_FAILURE() << "no libinput context";
            return;
        }
        libinput_set_user_data(li_, this);
        libinput_log_set_handler(li_, &LibinputJudge::logHandler);
        libinput_log_set_priority(li_, LIBINPUT_LOG_PRIORITY_INFO);
        if (libinput_udev_assign_seat(li_, "seat0") != 0) ADD_FAILURE() << "libinput cannot assign seat0";
        pump(0);

        node_ = input.addDevice(fakeTouchpad(name), true);  // read once pumped
        sysname_ = node_.substr(node_.rfind('/') + 1);
        const int master = bed.deviceEnd(node_);
        char pty[64] = {};
        if (master < 0 || ::ptsname_r(master, pty, sizeof pty) != 0) {
            ADD_FAILURE() << "no PTY behind " << node_;
            return;
        }
        pty_ = pty;
        {
            std::lock_guard lock(judgedNodesMutex);
            judgedNodes[pty_] = makedev(13, 64 + std::stoi(sysname_.substr(5)));
        }
        for (int waited = 0; !device_ && waited < 3000; waited += 10) pump(10);
        if (!device_) {
            ADD_FAILURE() << "libinput did not take " << node_ << "\n" << log_;
            return;
        }
        libinput_device_config_tap_set_enabled(device_, LIBINPUT_CONFIG_TAP_ENABLED);
        lastStampUs_ = monotonicUs();
        input_.send(node_, {synReport()}, {static_cast<time_t>(lastStampUs_ / 1'000'000),
                                           static_cast<suseconds_t>(lastStampUs_ % 1'000'000)});
        pump(300);
        seen_ = {};
    }
    ~LibinputJudge() {
        if (li_) libinput_unref(li_);
        if (udev_) udev_unref(udev_);
        std::lock_guard lock(judgedNodesMutex);
        judgedNodes.erase(pty_);
    }
    LibinputJudge(const LibinputJudge&) = delete;
    LibinputJudge& operator=(const LibinputJudge&) = delete;

    bool ready() const { return device_ != nullptr; }
    const std::string& log() const { return log_; }

    // Plays the frames (each ending at a SYN_REPORT), stamped 8 ms apart from
    // a little after now on, then lets libinput's timers run until it has said nothing for a
    // while with every gesture ended and every button up (a second at most).
    // Each frame is sent once libinput read the one before, so no two pile up
    // in the PTY (which may cut them anywhere); that keeps the stamps ahead of
    // the clock, and libinput runs its timers by the stamps of the events it
    // reads, so what it decides does not hang on how busy the machine is.
    LibinputSeen replay(const std::vector<std::vector<InputEvent>>& frames) {
        seen_ = {};
        quiet_ = 0;
        const std::uint64_t base = std::max(monotonicUs() + kLeadMs * 1000, lastStampUs_ + kFrameMs * 1000);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            lastStampUs_ = base + i * kFrameMs * 1000;
            input_.send(node_, frames[i], {static_cast<time_t>(lastStampUs_ / 1'000'000),
                                           static_cast<suseconds_t>(lastStampUs_ % 1'000'000)});
            pollfd p{libinput_get_fd(li_), POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) ADD_FAILURE() << "libinput read no frame";
            pump(0);
        }
        const auto settled = [&] {
            int down = 0;
            for (const auto& [button, pressed] : seen_.buttons) down += pressed ? 1 : -1;
            return down == 0 && seen_.ends == seen_.swipes + seen_.pinches + seen_.holds;
        };
        const std::uint64_t now = monotonicUs();
        if (lastStampUs_ > now) pump(static_cast<int>((lastStampUs_ - now) / 1000) + 1);
        for (int waited = 0; waited < 1000; waited += kFrameMs) {
            const std::size_t before = events_;
            pump(kFrameMs);
            quiet_ = events_ == before ? quiet_ + kFrameMs : 0;
            if (quiet_ >= kQuietMs && settled()) break;
        }
        return seen_;
    }

    // Splits events into frames at each SYN_REPORT.
    static std::vector<std::vector<InputEvent>> frames(const std::vector<InputEvent>& events) {
        std::vector<std::vector<InputEvent>> out(1);
        for (const InputEvent& e : events) {
            out.back().push_back(e);
            if (e.type == EV_SYN && e.code == SYN_REPORT) out.emplace_back();
        }
        out.pop_back();  // an unfinished frame is never sent
        return out;
    }

private:
    static int openRestricted(const char* path, int flags, void*) {
        const int fd = ::open(path, flags);
        return fd < 0 ? -errno : fd;
    }
    static void closeRestricted(int fd, void*) { ::close(fd); }
    static constexpr libinput_interface kInterface{&openRestricted, &closeRestricted};

    static void logHandler(libinput* li, libinput_log_priority, const char* format, va_list args) {
        auto* self = static_cast<LibinputJudge*>(libinput_get_user_data(li));
        char line[512];
        std::vsnprintf(line, sizeof line, format, args);
        if (self) self->log_ += line;
    }

    static timespec monotonicNow() {
        timespec t{};
        ::clock_gettime(CLOCK_MONOTONIC, &t);
        return t;
    }
    static std::uint64_t monotonicUs() {
        const timespec t = monotonicNow();
        return static_cast<std::uint64_t>(t.tv_sec) * 1'000'000 + static_cast<std::uint64_t>(t.tv_nsec) / 1000;
    }
    static int elapsedMs(const timespec& since) {
        const timespec now = monotonicNow();
        return static_cast<int>((now.tv_sec - since.tv_sec) * 1000 + (now.tv_nsec - since.tv_nsec) / 1'000'000);
    }

    // Dispatches libinput and takes its events for `ms` milliseconds (at
    // least once).
    void pump(int ms) {
        const timespec start = monotonicNow();
        for (;;) {
            libinput_dispatch(li_);
            while (libinput_event* e = libinput_get_event(li_)) {
                take(e);
                libinput_event_destroy(e);
            }
            const int left = ms - elapsedMs(start);
            if (left <= 0) return;
            pollfd p{libinput_get_fd(li_), POLLIN, 0};
            ::poll(&p, 1, left);
        }
    }

    void take(libinput_event* e) {
        libinput_device* d = libinput_event_get_device(e);
        if (sysname_ != libinput_device_get_sysname(d)) return;
        ++events_;
        const auto type = libinput_event_get_type(e);
        switch (type) {
        case LIBINPUT_EVENT_DEVICE_ADDED: device_ = d; return;
        case LIBINPUT_EVENT_DEVICE_REMOVED: device_ = nullptr; return;
        case LIBINPUT_EVENT_POINTER_MOTION: ++seen_.motions; return;
        case LIBINPUT_EVENT_POINTER_BUTTON: {
            libinput_event_pointer* p = libinput_event_get_pointer_event(e);
            seen_.buttons.emplace_back(libinput_event_pointer_get_button(p),
                                       libinput_event_pointer_get_button_state(p) == LIBINPUT_BUTTON_STATE_PRESSED);
            return;
        }
        case LIBINPUT_EVENT_POINTER_SCROLL_FINGER: {
            libinput_event_pointer* p = libinput_event_get_pointer_event(e);
            double x = 0, y = 0;
            if (libinput_event_pointer_has_axis(p, LIBINPUT_POINTER_AXIS_SCROLL_HORIZONTAL))
                x = libinput_event_pointer_get_scroll_value(p, LIBINPUT_POINTER_AXIS_SCROLL_HORIZONTAL);
            if (libinput_event_pointer_has_axis(p, LIBINPUT_POINTER_AXIS_SCROLL_VERTICAL))
                y = libinput_event_pointer_get_scroll_value(p, LIBINPUT_POINTER_AXIS_SCROLL_VERTICAL);
            if (x != 0 || y != 0) ++seen_.scrollEvents;
            seen_.scrollX += x;
            seen_.scrollY += y;
            return;
        }
        default: break;
        }
        if (type < LIBINPUT_EVENT_GESTURE_SWIPE_BEGIN || type > LIBINPUT_EVENT_GESTURE_HOLD_END) return;
        libinput_event_gesture* g = libinput_event_get_gesture_event(e);
        switch (type) {
        case LIBINPUT_EVENT_GESTURE_SWIPE_BEGIN:
            ++seen_.swipes;
            seen_.swipeFingers = libinput_event_gesture_get_finger_count(g);
            break;
        case LIBINPUT_EVENT_GESTURE_SWIPE_UPDATE:
            seen_.swipeDx += libinput_event_gesture_get_dx_unaccelerated(g);
            seen_.swipeDy += libinput_event_gesture_get_dy_unaccelerated(g);
            break;
        case LIBINPUT_EVENT_GESTURE_PINCH_BEGIN:
            ++seen_.pinches;
            seen_.pinchFingers = libinput_event_gesture_get_finger_count(g);
            break;
        case LIBINPUT_EVENT_GESTURE_PINCH_UPDATE:
            seen_.pinchScale = libinput_event_gesture_get_scale(g);
            seen_.pinchAngle += libinput_event_gesture_get_angle_delta(g);
            break;
        case LIBINPUT_EVENT_GESTURE_HOLD_BEGIN: ++seen_.holds; break;
        case LIBINPUT_EVENT_GESTURE_SWIPE_END:
        case LIBINPUT_EVENT_GESTURE_PINCH_END:
            if (libinput_event_gesture_get_cancelled(g)) seen_.cancelled = true;
            ++seen_.ends;
            break;
        case LIBINPUT_EVENT_GESTURE_HOLD_END: ++seen_.ends; break;
        default: break;
        }
    }

    InputTestbed& input_;
    udev* udev_ = nullptr;
    libinput* li_ = nullptr;
    libinput_device* device_ = nullptr;
    std::string node_;
    std::string sysname_;
    std::string pty_;
    std::string log_;
    LibinputSeen seen_;
    std::size_t events_ = 0;
    int quiet_ = 0;
    std::uint64_t lastStampUs_ = 0;
};

} // namespace corv::test
