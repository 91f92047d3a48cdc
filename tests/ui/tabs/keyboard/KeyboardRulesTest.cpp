// Model headers come before Qt's, whose keywords clash with them.
#include "KeyboardFixture.h"

#include "engine/KeyboardServices.h"
#include "engine/ModKeyPressed.h"
#include "../../../engine/HidServiceData.h"
#include "model/HidKeyTable.h"
#include "model/KeyMenuKeys.h"
#include "model/KeySubOpt.h"
#include "recorders/Highlights.h"
#include "model/ExtraKeys.h"
#include "ui/tabs/keyboard/ActionChoices.h"
#include "ui/tabs/keyboard/BacklightRules.h"
#include "ui/tabs/keyboard/KeyRows.h"
#include "ui/tabs/keyboard/KeyUrlEdits.h"
#include "ui/tabs/keyboard/KeysTabState.h"
#include "ui/tabs/keyboard/LogiBlocks.h"
#include "ui/tabs/keyboard/Substitution.h"

namespace corv::test {
namespace {

using namespace ui::keyboard;
using recorders::KeyHighlighted;

class KeyboardRulesTest : public KeyboardTabFixture {
protected:
    static KeyRow globalRow(std::uint64_t k, std::uint64_t m) {
        for (const KeyRow& r : listKeyRows(""))
            if (r.slot.key == k && r.slot.mod == m) return r;
        ADD_FAILURE() << "no global row " << k << "/" << m;
        return {};
    }
    static std::size_t menuIndex(std::string_view name) {
        for (std::size_t i = 0; i < keyMenuKeys().size(); ++i)
            if (keyMenuKeys()[i].name == name) return i;
        return 0;
    }
};

TEST_F(KeyboardRulesTest, RowsAreListedByKeyThenMaskWithTheirColours) {
    AnApp app = entry(kApp);
    app.key[3][0x10] = BindAction::forAction(ActionId::ZoomOut);
    app.key[3][0] = BindAction::forAction(ActionId::ZoomOut);
    setEntry(kApp, app);
    AnApp g = entry("");
    g.key[3][0x02] = BindAction::forAction(ActionId::ZoomOut);
    setEntry("", g);

    struct Want { std::uint64_t key, mod; bool own; RowColor color; std::string appid; };
    const std::vector<Want> want{{3, 0, true, RowColor::Overridden, kApp},   {3, 2, false, RowColor::Dim, ""},
                                 {3, 0x10, true, RowColor::Overridden, kApp}, {kReturn, kCmd, true, RowColor::Overridden, kApp},
                                 {kEsc, 0, true, RowColor::Primary, kApp},     {kF13, 0, true, RowColor::Overridden, kApp}};
    const auto rows = listKeyRows(kApp);
    ASSERT_EQ(rows.size(), want.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].slot.key, want[i].key);
        EXPECT_EQ(rows[i].slot.mod, want[i].mod);
        EXPECT_EQ(rows[i].own, want[i].own);
        EXPECT_EQ(rows[i].delEn, want[i].own);
        EXPECT_EQ(rows[i].color, want[i].color);
        EXPECT_EQ(rows[i].slot.appid, want[i].appid);
    }
    // An application without bindings shows the global rows, all inherited.
    setEntry(kApp, AnApp{});
    for (const KeyRow& r : listKeyRows(kApp)) EXPECT_EQ(r.color, RowColor::Dim);
    for (const KeyRow& r : listKeyRows("")) EXPECT_EQ(r.color, RowColor::Primary);
    EXPECT_TRUE(listKeyRows("com.gone").empty());
}

// Each global edit reaches the follower (equal binding, unlocked) and never
// the locked application or one with a binding of its own.
TEST_F(KeyboardRulesTest, GlobalEditsCarryOverToUnlockedEqualBindingsOnly) {
    UIApp::shared().id.set("");
    const auto untouched = [&] {
        EXPECT_EQ(at(kLocked, kEsc, 0), BindAction::forAction(ActionId::Sleep));
        EXPECT_EQ(at(kApp, kReturn, kCmd), BindAction::forAction(ActionId::Logout));
    };
    // Add: a placeholder everywhere unlocked; a second add resets it.
    addKeyBinding();
    EXPECT_TRUE(at(kFollower, kPlaceholderKey, 0));
    EXPECT_TRUE(at(kApp, kPlaceholderKey, 0));
    EXPECT_FALSE(entry(kLocked).key.count(kPlaceholderKey));
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (recorders::KeyHilited{kPlaceholderKey, 0, true}));

    // Re-key the placeholder to F13: the follower's moves; the app already binds F13 and loses its placeholder.
    chooseMenuKey(globalRow(kPlaceholderKey, 0), menuIndex("F13"));
    EXPECT_EQ(at("", kF13, 0), BindAction::makeDefault());
    EXPECT_EQ(at(kFollower, kF13, 0), BindAction::makeDefault());
    EXPECT_FALSE(entry(kFollower).key.count(kPlaceholderKey));
    EXPECT_EQ(at(kApp, kF13, 0), BindAction::forAction(ActionId::ZoomIn));
    EXPECT_FALSE(entry(kApp).key.count(kPlaceholderKey));
    EXPECT_EQ(KeyHighlighted::shared().h.get(), (recorders::KeyHilited{kF13, 0, false}));

    // Action change and Url edit on the global row.
    chooseMenuAction(KeySlotRef::general("", kF13, 0), ActionId::Url);
    EXPECT_EQ(at(kFollower, kF13, 0)->actionSel, ActionId::Url);
    const std::optional<BindAction> before = at("", kF13, 0);
    writeUrlField(KeySlotRef::general("", kF13, 0), UrlField::Target, "https://example.com");
    scheduleUrlCarryOver(KeySlotRef::general("", kF13, 0), before);
    turn();
    EXPECT_EQ(at(kFollower, kF13, 0)->appName, "") << "two turns, not one";
    turn();
    EXPECT_EQ(at(kFollower, kF13, 0)->appName, "https://example.com");

    // Re-key Return+Cmd (with modifiers) to Esc: taken, so nothing moves.
    chooseMenuKey(globalRow(kReturn, kCmd), menuIndex("Esc"));
    EXPECT_TRUE(at("", kReturn, kCmd));
    // Delete: the follower's equal slot goes, the app's own and the locked one's stay.
    deleteKeyBinding(globalRow(kReturn, kCmd));
    EXPECT_FALSE(at("", kReturn, kCmd));
    EXPECT_FALSE(entry(kFollower).key.count(kReturn));
    EXPECT_TRUE(at(kLocked, kReturn, kCmd));
    untouched();
}

TEST_F(KeyboardRulesTest, DeferredWritesNeverRecreateADeletedEntryOrSlot) {
    // Load global, then the application is removed before the copy runs.
    UIApp::shared().id.set(kApp);
    loadGlobalKeyBindings();
    UIApp::shared().id.set(kFollower);  // the copy still goes to the app of the click
    Apps::shared().a.modify([](AppEntries& a) { a.erase(kApp); });
    turn();
    turn();
    EXPECT_FALSE(Apps::shared().a.get().count(kApp));

    // A commit and a carry-over land on the row's own application, never create a slot.
    const KeySlotRef row = KeySlotRef::general(kFollower, kEsc, 0);
    chooseMenuAction(row, ActionId::Url);
    commitUrlField(row, UrlField::Name, "  name \n");
    UIApp::shared().id.set(kLocked);
    turn();
    EXPECT_EQ(at(kFollower, kEsc, 0)->hotkeyName, "name");
    EXPECT_EQ(at(kLocked, kEsc, 0)->hotkeyName, "");
    commitUrlField(row, UrlField::Name, "again");
    AnApp f = entry(kFollower);
    f.key.clear();
    setEntry(kFollower, f);
    const std::optional<BindAction> remembered = BindAction::forAction(ActionId::Sleep);
    carryOverUrlEdit(kEsc, 0, remembered);
    turn();
    EXPECT_TRUE(entry(kFollower).key.empty());

    // Load global into an existing app replaces its table.
    UIApp::shared().id.set(kLocked);
    loadGlobalKeyBindings();
    turn();
    turn();
    EXPECT_EQ(entry(kLocked).key, entry("").key);
}

// Each choice's stored fields and the entries it marks; a Logitech row's
// choice lands at mask 0 of its record and never in an application.
TEST_F(KeyboardRulesTest, ActionChoicesStoreTheirFieldsAndMarkTheirEntries) {
    record(0, bolt.device, kSlotIndex, "MX Keys");
    giveControls(0, {1}, {1});
    const int o = LogiKeybsUI::shared().k.get()[0].optIndex;
    const AppEntries apps = Apps::shared().a.get();
    const std::size_t f13 = 37;
    struct Case { std::function<void(const KeySlotRef&)> choose; bool hotkey; std::int64_t act; std::uint64_t mod; std::uint16_t key; std::string appName; std::int64_t marked; };
    const std::vector<Case> cases{
        {[&](const KeySlotRef& s) { chooseExtraKey(s, f13); }, true, ActionId::DoNothing, 0x800100, 105, "", ActionId::ExtraKeys},
        {[](const KeySlotRef& s) { chooseModClick(s, "\u2318", "R Click"); }, false, ActionId::ModClicks, 0x100100, 2, "", ActionId::ModClicks},
        {[](const KeySlotRef& s) { chooseLaunchApp(s, Application{Url("file:///"), "Editor", "ed"}); }, false, ActionId::AppLaunch, 0, 0, "Editor", ActionId::AppLaunch},
        {[](const KeySlotRef& s) { chooseMenuAction(s, ActionId::Sleep); }, false, ActionId::Sleep, 0, 0, "Editor", ActionId::Sleep},
    };
    const KeySlotRef slot = KeySlotRef::control(o, 1);
    for (const Case& c : cases) {
        c.choose(slot);
        const std::optional<BindAction> b = readSlot(slot);
        ASSERT_TRUE(b);
        SCOPED_TRACE(b->actionSel);
        EXPECT_EQ(std::tie(b->isHotkey, b->actionSel, b->hotkeyMod, b->hotkeyKey, b->appName),
                  std::tie(c.hotkey, c.act, c.mod, c.key, c.appName));
        std::vector<std::int64_t> marked;
        for (const ActionEntry& e : actionEntries(true, b))
            if (e.accent) marked.push_back(e.act);
        EXPECT_EQ(marked, std::vector<std::int64_t>{c.marked});
    }
    chooseExtraKey(slot, f13);
    EXPECT_TRUE(extraKeyEntries(readSlot(slot)).at(f13).accent);
    EXPECT_EQ(opt(0).key.at(1).size(), 1u);
    EXPECT_EQ(Apps::shared().a.get(), apps);
    // The general catalogue: no "Mod Clicks"; the Extra Keys submenu has no hint.
    for (const ActionEntry& e : actionEntries(false, std::nullopt)) {
        EXPECT_NE(e.act, ActionId::ModClicks);
        EXPECT_TRUE(e.kind != ActionEntry::Kind::ExtraKeys || e.hint.empty());
    }
}

TEST_F(KeyboardRulesTest, KeyMenuDisablesTakenKeysAndMarksTheHighlightedOne) {
    KeyHighlighted::shared().h.set({kEsc, 0, false});
    const KeyRow row = globalRow(kEsc, 0);
    const auto entries = keyMenuEntries(row);
    ASSERT_EQ(entries.size(), 41u);
    EXPECT_FALSE(entries[menuIndex("Esc")].enabled);
    EXPECT_TRUE(entries[menuIndex("Esc")].accent);
    EXPECT_TRUE(entries[menuIndex("F13")].enabled);
    EXPECT_TRUE(entries[9].separator);
    EXPECT_EQ(keyCellLabel(globalRow(kReturn, kCmd)).text, "Super+Enter");
}

TEST_F(KeyboardRulesTest, LogitechBlocksListControlsAndAddTheSmallestUnbound) {
    record(3, btDev, 0xFF, "Empty");
    record(0, bolt.device, kSlotIndex, "MX Keys");
    record(2, btDev, 0xFF, "K380");
    giveControls(0, {20, 10, 11}, {10});
    giveControls(2, {1}, {});
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) {
        l[0].battery = 0;
        l[2].battery = 1;
        l[1].optIndex = 99;  // outside the records: no block, nothing read
        l[1].valid = true;
    });
    auto blocks = listLogiBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].slot, 0);
    EXPECT_EQ(blocks[1].slot, 2);
    EXPECT_FALSE(blocks[0].showBattery);
    EXPECT_TRUE(blocks[1].showBattery);
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[0].battery = -1; });
    EXPECT_FALSE(listLogiBlocks()[0].showBattery) << "no level read yet";
    EXPECT_EQ(logiRecord(99), nullptr);
    addQuirkKeyBinding(99);
    EXPECT_TRUE(controlMenuItems(99).empty());

    const int o = blocks[0].optIdx;
    addQuirkKeyBinding(o);
    EXPECT_EQ(listLogiBlocks()[0].controls, (std::vector<std::uint16_t>{10, 11}));
    EXPECT_EQ(recorders::LogiKeybHighlighted::shared().h.get(), (recorders::CidHilited{o, 11}));
    addQuirkKeyBinding(o);
    EXPECT_FALSE(listLogiBlocks()[0].addEnabled);
    EXPECT_TRUE(controlMenuItems(o).empty());

    // Moving a control onto itself keeps it; onto another moves every mask.
    const auto keys = opt(0).key;
    chooseMenuControl(o, 20, 20);
    EXPECT_EQ(opt(0).key, keys);
    editOpt(0, [](LogiKeyOpt& o) { o.key.erase(11); o.key[20][4] = BindAction::forAction(ActionId::Sleep); });
    chooseMenuControl(o, 20, 11);
    EXPECT_FALSE(opt(0).key.count(20));
    EXPECT_EQ(opt(0).key.at(11).size(), 2u);
    EXPECT_EQ(controlDisplayText(1), "Volume_Up");
    EXPECT_EQ(controlDisplayText(354) + controlDisplayText(272), "Key 354Left Alt");
}

TEST_F(KeyboardRulesTest, BacklightWordsAndEffectNames) {
    EXPECT_TRUE(effectMenuShown(0x7F0001));
    EXPECT_FALSE(effectMenuShown(0x7E0001));
    EXPECT_FALSE(effectMenuShown(0x7F0000));
    EXPECT_EQ(backlightSwitchWord(0x017F1200, true), 0x7F1201u);
    const std::uint64_t opts = 2ull << 24 | 4u << 16 | 3u << 8 | 5;
    EXPECT_EQ(backlightEffectLabel(opts), "Breathing");
    EXPECT_EQ(backlightStatusText(opts), "Manual brightness");
    EXPECT_EQ(backlightStatusText(7u << 16), "");
    EXPECT_EQ(backlightEffectLabel(1ull << 24), "Unknown");
    EXPECT_EQ(backlightEffectNames(),
              (std::vector<std::string>{"Static", "Breathing", "Contrast", "Reaction", "Random", "Waves"}));
    const LevelSlider five = levelSlider(opts);
    EXPECT_EQ(std::tie(five.low, five.high, five.value), std::make_tuple(0, 4, 3));
    EXPECT_EQ(levelSlider(1).high, 0);
    EXPECT_FALSE(levelRowShown(1, 0));
    EXPECT_TRUE(levelRowShown(1, 1));
}

TEST_F(KeyboardRulesTest, SubstitutionPairsRewriteTheMappingAndMenusOfferFreeKeys) {
    KeyboardService magic;
    const auto svc = sim->hidServices.addService(magic.properties());
    engine::startHidServiceWatch();
    sim->hidServices.writes.clear();
    ASSERT_EQ(substitutionBlocks().size(), 1u);
    const std::size_t e = substitutionBlocks()[0].entry;
    const auto mappings = [&] {
        std::size_t n = 0;
        while (!sim->hidServices.writes.empty()) n += sim->hidServices.takeWrite().service == svc;
        return n;
    };
    const auto ks = [&] { return KeySubOpt::shared().keySub.get()[e]; };

    addSubstitutionPair(e);
    addSubstitutionPair(e);
    EXPECT_EQ(mappings(), 2u);
    const std::uint64_t first = ks().subItemsSrc[0], second = ks().subItemsSrc[1];
    EXPECT_NE(first, second);
    EXPECT_FALSE(directionEnabled(ks(), 0)) << "a key onto itself";
    // Source menu: the other pair's source is taken, its own is marked.
    const auto src = pairMenuEntries(ks(), 0, true);
    EXPECT_FALSE(src[*findHidKeyRow(second)].enabled);
    EXPECT_TRUE(src[*findHidKeyRow(first)].enabled && src[*findHidKeyRow(first)].accent);
    EXPECT_EQ(src[4].label, "Left Ctrl");

    selectDestinationKey({e, 0}, *findHidKeyRow(second));
    EXPECT_TRUE(pairMenuEntries(ks(), 0, false)[*findHidKeyRow(second)].enabled) << "one-way: every row";
    EXPECT_FALSE(directionEnabled(ks(), 0)) << "its destination is another pair's source";
    selectSourceKey({e, 1}, 60);
    toggleTwoWay({e, 0});
    EXPECT_TRUE(ks().subBidir[0]);
    EXPECT_FALSE(pairMenuEntries(ks(), 1, true)[*findHidKeyRow(second)].enabled) << "a two-way destination is taken";
    EXPECT_EQ(mappings(), 3u);
    selectSourceKey({e, 1}, 60);  // the same key: nothing written
    EXPECT_EQ(mappings(), 0u);

    // Colours: while the source is held on this keyboard the destination dims.
    engine::ModKeyPressed::shared().v.set({{first, ks().name}});
    EXPECT_EQ(pairLabelTone(ks(), 0, false), PairTone::Dim);
    engine::ModKeyPressed::shared().v.set({{first, DeviceName{"Other", "X"}}});
    EXPECT_EQ(pairLabelTone(ks(), 0, false), PairTone::Primary);

    highlightPairField({e, 0}, true);
    deletePair({e, 0});
    EXPECT_FALSE(recorders::PhyKeyHighlighted::shared().usage.get());
    EXPECT_EQ(ks().subItemsSrc.size(), 1u);
    EXPECT_EQ(ks().subBidir.size(), 1u);
    deletePair({e, 5});  // stale row
    EXPECT_EQ(mappings(), 1u);

    setModKeySubstitutionEnabled(false);
    auto off = sim->hidServices.takeWrite();
    EXPECT_EQ(off.value, platform::HidProperty(platform::HidPropertyArray{}));
    setModKeySubstitutionEnabled(true);
    EXPECT_EQ(sim->hidServices.takeWrite().value, platform::HidProperty(engine::userKeyMappingEntries(ks())));
    EXPECT_EQ(hidKeyLabel(0x7000000FF), "0xFF");
}

} // namespace
} // namespace corv::test
