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
    const std::pair<const char*, const char*> pairs[] = {
        {"3 Finger Swipe L", "3 Finger Swipe R"},   {"3 Finger Swipe U", "3 Finger Swipe D"},
        {"3 Finger Pinch in", "3 Finger Pinch out"}, {"Volume Up Continuous", "Volume Down Continuous"},
        {"Backlight Up Continuous", "Backlight Down Continuous"}, {"Scroll Left", "Scroll Right"},
        {"Zoom In", "Zoom Out"}};
    for (const auto& [first, second] : pairs) {
        const auto a = actionIdByName(first), b = actionIdByName(second);
        ASSERT_TRUE(a && b) << first;
        EXPECT_EQ(*a & 1, 0) << first;
        EXPECT_EQ(*a ^ 1, *b) << first;
    }
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
