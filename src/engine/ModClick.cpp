#include "engine/ModClick.h"

#include "engine/AppWindows.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/HIDPostManager.h"
#include "engine/KeyCombo.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"
#include "model/Shared.h"

namespace corv::engine {

namespace {

platform::Point cursor() {
    auto& ws = platform::windowServer();
    return ws.cursorLocation(skyLightConnection());
}

platform::Event mouseEvent(std::uint32_t type, std::uint16_t click, double x, double y, std::uint64_t flags) {
    platform::Event e = platform::Event::mouse(type, platform::Point{x, y}, static_cast<std::uint32_t>(click - 1));
    e.setFlags(flags);
    return e;
}

void postFlagsChanged(std::uint64_t flags) {
    platform::Event e = platform::Event::keyboard(modifierKeyCode(flags), false);
    e.setType(raw(NSEventType::FlagsChanged));
    e.setFlags(flags);
    postAtSession(e);
}

} // namespace

ClickTypes clickTypes(std::uint16_t click) {
    switch (click) {
    case 1:
        return {raw(NSEventType::LeftMouseDown), raw(NSEventType::LeftMouseUp), raw(NSEventType::LeftMouseDragged), 0};
    case 2:
        return {raw(NSEventType::RightMouseDown), raw(NSEventType::RightMouseUp), raw(NSEventType::RightMouseDragged),
                1};
    default:
        return {raw(NSEventType::OtherMouseDown), raw(NSEventType::OtherMouseUp), raw(NSEventType::OtherMouseDragged),
                static_cast<std::uint64_t>(click) - 1};
    }
}

HeldClick& HeldClick::shared() { return Shared<HeldClick>::instance(); }

void postModClick(std::uint64_t mods, std::uint64_t extraMods, std::uint16_t click, std::int64_t phase,
                  bool clickThrough) {
    const platform::Point at = cursor();
    const auto p = static_cast<ClickPhase>(phase);
    if (clickThrough && (p == ClickPhase::Click || p == ClickPhase::Press)) raiseWindowUnderCursor();

    if (click == 0) {
        if (p == ClickPhase::Click) return;
        if (p == ClickPhase::Press) {
            if (mods != 0) postModifierMarker(static_cast<std::uint32_t>(mods));
        } else {
            postModifierMarker(0);
        }
        return;
    }

    const ClickTypes t = clickTypes(click);
    const std::uint64_t flags = extraMods | mods;
    auto& held = HeldClick::shared();
    if (p == ClickPhase::Press) {
        held = HeldClick{t.dragged, t.button, flags};
        postFlagsChanged(flags);
        platform::runLoop().post([t, click, at] { postHeldMouseEvent(t.down, click, at.x, at.y); });
    } else if (p == ClickPhase::Click) {
        postFlagsChanged(flags);
        platform::runLoop().post([t, click, flags, at] { postClickPair(t.down, click, flags, t.up, at.x, at.y); });
    } else {
        held = HeldClick{};
        postAtSession(mouseEvent(t.up, click, at.x, at.y, flags));
        platform::runLoop().post([flags] { releaseModifierKey(flags); });
    }
}

void postClickPair(std::uint32_t downType, std::uint16_t click, std::uint64_t flags, std::uint32_t upType,
                   double x, double y) {
    platform::Event e = mouseEvent(downType, click, x, y, flags);
    postAtSession(e);
    e.setType(upType);
    e.setFlags(flags);
    postAtSession(e);
    platform::runLoop().post([flags] { releaseModifierKey(flags); });
}

void postHeldMouseEvent(std::uint32_t type, std::uint16_t click, double x, double y) {
    postAtSession(mouseEvent(type, click, x, y, HeldClick::shared().heldMouseFlags));
}

void repostClick(std::optional<platform::Event> event, std::int64_t clickState) {
    if (!event) return;
    event->setIntegerField(EventField::MouseClickState, clickState);
    event->setType(raw(NSEventType::LeftMouseDown));
    postAtSession(*event);
    event->setType(raw(NSEventType::LeftMouseUp));
    postAtSession(*event);
}

void postTripleClickTail(std::optional<platform::Event> event) {
    repostClick(event, 2);
    platform::runLoop().postAfter(kTripleClickDelay, [event] { repostClick(event, 3); });
}

} // namespace corv::engine
