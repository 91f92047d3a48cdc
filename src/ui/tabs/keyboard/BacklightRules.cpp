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

const logitech::LogiKeybUI* shownAt(int i) {
    return logitech::isKeyboardIndex(i) ? &logitech::LogiKeybsUI::shared().k.get()[static_cast<std::size_t>(i)] : nullptr;
}

// The shown element; nothing for a slot outside the list.
void editShown(int i, const std::function<void(logitech::LogiKeybUI&)>& edit) {
    if (!shownAt(i)) return;
    logitech::LogiKeybsUI::shared().k.modify([&](logitech::LogiKeybUIList& l) { edit(l[static_cast<std::size_t>(i)]); });
}

bool linked(int i) {
    const logitech::LogiKeybUI* shown = shownAt(i);
    return shown && shown->optIndex >= 0 &&
           static_cast<std::size_t>(shown->optIndex) < LogiKeysOpt::shared().k.get().size();
}

// The stored record of the slot, given the shown element; false when the
// slot is not linked to one.
bool editRecord(int i, const std::function<void(const logitech::LogiKeybUI&, LogiKeyOpt&)>& edit) {
    if (!linked(i)) return false;
    const logitech::LogiKeybUI copy = *shownAt(i);
    LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& k) { edit(copy, k[static_cast<std::size_t>(copy.optIndex)]); });
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
    s.value = static_cast<int>((backLightOptions >> 8) & 0xFF);
    return s;
}

bool shownBacklightOn(int i) { return shownAt(i) && backlightOn(shownAt(i)->backLight); }

void setShownBacklightOn(int i, bool on) {
    editShown(i, [on](logitech::LogiKeybUI& k) { k.backLight = backlightSwitchWord(k.backLight, on); });
}

bool shownFnInversion(int i) { return shownAt(i) && shownAt(i)->fnInversion; }

void setShownFnInversion(int i, bool on) {
    editShown(i, [on](logitech::LogiKeybUI& k) { k.fnInversion = on; });
}

void setBacklightOn(int i, bool, bool byClick) {
    if (!byClick) return;
    if (editRecord(i, [](const logitech::LogiKeybUI& shown, LogiKeyOpt& r) { r.backLight = shown.backLight; }))
        logitech::hidppSetBacklightConfig(i);
}

void setBacklightEffect(int i, const std::string& name) {
    std::optional<std::uint8_t> code;
    for (const auto& [n, c] : logitech::backlightEffectCodes())
        if (n == name) code = c;
    if (!code) return;
    if (!linked(i)) return;
    editShown(i, [&](logitech::LogiKeybUI& k) { k.backLightOptions = (k.backLightOptions & 0xFFFFFFu) | (std::uint64_t(*code) << 24); });
    editRecord(i, [](const logitech::LogiKeybUI& k, LogiKeyOpt& r) { r.backLightOptions = k.backLightOptions; });
    logitech::hidppSetBacklightConfig(i);
}

void setFnInversion(int i, bool on, bool byClick) {
    if (!byClick) return;
    if (!editRecord(i, [on](const logitech::LogiKeybUI&, LogiKeyOpt& r) { r.fnInversion = on; })) return;
    const bool single = hasFeature(i, logitech::FeatureID::ID_40A2);
    const bool multi = hasFeature(i, logitech::FeatureID::ID_40A3);
    if (single) logitech::hidppSetFnInversion(i);
    if (multi) logitech::hidppSetFnInversionMultiHost(i);
}

} // namespace corv::ui::keyboard
