#include "RecorderFixture.h"

#include "engine/MultitouchDevices.h"
#include "model/ActionTable.h"
#include "model/UIState.h"
#include "recorders/BindingPaths.h"
#include "recorders/CaptureTabs.h"
#include "recorders/GestureRecorder.h"

namespace corv::test {
namespace {

using namespace recorders;
using P = GesHilited;

const std::string kApp = "com.example.app";

// The trackpad tab showing, with a Magic Trackpad.
class GestureRecorderTest : public RecorderTest {
protected:
    GestureRecorderTest() : pad(*sim, kMagicTrackpad) {
        engine::startMultitouchDevices();
        enableEngineTaps();
        setEntry("", AnApp{});
        setEntry(kApp, AnApp{});
        beginGestureCapture();
    }

    void send(const platform::Event& e) {
        pad.send(e);
        sim->runLoop.runPending();
    }
    static GesHilited hi() { return GesHi::shared().h.get(); }
    static std::optional<BindAction> bound(const std::string& app, const GesHilited& g) {
        return gesBindingAt(entry(app), {g.fgr, g.ges, g.mod, g.dir});
    }
    // Nothing reached the applications and nothing was recorded.
    void expectDroppedUnrecorded() {
        EXPECT_TRUE(sim->events.delivered.empty());
        EXPECT_EQ(hi().fgr, 0u);
        EXPECT_TRUE(entry("").ges.empty());
    }

    Trackpad pad;
};

TEST_F(GestureRecorderTest, RotationAndZoomVoteAndTheFirstToThreeWins) {
    pad.touch(2);
    send(pad.rotation(phase::Began, 0.4));
    send(pad.zoom(phase::Began, -0.2));
    send(pad.rotation(phase::Changed, -0.3));
    send(pad.zoom(phase::Changed, 0.2));
    EXPECT_EQ(hi().fgr, 0u);
    send(pad.rotation(phase::Changed, -0.1));
    const P rotate{2, ActGes::Rotate, 0, ActDir::CCW};
    EXPECT_EQ(hi(), rotate);
    EXPECT_FALSE(GesHi::shared().byClick.get());
    EXPECT_EQ(bound("", rotate), BindAction::makeDefault());
    EXPECT_TRUE(keyCaptureOn());
    send(pad.zoom(phase::Changed, 0.2));  // decided: nothing more
    send(pad.rotation(phase::Ended, 0));
    EXPECT_EQ(entry("").ges.at(2).size(), 1u);

    // After the end the vote starts again.
    send(pad.zoom(phase::Began, 0.3));
    send(pad.zoom(phase::Changed, 0.1));
    EXPECT_EQ(hi(), rotate);
    send(pad.zoom(phase::Changed, 0.2));
    EXPECT_EQ(hi(), (P{2, ActGes::Zoom, 0, ActDir::Spread}));
    send(pad.rotation(phase::Changed, 0.5));
    EXPECT_EQ(hi(), (P{2, ActGes::Zoom, 0, ActDir::Spread}));
    EXPECT_TRUE(PadRecState::shared().inGes);
    send(pad.zoom(phase::Cancelled, 0));
    EXPECT_FALSE(PadRecState::shared().inGes);
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureRecorderTest, DockSwipesTapsAndScrollsRecordTheirRows) {
    select(kApp);
    pad.dockSwipe(3, 1, {0.1, 0.3});
    EXPECT_EQ(hi(), (P{3, ActGes::Swipe, 0, ActDir::Left}));
    pad.dockSwipe(3, 1, {-0.1, -0.3});
    EXPECT_EQ(hi(), (P{3, ActGes::Swipe, 0, ActDir::Right}));
    EXPECT_EQ(entry(kApp).ges.at(3).at(ActGes::Swipe).at(0).size(), 2u);
    EXPECT_TRUE(entry("").ges.empty());

    // A tap counts the most fingers of the touch, 0.02 s later.
    pad.touch(1);
    pad.touch(3);
    pad.flags = kCommand;
    send(pad.dockSwipe(5, phase::None, 0));
    pad.touch(2);
    pad.touch(0);
    EXPECT_EQ(hi().ges, ActGes::Swipe);
    sim->runLoop.advance(0.02);
    EXPECT_EQ(hi(), (P{3, ActGes::Tap, 0x10, ActDir::None}));

    // Two fingers: a vertical scroll needs a modifier.
    pad.touch(2);
    send(pad.scrollGesture(phase::Began, 0, -5));
    EXPECT_EQ(hi(), (P{2, ActGes::Swipe, 0x10, ActDir::Up}));
    send(pad.scrollGesture(phase::Ended, 0, 0));
    pad.flags = 0;
    send(pad.scrollGesture(phase::Began, 0, 5));
    send(pad.scrollGesture(phase::Ended, 0, 0));
    EXPECT_EQ(hi(), (P{2, ActGes::Swipe, 0x10, ActDir::Up}));
    send(pad.scrollGesture(phase::Began, 5, 0));
    EXPECT_EQ(hi(), (P{2, ActGes::Swipe, 0, ActDir::Right}));
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureRecorderTest, PressesRecordClicksAtTheirEnd) {
    pad.touch(2);
    send(pad.force(phase::Began, 1));
    send(pad.force(phase::Changed, 2));
    EXPECT_EQ(hi().fgr, 0u);
    send(pad.force(phase::Ended, 0));
    EXPECT_EQ(hi(), (P{2, ActGes::Click2, 0, ActDir::None}));

    // One finger without tap-to-click: only a force click counts.
    pad.touch(1);
    send(pad.force(phase::Began, 1));
    send(pad.force(phase::Ended, 0));
    EXPECT_EQ(hi().fgr, 2u);
    EXPECT_FALSE(PadRecState::shared().inGes);
    UIState::shared().tapToClick.set(true);
    send(pad.force(phase::Began, 1));
    send(pad.force(phase::Ended, 0));
    EXPECT_EQ(hi(), (P{1, ActGes::Click, 0, ActDir::None}));
}

TEST_F(GestureRecorderTest, AnExistingBindingIsOnlyHighlighted) {
    BindAction next = action(ActionId::MediaNext);
    Apps::shared().a.modify([&](AppEntries& all) { all[""].ges[3][ActGes::Swipe][0][ActDir::Down] = next; });
    GesHi::shared().byClick.set(true);
    pad.dockSwipe(3, 2, std::vector<double>{0.2});
    EXPECT_EQ(hi(), (P{3, ActGes::Swipe, 0, ActDir::Down}));
    EXPECT_FALSE(GesHi::shared().byClick.get());
    EXPECT_EQ(bound("", hi()), next);
}

TEST_F(GestureRecorderTest, ForeignDevicesAndGoneEntriesRecordNothing) {
    Trackpad other(*sim, kOtherTrackpad);
    other.send(other.rotation(phase::Began, 1));
    other.send(other.rotation(phase::Changed, 1));
    other.send(other.rotation(phase::Changed, 1));
    other.send(other.dockSwipe(1, phase::Began, 0.5));
    expectDroppedUnrecorded();
    EXPECT_TRUE(PadRecState::shared().rzCount.empty());

    select("com.example.gone");
    pad.dockSwipe(3, 1, std::vector<double>{0.5});
    expectDroppedUnrecorded();
    EXPECT_FALSE(Apps::shared().a.get().count("com.example.gone"));
}

TEST_F(GestureRecorderTest, TwoFingerScrollsOnTheDiagonalsTakeTheirFixedSide) {
    pad.flags = kCommand;  // vertical ones count too
    pad.touch(2);
    const struct {
        double a, b;
        ActDir dir;
    } rows[] = {
        {4, 4, ActDir::Right}, {4, -4, ActDir::Right}, {-4, -4, ActDir::Up},
        {-4, 4, ActDir::Down}, {0, 0, ActDir::Right},  {-4, 5, ActDir::Down},
    };
    for (const auto& r : rows) {
        send(pad.scrollGesture(phase::Began, r.a, r.b));
        send(pad.scrollGesture(phase::Ended, 0, 0));
        EXPECT_EQ(hi(), (P{2, ActGes::Swipe, 0x10, r.dir})) << r.a << ", " << r.b;
    }
}

TEST_F(GestureRecorderTest, AGestureBeforeTheFingersWereCountedRecordsNothing) {
    pad.touch(0);
    send(pad.dockSwipe(1, phase::Began, 0.5));
    send(pad.dockSwipe(5, phase::None, 0));
    sim->runLoop.advance(0.02);
    expectDroppedUnrecorded();
}

TEST_F(GestureRecorderTest, AScrollOverTheIconStripMovesTheStrip) {
    UIState::shared().inHScrollBar.set(true);
    pad.touch(2);
    send(pad.scrollGesture(phase::Began, 5, 0));
    send(pad.scrollGesture(phase::Changed, -2, 1));
    EXPECT_DOUBLE_EQ(UIState::shared().offset.get(), 3.0);
    EXPECT_TRUE(UIState::shared().scrolling.get());
    expectDroppedUnrecorded();
}

} // namespace
} // namespace corv::test
