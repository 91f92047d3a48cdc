#include "engine/MultitouchDevices.h"

#include "model/GesState.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::engine {

MultitouchState& MultitouchState::shared() { return Shared<MultitouchState>::instance(); }

bool startMultitouchDevices() {
    auto& mt = platform::multitouch();
    auto list = mt.deviceList();
    if (!list) return false;
    auto& state = MultitouchState::shared();
    state.multitouchDeviceCount = static_cast<std::int64_t>(list->size());
    state.multitouchActuators.clear();
    for (auto device : *list) {
        mt.registerContactFrameCallback(device, &contactFrameCallback);
        mt.start(device, platform::kMultitouchRunMode);
        if (auto actuator = mt.actuator(device)) {
            mt.openActuator(actuator);
            state.multitouchActuators.push_back(MultitouchActuator{actuator, mt.deviceId(device)});
        }
    }
    return true;
}

void contactFrameCallback(platform::MultitouchDevice device, int fingerCount) { recordFingerCount(device, fingerCount); }

void recordFingerCount(platform::MultitouchDevice device, std::int64_t count) {
    auto& state = MultitouchState::shared();
    state.lastTouchDeviceId = platform::multitouch().deviceId(device);

    const std::uint64_t n = count > 0 ? static_cast<std::uint64_t>(count) : 0;
    auto& fcnt = GesState::shared().fcnt;
    if (n == fcnt.load()) return;
    fcnt = n;
    if ((n != 0 && state.previousFingerCount.load() == 0) || n >= state.touchSequenceMaxFingers.load())
        state.touchSequenceMaxFingers = n;
    state.previousFingerCount = n;
}

std::optional<MultitouchActuator> feedbackActuator() {
    const auto& state = MultitouchState::shared();
    const auto& list = state.multitouchActuators;
    if (list.empty()) return std::nullopt;
    if (state.multitouchDeviceCount.load() < 2) return list.front();
    const std::uint64_t last = state.lastTouchDeviceId.load();
    for (const auto& a : list)
        if (a.deviceId == last) return a;
    return std::nullopt;
}

} // namespace corv::engine
