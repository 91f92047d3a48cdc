#pragma once

// The keyboard tab on the simulated machine: a global profile, an
// application with its own bindings, an unlocked follower and a locked
// application; Logitech keyboards from the device-layer world.

#include "logitech/KeyboardWorld.h"

#include "engine/EngineTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/UIApp.h"

namespace corv::test {

using logitech::LogiKeybsUI;
using logitech::LogiKeybUIList;
using logitech::test::kSlotIndex;

inline constexpr std::uint64_t kEsc = 53, kF13 = 105, kReturn = 36, kCmd = 0x10;
inline const std::string kApp = "com.example.Editor";
inline const std::string kFollower = "com.example.follower";
inline const std::string kLocked = "com.example.locked";

class KeyboardTabFixture : public logitech::test::KeyboardWorld {
protected:
    KeyboardTabFixture() {
        AnApp global;
        global.key[kEsc][0] = BindAction::forAction(ActionId::Sleep);
        global.key[kReturn][kCmd] = BindAction::forAction(ActionId::MediaNext);
        setEntry("", global);
        AnApp app;
        app.url = Url("file:///usr/share/applications/Editor.app");
        app.key[kEsc][0] = BindAction::forAction(ActionId::Sleep);        // equal: primary
        app.key[kReturn][kCmd] = BindAction::forAction(ActionId::Logout); // differs: overridden
        app.key[kF13][0] = BindAction::forAction(ActionId::ZoomIn);       // own only: overridden
        setEntry(kApp, app);
        setEntry(kFollower, global);
        AnApp locked = global;
        locked.keyLock = true;
        setEntry(kLocked, locked);
    }

    static void setEntry(const std::string& id, const AnApp& e) {
        Apps::shared().a.modify([&](AppEntries& all) { all[id] = e; });
    }
    static const AnApp& entry(const std::string& id) { return Apps::shared().a.get().at(id); }
    static std::optional<BindAction> at(const std::string& id, std::uint64_t k, std::uint64_t m) {
        const auto& keys = entry(id).key;
        auto l = keys.find(k);
        if (l == keys.end()) return std::nullopt;
        auto s = l->second.find(m);
        return s == l->second.end() ? std::nullopt : std::optional<BindAction>(s->second);
    }
    void turn() { sim->runLoop.runFor(0); }
    bool keyTapOn() const {
        return sim->events.isEnabled(engine::keyTap().tap) && sim->events.sourceInMainLoop(engine::keyTap().tap);
    }

    // A keyboard record with the given controls (divertable) and bound ids.
    void giveControls(int k, std::initializer_list<std::uint16_t> controls, std::initializer_list<std::uint16_t> bound) {
        editOpt(k, [&](LogiKeyOpt& o) {
            for (auto c : controls) o.id1b04List[c] = 0x30;
            for (auto c : bound) o.key[c][0] = BindAction::forAction(ActionId::VolumeUp);
        });
    }
};

} // namespace corv::test
