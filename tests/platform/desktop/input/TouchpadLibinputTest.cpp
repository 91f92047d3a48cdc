// libinput as the judge of the touchpad recogniser: each recording, replayed
// on a fake touchpad into libinput, is the same gesture to libinput as to the
// recogniser; and what the clone receives of an unbound gesture is still that
// gesture to libinput. libinput is linked into these tests only.

#include "engine/LiveTaps.h"
#include "engine/MultitouchDevices.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/input/InputScene.h"
#include "platform/desktop/input/TouchpadGestures.h"

#include "platform/desktop/input/TouchpadRecording.h"
#include "support/LibinputJudge.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <utility>

// umockdev does not wrap fstat64: libinput would see the PTY behind a fake
// node and refuse it, so a judged node's PTY answers with the node's number.
extern "C" int fstat64(int fd, struct stat64* st) {
    using Real = int (*)(int, struct stat64*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fstat64"));
    const int rc = real(fd, st);
    if (rc != 0 || !S_ISCHR(st->st_mode)) return rc;
    char path[64];
    char link[256] = {};
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (::readlink(path, link, sizeof link - 1) <= 0) return rc;
    dev_t rdev = 0;
    if (corv::test::judgedNodeOf(link, rdev)) st->st_rdev = rdev;
    return rc;
}

namespace corv::desktop {
namespace {

// A "bug:" line of libinput's, other than its note that this machine was too
// busy to read events in time (load, not a fault of the device or its use).
bool reportsFault(const std::string& log) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.find("bug:") != std::string::npos && line.find("your system is too slow") == std::string::npos)
            return true;
    return false;
}

using platform::Event;
using test::InputEvent;
using test::LibinputJudge;
using test::LibinputSeen;
using test::TouchpadRecording;
namespace eventType = platform::eventType;
namespace field = platform::field;
namespace gestureSubtype = platform::gestureSubtype;
namespace gesturePhase = platform::gesturePhase;

// A classification: kind, finger count and direction ("" where it has none).
struct Verdict {
    std::string kind;
    int fingers = 0;
    std::string way;
    bool operator==(const Verdict&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Verdict& v) {
    return os << v.kind << "/" << v.fingers << "/" << v.way;
}

std::string wayOf(double dx, double dy) {
    if (std::abs(dx) >= std::abs(dy)) return dx < 0 ? "left" : "right";
    return dy < 0 ? "up" : "down";
}

// The recogniser's verdict: the one kind of gesture that began, its finger
// count, and its direction as the taps would read it.
Verdict ours(const TouchpadRecording& rec) {
    TouchpadGestures g(rec.axes());
    std::map<std::string, int> kinds;
    Verdict v;
    int maxFingers = 0;
    double x = 0, y = 0, zoom = 0, turn = 0, progress = 0;
    std::int64_t motion = 0, stage = 0;
    for (const TouchpadReport& r : g.feed(rec.events())) {
        maxFingers = std::max(maxFingers, r.frame.fingerCount);
        for (const Event& e : r.events) {
            const auto subtype = e.integerField(field::GestureSubtype);
            const auto phase = e.integerField(field::GesturePhase);
            std::string kind;
            if (e.type() == eventType::DockControl) {
                motion = e.integerField(field::DockSwipeMotion);
                if (motion == 5) kind = "tap";
                else if (phase == gesturePhase::Began) kind = "swipe";
                if (motion != 5 && e.hasField(field::DockSwipeProgress))
                    progress = e.doubleField(field::DockSwipeProgress);
            } else if (subtype == gestureSubtype::Scroll) {
                if (phase == gesturePhase::Began) kind = "scroll";
                x += e.doubleField(field::ScrollGestureDeltaX);
                y += e.doubleField(field::ScrollGestureDeltaY);
            } else if (subtype == gestureSubtype::Zoom) {
                if (phase == gesturePhase::Began) kind = "zoom";
                zoom += e.doubleField(field::ZoomValue);
            } else if (subtype == gestureSubtype::Rotation) {
                if (phase == gesturePhase::Began) kind = "rotate";
                turn += e.doubleField(field::RotationValue);
            } else if (subtype == gestureSubtype::Force) {
                if (phase == gesturePhase::Began) kind = "click";
                stage = std::max(stage, e.integerField(field::ForceStage));
            }
            if (kind.empty()) continue;
            ++kinds[kind];
            v.kind = kind;
            v.fingers = r.frame.fingerCount;
        }
    }
    if (kinds.size() != 1) return {kinds.empty() ? "none" : "mixed", 0, ""};
    if (v.kind == "tap") v.fingers = maxFingers;
    if (v.kind == "click") v.fingers = maxFingers;
    if (v.kind == "scroll") v.way = wayOf(x, y);
    if (v.kind == "zoom") v.way = zoom > 0 ? "out" : "in";
    if (v.kind == "rotate") v.way = turn < 0 ? "clockwise" : "anticlockwise";
    if (v.kind == "swipe") {
        if (motion == 1) v.way = progress > 0 ? "left" : "right";
        else if (motion == 2) v.way = progress < 0 ? "up" : "down";
        else v.way = progress > 0 ? "in" : "out";
    }
    if (v.kind == "click") v.way = "stage " + std::to_string(stage);
    return v;
}

const char* buttonName(std::uint32_t button) {
    switch (button) {
    case BTN_LEFT: return "left";
    case BTN_RIGHT: return "right";
    case BTN_MIDDLE: return "middle";
    default: return "other";
    }
}

// libinput's verdict in its own terms: a swipe or pinch gesture with its
// finger count, a finger scroll, or a button clicked (pressed and released).
Verdict theirs(const LibinputSeen& s) {
    const int kinds = (s.swipes > 0) + (s.pinches > 0) + (s.scrollEvents > 0) + !s.buttons.empty();
    if (kinds != 1 || s.cancelled || s.swipes > 1 || s.pinches > 1) return {kinds == 0 ? "none" : "mixed", 0, ""};
    if (s.swipes) return {"swipe", s.swipeFingers, wayOf(s.swipeDx, s.swipeDy)};
    if (s.pinches) {
        // A rotation turns more degrees than its scale changes by percent.
        const bool turned = std::abs(s.pinchAngle) > 100 * std::abs(std::log(s.pinchScale));
        if (turned) return {"pinch", s.pinchFingers, s.pinchAngle > 0 ? "clockwise" : "anticlockwise"};
        return {"pinch", s.pinchFingers, s.pinchScale > 1 ? "out" : "in"};
    }
    if (s.scrollEvents) return {"scroll", 2, wayOf(s.scrollX, s.scrollY)};
    if (s.buttons.size() != 2 || s.buttons[0].first != s.buttons[1].first || !s.buttons[0].second ||
        s.buttons[1].second)
        return {"mixed", 0, ""};
    return {"button", 0, buttonName(s.buttons[0].first)};
}

// One row per recording: what the recogniser makes of it, and what libinput
// makes of it. Where the two name things differently, the row says how they
// map.
struct Row {
    std::string name;
    std::function<void(TouchpadRecording&)> record;
    Verdict ours;
    Verdict libinput;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> table{
        {"three-finger swipe left",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(3, 50, 35, 8), -30, 0, 0, 250); },
         {"swipe", 3, "left"},
         {"swipe", 3, "left"}},
        {"four-finger swipe up",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(4, 50, 40, 9), 0, -25, 0, 250); },
         {"swipe", 4, "up"},
         {"swipe", 4, "up"}},
        // Magnify is libinput's pinch: scale above 1 spreads, below 1 pinches.
        {"two-finger spread",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(2, 50, 35, 10), 0, 0, 24, 250); },
         {"zoom", 2, "out"},
         {"pinch", 2, "out"}},
        {"two-finger pinch",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(2, 50, 35, 20), 0, 0, -24, 250); },
         {"zoom", 2, "in"},
         {"pinch", 2, "in"}},
        // Rotation is a libinput pinch too, told by its angle (clockwise
        // positive there, negative in the rotation value).
        {"two-finger rotate",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(2, 50, 35, 15), 0, 0, 0, 300, 60); },
         {"rotate", 2, "clockwise"},
         {"pinch", 2, "clockwise"}},
        // A dock swipe that pinches (motion 3) is libinput's pinch of three
        // or more fingers: a thumb and two fingers closing in.
        {"three-finger pinch",
         [](TouchpadRecording& r) { r.stroke({{30, 55}, {55, 25}, {70, 30}}, 0, 0, -14, 250); },
         {"swipe", 3, "in"},
         {"pinch", 3, "in"}},
        // A two-finger scroll is libinput's finger scroll: no gesture, axis
        // values in the fingers' direction (natural scrolling off).
        {"two-finger scroll with a lift",
         [](TouchpadRecording& r) {
             r.strokeWithoutLift(test::fingersAround(2, 50, 25, 10), 0, 20, 200);
             r.liftFinger(1, 1);
             r.hold(40);
             r.lift(1);
         },
         {"scroll", 2, "down"},
         {"scroll", 2, "down"}},
        // A tap is libinput's tap button: three fingers make the middle one
        // (tap-to-click on, the left-right-middle map).
        {"three-finger tap",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(3, 50, 35, 10), 0, 0, 0, 80); },
         {"tap", 3, ""},
         {"button", 0, "middle"}},
        // Neither a tap nor a gesture: still too long, or sliding too far.
        {"three fingers resting 190 ms",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(3, 50, 35, 10), 0, 0, 0, 190); }, {"none", 0, ""},
         {"none", 0, ""}},
        {"three fingers sliding 1.6 mm",
         [](TouchpadRecording& r) { r.stroke(test::fingersAround(3, 50, 35, 10), 0, 1.6, 0, 80); }, {"none", 0, ""},
         {"none", 0, ""}},
        // A click and a deep click are libinput's left button: it has no
        // pressure stages.
        {"clickpad click", [](TouchpadRecording& r) { r.press(0.4, 150); }, {"click", 1, "stage 1"},
         {"button", 0, "left"}},
        {"click with rising pressure", [](TouchpadRecording& r) { r.press(0.95, 250); }, {"click", 1, "stage 2"},
         {"button", 0, "left"}},
    };
    return table;
}

std::vector<InputEvent> plain(const std::vector<input_event>& events) {
    std::vector<InputEvent> out;
    for (const input_event& e : events) out.push_back({e.type, e.code, e.value});
    return out;
}

TEST(TouchpadLibinput, EveryRecordingIsTheSameGestureToLibinputAsToTheRecogniser) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    test::InputTestbed input(bed);
    LibinputJudge judge(bed, input, "Judged Touchpad");
    ASSERT_TRUE(judge.ready());
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        TouchpadRecording rec;
        row.record(rec);
        EXPECT_EQ(ours(rec), row.ours);
        const auto seen = judge.replay(LibinputJudge::frames(plain(rec.events())));
        EXPECT_EQ(theirs(seen), row.libinput);
    }
    EXPECT_FALSE(reportsFault(judge.log())) << "libinput found a fault in the device or in its use";
    if (HasFailure()) std::printf("libinput said:\n%s", judge.log().c_str());
}

// The program takes the fake touchpad with no gesture bound; what its clone
// receives of each recording goes to libinput on a touchpad of its own.
TEST(TouchpadLibinput, WhatTheCloneGetsOfAnUnboundGestureIsStillThatGestureToLibinput) {
    if (!test::runningUnderUmockdev()) return;
    constexpr const char* kPad = "Fake Touchpad";
    test::Testbed bed;
    test::InputTestbed input(bed);
    const std::string pad = input.addDevice(test::fakeTouchpad(kPad));
    std::vector<std::vector<InputEvent>> cloned;
    {
        QTemporaryDir tmp;
        DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        where.input.stallBound = test::kQuietStallBound;
        where.input.verdictBound = test::kQuietVerdictBound;
        // The recording's stamps alone end a hold, however late a busy machine sends a frame.
        where.input.holdBound = 10.0;
        DesktopPlatform desktop(where);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        engine::startEngineTaps();
        ASSERT_TRUE(test::spinUntil([&] { return input.grabbed(pad); }, 5000));
        engine::startMultitouchDevices();
        const auto cloneEvents = [&] {
            const auto clone = input.uinputDevice(kPad);
            return clone ? clone->events : std::vector<InputEvent>{};
        };
        for (const Row& row : rows()) {
            TouchpadRecording rec;
            row.record(rec);
            if (row.ours.kind == "none") continue;
            const std::size_t before = cloneEvents().size();
            // A terminal stands in for the node and cuts what piles up, so each
            // frame is read before the next is sent, however late a busy
            // machine reads it.
            timeval start{};
            ::gettimeofday(&start, nullptr);
            const auto us = [](const input_event& e) {
                return static_cast<std::int64_t>(e.input_event_sec) * 1'000'000 + e.input_event_usec;
            };
            const std::int64_t base = static_cast<std::int64_t>(start.tv_sec) * 1'000'000 + start.tv_usec -
                                      (rec.events().empty() ? 0 : us(rec.events().front()));
            std::vector<InputEvent> frame;
            for (const input_event& e : rec.events()) {
                frame.push_back({e.type, e.code, e.value});
                if (e.type != EV_SYN || e.code != SYN_REPORT) continue;
                const std::int64_t at = base + us(e);
                input.send(pad, std::exchange(frame, {}),
                           timeval{static_cast<time_t>(at / 1'000'000), static_cast<suseconds_t>(at % 1'000'000)});
                test::spinUntil([] { return false; }, 4);
                EXPECT_TRUE(test::spinUntil([&] { return input.allRead(); }, 10000)) << row.name;
            }
            // Held frames follow once the taps decided: until no thread is at
            // work, before nothing more came for a while and after.
            InputScene::settle(input, 30);
            const auto all = cloneEvents();
            cloned.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        }
        engine::stopEngineTaps();
        resetShared();
    }

    LibinputJudge judge(bed, input, "Judged Touchpad");
    ASSERT_TRUE(judge.ready());
    std::size_t i = 0;
    for (const Row& row : rows()) {
        if (row.ours.kind == "none") continue;
        SCOPED_TRACE(row.name);
        EXPECT_EQ(theirs(judge.replay(LibinputJudge::frames(cloned[i++]))), row.libinput);
    }
    EXPECT_FALSE(reportsFault(judge.log())) << "libinput found a fault in the device or in its use";
    if (HasFailure()) std::printf("libinput said:\n%s", judge.log().c_str());
}

} // namespace
} // namespace corv::desktop
