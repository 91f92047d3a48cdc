#include "ShellFixture.h"

#include "app/MainWinManager.h"
#include "app/StatusItems.h"
#include "model/Options.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Localization.h"

namespace corv::app {
namespace {

using platform::MouseButton;
using platform::Rect;

class PanelTest : public test::ShellTest {
protected:
    PanelTest() {
        sim->displays.screenList = {{{0, 0, 1920, 1080}, "left"}, {{1920, 0, 1440, 900}, "right"}};
        launch();
    }
    MainWinManager& manager() { return MainWinManager::shared(); }
};

TEST_F(PanelTest, RightClickShowsTheMenuOnly) {
    mainItem().click(MouseButton::Right);
    ASSERT_EQ(mainItem().menusShown.size(), 1u);
    EXPECT_EQ(mainItem().menusShown[0], (std::vector<std::string>{platform::localized("Button restart"), "Quit"}));
    EXPECT_EQ(mainItem().menuSymbols[0], (std::vector<std::string>{"restart.circle", "power"}));
    EXPECT_FALSE(sim->lifecycle.terminated);
    EXPECT_TRUE(sim->windows.panels.empty());
    EXPECT_EQ(sim->lifecycle.activations, 0);
}

TEST_F(PanelTest, LeftClickShowsThePanelBelowTheItemClampedAtTheRightEdge) {
    // Centred under the button's window.
    mainItem().windowFrame = Rect{1000, 0, 30, 24};
    mainItem().click(MouseButton::Left);
    EXPECT_TRUE(panel().visible);
    EXPECT_EQ(panel().content, 1);
    EXPECT_EQ(panel().frame.x, 1000 + (30 - kPanelWidth) / 2);
    EXPECT_EQ(panel().frame.y, 24);
    EXPECT_EQ(sim->lifecycle.activations, 1);
    EXPECT_TRUE(manager().showing.get());
    EXPECT_EQ(ShellState::shared().panelScreen->name, "left");
    EXPECT_EQ(ShellState::shared().menuBarWidth, 1920);

    // A second left click hides it and the program.
    mainItem().click(MouseButton::Left);
    EXPECT_FALSE(panel().visible);
    EXPECT_EQ(sim->app.hideCount, 1);

    // At the far right of the second screen the right edges meet.
    mainItem().windowFrame = Rect{3340, 0, 20, 24};
    mainItem().click(MouseButton::Left);
    EXPECT_EQ(panel().frame.x, 1920 + 1440 - kPanelWidth);
    EXPECT_EQ(ShellState::shared().panelScreen->name, "right");
    EXPECT_EQ(ShellState::shared().menuBarWidth, 1440);
}

TEST_F(PanelTest, ThePanelOpensAboveABottomTrayAndStaysOnTheButtonsScreen) {
    // Screens: "left" 1920 x 1080, "right" 1440 x 900 beside it; the panel 380 x 500.
    struct Case {
        const char* what;
        Rect button;
        platform::Point origin;
        const char* screen;
    };
    const Case cases[] = {
        {"top tray", {1000, 0, 30, 24}, {825, 24}, "left"},
        {"top tray at the right edge", {3340, 0, 20, 24}, {2980, 24}, "right"},
        {"bottom tray", {1000, 1056, 30, 24}, {825, 556}, "left"},
        {"bottom tray at the left edge", {0, 1056, 24, 24}, {0, 556}, "left"},
        // The panel would start on the left screen; it stays on the button's.
        {"bottom of the shorter screen", {2000, 876, 24, 24}, {1920, 376}, "right"},
        // A tray without geometry: the pointer's spot stands in.
        {"pointer in the bottom right corner", {1903, 1063, 24, 24}, {1540, 563}, "left"},
    };
    for (const auto& c : cases) {
        const PanelPlacement p = placePanel(c.button, 500);
        EXPECT_EQ(p.origin, c.origin) << c.what;
        ASSERT_TRUE(p.screen) << c.what;
        EXPECT_EQ(p.screen->name, c.screen) << c.what;
    }
    // A button on no screen: no screen, no correction.
    const PanelPlacement off = placePanel({-100, -100, 24, 24}, 500);
    EXPECT_FALSE(off.screen);
    EXPECT_EQ(off.origin, (platform::Point{-278, -76}));

    // Shown from a bottom tray, above the item.
    mainItem().windowFrame = Rect{1000, 1056, 30, 24};
    mainItem().click(MouseButton::Left);
    EXPECT_EQ(panel().frame.y, 1056 - panel().frame.height);
}

TEST_F(PanelTest, ShowingBeginsTheCaptureOfTheSelectedTab) {
    struct Case {
        std::int64_t tab;
        bool gestureCapture, keyCapture;
        TapStates whileShown;
    };
    for (const Case c : {Case{0, true, false, {false, true, false}}, Case{1, false, true, {true, true, false}},
                         Case{2, false, false, {true, true, true}}, Case{3, false, false, {true, true, true}}}) {
        SCOPED_TRACE(c.tab);
        Options::shared().tabSelection.set(c.tab);
        mainItem().click(MouseButton::Left);
        EXPECT_EQ(UIState::shared().bindingTabShowed.get(), c.gestureCapture);
        EXPECT_EQ(UIState::shared().keyboardTabShowing.get(), c.keyCapture);
        EXPECT_EQ(taps(), c.whileShown);
        mainItem().click(MouseButton::Left);
        EXPECT_FALSE(UIState::shared().bindingTabShowed.get());
        EXPECT_FALSE(UIState::shared().keyboardTabShowing.get());
        EXPECT_EQ(taps(), (TapStates{true, true, true}));
    }
}

TEST_F(PanelTest, ResigningActiveHidesThePanelAndSavesLater) {
    mainItem().click(MouseButton::Left);
    sim->lifecycle.resignActive();
    EXPECT_FALSE(panel().visible);
    EXPECT_FALSE(manager().showing.get());
    EXPECT_EQ(sim->app.hideCount, 1);
    EXPECT_EQ(panel().content, 1);
    sim->runLoop.advance(0.1);
    EXPECT_EQ(panel().content, 0);
    EXPECT_EQ(sim->defaults.syncCount, 0);
    sim->runLoop.advance(0.2);
    EXPECT_EQ(sim->defaults.syncCount, 1);
    sim->runLoop.advance(5);
    EXPECT_EQ(sim->defaults.syncCount, 1);

    // Without a panel showing, only the program hides.
    sim->lifecycle.resignActive();
    EXPECT_EQ(sim->app.hideCount, 2);
    sim->runLoop.advance(1);
    EXPECT_EQ(sim->defaults.syncCount, 1);
}

TEST_F(PanelTest, AShowSoonAfterAHideKeepsItsContent) {
    mainItem().click(MouseButton::Left);
    mainItem().click(MouseButton::Left);
    sim->runLoop.advance(0.05);
    mainItem().click(MouseButton::Left);
    EXPECT_EQ(panel().content, 2);
    sim->runLoop.advance(0.5);
    EXPECT_EQ(panel().content, 2);
    EXPECT_TRUE(panel().visible);
    // The save of the hide still comes.
    EXPECT_EQ(sim->defaults.syncCount, 1);
}

TEST_F(PanelTest, TheIconComesBackOnALaterActivationOnly) {
    Options::shared().hideIcon.set(true);
    EXPECT_FALSE(mainItem().visible);
    sim->lifecycle.becomeActive();
    EXPECT_TRUE(Options::shared().hideIcon.get());
    sim->lifecycle.becomeActive();
    EXPECT_FALSE(Options::shared().hideIcon.get());
    EXPECT_TRUE(mainItem().visible);
}

TEST_F(PanelTest, MissingItemsMakeTheirActionsDoNothing) {
    resetShared();
    sim.reset();
    sim = std::make_unique<sim::SimPlatform>();
    sim->statusBar.supply = 0;
    launch();
    EXPECT_EQ(steps.back(), "showPanelWithoutTray");
    statusBarButtonClicked(MouseButton::Left);
    statusBarButtonClicked(MouseButton::Right);
    EXPECT_TRUE(sim->windows.panels.empty());
}

} // namespace
} // namespace corv::app
