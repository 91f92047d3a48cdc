#include "model/ActiveGesItems.h"
#include "model/GesItem.h"
#include "model/GesState.h"
#include "model/UIApp.h"
#include "model/UIState.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace corv;

namespace {

class RunStateTest : public test::SimTest {};

} // namespace

TEST_F(RunStateTest, FreshUIStateValues) {
    auto& s = UIState::shared();
    EXPECT_EQ(s.dialogShowing(), 0);
    EXPECT_EQ(s.systemTheme(), ColorScheme::Light);
    EXPECT_TRUE(s.naturalScroll());
    for (const auto* flag : {&s.quitWithoutSave, &s.bindingTabShowed, &s.keyboardTabShowing, &s.tapToClick,
                             &s.ThreefingerDrag, &s.inHScrollBar, &s.scrolling, &s.micMuteNotif, &s.capslockNotif})
        EXPECT_FALSE(flag->get());
    EXPECT_EQ(s.offset(), 0.0);
    EXPECT_TRUE(s.interferingApp().empty());
    EXPECT_EQ(UIApp::shared().id(), "");
}

TEST_F(RunStateTest, DialogCountNeverGoesBelowZero) {
    auto& s = UIState::shared();
    s.openDialog();
    s.openDialog();
    EXPECT_EQ(s.dialogShowing(), 2);
    s.closeDialog();
    s.closeDialog();
    EXPECT_EQ(s.dialogShowing(), 0);
    s.closeDialog();
    EXPECT_EQ(s.dialogShowing(), 0);
    s.openDialog();
    EXPECT_EQ(s.dialogShowing(), 1);
}

TEST_F(RunStateTest, AssignmentAnnouncesThenNotifiesField) {
    auto& s = UIState::shared();
    std::vector<std::string> log;
    auto will = s.subscribeWillChange([&] { log.push_back("will tapToClick=" + std::to_string(s.tapToClick())); });
    auto field = s.tapToClick.subscribe([&](bool v) { log.push_back("field " + std::to_string(v)); });
    s.tapToClick.set(true);
    s.tapToClick.set(true);  // every assignment notifies, even an unchanged one
    EXPECT_EQ(log, (std::vector<std::string>{"will tapToClick=0", "field 1", "will tapToClick=1", "field 1"}));

    log.clear();
    s.interferingApp.modify([](auto& m) { m[501] = "Tap Tool"; });
    EXPECT_EQ(log, std::vector<std::string>{"will tapToClick=1"});
    EXPECT_EQ(s.interferingApp().at(501), "Tap Tool");

    // A dropped subscription hears nothing more.
    log.clear();
    will.reset();
    field.reset();
    s.tapToClick.set(false);
    EXPECT_TRUE(log.empty());

    auto& app = UIApp::shared();
    int appChanges = 0;
    auto appSub = app.subscribeWillChange([&] { ++appChanges; });
    app.id.set("com.example.editor");
    EXPECT_EQ(appChanges, 1);
}

TEST_F(RunStateTest, ResetSharedGivesFreshInstances) {
    UIState::shared().naturalScroll.set(false);
    UIState::shared().openDialog();
    UIApp::shared().id.set("com.example.editor");
    GesState::shared().fcnt = 3;
    GesState::shared().inertia = true;
    ActiveGesItems::shared().put(ActiveGesItems::kZoom, std::make_shared<GesItem>());

    resetShared();
    EXPECT_TRUE(UIState::shared().naturalScroll());
    EXPECT_EQ(UIState::shared().dialogShowing(), 0);
    EXPECT_EQ(UIApp::shared().id(), "");
    EXPECT_EQ(GesState::shared().fcnt.load(), 0u);
    EXPECT_FALSE(GesState::shared().inertia);
    EXPECT_EQ(GesState::shared().loc, (Point{0, 0}));
    EXPECT_TRUE(ActiveGesItems::shared().empty());
}

TEST_F(RunStateTest, FreshGesItem) {
    GesItem item;
    EXPECT_EQ(item.state, GesPhase::NotYet);
    EXPECT_NE(&item.map, &item.click2);
    for (const GesBinding* b : {&item.map, &item.click2}) {
        EXPECT_EQ(b->dir, ActDir::None);
        EXPECT_FALSE(b->binding);
        EXPECT_FALSE(b->bindingOppo);
        EXPECT_EQ(b->keyMod, 0u);
        EXPECT_EQ(b->keyModOppo, 0u);
    }
    EXPECT_FALSE(item.heldDown);
    EXPECT_FALSE(item.heldPhase1);
    EXPECT_EQ(item.heldProxy, nullptr);
    EXPECT_FALSE(item.started || item.ended || item.pass || item.won);
    EXPECT_EQ(item.step + item.lastStep + item.maxDepth + item.count, 0);
    EXPECT_EQ(item.gesFCnt, 0u);
}

TEST_F(RunStateTest, ActiveGesItemsTable) {
    auto& table = ActiveGesItems::shared();
    auto swipe = std::make_shared<GesItem>();
    table.put(ActiveGesItems::kTwoFingerSwipe, swipe);
    EXPECT_EQ(table.find(ActiveGesItems::kTwoFingerSwipe), swipe);
    EXPECT_EQ(table.find(ActiveGesItems::kDockSwipe), nullptr);

    auto replacement = std::make_shared<GesItem>();
    table.put(ActiveGesItems::kTwoFingerSwipe, replacement);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.remove(ActiveGesItems::kTwoFingerSwipe), replacement);
    EXPECT_EQ(table.remove(ActiveGesItems::kTwoFingerSwipe), nullptr);
    EXPECT_TRUE(table.empty());
}
