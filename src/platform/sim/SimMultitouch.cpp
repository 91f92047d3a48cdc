#include "platform/sim/SimMultitouch.h"

#include <algorithm>
#include <string>
#include <thread>

namespace corv::sim {

std::optional<std::vector<platform::MultitouchDevice>> SimMultitouch::deviceList() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failList) return std::nullopt;
    return order_;
}

void SimMultitouch::registerContactFrameCallback(platform::MultitouchDevice device,
                                                 platform::ContactFrameCallback callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    if (it != devices_.end() && callback) it->second.callbacks.push_back(callback);
}

void SimMultitouch::start(platform::MultitouchDevice device, std::uint32_t) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    if (it != devices_.end()) it->second.started = true;
    if (journal) journal->note("multitouch start " + std::to_string(device));
}

std::uint64_t SimMultitouch::deviceId(platform::MultitouchDevice device) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.id;
}

platform::HapticActuator SimMultitouch::actuator(platform::MultitouchDevice device) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.actuator;
}

bool SimMultitouch::openActuator(platform::HapticActuator actuator) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [ref, d] : devices_)
        if (actuator != 0 && d.actuator == actuator) {
            open_.insert(actuator);
            return true;
        }
    return false;
}

int SimMultitouch::actuate(platform::HapticActuator actuator, std::int32_t actuationId, std::uint32_t flags,
                           float intensity, float arg4) {
    std::lock_guard<std::mutex> lock(mutex_);
    actuations_.push_back(Actuation{actuator, actuationId, flags, intensity, arg4});
    return open_.count(actuator) ? 0 : -1;
}

platform::MultitouchDevice SimMultitouch::addDevice(std::uint64_t id, bool withActuator) {
    std::lock_guard<std::mutex> lock(mutex_);
    platform::MultitouchDevice ref = nextDevice_++;
    Device d;
    d.id = id;
    d.actuator = withActuator ? nextActuator_++ : 0;
    devices_[ref] = d;
    order_.push_back(ref);
    return ref;
}

void SimMultitouch::removeDevice(platform::MultitouchDevice device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.erase(device);
    order_.erase(std::remove(order_.begin(), order_.end(), device), order_.end());
}

void SimMultitouch::frame(platform::MultitouchDevice device, int fingerCount) {
    std::vector<platform::ContactFrameCallback> callbacks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = devices_.find(device);
        if (it == devices_.end() || !it->second.started) return;
        callbacks = it->second.callbacks;
    }
    for (auto cb : callbacks) cb(device, fingerCount);
}

void SimMultitouch::playFrames(platform::MultitouchDevice device, const std::vector<int>& fingerCounts) {
    std::thread driver([this, device, fingerCounts] {
        for (int n : fingerCounts) frame(device, n);
    });
    driver.join();
}

bool SimMultitouch::started(platform::MultitouchDevice device) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    return it != devices_.end() && it->second.started;
}

std::size_t SimMultitouch::callbackCount(platform::MultitouchDevice device) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.callbacks.size();
}

bool SimMultitouch::actuatorOpen(platform::HapticActuator actuator) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_.count(actuator) != 0;
}

std::vector<SimMultitouch::Actuation> SimMultitouch::actuations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return actuations_;
}

} // namespace corv::sim
