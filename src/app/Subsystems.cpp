#include "app/Subsystems.h"

#include "engine/MultitouchDevices.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::app {

namespace {

// The power watcher's two flags, until the Logitech layer keeps them.
struct BluetoothFlags {
    bool waked = true;
    bool deviceInited = true;
};

BluetoothFlags& flags() { return Shared<BluetoothFlags>::instance(); }

} // namespace

void startTrackpadServiceWatch() {}
void restoreTrackpadScrollAcceleration() {}
void startMultitouchDevices() { engine::startMultitouchDevices(); }
void startKeyboardHidManager() {}
void stopKeyboardHidManager() {}
void startHidServiceWatch() {}
void clearKeyMappings() {}

void startBluetoothManager() { flags() = {}; }
void startLogiDeviceMonitor() {}
void stopLogiDeviceMonitor() {}
platform::BluetoothState bluetoothState() { return platform::bluetooth().state(); }
void setBluetoothWaked(bool waked) { flags().waked = waked; }
bool bluetoothDeviceInited() { return flags().deviceInited; }
void setBluetoothDeviceInited(bool inited) { flags().deviceInited = inited; }
bool bluetoothKeyboardListed() { return false; }
void resetLogitechDevices() {}

} // namespace corv::app
