#include "logitech/BluetoothManager.h"

#include "logitech/DeviceDiscovery.h"
#include "logitech/Dongles.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiHooks.h"
#include "logitech/LogiKeybs.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::logitech {

bool bluetoothKeyboardListed() {
    for (const auto& e : LogiKeybsNoUI::shared().k()) {
        if (!e.valid || e.usbIndex != kDirectIndex || !e.dev) continue;
        auto transport = e.dev->stringProperty(platform::kHidTransportKey);
        if (transport && transport->find("Bluetooth") != std::string::npos) return true;
    }
    return false;
}

BluetoothManager& BluetoothManager::shared() { return Shared<BluetoothManager>::instance(); }

void BluetoothManager::start() {
    platform::bluetooth().start(
        [](platform::BluetoothState s) { BluetoothManager::shared().centralManagerDidUpdateState(s); });
}

void resetLogiDevices() {
    Dongles::shared().d.set(DongleList{});
    for (std::size_t i = 0; i < kKeyboardCount; ++i) releaseAndResetKeyboard(i);
    initQueueCancelAll();
}

void BluetoothManager::centralManagerDidUpdateState(platform::BluetoothState central) {
    if (central == platform::BluetoothState::PoweredOn && bluetoothKeyboardListed() && waked && !deviceInited) {
        resetLogiDevices();
        startLogiDeviceMonitor();
        startKeyboardHidManager();
        deviceInited = true;
    }
    state = central;
}

} // namespace corv::logitech
