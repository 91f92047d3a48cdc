#include "engine/ClickTap.h"

#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "engine/EngineTaps.h"
#include "engine/EventKinds.h"
#include "engine/GestureLookup.h"
#include "engine/HeldModifiers.h"
#include "engine/SenderDevice.h"
#include "model/ActiveGesItems.h"
#include "model/GesState.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <cmath>
#include <memory>
#include <utility>

namespace corv::engine {

namespace {

using platform::Event;
using Result = std::optional<Event>;

// A Click binding for the fingers, or any Click2 entry for them.
bool isHoldCandidate(std::uint64_t fingers, std::uint64_t mask) {
    GesBinding scratch;
    scratch.dir = ActDir::None;
    const AnApp* entry = currentAppEntry();
    findGestureBinding(entry, fingers, ActGes::Click, mask, ActDir::None, scratch);
    if (scratch.binding) return true;
    if (!entry) return false;
    auto byFingers = entry->ges.find(fingers);
    return byFingers != entry->ges.end() && byFingers->second.contains(ActGes::Click2);
}

// Parks a copy of the down in the force-click item, after one turn of the
// run loop in which the gesture tap may make that item.
bool park(platform::TapProxy proxy, const Event& event, bool needsTwoFingers) {
    platform::runLoop().runFor(0);
    if (needsTwoFingers && GesState::shared().fcnt.load() != 2) return false;
    const auto item = ActiveGesItems::shared().find(ActiveGesItems::kForceClick);
    if (!item) return false;
    item->heldDown = std::make_shared<Event>(event);
    item->heldProxy = proxy;
    return true;
}

double distance(platform::Point a, platform::Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

Result leftDown(platform::TapProxy proxy, Event event, std::uint64_t mask) {
    auto& state = ClickTapState::shared();
    appUnderCursor(event.location());
    const std::uint64_t fcnt = GesState::shared().fcnt.load();
    const bool mayHold = fcnt != 1 || UIState::shared().tapToClick.get();
    if (mayHold && isHoldCandidate(fcnt, mask) && park(proxy, event, false)) return std::nullopt;

    state.leftDownPassed = true;
    if (event.flags() & EventFlag::Option) return event;
    const AnApp* entry = currentAppEntry();
    if (!entry || !entry->lct) return event;
    raiseWindowUnderCursor();
    if (CurrentApp::shared().bundleId.starts_with("com.apple")) {
        state.leftDownWaiting = true;
        platform::runLoop().runFor(kAppleClickThroughWait);
        state.leftDownWaiting = false;
        const std::vector<Event> drags = std::exchange(state.dragsWhileWaiting, {});
        const bool upCame = !state.leftDownPassed;
        if (upCame || !drags.empty()) {
            // The down goes first, then the drags in order; this event
            // becomes the up when that came too.
            auto& taps = platform::eventTaps();
            taps.postToProxy(proxy, event);
            for (const Event& drag : drags) taps.postToProxy(proxy, drag);
            if (!upCame) return std::nullopt;
            event.setType(raw(NSEventType::LeftMouseUp));
        }
    }
    return event;
}

Result rightDown(platform::TapProxy proxy, Event event, std::uint64_t mask) {
    appUnderCursor(event.location());
    if (UIState::shared().tapToClick.get() && isHoldCandidate(2, mask) && park(proxy, event, true))
        return std::nullopt;
    ClickTapState::shared().rightDownPassed = true;
    if (const AnApp* entry = currentAppEntry(); entry && entry->rct) raiseWindowUnderCursor();
    return event;
}

Result up(Event event, bool& downPassed) {
    if (!downPassed) return std::nullopt;
    downPassed = false;
    return event;
}

Result leftDragged(platform::TapProxy proxy, Event event) {
    auto& state = ClickTapState::shared();
    if (state.leftDownWaiting && state.leftDownPassed) {
        state.dragsWhileWaiting.push_back(std::move(event));
        return std::nullopt;
    }
    const auto item = ActiveGesItems::shared().find(ActiveGesItems::kForceClick);
    if (item && item->state != GesPhase::Done) {
        if (item->heldDown) {
            if (distance(event.location(), item->heldDown->location()) < kHeldClickMoveThreshold)
                return std::nullopt;
            // The drag starts with the replayed down.
            item->state = GesPhase::Done;
            state.leftDownPassed = true;
            if ((event.flags() & EventFlag::Option) == 0) {
                if (const AnApp* entry = currentAppEntry(); entry && entry->lct) raiseWindowUnderCursor();
            }
            platform::eventTaps().postToProxy(proxy, *item->heldDown);
            return event;
        }
        if (item->state == GesPhase::In) item->state = GesPhase::Done;
    }
    if (state.leftDownPassed) return event;
    return std::nullopt;
}

Result rightDragged(platform::TapProxy proxy, Event event) {
    auto& state = ClickTapState::shared();
    const auto item = ActiveGesItems::shared().find(ActiveGesItems::kForceClick);
    if (item && item->state != GesPhase::Done) {
        if (item->heldDown) {
            if (distance(event.location(), item->heldDown->location()) >= kHeldClickMoveThreshold) {
                item->state = GesPhase::Done;
                // A held right down is replayed like a left one, so that its up
                // passes and the click is not lost.
                if (item->heldDown->type() == raw(NSEventType::RightMouseDown)) {
                    state.rightDownPassed = true;
                    if (const AnApp* entry = currentAppEntry(); entry && entry->rct) raiseWindowUnderCursor();
                    platform::eventTaps().postToProxy(proxy, *item->heldDown);
                }
            }
        } else if (item->state == GesPhase::In) {
            item->state = GesPhase::Done;
        }
    }
    if (state.rightDownPassed) return event;
    return std::nullopt;
}

} // namespace

ClickTapState& ClickTapState::shared() { return Shared<ClickTapState>::instance(); }

std::optional<Event> clickTapHandler(platform::TapProxy proxy, std::uint32_t type, Event event) {
    if (!isTrackpadSender(event)) {
        if (type == platform::eventType::TapDisabledByTimeout) setTapEnabled(clickTap());
        return event;
    }
    event.setFlags(event.flags() | HeldModifiers::shared().logiModifierFlags);
    const std::uint64_t mask = modifierMask(event.flags());
    auto& state = ClickTapState::shared();
    switch (static_cast<NSEventType>(type)) {
    case NSEventType::LeftMouseDown: return leftDown(proxy, std::move(event), mask);
    case NSEventType::LeftMouseUp:
        if (state.leftDownWaiting && state.leftDownPassed) {
            // Swallowed here: the waiting down delivers itself, then this up.
            state.leftDownPassed = false;
            return std::nullopt;
        }
        return up(std::move(event), state.leftDownPassed);
    case NSEventType::RightMouseDown: return rightDown(proxy, std::move(event), mask);
    case NSEventType::RightMouseUp: return up(std::move(event), state.rightDownPassed);
    case NSEventType::LeftMouseDragged: return leftDragged(proxy, std::move(event));
    case NSEventType::RightMouseDragged: return rightDragged(proxy, std::move(event));
    default: return event;
    }
}

} // namespace corv::engine
