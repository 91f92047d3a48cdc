#include "RecorderFixture.h"

#include "model/ActionTable.h"
#include "recorders/CaptureTabs.h"
#include "recorders/KeyBind.h"

namespace corv::test {
namespace {

using namespace recorders;

constexpr std::uint64_t kPlaceholder = 0xFFFF;
const std::string kApp = "com.example.app";
const std::string kLocked = "com.example.locked";

class KeyTriggerTest : public RecorderTest {
protected:
    KeyTriggerTest() {
        enableEngineTaps();
        setEntry("", AnApp{});
        setEntry(kApp, AnApp{});
        beginKeyCapture();
    }

    static void addRow(const std::string& app, std::uint64_t k, std::uint64_t mod, const BindAction& b) {
        Apps::shared().a.modify([&](AppEntries& all) { all[app].key[k][mod] = b; });
    }
    static void highlightTrigger(std::uint64_t k, std::uint64_t mod) {
        KeyHighlighted::shared().h.set(KeyHilited{k, mod, true});
    }
    void commandK() {
        kb.hold(kCommandKey, flag::Command);
        kb.press(key::K);
        kb.release(kCommandKey, flag::Command);
    }

    Typist kb{*sim};
};

TEST_F(KeyTriggerTest, APlaceholderRowMovesToItsTriggerOrTakesTheGlobalBinding) {
    select(kApp);
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    highlightTrigger(kPlaceholder, 0);
    commandK();
    KeyBindings expected{{key::K, {{0x10, BindAction::makeDefault()}}}};
    EXPECT_EQ(entry(kApp).key, expected);
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{key::K, 0x10, false}));
    EXPECT_TRUE(keyCaptureOn());

    // The next combination is the row's action now.
    kb.press(key::A);
    EXPECT_EQ(entry(kApp).key.at(key::K).at(0x10), combo(0x100, key::A));

    // A fresh "Do Nothing" row takes the global profile's binding for its trigger.
    addRow("", key::F5, 0, action(ActionId::VolumeUp));
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    highlightTrigger(kPlaceholder, 0);
    kb.hold(kFnKey, flag::Fn);  // F5 brings its own Fn: it is no part of the trigger
    kb.press(key::F5);
    kb.release(kFnKey, flag::Fn);
    EXPECT_EQ(entry(kApp).key.at(key::F5).at(0), action(ActionId::VolumeUp));
    EXPECT_FALSE(entry(kApp).key.count(kPlaceholder));

    // The same trigger again changes nothing but the mode.
    const AppEntries before = Apps::shared().a.get();
    highlightTrigger(key::F5, 0);
    kb.press(key::F5);
    EXPECT_EQ(Apps::shared().a.get(), before);
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{key::F5, 0, false}));
}

TEST_F(KeyTriggerTest, ATakenTriggerKeepsItsBindingAndDropsOnlyAPlaceholder) {
    select(kApp);
    addRow(kApp, key::K, 0x10, action(ActionId::MediaNext));
    addRow(kApp, key::A, 0, action(ActionId::VolumeUp));
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    highlightTrigger(key::A, 0);
    commandK();
    EXPECT_EQ(entry(kApp).key.at(key::A).at(0), action(ActionId::VolumeUp));
    EXPECT_EQ(entry(kApp).key.at(key::K).at(0x10), action(ActionId::MediaNext));
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{key::K, 0x10, false}));

    highlightTrigger(kPlaceholder, 0);
    commandK();
    EXPECT_FALSE(entry(kApp).key.count(kPlaceholder));
    EXPECT_EQ(entry(kApp).key.size(), 2u);
}

TEST_F(KeyTriggerTest, APlaceholderBoundToACombinationKeepsItOverTheGlobalBinding) {
    select(kApp);
    addRow("", key::K, 0x10, action(ActionId::VolumeUp));
    addRow(kApp, kPlaceholder, 0, combo(0x100, key::A));
    highlightTrigger(kPlaceholder, 0);
    commandK();
    EXPECT_EQ(entry(kApp).key, (KeyBindings{{key::K, {{0x10, combo(0x100, key::A)}}}}));
}

TEST_F(KeyTriggerTest, AGlobalPlaceholderForATakenTriggerGoesWithTheFollowersEqualOnes) {
    addRow("", kPlaceholder, 0, BindAction::makeDefault());
    addRow("", key::K, 0x10, action(ActionId::MediaNext));
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());  // the same placeholder: goes
    addRow("com.example.own", kPlaceholder, 0, action(ActionId::VolumeUp));  // its own: stays
    AnApp locked;
    locked.keyLock = true;
    locked.key[kPlaceholder][0] = BindAction::makeDefault();
    setEntry(kLocked, locked);

    highlightTrigger(kPlaceholder, 0);
    commandK();
    EXPECT_EQ(entry("").key, (KeyBindings{{key::K, {{0x10, action(ActionId::MediaNext)}}}}));
    EXPECT_TRUE(entry(kApp).key.empty());
    EXPECT_EQ(entry("com.example.own").key, (KeyBindings{{kPlaceholder, {{0, action(ActionId::VolumeUp)}}}}));
    EXPECT_EQ(entry(kLocked).key, locked.key);
}

TEST_F(KeyTriggerTest, AGlobalMoveReachesTheUnlockedApplicationsThatHadTheSameRow) {
    const BindAction row = action(ActionId::MediaPlayPause);
    addRow("", key::A, 0, row);
    addRow(kApp, key::A, 0, row);
    AnApp locked;
    locked.keyLock = true;
    locked.key[key::A][0] = row;
    setEntry(kLocked, locked);
    AnApp taken;  // already binds the new trigger
    taken.key[key::A][0] = row;
    taken.key[key::K][0x10] = action(ActionId::VolumeUp);
    setEntry("com.example.taken", taken);

    highlightTrigger(key::A, 0);
    commandK();
    const KeyBindings moved{{key::K, {{0x10, row}}}};
    EXPECT_EQ(entry("").key, moved);
    EXPECT_EQ(entry(kApp).key, moved);
    EXPECT_EQ(entry(kLocked).key, locked.key);
    EXPECT_EQ(entry("com.example.taken").key, taken.key);
}

TEST_F(KeyTriggerTest, WhatTheHighlightsObserversLeaveOfTheRowIsWhatMoves) {
    select(kApp);
    // A view that rewrites, then takes away, the row once the highlight moves.
    std::optional<BindAction> leave;
    Subscription view = KeyHighlighted::shared().h.subscribe([&](const KeyHilited& h) {
        if (h.src) return;
        Apps::shared().a.modify([&](AppEntries& all) {
            if (leave) all[kApp].key[kPlaceholder][0] = *leave;
            else all[kApp].key.erase(kPlaceholder);
        });
    });
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    leave = action(ActionId::VolumeUp);
    highlightTrigger(kPlaceholder, 0);
    commandK();
    EXPECT_EQ(entry(kApp).key, (KeyBindings{{key::K, {{0x10, action(ActionId::VolumeUp)}}}}));

    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    leave.reset();
    highlightTrigger(kPlaceholder, 0);
    kb.press(key::A);
    EXPECT_FALSE(entry(kApp).key.count(key::A));  // no empty level for a binding that is gone
}

TEST_F(KeyTriggerTest, ATriggerForAGoneApplicationIsIgnored) {
    select("com.example.gone");
    highlightTrigger(kPlaceholder, 0);
    commandK();
    EXPECT_FALSE(Apps::shared().a.get().count("com.example.gone"));
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (KeyHilited{kPlaceholder, 0, true}));

    // Gone while the highlight moved to the new trigger.
    select(kApp);
    addRow(kApp, kPlaceholder, 0, BindAction::makeDefault());
    highlightTrigger(kPlaceholder, 0);
    Subscription view = KeyHighlighted::shared().h.subscribe(
        [](const KeyHilited&) { Apps::shared().a.modify([](AppEntries& all) { all.erase(kApp); }); });
    commandK();
    EXPECT_FALSE(Apps::shared().a.get().count(kApp));
}

} // namespace
} // namespace corv::test
