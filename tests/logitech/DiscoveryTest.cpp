// Receivers found, initialised and lost through the Logitech HID manager.

#include "LogiFixture.h"
#include "logitech/InitQueue.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using sim::SimReceiverKind;

class DiscoveryTest : public LogiTest {
protected:
    DiscoveryTest() { logitech::startLogiDeviceMonitor(); }
};

TEST_F(DiscoveryTest, BoltReceiverIsRecordedAndInitialisedAfterTheDelay) {
    auto bolt = makeReceiver(SimReceiverKind::Bolt, 0xC548);
    bolt->flags = 0x09;
    // Its keyboard interface, and a Logitech keyboard on Bluetooth, are not receivers.
    auto keyboardInterface = sim->hidDevices.makeDevice({{platform::kHidVendorIdKey, std::int64_t{0x046D}},
                                                         {platform::kHidProductIdKey, std::int64_t{0xC548}},
                                                         {platform::kHidPrimaryUsagePageKey, std::int64_t{1}},
                                                         {platform::kHidPrimaryUsageKey, std::int64_t{6}},
                                                         {platform::kHidTransportKey, std::string("USB")}},
                                                        {{1, 6}});
    auto bluetooth = sim->hidDevices.makeDevice({{platform::kHidVendorIdKey, std::int64_t{0x046D}},
                                                 {platform::kHidProductIdKey, std::int64_t{0xB35B}},
                                                 {platform::kHidPrimaryUsagePageKey, std::int64_t{0xFF00}},
                                                 {platform::kHidPrimaryUsageKey, std::int64_t{1}},
                                                 {platform::kHidTransportKey, std::string("Bluetooth")}},
                                                {{0xFF00, 1}});
    sim->hidDevices.attach(keyboardInterface);
    sim->hidDevices.attach(bluetooth);
    bolt->plugIn();
    advance(0.0);
    EXPECT_TRUE(dongle(0).valid);
    EXPECT_EQ(dongle(0).dev, bolt->device);
    EXPECT_EQ(dongle(0).dongleType, logitech::DongleType::Bolt);
    EXPECT_FALSE(dongle(1).valid);
    EXPECT_TRUE(bolt->device->opened);
    EXPECT_EQ(keyboardInterface->openCount, 0);
    EXPECT_EQ(bluetooth->openCount, 0);
    EXPECT_TRUE(logitech::initQueueBusy());
    const double queued = now();
    advance(1.0);
    ASSERT_FALSE(bolt->device->writeTimes.empty());
    EXPECT_NEAR(bolt->device->writeTimes[0], queued + 0.2, 1e-9);
    EXPECT_FALSE(logitech::initQueueBusy());
    // The Bluetooth keyboard's own manager opened it; its removal here leaves it alone.
    bluetooth->open();
    sim->hidDevices.detach(bluetooth);
    advance(0.0);
    EXPECT_EQ(bluetooth->closeCount, 0);

    // Matched again after a restart of the manager: not opened twice, not queued again.
    const std::size_t writes = bolt->device->written.size();
    logitech::startLogiDeviceMonitor();
    advance(1.0);
    EXPECT_EQ(bolt->device->openCount, 1);
    EXPECT_EQ(bolt->device->written.size(), writes);
    EXPECT_FALSE(dongle(1).valid);
}

TEST_F(DiscoveryTest, UnpluggingFreesTheReceiverAndItsKeyboardsAfterReleasingTheirKeys) {
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->flags = 0x09;
    pair(*r, 0, 1, "K270");
    pair(*r, 4, 1, "K780");
    auto other = makeReceiver(SimReceiverKind::Lightspeed);
    other->flags = 0x09;
    pair(*other, 0, 1, "G915");
    r->plugIn();
    other->plugIn();
    advance(3.0);
    ASSERT_EQ(validKeyboards(), 3);
    std::vector<bool> validAtRelease;
    logitech::LogiHooks::shared().releaseHeldLogiKeys = [&](int k) {
        released.push_back(k);
        validAtRelease.push_back(keybNoUI(static_cast<std::size_t>(k)).valid);
    };
    r->unplug();
    advance(0.0);
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(validAtRelease, (std::vector<bool>{true, true}));
    EXPECT_EQ(validKeyboards(), 1);
    EXPECT_EQ(keybUI(static_cast<std::size_t>(released[0])).name.product, "");
    const std::size_t j = dongle(0).dev == other->device ? 0 : 1;
    EXPECT_FALSE(dongle(1 - j).valid);
    EXPECT_EQ(dongle(1 - j).dongleType, logitech::DongleType::Unifying);
    EXPECT_TRUE(dongle(j).valid);
    EXPECT_FALSE(r->device->opened);
    EXPECT_TRUE(other->device->opened);
}

TEST_F(DiscoveryTest, FifthReceiverIsNeitherOpenedNorKept) {
    std::vector<std::unique_ptr<sim::SimReceiver>> receivers;
    for (int i = 0; i < 5; ++i) {
        receivers.push_back(makeReceiver(SimReceiverKind::Unifying));
        receivers.back()->flags = 0x09;
        receivers.back()->plugIn();
        advance(0.0);
    }
    advance(10.0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(receivers[static_cast<std::size_t>(i)]->device->opened);
        EXPECT_EQ(dongle(static_cast<std::size_t>(i)).dev, receivers[static_cast<std::size_t>(i)]->device);
    }
    EXPECT_EQ(receivers[4]->device->openCount, 0);
    EXPECT_TRUE(receivers[4]->device->written.empty());

    // Once an entry is free, the receiver is taken when it is seen again.
    receivers[1]->unplug();
    receivers[4]->unplug();
    advance(0.0);
    receivers[4]->plugIn();
    advance(2.0);
    EXPECT_EQ(dongle(1).dev, receivers[4]->device);
    EXPECT_FALSE(receivers[4]->device->written.empty());
}

TEST_F(DiscoveryTest, StoppedMonitorHearsNothing) {
    logitech::stopLogiDeviceMonitor();
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->plugIn();
    advance(1.0);
    EXPECT_FALSE(dongle(0).valid);
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
}

} // namespace
} // namespace corv::test
