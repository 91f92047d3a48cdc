#pragma once

// The calls the shell makes into the other subsystems at start-up, sleep,
// wake and termination, in one place.

#include "platform/Bluetooth.h"

namespace corv::app {

// Engine: trackpad and keyboard HID services, multitouch, HID managers.
void startTrackpadServiceWatch();
void restoreTrackpadScrollAcceleration();
void startMultitouchDevices();
void startKeyboardHidManager();
void stopKeyboardHidManager();
void startHidServiceWatch();
// "UserKeyMapping" becomes an empty array on every keyboard service.
void clearKeyMappings();

// Logitech layer: the Bluetooth power watcher, the Logitech HID manager and
// the device lists.
void startBluetoothManager();
void startLogiDeviceMonitor();
void stopLogiDeviceMonitor();
platform::BluetoothState bluetoothState();
void setBluetoothWaked(bool waked);
bool bluetoothDeviceInited();
void setBluetoothDeviceInited(bool inited);
// Whether a Logitech keyboard reached directly over Bluetooth is listed.
bool bluetoothKeyboardListed();
// Resets the receivers, releases the held keys and resets the keyboards, then
// empties the device initialisation queue.
void resetLogitechDevices();
// Ends the HID++ requests not yet done, once the managers closed the nodes.
void endHidppRequests();

} // namespace corv::app
