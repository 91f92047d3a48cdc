// Fn inversion, backlight and divert requests, and how the answers bring the
// keyboard and the user's settings into line without looping.

#include "KeyboardWorld.h"
#include "engine/KeyboardInput.h"
#include "logitech/BacklightRequests.h"
#include "logitech/ControlDiversion.h"
#include "logitech/FnInversion.h"

namespace corv::logitech::test {
namespace {

constexpr std::uint8_t kFn = 0x06, kFnMultiHost = 0x07, kLight = 0x04, kControls = 0x09;

class FeatureRequestsTest : public KeyboardWorld {
protected:
    FeatureRequestsTest() {
        btKeyb.addFeatures({{SimKeyboard::kFnInversion, kFn},
                            {SimKeyboard::kFnInversionMultiHost, kFnMultiHost},
                            {SimKeyboard::kBacklight, kLight}});
        recordBoth();
    }
    std::size_t sets(std::uint8_t feature) { return countRequests(btKeyb, feature, 1); }
    // The functions of the requests to one feature, in order.
    std::vector<int> functions(std::uint8_t feature) {
        std::vector<int> f;
        for (const auto& r : btKeyb.received)
            if (r[2] == feature) f.push_back(r[3] >> 4);
        return f;
    }
    Bytes firstSet(std::uint8_t feature) {
        for (const auto& r : btKeyb.received)
            if (r[2] == feature && (r[3] >> 4) == 1) return r;
        return {};
    }
    Bytes lastRequest() { return btKeyb.received.back(); }
};

TEST_F(FeatureRequestsTest, KeyboardKeepingItsBacklightGetsOneCorrectionPerChange) {
    btKeyb.backlight.on = false;
    btKeyb.refuse(SimKeyboard::kBacklight, 1, SimKeyboard::Refusal::KeepState);
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.backLight = 0x01; });

    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    settle(30);
    // Discovery reads configuration and information; the correction is read
    // back the same way.
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 2}), functions(kLight));
    EXPECT_EQ(0u, ui(kBtKeyboard).backLight & 1);  // what the keyboard reports
    EXPECT_EQ(1u, opt(kBtKeyboard).backLight & 1);  // the user's switch stays

    hidppSetBacklightConfig(kBtKeyboard);  // the user switches again
    settle(30);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 2, 1, 0, 2, 1, 0, 2}), functions(kLight));  // the change and one correction
}

TEST_F(FeatureRequestsTest, KeyboardKeepingItsFnInversionIsCorrectedOnce) {
    btKeyb.fnInverted = true;
    btKeyb.refuse(SimKeyboard::kFnInversion, 1, SimKeyboard::Refusal::KeepState);
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    btKeyb.emit(btKeyb.fnInversionEvent(SimKeyboard::kFnInversion));
    settle(30);
    EXPECT_EQ((std::vector<int>{0, 1}), functions(kFn));
    const Bytes set = firstSet(kFn);
    EXPECT_EQ(longReport(0xFF, kFn, set[3], {0, 0}), set);  // setting false: 0, 0
    EXPECT_TRUE(ui(kBtKeyboard).fnInversion);
    EXPECT_FALSE(opt(kBtKeyboard).fnInversion);
}

TEST_F(FeatureRequestsTest, SingleHostEventIsCorrectedAndMultiHostEventIsAdopted) {
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    EXPECT_EQ(0u, sets(kFn));

    btKeyb.fnInverted = true;  // Fn lock pressed on the keyboard
    btKeyb.emit(btKeyb.fnInversionEvent(SimKeyboard::kFnInversion));
    settle(1);
    EXPECT_EQ(1u, sets(kFn));
    EXPECT_FALSE(btKeyb.fnInverted);  // the setting was sent again
    EXPECT_FALSE(ui(kBtKeyboard).fnInversion);

    const auto before = btKeyb.received.size();
    btKeyb.fnInverted = true;
    btKeyb.emit(btKeyb.fnInversionEvent(SimKeyboard::kFnInversionMultiHost));
    settle(1);
    EXPECT_EQ(before, btKeyb.received.size());  // nothing sent
    EXPECT_TRUE(opt(kBtKeyboard).fnInversion);
    EXPECT_TRUE(ui(kBtKeyboard).fnInversion);

    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.fnInversion = false; });
    hidppSetFnInversionMultiHost(kBtKeyboard);
    settle(1);
    EXPECT_EQ(longReport(0xFF, kFnMultiHost, lastRequest()[3], {0xFF, 0}), lastRequest());
    EXPECT_EQ(0x10, lastRequest()[3] & 0xF0);
    EXPECT_FALSE(btKeyb.fnInverted);
}

TEST_F(FeatureRequestsTest, BacklightConfigurationBytes) {
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    const auto before = btKeyb.received.size();
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) {
        o.backLight = 0x0301;
        o.backLightOptions = 4u << 24 | 0x12 << 8;
    });
    hidppSetBacklightConfig(kBtKeyboard);
    settle(1);
    const Bytes on = btKeyb.received[before];
    EXPECT_EQ(longReport(0xFF, kLight, on[3], {1, 3, 4, 0x12, 10, 0, 10, 0, 60, 0, 10, 0}), on);
    EXPECT_EQ(0x10, on[3] & 0xF0);

    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.backLight = 0x0300; });
    hidppSetBacklightConfig(kBtKeyboard);
    settle(1);
    const Bytes off = btKeyb.received[before + 3];
    EXPECT_EQ(longReport(0xFF, kLight, off[3], {0, 3, 0xFF, 0x12, 10, 0, 10, 0, 60, 0, 10, 0}), off);
}

TEST_F(FeatureRequestsTest, DivertPassSendsTheDivertableControlsWithOneSoftwareId) {
    btKeyb.addFeatures({{SimKeyboard::kControls, kControls}});
    btKeyb.controls = {{0x00C8, 0x30}, {0x00D4, 0x70}, {0x0034, 0x20}};
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    editOpt(kBtKeyboard, [](LogiKeyOpt& o) { o.key[0x00D4][0] = BindAction{}; });
    // The keyboard behind the receiver has controls but no 0x1B04 in its map.
    editOpt(kSlotKeyboard, [](LogiKeyOpt& o) { o.id1b04List = {{0x00C8, 0x30}}; });
    const auto before = btKeyb.received.size();

    updateControlDiversionAsync();
    settle(1);
    ASSERT_EQ(before + 2, btKeyb.received.size());
    const std::uint8_t byte3 = btKeyb.received[before][3];
    EXPECT_EQ(0x30, byte3 & 0xF0);
    EXPECT_EQ(longReport(0xFF, kControls, byte3, {0x00, 0xC8, 2, 0x00, 0xC8}), btKeyb.received[before]);
    EXPECT_EQ(longReport(0xFF, kControls, byte3, {0x00, 0xD4, 3, 0x00, 0xD4}), btKeyb.received[before + 1]);
    EXPECT_TRUE(bolt.device->written.empty());
}

TEST_F(FeatureRequestsTest, DivertedKeyOfAKeyboardBehindTheReceiverPerformsItsBinding) {
    slotKeyb.addFeatures({{SimKeyboard::kControls, kControls}});
    slotKeyb.controls = {{212, 0x30}, {0x00C8, 0x30}};
    BindAction spotlight;
    spotlight.isHotkey = true;
    spotlight.hotkeyMod = corv::test::flag::Command;
    spotlight.hotkeyKey = corv::test::key::Space;
    editOpt(kSlotKeyboard, [&](LogiKeyOpt& o) { o.key[212][0] = spotlight; });
    EXPECT_EQ(kDiscoveryOk, discover(kSlotKeyboard));
    EXPECT_EQ(3, slotKeyb.controls[0].reporting);  // bound: diverted
    EXPECT_EQ(2, slotKeyb.controls[1].reporting);  // unbound: not

    auto expectPosted = [&](std::uint32_t type, std::int64_t code, std::uint64_t flags) {
        ASSERT_FALSE(sim->events.posted.empty());
        const auto p = sim->events.takePosted();
        EXPECT_EQ(type, p.event.type());
        EXPECT_EQ(code, p.event.integerField(9));
        EXPECT_EQ(flags, p.event.flags());
    };
    slotKeyb.emit(slotKeyb.divertedKeysEvent({212}));
    settle(0.01);
    expectPosted(12, 55, corv::test::flag::Command);
    expectPosted(10, corv::test::key::Space, corv::test::flag::Command);
    EXPECT_TRUE(sim->events.posted.empty());
    EXPECT_EQ(std::set<std::uint16_t>{212}, noUi(kSlotKeyboard).keyState);

    slotKeyb.emit(slotKeyb.divertedKeysEvent({}));
    settle(0.01);
    expectPosted(11, corv::test::key::Space, corv::test::flag::Command);
    expectPosted(12, 55, corv::test::flag::NonCoalesced);
    EXPECT_TRUE(sim->events.posted.empty());
    EXPECT_TRUE(noUi(kSlotKeyboard).keyState.empty());

    // A control-information answer carries a software id: never a key event.
    Bytes info = longReport(kSlotIndex, kControls, 0x01, {0x00, 212});
    hidppFeatureReport(kSlotKeyboard, info.data(), info.size());
    settle(0.01);
    EXPECT_TRUE(sim->events.posted.empty());
    EXPECT_TRUE(noUi(kSlotKeyboard).keyState.empty());
}

TEST_F(FeatureRequestsTest, KeyboardWithoutUsableOptionsGetsNothingAndChangesNothing) {
    EXPECT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    const auto before = btKeyb.received.size();
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[kBtKeyboard].optIndex = 9; });
    hidppSetFnInversion(kBtKeyboard);
    hidppSetBacklightConfig(kBtKeyboard);
    hidppReadBacklight(kBtKeyboard);
    updateControlDiversionAsync();
    btKeyb.fnInverted = true;
    btKeyb.emit(btKeyb.fnInversionEvent(SimKeyboard::kFnInversionMultiHost));
    settle(1);
    EXPECT_EQ(before, btKeyb.received.size());
    EXPECT_FALSE(ui(kBtKeyboard).fnInversion);
    hidppSetFnInversion(-1);
    hidppSetBacklightConfig(4);
}

} // namespace
} // namespace corv::logitech::test
