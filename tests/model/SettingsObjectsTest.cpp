#include "model/Apps.h"
#include "model/Haptic.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/MainStatusItem.h"
#include "model/Options.h"
#include "support/Fixtures.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

using namespace corv;
using corv::test::readTestFile;

namespace {

class SettingsObjects : public corv::test::SimTest {};

template <class T>
std::shared_ptr<T> decodeFixture(const char* name) {
    plist::Node root = plist::parse(readTestFile(std::string("model/fixtures/") + name));
    return T::decodeObject(plist::KeyedDecoder(root.get()));
}

template <class T>
std::vector<std::string> encodedKeys(const T& object) {
    plist::KeyedEncoder e;
    object.encode(e);
    plist::Node n = e.take();
    std::vector<std::string> keys;
    for (auto& [k, v] : plist::dictEntries(n.get())) keys.push_back(k);
    return keys;
}

} // namespace

TEST_F(SettingsObjects, FreshOptionsHoldTheDefaultsAndTheLoginItemState) {
    sim->loginItems.items = {sim->bundle.bundlePath};
    Options o;
    EXPECT_EQ(o.showDescription(), 1);
    EXPECT_EQ(o.sclAcc(), 15.0);
    EXPECT_TRUE(o.autoCheckUpdates());
    EXPECT_FALSE(o.hideIcon());
    EXPECT_EQ(o.theme(), 0);
    EXPECT_TRUE(o.runAtLogin());
    EXPECT_EQ(encodedKeys(o), (std::vector<std::string>{"sclAccEn", "sclAcc", "autoCheckUpdates", "theme",
                                                          "tabSelection", "showDescription", "hideIcon"}));
}

TEST_F(SettingsObjects, HideIconDrivesTheStatusItemAndTheApplication) {
    sim::SimStatusItem item;
    Options& o = Options::shared();
    o.hideIcon.set(true);  // no status item yet: only the application hides
    EXPECT_EQ(sim->app.hideCount, 1);
    MainStatusItem::shared().item = &item;
    o.hideIcon.set(false);
    EXPECT_TRUE(item.visible);
    EXPECT_EQ(sim->app.hideCount, 1);

    plist::Node root = plist::parse(readTestFile("model/fixtures/config.xml"));
    plist::dictSet(root, "hideIcon", plist::makeBool(true));
    auto o2 = Options::decodeObject(plist::KeyedDecoder(root.get()));
    EXPECT_TRUE(o2->hideIcon());
    EXPECT_FALSE(item.visible);
    EXPECT_EQ(sim->app.hideCount, 2);
}

TEST_F(SettingsObjects, RunAtLoginFollowsTheRealLoginItems) {
    Options& o = Options::shared();
    o.runAtLogin.set(true);
    o.runAtLogin.set(true);
    EXPECT_EQ(sim->loginItems.addCalls, 1);
    EXPECT_EQ(sim->loginItems.items.size(), 1u);
    EXPECT_TRUE(o.runAtLogin());
    o.runAtLogin.set(false);
    EXPECT_TRUE(sim->loginItems.items.empty());

    // A change the session refuses shows as not done.
    sim->loginItems.failChanges = true;
    o.runAtLogin.set(true);
    EXPECT_FALSE(o.runAtLogin());
}

TEST_F(SettingsObjects, OptionsBlobWithoutAKeyFailsWhole) {
    plist::Node root = plist::parse(readTestFile("model/fixtures/config.xml"));
    auto o = Options::decodeObject(plist::KeyedDecoder(root.get()));
    EXPECT_EQ(o->sclAcc(), 7.5);
    EXPECT_EQ(o->theme(), 3);
    EXPECT_EQ(o->showDescription(), 0);
    plist::Node copy = plist::parse(readTestFile("model/fixtures/config.xml"));
    plist::dictRemove(copy.get(), "theme");
    EXPECT_THROW(Options::decodeObject(plist::KeyedDecoder(copy.get())), plist::CodingError);
}

TEST_F(SettingsObjects, EveryStoredOptionsKeyReachesItsOwnField) {
    struct Fields {
        bool sclAccEn = false;
        double sclAcc = 15.0;
        bool autoCheckUpdates = true;
        std::int64_t theme = 0;
        std::int64_t tabSelection = 0;
        std::int64_t showDescription = 1;
        bool hideIcon = false;
        bool operator==(const Fields&) const = default;
    };
    const auto blobOf = [](const Fields& f) {
        plist::Node d = plist::newDict();
        plist::dictSet(d, "sclAccEn", plist::makeBool(f.sclAccEn));
        plist::dictSet(d, "sclAcc", plist::makeReal(f.sclAcc));
        plist::dictSet(d, "autoCheckUpdates", plist::makeBool(f.autoCheckUpdates));
        plist::dictSet(d, "theme", plist::makeSigned(f.theme));
        plist::dictSet(d, "tabSelection", plist::makeSigned(f.tabSelection));
        plist::dictSet(d, "showDescription", plist::makeSigned(f.showDescription));
        plist::dictSet(d, "hideIcon", plist::makeBool(f.hideIcon));
        return d;
    };
    // One key at a time moves away from the rest.
    const std::pair<const char*, void (*)(Fields&)> changes[] = {
        {"sclAccEn", [](Fields& f) { f.sclAccEn = true; }},
        {"sclAcc", [](Fields& f) { f.sclAcc = 3.25; }},
        {"autoCheckUpdates", [](Fields& f) { f.autoCheckUpdates = false; }},
        {"theme", [](Fields& f) { f.theme = 2; }},
        {"tabSelection", [](Fields& f) { f.tabSelection = 3; }},
        {"showDescription", [](Fields& f) { f.showDescription = 0; }},
        {"hideIcon", [](Fields& f) { f.hideIcon = true; }},
    };
    for (const auto& [key, change] : changes) {
        SCOPED_TRACE(key);
        Fields want;
        change(want);
        plist::Node blob = blobOf(want);
        auto o = Options::decodeObject(plist::KeyedDecoder(blob.get()));
        const Fields got{o->sclAccEn(), o->sclAcc(), o->autoCheckUpdates(), o->theme(), o->tabSelection(),
                         o->showDescription(), o->hideIcon()};
        EXPECT_TRUE(got == want);
    }
}

TEST_F(SettingsObjects, HandWrittenBlobsDecode) {
    auto apps = decodeFixture<Apps>("appitems.xml");
    // The entry with a direction of 9 is dropped alone.
    ASSERT_EQ(apps->a().size(), 2u);
    const AnApp& global = apps->a().at("");
    EXPECT_EQ(global.url.absoluteString(), "file:///Users/someone/");
    const BindAction& swipe = global.ges.at(2).at(ActGes::Swipe).at(0).at(ActDir::Left);
    EXPECT_TRUE(swipe.isHotkey);
    EXPECT_EQ(swipe.hotkeyMod, 0x100100u);
    EXPECT_EQ(swipe.hotkeyKey, 33);
    const AnApp& editor = apps->a().at("com.example.editor");
    EXPECT_TRUE(editor.gesLock);
    EXPECT_EQ(editor.key.at(122).at(16).appName, "https://example.com/docs");
    EXPECT_FALSE(editor.key.at(122).at(16).enabled);

    auto keyboards = decodeFixture<KeySubOpt>("keyboards.xml");
    EXPECT_TRUE(keyboards->subGlobalEn());
    // The keyboard whose pair arrays differ in length is dropped alone.
    ASSERT_EQ(keyboards->keySub().size(), 1u);
    const KeySub& ks = keyboards->keySub()[0];
    EXPECT_EQ(ks.name, (DeviceName{"Magic Keyboard", "Apple Inc."}));
    EXPECT_EQ(ks.subItemsSrc, (std::vector<std::uint64_t>{0x7000000E1}));
    EXPECT_EQ(ks.mapItemOccupied, (std::vector<std::int64_t>{6, 0}));

    auto logi = decodeFixture<LogiKeysOpt>("logikeys.xml");
    ASSERT_EQ(logi->k().size(), 1u);  // the desc of 256 drops the second
    const LogiKeyOpt& mx = logi->k()[0];
    EXPECT_EQ(mx.platformList, (std::vector<LogiPlatform>{{1, 2, 0x14}}));
    EXPECT_EQ(mx.id1b04List, (std::map<std::uint16_t, std::uint8_t>{{199, 3}, {200, 3}}));
    EXPECT_EQ(mx.featureMap, (std::map<std::int64_t, std::uint8_t>{{0, 1}, {7, 9}}));
    EXPECT_EQ(mx.key.at(199).at(0).actionSel, 21);
    EXPECT_EQ(mx.backLight, 257u);

    auto haptic = decodeFixture<Haptic>("haptic.xml");
    EXPECT_FALSE(haptic->mEnable());
    EXPECT_EQ(haptic->mPara().intensity, 0.5f);
    EXPECT_EQ(haptic->sPara(), Buzz{});
}

TEST_F(SettingsObjects, KeySubOptNeedsItsStoredKeyName) {
    plist::Node root = plist::parse(readTestFile("model/fixtures/keyboards.xml"));
    plist::Node arr = plist::copy(plist::dictItem(root.get(), "keyboards"));
    plist::dictRemove(root.get(), "keyboards");
    plist::dictSet(root, "keySub", std::move(arr));
    EXPECT_THROW(KeySubOpt::decodeObject(plist::KeyedDecoder(root.get())), plist::CodingError);
}

TEST_F(SettingsObjects, RebuildingOccupiedRowsFollowsThePairs) {
    KeySub ks;
    ks.subItemsSrc = {0x7000000E3, 0x700000039, 0x12345};  // L CMD, Caps lock, unknown
    ks.subItemsDst = {0x7000000E2, 0x7000000E0, 0x7000000E7};
    ks.subBidir = {false, true, true};
    ks.rebuildOccupiedKeys();
    EXPECT_EQ(ks.mapItemOccupied, (std::vector<std::int64_t>{0, 9, 4, 1}));
}

TEST_F(SettingsObjects, GlobalProfileThatFailsIsReplacedByTheDefault) {
    plist::Node root = plist::parse(readTestFile("model/fixtures/appitems.xml"));
    plist_t apps = plist::dictItem(root.get(), "apps");
    plist::dictRemove(plist::dictItem(apps, ""), "lct");
    auto decoded = Apps::decodeObject(plist::KeyedDecoder(root.get()));
    EXPECT_EQ(decoded->a().at(""), AnApp::makeGlobalDefault(sim->files.cwd));
    EXPECT_EQ(decoded->a().count("com.example.editor"), 1u);
}
