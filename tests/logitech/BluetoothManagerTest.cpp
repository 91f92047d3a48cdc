// The Bluetooth power watcher's re-discovery after a wake.

#include "LogiFixture.h"
#include "logitech/BluetoothManager.h"
#include "logitech/InitQueue.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using platform::BluetoothState;

class BluetoothManagerTest : public LogiTest {
protected:
    BluetoothManagerTest() {
        logitech::startLogiDeviceMonitor();
        logitech::BluetoothManager::shared().start();
    }
    logitech::BluetoothManager& watcher() { return logitech::BluetoothManager::shared(); }

    // A Logitech keyboard reached directly over the given transport, in entry k.
    void listDirectKeyboard(std::size_t k, const std::string& transport) {
        auto dev = sim->hidDevices.makeDevice({{platform::kHidTransportKey, transport}});
        logitech::LogiKeybsNoUI::shared().k.modify([&](auto& l) {
            l[k].valid = true;
            l[k].dev = dev;
            l[k].keyState = {0x00D4};
        });
        logitech::LogiKeybsUI::shared().k.modify([&](auto& l) { l[k].valid = true; });
    }
    void sleepAndWake() {
        watcher().waked = false;
        watcher().deviceInited = false;
        watcher().waked = true;
    }
};

TEST_F(BluetoothManagerTest, PowerOnAfterWakeWithABluetoothKeyboardRediscoversOnce) {
    auto r = makeReceiver(sim::SimReceiverKind::Unifying);
    r->flags = 0x09;
    r->plugIn();
    advance(2.0);
    listDirectKeyboard(1, "Bluetooth Low Energy");
    sim->bluetooth.report(BluetoothState::PoweredOn);  // at launch: only recorded
    EXPECT_EQ(watcher().state, BluetoothState::PoweredOn);
    EXPECT_EQ(validKeyboards(), 1);
    const int managers = sim->hidDevices.managersCreated;

    sleepAndWake();
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_EQ(released, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(validKeyboards(), 0);
    EXPECT_FALSE(dongle(0).valid);
    EXPECT_EQ(keyboardManagerStarts, 1);
    EXPECT_EQ(sim->hidDevices.managersCreated, managers + 1);
    EXPECT_TRUE(watcher().deviceInited);
    // The new manager finds the receiver again and initialises it.
    const std::size_t writes = r->device->written.size();
    advance(2.0);
    EXPECT_TRUE(dongle(0).valid);
    EXPECT_GT(r->device->written.size(), writes);

    listDirectKeyboard(0, "Bluetooth");
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_EQ(keyboardManagerStarts, 1);
    EXPECT_EQ(validKeyboards(), 1);
}

TEST_F(BluetoothManagerTest, WithoutABluetoothKeyboardOnlyTheStateIsKept) {
    listDirectKeyboard(0, "USB");
    sleepAndWake();
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_EQ(keyboardManagerStarts, 0);
    EXPECT_EQ(validKeyboards(), 1);
    EXPECT_FALSE(watcher().deviceInited);
    // A Bluetooth keyboard listed later still brings the re-discovery.
    listDirectKeyboard(2, "Bluetooth");
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_EQ(keyboardManagerStarts, 1);
}

TEST_F(BluetoothManagerTest, PowerOffOnlyStoresTheState) {
    listDirectKeyboard(0, "Bluetooth");
    sleepAndWake();
    sim->bluetooth.report(BluetoothState::PoweredOff);
    EXPECT_EQ(watcher().state, BluetoothState::PoweredOff);
    EXPECT_EQ(validKeyboards(), 1);
    EXPECT_EQ(keyboardManagerStarts, 0);
    EXPECT_TRUE(released.empty());
    // Asleep (no wake yet): a power-on changes nothing either.
    watcher().waked = false;
    sim->bluetooth.report(BluetoothState::PoweredOn);
    EXPECT_EQ(keyboardManagerStarts, 0);
}

} // namespace
} // namespace corv::test
