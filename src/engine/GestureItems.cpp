#include "engine/GestureItems.h"

#include "engine/ActionExecutor.h"
#include "engine/AppWindows.h"
#include "engine/DisplayLink.h"
#include "engine/DisplaySpaces.h"
#include "engine/GestureEvents.h"
#include "engine/KeyCombo.h"
#include "engine/Magnify.h"
#include "engine/ModClick.h"
#include "engine/MultitouchDevices.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"
#include "engine/SwipeAnimation.h"
#include "model/ActionTable.h"
#include "model/GesState.h"
#include "model/Haptic.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

#include <cmath>
#include <memory>

namespace corv::engine {

namespace {

// Each action fires once per 1/50 of progress, a hotkey once per 1/10.
constexpr double kActionStepsPerUnit = 50;
constexpr double kHotkeyStepDivisor = 5;

// The magnify of a zoom-family binding moves twice as fast as the fingers.
constexpr double kZoomGain = 2.0;

// Actuation used for every pulse; only the strength comes from the settings.
constexpr std::int32_t kPulseActuation = 6;
constexpr std::uint32_t kPulseFlags = 11;
constexpr float kPulseArg4 = 4.0f;

bool inRange(std::int64_t id, std::int64_t from, std::int64_t to) { return id >= from && id <= to; }
bool isThreeFinger(std::int64_t id) { return inRange(id, ActionId::ThreeFingerSwipeL, ActionId::ThreeFingerPinchOut); }
bool isHorizontalSwipe(std::int64_t id) { return inRange(id, ActionId::ThreeFingerSwipeL, ActionId::ThreeFingerSwipeR); }
bool isVerticalSwipe(std::int64_t id) { return inRange(id, ActionId::ThreeFingerSwipeU, ActionId::ThreeFingerSwipeD); }
bool isZoom(std::int64_t id) { return inRange(id, ActionId::ZoomIn, ActionId::ZoomOut); }

double sign(double v) { return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0; }

platform::Point cursor() { return cursorLocation(); }

// The magnify value of a zoom-family step: spreading zooms in.
double zoomValue(const BindAction& b, double delta) {
    return kZoomGain * (b.actionSel == ActionId::ZoomIn ? delta : -delta);
}

void startDockSwipe(const GesItem& item, const BindAction& b) {
    auto& anim = swipeAnim();
    const auto dock = static_cast<DockState>(ShellState::shared().dockState);
    double target = 0;
    std::int64_t motion = 0;
    if (isHorizontalSwipe(b.actionSel)) {
        const double v = b.actionSel == ActionId::ThreeFingerSwipeL ? item.x : -item.x;
        const SpacePosition at = spacePositionAtPoint(cursor());
        anim.spaceCount = at.count;
        anim.spaceIndex = at.index;
        target = at.count >= 2 ? sign(v) * static_cast<double>(at.count) / static_cast<double>(at.count - 1)
                               : sign(v) * 2.0;
        motion = SwipeMotion::Horizontal;
    } else if (isVerticalSwipe(b.actionSel)) {
        const double v = b.actionSel == ActionId::ThreeFingerSwipeD ? item.x : -item.x;
        const bool towards = (v < 0 && dock == DockState::AllWindows) || (v > 0 && dock == DockState::FrontWindows);
        target = towards ? sign(v) : -sign(v);
        motion = SwipeMotion::Vertical;
    } else {
        const double v = b.actionSel == ActionId::ThreeFingerPinchIn ? item.x : -item.x;
        const bool towards = (v < 0 && dock == DockState::Desktop) || (v > 0 && dock == DockState::Launchpad);
        target = towards ? sign(v) : -sign(v);
        motion = SwipeMotion::Pinch;
    }
    anim.target = target;
    anim.motion = motion;
    anim.pos = std::fabs(item.x);
    postDockSwipeEvent(motion, 1, anim.pos.get() * target, 0.0);
    anim.held = true;
    DLinkPara::shared().setSwipeLinkEn(true);
}

// Fires the binding (or, backwards, the opposite binding) once per quantum
// between lastStep and step.
void fireDifference(const GesItem& item, std::int64_t step) {
    const std::int64_t d = step - item.lastStep;
    const bool forward = d >= 1;
    const auto& binding = forward ? item.map.binding : item.map.bindingOppo;
    if (!binding) return;
    const std::uint64_t extra = forward ? item.map.keyMod : item.map.keyModOppo;
    const BindAction& b = *binding;
    const auto& haptic = Haptic::shared();
    for (std::int64_t i = 0; i < (d < 0 ? -d : d); ++i) {
        if (b.isHotkey) {
            platform::Event down = platform::Event::keyboard(b.hotkeyKey, true);
            down.setFlags(extra | b.hotkeyMod);
            postAtSession(down);
            const std::uint64_t mods = b.hotkeyMod;
            platform::runLoop().post([down, mods, extra] { postKeyUp(down, mods, extra); });
        } else {
            performAction(b.actionSel, b.clickTh, extra, b.appName);
        }
        hapticPulse(haptic.mEnable(), haptic.mPara());
    }
}

} // namespace

void hapticPulse(bool enabled, const Buzz& parameters) {
    if (!enabled) return;
    auto actuator = feedbackActuator();
    if (!actuator) return;
    platform::multitouch().actuate(actuator->actuator, kPulseActuation, kPulseFlags, parameters.intensity,
                                   kPulseArg4);
}

void beginGesItem(GesItem& item) {
    item.state = GesPhase::In;
    if (!item.map.binding || !item.map.binding->multiShot) return;
    const BindAction& b = *item.map.binding;
    item.lastStep = 0;
    const auto& haptic = Haptic::shared();
    if (b.isHotkey) {
        if (b.clickTh) raiseWindowUnderCursor();
        return;
    }
    if (isThreeFinger(b.actionSel)) {
        startDockSwipe(item, b);
        hapticPulse(haptic.sEnable(), haptic.sPara());
    } else if (isZoom(b.actionSel)) {
        GesState::shared().loc = cursor();
        postMagnifyGesture(zoomValue(b, item.delta), false);
        hapticPulse(haptic.sEnable(), haptic.sPara());
    }
}

void stepGesItem(GesItem& item, bool isClick) {
    if (!item.map.binding) return;
    const BindAction& b = *item.map.binding;
    const auto& haptic = Haptic::shared();
    if (!b.multiShot) {
        if (b.isHotkey) {
            postKeyCombo(b.hotkeyMod, item.map.keyMod, b.hotkeyKey, b.clickTh);
        } else if (b.actionSel == ActionId::ModClicks) {
            postModClick(b.hotkeyMod, item.map.keyMod, b.hotkeyKey, 0, b.clickTh);
        } else {
            performAction(b.actionSel, b.clickTh, item.map.keyMod, b.appName);
        }
        item.state = GesPhase::Done;
        if (!isClick) hapticPulse(haptic.sEnable(), haptic.sPara());
        return;
    }
    if (b.isHotkey) {
        const auto step = static_cast<std::int64_t>(std::rint(item.x * kActionStepsPerUnit / kHotkeyStepDivisor));
        fireDifference(item, step);
        item.lastStep = step;
    } else if (isThreeFinger(b.actionSel)) {
        auto& anim = swipeAnim();
        const double x = std::fabs(item.x);
        const double pos = std::fabs(anim.pos.get());
        if (pos != x) {
            anim.lastDelta = x - pos;
            anim.pos = x;
        }
    } else if (isZoom(b.actionSel)) {
        postMagnifyGesture(zoomValue(b, item.delta), false);
    } else {
        const auto step = static_cast<std::int64_t>(std::rint(item.x * kActionStepsPerUnit));
        fireDifference(item, step);
        item.lastStep = step;
    }
}

void endGesItem(GesItem& item) {
    if (!item.map.binding) return;
    const BindAction& b = *item.map.binding;
    if (b.isHotkey) {
        const std::uint64_t f = item.map.keyMod | b.hotkeyMod;
        if (f >= kFirstModifierFlag) releaseModifierKey(f);
    } else if (b.multiShot && isThreeFinger(b.actionSel)) {
        auto& anim = swipeAnim();
        const double pos = anim.pos.get();
        const double target = anim.target.get();
        const bool horizontal = anim.motion.get() == SwipeMotion::Horizontal;
        const std::int64_t index = anim.spaceIndex.get();
        double goal;
        if (horizontal && ((index == 0 && target <= 0) || (index == anim.spaceCount.get() - 1 && target > 0))) {
            goal = 0;
        } else {
            goal = anim.lastDelta.get() > 0 ? std::ceil(pos) : std::trunc(pos);
        }
        anim.goal = goal;
        anim.remaining = goal - pos;
        anim.decay = 1.0;
        anim.held = false;
    } else if (b.multiShot && isZoom(b.actionSel)) {
        postMagnifyEnded();
    }
    item.state = GesPhase::Done;
}

} // namespace corv::engine
