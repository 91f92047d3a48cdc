#include "model/AnApp.h"
#include "model/BindAction.h"
#include "model/Buzz.h"
#include "model/Gesture.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace corv;
using corv::test::bytesOf;

namespace {

BindAction action(std::int64_t id) { return BindAction::forAction(id); }

BindAction hotkey(std::uint64_t mod, std::uint16_t key) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = mod;
    b.hotkeyKey = key;
    return b;
}

} // namespace

TEST(BindAction, DefaultIsDoNothingWithItsFlags) {
    BindAction b = BindAction::makeDefault();
    EXPECT_EQ(b.actionSel, 0);
    EXPECT_FALSE(b.clickTh);
    EXPECT_TRUE(b.clickThEn);
    EXPECT_FALSE(b.multiShot);
    EXPECT_TRUE(b.enabled);
    EXPECT_FALSE(b.isHotkey);
    // An id outside the table falls back to the default binding.
    EXPECT_EQ(BindAction::forAction(57).actionSel, 0);
    EXPECT_EQ(BindAction::forAction(-1).actionSel, 0);
}

TEST(BindAction, EqualityComparesWhatTheActionUses) {
    BindAction a = action(0), b = action(0);
    b.enabled = false;
    b.appName = "ignored";
    EXPECT_EQ(a, b);

    BindAction url1 = action(56), url2 = action(56);
    url1.appName = url2.appName = "https://example.com";
    url2.multiShot = !url1.multiShot;
    EXPECT_EQ(url1, url2);
    url2.hotkeyName = "Example";
    EXPECT_NE(url1, url2);

    BindAction launch1 = action(50), launch2 = action(50);
    launch1.appName = launch2.appName = "Editor";
    EXPECT_EQ(launch1, launch2);
    launch2.clickTh = true;
    EXPECT_NE(launch1, launch2);

    BindAction h1 = hotkey(0x100000, 33), h2 = hotkey(0x100000, 33);
    h2.actionSel = 12;
    EXPECT_EQ(h1, h2);
    EXPECT_NE(h1, hotkey(0x100000, 30));
    EXPECT_NE(hotkey(0, 0), action(0));
}

TEST(BindAction, ModClicksWithDifferentModifiersOrClicksDiffer) {
    BindAction cmdLeft = action(55), shiftLeft = action(55), cmdRight = action(55);
    cmdLeft.hotkeyMod = cmdRight.hotkeyMod = 0x100100;
    shiftLeft.hotkeyMod = 0x20100;
    cmdLeft.hotkeyKey = shiftLeft.hotkeyKey = 1;
    cmdRight.hotkeyKey = 2;
    EXPECT_NE(cmdLeft, shiftLeft);
    EXPECT_NE(cmdLeft, cmdRight);
    BindAction same = cmdLeft;
    same.enabled = false;
    EXPECT_EQ(cmdLeft, same);
}

TEST(BindAction, RoundTripKeepsEveryField) {
    BindAction b = hotkey(0x120100, 7);
    b.hotkeyName = "name";
    b.appName = "app";
    b.enabled = false;
    b.multiShot = true;
    auto back = plist::decode<BindAction>(plist::encodeBinary(b));
    EXPECT_EQ(back.hotkeyName, "name");
    EXPECT_EQ(back.appName, "app");
    EXPECT_FALSE(back.enabled);
    EXPECT_TRUE(back.multiShot);
    EXPECT_EQ(back.hotkeyMod, 0x120100u);
    EXPECT_EQ(back.hotkeyKey, 7);
}

TEST(BindAction, EveryKeyIsRequired) {
    plist::Node n = plist::Codec<BindAction>::encode(BindAction::makeDefault());
    plist::Node copy = plist::parse(plist::toBinary(n));
    std::vector<std::string> keys;
    for (auto& [k, v] : plist::dictEntries(copy.get())) keys.push_back(k);
    ASSERT_EQ(keys.size(), 10u);
    for (const auto& missing : keys) {
        plist::Node d = plist::newDict();
        for (auto& [k, v] : plist::dictEntries(copy.get()))
            if (k != missing) plist::dictSet(d, k, plist::copy(v));
        EXPECT_THROW(plist::Codec<BindAction>::decode(d.get()), plist::CodingError) << missing;
    }
}

TEST(Gesture, DirectionsSortInDisplayOrderAndKindsByValue) {
    std::vector<ActDir> dirs(kAllActDir.begin(), kAllActDir.end());
    std::sort(dirs.begin(), dirs.end());
    EXPECT_EQ(dirs, (std::vector<ActDir>{ActDir::Up, ActDir::Down, ActDir::Left, ActDir::Right, ActDir::Pinch,
                                         ActDir::Spread, ActDir::CW, ActDir::CCW, ActDir::None}));
    EXPECT_TRUE(ActDir::Up <= ActDir::Up);
    EXPECT_TRUE(ActDir::None > ActDir::CCW);

    std::vector<ActGes> kinds{ActGes::Zoom, ActGes::Tap, ActGes::None, ActGes::Swipe};
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (std::vector<ActGes>{ActGes::None, ActGes::Tap, ActGes::Swipe, ActGes::Zoom}));

    EXPECT_EQ(opposite(ActDir::Left), ActDir::Right);
    EXPECT_EQ(opposite(ActDir::None), ActDir::None);
    EXPECT_EQ(actDirFromRaw(8), ActDir::Up);
    EXPECT_FALSE(actDirFromRaw(9));
    EXPECT_FALSE(actGesFromRaw(7));
}

TEST(Buzz, RoundTripsAndNeedsEveryKey) {
    Buzz b{6, 1, 0.25f, 3.0f};
    EXPECT_EQ(plist::decode<Buzz>(plist::encodeBinary(b)), b);
    auto noArg4 = bytesOf(R"(<plist version="1.0"><dict><key>type</key><integer>5</integer>
        <key>flags</key><integer>4</integer><key>intensity</key><real>1</real></dict></plist>)");
    EXPECT_THROW(plist::decode<Buzz>(noArg4), plist::CodingError);
}

TEST(AnApp, NestedBindingsRoundTripAndABadDirectionFailsTheEntry) {
    AnApp app = AnApp::makeGlobalDefault("/home/user");
    app.ges[2][ActGes::Swipe][0][ActDir::Left] = hotkey(0x100100, 33);
    app.ges[3][ActGes::Zoom][0x10][ActDir::Pinch] = action(44);
    app.ges[1][ActGes::Click2] = {};  // an empty inner level is legal
    app.key[122][0x10] = action(17);
    EXPECT_EQ(plist::decode<AnApp>(plist::encodeBinary(app)), app);
    // A fresh entry loads back too.
    EXPECT_EQ(plist::decode<AnApp>(plist::encodeBinary(AnApp{})), AnApp{});

    plist::Node n = plist::Codec<AnApp>::encode(app);
    // ges = [fingers, [kind, [mask, [dir, binding]]]]: replace the direction with 9.
    plist_t kinds = plist::arrayItem(plist::dictItem(n.get(), "ges"), 3);
    plist_t masks = plist::arrayItem(kinds, 1);
    plist_t dirs = plist::arrayItem(masks, 1);
    plist::arraySet(dirs, 0, plist::makeSigned(9));
    EXPECT_THROW(plist::Codec<AnApp>::decode(n.get()), plist::CodingError);
}
