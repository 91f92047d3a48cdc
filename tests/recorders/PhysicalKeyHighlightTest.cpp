// The keyboard tab's physical-key highlight drives the engine's key capture.

#include "engine/HidServiceData.h"
#include "engine/LogiKeyboardInput.h"

#include "engine/KeyboardHidManager.h"
#include "engine/KeyboardServices.h"
#include "model/KeySubOpt.h"
#include "model/UIState.h"
#include "recorders/Highlights.h"

namespace corv::test {
namespace {

using recorders::PhyKeyHighlighted;

constexpr std::uint64_t key(std::uint32_t usage) { return (std::uint64_t{7} << 32) | usage; }
constexpr std::uint32_t kA = 4, kB = 5, kC = 6, kD = 7;

TEST_F(EngineTest, AHighlightedPairCellTakesTheNextTwoKeysOfItsKeyboard) {
    KeyboardService svc;
    sim->hidServices.addService(svc.properties());
    engine::startHidServiceWatch();
    engine::startKeyboardHidManager();
    auto apple = makeKeyboard(*sim, kAppleUsbKeyboard);
    sim->hidDevices.attach(apple);
    settle();
    UIState::shared().keyboardTabShowing.set(true);
    KeySubOpt::shared().subGlobalEn.set(true);
    KeySubOpt::shared().keySub.modify([](std::vector<KeySub>& list) {
        KeySub& ks = list.at(0);
        ks.subItemsSrc = {key(kA)};
        ks.subItemsDst = {key(kB)};
        ks.subBidir = {false};
    });

    auto& hi = PhyKeyHighlighted::shared();
    hi.name.set(DeviceName{kAppleUsbKeyboard.product, kAppleUsbKeyboard.maker});
    hi.reportDescSum.set(svc.descriptorSum());
    hi.src.set(true);
    hi.usage.set(key(kA));

    apple->sendValue(7, kC, 1);
    settle();
    EXPECT_EQ(hi.usage.get(), key(kC));
    EXPECT_FALSE(hi.src.get());
    apple->sendValue(7, kD, 1);
    settle();
    EXPECT_EQ(hi.usage.get(), std::nullopt);
    const KeySub& ks = KeySubOpt::shared().keySub.get().at(0);
    EXPECT_EQ(ks.subItemsSrc, std::vector<std::uint64_t>{key(kC)});
    EXPECT_EQ(ks.subItemsDst, std::vector<std::uint64_t>{key(kD)});
}

} // namespace
} // namespace corv::test
