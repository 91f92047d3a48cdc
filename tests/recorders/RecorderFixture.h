#pragma once

// The recorders on the simulated machine: typed keys, the applications'
// entries, and the state of the taps.

#include "engine/KeyboardInput.h"
#include "engine/TrackpadInput.h"

#include "model/Apps.h"
#include "model/UIApp.h"
#include "recorders/CaptureTaps.h"
#include "recorders/Highlights.h"

#include <cstdint>
#include <string>

namespace corv::test {

inline constexpr std::uint16_t kCommandKey = 55, kFnKey = 63;

// Keys typed while the recorders listen; each event is followed by the turns
// of the main queue it causes.
class Typist {
public:
    explicit Typist(sim::SimPlatform& sim) : sim_(sim), keyboard_(sim, 0x7201) { keyboard_.flags = flag::NonCoalesced; }

    void down(std::uint16_t code, bool repeat = false) { settle([&] { keyboard_.pressKey(code, repeat); }); }
    void up(std::uint16_t code) { settle([&] { keyboard_.releaseKey(code); }); }
    void press(std::uint16_t code) {
        down(code);
        up(code);
    }
    void hold(std::uint16_t code, std::uint64_t modifier) {
        settle([&] { keyboard_.changeModifiers(code, keyboard_.flags | modifier); });
    }
    void release(std::uint16_t code, std::uint64_t modifier) {
        settle([&] { keyboard_.changeModifiers(code, keyboard_.flags & ~modifier); });
    }

private:
    template <class F>
    void settle(F send) {
        send();
        sim_.runLoop.runPending();
    }

    sim::SimPlatform& sim_;
    Keyboard keyboard_;
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
