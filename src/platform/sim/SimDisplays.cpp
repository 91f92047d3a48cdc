#include "platform/sim/SimDisplays.h"

#include <algorithm>

namespace corv::sim {

std::optional<std::vector<platform::DisplayId>> SimDisplays::activeDisplayList(std::uint32_t maxDisplays) {
    listQueries.push_back(maxDisplays);
    if (failList) return std::nullopt;
    std::vector<platform::DisplayId> ids;
    for (const Display& d : displays) {
        if (ids.size() >= maxDisplays) break;
        ids.push_back(d.id);
    }
    return ids;
}

std::optional<platform::DisplayMode> SimDisplays::currentMode(platform::DisplayId display) {
    for (const Display& d : displays)
        if (d.id == display) return d.mode;
    return std::nullopt;
}

platform::DisplayId SimDisplays::displayIdForUuid(const std::string& uuid) {
    for (const Display& d : displays)
        if (d.uuid == uuid) return d.id;
    return 0;
}

bool SimDisplays::registerReconfigurationCallback(platform::DisplayReconfigurationCallback callback,
                                                  void* userInfo) {
    if (failRegister || !callback) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    callbacks_.emplace_back(callback, userInfo);
    return true;
}

void SimDisplays::removeReconfigurationCallback(platform::DisplayReconfigurationCallback callback,
                                                void* userInfo) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto entry = std::make_pair(callback, userInfo);
    callbacks_.erase(std::remove(callbacks_.begin(), callbacks_.end(), entry), callbacks_.end());
}

platform::DisplayId SimDisplays::addDisplay(const std::string& uuid, double refreshRate, std::uint64_t width,
                                            std::uint64_t height) {
    platform::DisplayId id = 1;
    for (const Display& d : displays) id = std::max(id, d.id + 1);
    displays.push_back(Display{id, uuid, platform::DisplayMode{refreshRate, width, height}});
    return id;
}

double SimDisplays::highestRefreshRate() {
    double rate = 0;
    for (const Display& d : displays)
        if (d.mode) rate = std::max(rate, d.mode->refreshRate);
    return rate;
}

void SimDisplays::reconfigure(platform::DisplayId display, std::uint32_t flags) {
    std::vector<std::pair<platform::DisplayReconfigurationCallback, void*>> callbacks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        callbacks = callbacks_;
    }
    for (auto& [callback, userInfo] : callbacks) callback(display, flags, userInfo);
}

std::size_t SimDisplays::callbackCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return callbacks_.size();
}

} // namespace corv::sim
