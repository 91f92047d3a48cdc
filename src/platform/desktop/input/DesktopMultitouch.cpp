#include "platform/desktop/input/DesktopMultitouch.h"

#include <algorithm>

namespace corv::desktop {

platform::MultitouchDevice DesktopMultitouch::deviceOf(const std::string& syspath) {
    auto [it, fresh] = numbers_.try_emplace(syspath, next_);
    if (fresh) ++next_;
    return it->second;
}

void DesktopMultitouch::added(const std::string& syspath) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto device = deviceOf(syspath);
    present_.insert(device);
    auto& mine = callbacks_[device];
    for (auto cb : registered_)
        if (std::find(mine.begin(), mine.end(), cb) == mine.end()) mine.push_back(cb);
    if (!registered_.empty()) started_.insert(device);
}

void DesktopMultitouch::removed(const std::string& syspath) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = numbers_.find(syspath);
    if (it == numbers_.end()) return;
    const platform::MultitouchDevice device = it->second;
    present_.erase(device);
    started_.erase(device);
    callbacks_.erase(device);
    numbers_.erase(it);
}

void DesktopMultitouch::frame(const std::string& syspath, int fingerCount) {
    std::vector<platform::ContactFrameCallback> callbacks;
    platform::MultitouchDevice device = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = numbers_.find(syspath);
        if (it == numbers_.end() || !started_.count(it->second)) return;
        device = it->second;
        callbacks = callbacks_[device];
    }
    for (auto cb : callbacks) cb(device, fingerCount);
}

std::optional<std::vector<platform::MultitouchDevice>> DesktopMultitouch::deviceList() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<platform::MultitouchDevice>(present_.begin(), present_.end());
}

void DesktopMultitouch::registerContactFrameCallback(platform::MultitouchDevice device,
                                                     platform::ContactFrameCallback callback) {
    if (!callback) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!present_.count(device)) return;
    callbacks_[device].push_back(callback);
    if (std::find(registered_.begin(), registered_.end(), callback) == registered_.end())
        registered_.push_back(callback);
}

void DesktopMultitouch::start(platform::MultitouchDevice device, std::uint32_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (present_.count(device)) started_.insert(device);
}

} // namespace corv::desktop
