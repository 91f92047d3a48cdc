#include "app/Subsystems.h"

#include "engine/KeyboardHidManager.h"
#include "engine/KeyboardServices.h"
#include "engine/MultitouchDevices.h"
#include "engine/TrackpadServices.h"
#include "logitech/BluetoothManager.h"
#include "logitech/DeviceDiscovery.h"
#include "logitech/HidppExecutor.h"

namespace corv::app {

namespace {

logitech::BluetoothManager& bluetoothManager() { return logitech::BluetoothManager::shared(); }

} // namespace

void startTrackpadServiceWatch() { engine::startTrackpadServiceWatch(); }
void restoreTrackpadScrollAcceleration() { engine::restoreTrackpadScrollAcceleration(); }
void startMultitouchDevices() { engine::startMultitouchDevices(); }
void startKeyboardHidManager() { engine::startKeyboardHidManager(); }
void stopKeyboardHidManager() { engine::stopKeyboardHidManager(); }
void startHidServiceWatch() { engine::startHidServiceWatch(); }
void clearKeyMappings() { engine::clearKeyMappings(); }

void startBluetoothManager() { bluetoothManager().start(); }
void startLogiDeviceMonitor() { logitech::startLogiDeviceMonitor(); }
void stopLogiDeviceMonitor() { logitech::stopLogiDeviceMonitor(); }
platform::BluetoothState bluetoothState() { return bluetoothManager().state; }
void setBluetoothWaked(bool waked) { bluetoothManager().waked = waked; }
bool bluetoothDeviceInited() { return bluetoothManager().deviceInited; }
void setBluetoothDeviceInited(bool inited) { bluetoothManager().deviceInited = inited; }
bool bluetoothKeyboardListed() { return logitech::bluetoothKeyboardListed(); }
void resetLogitechDevices() { logitech::resetLogiDevices(); }
void endHidppRequests() { logitech::HidppExecutor::shared().endQueues(); }

} // namespace corv::app
