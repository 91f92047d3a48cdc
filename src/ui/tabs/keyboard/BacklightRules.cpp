#include "ui/tabs/keyboard/BacklightRules.h"

#include "logitech/BacklightEffects.h"
#include "logitech/BacklightRequests.h"
#include "logitech/FeatureID.h"
#include "logitech/FnInversion.h"
#include "logitech/LogiKeybs.h"
#include "model/LogiKeysOpt.h"
#include "platform/Localization.h"

#include <algorithm>
#include <array>
#include <functional>

namespace corv::ui::keyboard {

namespace {

constexpr std::array<const char*, 7> kStatusLabels{"Backlight off by SW", "Backlight low batt off",
                                                   "Auto brightness",     "Auto backlight off",
                                                   "Manual brightness",   "Manual brightness",
                                                   "Brightness"};

// The shown element and its record; false when the slot is not linked to one.
bool editKeyboard(int i, const std::function<void(logitech::LogiKeybUI&, LogiKeyOpt&)>& edit) {
    if (!logitech::isKeyboardIndex(i)) return false;
    const auto slot = static_cast<std::size_t>(i);
    logitech::LogiKeybUI shown = logitech::LogiKeybsUI::shared().k.get()[slot];
    auto& records = LogiKeysOpt::shared().k;
    if (shown.optIndex < 0 || static_cast<std::size_t>(shown.optIndex) >= records.get().size()) return false;
    LogiKeyOpt record = records.get()[static_cast<std::size_t>(shown.optIndex)];
    edit(shown, record);
    logitech::LogiKeybsUI::shared().k.modify([&](logitech::LogiKeybUIList& l) { l[slot] = shown; });
    records.modify([&](std::vector<LogiKeyOpt>& k) { k[static_cast<std::size_t>(shown.optIndex)] = record; });
    return true;
}

bool hasFeature(int i, logitech::FeatureID f) {
    const int opt = logitech::LogiKeybsUI::shared().k.get()[static_cast<std::size_t>(i)].optIndex;
    const auto& rec = LogiKeysOpt::shared().k.get()[static_cast<std::size_t>(opt)];
    return rec.featureMap.count(static_cast<std::int64_t>(f)) > 0;
}

} // namespace

bool backlightOn(std::uint64_t backLight) { return (backLight & 1) != 0; }

bool effectMenuShown(std::uint64_t backLight) { return backlightOn(backLight) && ((backLight >> 16) & 0xFF) == 0x7F; }

std::uint64_t backlightSwitchWord(std::uint64_t backLight, bool on) {
    return (backLight & 0xFFFF00u) | (on ? 1u : 0u);
}

std::vector<std::string> backlightEffectNames() {
    auto codes = logitech::backlightEffectCodes();
    std::stable_sort(codes.begin(), codes.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    std::vector<std::string> names;
    for (const auto& [name, code] : codes) names.push_back(name);
    return names;
}

std::string backlightEffectLabel(std::uint64_t backLightOptions) {
    const auto code = static_cast<std::uint8_t>((backLightOptions >> 24) & 0xFF);
    for (const auto& [name, c] : logitech::backlightEffectCodes())
        if (c == code) return name;
    return platform::localized("Unknown");
}

std::string backlightStatusText(std::uint64_t backLightOptions) {
    const std::size_t status = (backLightOptions >> 16) & 0xFF;
    return status < kStatusLabels.size() ? kStatusLabels[status] : "";
}

bool levelRowShown(std::uint64_t backLight, std::uint64_t backLightOptions) {
    return backlightOn(backLight) && (backLightOptions & 0xFF) != 0;
}

LevelSlider levelSlider(std::uint64_t backLightOptions) {
    LevelSlider s;
    const int levels = static_cast<int>(backLightOptions & 0xFF);
    s.high = std::max(levels - 1, 0);
    s.value = std::clamp(static_cast<int>((backLightOptions >> 8) & 0xFF), s.low, s.high);
    // One level leaves no range to divide: it is shown full.
    s.fraction = s.high > s.low ? double(s.value - s.low) / double(s.high - s.low) : 1.0;
    return s;
}

void setBacklightOn(int i, bool on, bool byClick) {
    if (!byClick) return;
    const bool linked = editKeyboard(i, [on](logitech::LogiKeybUI& shown, LogiKeyOpt& record) {
        shown.backLight = backlightSwitchWord(shown.backLight, on);
        record.backLight = shown.backLight;
    });
    if (linked) logitech::hidppSetBacklightConfig(i);
}

void setBacklightEffect(int i, const std::string& name) {
    std::optional<std::uint8_t> code;
    for (const auto& [n, c] : logitech::backlightEffectCodes())
        if (n == name) code = c;
    if (!code) return;
    const bool linked = editKeyboard(i, [&](logitech::LogiKeybUI& shown, LogiKeyOpt& record) {
        shown.backLightOptions = (shown.backLightOptions & 0xFFFFFFu) | (std::uint64_t(*code) << 24);
        record.backLightOptions = shown.backLightOptions;
    });
    if (linked) logitech::hidppSetBacklightConfig(i);
}

void setFnInversion(int i, bool on, bool byClick) {
    if (!byClick) return;
    const bool linked = editKeyboard(i, [on](logitech::LogiKeybUI& shown, LogiKeyOpt& record) {
        shown.fnInversion = on;
        record.fnInversion = on;
    });
    if (!linked) return;
    const bool single = hasFeature(i, logitech::FeatureID::ID_40A2);
    const bool multi = hasFeature(i, logitech::FeatureID::ID_40A3);
    if (single) logitech::hidppSetFnInversion(i);
    if (multi) logitech::hidppSetFnInversionMultiHost(i);
}

} // namespace corv::ui::keyboard
