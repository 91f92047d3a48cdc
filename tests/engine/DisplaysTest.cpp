#include "EngineFixture.h"

#include "engine/DisplayLink.h"
#include "engine/DisplaySpaces.h"

#include <limits>

namespace corv::engine {
namespace {

class DisplaysTest : public test::EngineTest {
protected:
    DisplayLinkState& state() { return DisplayLinkState::shared(); }
};

TEST_F(DisplaysTest, FrameDecayIsInterpolatedAndCappedFromTheTable) {
    ASSERT_EQ(frameDecayTable.size(), 18u);
    EXPECT_DOUBLE_EQ(frameDecayFor(0.5), 0.811);
    EXPECT_DOUBLE_EQ(frameDecayFor(1.25), 0.90175);
    EXPECT_DOUBLE_EQ(frameDecayFor(2.0), 0.936);
    EXPECT_DOUBLE_EQ(frameDecayFor(8.25), 0.983);
    EXPECT_DOUBLE_EQ(frameDecayFor(8.5), 0.9835);
    EXPECT_DOUBLE_EQ(frameDecayFor(12.0), 0.9835);
}

TEST_F(DisplaysTest, HighestReadableRefreshRateSetsFactorAndDecay) {
    sim->displays.addDisplay("D-1", 60);
    sim->displays.addDisplay("D-2", 75);
    sim->displays.displays.push_back({9, "D-9", std::nullopt});  // mode unreadable
    updateDisplayLink();
    EXPECT_EQ(sim->displays.listQueries, std::vector<std::uint32_t>{16});
    EXPECT_EQ(state().activeDisplayCount, 3u);
    EXPECT_DOUBLE_EQ(state().refreshFactor, 1.25);
    EXPECT_DOUBLE_EQ(state().frameDecay, 0.90175);
    EXPECT_NE(state().displayLink, 0u);
    EXPECT_DOUBLE_EQ(state().hostTicksToSeconds, 1e-9);

    // No readable mode at all leaves the floor of 0.5.
    for (auto& d : sim->displays.displays) d.mode.reset();
    updateDisplayLink();
    EXPECT_DOUBLE_EQ(state().refreshFactor, 0.5);
    EXPECT_DOUBLE_EQ(state().frameDecay, 0.811);
}

TEST_F(DisplaysTest, LinkIsMadeAnewOnlyWhenTheRateMovesTwoHertz) {
    sim->displays.addDisplay("D-1", 60);
    updateDisplayLink();
    const auto first = state().displayLink.get();
    sim->displayLinks.start(first);

    sim->displays.displays[0].mode->refreshRate = 61.5;
    updateDisplayLink();
    EXPECT_EQ(state().displayLink, first);

    sim->displays.displays[0].mode->refreshRate = 120;
    updateDisplayLink();
    const auto second = state().displayLink.get();
    EXPECT_NE(second, first);
    EXPECT_FALSE(sim->displayLinks.isLive(first));
    EXPECT_TRUE(sim->displayLinks.isRunning(second));  // the old one ran
    EXPECT_EQ(sim->displayLinks.live(), std::vector<platform::DisplayLinkRef>{second});

    // A link that cannot tell its period is kept.
    sim->displayLinks.setPeriod(second, {0, 0});
    sim->displays.displays[0].mode->refreshRate = 60;
    updateDisplayLink();
    EXPECT_EQ(state().displayLink, second);
}

TEST_F(DisplaysTest, OnlyConfigurationChangesReadTheDisplaysAgain) {
    sim->displays.addDisplay("D-1", 60);
    ASSERT_TRUE(platform::displays().registerReconfigurationCallback(&displayReconfigured, nullptr));
    sim->displays.reconfigure(1, platform::displayChange::Moved);
    sim->displays.reconfigure(1, platform::displayChange::BeginConfiguration);
    sim->displays.reconfigure(1, platform::displayChange::DesktopShapeChanged);
    EXPECT_TRUE(sim->displays.listQueries.empty());
    EXPECT_EQ(state().displayLink, 0u);

    sim->displays.reconfigure(1, platform::displayChange::Add | platform::displayChange::Moved);
    EXPECT_EQ(sim->displays.listQueries.size(), 1u);
    EXPECT_NE(state().displayLink, 0u);
    sim->displays.reconfigure(1, platform::displayChange::Unmirror);
    EXPECT_EQ(sim->displays.listQueries.size(), 2u);
}

TEST_F(DisplaysTest, SpacePositionOfTheDisplayUnderThePoint) {
    const platform::Point p{10, 20};
    // Nothing to read, or an empty list.
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{2, 0}));
    sim->spaces.managed = std::vector<platform::ManagedDisplay>{};
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{2, 0}));

    using platform::ManagedDisplay;
    using platform::ManagedSpace;
    const std::vector<ManagedSpace> three{{1}, {std::nullopt}, {3}};
    sim->spaces.bestDisplay = "D-2";
    sim->spaces.managed = std::vector<ManagedDisplay>{
        {std::nullopt, three},                 // no identifier: skipped
        {"D-1", three},                        // another display
        {"D-2", std::nullopt},                 // no Spaces: skipped
        {"D-2", std::vector<ManagedSpace>{{7}, {8}, {9}, {10}}},
    };
    sim->spaces.current = {{"D-2", 9}};
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{4, 2}));
    ASSERT_FALSE(sim->spaces.pointQueries.empty());
    EXPECT_EQ(sim->spaces.pointQueries.back(), p);

    // A current Space not in the list counts as the first; none at all skips the entry.
    sim->spaces.current = {{"D-2", 99}};
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{4, 0}));
    sim->spaces.current.clear();
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{2, 0}));

    // "Main" matches whatever the best display is; its current Space is asked under the UUID.
    sim->spaces.managed = std::vector<ManagedDisplay>{{"Main", three}};
    sim->spaces.current = {{"D-2", 3}};
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{3, 2}));
    sim->spaces.bestDisplay.reset();
    sim->spaces.current = {{"Main", 1}};
    EXPECT_EQ(spacePositionAtPoint(p), (SpacePosition{3, 0}));
}

TEST_F(DisplaysTest, MenuBarDisplaySize) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    sim->displays.addDisplay("D-1", 60, 2560, 1440);
    sim->displays.addDisplay("D-2", 60, 1920, 1200);
    EXPECT_EQ(menuBarDisplaySize(), (DisplaySize{inf, inf}));

    sim->spaces.menuBarDisplay = "D-2";
    EXPECT_EQ(menuBarDisplaySize(), (DisplaySize{1920, 1200}));

    // "Main" stands for the display under the cursor.
    sim->spaces.menuBarDisplay = "Main";
    sim->spaces.bestDisplay = "D-1";
    EXPECT_EQ(menuBarDisplaySize(), (DisplaySize{2560, 1440}));
    EXPECT_EQ(sim->spaces.pointQueries.back(), sim->windowServer.cursor);

    sim->spaces.bestDisplay = "D-7";
    EXPECT_EQ(menuBarDisplaySize(), (DisplaySize{inf, inf}));
    sim->spaces.bestDisplay = "D-1";
    sim->displays.displays[0].mode.reset();
    EXPECT_EQ(menuBarDisplaySize(), (DisplaySize{inf, inf}));
}

TEST_F(DisplaysTest, ScreenContainingPoint) {
    EXPECT_FALSE(screenContainingPoint({0, 0}));
    const platform::Screen left{{0, 0, 1000, 800}, "left"}, right{{1000, 0, 1000, 800}, "right"};
    sim->displays.screenList = {left};
    EXPECT_EQ(screenContainingPoint({5000, 5000}), left);  // the only one, wherever the point
    sim->displays.screenList = {left, right};
    EXPECT_EQ(screenContainingPoint({999, 10}), left);
    EXPECT_EQ(screenContainingPoint({1000, 10}), right);
    EXPECT_FALSE(screenContainingPoint({2000, 10}));
}

} // namespace
} // namespace corv::engine
