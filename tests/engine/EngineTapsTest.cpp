#include "EngineFixture.h"

#include "engine/CaptureSwitch.h"
#include "model/UIState.h"

namespace corv::engine {
namespace {

using platform::Event;

class EngineTapsTest : public test::EngineTest {};

TEST_F(EngineTapsTest, TapsAreMadeDisabledAndEnabledOnce) {
    const TapSlot& key = keyTap();
    ASSERT_NE(key.tap, 0u);
    ASSERT_NE(key.source, 0u);
    EXPECT_FALSE(sim->events.isEnabled(key.tap));
    EXPECT_FALSE(sim->events.sourceInMainLoop(key.tap));

    setTapEnabled(key);
    setTapEnabled(key);
    EXPECT_TRUE(sim->events.isEnabled(key.tap));
    EXPECT_EQ(sim->events.addSourceCalls, 1);

    // The same tap on every use; the three taps watch their own event types.
    EXPECT_EQ(keyTap().tap, key.tap);
    auto list = sim->events.tapList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ(list->front().eventsOfInterest, kKeyTapMask);
    gestureTap();
    clickTap();
    EXPECT_EQ(sim->events.tapList()->at(1).eventsOfInterest, 0x60400000u);
    EXPECT_EQ(sim->events.tapList()->at(2).eventsOfInterest, 0xDEu);
}

TEST_F(EngineTapsTest, FailedTapLeavesNothingToEnable) {
    sim->events.failCreateTap = true;
    const TapSlot& g = gestureTap();
    EXPECT_EQ(g.tap, 0u);
    EXPECT_EQ(g.source, 0u);
    setTapEnabled(g);
    switchTapOff(g);
    setTapEnabled(TapSlot{keyTap().tap, 0});
    EXPECT_EQ(sim->events.addSourceCalls, 0);
}

TEST_F(EngineTapsTest, TimeOutNoticeSwitchesTheTapBackOnAndPasses) {
    enableEngineTaps();
    for (const TapSlot* slot : {&gestureTap(), &clickTap(), &keyTap()}) {
        auto result = sim->events.sendTimeoutNotice(slot->tap);
        EXPECT_TRUE(result.has_value());
        EXPECT_TRUE(sim->events.isEnabled(slot->tap));
    }

    sim->events.inject(Event::keyboard(0, true));
    EXPECT_EQ(nextAtKeyTap().type, platform::eventType::TapDisabledByTimeout);
    EXPECT_EQ(nextAtKeyTap().type, platform::eventType::KeyDown);
    EXPECT_EQ(sim->events.delivered.size(), 1u);
}

TEST_F(EngineTapsTest, CapturesPauseTheLiveTaps) {
    enableEngineTaps();
    auto& ui = UIState::shared();
    auto on = [&](const TapSlot& s) { return sim->events.isEnabled(s.tap) && sim->events.sourceInMainLoop(s.tap); };

    beginKeyCapture();
    EXPECT_TRUE(ui.keyboardTabShowing.get());
    EXPECT_FALSE(on(keyTap()));
    EXPECT_TRUE(on(gestureTap()));

    // Keyboard tab to trackpad tab, in either order, leaves the key tap off.
    beginGestureCapture();
    endKeyCapture();
    EXPECT_TRUE(ui.bindingTabShowed.get());
    EXPECT_FALSE(on(gestureTap()));
    EXPECT_FALSE(on(keyTap()));
    EXPECT_TRUE(on(clickTap()));

    endGestureCapture();
    EXPECT_FALSE(ui.bindingTabShowed.get());
    EXPECT_TRUE(on(gestureTap()));
    EXPECT_TRUE(on(keyTap()));

    beginKeyCapture();
    beginGestureCapture();
    endGestureCapture();
    EXPECT_TRUE(on(gestureTap()));
    EXPECT_FALSE(on(keyTap()));
}

} // namespace
} // namespace corv::engine
