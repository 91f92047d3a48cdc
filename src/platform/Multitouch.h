#pragma once

// The multitouch driver: the touch devices, their contact frames and their
// haptic actuators.

#include <cstdint>
#include <optional>
#include <vector>

namespace corv::platform {

using MultitouchDevice = std::uint64_t;  // 0: none
using HapticActuator = std::uint64_t;    // 0: none

// Called on the driver's own thread for every contact frame of a device.
using ContactFrameCallback = void (*)(MultitouchDevice device, int fingerCount);

// Run mode of a started device.
inline constexpr std::uint32_t kMultitouchRunMode = 0x10000000;

class Multitouch {
public:
    virtual ~Multitouch() = default;
    // The devices present now; nothing when the list cannot be made.
    virtual std::optional<std::vector<MultitouchDevice>> deviceList() = 0;
    // Adds a frame callback; earlier ones stay registered.
    virtual void registerContactFrameCallback(MultitouchDevice device, ContactFrameCallback callback) = 0;
    virtual void start(MultitouchDevice device, std::uint32_t runMode) = 0;
    // Callable from any thread.
    virtual std::uint64_t deviceId(MultitouchDevice device) = 0;
    virtual HapticActuator actuator(MultitouchDevice device) = 0;
    virtual bool openActuator(HapticActuator actuator) = 0;
    // 0 on success.
    virtual int actuate(HapticActuator actuator, std::int32_t actuationId, std::uint32_t flags, float intensity,
                        float arg4) = 0;
};

} // namespace corv::platform
