#pragma once

// Trackpad input in human terms for the simulated machine: devices as data,
// gestures and clicks injected as the window server would send them, and the
// applications on screen.

#include "EngineFixture.h"

#include "engine/MultitouchDevices.h"
#include "engine/TrackpadTaps.h"
#include "model/Apps.h"
#include "model/GesItem.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace corv::test {

// An input device in the I/O registry, with its touch surface when it has one.
struct InputDevice {
    std::uint64_t registryId;
    std::string product;
    std::string vendor;
    std::uint64_t multitouchId;  // 0: none
};

inline const InputDevice kMagicTrackpad{0x7001, "Magic Trackpad", "Apple Inc.", 0x31};
inline const InputDevice kBuiltInTrackpad{0x7002, "Apple Internal Keyboard / Trackpad", "Apple Inc.", 0x32};
inline const InputDevice kOtherTrackpad{0x7101, "Trackpad T650", "Logitech", 0};

namespace gesture {
inline constexpr std::int64_t Translation = 4, Rotation = 5, Scroll = 6, Zoom = 8, ZoomToggle = 22, DockSwipe = 23,
                              Force = 32;
}
namespace phase {
inline constexpr std::int64_t None = 0, Began = 1, Changed = 2, Ended = 4, Cancelled = 8, MayBegin = 128;
}
namespace mouse {
inline constexpr std::uint32_t LeftDown = 1, LeftUp = 2, RightDown = 3, RightUp = 4, LeftDragged = 6,
                               RightDragged = 7;
}

inline constexpr std::uint64_t kCommand = 0x100000;
inline constexpr std::uint64_t kShift = 0x20000;
inline constexpr std::uint64_t kOption = 0x80000;
inline constexpr std::uint16_t kLeftBracket = 33;
inline constexpr std::uint16_t kRightBracket = 30;

struct Delta {
    double dx;
    double dy;
};

// One device's input. Every event carries the device's registry id, the
// pointer position and the held modifier flags.
class Trackpad {
public:
    Trackpad(sim::SimPlatform& sim, const InputDevice& device) : sim_(sim), device_(device) {
        sim.registry.addHidDevice(device.registryId, device.product, device.vendor);
        if (device.multitouchId != 0) touchSurface_ = sim.multitouch.addDevice(device.multitouchId);
    }

    platform::Point at{100, 100};
    std::uint64_t flags = 0;

    platform::MultitouchDevice touchSurface() const { return touchSurface_; }
    // A contact frame with that many fingers.
    void touch(int fingers) { sim_.multitouch.frame(touchSurface_, fingers); }

    platform::Event gestureEvent(std::int64_t subtype, std::int64_t p) const {
        platform::Event e = stamped(29);
        e.setIntegerField(110, subtype);
        e.setIntegerField(132, p);
        return e;
    }
    platform::Event scrollGesture(std::int64_t p, double dx, double dy) const {
        platform::Event e = gestureEvent(gesture::Scroll, p);
        e.setDoubleField(118, dx);
        e.setDoubleField(119, dy);
        return e;
    }
    platform::Event scrollWheel(std::int64_t p, double dx, double dy, std::int64_t momentum = 0) const {
        platform::Event e = platform::Event::scrollWheel(platform::ScrollUnits::Pixel, static_cast<std::int32_t>(dy),
                                                         static_cast<std::int32_t>(dx));
        stamp(e);
        e.setIntegerField(99, p);
        e.setIntegerField(123, momentum);
        return e;
    }
    platform::Event rotation(std::int64_t p, double value) const {
        platform::Event e = gestureEvent(gesture::Rotation, p);
        e.setDoubleField(114, value);
        return e;
    }
    platform::Event zoom(std::int64_t p, double value) const {
        platform::Event e = gestureEvent(gesture::Zoom, p);
        e.setDoubleField(113, value);
        return e;
    }
    platform::Event force(std::int64_t p, std::int64_t stage) const {
        platform::Event e = gestureEvent(gesture::Force, p);
        e.setIntegerField(143, stage);
        return e;
    }
    platform::Event dockSwipe(std::int64_t motion, std::int64_t p, double progress) const {
        platform::Event e = stamped(30);
        e.setIntegerField(110, gesture::DockSwipe);
        e.setIntegerField(123, motion);
        e.setIntegerField(132, p);
        e.setDoubleField(124, progress);
        return e;
    }
    platform::Event click(std::uint32_t type) const {
        const bool right = type == mouse::RightDown || type == mouse::RightUp || type == mouse::RightDragged;
        platform::Event e = platform::Event::mouse(type, at, right ? 1 : 0);
        stamp(e);
        return e;
    }

    // Into the event stream as hardware input.
    void send(const platform::Event& e) {
        sent.push_back(e);
        sim_.events.inject(e);
    }

    // A two-finger scroll: the began event with the first delta, changed with
    // the others, then ended; each gesture event followed by its scroll-wheel event.
    void swipe(int fingers, const std::vector<Delta>& deltas) {
        EXPECT_EQ(fingers, 2) << "three and four fingers swipe through dockSwipe";
        touch(fingers);
        for (std::size_t i = 0; i < deltas.size(); ++i) {
            const std::int64_t p = i == 0 ? phase::Began : phase::Changed;
            send(scrollGesture(p, deltas[i].dx, deltas[i].dy));
            send(scrollWheel(p, deltas[i].dx, deltas[i].dy));
        }
        send(scrollGesture(phase::Ended, 0, 0));
        send(scrollWheel(phase::Ended, 0, 0));
        touch(0);
    }
    // Scroll-wheel momentum after the fingers left: began, continued..., ended.
    void momentum(int events) {
        for (int i = 0; i < events; ++i)
            send(scrollWheel(phase::None, 0, -4, i == 0 ? 1 : i == events - 1 ? 3 : 2));
    }
    // The window server's dock swipe for three or four fingers: began at the
    // first cumulative progress, changed through the others, then ended.
    void dockSwipe(int fingers, std::int64_t motion, const std::vector<double>& progress) {
        touch(fingers);
        for (std::size_t i = 0; i < progress.size(); ++i)
            send(dockSwipe(motion, i == 0 ? phase::Began : phase::Changed, progress[i]));
        send(dockSwipe(motion, phase::Ended, progress.back()));
        touch(0);
    }

    std::vector<platform::Event> sent;

private:
    platform::Event stamped(std::uint32_t type) const {
        platform::Event e;
        e.setType(type);
        stamp(e);
        return e;
    }
    void stamp(platform::Event& e) const {
        e.setIntegerField(87, static_cast<std::int64_t>(device_.registryId));
        e.setLocation(at);
        e.setFlags(flags);
    }

    sim::SimPlatform& sim_;
    InputDevice device_;
    platform::MultitouchDevice touchSurface_ = 0;
};

// The engine with both trackpad taps on, and applications on screen.
class TrackpadTest : public EngineTest {
protected:
    TrackpadTest() {
        engine::installTrackpadTapHandlers();
        enableEngineTaps();
    }

    // A device on the machine; the touch devices are started anew.
    Trackpad& addDevice(const InputDevice& device) {
        Trackpad& pad = pads_.emplace_back(*sim, device);
        engine::startMultitouchDevices();
        return pad;
    }

    // A running application with one window covering the frame.
    void openApp(std::int32_t pid, const std::string& bundleId, sim::SimWindowServer::Window frame) {
        sim->workspace.addApp(pid, bundleId, bundleId);
        frame.id = static_cast<std::uint32_t>(pid * 10);
        frame.owner = 1000 + pid;
        sim->windowServer.windows.push_back(frame);
        sim->windowServer.connectionPids[frame.owner] = pid;
    }

    static void bindGesture(const std::string& app, std::uint64_t fingers, ActGes kind, std::uint64_t mask, ActDir dir,
                            const BindAction& binding) {
        Apps::shared().a.modify([&](AppEntries& entries) { entries[app].ges[fingers][kind][mask][dir] = binding; });
    }
    static void setEntry(const std::string& app, const AnApp& entry) {
        Apps::shared().a.modify([&](AppEntries& entries) { entries[app] = entry; });
    }

    static BindAction hotkey(std::uint64_t mods, std::uint16_t key, bool multiShot = false) {
        BindAction b;
        b.isHotkey = true;
        b.hotkeyMod = mods;
        b.hotkeyKey = key;
        b.multiShot = multiShot;
        return b;
    }

    // Input waiting in the run loop: it reaches the taps on the next turn,
    // as when it comes while another tap's callback turns the run loop.
    void gestureEventDuringNextSpin(const platform::Event& e) { sim->events.injectOnNextTurn(e); }

    // The next event delivered to the applications.
    platform::Event delivered() {
        EXPECT_FALSE(sim->events.delivered.empty());
        if (sim->events.delivered.empty()) return {};
        return sim->events.takeDelivered();
    }
    bool nothingDelivered() const { return sim->events.delivered.empty(); }

    // Expects the next three deliveries to be the tap of the key: down and up
    // with the flags, then the release of the modifier key.
    void expectKeyTap(std::uint16_t key, std::uint64_t flags, std::uint16_t modifierKey) {
        const platform::Event down = delivered();
        EXPECT_EQ(down.type(), 10u);
        EXPECT_EQ(down.integerField(9), key);
        EXPECT_EQ(down.flags(), flags);
        const platform::Event up = delivered();
        EXPECT_EQ(up.type(), 11u);
        EXPECT_EQ(up.integerField(9), key);
        EXPECT_EQ(up.flags(), flags);
        const platform::Event release = delivered();
        EXPECT_EQ(release.type(), 12u);
        EXPECT_EQ(release.integerField(9), modifierKey);
        EXPECT_EQ(release.flags(), 0x100u);
    }

    // Every event sent reached the applications unchanged, in order, and nothing else.
    void expectAllPassedUntouched(const Trackpad& pad) {
        for (const auto& e : pad.sent) EXPECT_EQ(delivered(), e) << "event type " << e.type();
        EXPECT_TRUE(nothingDelivered());
    }

private:
    std::deque<Trackpad> pads_;
};

// One application filling the screen, empty entries for it and the global
// profile, and a Magic Trackpad.
class EditorTrackpadTest : public TrackpadTest {
protected:
    static inline const std::string kApp = "com.example.editor";
    static constexpr std::int32_t kPid = 42;

    void SetUp() override {
        openApp(kPid, kApp, {0, 0, 800, 800});
        setEntry("", AnApp{});
        setEntry(kApp, AnApp{});
        pad = &addDevice(kMagicTrackpad);
    }

    Trackpad* pad = nullptr;
};

} // namespace corv::test
