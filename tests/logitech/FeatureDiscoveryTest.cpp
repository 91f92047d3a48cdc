// Feature discovery of a keyboard behind a receiver and of one reached
// directly: the exact requests, what they store, and how failures end.

#include "KeyboardWorld.h"
#include "logitech/DeviceDiscovery.h"
#include "logitech/FnInversion.h"
#include "logitech/InitQueue.h"

namespace corv::logitech::test {
namespace {

class FeatureDiscoveryTest : public KeyboardWorld {
protected:
    // An MX Keys-like keyboard: unified battery, two platforms with the
    // current one not macOS, multi-host Fn inversion, backlight off, and three
    // controls of which two can be diverted and one is bound.
    void setUpSlotKeyboard() {
        slotKeyb.addFeatures({{SimKeyboard::kUnifiedBattery, 0x05},
                              {SimKeyboard::kPlatforms, 0x07},
                              {SimKeyboard::kControls, 0x09},
                              {SimKeyboard::kFnInversionMultiHost, 0x0B},
                              {SimKeyboard::kBacklight, 0x0C}});
        slotKeyb.platforms = {{0, 0x01}, {1, 0x20}};
        slotKeyb.currChannel = 1;
        slotKeyb.currPlatform = 0;
        slotKeyb.controls = {{0x00D4, 0x31}, {0x00C8, 0x30}, {0x0034, 0x20}};
        slotKeyb.backlight.on = false;
        slotKeyb.unifiedLevel = 80;
    }
    void bindControl(int k, std::uint16_t control) {
        editOpt(k, [&](LogiKeyOpt& o) { o.key[control][0] = BindAction{}; });
    }
};

TEST_F(FeatureDiscoveryTest, KeyboardBehindReceiverGetsTheExactRequestsWithCarriedBytesAndRotatingIds) {
    setUpSlotKeyboard();
    recordBoth();
    bindControl(kSlotKeyboard, 0x00D4);
    HidppSoftwareId::shared().last = 14;

    EXPECT_EQ(kDiscoveryOk, discover(kSlotKeyboard));

    const std::uint8_t d = kSlotIndex;
    const std::vector<Bytes> expected{
        longReport(d, 0x00, 0x0F, {0x10, 0x00}),  // root 0x1000, software id 15
        longReport(d, 0x00, 0x02, {0x10, 0x01}),  // then 2: 1 is the kernel's
        longReport(d, 0x00, 0x03, {0x10, 0x04}),
        longReport(d, 0x00, 0x04, {0x45, 0x31}),
        longReport(d, 0x07, 0x05, {0x45, 0x31}),  // platform information carries 45 31
        longReport(d, 0x07, 0x16, {0x00, 0x31}),  // descriptors 0 and 1
        longReport(d, 0x07, 0x17, {0x01, 0x31}),
        longReport(d, 0x00, 0x08, {0x40, 0xA2}),
        longReport(d, 0x00, 0x09, {0x40, 0xA3}),
        longReport(d, 0x00, 0x0A, {0x19, 0x82}),
        longReport(d, 0x00, 0x0B, {0x1B, 0x04}),
        longReport(d, 0x09, 0x0C, {0x1B, 0x04}),  // control count carries 1B 04
        longReport(d, 0x09, 0x1D, {0x00, 0x00}),  // control information 0 to 2
        longReport(d, 0x09, 0x1E, {0x01, 0x00}),
        longReport(d, 0x09, 0x1F, {0x02, 0x00}),
        longReport(d, 0x05, 0x12, {0x02, 0x00}),  // unified battery, function 1
        longReport(d, 0x07, 0x03, {0x02, 0x00}),  // platform information again
        longReport(d, 0x07, 0x34, {0x01, 0x01}),  // switch channel 1 to platform 1 (mask 0x20)
        longReport(d, 0x0B, 0x05, {0xFF, 0x01}),  // multi-host Fn inversion of the current host
        longReport(d, 0x09, 0x36, {0x00, 0xC8, 2, 0x00, 0xC8}),  // unbound: not diverted
        longReport(d, 0x09, 0x37, {0x00, 0xD4, 3, 0x00, 0xD4}),  // bound: diverted
        longReport(d, 0x0C, 0x08, {0x00, 0xD4, 3, 0x00, 0xD4}),  // backlight configuration
        longReport(d, 0x0C, 0x29, {0x00, 0xD4, 3, 0x00, 0xD4}),  // and information
    };
    EXPECT_EQ(expected, slotKeyb.received);
    EXPECT_EQ(expected, bolt.device->written);  // nothing else went out
    EXPECT_TRUE(btKeyb.received.empty());

    const LogiKeyOpt& o = opt(kSlotKeyboard);
    EXPECT_EQ((std::map<std::int64_t, std::uint8_t>{{10, 0x05}, {6, 0x07}, {12, 0x0B}, {13, 0x0C}, {0, 0x09}}),
              o.featureMap);
    EXPECT_EQ((std::vector<LogiPlatform>{{0, 0, 0x01}, {1, 1, 0x20}}), o.platformList);
    EXPECT_EQ((std::map<std::uint16_t, std::uint8_t>{{0x00C8, 0x30}, {0x00D4, 0x31}}), o.id1b04List);
    EXPECT_EQ(80, ui(kSlotKeyboard).battery);
    EXPECT_EQ(1, slotKeyb.currPlatform);
    EXPECT_EQ(3, slotKeyb.controls[0].reporting);
    EXPECT_EQ(2, slotKeyb.controls[1].reporting);
    EXPECT_EQ(0, slotKeyb.controls[2].reporting);
}

TEST_F(FeatureDiscoveryTest, KeyboardPairedToAPluggedReceiverIsBroughtUpByTheQueue) {
    setUpSlotKeyboard();
    bolt.slots[kSlotIndex - 1] = {1, "MX Keys", true};
    bolt.plugIn();
    startLogiDeviceMonitor();
    settle(5);

    ASSERT_TRUE(noUi(0).valid);
    EXPECT_EQ(kSlotIndex, noUi(0).usbIndex);
    EXPECT_EQ("MX Keys", ui(0).name.product);
    EXPECT_EQ(5u, opt(0).featureMap.size());
    EXPECT_EQ(80, ui(0).battery);
    EXPECT_EQ(1, slotKeyb.currPlatform);
    EXPECT_FALSE(initQueueBusy());
    EXPECT_TRUE(bolt.unknown.empty());
}

TEST_F(FeatureDiscoveryTest, KeyboardWithoutFeaturesGetsEightRootsOverTheDirectPath) {
    recordBoth();
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    const std::vector<Bytes> expected{
        longReport(0xFF, 0, 0x02, {0x10, 0x00}), longReport(0xFF, 0, 0x03, {0x10, 0x01}),
        longReport(0xFF, 0, 0x04, {0x10, 0x04}), longReport(0xFF, 0, 0x05, {0x45, 0x31}),
        longReport(0xFF, 0, 0x06, {0x40, 0xA2}), longReport(0xFF, 0, 0x07, {0x40, 0xA3}),
        longReport(0xFF, 0, 0x08, {0x19, 0x82}), longReport(0xFF, 0, 0x09, {0x1B, 0x04}),
    };
    EXPECT_EQ(expected, btDev->written);
    EXPECT_TRUE(opt(kBtKeyboard).featureMap.empty());
    EXPECT_TRUE(bolt.device->written.empty());
}

TEST_F(FeatureDiscoveryTest, AFeatureTheKeyboardNoLongerHasIsForgotten) {
    recordBoth();
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.featureMap = {{3, 0x04}, {11, 0x06}}; });
    btKeyb.addFeatures({{SimKeyboard::kFnInversion, 0x06}});
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ((std::map<std::int64_t, std::uint8_t>{{11, 0x06}}), opt(kBtKeyboard).featureMap);
    // A battery event at the old index now matches nothing.
    btKeyb.emit(longReport(0xFF, 0x04, 0x00, {10}));
    settle(0.1);
    EXPECT_EQ(-1, ui(kBtKeyboard).battery);
}

TEST_F(FeatureDiscoveryTest, HostIsSwitchedOnlyFromAnotherPlatformToAMacOne) {
    struct Case {
        std::vector<SimKeyboard::Platform> platforms;
        std::uint8_t current;
        std::size_t switches;
    };
    const std::vector<Case> cases{
        {{{0, 0x01}, {1, 0x20}}, 0, 1},
        {{{0, 0x01}, {1, 0x20}}, 1, 0},  // already there
        {{{0, 0x01}, {1, 0x21}}, 0, 0},  // no exact mask
        {{{0, 0x01}, {1, 0x20}}, 5, 0},  // current one not listed
    };
    recordBoth();
    for (const auto& c : cases) {
        btKeyb = SimKeyboard{};
        btDev->onWrite = nullptr;
        btDev = btKeyb.makeDirectDevice(sim->hidDevices, "Bluetooth", "K380");
        LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) { l[kBtKeyboard].dev = btDev; });
        listen(btDev, HidppChannel::Direct);
        btKeyb.addFeatures({{SimKeyboard::kPlatforms, 0x03}});
        btKeyb.platforms = c.platforms;
        btKeyb.currPlatform = c.current;
        EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
        EXPECT_EQ(c.switches, countRequests(btKeyb, 0x03, 3)) << "current " << int(c.current);
    }
}

TEST_F(FeatureDiscoveryTest, PlatformsAreNotReadWhenTheKeyboardCannotChangeThem) {
    recordBoth();
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.platformList = {{0, 0, 0x20}}; });
    btKeyb.addFeatures({{SimKeyboard::kPlatforms, 0x03}});
    btKeyb.platforms = {{0, 0x01}, {1, 0x20}};
    btKeyb.canChangePlatform = false;
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ(0u, countRequests(btKeyb, 0x03, 1));
    EXPECT_EQ((std::vector<LogiPlatform>{{0, 0, 0x20}}), opt(kBtKeyboard).platformList);

    // Nor when the information is an error answer, which holds no platform.
    btKeyb.canChangePlatform = true;
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.platformList = {{0, 0, 0x01}, {1, 1, 0x20}}; });
    btKeyb.refuse(SimKeyboard::kPlatforms, 0, SimKeyboard::Refusal::Error);
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ(0u, countRequests(btKeyb, 0x03, 1));
    EXPECT_EQ(0u, countRequests(btKeyb, 0x03, 3));  // no switch either
}

TEST_F(FeatureDiscoveryTest, AnErrorToTheControlCountMeansNoControls) {
    recordBoth();
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.id1b04List = {{0x00D4, 0x30}}; });
    btKeyb.addFeatures({{SimKeyboard::kControls, 0x04}});
    btKeyb.controls = {{0x00D4, 0x30}};
    btKeyb.refuse(SimKeyboard::kControls, 0, SimKeyboard::Refusal::Error);
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ(0u, countRequests(btKeyb, 0x04, 1));  // no control information asked for
    EXPECT_EQ(0u, countRequests(btKeyb, 0x04, 3));  // nothing to divert
    EXPECT_TRUE(opt(kBtKeyboard).id1b04List.empty());
}

TEST_F(FeatureDiscoveryTest, FailuresEndWithTheirCodes) {
    recordBoth();
    btKeyb.addFeatures({{SimKeyboard::kControls, 0x04}});
    btKeyb.controls = {{0x00D4, 0x30}};
    btKeyb.refuse(SimKeyboard::kControls, 1, SimKeyboard::Refusal::Drop);
    const double start = sim->runLoop.now();
    EXPECT_EQ(kDiscoveryControlInfo, discover(kBtKeyboard));
    EXPECT_NEAR(kHidppTimeout, sim->runLoop.now() - start, 0.011);

    btKeyb.refuse(SimKeyboard::kControls, 1, SimKeyboard::Refusal::Error);  // an error is an answer
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));

    btKeyb.refuse(SimKeyboard::kRoot, 0, SimKeyboard::Refusal::Drop);
    EXPECT_EQ(kDiscoveryFirstRoots, discover(kBtKeyboard));

    btDev->properties[platform::kHidTransportKey] = std::string("SPI");
    const auto written = btDev->written.size();
    EXPECT_EQ(kDiscoveryUnreachable, discover(kBtKeyboard));
    EXPECT_EQ(written, btDev->written.size());

    // Options outside the stored list count as none.
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kSlotKeyboard].optIndex = 7; });
    EXPECT_EQ(kDiscoveryNoKeyboard, discover(kSlotKeyboard));
    EXPECT_EQ(kDiscoveryNoKeyboard, discover(3));  // an empty entry
}

TEST_F(FeatureDiscoveryTest, TheErrorIndexIsNeverTakenAsAFeatureIndex) {
    recordBoth();
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.featureMap = {{3, 0x02}}; });
    btKeyb.addFeatures({{SimKeyboard::kBatteryLevel, 0xFF}, {SimKeyboard::kFnInversion, 0x06}});
    btKeyb.refuse(SimKeyboard::kFnInversion, 1, SimKeyboard::Refusal::Error);
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ((std::map<std::int64_t, std::uint8_t>{{11, 0x06}}), opt(kBtKeyboard).featureMap);
    EXPECT_EQ(0u, countRequests(btKeyb, 0xFF, 0));

    // An error answer is not read as a battery report, even under a map that
    // holds the error index.
    hidppSetFnInversion(kBtKeyboard);
    settle(1);
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.featureMap[3] = 0xFF; });
    hidppSetFnInversion(kBtKeyboard);
    settle(1);
    EXPECT_EQ(2u, countRequests(btKeyb, 0x06, 1));
    EXPECT_EQ(-1, ui(kBtKeyboard).battery);
}

TEST_F(FeatureDiscoveryTest, AKeyboardGoneDuringDiscoveryEndsIt) {
    recordBoth();
    btKeyb.addFeatures({{SimKeyboard::kBatteryLevel, 0x02}});
    std::optional<int> result;
    discoverHidppFeatures(kBtKeyboard, [&](int r) { result = r; });
    releaseAndResetKeyboard(kBtKeyboard);  // removed before the first answer
    settle(10);
    EXPECT_EQ(kDiscoveryNoKeyboard, result);
    EXPECT_EQ(1u, btKeyb.received.size());
    EXPECT_TRUE(LogiKeysOpt::shared().k()[kBtKeyboard].featureMap.empty());  // its options
}

TEST_F(FeatureDiscoveryTest, AKeyboardReconnectedDuringDiscoveryIsLeftToItsNextRun) {
    setUpSlotKeyboard();
    recordBoth();
    const std::vector<LogiPlatform> platforms{{0, 0, 0x01}, {1, 1, 0x20}};
    editOpt(kSlotKeyboard, [&](LogiKeyOpt& o) {
        o.featureMap = {{6, 0x07}, {0, 0x09}};
        o.platformList = platforms;
        o.id1b04List = {{0x00D4, 0x31}};
    });
    const auto options = static_cast<std::size_t>(ui(kSlotKeyboard).optIndex);
    slotKeyb.refuseRoot(SimKeyboard::kBatteryLevel, SimKeyboard::Refusal::Late);
    slotKeyb.lateSeconds = 0.5;
    std::optional<int> result;
    discoverHidppFeatures(kSlotKeyboard, [&](int r) { result = r; });

    // Link lost and back in the same slot: the entry is taken again, not yet
    // linked to options (the queue links it when its turn comes).
    releaseAndResetKeyboard(kSlotKeyboard);
    LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) {
        l[kSlotKeyboard].valid = true;
        l[kSlotKeyboard].dev = bolt.device;
        l[kSlotKeyboard].usbIndex = kSlotIndex;
    });
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kSlotKeyboard].valid = true; });
    settle(10);

    EXPECT_EQ(kDiscoveryNoKeyboard, result);
    EXPECT_EQ(1u, slotKeyb.received.size());
    const LogiKeyOpt& stored = LogiKeysOpt::shared().k()[options];
    EXPECT_EQ(platforms, stored.platformList);
    EXPECT_EQ((std::map<std::uint16_t, std::uint8_t>{{0x00D4, 0x31}}), stored.id1b04List);
}

TEST_F(FeatureDiscoveryTest, ADiscoveryStartedAgainEndsTheEarlierRun) {
    // As when the queue is emptied and the keyboard is queued again while a
    // run still waits for an answer: only the new run goes on.
    recordBoth();
    btKeyb.addFeatures({{SimKeyboard::kBatteryLevel, 0x02},
                        {SimKeyboard::kBatteryVoltage, 0x03},
                        {SimKeyboard::kFnInversion, 0x06}});
    btKeyb.refuseRoot(SimKeyboard::kBatteryVoltage, SimKeyboard::Refusal::Late);
    btKeyb.lateSeconds = 0.5;
    std::optional<int> first, second;
    discoverHidppFeatures(kBtKeyboard, [&](int r) { first = r; });
    sim->runLoop.advance(0.1);
    discoverHidppFeatures(kBtKeyboard, [&](int r) { second = r; });
    settle(10);

    EXPECT_EQ(kDiscoveryNoKeyboard, first);
    EXPECT_EQ(kDiscoveryOk, second);
    EXPECT_EQ((std::map<std::int64_t, std::uint8_t>{{3, 0x02}, {14, 0x03}, {11, 0x06}}),
              opt(kBtKeyboard).featureMap);
    EXPECT_EQ(2u + 8u + 3u, btKeyb.received.size());  // two roots, then the whole second run
}

TEST_F(FeatureDiscoveryTest, ALateRootAnswerLeavesTheFeatureMapAlone) {
    recordBoth();
    btKeyb.addFeatures({{SimKeyboard::kBatteryLevel, 0x02}, {SimKeyboard::kBatteryVoltage, 0x03}});
    btKeyb.refuseRoot(SimKeyboard::kBatteryVoltage, SimKeyboard::Refusal::Late);
    btKeyb.lateSeconds = 3.5;
    EXPECT_EQ(kDiscoveryFirstRoots, discover(kBtKeyboard));  // the 0x1001 root timed out

    // The next attempt runs with answers on time and ends before the late one.
    btKeyb.rootRefusals.clear();
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    const std::map<std::int64_t, std::uint8_t> learnt{{3, 0x02}, {14, 0x03}};
    EXPECT_EQ(learnt, opt(kBtKeyboard).featureMap);

    settle(1.0);  // the first attempt's answer (index 3) comes now
    EXPECT_EQ(learnt, opt(kBtKeyboard).featureMap);
}

} // namespace
} // namespace corv::logitech::test
