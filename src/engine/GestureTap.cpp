#include "engine/GestureTap.h"

#include "engine/AppWindows.h"
#include "engine/ClickTap.h"
#include "engine/EngineTaps.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/GestureItems.h"
#include "engine/GestureLookup.h"
#include "engine/MultitouchDevices.h"
#include "engine/SenderDevice.h"
#include "model/ActiveGesItems.h"
#include "model/GesState.h"
#include "model/ModifierMask.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <array>
#include <memory>

namespace corv::engine {

namespace {

using platform::Event;
using Result = std::optional<Event>;
using Items = ActiveGesItems;

constexpr std::int64_t kTapMotion = 5;

bool isEnd(std::int64_t phase) { return phase == Phase::Ended || phase == Phase::Cancelled; }
bool isStart(std::int64_t phase) { return phase == Phase::Began || phase == Phase::MayBegin; }

// Progress of a two-finger swipe along its direction.
double swipeProgress(ActDir dir, double dx, double dy) {
    switch (dir) {
    case ActDir::Right: return dx;
    case ActDir::Left: return -dx;
    case ActDir::Down: return dy;
    default: return -dy;
    }
}

Result scrollWheel(Event event) {
    auto& gs = GesState::shared();
    const std::int64_t p = event.integerField(EventField::ScrollPhase);
    bool momentum = false;
    if (gs.inertia) {
        if (isStart(p))
            gs.inertia = false;
        else
            momentum = true;
    }
    const bool bracket = gs.e22Began && (p == Phase::Began || isEnd(p));
    if (!bracket && (momentum || anyGesItemStarted() || gs.preventE22)) return std::nullopt;
    if (isStart(p))
        gs.e22Began = true;
    else if (isEnd(p))
        gs.e22Began = false;
    return event;
}

Result twoFingerSwipe(Event event, std::int64_t p, std::uint64_t mask) {
    const double dx = event.doubleField(EventField::ScrollGestureDeltaX);
    const double dy = event.doubleField(EventField::ScrollGestureDeltaY);
    auto& ui = UIState::shared();
    if (p == Phase::Began)
        ui.scrolling.set(true);
    else if (isEnd(p))
        ui.scrolling.set(false);
    if (ui.inHScrollBar.get()) {
        ui.offset.set(ui.offset.get() + dx);
        return event;
    }

    auto& items = Items::shared();
    if (p == Phase::Began) {
        removeGesItem(Items::kTwoFingerSwipe);
        appUnderCursor(event.location());
        if (const AnApp* entry = currentAppEntry(); entry && entry->sct) {
            raiseWindowUnderCursor();
            platform::runLoop().runFor(kScrollClickThroughWait);
        }
        auto item = std::make_shared<GesItem>();
        const ActDir dir = swipeDirection(dx, dy);
        item->map.dir = dir;
        findGestureBinding(2, ActGes::Swipe, mask, dir, item->map);
        if (!item->map.binding) return event;
        item->x = item->delta = swipeProgress(dir, dx, dy) / kSwipeScale;
        items.put(Items::kTwoFingerSwipe, item);
        beginGesItem(*item);
        return std::nullopt;
    }

    if (p != Phase::Changed && !isEnd(p)) return event;
    const auto item = items.find(Items::kTwoFingerSwipe);
    if (!item) return event;
    if (p == Phase::Changed) {
        const double step = swipeProgress(item->map.dir, dx, dy) / kSwipeScale;
        item->x += step;
        item->delta = step;
        if (item->state == GesPhase::In) stepGesItem(*item, false);
        return std::nullopt;
    }
    if (item->state == GesPhase::In) endGesItem(*item);
    items.remove(Items::kTwoFingerSwipe);
    GesState::shared().inertia = true;
    return std::nullopt;
}

Result pinchOrRotate(platform::TapProxy proxy, Event event, std::int64_t sub, std::int64_t p, std::uint64_t mask) {
    auto& items = Items::shared();
    auto translation = items.find(Items::kTranslation);
    if (p == Phase::Began && translation) {
        const auto own = items.find(sub);
        if (translation->ended || (own && own->started)) {
            clearPinchRotateItems();
            translation = nullptr;
        }
    }
    if (!translation) {
        if (p != Phase::Began && p != Phase::Changed) return event;
        makePinchRotateItems(event.location());
        translation = items.find(Items::kTranslation);
    }

    if (sub == raw(CGEventSubType::Translation)) {
        if (p == Phase::Began || p == Phase::Changed) {
            translation->started = true;
        } else if (isEnd(p)) {
            translation->ended = true;
            finishPinchRotateIfDone();
        }
        if (translation->pass) return event;
        return std::nullopt;
    }

    const bool rotation = sub == raw(CGEventSubType::Rotation);
    const auto item = items.find(sub);
    const auto other = items.find(rotation ? Items::kZoom : Items::kRotation);
    if (!item || !other) return event;

    const bool moves = p == Phase::Began || p == Phase::Changed;
    if (p == Phase::Began) {
        item->heldPhase1 = std::make_shared<Event>(event);
    } else if (isEnd(p)) {
        item->ended = true;
        if (item->state == GesPhase::In) endGesItem(*item);
    }

    if (moves) {
        const double v = event.doubleField(rotation ? EventField::RotationValue : EventField::ZoomValue);
        if (!item->started) {
            item->started = true;
            const ActDir dir = rotation ? rotateDirection(v) : zoomDirection(v);
            item->map.dir = dir;
            findGestureBinding(2, rotation ? ActGes::Rotate : ActGes::Zoom, mask, dir, item->map);
        }
        if (!translation->pass) {
            const ActDir forward = rotation ? ActDir::CCW : ActDir::Spread;
            const double x = (item->map.dir == forward ? v : -v) / (rotation ? kRotationScale : kZoomScale);
            item->delta = x;
            if (item->won || other->won) {
                if (item->state == GesPhase::In) {
                    item->x += x;
                    stepGesItem(*item, false);
                }
            } else {
                item->count += 1;
                if (item->count >= kPinchRotateWinCount && item->count >= other->count) {
                    item->won = true;
                    if (item->map.binding) {
                        item->x = item->delta;
                        beginGesItem(*item);
                    } else {
                        item->pass = true;
                        if (item->heldPhase1) platform::eventTaps().postToProxy(proxy, *item->heldPhase1);
                    }
                }
            }
        }
    }

    if (isEnd(p)) finishPinchRotateIfDone();
    if (translation->pass || item->pass) return event;
    return std::nullopt;
}

bool isRightDown(const Event& down) { return down.type() == raw(NSEventType::RightMouseDown); }

// Click-through for a held mouse-down about to be replayed.
void raiseForHeldDown(const Event& down) {
    const AnApp* entry = currentAppEntry();
    if (isRightDown(down)) {
        if (entry && entry->rct) raiseWindowUnderCursor();
    } else if ((down.flags() & EventFlag::Option) == 0) {
        if (entry && entry->lct) raiseWindowUnderCursor();
    }
}

// Posts the held mouse-down through the tap that held it, and its up shortly after.
void replayHeldClick(const GesItem& item) {
    const auto down = item.heldDown;
    const platform::TapProxy proxy = item.heldProxy;
    const bool right = isRightDown(*down);
    raiseForHeldDown(*down);
    auto& loop = platform::runLoop();
    loop.post([down, proxy] { platform::eventTaps().postToProxy(proxy, *down); });
    loop.postAfter(kHeldClickUpDelay, [down, proxy, right] {
        down->setType(raw(right ? NSEventType::RightMouseUp : NSEventType::LeftMouseUp));
        platform::eventTaps().postToProxy(proxy, *down);
    });
}

// A force click replaced while its item still holds a mouse-down that no
// binding consumed: the down goes on through the tap that held it, and the
// user's up, still to come, passes after it.
void replayHeldDownOfReplacedItem() {
    const auto item = Items::shared().find(Items::kForceClick);
    if (!item || item->state == GesPhase::Done || !item->heldDown || !item->heldProxy) return;
    const Event& down = *item->heldDown;
    raiseForHeldDown(down);
    auto& clicks = ClickTapState::shared();
    (isRightDown(down) ? clicks.rightDownPassed : clicks.leftDownPassed) = true;
    platform::eventTaps().postToProxy(item->heldProxy, down);
}

Result forceClick(Event event, std::int64_t p, std::uint64_t mask) {
    auto& gs = GesState::shared();
    const std::int64_t stage = event.integerField(EventField::ForceStage);
    gs.preventE22 = !isEnd(p);
    const std::uint64_t fcnt = gs.fcnt.load();
    const bool passThrough = fcnt == 1 && stage == 1 && !UIState::shared().tapToClick.get();
    const auto result = [&]() -> Result { return passThrough ? Result(std::move(event)) : std::nullopt; };

    auto& items = Items::shared();
    if (p == Phase::Began) {
        replayHeldDownOfReplacedItem();
        removeGesItem(Items::kForceClick);
        auto item = std::make_shared<GesItem>();
        item->gesFCnt = fcnt;
        // The depth the item's binding stands for: the Click binding, even
        // when the press already reports a deep click; the deep click takes
        // over on a changed event.
        item->maxDepth = 1;
        if (!passThrough) findGestureBinding(fcnt, ActGes::Click, mask, ActDir::None, item->map);
        findGestureBinding(fcnt, ActGes::Click2, mask, ActDir::None, item->click2);
        if (!item->map.binding && !item->click2.binding) return event;
        items.put(Items::kForceClick, item);
        if (item->map.binding) beginGesItem(*item);
        return result();
    }

    const auto item = items.find(Items::kForceClick);
    if (!item) return event;
    if (p == Phase::Changed) {
        if (stage == 2 && item->state != GesPhase::Done && item->click2.binding) {
            item->map = item->click2;
            item->maxDepth = 2;
            stepGesItem(*item, true);
        }
    } else if (isEnd(p)) {
        if (item->state == GesPhase::In) {
            if (item->maxDepth == 2)
                endGesItem(*item);
            else if (item->maxDepth == 1 && item->map.binding)
                stepGesItem(*item, true);
        } else if (item->state == GesPhase::NotYet && item->maxDepth == 1 && item->heldDown && item->heldProxy) {
            replayHeldClick(*item);
        }
        items.remove(Items::kForceClick);
    }
    return result();
}

Result gesture(platform::TapProxy proxy, Event event, std::int64_t sub, std::uint64_t mask) {
    if (sub == raw(CGEventSubType::Null)) return event;
    auto& gs = GesState::shared();
    const std::int64_t p = event.integerField(EventField::GesturePhase);
    if (gs.inertia && isStart(p)) gs.inertia = false;
    if (p == Phase::None) {
        if (sub == raw(CGEventSubType::ZoomToggle)) return event;
        return std::nullopt;
    }
    switch (static_cast<CGEventSubType>(sub)) {
    case CGEventSubType::Scroll: return twoFingerSwipe(std::move(event), p, mask);
    case CGEventSubType::Translation:
    case CGEventSubType::Rotation:
    case CGEventSubType::Zoom: return pinchOrRotate(proxy, std::move(event), sub, p, mask);
    case CGEventSubType::Force: return forceClick(std::move(event), p, mask);
    default: return event;
    }
}

Result dockControl(Event event, std::int64_t sub, std::uint64_t mask) {
    if (sub != raw(CGEventSubType::DockSwipe)) return event;
    const std::int64_t motion = event.integerField(EventField::DockSwipeMotion);
    const std::int64_t p = event.integerField(EventField::GesturePhase);
    const double progress = event.doubleField(EventField::DockSwipeProgress);
    auto& gs = GesState::shared();
    if (gs.inertia && p == Phase::Began) gs.inertia = false;

    const auto entry = dockSwipeMotion(motion);
    if (!entry) {
        if (motion != kTapMotion) return event;
        platform::runLoop().runFor(0);
        appUnderCursor(event.location());
        GesItem tap;
        findGestureBinding(MultitouchState::shared().touchSequenceMaxFingers.load(), ActGes::Tap, mask, ActDir::None,
                           tap.map);
        if (!tap.map.binding) return event;
        stepGesItem(tap, false);
        return std::nullopt;
    }

    auto& items = Items::shared();
    const auto along = [&](ActDir dir) { return (dir == entry->positive ? progress : -progress) * entry->scale; };
    if (p == Phase::Began) {
        removeGesItem(Items::kDockSwipe);
        auto item = std::make_shared<GesItem>();
        const ActDir dir = progress > 0 ? entry->positive : entry->negative;
        item->map.dir = dir;
        item->x = item->delta = along(dir);
        appUnderCursor(event.location());
        findGestureBinding(gs.fcnt.load(), entry->gesture, mask, dir, item->map);
        if (!item->map.binding) return event;
        items.put(Items::kDockSwipe, item);
        beginGesItem(*item);
        return std::nullopt;
    }
    if (p != Phase::Changed && !isEnd(p)) return event;
    const auto item = items.find(Items::kDockSwipe);
    if (!item) return event;
    if (p == Phase::Changed) {
        const double x = along(item->map.dir);
        item->delta = x - item->x;
        item->x = x;
        if (item->state == GesPhase::In) stepGesItem(*item, false);
        return std::nullopt;
    }
    if (item->state == GesPhase::In) endGesItem(*item);
    items.remove(Items::kDockSwipe);
    return std::nullopt;
}

} // namespace

std::optional<DockSwipeMotionEntry> dockSwipeMotion(std::int64_t motion) {
    static constexpr std::array<DockSwipeMotionEntry, 4> table{{
        {ActGes::Swipe, ActDir::Left, ActDir::Right, 1.0},
        {ActGes::Swipe, ActDir::Down, ActDir::Up, 1.0},
        {ActGes::Zoom, ActDir::Pinch, ActDir::Spread, 0.5},
        {ActGes::Rotate, ActDir::CW, ActDir::CCW, 0.6366197723675814},  // 2/π
    }};
    if (motion < 1 || motion > static_cast<std::int64_t>(table.size())) return std::nullopt;
    return table[static_cast<std::size_t>(motion - 1)];
}

std::optional<Event> gestureTapHandler(platform::TapProxy proxy, std::uint32_t type, Event event) {
    if (!isTrackpadSender(event)) {
        if (type == platform::eventType::TapDisabledByTimeout) setTapEnabled(gestureTap());
        return event;
    }
    const std::int64_t sub = event.integerField(EventField::GestureSubtype);
    const std::uint64_t mask = modifierMask(event.flags());
    switch (static_cast<NSEventType>(type)) {
    case NSEventType::ScrollWheel: return scrollWheel(std::move(event));
    case NSEventType::Gesture: return gesture(proxy, std::move(event), sub, mask);
    case NSEventType::DockControl: return dockControl(std::move(event), sub, mask);
    default: return event;
    }
}

void removeGesItem(std::int64_t key) {
    auto& items = Items::shared();
    const auto item = items.find(key);
    if (!item) return;
    if (item->state == GesPhase::In && item->map.binding && item->map.binding->multiShot) endGesItem(*item);
    items.remove(key);
}

void makePinchRotateItems(platform::Point location) {
    appUnderCursor(location);
    bool pass = true;
    if (const AnApp* entry = currentAppEntry()) {
        if (auto two = entry->ges.find(2); two != entry->ges.end())
            pass = !two->second.contains(ActGes::Rotate) && !two->second.contains(ActGes::Zoom);
    }
    auto& items = Items::shared();
    for (std::int64_t key : {Items::kTranslation, Items::kRotation, Items::kZoom})
        items.put(key, std::make_shared<GesItem>());
    items.find(Items::kTranslation)->pass = pass;
}

bool pinchRotateItemDone(std::int64_t key) {
    const auto item = Items::shared().find(key);
    if (!item || !item->started) return true;
    return item->ended;
}

void finishPinchRotateIfDone() {
    const auto translation = Items::shared().find(Items::kTranslation);
    if (translation && translation->ended && pinchRotateItemDone(Items::kRotation) &&
        pinchRotateItemDone(Items::kZoom))
        clearPinchRotateItems();
}

void clearPinchRotateItems() {
    auto& items = Items::shared();
    for (std::int64_t key : {Items::kRotation, Items::kZoom}) {
        const auto item = items.find(key);
        if (!item || item->state == GesPhase::NotYet) continue;
        GesState::shared().inertia = true;
        if (item->state == GesPhase::In && item->map.binding && item->map.binding->multiShot) endGesItem(*item);
    }
    for (std::int64_t key : {Items::kTranslation, Items::kRotation, Items::kZoom}) items.remove(key);
}

bool anyGesItemStarted() {
    for (const auto& [key, item] : Items::shared().items())
        if (item->state != GesPhase::NotYet) return true;
    return false;
}

} // namespace corv::engine
