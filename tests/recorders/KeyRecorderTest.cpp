#include "RecorderFixture.h"

#include "model/ActionTable.h"
#include "model/LogiKeysOpt.h"
#include "recorders/CaptureTabs.h"
#include "recorders/KeyBind.h"

#include <utility>

namespace corv::test {
namespace {

using namespace recorders;

constexpr std::uint16_t kRowKey = 122;  // F1
const std::string kFollower = "com.example.follower";
const std::string kLocked = "com.example.locked";
const std::string kOwn = "com.example.own";

// The keyboard tab with a key row of the global profile bound to play/pause,
// and three applications around it.
class KeyRecorderTest : public RecorderTest {
protected:
    KeyRecorderTest() {
        enableEngineTaps();
        AnApp global;
        global.key[kRowKey][0] = action(ActionId::MediaPlayPause);
        global.ges[3][ActGes::Swipe][0][ActDir::Up] = action(ActionId::MediaNext);
        setEntry("", global);
        setEntry(kFollower, global);
        AnApp locked = global;
        locked.keyLock = true;
        setEntry(kLocked, locked);
        AnApp own = global;
        own.key[kRowKey][0] = action(ActionId::VolumeUp);
        setEntry(kOwn, own);
        beginKeyCapture();
    }

    static void highlightKeyRow(std::uint64_t k = kRowKey, std::uint64_t mod = 0, bool src = false) {
        KeyHighlighted::shared().h.set(KeyHilited{k, mod, src});
    }
    static BindAction keyRow(const std::string& app) { return entry(app).key.at(kRowKey).at(0); }

    Typist kb{*sim};
};

TEST_F(KeyRecorderTest, CommandAIntoTheGlobalRowReachesOnlyItsFollowers) {
    highlightKeyRow();
    kb.hold(kCommandKey, flag::Command);
    EXPECT_EQ(KeyBind::shared().raw.get(), 0x100100u);
    kb.press(key::A);
    // Written at the key up; the combination stays on show while Command is held.
    BindAction expected = combo(0x100100, key::A);
    EXPECT_EQ(keyRow(""), expected);
    EXPECT_FALSE(keyRow("").clickTh);
    EXPECT_FALSE(keyRow("").clickThEn);
    EXPECT_EQ(keyRow("").actionSel, ActionId::DoNothing);
    EXPECT_EQ(KeyBind::shared().key.get(), key::A);
    kb.release(kCommandKey, flag::Command);
    EXPECT_EQ(KeyBind::shared().key.get(), kNoKey);
    EXPECT_EQ(KeyBind::shared().raw.get(), 0u);

    EXPECT_EQ(keyRow(kFollower), expected);
    EXPECT_EQ(keyRow(kLocked), action(ActionId::MediaPlayPause));
    EXPECT_EQ(keyRow(kOwn), action(ActionId::VolumeUp));
    EXPECT_TRUE(sim->events.delivered.empty());

    // Command let go before A: the flags of the key down still count.
    highlightKeyRow();
    kb.hold(kCommandKey, flag::Command);
    kb.down(key::K);
    kb.release(kCommandKey, flag::Command);
    kb.up(key::K);
    EXPECT_EQ(keyRow(""), combo(0x100100, key::K));
    EXPECT_EQ(keyRow(kFollower), combo(0x100100, key::K));
    EXPECT_EQ(KeyBind::shared().key.get(), kNoKey);
}

TEST_F(KeyRecorderTest, KeysThatCountAndKeysThatDoNot) {
    highlightKeyRow();
    select(kOwn);

    // F5 brings its own Fn flag.
    kb.press(key::F5);
    EXPECT_EQ(keyRow(kOwn), combo(0x800100, key::F5));

    // A repeat counts once.
    kb.down(key::A);
    kb.down(key::A, true);
    kb.down(key::A, true);
    kb.up(key::A);
    EXPECT_EQ(keyRow(kOwn), combo(0x100, key::A));
    EXPECT_EQ(KeyBind::shared().keyDownCount.get(), 0);

    // A lone Shift shows and then resets, writing nothing.
    kb.hold(key::LeftShift, flag::Shift);
    EXPECT_EQ(KeyBind::shared().raw.get(), 0x20100u);
    EXPECT_FALSE(KeyBind::shared().modAllUp.get());
    kb.release(key::LeftShift, flag::Shift);
    EXPECT_EQ(KeyBind::shared().raw.get(), 0u);
    EXPECT_EQ(KeyBind::shared().key.get(), kNoKey);
    EXPECT_EQ(keyRow(kOwn), combo(0x100, key::A));

    // Two keys: the one released last is recorded, once.
    kb.down(key::A);
    kb.down(key::K);
    kb.up(key::K);
    EXPECT_EQ(keyRow(kOwn), combo(0x100, key::A));
    kb.up(key::A);
    EXPECT_EQ(keyRow(kOwn), combo(0x100, key::A));
    kb.down(key::A);
    kb.down(key::K);
    kb.up(key::A);
    kb.up(key::K);
    EXPECT_EQ(keyRow(kOwn), combo(0x100, key::K));
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(KeyRecorderTest, GestureAndControlRowsTakeTheirClickThroughFlags) {
    endKeyCapture();
    beginGestureCapture();
    GesHi::shared().h.set(GesHilited{3, ActGes::Swipe, 0, ActDir::Up});
    kb.press(key::K);
    const BindAction& ges = entry("").ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up);
    EXPECT_EQ(ges, [] {
        BindAction b = combo(0x100, key::K);
        b.clickTh = b.clickThEn = true;
        return b;
    }());
    EXPECT_EQ(entry(kFollower).ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), ges);
    endGestureCapture();

    beginKeyCapture();
    LogiKeyOpt keyboard;
    keyboard.key[0x00C3][0] = action(ActionId::MediaNext);
    LogiKeysOpt::shared().k.set({LogiKeyOpt{}, keyboard});
    LogiKeybHighlighted::shared().h.set(CidHilited{1, 0x00C3});
    kb.press(key::A);
    EXPECT_EQ(LogiKeysOpt::shared().k.get()[1].key.at(0x00C3).at(0), combo(0x100, key::A));
}

TEST_F(KeyRecorderTest, AUrlRowLetsKeysPassUntouched) {
    BindAction url = action(ActionId::Url);
    url.appName = "https://example.com";
    Apps::shared().a.modify([&](AppEntries& all) { all[""].key[kRowKey][0] = url; });
    LogiKeyOpt keyboard;
    keyboard.key[0x00C3][0] = url;
    LogiKeysOpt::shared().k.set({LogiKeyOpt{}, keyboard});
    const std::function<void(bool)> rows[] = {
        [](bool on) { KeyHighlighted::shared().h.set(on ? KeyHilited{kRowKey, 0, false} : KeyHilited{}); },
        [](bool on) { LogiKeybHighlighted::shared().h.set(on ? CidHilited{1, 0x00C3} : CidHilited{}); },
    };
    for (const auto& highlight : rows) {
        highlight(true);
        ASSERT_TRUE(keyCaptureOn());
        kb.hold(kCommandKey, flag::Command);
        kb.press(key::A);
        kb.release(kCommandKey, flag::Command);
        ASSERT_EQ(sim->events.delivered.size(), 4u);
        for (std::uint32_t type : {12u, 10u, 11u, 12u}) EXPECT_EQ(sim->events.takeDelivered().type(), type);
        EXPECT_EQ(keyRow(""), url);
        EXPECT_EQ(LogiKeysOpt::shared().k.get()[1].key.at(0x00C3).at(0), url);
        EXPECT_EQ(KeyBind::shared().raw.get(), 0u);
        EXPECT_EQ(KeyBind::shared().keyDownCount.get(), 0);
        highlight(false);
    }
}

TEST_F(KeyRecorderTest, AKeyUpLostWhileNoRowWasHighlightedDoesNotBlockTheNextCapture) {
    highlightKeyRow();
    kb.down(key::A);
    KeyHighlighted::shared().h.set(KeyHilited{});  // the capture tap goes off; the up is not seen
    kb.up(key::A);
    highlightKeyRow();
    EXPECT_EQ(KeyBind::shared().keyDownCount.get(), 0);
    kb.press(key::K);
    EXPECT_EQ(keyRow(""), combo(0x100, key::K));
}

TEST_F(KeyRecorderTest, ACaptureForAGoneEntryOrKeyboardIsIgnored) {
    select("com.example.gone");
    highlightKeyRow();
    kb.press(key::A);
    EXPECT_FALSE(Apps::shared().a.get().count("com.example.gone"));

    KeyHighlighted::shared().h.set(KeyHilited{});
    LogiKeybHighlighted::shared().h.set(CidHilited{3, 0x00C3});
    kb.press(key::A);
    EXPECT_TRUE(LogiKeysOpt::shared().k.get().empty());
    EXPECT_EQ(KeyBind::shared().key.get(), kNoKey);
}

TEST_F(KeyRecorderTest, ATabShownWhileACombinationIsWrittenKeepsItsFreshCapture) {
    highlightKeyRow();
    Subscription view = Apps::shared().a.subscribe([](const AppEntries&) { KeyBind::reset(); });
    kb.hold(kCommandKey, flag::Command);
    kb.press(key::A);
    view.reset();
    EXPECT_EQ(keyRow(""), combo(0x100100, key::A));
    kb.release(kCommandKey, flag::Command);
    EXPECT_EQ(KeyBind::shared().raw.get(), 0u);
    EXPECT_EQ(KeyBind::shared().key.get(), kNoKey);
}

TEST_F(KeyRecorderTest, ARowAnObserverTakesAwayWhileItIsWrittenIsNotMadeAgain) {
    // A view that, once, takes away part of what the first change touched.
    std::function<void(AppEntries&)> takeAway;
    Subscription view = Apps::shared().a.subscribe([&](const AppEntries&) {
        if (auto f = std::exchange(takeAway, nullptr)) Apps::shared().a.modify(f);
    });
    highlightKeyRow();
    takeAway = [](AppEntries& all) { all.erase(""); };
    kb.press(key::A);
    EXPECT_FALSE(Apps::shared().a.get().count(""));
    EXPECT_EQ(keyRow(kFollower), action(ActionId::MediaPlayPause));

    KeyHighlighted::shared().h.set(KeyHilited{});
    select(kFollower);
    GesHi::shared().h.set(GesHilited{3, ActGes::Swipe, 0, ActDir::Up});
    takeAway = [](AppEntries& all) { all[kFollower].ges.clear(); };
    kb.press(key::K);
    EXPECT_TRUE(entry(kFollower).ges.empty());

    GesHi::shared().h.set(GesHilited{});
    LogiKeyOpt keyboard;
    keyboard.key[0x00C3][0] = action(ActionId::MediaNext);
    LogiKeysOpt::shared().k.set({LogiKeyOpt{}, keyboard});
    Subscription devices = LogiKeysOpt::shared().k.subscribe([](const std::vector<LogiKeyOpt>& k) {
        if (!k.empty()) LogiKeysOpt::shared().k.set({});
    });
    LogiKeybHighlighted::shared().h.set(CidHilited{1, 0x00C3});
    kb.press(key::A);
    EXPECT_TRUE(LogiKeysOpt::shared().k.get().empty());
}

} // namespace
} // namespace corv::test
