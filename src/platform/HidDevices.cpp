#include "platform/HidDevices.h"

namespace corv::platform {

std::optional<std::int64_t> HidDevice::intProperty(const std::string& key) const {
    auto v = property(key);
    if (!v) return std::nullopt;
    if (const auto* i = std::get_if<std::int64_t>(&*v)) return *i;
    return std::nullopt;
}

std::optional<std::string> HidDevice::stringProperty(const std::string& key) const {
    auto v = property(key);
    if (!v) return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&*v)) return *s;
    return std::nullopt;
}

bool hidDeviceMatches(const HidDevice& device, const HidMatching& matching) {
    std::optional<std::int64_t> usagePage;
    std::optional<std::int64_t> usage;
    for (const auto& [key, value] : matching) {
        if (key == kHidDeviceUsagePageKey || key == kHidDeviceUsageKey) {
            const auto* i = std::get_if<std::int64_t>(&value);
            if (!i) return false;
            (key == kHidDeviceUsagePageKey ? usagePage : usage) = *i;
            continue;
        }
        auto p = device.property(key);
        if (!p || *p != value) return false;
    }
    if (!usagePage && !usage) return true;
    for (const auto& pair : device.usagePairs()) {
        if (usagePage && *usagePage != pair.page) continue;
        if (usage && *usage != pair.usage) continue;
        return true;
    }
    return false;
}

} // namespace corv::platform
