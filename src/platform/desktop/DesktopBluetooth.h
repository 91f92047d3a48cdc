#pragma once

#include "platform/Bluetooth.h"

namespace corv::desktop {

// Without a Bluetooth service the radio is reported as unsupported.
class DesktopBluetooth final : public platform::Bluetooth {
public:
    void start(StateHandler) override {}
    platform::BluetoothState state() const override { return platform::BluetoothState::Unsupported; }
};

} // namespace corv::desktop
