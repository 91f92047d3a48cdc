#include "HidServiceData.h"
#include "LogiKeyboardInput.h"

#include "engine/KeyboardHidManager.h"
#include "engine/KeyboardServices.h"
#include "engine/ModKeyPressed.h"
#include "model/KeySubOpt.h"
#include "model/UIState.h"

namespace corv::test {
namespace {

using engine::ModKeyPressed;
using engine::PressedKey;

namespace usage {
inline constexpr std::uint32_t A = 4, B = 5, C = 6, D = 7, LeftShift = 0xE1, Fn = 3;
}
std::uint64_t code(std::uint32_t page, std::uint32_t u) { return (std::uint64_t{page} << 32) | u; }

class KeyboardValuesTest : public EngineTest {
protected:
    KeyboardValuesTest() {
        engine::startKeyboardHidManager();
        apple = makeKeyboard(*sim, kAppleUsbKeyboard);
        sim->hidDevices.attach(apple);
        settle();
        UIState::shared().keyboardTabShowing.set(true);
    }
    void press(sim::SimHidDevice& kb, std::uint32_t u, std::uint32_t page = 7) { kb.sendValue(page, u, 1); }
    void release(sim::SimHidDevice& kb, std::uint32_t u, std::uint32_t page = 7) { kb.sendValue(page, u, 0); }
    static const std::vector<PressedKey>& pressed() { return ModKeyPressed::shared().v.get(); }

    std::shared_ptr<sim::SimHidDevice> apple;
    const DeviceName appleName{kAppleUsbKeyboard.product, kAppleUsbKeyboard.maker};
};

TEST_F(KeyboardValuesTest, HeldKeysAreListedPerKeyboardWhileTheTabShows) {
    KeyboardDevice bolt = kLogiUsbKeyboard;
    bolt.product = "USB Receiver";
    bolt.productId = 0xC548;
    auto receiver = makeKeyboard(*sim, bolt);
    sim->hidDevices.attach(receiver);
    settle();

    press(*apple, usage::LeftShift);
    press(*receiver, usage::LeftShift);
    press(*apple, usage::LeftShift);
    press(*apple, usage::Fn, 0xFF);
    press(*apple, 1);
    press(*apple, 256);
    press(*apple, usage::A, 9);
    settle();
    EXPECT_EQ(pressed(), (std::vector<PressedKey>{
                             {code(7, usage::LeftShift), appleName, apple.get()},
                             {code(7, usage::LeftShift), DeviceName{"Bolt Receiver", "Logitech"}, receiver.get()},
                             {code(0xFF, usage::Fn), appleName, apple.get()}}));
    release(*apple, usage::LeftShift);
    settle();
    EXPECT_EQ(pressed().size(), 2u);
    EXPECT_EQ(pressed()[0].keyboard.product, "Bolt Receiver");

    // Closed tab: nothing recorded; a restart of the manager forgets all.
    UIState::shared().keyboardTabShowing.set(false);
    press(*apple, usage::B);
    settle();
    EXPECT_EQ(pressed().size(), 2u);
    engine::startKeyboardHidManager();
    EXPECT_TRUE(pressed().empty());
}

TEST_F(KeyboardValuesTest, UnpluggingAKeyboardForgetsTheKeysHeldOnItAlone) {
    auto other = makeKeyboard(*sim, KeyboardDevice{"Other", "Acme", "USB", 1, 2, {{1, 6}}});
    auto twin = makeKeyboard(*sim, kAppleUsbKeyboard);  // the same model again
    sim->hidDevices.attach(other);
    sim->hidDevices.attach(twin);
    settle();
    press(*apple, usage::LeftShift);
    press(*other, usage::A);
    press(*apple, usage::A);
    press(*twin, usage::A);
    settle();
    sim->hidDevices.detach(apple);
    settle();
    EXPECT_EQ(pressed(), (std::vector<PressedKey>{{code(7, usage::A), DeviceName{"Other", "Acme"}, other.get()},
                                                  {code(7, usage::A), appleName, twin.get()}}));
    release(*twin, usage::A);
    settle();
    EXPECT_EQ(pressed(), (std::vector<PressedKey>{{code(7, usage::A), DeviceName{"Other", "Acme"}, other.get()}}));
}

class PhysicalKeyCaptureTest : public KeyboardValuesTest {
protected:
    PhysicalKeyCaptureTest() {
        engine::PhysicalKeyHighlight::shared().read = [this] { return wait; };
        engine::PhysicalKeyHighlight::shared().move = [this](std::optional<std::uint64_t> u, bool src) {
            wait.usage = u;
            wait.src = src;
        };
        KeyboardService svc;
        service = sim->hidServices.addService(svc.properties());
        engine::startHidServiceWatch();
        KeySubOpt::shared().subGlobalEn.set(true);
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& list) {
            KeySub& ks = list.at(0);
            ks.subItemsSrc = {code(7, usage::A)};
            ks.subItemsDst = {code(7, usage::B)};
            ks.subBidir = {false};
        });
        wait = engine::PhysicalKeyWait{code(7, usage::A), appleName, svc.descriptorSum(), true};
        sim->hidServices.writes.clear();
    }
    const KeySub& record() const { return KeySubOpt::shared().keySub.get().at(0); }

    engine::PhysicalKeyWait wait;
    platform::HidService service = 0;
};

TEST_F(PhysicalKeyCaptureTest, SourceThenDestinationAreCapturedAndWritten) {
    press(*apple, usage::C);
    settle();
    EXPECT_EQ(record().subItemsSrc, std::vector<std::uint64_t>{code(7, usage::C)});
    EXPECT_EQ(wait.usage, code(7, usage::C));
    EXPECT_FALSE(wait.src);
    press(*apple, usage::D);
    settle();
    EXPECT_EQ(record().subItemsSrc, std::vector<std::uint64_t>{code(7, usage::C)});
    EXPECT_EQ(record().subItemsDst, std::vector<std::uint64_t>{code(7, usage::D)});
    EXPECT_EQ(wait.usage, std::nullopt);

    HidPropertyDict cd;
    cd.emplace("HIDKeyboardModifierMappingSrc", HidProperty(static_cast<std::int64_t>(code(7, usage::C))));
    cd.emplace("HIDKeyboardModifierMappingDst", HidProperty(static_cast<std::int64_t>(code(7, usage::D))));
    HidPropertyDict cb = cd;
    cb["HIDKeyboardModifierMappingDst"] = HidProperty(static_cast<std::int64_t>(code(7, usage::B)));
    auto first = sim->hidServices.takeWrite();
    EXPECT_EQ(first.service, service);
    EXPECT_EQ(first.value, HidProperty(HidPropertyArray{cb}));
    EXPECT_EQ(sim->hidServices.takeWrite().value, HidProperty(HidPropertyArray{cd}));
    EXPECT_TRUE(sim->hidServices.writes.empty());
    // The capture has ended: further keys change nothing.
    press(*apple, usage::B);
    settle();
    EXPECT_TRUE(sim->hidServices.writes.empty());
}

TEST_F(PhysicalKeyCaptureTest, AKeyAlreadyASourceMovesTheWaitToItsDestination) {
    press(*apple, usage::A);
    settle();
    EXPECT_EQ(wait.usage, code(7, usage::A));
    EXPECT_FALSE(wait.src);
    EXPECT_EQ(record().subItemsSrc, std::vector<std::uint64_t>{code(7, usage::A)});
    EXPECT_TRUE(sim->hidServices.writes.empty());
}

TEST_F(PhysicalKeyCaptureTest, RecordsChangedByTheHighlightsObserversAreNotOverwritten) {
    // Moving the highlight adds another keyboard's record in front.
    KeySub other;
    other.name = DeviceName{"Other", "Acme"};
    engine::PhysicalKeyHighlight::shared().move = [&](std::optional<std::uint64_t> u, bool src) {
        wait.usage = u;
        wait.src = src;
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& list) { list.insert(list.begin(), other); });
    };
    press(*apple, usage::C);
    settle();
    const auto& list = KeySubOpt::shared().keySub.get();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], other);
    EXPECT_EQ(list[1].name, appleName);
    EXPECT_EQ(list[1].subItemsSrc, std::vector<std::uint64_t>{code(7, usage::C)});
    EXPECT_EQ(sim->hidServices.takeWrite().service, service);

    // Moving it takes every record away: nothing is written.
    engine::PhysicalKeyHighlight::shared().move = [&](std::optional<std::uint64_t> u, bool src) {
        wait.usage = u;
        wait.src = src;
        KeySubOpt::shared().keySub.set({});
    };
    press(*apple, usage::D);
    settle();
    EXPECT_TRUE(KeySubOpt::shared().keySub.get().empty());
    EXPECT_EQ(wait.usage, std::nullopt);
    EXPECT_TRUE(sim->hidServices.writes.empty());
}

TEST_F(PhysicalKeyCaptureTest, OtherKeyboardsReleasesAndSubstitutionOffCaptureNothing) {
    auto other = makeKeyboard(*sim, KeyboardDevice{"Other", "Acme", "USB", 1, 2, {{1, 6}}});
    sim->hidDevices.attach(other);
    settle();
    press(*other, usage::C);
    release(*apple, usage::C);
    settle();
    KeySubOpt::shared().subGlobalEn.set(false);
    press(*apple, usage::C);
    settle();
    EXPECT_EQ(record().subItemsSrc, std::vector<std::uint64_t>{code(7, usage::A)});
    EXPECT_EQ(wait.usage, code(7, usage::A));
    EXPECT_TRUE(sim->hidServices.writes.empty());
}

} // namespace
} // namespace corv::test
