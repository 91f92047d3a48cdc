#include "model/SymbolicHotKeys.h"

#include <array>
#include <utility>

namespace corv {

namespace {

constexpr std::array<std::pair<std::string_view, std::uint16_t>, 35> kHotKeys{{
    {"MissionControl", 32},
    {"AppExpose", 33},
    {"ShowDesktop", 36},
    {"Launchpad", 160},
    {"LookUp", 70},
    {"AppSwitcher", 71},
    {"MoveLeftASpace", 79},
    {"MoveRightASpace", 81},
    {"CycleThroughWindows", 27},
    {"SwitchToDesktop1", 118},
    {"SwitchToDesktop2", 119},
    {"SwitchToDesktop3", 120},
    {"SwitchToDesktop4", 121},
    {"SwitchToDesktop5", 122},
    {"SwitchToDesktop6", 123},
    {"SwitchToDesktop7", 124},
    {"SwitchToDesktop8", 125},
    {"SwitchToDesktop9", 126},
    {"SwitchToDesktop10", 127},
    {"SwitchToDesktop11", 128},
    {"SwitchToDesktop12", 129},
    {"SwitchToDesktop13", 130},
    {"SwitchToDesktop14", 131},
    {"SwitchToDesktop15", 132},
    {"SwitchToDesktop16", 133},
    {"Spotlight", 64},
    {"Siri", 176},
    {"NotificationCenter", 163},
    {"ToggleDoNotDisturb", 175},
    {"AKMissionControl", 108},
    {"AKDictation", 186},
    {"AKSpotlight", 187},
    {"AKSwitchKeyboard", 188},
    {"AKDoNotDisturb", 189},
    {"AKLaunchpad", 173},
}};

} // namespace

const std::unordered_map<std::string_view, std::uint16_t>& symbolicHotKeyIds() {
    static const std::unordered_map<std::string_view, std::uint16_t> table(kHotKeys.begin(), kHotKeys.end());
    return table;
}

std::optional<std::uint16_t> symbolicHotKeyId(std::string_view name) {
    const auto& t = symbolicHotKeyIds();
    auto it = t.find(name);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

} // namespace corv
