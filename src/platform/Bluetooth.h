#pragma once

// The Bluetooth radio's power state, as the central manager reports it.

#include <functional>

namespace corv::platform {

// 0 unknown, 1 resetting, 2 unsupported, 3 unauthorised, 4 powered off,
// 5 powered on.
enum class BluetoothState : int {
    Unknown = 0,
    Resetting = 1,
    Unsupported = 2,
    Unauthorized = 3,
    PoweredOff = 4,
    PoweredOn = 5,
};

class Bluetooth {
public:
    using StateHandler = std::function<void(BluetoothState)>;
    virtual ~Bluetooth() = default;
    // Starts watching; the handler runs on the main thread for every state
    // report, the first one soon after the start.
    virtual void start(StateHandler handler) = 0;
    virtual BluetoothState state() const = 0;
};

} // namespace corv::platform
