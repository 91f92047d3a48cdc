#include "KeyboardInput.h"

#include "engine/CaptureSwitch.h"
#include "engine/EngineTaps.h"
#include "engine/HIDPostManager.h"
#include "engine/HeldModifiers.h"
#include "engine/KeyTap.h"
#include "engine/ModClick.h"
#include "engine/ModKeyPressed.h"
#include "engine/NotifWinManager.h"
#include "model/ActionTable.h"
#include "model/UIState.h"

namespace corv::test {
namespace {

using Route = sim::SimEventSystem::Route;

TEST_F(KeyTapTest, UnboundKeysPassWithTheLogitechModifiersAdded) {
    builtIn.pressKey(key::A);
    EXPECT_EQ(delivered(), builtIn.keyEvent(key::A, true));

    // A Logitech keyboard holds Command: every key of any keyboard carries it.
    engine::postModifierMarker(flag::Command);
    settle();
    const platform::Event marker = delivered();
    EXPECT_EQ(marker.integerField(9), 0xBEEF);
    EXPECT_EQ(marker.flags(), flag::Command);
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::A);
    builtIn.releaseKey(key::A);
    EXPECT_EQ(delivered().flags(), flag::Shift | flag::Command);
    EXPECT_EQ(delivered().flags(), flag::Shift | flag::Command);
    // The real keyboard's modifiers merge with the marker's.
    builtIn.changeModifiers(key::LeftShift, flag::Shift);
    EXPECT_EQ(delivered().flags(), flag::Shift | flag::Command);
    EXPECT_EQ(engine::HeldModifiers::shared().combinedModifierFlags, flag::Shift | flag::Command);
    EXPECT_TRUE(nothingDelivered());
    sim->events.clearLogs();

    // Without an entry under the current settings key nothing is bound.
    bindKey(key::A, 0x12, hotkey(0, key::C));
    Apps::shared().a.set({});
    builtIn.pressKey(key::A);
    EXPECT_EQ(delivered().integerField(9), key::A);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, FunctionKeyBindingUnderMaskZeroIgnoresTheSystemsFn) {
    bindKey(key::F5, 0, BindAction::forAction(ActionId::MediaPlayPause));
    EXPECT_NE(builtIn.keyEvent(key::F5, true).flags() & flag::Fn, 0u);
    builtIn.pressKey(key::F5);
    builtIn.releaseKey(key::F5);
    settle();

    const auto press = posted();
    const auto release = posted();
    EXPECT_EQ(press.event.type(), 14u);
    EXPECT_EQ(press.event.systemData().data1, (16 << 16) | 0xA00);
    EXPECT_EQ(release.event.type(), 14u);
    EXPECT_EQ(release.event.systemData().data1, (16 << 16) | 0xB00);
    EXPECT_TRUE(nothingPosted());
    // Both keys swallowed: only the media key reaches the applications.
    EXPECT_EQ(delivered().type(), 14u);
    EXPECT_EQ(delivered().type(), 14u);
    EXPECT_TRUE(nothingDelivered());

    // A binding under Fn alone is never reached for such a key.
    Apps::shared().a.modify([](AppEntries& e) { e[""].key.clear(); });
    bindKey(key::F5, 0x80, BindAction::forAction(ActionId::MediaNext));
    builtIn.pressKey(key::F5);
    EXPECT_EQ(delivered().integerField(9), key::F5);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, HeldModifiersRideOnAMaskZeroHotkeyAndTheKeyUpReleasesWhatTheDownPressed) {
    bindKey(key::K, 0, hotkey(flag::Control, key::Space));
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::Space, flag::Control | flag::Shift);
    // Auto-repeat presses the substitute again.
    builtIn.pressKey(key::K, true);
    expectPostedKey(10, key::Space, flag::Control | flag::Shift);
    // Shift is let go first: the up still releases the stored binding.
    builtIn.flags = 0;
    builtIn.releaseKey(key::K);
    expectPostedKey(11, key::Space, flag::Control);
    expectPostedKey(12, 59, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());
    settle();
    for (int i = 0; i < 4; ++i) EXPECT_NE(delivered().integerField(9), key::K);
    EXPECT_TRUE(nothingDelivered());

    // A second up of the key finds nothing stored and passes.
    builtIn.releaseKey(key::K);
    EXPECT_EQ(delivered().integerField(9), key::K);
    EXPECT_TRUE(engine::KeyTapState::shared().pendingKeyBindings.empty());
}

TEST_F(KeyTapTest, ModClicksPressesOnceWhileTheKeyRepeats) {
    BindAction click = BindAction::forAction(ActionId::ModClicks);
    click.hotkeyMod = flag::Command;
    click.hotkeyKey = 1;
    bindKey(key::K, 0, click);
    sim->windowServer.cursor = {40, 50};

    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    builtIn.pressKey(key::K, true);
    builtIn.pressKey(key::K, true);
    settle();
    expectPostedKey(12, 56, flag::Command | flag::Shift, Route::Session);
    const auto down = posted();
    EXPECT_EQ(down.event.type(), 1u);
    EXPECT_EQ(down.event.location(), (platform::Point{40, 50}));
    EXPECT_EQ(down.event.flags(), flag::Command | flag::Shift);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(engine::HeldClick::shared().heldMouseDragType, 6u);

    builtIn.releaseKey(key::K);
    settle();
    const auto up = posted();
    EXPECT_EQ(up.event.type(), 2u);
    EXPECT_EQ(up.event.flags(), flag::Command);
    expectPostedKey(12, 55, flag::NonCoalesced, Route::Session);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(engine::HeldClick::shared().heldMouseDragType, 0u);
}

TEST_F(KeyTapTest, RepeatWithoutABindingKeepsTheStoredOne) {
    bindKey(key::K, 0x02, hotkey(0, key::C));
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::C, 0);
    EXPECT_EQ(delivered().integerField(9), key::C);
    builtIn.flags = flag::Option;
    builtIn.pressKey(key::K, true);
    EXPECT_EQ(delivered().integerField(9), key::K);
    builtIn.releaseKey(key::K);
    expectPostedKey(11, key::C, 0);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, ARepeatThatFindsAnotherBindingLeavesNothingHeld) {
    BindAction click = BindAction::forAction(ActionId::ModClicks);
    click.hotkeyMod = flag::Command;
    click.hotkeyKey = 1;
    bindKey(key::K, 0, click);
    bindKey(key::K, 0x02, hotkey(0, key::C));

    // The click is held; Shift joins while the key repeats and finds the
    // hotkey: the click is let go before the hotkey goes down.
    builtIn.pressKey(key::K);
    settle();
    expectPostedKey(12, 55, flag::Command, Route::Session);
    EXPECT_EQ(posted().event.type(), 1u);
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K, true);
    settle();
    const auto up = posted();
    EXPECT_EQ(up.event.type(), 2u);
    EXPECT_EQ(up.event.flags(), flag::Command);
    expectPostedKey(10, key::C, 0);
    expectPostedKey(12, 55, flag::NonCoalesced, Route::Session);
    EXPECT_EQ(engine::HeldClick::shared().heldMouseDragType, 0u);
    builtIn.releaseKey(key::K);
    expectPostedKey(11, key::C, 0);
    settle();
    EXPECT_TRUE(nothingPosted());

    // The other way round: a repeat that finds the click presses nothing, so
    // the key-up lets go of the hotkey and of no click.
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::C, 0);
    builtIn.flags = 0;
    builtIn.pressKey(key::K, true);
    builtIn.releaseKey(key::K);
    settle();
    expectPostedKey(11, key::C, 0);
    EXPECT_TRUE(nothingPosted());
    EXPECT_TRUE(engine::KeyTapState::shared().pendingKeyBindings.empty());
}

TEST_F(KeyTapTest, LogitechCommandMarkerLooksKeysUpUnderCommand) {
    bindKey(key::A, 0, hotkey(0, key::C));
    bindKey(key::A, 0x10, hotkey(flag::Option, key::K));
    engine::postModifierMarker(flag::Command);
    settle();
    sim->events.clearLogs();

    builtIn.pressKey(key::A);
    expectPostedKey(10, key::K, flag::Option);
    builtIn.releaseKey(key::A);
    expectPostedKey(11, key::K, flag::Option);
    expectPostedKey(12, 58, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());

    // The marker with no flags ends it.
    engine::postModifierMarker(0);
    settle();
    sim->events.clearLogs();
    builtIn.pressKey(key::A);
    expectPostedKey(10, key::C, 0);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, CapsLockNotificationFollowsTheMergedFlags) {
    // The symbols of the overlay tiles shown, in order.
    const auto shown = [&] {
        std::vector<std::string> symbols;
        for (const auto& tile : sim->windows.overlays) symbols.push_back(tile->symbol.symbol);
        return symbols;
    };
    builtIn.changeModifiers(key::CapsLock, flag::CapsLock);
    settle();
    EXPECT_TRUE(shown().empty());

    UIState::shared().capslockNotif.set(true);
    builtIn.changeModifiers(key::CapsLock, flag::CapsLock);
    EXPECT_TRUE(shown().empty()) << "shown only after the callback returned";
    settle();
    builtIn.changeModifiers(key::CapsLock, 0);
    settle();
    // Another key's change shows nothing.
    builtIn.changeModifiers(key::LeftShift, flag::Shift);
    settle();
    EXPECT_EQ(shown(), (std::vector<std::string>{"capslock.fill", "capslock"}));
    // Every change passed, carrying the merged flags.
    for (std::uint64_t f : {flag::CapsLock, flag::CapsLock, std::uint64_t{0}, flag::Shift})
        EXPECT_EQ(delivered().flags(), f);
    EXPECT_TRUE(nothingDelivered());
}

TEST_F(KeyTapTest, TimeoutEnablesTheTapAgainAndClearsTheMergedFlags) {
    bindKey(key::K, 0, hotkey(flag::Command, key::Space));
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::Space, flag::Command);
    builtIn.changeModifiers(key::LeftShift, flag::Shift);
    const auto tap = engine::keyTap().tap;
    auto result = sim->events.sendTimeoutNotice(tap);
    EXPECT_TRUE(sim->events.isEnabled(tap));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->flags(), 0u);
    EXPECT_EQ(engine::HeldModifiers::shared().combinedModifierFlags, 0u);
    // The held key is not let go by the brief stop: its own key-up releases it.
    settle();
    EXPECT_TRUE(nothingPosted());
    builtIn.releaseKey(key::K);
    expectPostedKey(11, key::Space, flag::Command);
    expectPostedKey(12, 55, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, KeyCaptureForgetsPressedKeysAndPausesTheTap) {
    engine::ModKeyPressed::shared().v.set({{0x7000000E1, DeviceName{"K", "L"}}});
    engine::beginKeyCapture();
    EXPECT_TRUE(engine::ModKeyPressed::shared().v.get().empty());
    EXPECT_FALSE(sim->events.isEnabled(engine::keyTap().tap));
    bindKey(key::A, 0, hotkey(0, key::C));
    builtIn.pressKey(key::A);
    EXPECT_EQ(delivered().integerField(9), key::A);
    engine::endKeyCapture();
    EXPECT_TRUE(sim->events.isEnabled(engine::keyTap().tap));
}

TEST_F(KeyTapTest, PausingTheKeyTapLetsGoOfWhatHeldKeysPressed) {
    BindAction click = BindAction::forAction(ActionId::ModClicks);
    click.hotkeyMod = flag::Control;
    click.hotkeyKey = 2;
    bindKey(key::A, 0, click);
    bindKey(key::K, 0x02, hotkey(flag::Command, key::Space));

    // Shift+K holds Command+Space, A holds the right button with Control.
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    builtIn.flags = 0;
    builtIn.pressKey(key::A);
    settle();
    sim->events.clearLogs();

    // The keyboard tab pauses the tap: both are let go at the session, as
    // their key-ups would, the lower key code first.
    engine::beginKeyCapture();
    const auto up = posted();
    EXPECT_EQ(up.route, Route::Session);
    EXPECT_EQ(up.event.type(), 4u);
    EXPECT_EQ(up.event.flags(), flag::Control);
    expectPostedKey(11, key::Space, flag::Command, Route::Session);
    expectPostedKey(12, 55, flag::NonCoalesced, Route::Session);
    settle();
    expectPostedKey(12, 59, flag::NonCoalesced, Route::Session);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(engine::HeldClick::shared().heldMouseDragType, 0u);
    EXPECT_TRUE(engine::KeyTapState::shared().pendingKeyBindings.empty());

    // On again: nothing is pressed anew, and the key's late up passes.
    engine::endKeyCapture();
    settle();
    EXPECT_TRUE(nothingPosted());
    sim->events.clearLogs();
    builtIn.releaseKey(key::K);
    EXPECT_EQ(delivered().integerField(9), key::K);
    EXPECT_TRUE(nothingPosted());

    // The gesture capture pauses it the same way.
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::Space, flag::Command);
    engine::beginGestureCapture();
    expectPostedKey(11, key::Space, flag::Command, Route::Session);
    expectPostedKey(12, 55, flag::NonCoalesced, Route::Session);
    engine::endGestureCapture();
    settle();
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, StoppingTheTapsLetsGoOfAHeldSubstitute) {
    bindKey(key::K, 0x02, hotkey(flag::Command, key::Space));
    builtIn.flags = flag::Shift;
    builtIn.pressKey(key::K);
    expectPostedKey(10, key::Space, flag::Command);
    engine::stopEngineTaps();
    expectPostedKey(11, key::Space, flag::Command, Route::Session);
    expectPostedKey(12, 55, flag::NonCoalesced, Route::Session);
    settle();
    EXPECT_TRUE(nothingPosted());
}

TEST_F(KeyTapTest, StartAndStopSwitchAllThreeTaps) {
    for (const auto* slot : {&engine::gestureTap(), &engine::clickTap(), &engine::keyTap()}) {
        EXPECT_TRUE(sim->events.isEnabled(slot->tap));
        EXPECT_TRUE(sim->events.sourceInMainLoop(slot->tap));
    }
    engine::stopEngineTaps();
    for (const auto* slot : {&engine::gestureTap(), &engine::clickTap(), &engine::keyTap()}) {
        EXPECT_FALSE(sim->events.isEnabled(slot->tap));
        EXPECT_FALSE(sim->events.sourceInMainLoop(slot->tap));
    }
}

} // namespace
} // namespace corv::test
