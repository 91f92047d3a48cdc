#include "engine/GestureLookup.h"

#include "engine/CurrentApp.h"

#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

namespace corv::engine {
namespace {

using namespace ModMask;

BindAction action(std::int64_t id) { return BindAction::forAction(id); }

BindAction hotkey(std::uint64_t mod, std::uint16_t key) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = mod;
    b.hotkeyKey = key;
    b.hotkeyName = "named";
    return b;
}

void bind(AnApp& app, ActGes g, std::uint64_t mask, ActDir d, BindAction b, std::uint64_t fingers = 2) {
    app.ges[fingers][g][mask][d] = std::move(b);
}

// A target that still holds the outcome of an earlier lookup.
GesBinding stale() {
    GesBinding t;
    t.binding = action(ActionId::LookUp);
    t.bindingOppo = action(ActionId::LookUp);
    t.keyMod = 0xAA0000;
    t.keyModOppo = 0xBB0000;
    return t;
}

TEST(GestureLookupRules, SwipeDirectionFollowsTheDominantAxis) {
    EXPECT_EQ(swipeDirection(-10, 2), ActDir::Left);
    EXPECT_EQ(swipeDirection(10, -2), ActDir::Right);
    EXPECT_EQ(swipeDirection(1, 9), ActDir::Down);
    EXPECT_EQ(swipeDirection(-1, -9), ActDir::Up);
    // Equal magnitudes.
    EXPECT_EQ(swipeDirection(3, -3), ActDir::Right);
    EXPECT_EQ(swipeDirection(-3, 3), ActDir::Down);
    EXPECT_EQ(swipeDirection(-3, -3), ActDir::Up);
    EXPECT_EQ(swipeDirection(3, 3), ActDir::Right);
    EXPECT_EQ(swipeDirection(0, 0), ActDir::Right);

    EXPECT_EQ(rotateDirection(0.1), ActDir::CCW);
    EXPECT_EQ(rotateDirection(0), ActDir::CW);
    EXPECT_EQ(zoomDirection(0.1), ActDir::Spread);
    EXPECT_EQ(zoomDirection(0), ActDir::Pinch);
}

TEST(GestureLookupRules, PairedActionsAreNamedOpposites) {
    for (std::int64_t id : pairedActionIds) {
        EXPECT_TRUE(isPairedAction(pairedOpposite(id))) << id;
        EXPECT_NE(actionMenuTitle(id), std::nullopt) << id;
    }
    EXPECT_EQ(pairedOpposite(ActionId::ThreeFingerSwipeL), ActionId::ThreeFingerSwipeR);
    EXPECT_EQ(pairedOpposite(ActionId::ZoomOut), ActionId::ZoomIn);
    EXPECT_FALSE(isPairedAction(ActionId::SwipeBack));
    EXPECT_FALSE(isPairedAction(ActionId::VolumeUp));
    EXPECT_FALSE(isOppositeCapable(ActGes::Click2));
}

TEST(GestureLookupRules, EqualBitCountsGoToTheLowerMaskInEitherOrder) {
    EXPECT_TRUE(outranksMask(Shift, Command));
    EXPECT_FALSE(outranksMask(Command, Shift));
    EXPECT_TRUE(outranksMask(Command | Option, Shift));
    EXPECT_FALSE(outranksMask(Shift, Shift));
}

TEST(GestureLookup, SubsetTieIsBrokenByAscendingMask) {
    const std::uint64_t held = Shift | Control | Command;
    for (bool commandFirst : {true, false}) {
        AnApp app;
        auto& byMask = app.ges[2][ActGes::Swipe];
        if (commandFirst) byMask[Command][ActDir::Up] = action(ActionId::SwipeForward);
        byMask[Shift][ActDir::Up] = action(ActionId::SwipeBack);
        if (!commandFirst) byMask[Command][ActDir::Up] = action(ActionId::SwipeForward);

        const SubsetMatch match = modifierSubsetSearch(byMask, held, ActDir::Up);
        EXPECT_EQ(match.mask, Shift);

        GesBinding t;
        findGestureBinding(&app, 2, ActGes::Swipe, held, ActDir::Up, t);
        ASSERT_TRUE(t.binding);
        EXPECT_EQ(t.binding->actionSel, ActionId::SwipeBack);
        EXPECT_EQ(t.keyMod, EventFlag::Control | EventFlag::Command);
    }
}

TEST(GestureLookup, ExactMatchFillsBothDirections) {
    AnApp app;
    bind(app, ActGes::Swipe, Command, ActDir::Left, action(ActionId::SwipeBack));
    GesBinding t = stale();
    findGestureBinding(&app, 2, ActGes::Swipe, Command, ActDir::Left, t);
    EXPECT_EQ(t.binding, action(ActionId::SwipeBack));
    EXPECT_EQ(t.keyMod, 0u);
    EXPECT_EQ(t.bindingOppo, std::nullopt);
    EXPECT_EQ(t.keyModOppo, 0u);

    bind(app, ActGes::Swipe, Command, ActDir::Right, action(ActionId::SwipeForward));
    bind(app, ActGes::Swipe, 0, ActDir::Right, action(ActionId::LookUp));
    findGestureBinding(&app, 2, ActGes::Swipe, Command, ActDir::Left, t);
    EXPECT_EQ(t.bindingOppo, action(ActionId::SwipeForward));

    // None is its own opposite.
    bind(app, ActGes::Zoom, 0, ActDir::None, action(ActionId::SmartZoom));
    findGestureBinding(&app, 2, ActGes::Zoom, 0, ActDir::None, t);
    EXPECT_EQ(t.bindingOppo, action(ActionId::SmartZoom));
    bind(app, ActGes::Rotate, 0, ActDir::CCW, action(ActionId::LookUp));
    bind(app, ActGes::Rotate, 0, ActDir::CW, action(ActionId::SmartZoom));
    findGestureBinding(&app, 2, ActGes::Rotate, 0, ActDir::CW, t);
    EXPECT_EQ(t.bindingOppo, action(ActionId::LookUp));
}

TEST(GestureLookup, PairedActionTakesItsTwinAsOpposite) {
    AnApp app;
    BindAction up = action(ActionId::VolumeUpContinuous);
    up.clickTh = true;
    up.appName = "kept";
    bind(app, ActGes::Swipe, 0, ActDir::Left, up);
    bind(app, ActGes::Swipe, 0, ActDir::Right, action(ActionId::SwipeForward));
    GesBinding t;
    findGestureBinding(&app, 2, ActGes::Swipe, 0, ActDir::Left, t);
    BindAction down = up;
    down.actionSel = ActionId::VolumeDownContinuous;
    EXPECT_EQ(t.bindingOppo, down);
}

TEST(GestureLookup, TapAndClickHaveNoOppositeAndKeepKeyModOppo) {
    AnApp app;
    bind(app, ActGes::Click, 0, ActDir::None, action(ActionId::ZoomIn), 3);
    GesBinding t = stale();
    findGestureBinding(&app, 3, ActGes::Click, Shift, ActDir::None, t);
    EXPECT_EQ(t.binding, action(ActionId::ZoomIn));
    EXPECT_EQ(t.keyMod, EventFlag::Shift);
    EXPECT_EQ(t.bindingOppo, std::nullopt);
    EXPECT_EQ(t.keyModOppo, 0xBB0000u);
}

TEST(GestureLookup, SubsetFallbackPassesLeftoverModifiersOn) {
    AnApp app;
    const BindAction cmdBracket = hotkey(EventFlag::Command, 33);
    bind(app, ActGes::Swipe, Command | Option, ActDir::Left, cmdBracket);
    bind(app, ActGes::Swipe, Command | Option, ActDir::Right, hotkey(EventFlag::Command, 30));
    bind(app, ActGes::Swipe, Command, ActDir::Left, action(ActionId::SwipeBack));
    bind(app, ActGes::Swipe, 0, ActDir::Left, action(ActionId::LookUp));
    // The held mask itself is bound, but not for this direction.
    bind(app, ActGes::Swipe, Command | Option | Shift | Fn, ActDir::Up, action(ActionId::LookUp));

    GesBinding t = stale();
    findGestureBinding(&app, 2, ActGes::Swipe, Command | Option | Shift | Fn, ActDir::Left, t);
    EXPECT_EQ(t.binding, cmdBracket);
    EXPECT_EQ(t.keyMod, EventFlag::Shift | EventFlag::Fn);
    EXPECT_EQ(t.bindingOppo, hotkey(EventFlag::Command, 30));  // under the mask found, not the held one
    EXPECT_EQ(t.keyModOppo, t.keyMod);

    // A binding needs a subset of the held keys.
    AnApp only;
    bind(only, ActGes::Swipe, Command | Option, ActDir::Left, cmdBracket);
    t = stale();
    findGestureBinding(&only, 2, ActGes::Swipe, Command, ActDir::Left, t);
    EXPECT_EQ(t.binding, std::nullopt);
    EXPECT_EQ(t.bindingOppo, std::nullopt);
    EXPECT_EQ(t.keyMod, 0xAA0000u);
    EXPECT_EQ(t.keyModOppo, 0xBB0000u);
}

class GestureLookupProfile : public test::SimTest {};

TEST_F(GestureLookupProfile, MissingEntryOrLevelMeansNoBinding) {
    GesBinding t = stale();
    findGestureBinding(nullptr, 2, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, std::nullopt);
    EXPECT_EQ(t.bindingOppo, std::nullopt);
    EXPECT_EQ(t.keyMod, 0xAA0000u);

    AnApp global;
    bind(global, ActGes::Swipe, 0, ActDir::Left, action(ActionId::SwipeBack));
    AnApp own;
    bind(own, ActGes::Swipe, 0, ActDir::Left, action(ActionId::SwipeBack), 3);
    Apps::shared().a.set({{"", global}, {"app.x", own}});

    EXPECT_EQ(appEntry("app.y"), nullptr);
    ASSERT_EQ(appEntry("app.x"), &Apps::shared().a.get().at("app.x"));

    // The app's own entry lacks the two-finger swipe: no second look in the global one.
    t = stale();
    findGestureBinding(appEntry("app.x"), 2, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, std::nullopt);
    findGestureBinding(appEntry("app.x"), 3, ActGes::Rotate, 0, ActDir::CW, t);
    EXPECT_EQ(t.binding, std::nullopt);

    findGestureBinding(appEntry(""), 2, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, action(ActionId::SwipeBack));

    // Through the current app's key; a key with no entry behind it is unbound.
    CurrentApp::shared().settingsKey = "app.x";
    findGestureBinding(3, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, action(ActionId::SwipeBack));
    CurrentApp::shared().settingsKey = "app.gone";
    findGestureBinding(3, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, std::nullopt);

    // Edits show at the next lookup.
    Apps::shared().a.modify([](AppEntries& e) { e[""].ges.clear(); });
    findGestureBinding(appEntry(""), 2, ActGes::Swipe, 0, ActDir::Left, t);
    EXPECT_EQ(t.binding, std::nullopt);
}

} // namespace
} // namespace corv::engine
