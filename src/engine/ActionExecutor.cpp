#include "engine/ActionExecutor.h"

#include "engine/AppWindows.h"
#include "engine/Commands.h"
#include "engine/CurrentApp.h"
#include "engine/EventFields.h"
#include "engine/EventKinds.h"
#include "engine/GestureEvents.h"
#include "engine/LaunchTarget.h"
#include "engine/Magnify.h"
#include "engine/MicMute.h"
#include "engine/ModClick.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"
#include "engine/SwipeAnimation.h"
#include "engine/SystemKeys.h"
#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/ShellState.h"
#include "model/SymbolicHotKeys.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::engine {

namespace {

// A plain press of a system-defined key.
constexpr std::uint64_t kPlainKeyFlags = 0x100;
// Shift and Option with their left-side device bits, for the continuous keys.
constexpr std::uint64_t kContinuousKeyFlags = 0xA0122;

constexpr double kDoubleClickRepeatDelay = 0.03;
constexpr double kTripleClickRepeatDelay = 0.016;

constexpr double kZoomStep = 0.05;

constexpr std::int64_t kNavigationForward = 8;
constexpr std::int64_t kNavigationBack = 4;

platform::Point cursorPosition() { return cursorLocation(); }

// The first click of a double or triple click: a left down and up at the
// cursor with the flags. Gives the event for the repeats.
platform::Event postFirstClick(platform::Point at, std::uint64_t flags) {
    appUnderCursor(at);
    raiseWindowUnderCursor();
    platform::Event e = platform::Event::mouse(raw(NSEventType::LeftMouseDown), at, 0);
    e.setIntegerField(EventField::SenderRegistryId, 1);
    e.setFlags(flags);
    postAtSession(e);
    e.setType(raw(NSEventType::LeftMouseUp));
    postAtSession(e);
    return e;
}

void postSmartZoom(bool clickThrough) {
    if (clickThrough) raiseWindowUnderCursor();
    platform::Event e;
    e.setType(raw(NSEventType::Gesture));
    e.setIntegerField(EventField::GestureSubtype, raw(CGEventSubType::ZoomToggle));
    postAtSession(e);
}

void postNavigation(bool clickThrough, std::int64_t direction) {
    if (clickThrough) raiseWindowUnderCursor();
    postNavigationSwipe(direction);
}

// One step sideways: 1 line, 2 points and 0.2 fixed-point on the horizontal
// axis, left for +1 and right for -1.
void postHorizontalScroll(std::int64_t sign, std::uint64_t flags) {
    platform::Event e = platform::Event::scrollWheel(platform::ScrollUnits::Pixel, 0, 0);
    e.setFlags(flags);
    e.setIntegerField(EventField::ScrollIsContinuous, 0);
    e.setIntegerField(EventField::SenderRegistryId, 0);
    e.setIntegerField(EventField::ScrollDeltaAxis1, 0);
    e.setIntegerField(EventField::ScrollPointDeltaAxis1, 0);
    e.setDoubleField(EventField::ScrollFixedDeltaAxis1, 0.0);
    e.setIntegerField(EventField::ScrollDeltaAxis2, sign);
    e.setIntegerField(EventField::ScrollPointDeltaAxis2, 2 * sign);
    e.setDoubleField(EventField::ScrollFixedDeltaAxis2, 0.2 * static_cast<double>(sign));
    postAtSession(e);
}

// The first application of all known ones (installed and running) with the
// name, in the set's fixed order.
void launchApplicationNamed(const std::optional<std::string>& name) {
    if (!name) return;
    const auto& apps = ApplicationSets::shared().allApps;
    auto it = std::find_if(apps.begin(), apps.end(), [&](const Application& a) { return a.name == *name; });
    if (it != apps.end()) platform::workspace().openApplication(it->url);
}

void switchToNextInputSource() {
    const auto& shell = ShellState::shared();
    const auto& sources = shell.inputSources;
    if (sources.empty()) return;
    // -1 (the current source is not listed) starts at the first one.
    const std::int64_t current = shell.currentInputSourceIndex;
    const auto count = static_cast<std::int64_t>(sources.size());
    const std::int64_t next = current < 0 ? 0 : (current + 1) % count;
    platform::inputSources().select(sources[static_cast<std::size_t>(next)]);
}

void zoomWindowUnderCursor(platform::Point at) {
    appUnderCursor(at);
    if (isZoomWindowExcluded(CurrentApp::shared().bundleId)) return;
    auto window = appWindows();
    if (!window) return;
    auto& ax = platform::accessibility();
    auto button = ax.copyAttributeValue(*window, "AXFullScreenButton");
    const auto* element = button ? std::get_if<platform::AXElement>(&*button) : nullptr;
    if (element) ax.performAction(*element, "AXZoomWindow");
}

bool dockStateIs(DockState state) { return ShellState::shared().dockState == static_cast<std::uint8_t>(state); }

} // namespace

void performAction(std::int64_t action, bool clickThrough, std::uint64_t flags,
                   const std::optional<std::string>& text) {
    if (action < 0 || action >= static_cast<std::int64_t>(kActionCount)) return;
    const platform::Point at = cursorPosition();

    switch (action) {
    case ActionId::DoNothing:
        if (clickThrough) {
            appUnderCursor(at);
            raiseWindowUnderCursor();
        }
        return;
    case ActionId::DoubleClick: {
        auto e = postFirstClick(at, flags);
        platform::runLoop().postAfter(kDoubleClickRepeatDelay, [e] { repostClick(e, 2); });
        return;
    }
    case ActionId::TripleClick: {
        auto e = postFirstClick(at, flags);
        platform::runLoop().postAfter(kTripleClickRepeatDelay, [e] { postTripleClickTail(e); });
        return;
    }
    case ActionId::LookUp:
        if (auto hotKey = symbolicHotKeyId("LookUp")) postSymbolicHotKey(*hotKey, clickThrough);
        return;
    case ActionId::SmartZoom:
        postSmartZoom(clickThrough);
        return;
    case ActionId::SwipeForward:
        postNavigation(clickThrough, kNavigationForward);
        return;
    case ActionId::SwipeBack:
        postNavigation(clickThrough, kNavigationBack);
        return;
    case ActionId::MuteMic:
        toggleMicMute();
        return;

    case ActionId::MediaPlayPause:
        return postSystemKey(SystemKeyType::Play, kPlainKeyFlags);
    case ActionId::MediaPrevious:
        return postSystemKey(SystemKeyType::Previous, kPlainKeyFlags);
    case ActionId::MediaNext:
        return postSystemKey(SystemKeyType::Next, kPlainKeyFlags);
    case ActionId::VolumeMute:
        return postSystemKey(SystemKeyType::Mute, kPlainKeyFlags);
    case ActionId::VolumeUp:
        return postSystemKey(SystemKeyType::SoundUp, kPlainKeyFlags);
    case ActionId::VolumeDown:
        return postSystemKey(SystemKeyType::SoundDown, kPlainKeyFlags);
    case ActionId::BacklightUp:
        return postSystemKey(SystemKeyType::BrightnessUp, kPlainKeyFlags);
    case ActionId::BacklightDown:
        return postSystemKey(SystemKeyType::BrightnessDown, kPlainKeyFlags);

    case ActionId::TriggerSwipeL:
        return triggerDockSwipe(SwipeMotion::Horizontal, +1);
    case ActionId::TriggerSwipeR:
        return triggerDockSwipe(SwipeMotion::Horizontal, -1);
    case ActionId::TriggerSwipeU:
        return triggerDockSwipe(SwipeMotion::Vertical, dockStateIs(DockState::AllWindows) ? -1 : +1);
    case ActionId::TriggerSwipeD:
        return triggerDockSwipe(SwipeMotion::Vertical, dockStateIs(DockState::FrontWindows) ? +1 : -1);
    case ActionId::TriggerPinchIn:
        return triggerDockSwipe(SwipeMotion::Pinch, dockStateIs(DockState::Launchpad) ? +1 : -1);
    case ActionId::TriggerPinchOut:
        return triggerDockSwipe(SwipeMotion::Pinch, dockStateIs(DockState::Desktop) ? -1 : +1);

    case ActionId::VolumeUpContinuous:
        return postSystemKey(SystemKeyType::SoundUp, kContinuousKeyFlags);
    case ActionId::VolumeDownContinuous:
        return postSystemKey(SystemKeyType::SoundDown, kContinuousKeyFlags);
    case ActionId::BacklightUpContinuous:
        return postSystemKey(SystemKeyType::BrightnessUp, kContinuousKeyFlags);
    case ActionId::BacklightDownContinuous:
        return postSystemKey(SystemKeyType::BrightnessDown, kContinuousKeyFlags);

    case ActionId::ScrollLeft:
        return postHorizontalScroll(+1, flags);
    case ActionId::ScrollRight:
        return postHorizontalScroll(-1, flags);

    case ActionId::ZoomIn:
        return magnifyWithTimeout(kZoomStep);
    case ActionId::ZoomOut:
        return magnifyWithTimeout(-kZoomStep);

    case ActionId::Sleep:
        return sendLoginWindowEvent(kSleepEvent);
    case ActionId::Logout:
        return sendLoginWindowEvent(kLogOutEvent);
    case ActionId::ScreenOff:
        platform::displays().sleepDisplaysNow();
        return;
    case ActionId::LockScreen:
        platform::screenLock().lockNow();
        return;
    case ActionId::AppLaunch:
        return launchApplicationNamed(text);
    case ActionId::IMSwitch:
        return switchToNextInputSource();
    case ActionId::ZoomWindow:
        return zoomWindowUnderCursor(at);
    case ActionId::FullscreenWindow:
        return toggleFullScreen(at);
    case ActionId::Url:
        if (text) launchTarget(*text);
        return;

    // Driven by the gesture items, or posted by the callers themselves.
    default:
        return;
    }
}

} // namespace corv::engine
