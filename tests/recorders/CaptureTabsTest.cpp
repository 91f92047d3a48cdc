#include "RecorderFixture.h"

#include "engine/ModKeyPressed.h"
#include "model/UIState.h"
#include "recorders/CaptureTabs.h"
#include "recorders/KeyBind.h"

namespace corv::test {
namespace {

using namespace recorders;

class CaptureTabsTest : public RecorderTest {
protected:
    CaptureTabsTest() { enableEngineTaps(); }

    // Engine key, engine scroll-and-gesture, gesture capture, key capture.
    std::array<bool, 4> taps() const {
        return {on(engine::keyTap()), on(engine::gestureTap()), gestureCaptureOn(), keyCaptureOn()};
    }
    static constexpr std::array<bool, 4> kHidden{true, true, false, false};

    static void highlightGesture(std::uint64_t fgr) {
        GesHi::shared().h.set(GesHilited{fgr, ActGes::Swipe, 0, ActDir::Left});
    }
    static void highlightKey(std::optional<std::uint64_t> k, std::uint64_t mod = 0) {
        KeyHighlighted::shared().h.set(KeyHilited{k, mod, false});
    }
    static void highlightControl(std::optional<std::uint16_t> cid) {
        LogiKeybHighlighted::shared().h.set(CidHilited{0, cid});
    }
};

TEST_F(CaptureTabsTest, TrackpadAndKeyboardTabsFollowTheStateTable) {
    EXPECT_EQ(taps(), kHidden);

    beginGestureCapture();
    EXPECT_EQ(taps(), (std::array<bool, 4>{false, false, true, false}));
    highlightGesture(3);
    EXPECT_EQ(taps(), (std::array<bool, 4>{false, false, true, true}));
    highlightGesture(2);  // one row to another switches nothing
    EXPECT_TRUE(keyCaptureOn());

    // Trackpad tab to keyboard tab: the gesture highlight goes, so does its tap.
    endGestureCapture();
    beginKeyCapture();
    EXPECT_EQ(GesHi::shared().h.get().fgr, 0u);
    EXPECT_EQ(taps(), (std::array<bool, 4>{false, true, false, false}));
    highlightKey(key::K);
    EXPECT_EQ(taps(), (std::array<bool, 4>{false, true, false, true}));

    // Back, with the trackpad tab shown before the keyboard tab is hidden: the
    // key tap stays paused.
    beginGestureCapture();
    endKeyCapture();
    EXPECT_EQ(taps(), (std::array<bool, 4>{false, false, true, false}));

    // Hiding the panel: trackpad tab, then keyboard tab (not showing).
    endGestureCapture();
    endKeyCapture();
    EXPECT_EQ(taps(), kHidden);
    EXPECT_FALSE(UIState::shared().bindingTabShowed.get());
}

TEST_F(CaptureTabsTest, HighlightsSwitchTheKeyCaptureTapOnlyAtTheEdges) {
    // A gesture highlight switches whatever else is highlighted.
    highlightKey(key::A);
    EXPECT_TRUE(keyCaptureOn());
    highlightGesture(2);
    highlightGesture(0);
    EXPECT_FALSE(keyCaptureOn());
    highlightKey(std::nullopt);

    // A key and a control row: on with the first, off after the last.
    highlightControl(0x00C3);
    EXPECT_TRUE(keyCaptureOn());
    highlightKey(key::A);
    highlightKey(std::nullopt);
    EXPECT_TRUE(keyCaptureOn());
    highlightKey(std::nullopt);  // the same value again switches nothing
    EXPECT_TRUE(keyCaptureOn());
    highlightControl(std::nullopt);
    EXPECT_FALSE(keyCaptureOn());

    // A physical key keeps the key and control rows from switching.
    PhyKeyHighlighted::shared().usage.set(0x700000E1);
    highlightKey(key::A);
    highlightControl(0x00C3);
    EXPECT_FALSE(keyCaptureOn());
}

TEST_F(CaptureTabsTest, KeyboardTabResetsTheCaptureOnceAndKeepsTheRowsMasks) {
    auto& pressed = engine::ModKeyPressed::shared().v;
    pressed.set({{0x7000000E1, DeviceName{"Keyboard", "Maker"}}});
    KeyBind::shared().key.set(key::A);
    highlightKey(key::K, 0x10);
    beginKeyCapture();
    EXPECT_TRUE(pressed.get().empty());
    KeyBind* fresh = &KeyBind::shared();
    EXPECT_EQ(fresh->key.get(), kNoKey);
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{std::nullopt, 0x10, false}));

    fresh->keyDownCount.set(1);
    highlightKey(key::K, 0x10);
    beginKeyCapture();  // already showing: nothing
    EXPECT_EQ(&KeyBind::shared(), fresh);
    EXPECT_EQ(KeyHighlighted::shared().h.get().key, key::K);

    pressed.set({{0x7000000E1, DeviceName{"Keyboard", "Maker"}}});
    endKeyCapture();
    EXPECT_TRUE(pressed.get().empty());
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{std::nullopt, 0x10, false}));
    EXPECT_FALSE(keyCaptureOn());
    EXPECT_EQ(&KeyBind::shared(), fresh);
}

TEST_F(CaptureTabsTest, CaptureTapsComeBackAfterATimeOutButNotAfterBeingSwitchedOff) {
    beginGestureCapture();
    highlightGesture(3);
    for (const engine::TapSlot* slot : {&makeKeyRecorderTap(), &makeGestureRecorderTap()}) {
        EXPECT_FALSE(sim->events.sendTimeoutNotice(slot->tap).has_value());
        EXPECT_TRUE(on(*slot));
    }
    endGestureCapture();
    sim->events.sendTimeoutNotice(makeGestureRecorderTap().tap);
    sim->events.sendTimeoutNotice(makeKeyRecorderTap().tap);
    EXPECT_FALSE(sim->events.isEnabled(makeGestureRecorderTap().tap));
    EXPECT_FALSE(sim->events.isEnabled(makeKeyRecorderTap().tap));
}

} // namespace
} // namespace corv::test
