#pragma once

// Follows the Bluetooth radio's power state and, on the first power-on after
// a wake while a Bluetooth keyboard is listed, discovers the Logitech devices
// anew.

#include "platform/Bluetooth.h"

namespace corv::logitech {

class BluetoothManager {
public:
    static BluetoothManager& shared();

    // Starts watching the radio.
    void start();
    // The state-change handler.
    void centralManagerDidUpdateState(platform::BluetoothState central);

    platform::BluetoothState state = platform::BluetoothState::Unknown;
    bool waked = true;         // a wake happened since the last sleep
    bool deviceInited = true;  // devices discovered since the last sleep
};

// Whether a keyboard reached directly over Bluetooth is listed.
bool bluetoothKeyboardListed();

// Forgets every receiver and keyboard (releasing held keys first) and empties
// the initialisation queue.
void resetLogiDevices();

} // namespace corv::logitech
