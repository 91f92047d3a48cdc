#pragma once

// The named actions a binding can perform, numbered as stored in bindings.
// The numbering is part of the settings format and never changes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corv {

// Action ids, for code that tests a binding for a particular action. They
// mirror the name table (actionIds()), which stays the source of truth.
namespace ActionId {
inline constexpr std::int64_t DoNothing = 0;
inline constexpr std::int64_t DoubleClick = 1;
inline constexpr std::int64_t TripleClick = 2;
inline constexpr std::int64_t LookUp = 3;
inline constexpr std::int64_t SmartZoom = 4;
inline constexpr std::int64_t SwipeForward = 5;
inline constexpr std::int64_t SwipeBack = 6;
inline constexpr std::int64_t MuteMic = 7;
inline constexpr std::int64_t ThreeFingerSwipeL = 8;
inline constexpr std::int64_t ThreeFingerSwipeR = 9;
inline constexpr std::int64_t ThreeFingerSwipeU = 10;
inline constexpr std::int64_t ThreeFingerSwipeD = 11;
inline constexpr std::int64_t ThreeFingerPinchIn = 12;
inline constexpr std::int64_t ThreeFingerPinchOut = 13;
inline constexpr std::int64_t MediaPlayPause = 14;
inline constexpr std::int64_t MediaPrevious = 15;
inline constexpr std::int64_t MediaNext = 16;
inline constexpr std::int64_t VolumeMute = 17;
inline constexpr std::int64_t VolumeUp = 18;
inline constexpr std::int64_t VolumeDown = 19;
inline constexpr std::int64_t BacklightUp = 20;
inline constexpr std::int64_t BacklightDown = 21;
inline constexpr std::int64_t TriggerSwipeL = 22;
inline constexpr std::int64_t TriggerSwipeR = 23;
inline constexpr std::int64_t TriggerSwipeU = 24;
inline constexpr std::int64_t TriggerSwipeD = 25;
inline constexpr std::int64_t TriggerPinchIn = 26;
inline constexpr std::int64_t TriggerPinchOut = 27;
inline constexpr std::int64_t VolumeUpContinuous = 28;
inline constexpr std::int64_t VolumeDownContinuous = 29;
inline constexpr std::int64_t BacklightUpContinuous = 30;
inline constexpr std::int64_t BacklightDownContinuous = 31;
inline constexpr std::int64_t ScrollLeft = 32;
inline constexpr std::int64_t ScrollRight = 33;
inline constexpr std::int64_t TwoFingerScroll = 34;
inline constexpr std::int64_t Pan = 35;
inline constexpr std::int64_t CmdClick = 36;
inline constexpr std::int64_t ShiftCmdClick = 37;
inline constexpr std::int64_t CtrlCmdClick = 38;
inline constexpr std::int64_t ShiftClick = 39;
inline constexpr std::int64_t OptionClick = 40;
inline constexpr std::int64_t LeftClick = 41;
inline constexpr std::int64_t RightClick = 42;
inline constexpr std::int64_t MiddleClick = 43;
inline constexpr std::int64_t ZoomIn = 44;
inline constexpr std::int64_t ZoomOut = 45;
inline constexpr std::int64_t Sleep = 46;
inline constexpr std::int64_t Logout = 47;
inline constexpr std::int64_t ScreenOff = 48;
inline constexpr std::int64_t LockScreen = 49;
inline constexpr std::int64_t AppLaunch = 50;
inline constexpr std::int64_t IMSwitch = 51;
inline constexpr std::int64_t ExtraKeys = 52;
inline constexpr std::int64_t ZoomWindow = 53;
inline constexpr std::int64_t FullscreenWindow = 54;
inline constexpr std::int64_t ModClicks = 55;
inline constexpr std::int64_t Url = 56;
} // namespace ActionId

inline constexpr std::size_t kActionCount = 57;

// The binding flags an action brings along when it is chosen.
struct ActionFlags {
    bool clickTh = false;
    bool clickThEn = false;
    bool multiShot = false;
    bool operator==(const ActionFlags&) const = default;
};

// Action name → id, all 57 actions.
const std::unordered_map<std::string_view, std::int64_t>& actionIds();
std::optional<std::int64_t> actionIdByName(std::string_view name);

// Default flags, indexed by action id.
const std::array<ActionFlags, kActionCount>& actionDefaultFlags();
// The row of an id; nothing for an id outside 0...56.
std::optional<ActionFlags> defaultFlagsFor(std::int64_t id);

// The words the menus show for an action: its name, except that the trigger
// and continuous actions borrow the words of their plain twins. Nothing for an
// id outside the table and for the actions that stand in no menu.
std::optional<std::string_view> actionMenuTitle(std::int64_t id);
// "Button action " followed by the menu title.
std::optional<std::string> actionNameKey(std::int64_t id);
// The hint key the trackpad menus use for an action.
std::optional<std::string_view> actionHintKey(std::int64_t id);

} // namespace corv
