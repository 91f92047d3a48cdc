#include "ShellFixture.h"

#include "engine/MicMute.h"
#include "engine/NotifWinManager.h"
#include "model/ShellState.h"

namespace corv::app {
namespace {

using engine::NotifWinManager;
using platform::Rect;

class OverlayTest : public test::ShellTest {
protected:
    OverlayTest() {
        sim->displays.screenList = {{{0, 0, 1920, 1080}, "main"}, {{1920, 0, 1440, 900}, "side"}};
        ShellState::shared().panelScreen = sim->displays.screenList[1];
    }
    sim::OverlayRecord& tile(std::size_t i) { return *sim->windows.overlays.at(i); }
};

TEST_F(OverlayTest, ACapsLockNoticeShowsOneTileAboveTheBottomOfThePanelScreen) {
    NotifWinManager::shared().show("capslock.fill");
    ASSERT_EQ(sim->windows.overlays.size(), 1u);
    auto& t = tile(0);
    EXPECT_EQ(t.symbol, (platform::SymbolImage{"capslock.fill", false, {"white"}, 0}));
    EXPECT_TRUE(t.ordered);
    // Centred; its bottom edge 200 points above the screen's.
    EXPECT_EQ(t.frame, (Rect{1920 + (1440 - 100) / 2.0, 900 - 200 - 100, 100, 100}));
    EXPECT_EQ(t.opacity, 0);
    sim->runLoop.runPending();
    ASSERT_EQ(t.fades.size(), 1u);
    EXPECT_EQ(t.fades[0].opacity, 1.0);
    EXPECT_EQ(t.fades[0].seconds, 0.1);
    sim->runLoop.advance(0.5);
    EXPECT_EQ(t.opacity, 1.0);
    EXPECT_FALSE(t.closed);
    ASSERT_EQ(t.fades.size(), 2u);
    EXPECT_EQ(t.fades[1].opacity, 0.0);
    sim->runLoop.advance(0.1);
    EXPECT_TRUE(t.closed);
    EXPECT_DOUBLE_EQ(t.closedAt, 0.6);
    sim->runLoop.advance(5);
    EXPECT_EQ(sim->windows.overlays.size(), 1u);
}

TEST_F(OverlayTest, ASecondNoticeClosesTheFirstWhoseLateFadeLeavesItAlone) {
    NotifWinManager::shared().show("capslock.fill");
    sim->runLoop.advance(0.3);
    NotifWinManager::shared().show("capslock");
    EXPECT_TRUE(tile(0).closed);
    EXPECT_FALSE(tile(1).closed);
    // The first's fade-out runs on its own window at 0.5 and 0.6.
    sim->runLoop.advance(0.3);
    EXPECT_EQ(tile(0).fades.size(), 2u);
    EXPECT_EQ(tile(1).fades.size(), 1u);
    EXPECT_FALSE(tile(1).closed);
    EXPECT_EQ(tile(1).opacity, 1.0);
    sim->runLoop.advance(0.29);
    EXPECT_FALSE(tile(1).closed);
    sim->runLoop.advance(0.01);
    EXPECT_TRUE(tile(1).closed);
    EXPECT_DOUBLE_EQ(tile(1).closedAt, 0.9);
}

TEST_F(OverlayTest, WithoutAPanelScreenTheMainScreenOrTheMenuBarSizeIsUsed) {
    ShellState::shared().panelScreen.reset();
    NotifWinManager::shared().show("microphone.slash");
    EXPECT_EQ(tile(0).frame.x, 910);
    EXPECT_EQ(tile(0).frame.y, 780);
    EXPECT_EQ(tile(0).symbol.palette, (std::vector<std::string>{"systemRed", "white"}));

    sim->displays.screenList.clear();
    ShellState::shared().menuBarWidth = 1000;
    ShellState::shared().menuBarHeight = 600;
    NotifWinManager::shared().show("microphone");
    EXPECT_EQ(tile(1).frame, (Rect{450, 300, 100, 100}));
}

TEST_F(OverlayTest, MicrophoneItemFollowsTheMute) {
    launch();
    EXPECT_FALSE(micItem().visible);
    engine::showMicMuteState(true);
    EXPECT_TRUE(micItem().visible);
    engine::showMicMuteState(false);
    EXPECT_FALSE(micItem().visible);
    // The notification switch comes from the settings at launch: off here.
    EXPECT_TRUE(sim->windows.overlays.empty());
}

} // namespace
} // namespace corv::app
