// Reports of known keyboards: batteries of the three features with the
// low-battery notice, platform changes, controls and routing.

#include "KeyboardWorld.h"
#include "logitech/KeyboardRequests.h"

namespace corv::logitech::test {
namespace {

constexpr std::uint8_t kLevel = 0x02, kVoltage = 0x03, kUnified = 0x04, kPlatforms = 0x05, kControls = 0x06;

class FeatureReportTest : public KeyboardWorld {
protected:
    FeatureReportTest() {
        for (auto* kb : {&slotKeyb, &btKeyb})
            kb->addFeatures({{SimKeyboard::kBatteryLevel, kLevel},
                             {SimKeyboard::kBatteryVoltage, kVoltage},
                             {SimKeyboard::kUnifiedBattery, kUnified},
                             {SimKeyboard::kPlatforms, kPlatforms},
                             {SimKeyboard::kControls, kControls}});
        recordBoth();
        EXPECT_EQ(kDiscoveryOk, discover(kSlotKeyboard));
        EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    }
    // The keyboard reports a battery level (0x1000) by itself.
    void level(SimKeyboard& kb, std::uint8_t percent, std::uint8_t status = 0) {
        kb.batteryLevel = percent;
        kb.batteryStatus = status;
        kb.emit(kb.batteryEvent(SimKeyboard::kBatteryLevel));
        settle(0.1);
    }
    auto& posted() { return sim->notifications.posted; }
};

TEST_F(FeatureReportTest, BatteriesOfTheThreeFeatures) {
    level(btKeyb, 120);
    EXPECT_EQ(100, ui(kBtKeyboard).battery);
    level(btKeyb, 57);
    level(btKeyb, 0, 2);
    EXPECT_EQ(569, ui(kBtKeyboard).battery);
    level(btKeyb, 0, 3);  // only the level byte of the stored value is kept
    EXPECT_EQ(57 + 0x300, ui(kBtKeyboard).battery);

    btKeyb.unifiedLevel = 30;
    btKeyb.unifiedCharging = 1;
    btKeyb.emit(btKeyb.batteryEvent(SimKeyboard::kUnifiedBattery));
    settle(0.1);
    EXPECT_EQ(286, ui(kBtKeyboard).battery);

    btKeyb.batteryMillivolts = 3700;
    btKeyb.voltageFlags = 0x82;
    btKeyb.emit(btKeyb.batteryEvent(SimKeyboard::kBatteryVoltage));
    settle(0.1);
    EXPECT_EQ(15 | 0x700, ui(kBtKeyboard).battery);
    EXPECT_EQ(-1, ui(2).battery);  // an empty entry
}

TEST_F(FeatureReportTest, NoNoticeForAFirstLowValueOrAStatus) {
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kBtKeyboard].battery = -1; });
    level(btKeyb, 0, 2);
    EXPECT_EQ(512, ui(kBtKeyboard).battery);  // a status keeps the level, 0 while unknown
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kBtKeyboard].battery = -1; });
    level(btKeyb, 5);
    EXPECT_EQ(5, ui(kBtKeyboard).battery);
    level(btKeyb, 50);
    btKeyb.unifiedLevel = 10;  // charging: a value of 256 or more is never low
    btKeyb.unifiedCharging = 1;
    btKeyb.emit(btKeyb.batteryEvent(SimKeyboard::kUnifiedBattery));
    settle(0.1);
    EXPECT_EQ(266, ui(kBtKeyboard).battery);
    EXPECT_TRUE(posted().empty());
}

TEST_F(FeatureReportTest, LowBatteryNoticeOnEachStepBelowElevenAndTheSecondKeyboardReplacesTheFirst) {
    posted().clear();
    level(slotKeyb, 12);
    level(slotKeyb, 10);
    ASSERT_EQ(1u, posted().size());
    EXPECT_EQ("Kx", posted()[0].identifier);
    EXPECT_EQ("Corvadine", posted()[0].title);
    EXPECT_EQ("MX Keys: battery 10% \xE2\x9D\x97\xEF\xB8\x8F", posted()[0].body);

    level(slotKeyb, 9);
    level(slotKeyb, 11);
    level(slotKeyb, 11);
    EXPECT_EQ(1u, posted().size());
    level(slotKeyb, 10);
    EXPECT_EQ(2u, posted().size());

    level(btKeyb, 30);
    level(btKeyb, 4);
    ASSERT_EQ(3u, posted().size());
    EXPECT_EQ("Kx", posted()[2].identifier);
    EXPECT_EQ("K380: battery 4% \xE2\x9D\x97\xEF\xB8\x8F", posted()[2].body);
    EXPECT_EQ(10, ui(kSlotKeyboard).battery);
    EXPECT_EQ(4, ui(kBtKeyboard).battery);
}

TEST_F(FeatureReportTest, PlatformChangeEventAndControlsRecorded) {
    btKeyb.platforms = {{0, 0x01}, {1, 0x20}};
    btKeyb.currChannel = 2;
    btKeyb.currPlatform = 1;
    btKeyb.emit(btKeyb.platformEvent());
    settle(0.1);
    EXPECT_EQ(2, noUi(kBtKeyboard).currChannel);
    EXPECT_EQ(1, noUi(kBtKeyboard).currPlatform);
    EXPECT_EQ(2, noUi(kBtKeyboard).platformCount);
    EXPECT_TRUE(noUi(kBtKeyboard).canChangePlatform);

    // Control information answers: recorded only with both flag bits, and no
    // more controls than the keyboard counted.
    KeyboardRequestStates::shared().k[kBtKeyboard].controlCount = 1;
    for (auto [flags, cid] : {std::pair{0x30, 0x00D4}, {0x20, 0x00C8}, {0x10, 0x00C9}, {0x30, 0x00D5}}) {
        Bytes info = longReport(0xFF, kControls, 0x11, {0x00, static_cast<std::uint8_t>(cid), 0, 0,
                                                         static_cast<std::uint8_t>(flags)});
        hidppFeatureReport(kBtKeyboard, info.data(), info.size());
    }
    EXPECT_EQ((std::map<std::uint16_t, std::uint8_t>{{0x00D4, 0x30}}), opt(kBtKeyboard).id1b04List);
}

TEST_F(FeatureReportTest, MultiHostFnInversionIsTriedBeforeTheControls) {
    // Both under one index: a diverted-keys event goes to the Fn inversion.
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) {
        o.featureMap[static_cast<std::int64_t>(FeatureID::ID_40A3)] = kControls;
        o.fnInversion = false;
    });
    const Bytes event = longReport(0xFF, kControls, 0x00, {0x00, 0x01});
    hidppFeatureReport(kBtKeyboard, event.data(), event.size());
    EXPECT_TRUE(opt(kBtKeyboard).fnInversion);
    EXPECT_TRUE(noUi(kBtKeyboard).keyState.empty());
}

TEST_F(FeatureReportTest, ReportsThatAreNotForAFeatureChangeNothing) {
    // Same index for two features: the battery, first in order, takes it.
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.featureMap[6] = kLevel; });
    Bytes r = longReport(0xFF, kLevel, 0x00, {42, 0, 0, 9, 0, 3, 3});
    hidppFeatureReport(kBtKeyboard, r.data(), r.size());
    EXPECT_EQ(42, ui(kBtKeyboard).battery);
    EXPECT_EQ(0, noUi(kBtKeyboard).platformCount);

    // An error report, an unknown index, a short report, a keyboard without options.
    for (Bytes bad : {longReport(0xFF, 0xFF, kLevel, {0x01, 0x02}), longReport(0xFF, 0x33, 0x00, {7}),
                      Bytes{0x11, 0xFF, kLevel, 0x00, 7}}) {
        hidppFeatureReport(kBtKeyboard, bad.data(), bad.size());
        EXPECT_EQ(42, ui(kBtKeyboard).battery);
    }
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kBtKeyboard].optIndex = -1; });
    hidppFeatureReport(kBtKeyboard, r.data(), r.size());
    r[4] = 7;
    hidppFeatureReport(kBtKeyboard, r.data(), r.size());
    EXPECT_EQ(42, ui(kBtKeyboard).battery);
    hidppFeatureReport(9, r.data(), r.size());  // no such entry
}

} // namespace
} // namespace corv::logitech::test
