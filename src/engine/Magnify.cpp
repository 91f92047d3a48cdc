#include "engine/Magnify.h"

#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::engine {

namespace {

platform::Event makeMagnifyEvent() {
    platform::Event event;
    event.setType(raw(NSEventType::Gesture));
    event.setLocation(cursorLocation());
    event.setIntegerField(EventField::GestureSubtype, raw(CGEventSubType::Zoom));
    return event;
}

void postPhase(platform::Event& event, std::int64_t phase, double value) {
    event.setIntegerField(EventField::GesturePhase, phase);
    event.setDoubleField(EventField::ZoomValue, value);
    postAtSession(event);
}

} // namespace

Magnify& Magnify::shared() { return Shared<Magnify>::instance(); }

bool isMagnifyKickApp(std::string_view bundleId) {
    return std::find(magnifyKickApps.begin(), magnifyKickApps.end(), bundleId) != magnifyKickApps.end();
}

void postMagnifyGesture(double value, bool end) {
    auto& m = Magnify::shared();
    platform::Event event = makeMagnifyEvent();

    if (end) {
        m.magnifyState = 0;
        postPhase(event, Phase::Ended, value);
        return;
    }
    if (m.magnifyState == 1) {
        postPhase(event, Phase::Changed, value);
        return;
    }
    if (m.magnifyState != 0) return;

    m.magnifyState = 1;
    const std::uint64_t sequence = ++m.sequence;
    raiseWindowUnderCursor();
    postPhase(event, Phase::Began, 0.0);
    if (isMagnifyKickApp(CurrentApp::shared().bundleId))
        postPhase(event, Phase::Changed, value < 0 ? kMagnifyKickOut : kMagnifyKickIn);
    platform::runLoop().postAfter(kMagnifyFirstChangeDelay, [event, value, sequence] {
        // A sequence that ended meanwhile takes no further change.
        const auto& now = Magnify::shared();
        if (now.magnifyState != 1 || now.sequence != sequence) return;
        postMagnifyChanged(event, value);
    });
}

void magnifyWithTimeout(double value) {
    auto& m = Magnify::shared();
    auto& loop = platform::runLoop();
    if (m.magnifyEndTimer) {
        loop.cancel(*m.magnifyEndTimer);
        m.magnifyEndTimer = loop.postAfter(kMagnifyEndDelay, [] { magnifyTimerFired(); });
        postMagnifyGesture(value, false);
        return;
    }
    postMagnifyGesture(value, false);
    m.magnifyEndTimer = loop.postAfter(kMagnifyEndDelay, [] { magnifyTimerFired(); });
}

void magnifyTimerFired() {
    auto& m = Magnify::shared();
    if (m.magnifyEndTimer) platform::runLoop().cancel(*m.magnifyEndTimer);
    m.magnifyEndTimer.reset();
    postMagnifyEnded();
}

void postMagnifyEnded() {
    platform::Event event = makeMagnifyEvent();
    Magnify::shared().magnifyState = 0;
    postPhase(event, Phase::Ended, 0.0);
}

void postMagnifyChanged(std::optional<platform::Event> event, double value) {
    if (!event) return;
    postPhase(*event, Phase::Changed, value);
}

} // namespace corv::engine
