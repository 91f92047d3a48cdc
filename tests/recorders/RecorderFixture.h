#pragma once

// The recorders on the simulated machine: a keyboard and an Apple trackpad in
// human terms, the applications' entries, and the state of the taps.

#include "engine/TrackpadInput.h"

#include "model/Apps.h"
#include "model/UIApp.h"
#include "recorders/CaptureTaps.h"
#include "recorders/Highlights.h"

#include <cstdint>
#include <string>

namespace corv::test {

namespace key {
inline constexpr std::uint16_t A = 0, K = 40, F5 = 96, Shift = 56, Command = 55, Fn = 63;
}
inline constexpr std::uint64_t kFn = 0x800000;

// Key presses as the window server reports them. Every event is followed by
// the turns of the main queue it causes.
class Keyboard {
public:
    explicit Keyboard(sim::SimPlatform& sim) : sim_(sim) {}

    std::uint64_t flags = 0x100;

    void down(std::uint16_t code, bool repeat = false) { send(keyEvent(code, true, repeat)); }
    void up(std::uint16_t code) { send(keyEvent(code, false, false)); }
    void press(std::uint16_t code) {
        down(code);
        up(code);
    }
    // A modifier key going down or up changes the held flags.
    void hold(std::uint16_t code, std::uint64_t modifier) {
        flags |= modifier;
        send(flagsEvent(code));
    }
    void release(std::uint16_t code, std::uint64_t modifier) {
        flags &= ~modifier;
        send(flagsEvent(code));
    }

private:
    platform::Event keyEvent(std::uint16_t code, bool isDown, bool repeat) const {
        platform::Event e = platform::Event::keyboard(code, isDown);
        e.setFlags(flags);
        if (repeat) e.setIntegerField(platform::field::KeyboardAutorepeat, 1);
        return e;
    }
    platform::Event flagsEvent(std::uint16_t code) const {
        platform::Event e = platform::Event::keyboard(code, true);
        e.setType(platform::eventType::FlagsChanged);
        e.setFlags(flags);
        return e;
    }
    void send(const platform::Event& e) {
        sim_.events.inject(e);
        sim_.runLoop.runPending();
    }

    sim::SimPlatform& sim_;
};

class RecorderTest : public EngineTest {
protected:
    bool on(const engine::TapSlot& s) const {
        return sim->events.isEnabled(s.tap) && sim->events.sourceInMainLoop(s.tap);
    }
    bool keyCaptureOn() const { return on(recorders::makeKeyRecorderTap()); }
    bool gestureCaptureOn() const { return on(recorders::makeGestureRecorderTap()); }

    static void setEntry(const std::string& app, const AnApp& entry) {
        Apps::shared().a.modify([&](AppEntries& all) { all[app] = entry; });
    }
    static const AnApp& entry(const std::string& app) { return Apps::shared().a.get().at(app); }
    static void select(const std::string& app) { UIApp::shared().id.set(app); }

    static BindAction action(std::int64_t id) { return BindAction::forAction(id); }
    static BindAction combo(std::uint64_t flags, std::uint16_t code) {
        BindAction b;
        b.isHotkey = true;
        b.hotkeyMod = flags;
        b.hotkeyKey = code;
        return b;
    }
};

} // namespace corv::test
