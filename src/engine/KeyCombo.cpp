#include "engine/KeyCombo.h"

#include "engine/AppWindows.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/SessionPost.h"
#include "model/ModifierMask.h"

namespace corv::engine {

std::uint16_t modifierKeyCode(std::uint64_t flags) {
    if (flags & EventFlag::Control) return 59;
    if (flags & EventFlag::Shift) return 56;
    if (flags & EventFlag::Command) return 55;
    if (flags & EventFlag::Option) return 58;
    if (flags & EventFlag::Fn) return 63;
    if (flags & EventFlag::CapsLock) return 57;
    return 55;
}

void postKeyCombo(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t keyCode, bool clickThrough) {
    if (clickThrough) raiseWindowUnderCursor();
    platform::Event down = platform::Event::keyboard(keyCode, true);
    down.setFlags(mods | extraMods);
    postAtSession(down);
    platform::runLoop().post([down, mods, extraMods] { postKeyComboUp(down, mods, extraMods); });
}

void postKeyComboDown(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t keyCode, bool clickThrough) {
    if (clickThrough) raiseWindowUnderCursor();
    const std::uint64_t flags = mods | extraMods;
    if (flags >= kFirstModifierFlag) {
        platform::Event event = platform::Event::keyboard(modifierKeyCode(flags), false);
        event.setType(raw(NSEventType::FlagsChanged));
        event.setFlags(flags);
        postAtSession(event);
        platform::runLoop().post([event, keyCode, flags]() mutable {
            event.setIntegerField(EventField::KeyboardKeycode, keyCode);
            event.setType(raw(NSEventType::KeyDown));
            event.setFlags(flags);
            postAtSession(event);
        });
    } else {
        platform::Event down = platform::Event::keyboard(keyCode, true);
        down.setFlags(flags);
        postAtSession(down);
    }
}

std::optional<platform::Event> postKeyUp(std::optional<platform::Event> event, std::uint64_t mods,
                                         std::uint64_t extraMods) {
    if (!event) return event;
    event->setType(raw(NSEventType::KeyUp));
    event->setFlags(mods | extraMods);
    postAtSession(*event);
    return event;
}

void postKeyComboUp(std::optional<platform::Event> event, std::uint64_t mods, std::uint64_t extraMods) {
    event = postKeyUp(std::move(event), mods, extraMods);
    if ((mods | extraMods) >= kFirstModifierFlag)
        platform::runLoop().post([event, mods, extraMods] { postModifierRelease(event, mods, extraMods); });
}

std::optional<platform::Event> postModifierRelease(std::optional<platform::Event> event, std::uint64_t mods,
                                                   std::uint64_t extraMods) {
    if (!event) return event;
    event->setIntegerField(EventField::KeyboardKeycode, modifierKeyCode(mods | extraMods));
    event->setType(raw(NSEventType::FlagsChanged));
    event->setFlags(EventFlag::NonCoalesced);
    postAtSession(*event);
    return event;
}

void releaseModifierKey(std::uint64_t flags) {
    platform::Event event = platform::Event::keyboard(modifierKeyCode(flags), false);
    event.setType(raw(NSEventType::FlagsChanged));
    event.setFlags(EventFlag::NonCoalesced);
    postAtSession(event);
}

} // namespace corv::engine
