#include "logitech/HostPlatforms.h"

#include "logitech/Hidpp20.h"

#include <algorithm>

namespace corv::logitech {

namespace p = hidpp20::platforms;

PlatformInfo decodePlatformInfo(ReportBytes report) {
    PlatformInfo info;
    info.canChangePlatform = byteAt(report, p::kCapsByte) & p::kCanChangeFlag;
    info.currChannel = byteAt(report, p::kCurrChannelByte);
    info.currPlatform = byteAt(report, p::kCurrPlatformByte);
    info.platformCount = byteAt(report, p::kCountByte);
    return info;
}

bool addPlatformDescriptor(std::vector<LogiPlatform>& list, ReportBytes report) {
    const std::uint8_t position = byteAt(report, p::kDescByte);
    if (list.size() > position) return false;
    list.push_back({byteAt(report, p::kIndexByte), position, byteAt(report, p::kOsMaskByte)});
    return true;
}

std::optional<std::uint8_t> platformToSwitchTo(const std::vector<LogiPlatform>& list, std::uint8_t currPlatform) {
    auto current = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.index == currPlatform; });
    if (current == list.end() || current->osMask == p::kMacOsMask) return std::nullopt;
    auto mac = std::find_if(list.begin(), list.end(), [](const auto& e) { return e.osMask == p::kMacOsMask; });
    if (mac == list.end()) return std::nullopt;
    return mac->index;
}

} // namespace corv::logitech
