#include "EngineFixture.h"

#include "engine/SenderDevice.h"
#include "model/SenderDeviceCache.h"

namespace corv::engine {
namespace {

platform::Event from(std::int64_t registryId) {
    platform::Event e;
    e.setType(29);
    e.setIntegerField(87, registryId);
    return e;
}

class SenderDeviceTest : public test::EngineTest {};

TEST_F(SenderDeviceTest, SecondEventFromOneSenderMakesNoLookup) {
    sim->registry.addHidDevice(0x1000, "Magic Trackpad", "Apple Inc.");
    DeviceName first = senderDeviceName(from(0x1000));
    EXPECT_EQ(first, (DeviceName{"Magic Trackpad", "Apple Inc."}));
    EXPECT_EQ(sim->registry.lookups, 1);

    sim->registry.entries.clear();
    EXPECT_EQ(senderDeviceName(from(0x1000)), first);
    EXPECT_EQ(sim->registry.lookups, 1);
}

TEST_F(SenderDeviceTest, IdZeroGivesEmptyNamesAndIsCached) {
    EXPECT_EQ(senderDeviceName(from(0)), (DeviceName{"", ""}));
    EXPECT_EQ(sim->registry.lookups, 0);
    EXPECT_TRUE(SenderDeviceCache::shared().find(0));
}

TEST_F(SenderDeviceTest, WalksUpToTheNearestHidDevice) {
    // 1 → {2, 3}; 2 → 4 (a HID device); 3 → 5 (another one, farther up).
    sim->registry.addService(1, {2, 3});
    sim->registry.addService(2, {4});
    sim->registry.addService(3, {6});
    sim->registry.addHidDevice(4, "Internal Trackpad", "APPLE");
    sim->registry.addService(6, {5});
    sim->registry.addHidDevice(5, "Far", "Away");
    EXPECT_EQ(senderDeviceName(from(1)), (DeviceName{"Internal Trackpad", "APPLE"}));

    // No HID device above, or a property that is no string: empty halves.
    sim->registry.addService(20, {21});
    sim->registry.addService(21, {20});
    EXPECT_EQ(senderDeviceName(from(20)), (DeviceName{"", ""}));
    sim->registry.addHidDevice(30, "Mouse", "");
    sim->registry.entries[30].properties["Manufacturer"] = std::int64_t{7};
    EXPECT_EQ(senderDeviceName(from(30)), (DeviceName{"Mouse", ""}));
    EXPECT_EQ(senderDeviceName(from(99)), (DeviceName{"", ""}));
    EXPECT_TRUE(SenderDeviceCache::shared().find(99));
}

TEST(AppleTrackpad, NamesMatchRegardlessOfCase) {
    EXPECT_TRUE(isAppleTrackpad({"Magic TrackPad 2", "aPpLe Inc."}));
    EXPECT_TRUE(isAppleTrackpad({"TRACKPAD", "APPLE"}));
    EXPECT_FALSE(isAppleTrackpad({"Magic Trackpad", "Logitech"}));
    EXPECT_FALSE(isAppleTrackpad({"Magic Mouse", "Apple Inc."}));
    EXPECT_FALSE(isAppleTrackpad({"", ""}));
}

} // namespace
} // namespace corv::engine
