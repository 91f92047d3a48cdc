#pragma once

// Keyboard input in human terms for the simulated machine: key presses,
// releases and modifier changes as the window server sends them, and the key
// bindings of the global profile.

#include "EngineFixture.h"

#include "engine/LiveTaps.h"
#include "model/Apps.h"
#include "model/ImplicitKeyFlags.h"

#include <cstdint>
#include <string>

namespace corv::test {

namespace key {
inline constexpr std::uint16_t A = 0, K = 40, C = 8, Space = 49, F5 = 96, CapsLock = 0x39, LeftShift = 56;
}
namespace flag {
inline constexpr std::uint64_t CapsLock = 0x10000, Shift = 0x20000, Control = 0x40000, Option = 0x80000,
                               Command = 0x100000, Fn = 0x800000, NonCoalesced = 0x100;
}

// One keyboard's input. Every event carries the keyboard's registry id and
// the held modifier flags; keys on which the system sets flags by itself get
// them too.
class Keyboard {
public:
    Keyboard(sim::SimPlatform& sim, std::uint64_t registryId) : sim_(sim), registryId_(registryId) {}

    std::uint64_t flags = 0;

    platform::Event keyEvent(std::uint16_t code, bool down, bool repeat = false) const {
        platform::Event e = platform::Event::keyboard(code, down);
        e.setFlags(flags | implicitKeyFlagsFor(code).value_or(0));
        e.setIntegerField(8, repeat ? 1 : 0);
        e.setIntegerField(87, static_cast<std::int64_t>(registryId_));
        return e;
    }
    void pressKey(std::uint16_t code, bool repeat = false) { sim_.events.inject(keyEvent(code, true, repeat)); }
    void releaseKey(std::uint16_t code) { sim_.events.inject(keyEvent(code, false)); }
    // A modifier key goes down or up: the flags become the new state.
    void changeModifiers(std::uint16_t code, std::uint64_t newFlags) {
        flags = newFlags;
        platform::Event e = platform::Event::keyboard(code, false);
        e.setType(12);
        e.setFlags(newFlags);
        e.setIntegerField(87, static_cast<std::int64_t>(registryId_));
        sim_.events.inject(e);
    }

private:
    sim::SimPlatform& sim_;
    std::uint64_t registryId_;
};

// The engine's taps started as at launch, the global profile current.
class KeyTapTest : public EngineTest {
protected:
    KeyTapTest() {
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        engine::startEngineTaps();
    }

    static void bindKey(std::uint16_t code, std::uint64_t mask, const BindAction& binding,
                        const std::string& app = "") {
        Apps::shared().a.modify([&](AppEntries& entries) { entries[app].key[code][mask] = binding; });
    }
    static BindAction hotkey(std::uint64_t mods, std::uint16_t key) {
        BindAction b;
        b.isHotkey = true;
        b.hotkeyMod = mods;
        b.hotkeyKey = key;
        return b;
    }

    // The next event posted by the engine.
    sim::SimEventSystem::Posted posted() {
        EXPECT_FALSE(sim->events.posted.empty());
        if (sim->events.posted.empty()) return {};
        return sim->events.takePosted();
    }
    void expectPostedKey(std::uint32_t type, std::int64_t code, std::uint64_t flags,
                         sim::SimEventSystem::Route route = sim::SimEventSystem::Route::Proxy) {
        const auto p = posted();
        EXPECT_EQ(p.route, route);
        EXPECT_EQ(p.event.type(), type);
        EXPECT_EQ(p.event.integerField(9), code);
        EXPECT_EQ(p.event.flags(), flags);
    }
    bool nothingPosted() const { return sim->events.posted.empty(); }

    platform::Event delivered() {
        EXPECT_FALSE(sim->events.delivered.empty());
        if (sim->events.delivered.empty()) return {};
        return sim->events.takeDelivered();
    }
    bool nothingDelivered() const { return sim->events.delivered.empty(); }

    Keyboard builtIn{*sim, 0x7201};
};

} // namespace corv::test
