#include "model/ActionTable.h"

namespace corv {

namespace {

struct ActionRow {
    std::string_view name;
    ActionFlags flags;
    std::string_view hintKey; // empty: the action stands in no menu
};

constexpr ActionFlags F(int clickTh, int clickThEn, int multiShot) {
    return {clickTh != 0, clickThEn != 0, multiShot != 0};
}

// Row i is action id i.
constexpr std::array<ActionRow, kActionCount> kActions{{
    {"Do Nothing", F(0, 1, 0), "btn hint do nothing"},
    {"Double Click", F(0, 0, 0), "btn hint double click"},
    {"Triple Click", F(0, 0, 0), "btn hint triple click"},
    {"Look Up", F(1, 1, 0), "btn hint look up"},
    {"Smart Zoom", F(1, 1, 0), "btn hint smart zoom"},
    {"Swipe Forward", F(1, 1, 0), "btn hint swipe forward"},
    {"Swipe Back", F(1, 1, 0), "btn hint swipe back"},
    {"Mute Mic", F(0, 0, 0), "btn hint mute mic"},
    {"3 Finger Swipe L", F(0, 0, 1), "btn hint 3 finger swipe L"},
    {"3 Finger Swipe R", F(0, 0, 1), "btn hint 3 finger swipe R"},
    {"3 Finger Swipe U", F(0, 0, 1), "btn hint 3 finger swipe U"},
    {"3 Finger Swipe D", F(0, 0, 1), "btn hint 3 finger swipe D"},
    {"3 Finger Pinch in", F(0, 0, 1), "btn hint 3 finger pinch in"},
    {"3 Finger Pinch out", F(0, 0, 1), "btn hint 3 finger pinch out"},
    {"Media Play/Pause", F(0, 0, 0), "btn hint media p/p"},
    {"Media Previous", F(0, 0, 0), "btn hint media prev"},
    {"Media Next", F(0, 0, 0), "btn hint media next"},
    {"Volume Mute", F(0, 0, 0), "btn hint vol mute"},
    {"Volume Up", F(0, 0, 0), "btn hint vol up"},
    {"Volume Down", F(0, 0, 0), "btn hint vol down"},
    {"Backlight Up", F(0, 0, 0), "btn hint backlight up"},
    {"Backlight Down", F(0, 0, 0), "btn hint backlight down"},
    {"Trigger Swipe L", F(0, 0, 0), "btn hint 3 finger swipe L"},
    {"Trigger Swipe R", F(0, 0, 0), "btn hint 3 finger swipe R"},
    {"Trigger Swipe U", F(0, 0, 0), "btn hint 3 finger swipe U"},
    {"Trigger Swipe D", F(0, 0, 0), "btn hint 3 finger swipe D"},
    {"Trigger Pinch in", F(0, 0, 0), "btn hint 3 finger pinch in"},
    {"Trigger Pinch out", F(0, 0, 0), "btn hint 3 finger pinch out"},
    {"Volume Up Continuous", F(0, 0, 1), "btn hint vol up"},
    {"Volume Down Continuous", F(0, 0, 1), "btn hint vol down"},
    {"Backlight Up Continuous", F(0, 0, 1), "btn hint backlight up"},
    {"Backlight Down Continuous", F(0, 0, 1), "btn hint backlight down"},
    {"Scroll Left", F(0, 1, 1), "gkey hint clicks"},
    {"Scroll Right", F(0, 1, 1), "gkey hint clicks"},
    {"2 Finger Scroll", F(0, 0, 1), ""},
    {"Pan", F(1, 1, 1), ""},
    {"Cmd Click", F(1, 1, 0), "gkey hint clicks"},
    {"Shift Cmd Click", F(1, 1, 0), "gkey hint clicks"},
    {"Ctrl Cmd Click", F(1, 1, 0), "gkey hint clicks"},
    {"Shift Click", F(1, 1, 0), "gkey hint clicks"},
    {"Option Click", F(1, 1, 0), "gkey hint clicks"},
    {"Left Click", F(1, 1, 0), "gkey hint clicks"},
    {"Right Click", F(1, 1, 0), "gkey hint clicks"},
    {"Middle Click", F(1, 1, 0), "gkey hint clicks"},
    {"Zoom In", F(0, 0, 1), "btn hint zoom in"},
    {"Zoom Out", F(0, 0, 1), "btn hint zoom out"},
    {"Sleep", F(0, 0, 0), "btn hint sleep"},
    {"Logout", F(0, 0, 0), "btn hint logout"},
    {"Screen Off", F(0, 0, 0), "btn hint screen off"},
    {"Lock Screen", F(0, 0, 0), "btn hint lock screen"},
    {"App Launch", F(0, 0, 0), "btn hint app launch"},
    {"IM Switch", F(0, 0, 0), "btn hint IM switch"},
    {"Extra Keys", F(0, 0, 0), "gkey hint extra keys"},
    {"Zoom Window", F(0, 0, 0), "btn hint zoom window"},
    {"Fullscreen Window", F(0, 0, 0), "btn hint fullscreen window"},
    {"Mod Clicks", F(0, 1, 0), "btn hint mod clicks"},
    {"Url", F(0, 0, 0), "btn hint Url"},
}};

// The named ids must agree with the table.
static_assert(kActions[ActionId::DoNothing].name == "Do Nothing");
static_assert(kActions[ActionId::DoubleClick].name == "Double Click");
static_assert(kActions[ActionId::TripleClick].name == "Triple Click");
static_assert(kActions[ActionId::LookUp].name == "Look Up");
static_assert(kActions[ActionId::SmartZoom].name == "Smart Zoom");
static_assert(kActions[ActionId::SwipeForward].name == "Swipe Forward");
static_assert(kActions[ActionId::SwipeBack].name == "Swipe Back");
static_assert(kActions[ActionId::MuteMic].name == "Mute Mic");
static_assert(kActions[ActionId::ThreeFingerSwipeL].name == "3 Finger Swipe L");
static_assert(kActions[ActionId::ThreeFingerSwipeR].name == "3 Finger Swipe R");
static_assert(kActions[ActionId::ThreeFingerSwipeU].name == "3 Finger Swipe U");
static_assert(kActions[ActionId::ThreeFingerSwipeD].name == "3 Finger Swipe D");
static_assert(kActions[ActionId::ThreeFingerPinchIn].name == "3 Finger Pinch in");
static_assert(kActions[ActionId::ThreeFingerPinchOut].name == "3 Finger Pinch out");
static_assert(kActions[ActionId::MediaPlayPause].name == "Media Play/Pause");
static_assert(kActions[ActionId::MediaPrevious].name == "Media Previous");
static_assert(kActions[ActionId::MediaNext].name == "Media Next");
static_assert(kActions[ActionId::VolumeMute].name == "Volume Mute");
static_assert(kActions[ActionId::VolumeUp].name == "Volume Up");
static_assert(kActions[ActionId::VolumeDown].name == "Volume Down");
static_assert(kActions[ActionId::BacklightUp].name == "Backlight Up");
static_assert(kActions[ActionId::BacklightDown].name == "Backlight Down");
static_assert(kActions[ActionId::TriggerSwipeL].name == "Trigger Swipe L");
static_assert(kActions[ActionId::TriggerSwipeR].name == "Trigger Swipe R");
static_assert(kActions[ActionId::TriggerSwipeU].name == "Trigger Swipe U");
static_assert(kActions[ActionId::TriggerSwipeD].name == "Trigger Swipe D");
static_assert(kActions[ActionId::TriggerPinchIn].name == "Trigger Pinch in");
static_assert(kActions[ActionId::TriggerPinchOut].name == "Trigger Pinch out");
static_assert(kActions[ActionId::VolumeUpContinuous].name == "Volume Up Continuous");
static_assert(kActions[ActionId::VolumeDownContinuous].name == "Volume Down Continuous");
static_assert(kActions[ActionId::BacklightUpContinuous].name == "Backlight Up Continuous");
static_assert(kActions[ActionId::BacklightDownContinuous].name == "Backlight Down Continuous");
static_assert(kActions[ActionId::ScrollLeft].name == "Scroll Left");
static_assert(kActions[ActionId::ScrollRight].name == "Scroll Right");
static_assert(kActions[ActionId::TwoFingerScroll].name == "2 Finger Scroll");
static_assert(kActions[ActionId::Pan].name == "Pan");
static_assert(kActions[ActionId::CmdClick].name == "Cmd Click");
static_assert(kActions[ActionId::ShiftCmdClick].name == "Shift Cmd Click");
static_assert(kActions[ActionId::CtrlCmdClick].name == "Ctrl Cmd Click");
static_assert(kActions[ActionId::ShiftClick].name == "Shift Click");
static_assert(kActions[ActionId::OptionClick].name == "Option Click");
static_assert(kActions[ActionId::LeftClick].name == "Left Click");
static_assert(kActions[ActionId::RightClick].name == "Right Click");
static_assert(kActions[ActionId::MiddleClick].name == "Middle Click");
static_assert(kActions[ActionId::ZoomIn].name == "Zoom In");
static_assert(kActions[ActionId::ZoomOut].name == "Zoom Out");
static_assert(kActions[ActionId::Sleep].name == "Sleep");
static_assert(kActions[ActionId::Logout].name == "Logout");
static_assert(kActions[ActionId::ScreenOff].name == "Screen Off");
static_assert(kActions[ActionId::LockScreen].name == "Lock Screen");
static_assert(kActions[ActionId::AppLaunch].name == "App Launch");
static_assert(kActions[ActionId::IMSwitch].name == "IM Switch");
static_assert(kActions[ActionId::ExtraKeys].name == "Extra Keys");
static_assert(kActions[ActionId::ZoomWindow].name == "Zoom Window");
static_assert(kActions[ActionId::FullscreenWindow].name == "Fullscreen Window");
static_assert(kActions[ActionId::ModClicks].name == "Mod Clicks");
static_assert(kActions[ActionId::Url].name == "Url");

bool inRange(std::int64_t id) {
    return id >= 0 && static_cast<std::uint64_t>(id) < kActionCount;
}

} // namespace

const std::unordered_map<std::string_view, std::int64_t>& actionIds() {
    static const auto table = [] {
        std::unordered_map<std::string_view, std::int64_t> m;
        m.reserve(kActions.size());
        for (std::size_t i = 0; i < kActions.size(); ++i) m.emplace(kActions[i].name, static_cast<std::int64_t>(i));
        return m;
    }();
    return table;
}

std::optional<std::int64_t> actionIdByName(std::string_view name) {
    const auto& t = actionIds();
    auto it = t.find(name);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

const std::array<ActionFlags, kActionCount>& actionDefaultFlags() {
    static const auto table = [] {
        std::array<ActionFlags, kActionCount> a{};
        for (std::size_t i = 0; i < kActions.size(); ++i) a[i] = kActions[i].flags;
        return a;
    }();
    return table;
}

std::optional<ActionFlags> defaultFlagsFor(std::int64_t id) {
    if (!inRange(id)) return std::nullopt;
    return actionDefaultFlags()[static_cast<std::size_t>(id)];
}

std::optional<std::string_view> actionMenuTitle(std::int64_t id) {
    if (!inRange(id) || kActions[static_cast<std::size_t>(id)].hintKey.empty()) return std::nullopt;
    // Trigger actions show as the three-finger swipes, continuous ones as
    // their plain volume and backlight twins.
    if (id >= ActionId::TriggerSwipeL && id <= ActionId::TriggerPinchOut)
        return kActions[static_cast<std::size_t>(id - ActionId::TriggerSwipeL + ActionId::ThreeFingerSwipeL)].name;
    if (id >= ActionId::VolumeUpContinuous && id <= ActionId::BacklightDownContinuous)
        return kActions[static_cast<std::size_t>(id - ActionId::VolumeUpContinuous + ActionId::VolumeUp)].name;
    return kActions[static_cast<std::size_t>(id)].name;
}

std::optional<std::string> actionNameKey(std::int64_t id) {
    auto title = actionMenuTitle(id);
    if (!title) return std::nullopt;
    return "Button action " + std::string(*title);
}

std::optional<std::string_view> actionHintKey(std::int64_t id) {
    if (!inRange(id) || kActions[static_cast<std::size_t>(id)].hintKey.empty()) return std::nullopt;
    return kActions[static_cast<std::size_t>(id)].hintKey;
}

} // namespace corv
