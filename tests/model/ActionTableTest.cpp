#include "model/ActionTable.h"

#include <gtest/gtest.h>

#include <set>

namespace corv {
namespace {

TEST(ActionTable, HoldsEachIdZeroTo56OnceAndRoundTrips) {
    const auto& ids = actionIds();
    ASSERT_EQ(ids.size(), kActionCount);
    std::set<std::int64_t> seen;
    for (const auto& [name, id] : ids) {
        EXPECT_TRUE(seen.insert(id).second) << name;
        EXPECT_EQ(actionIdByName(name), id);
    }
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 56);
}

TEST(ActionTable, NamedIdsAgreeWithTheNameTable) {
    EXPECT_EQ(actionIdByName("Do Nothing"), ActionId::DoNothing);
    EXPECT_EQ(actionIdByName("Look Up"), ActionId::LookUp);
    EXPECT_EQ(actionIdByName("3 Finger Swipe L"), ActionId::ThreeFingerSwipeL);
    EXPECT_EQ(actionIdByName("Trigger Pinch out"), ActionId::TriggerPinchOut);
    EXPECT_EQ(actionIdByName("Pan"), ActionId::Pan);
    EXPECT_EQ(actionIdByName("Zoom Out"), ActionId::ZoomOut);
    EXPECT_EQ(actionIdByName("App Launch"), ActionId::AppLaunch);
    EXPECT_EQ(actionIdByName("Mod Clicks"), ActionId::ModClicks);
    EXPECT_EQ(actionIdByName("Url"), ActionId::Url);
    EXPECT_EQ(actionIdByName("Url "), std::nullopt);
    EXPECT_EQ(actionIdByName(""), std::nullopt);
}

TEST(ActionTable, PairedActionsDifferInTheLowestBit) {
    for (std::int64_t even : {8, 10, 12, 28, 30, 32, 44}) EXPECT_EQ(even & 1, 0);
    EXPECT_EQ(ActionId::ThreeFingerSwipeL ^ 1, ActionId::ThreeFingerSwipeR);
    EXPECT_EQ(ActionId::ZoomIn ^ 1, ActionId::ZoomOut);
    EXPECT_EQ(ActionId::ScrollLeft ^ 1, ActionId::ScrollRight);
}

TEST(ActionTable, DefaultFlagsRows) {
    EXPECT_EQ(defaultFlagsFor(ActionId::DoNothing), (ActionFlags{false, true, false}));
    EXPECT_EQ(defaultFlagsFor(ActionId::Pan), (ActionFlags{true, true, true}));
    EXPECT_EQ(defaultFlagsFor(ActionId::ModClicks), (ActionFlags{false, true, false}));
    EXPECT_EQ(defaultFlagsFor(ActionId::ScrollRight), (ActionFlags{false, true, true}));
    EXPECT_EQ(defaultFlagsFor(ActionId::MiddleClick), (ActionFlags{true, true, false}));
    EXPECT_EQ(defaultFlagsFor(ActionId::BacklightDownContinuous), (ActionFlags{false, false, true}));
    EXPECT_EQ(defaultFlagsFor(ActionId::Url), (ActionFlags{}));
    EXPECT_EQ(actionDefaultFlags()[ActionId::TwoFingerScroll], (ActionFlags{false, false, true}));
}

TEST(ActionTable, DefaultFlagsOutsideTheTableAreAbsent) {
    EXPECT_EQ(defaultFlagsFor(-1), std::nullopt);
    EXPECT_EQ(defaultFlagsFor(57), std::nullopt);
    EXPECT_EQ(defaultFlagsFor(INT64_MIN), std::nullopt);
    EXPECT_EQ(defaultFlagsFor(INT64_MAX), std::nullopt);
}

TEST(ActionTable, TwinsShareMenuTitleAndHint) {
    EXPECT_EQ(actionMenuTitle(ActionId::TriggerSwipeL), "3 Finger Swipe L");
    EXPECT_EQ(actionMenuTitle(ActionId::TriggerPinchOut), "3 Finger Pinch out");
    EXPECT_EQ(actionMenuTitle(ActionId::VolumeUpContinuous), "Volume Up");
    EXPECT_EQ(actionMenuTitle(ActionId::BacklightDownContinuous), "Backlight Down");
    EXPECT_EQ(actionNameKey(ActionId::TriggerSwipeU), "Button action 3 Finger Swipe U");
    EXPECT_EQ(actionHintKey(ActionId::TriggerSwipeU), "btn hint 3 finger swipe U");
    EXPECT_EQ(actionNameKey(ActionId::MediaPlayPause), "Button action Media Play/Pause");
    EXPECT_EQ(actionHintKey(ActionId::MediaPlayPause), "btn hint media p/p");
}

TEST(ActionTable, ActionsInNoMenuHaveNoTitle) {
    EXPECT_EQ(actionMenuTitle(ActionId::TwoFingerScroll), std::nullopt);
    EXPECT_EQ(actionMenuTitle(ActionId::Pan), std::nullopt);
    EXPECT_EQ(actionHintKey(ActionId::Pan), std::nullopt);
    EXPECT_EQ(actionNameKey(57), std::nullopt);
    EXPECT_EQ(actionHintKey(-1), std::nullopt);
}

} // namespace
} // namespace corv
