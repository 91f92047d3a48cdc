#include "recorders/GestureRecorder.h"

#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/MultitouchDevices.h"
#include "engine/SenderDevice.h"
#include "model/BindAction.h"
#include "model/GesState.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "model/UIApp.h"
#include "model/UIState.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/GesBindingEdits.h"
#include "recorders/Highlights.h"

#include <algorithm>

namespace corv::recorders {

namespace {

namespace F = engine::EventField;
namespace P = engine::Phase;

using engine::CGEventSubType;
using engine::NSEventType;
using engine::raw;

constexpr std::int64_t kRotation = raw(CGEventSubType::Rotation);
constexpr double kTapDelay = 0.02;

std::uint64_t fingers() { return GesState::shared().fcnt.load(); }

void dockControl(const platform::Event& e, std::uint64_t mod) {
    const std::int64_t motion = e.integerField(F::DockSwipeMotion);
    const std::int64_t phase = e.integerField(F::GesturePhase);
    const bool positive = e.doubleField(F::DockSwipeProgress) > 0;
    if (motion == 5) {
        platform::runLoop().postAfter(kTapDelay, [mod] { recordTapGesture(mod); });
        return;
    }
    if (motion < 1 || motion > 4 || phase != P::Began) return;
    switch (motion) {
    case 1:
        recordGesture(fingers(), ActGes::Swipe, mod, positive ? ActDir::Left : ActDir::Right);
        break;
    case 2:
        recordGesture(fingers(), ActGes::Swipe, mod, positive ? ActDir::Down : ActDir::Up);
        break;
    case 3:
        recordGesture(fingers(), ActGes::Zoom, mod, positive ? ActDir::Pinch : ActDir::Spread);
        break;
    default:
        recordGesture(fingers(), ActGes::Rotate, mod, positive ? ActDir::CW : ActDir::CCW);
        break;
    }
}

// Rotation and zoom events of one gesture vote: the first type to reach its
// third began or changed event wins, in the direction its first event fixed.
void rotateOrZoom(const platform::Event& e, std::int64_t type, std::int64_t phase, std::uint64_t mod) {
    PadRecState& s = PadRecState::shared();
    if (phase == P::Ended || phase == P::Cancelled) {
        s.inGes = false;
        s.rzCount.clear();
        s.rzDir.clear();
        s.rzWon = 0;
        return;
    }
    if (phase == P::Began) {
        s.inGes = true;
    } else if (phase != P::Changed) {
        return;
    }
    if (!s.rzDir.count(type)) {
        if (type == kRotation) {
            s.rzDir[type] = e.doubleField(F::RotationValue) > 0 ? ActDir::CCW : ActDir::CW;
        } else {
            s.rzDir[type] = e.doubleField(F::ZoomValue) > 0 ? ActDir::Spread : ActDir::Pinch;
        }
    }
    if (s.rzWon != 0) return;
    if (++s.rzCount[type] <= 2) return;
    s.rzWon = type;
    recordGesture(2, type == kRotation ? ActGes::Rotate : ActGes::Zoom, mod, s.rzDir[type]);
}

ActDir scrollDirection(double a, double b) {
    if (b <= a) return a >= -b ? ActDir::Right : ActDir::Up;
    return a < -b ? ActDir::Left : ActDir::Down;
}

void twoFingerScroll(const platform::Event& e, std::int64_t phase, std::uint64_t mod) {
    const double a = e.doubleField(F::ScrollGestureDeltaX);
    const double b = e.doubleField(F::ScrollGestureDeltaY);
    const ActDir dir = scrollDirection(a, b);
    UIState& ui = UIState::shared();
    const bool ending = phase == P::Ended || phase == P::Cancelled;
    if (phase == P::Began) ui.scrolling.set(true);
    if (ending) ui.scrolling.set(false);
    if (ui.inHScrollBar.get()) {
        ui.offset.set(ui.offset.get() + a);
        return;
    }
    PadRecState& s = PadRecState::shared();
    if (ending) {
        s.inGes = false;
        return;
    }
    if (phase != P::Began) return;
    s.inGes = true;
    // A plain vertical scroll is never recorded.
    if ((dir == ActDir::Up || dir == ActDir::Down) && mod == 0) return;
    recordGesture(2, ActGes::Swipe, mod, dir);
}

void pressure(const platform::Event& e, std::int64_t phase, std::uint64_t mod) {
    PadRecState& s = PadRecState::shared();
    const std::int64_t stage = e.integerField(F::ForceStage);
    const bool tapToClick = UIState::shared().tapToClick.get();
    if (fingers() == 1 && (phase == P::None || phase == P::Began) && !tapToClick) {
        if (phase == P::Began) {
            s.gesFCnt = fingers();
            s.maxDepth = stage;
        }
        return;
    }
    if (phase == P::Began) {
        s.inGes = true;
        s.gesFCnt = fingers();
        s.maxDepth = stage;
        return;
    }
    if (phase == P::Changed) {
        s.maxDepth = std::max(s.maxDepth, stage);
        return;
    }
    if (phase != P::Ended && phase != P::Cancelled) return;
    s.inGes = false;
    const std::uint64_t f = s.gesFCnt;
    s.gesFCnt = 0;
    if (f == 0) return;
    // A plain one-finger click is no gesture while tap-to-click is off.
    if (f == 1 && s.maxDepth == 1 && !tapToClick) return;
    recordGesture(f, s.maxDepth == 2 ? ActGes::Click2 : ActGes::Click, mod, ActDir::None);
}

} // namespace

PadRecState& PadRecState::shared() { return Shared<PadRecState>::instance(); }

std::optional<platform::Event> gestureRecorderTapCallback(std::uint32_t type, const platform::Event& event) {
    if (type != raw(NSEventType::Gesture) && type != raw(NSEventType::DockControl)) return std::nullopt;
    if (!engine::isTrackpadSender(event)) return std::nullopt;
    const std::int64_t subtype = event.integerField(F::GestureSubtype);
    const std::uint64_t mod = modifierMask(event.flags());
    if (type == raw(NSEventType::DockControl)) {
        if (subtype == raw(CGEventSubType::DockSwipe)) dockControl(event, mod);
        return std::nullopt;
    }
    const std::int64_t phase = event.integerField(F::GesturePhase);
    switch (static_cast<CGEventSubType>(subtype)) {
    case CGEventSubType::Rotation:
    case CGEventSubType::Zoom:
        rotateOrZoom(event, subtype, phase, mod);
        break;
    case CGEventSubType::Scroll:
        twoFingerScroll(event, phase, mod);
        break;
    case CGEventSubType::Force:
        pressure(event, phase, mod);
        break;
    default:
        break;
    }
    return std::nullopt;
}

void recordTapGesture(std::uint64_t mod) {
    recordGesture(engine::MultitouchState::shared().touchSequenceMaxFingers.load(), ActGes::Tap, mod, ActDir::None);
}

void recordGesture(std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir) {
    // Before the touch callback counted the fingers: no gesture can bind to 0.
    if (fgr == 0) return;
    const std::string app = UIApp::shared().id.get();
    const AnApp* entry = appEntry(app);
    if (!entry || (!app.empty() && !appEntry(""))) return;
    if (!gesBindingAt(*entry, {fgr, ges, mod, dir})) addGesBinding(app, fgr, ges, mod, dir, BindAction::makeDefault());
    GesHi& hi = GesHi::shared();
    hi.byClick.set(false);
    hi.h.set(GesHilited{fgr, ges, mod, dir});
}

} // namespace corv::recorders
