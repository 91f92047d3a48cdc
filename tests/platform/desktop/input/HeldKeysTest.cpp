// The keys held on each keyboard, read from faked evdev keyboards under
// umockdev whose HID devices also have hidraw nodes, as USB keyboards do.

#include "engine/LiveTaps.h"
#include "engine/KeyboardHidManager.h"
#include "engine/ModKeyPressed.h"
#include "model/Apps.h"
#include "model/KeySubOpt.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/desktop/DesktopPlatform.h"
#include "recorders/Highlights.h"
#include "platform/desktop/input/InputScene.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::spinUntil;

const std::vector<std::uint8_t> kKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,
                                                       0x05, 0x07, 0x81, 0x02, 0xC0};
constexpr std::uint64_t kPage7 = std::uint64_t{7} << 32;
constexpr std::uint64_t kLeftShift = kPage7 | 0xE1, kA = kPage7 | 0x04, kB = kPage7 | 0x05, kC = kPage7 | 0x06,
                        kD = kPage7 | 0x07;

class HeldKeys : public InputScene {
public:
    HeldKeys() {
        input.addHidrawBeside(first, "hidraw0", kKeyboardDescriptor);
        input.addHidrawBeside(second, "hidraw1", kKeyboardDescriptor);
        start();
        engine::startKeyboardHidManager();
        EXPECT_TRUE(spinUntil([&] { return input.grabbed(first) && input.grabbed(second); }, 5000));
        settle();
    }
    ~HeldKeys() { engine::stopKeyboardHidManager(); }
    void press(const std::string& node, std::uint16_t code, int value) {
        input.send(node, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, value)});
        settle();
    }
    void tap(const std::string& node, std::uint16_t code) {
        press(node, code, 1);
        press(node, code, 0);
    }
    static std::vector<std::uint64_t> held() {
        std::vector<std::uint64_t> out;
        for (const auto& k : engine::ModKeyPressed::shared().v.get()) out.push_back(k.code);
        return out;
    }

    std::string first = input.addDevice(test::fakeKeyboard("First Keyboard", 0xC31C));
    std::string second = input.addDevice(test::fakeKeyboard("Second Keyboard", 0xC32B));
};

TEST(HeldKeys, EachKeyboardsHeldKeysAppearAndClear) {
    if (!test::runningUnderUmockdev()) return;
    HeldKeys s;
    // Nothing is recorded while the keyboard tab is closed.
    s.press(s.first, KEY_LEFTSHIFT, 1);
    EXPECT_TRUE(HeldKeys::held().empty());
    s.press(s.first, KEY_LEFTSHIFT, 0);

    UIState::shared().keyboardTabShowing.set(true);
    s.press(s.first, KEY_LEFTSHIFT, 1);
    s.press(s.first, KEY_LEFTSHIFT, 2);  // auto-repeat
    s.press(s.second, KEY_LEFTSHIFT, 1);
    ASSERT_TRUE(spinUntil([] { return HeldKeys::held().size() == 2; }, 5000));
    const auto& both = engine::ModKeyPressed::shared().v.get();
    EXPECT_EQ(HeldKeys::held(), (std::vector<std::uint64_t>{kLeftShift, kLeftShift}));
    EXPECT_NE(both[0].device, both[1].device);
    EXPECT_EQ(both[0].keyboard.product + "/" + both[1].keyboard.product, "First Keyboard/Second Keyboard");

    s.press(s.first, KEY_LEFTSHIFT, 0);
    ASSERT_TRUE(spinUntil([] { return HeldKeys::held().size() == 1; }, 5000));
    EXPECT_EQ(engine::ModKeyPressed::shared().v.get()[0].keyboard.product, "Second Keyboard");

    s.press(s.second, KEY_LEFTSHIFT, 0);
    EXPECT_TRUE(spinUntil([] { return HeldKeys::held().empty(); }, 5000));

    // A keyboard whose node is no longer read lets go of what it held:
    // pulled out, or all let go when no tap is live.
    s.press(s.second, KEY_A, 1);
    ASSERT_TRUE(spinUntil([] { return HeldKeys::held() == std::vector<std::uint64_t>{kA}; }, 5000));
    s.input.unplug(s.second);
    EXPECT_TRUE(spinUntil([&] { return s.desktop->eventTaps.input.taken().size() == 1; }, 5000));
    EXPECT_TRUE(spinUntil([] { return HeldKeys::held().empty(); }, 5000));
    s.press(s.first, KEY_B, 1);
    ASSERT_TRUE(spinUntil([] { return HeldKeys::held() == std::vector<std::uint64_t>{kB}; }, 5000));
    engine::stopEngineTaps();
    EXPECT_TRUE(spinUntil([&] { return s.desktop->eventTaps.input.taken().empty(); }, 5000));
    EXPECT_TRUE(spinUntil([] { return HeldKeys::held().empty(); }, 5000));
}

TEST(HeldKeys, APairIsRecordedByPressingKeys) {
    if (!test::runningUnderUmockdev()) return;
    HeldKeys s;
    UIState::shared().keyboardTabShowing.set(true);
    s.press(s.first, KEY_A, 1);
    ASSERT_TRUE(spinUntil([] { return HeldKeys::held().size() == 1; }, 5000));
    const DeviceName name = engine::ModKeyPressed::shared().v.get()[0].keyboard;
    s.press(s.first, KEY_A, 0);

    KeySub pairs;
    pairs.name = name;
    pairs.reportDescSum = 42;
    pairs.subItemsSrc = {kA};
    pairs.subItemsDst = {kB};
    pairs.subBidir = {false};
    pairs.rebuildOccupiedKeys();
    KeySubOpt::shared().keySub.set({pairs});
    KeySubOpt::shared().subGlobalEn.set(true);
    // The source cell of (A, B) waits, as a click on it leaves it.
    auto& cell = recorders::PhyKeyHighlighted::shared();
    cell.name.set(name);
    cell.reportDescSum.set(42);
    cell.src.set(true);
    cell.usage.set(kA);

    // A key on the other keyboard is not this keyboard's.
    s.tap(s.second, KEY_C);
    EXPECT_EQ(KeySubOpt::shared().keySub.get()[0].subItemsSrc, std::vector<std::uint64_t>{kA});

    s.tap(s.first, KEY_C);
    ASSERT_TRUE(spinUntil([] { return KeySubOpt::shared().keySub.get()[0].subItemsSrc[0] == kC; }, 5000));
    EXPECT_EQ(cell.src.get(), false);
    s.tap(s.first, KEY_D);
    ASSERT_TRUE(spinUntil([] { return KeySubOpt::shared().keySub.get()[0].subItemsDst[0] == kD; }, 5000));
    EXPECT_EQ(cell.usage.get(), std::nullopt);
}

} // namespace
} // namespace corv::desktop
