#include "model/ActionMenus.h"

#include "model/ActionTable.h"
#include "platform/Localization.h"

#include <iterator>
#include <span>
#include <stdexcept>
#include <string_view>

namespace corv {

namespace {

namespace A = ActionId;
constexpr std::int64_t Sep = kMenuSeparator;

constexpr std::int64_t kClickGestureRows[] = {
    A::DoNothing, A::DoubleClick, A::TripleClick, A::LookUp, A::SmartZoom, A::SwipeForward, A::SwipeBack, Sep,
    A::TriggerSwipeL, A::TriggerSwipeR, A::TriggerSwipeU, A::TriggerSwipeD, A::TriggerPinchIn, A::TriggerPinchOut, Sep,
    A::MediaPlayPause, A::MediaPrevious, A::MediaNext, A::MuteMic, A::VolumeMute, A::VolumeUp, A::VolumeDown,
    A::BacklightUp, A::BacklightDown, Sep,
    A::ZoomWindow, A::FullscreenWindow, A::Sleep, A::Logout, A::ScreenOff, A::LockScreen, A::AppLaunch, A::IMSwitch,
    A::Url, Sep,
    A::ModClicks,
};

constexpr std::int64_t kGestureRows[] = {
    A::DoNothing, A::SmartZoom, A::SwipeForward, A::SwipeBack, Sep,
    A::ThreeFingerSwipeL, A::ThreeFingerSwipeR, A::ThreeFingerSwipeU, A::ThreeFingerSwipeD, A::ThreeFingerPinchIn,
    A::ThreeFingerPinchOut, A::ZoomIn, A::ZoomOut, Sep,
    A::ZoomWindow, A::FullscreenWindow, A::Sleep, A::Logout, A::ScreenOff, A::LockScreen, A::AppLaunch, A::IMSwitch,
    A::Url, Sep,
    A::MediaPlayPause, A::MediaPrevious, A::MediaNext, A::MuteMic, A::VolumeMute, A::VolumeUpContinuous,
    A::VolumeDownContinuous, A::BacklightUpContinuous, A::BacklightDownContinuous,
};

constexpr std::int64_t kKeyRows[] = {
    A::Sleep, A::Logout, A::ScreenOff, A::LockScreen, A::DoNothing, Sep,
    A::SwipeForward, A::SwipeBack, A::TriggerSwipeL, A::TriggerSwipeR, A::TriggerSwipeU, A::TriggerSwipeD,
    A::TriggerPinchIn, A::TriggerPinchOut, Sep,
    A::ZoomWindow, A::FullscreenWindow, Sep,
    A::MediaPlayPause, A::MediaPrevious, A::MediaNext, A::MuteMic, A::VolumeMute, A::VolumeUp, A::VolumeDown,
    A::BacklightUp, A::BacklightDown, Sep,
    A::AppLaunch, A::IMSwitch, A::Url, A::ExtraKeys, Sep,
    A::DoubleClick, A::TripleClick, A::LookUp, A::SmartZoom, A::CmdClick, A::ShiftCmdClick, A::ShiftClick,
    A::CtrlCmdClick, A::OptionClick, A::LeftClick, A::MiddleClick, A::RightClick, Sep,
    A::ScrollLeft, A::ScrollRight, A::ZoomIn, A::ZoomOut,
};

constexpr std::int64_t kLogiKeyRows[] = {
    A::SmartZoom, A::Sleep, A::Logout, A::ScreenOff, A::LockScreen, A::DoNothing, Sep,
    A::SwipeForward, A::SwipeBack, A::TriggerSwipeL, A::TriggerSwipeR, A::TriggerSwipeU, A::TriggerSwipeD,
    A::TriggerPinchIn, A::TriggerPinchOut, Sep,
    A::ZoomWindow, A::FullscreenWindow, Sep,
    A::MediaPlayPause, A::MediaPrevious, A::MediaNext, A::MuteMic, A::VolumeMute, A::VolumeUp, A::VolumeDown,
    A::BacklightUp, A::BacklightDown, Sep,
    A::AppLaunch, A::IMSwitch, A::ModClicks, A::Url, A::ExtraKeys,
};

static_assert(std::size(kClickGestureRows) == 36);
static_assert(std::size(kGestureRows) == 33);
static_assert(std::size(kKeyRows) == 50);
static_assert(std::size(kLogiKeyRows) == 34);

constexpr std::string_view kClicksHint = "gkey hint clicks";

// "btn hint X" becomes "gkey hint X"; keys already in the key form stay.
std::string keyMenuHint(std::string_view trackpadHint) {
    constexpr std::string_view btn = "btn hint ";
    if (trackpadHint.starts_with(btn)) return "gkey hint " + std::string(trackpadHint.substr(btn.size()));
    return std::string(trackpadHint);
}

bool inKeyClickGroups(std::int64_t act) {
    switch (act) {
    case A::DoubleClick: case A::TripleClick: case A::LookUp: case A::SmartZoom:
    case A::ScrollLeft: case A::ScrollRight: case A::ZoomIn: case A::ZoomOut:
        return true;
    default:
        return act >= A::CmdClick && act <= A::MiddleClick;
    }
}

std::string hintKeyFor(ActionMenuKind kind, std::int64_t act) {
    std::string_view trackpadHint = actionHintKey(act).value_or("");
    switch (kind) {
    case ActionMenuKind::ClickGesture:
    case ActionMenuKind::Gesture:
        return std::string(trackpadHint);
    case ActionMenuKind::Key:
        if (inKeyClickGroups(act)) return std::string(kClicksHint);
        return keyMenuHint(trackpadHint);
    case ActionMenuKind::LogiKey:
        if (act == A::SmartZoom) return std::string(trackpadHint);
        if (act == A::ModClicks) return std::string(kClicksHint);
        return keyMenuHint(trackpadHint);
    }
    return std::string(trackpadHint);
}

std::span<const std::int64_t> rowsOf(ActionMenuKind kind) {
    switch (kind) {
    case ActionMenuKind::ClickGesture: return kClickGestureRows;
    case ActionMenuKind::Gesture: return kGestureRows;
    case ActionMenuKind::Key: return kKeyRows;
    case ActionMenuKind::LogiKey: return kLogiKeyRows;
    }
    return kClickGestureRows;
}

ActionMenu localize(ActionMenu menu) {
    for (auto& row : menu) {
        if (row.isSeparator()) continue;
        row.name = platform::localized(row.name);
        row.hint = platform::localized(row.hint);
    }
    return menu;
}

} // namespace

ActionMenu actionMenuLayout(ActionMenuKind kind) {
    ActionMenu menu;
    const auto rows = rowsOf(kind);
    menu.reserve(rows.size());
    for (std::int64_t act : rows) {
        if (act == Sep) {
            menu.push_back({Sep, "-", ""});
            continue;
        }
        auto nameKey = actionNameKey(act);
        if (!nameKey) throw std::logic_error("action menu row without a title");
        menu.push_back({act, std::move(*nameKey), hintKeyFor(kind, act)});
    }
    return menu;
}

const ActionMenu& clickGestureActionMenu() {
    static const ActionMenu menu = localize(actionMenuLayout(ActionMenuKind::ClickGesture));
    return menu;
}

const ActionMenu& gestureActionMenu() {
    static const ActionMenu menu = localize(actionMenuLayout(ActionMenuKind::Gesture));
    return menu;
}

const ActionMenu& keyActionMenu() {
    static const ActionMenu menu = localize(actionMenuLayout(ActionMenuKind::Key));
    return menu;
}

const ActionMenu& logiKeyActionMenu() {
    static const ActionMenu menu = localize(actionMenuLayout(ActionMenuKind::LogiKey));
    return menu;
}

const ActionMenu& actionMenu(ActionMenuKind kind) {
    switch (kind) {
    case ActionMenuKind::ClickGesture: return clickGestureActionMenu();
    case ActionMenuKind::Gesture: return gestureActionMenu();
    case ActionMenuKind::Key: return keyActionMenu();
    case ActionMenuKind::LogiKey: return logiKeyActionMenu();
    }
    return clickGestureActionMenu();
}

const MenuRow* findMenuRow(const ActionMenu& menu, std::int64_t actionSel) {
    if (actionSel < 0) return nullptr; // never a separator
    for (const auto& row : menu)
        if (row.act == actionSel) return &row;
    return nullptr;
}

std::optional<std::string> menuTitle(const ActionMenu& menu, std::int64_t actionSel) {
    if (const MenuRow* row = findMenuRow(menu, actionSel)) return row->name;
    return std::nullopt;
}

std::optional<std::string> menuTitle(ActionMenuKind kind, std::int64_t actionSel) {
    return menuTitle(actionMenu(kind), actionSel);
}

} // namespace corv
