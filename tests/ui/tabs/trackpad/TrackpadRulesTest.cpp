#include "recorders/RecorderFixture.h"

#include "model/ActionTable.h"
#include "model/UIState.h"
#include "ui/tabs/trackpad/ActionMenuModel.h"
#include "ui/ActionSubmenus.h"
#include "ui/tabs/trackpad/GestureRows.h"
#include "model/AppDisplayName.h"
#include "ui/tabs/trackpad/ProfileTools.h"
#include "ui/tabs/trackpad/RowEdits.h"
#include "ui/tabs/trackpad/UrlEditorRules.h"

#include <cmath>

namespace corv::test {
namespace {

using namespace ui;
using namespace ui::trackpad;
using namespace recorders;

TEST(TrackpadRules, TitlesTagsAndBudget) {
    const struct {
        GesPath p;
        const char* title;
    } titles[] = {
        {{2, ActGes::Swipe, 0x10, ActDir::Up}, "Super+2F Swipe \u2191"},
        {{1, ActGes::Click, 0x82, ActDir::None}, "Fn+Shift+1F Click"},
        {{3, ActGes::Tap, 0, ActDir::None}, "3F Tap"},
        {{4, ActGes::None, 0, ActDir::None}, "4F"},
        {{2, ActGes::Swipe, 0, ActDir::Pinch}, "2F Swipe"},
        {{2, ActGes::Rotate, 0, ActDir::None}, "2F Rotate \U00100149"},
        {{2, ActGes::Zoom, 0, ActDir::Pinch}, "2F Zoom \U00102127"},
    };
    for (const auto& t : titles) EXPECT_EQ(gestureTitle(t.p), t.title);
    EXPECT_EQ(rowFieldTag({2, ActGes::Swipe, 0, ActDir::Up}), "2_Swipe_0_Up");

    EXPECT_EQ(heightBudget(300), 0);  // never negative
    EXPECT_TRUE(std::isinf(heightBudget(INFINITY)));
    EXPECT_EQ(paneMaxHeight(1000, 0), 678);
    EXPECT_EQ(paneMaxHeight(1000, 500), 339);
    EXPECT_EQ(listMaxHeight(1000, 100, 50, 0), 578);
    EXPECT_EQ(listMaxHeight(300, 100, 0, 0), 0);
    EXPECT_EQ(togglePane(1, 1), 0);
    EXPECT_EQ(togglePane(1, 3), 3);
}

class TrackpadRulesTest : public RecorderTest {
protected:
    static BindAction& slot(AnApp& a, const GesPath& p) { return a.ges[p.fgr][p.ges][p.mod][p.dir]; }
    static std::optional<BindAction> at(const std::string& app, const GesPath& p) {
        auto it = Apps::shared().a.get().find(app);
        return it == Apps::shared().a.get().end() ? std::nullopt : recorders::gesBindingAt(it->second, p);
    }
    static void erase(const std::string& app) { Apps::shared().a.modify([&](AppEntries& all) { all.erase(app); }); }
    const GesPath p{3, ActGes::Tap, 0, ActDir::None};
};

TEST_F(TrackpadRulesTest, ListShadowsAndDividers) {
    AnApp global;
    slot(global, {1, ActGes::Click, 0, ActDir::None}) = action(ActionId::LookUp);
    slot(global, {3, ActGes::Swipe, 0, ActDir::Up}) = action(ActionId::SwipeBack);
    slot(global, {3, ActGes::Swipe, 0, ActDir::Down}) = action(ActionId::SwipeBack);
    setEntry("", global);
    UIState::shared().ThreefingerDrag.set(true);
    const auto groups = currentGestureList();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_FALSE(groups[0].divider);
    EXPECT_TRUE(groups[1].divider);
    EXPECT_EQ(groups[0].rows[0].normColor, RowColor::Dim);  // tap to click off
    ASSERT_EQ(groups[1].rows.size(), 2u);
    EXPECT_EQ(groups[1].rows[0].path.dir, ActDir::Up);
    EXPECT_EQ(groups[1].rows[1].normColor, RowColor::Dim);
}

TEST_F(TrackpadRulesTest, MenusHaveTheirEntriesAndMarkTheChoice) {
    BindAction b = action(ActionId::ModClicks);
    b.hotkeyMod = 0x120100;
    b.hotkeyKey = 2;
    const auto click = actionMenuEntries(ActGes::Tap, b);
    const auto swipe = actionMenuEntries(ActGes::Swipe, b);
    EXPECT_EQ(click.size(), 36u);
    EXPECT_EQ(click.back().kind, MenuEntry::Kind::ModClicks);
    EXPECT_TRUE(click.back().accent);
    EXPECT_EQ(swipe.size(), 33u);
    const auto mods = modifierSubmenus(b);
    EXPECT_EQ(mods[3].label + " " + mods[3].shown, "\u2303\u21e7 Ctrl+Shift");
    for (const auto& m : mods) EXPECT_EQ(m.accent, m.label == "\u21e7\u2318") << m.label;
    const auto clicks = clickEntries(b, "\u21e7\u2318");
    EXPECT_TRUE(clicks[2].accent);
    EXPECT_FALSE(clicks[1].accent);
    EXPECT_FALSE(clickEntries(b, "\u2318")[2].accent);
}

TEST_F(TrackpadRulesTest, UrlEditCarriesOverKeepingEnabledAndDeferredWritesNeverRecreate) {
    BindAction url = action(ActionId::Url);
    url.hotkeyName = "old";
    AnApp a;
    slot(a, p) = url;
    setEntry("", a);
    setEntry("com.follower", a);
    BindAction off = url;
    off.enabled = false;
    off.clickTh = true;  // flags do not count for "Url"
    AnApp b;
    slot(b, p) = off;
    setEntry("com.off", b);
    AnApp locked = a;
    locked.gesLock = true;
    setEntry("com.locked", locked);

    RowRef row{"", p, true, true, true, {}};
    const auto remembered = rememberUrlBinding(row);
    writeUrlField(row, UrlField::Name, "new");
    scheduleUrlCarryOver(row, remembered);
    turn();
    EXPECT_EQ(at("com.follower", p)->hotkeyName, "old");  // two turns later
    settle();
    EXPECT_EQ(at("com.follower", p)->hotkeyName, "new");
    EXPECT_EQ(at("com.off", p)->hotkeyName, "new");
    EXPECT_FALSE(at("com.off", p)->enabled);
    EXPECT_EQ(at("com.locked", p)->hotkeyName, "old");

    // The entry or the slot goes before the deferred writes run.
    RowRef gone{"com.follower", p, true, true, true, {}};
    commitUrlField(gone, UrlField::Name, " late ");
    erase("com.follower");
    UIApp::shared().id.set("com.off");
    loadGlobalBindings();
    erase("com.off");
    settle();
    EXPECT_EQ(Apps::shared().a.get().count("com.follower"), 0u);
    EXPECT_EQ(Apps::shared().a.get().count("com.off"), 0u);
    writeBinding(gone, url);
    chooseMenuAction(gone, ActionId::SwipeBack);
    EXPECT_EQ(Apps::shared().a.get().count("com.follower"), 0u);

    // A commit after the action changed away from "Url" keeps the texts.
    commitUrlField(row, UrlField::Name, "ignored");
    chooseMenuAction(row, ActionId::SwipeBack);
    settle();
    EXPECT_EQ(at("", p)->hotkeyName, "new");
}

TEST_F(TrackpadRulesTest, CheckBoxesInvertFollowersAndChoosingUrlClearsTexts) {
    BindAction combo1 = combo(0x100100, 0);
    AnApp a;
    slot(a, p) = combo1;
    setEntry("", a);
    setEntry("com.follower", a);
    RowRef row{"", p, true, false, true, {}};
    toggleClickThrough(row);
    EXPECT_TRUE(at("", p)->clickTh);
    EXPECT_TRUE(at("com.follower", p)->clickTh);
    EXPECT_TRUE(clickThroughOffered(*at("", p)));
    EXPECT_FALSE(multiShotOffered(ActGes::Tap, *at("", p)));
    chooseMenuAction(row, ActionId::Url);
    const BindAction now = *at("", p);
    EXPECT_EQ(now.actionSel, ActionId::Url);
    EXPECT_FALSE(now.isHotkey);
    EXPECT_EQ(now.hotkeyMod, 0u);
    EXPECT_EQ(*at("com.follower", p), now);
    // An inherited row's edits change nothing.
    RowRef inherited{"", p, false, false, false, now};
    deleteBinding(inherited);
    toggleMultiShot(inherited);
    EXPECT_EQ(*at("", p), now);
}

TEST_F(TrackpadRulesTest, ProfileToolsActOnTheSelectedApplicationOnly) {
    AnApp global;
    slot(global, p) = action(ActionId::SwipeBack);
    global.lct = true;
    setEntry("", global);
    AnApp app;
    app.url = Url("file:///opt/My%20Tools/Editor.app/");
    slot(app, {1, ActGes::Click, 0, ActDir::None}) = action(ActionId::LookUp);
    app.key[1][0] = action(ActionId::Sleep);
    setEntry("com.app", app);
    setEntry("com.bare", AnApp{});
    EXPECT_EQ(displayedAppName("com.app"), "Editor");
    EXPECT_EQ(displayedAppName("com.bare"), "com.bare");

    select("com.app");
    GesHi::shared().h.set({1, ActGes::Click, 0, ActDir::None});
    loadGlobalBindings();
    EXPECT_EQ(GesHi::shared().h.get().fgr, 0u);
    turn();
    EXPECT_FALSE(entry("com.app").lct);  // two turns later
    settle();
    EXPECT_EQ(entry("com.app").ges, global.ges);
    EXPECT_TRUE(entry("com.app").lct);
    EXPECT_EQ(entry("com.app").key, app.key);

    // A switch in an application carries nothing over.
    setClickFlag(ClickFlag::Right, true);
    carryOverClickThrough(ClickFlag::Right, true, true);
    EXPECT_FALSE(entry("com.bare").rct);
    toggleGestureLock();
    EXPECT_TRUE(entry("com.app").gesLock);
    removeAllGestureBindings();
    EXPECT_TRUE(entry("com.app").ges.empty());
    EXPECT_FALSE(entry("com.app").lct || entry("com.app").rct || entry("com.app").sct);
    EXPECT_TRUE(entry("com.app").gesLock);
    EXPECT_EQ(entry("com.app").key, app.key);
    EXPECT_EQ(entry("").ges, global.ges);
}

} // namespace
} // namespace corv::test
