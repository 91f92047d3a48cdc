#include "EngineFixture.h"

#include "engine/CurrentApp.h"
#include "engine/GestureItems.h"
#include "engine/HIDPostManager.h"
#include "engine/KeyCombo.h"
#include "engine/ModClick.h"
#include "engine/SystemKeys.h"
#include "model/ActionTable.h"
#include "model/GesItem.h"

namespace corv::engine {
namespace {

constexpr std::uint64_t kCommand = 0x100000;
constexpr std::uint64_t kControl = 0x40000;

class KeyPostingTest : public test::EngineTest {
protected:
    void SetUp() override { enableEngineTaps(); }

    void expectKey(std::uint32_t type, std::int64_t keyCode, std::uint64_t flags) {
        auto r = nextAtKeyTap();
        EXPECT_EQ(r.type, type);
        EXPECT_EQ(r.event.integerField(9), keyCode);
        EXPECT_EQ(r.event.flags(), flags);
    }
};

TEST_F(KeyPostingTest, KeyComboReachesTheKeyTapAcrossTurns) {
    postKeyCombo(kCommand, 0, 0, false);
    EXPECT_TRUE(keyTapSawNothingMore());
    turn();
    expectKey(10, 0, kCommand);
    EXPECT_TRUE(keyTapSawNothingMore());
    turn();
    expectKey(11, 0, kCommand);
    EXPECT_TRUE(keyTapSawNothingMore());
    turn();
    expectKey(12, 55, 0x100);
    EXPECT_TRUE(keyTapSawNothingMore());
    settle();
    EXPECT_TRUE(keyTapSawNothingMore());
    EXPECT_EQ(sim->events.delivered.size(), 3u);
}

TEST_F(KeyPostingTest, KeyComboWithoutModifierHasNoRelease) {
    // Click-through brings the current application forward first.
    sim->workspace.addApp(42, "com.example.editor", "Editor");
    CurrentApp::shared().pid = 42;
    currentRunningApp() = sim->workspace.apps[0];
    postKeyCombo(0x100, 0, 36, true);
    sim->runLoop.runPending();
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{42});
    expectKey(10, 36, 0x100);
    expectKey(11, 36, 0x100);
    EXPECT_TRUE(keyTapSawNothingMore());
}

TEST_F(KeyPostingTest, ComboPressAnnouncesModifiersFirst) {
    postKeyComboDown(kCommand, 0x20000, 3, false);
    turn();
    expectKey(12, 56, kCommand | 0x20000);
    EXPECT_TRUE(keyTapSawNothingMore());
    settle();
    expectKey(10, 3, kCommand | 0x20000);
    EXPECT_TRUE(keyTapSawNothingMore());
}

TEST_F(KeyPostingTest, ModifierKeyPriority) {
    EXPECT_EQ(modifierKeyCode(kCommand | 0x20000), 56);
    EXPECT_EQ(modifierKeyCode(0x80000 | 0x800000), 58);
    EXPECT_EQ(modifierKeyCode(kControl | 0x80000), 59);
    EXPECT_EQ(modifierKeyCode(0x800000 | 0x10000), 63);
    EXPECT_EQ(modifierKeyCode(0x10000), 57);
    EXPECT_EQ(modifierKeyCode(0x100), 55);
}

TEST_F(KeyPostingTest, ModifierMarkerComesBackToTheKeyTap) {
    postModClick(kCommand, 0x20000, 0, 1, false);
    turn();
    expectKey(12, 0xBEEF, kCommand);
    auto post = sim->hid.takePost();
    EXPECT_EQ(post.eventType, 12u);
    EXPECT_EQ(post.keyCode(), 0xBEEF);
    EXPECT_EQ(post.dataVersion, 2u);
    EXPECT_EQ(post.options, 1u);
    EXPECT_EQ(post.location.x, 0);

    postModClick(kCommand, 0, 0, 2, false);
    turn();
    expectKey(12, 0xBEEF, 0);

    // A click of nothing, or a press of no modifier, posts nothing.
    postModClick(kCommand, 0, 0, 0, false);
    postModClick(0, kCommand, 0, 1, false);
    sim->runLoop.runPending();
    EXPECT_TRUE(keyTapSawNothingMore());
    EXPECT_EQ(sim->hid.posts.size(), 1u);
}

TEST_F(KeyPostingTest, MarkerNeedsAnOpenHandle) {
    sim->hid.failOpen = true;
    postModClick(kCommand, 0, 0, 1, false);
    EXPECT_EQ(HIDPostManager::shared().systemHandle, 0u);
    EXPECT_TRUE(sim->hid.posts.empty());
    EXPECT_TRUE(keyTapSawNothingMore());
}

TEST_F(KeyPostingTest, ModClickPressAndReleaseOfTheRightButton) {
    sim->windowServer.cursor = {120, 80};
    postModClick(kControl, 0, 2, 1, false);
    EXPECT_EQ(HeldClick::shared().heldMouseDragType, 7u);
    EXPECT_EQ(HeldClick::shared().heldMouseButton, 1u);
    EXPECT_EQ(HeldClick::shared().heldMouseFlags, kControl);
    sim->runLoop.runPending();

    postModClick(kControl, 0, 2, 2, false);
    EXPECT_EQ(HeldClick::shared().heldMouseDragType, 0u);
    EXPECT_EQ(HeldClick::shared().heldMouseFlags, 0u);
    sim->runLoop.runPending();

    auto& d = sim->events.delivered;
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].type(), 12u);
    EXPECT_EQ(d[0].integerField(9), 59);
    EXPECT_EQ(d[0].flags(), kControl);
    EXPECT_EQ(d[1].type(), 3u);
    EXPECT_EQ(d[1].integerField(3), 1);
    EXPECT_EQ(d[1].flags(), kControl);
    EXPECT_EQ(d[1].location(), (platform::Point{120, 80}));
    EXPECT_EQ(d[2].type(), 4u);
    EXPECT_EQ(d[2].flags(), kControl);
    EXPECT_EQ(d[3].type(), 12u);
    EXPECT_EQ(d[3].integerField(9), 59);
    EXPECT_EQ(d[3].flags(), 0x100u);
}

TEST_F(KeyPostingTest, ModClickOfAButtonAnnouncesItsModifiersClicksOnTheNextTurnThenReleases) {
    sim->windowServer.cursor = {40, 30};
    postModClick(kControl, 0x20000, 3, 0, false);
    ASSERT_EQ(sim->events.posted.size(), 1u);
    turn();
    ASSERT_EQ(sim->events.posted.size(), 3u);
    turn();
    ASSERT_EQ(sim->events.posted.size(), 4u);
    settle();

    const auto expectClick = [this] {
        const std::uint64_t flags = kControl | 0x20000;
        auto& d = sim->events.delivered;
        ASSERT_EQ(d.size(), 4u);
        EXPECT_EQ(d[0].type(), 12u);
        EXPECT_EQ(d[0].integerField(9), 59);
        EXPECT_EQ(d[0].flags(), flags);
        for (int i : {1, 2}) {
            EXPECT_EQ(d[i].type(), i == 1 ? 25u : 26u);  // the other button's down and up
            EXPECT_EQ(d[i].integerField(3), 2);
            EXPECT_EQ(d[i].flags(), flags);
            EXPECT_EQ(d[i].location(), (platform::Point{40, 30}));
        }
        EXPECT_EQ(d[3].type(), 12u);
        EXPECT_EQ(d[3].integerField(9), 59);
        EXPECT_EQ(d[3].flags(), 0x100u);
    };
    expectClick();

    // A gesture bound to the action makes the same whole click.
    sim->events.clearLogs();
    GesItem item;
    BindAction b = BindAction::forAction(ActionId::ModClicks);
    b.hotkeyMod = kControl;
    b.hotkeyKey = 3;
    item.map.binding = b;
    item.map.keyMod = 0x20000;
    beginGesItem(item);
    stepGesItem(item, false);
    settle();
    expectClick();

    const ClickTypes fifth = clickTypes(5);
    EXPECT_EQ(fifth.down, 25u);
    EXPECT_EQ(fifth.up, 26u);
    EXPECT_EQ(fifth.dragged, 27u);
    EXPECT_EQ(fifth.button, 4u);
}

TEST_F(KeyPostingTest, TripleClickTailRepeatsTheClickLater) {
    platform::Event click = platform::Event::mouse(1, {5, 5}, 0);
    postTripleClickTail(click);
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    EXPECT_EQ(sim->events.takeDelivered().integerField(1), 2);
    EXPECT_EQ(sim->events.takeDelivered().type(), 2u);
    sim->runLoop.advance(0.049);
    EXPECT_TRUE(sim->events.delivered.empty());
    sim->runLoop.advance(kTripleClickDelay);
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    auto down = sim->events.takeDelivered();
    EXPECT_EQ(down.type(), 1u);
    EXPECT_EQ(down.integerField(1), 3);
}

TEST_F(KeyPostingTest, DisabledSymbolicHotKeyIsOnOnlyForThePost) {
    sim->windowServer.hotKeys[70] = {{0xFFFF, 2, 0x140000}, false};
    // The window server sees the hot key's state when the key-down is posted.
    bool enabledAtKeyDown = false;
    sim->events.onPost = [&](const sim::SimEventSystem::Posted& p) {
        if (p.event.type() == 10) enabledAtKeyDown = sim->windowServer.hotKeys[70].enabled;
    };

    postSymbolicHotKey(70, false);
    EXPECT_TRUE(enabledAtKeyDown);
    EXPECT_FALSE(sim->windowServer.hotKeys[70].enabled);
    sim->runLoop.runPending();
    expectKey(10, 2, 0x140000);
    expectKey(11, 2, 0x140000);
    expectKey(12, 59, 0x100);
    EXPECT_EQ(sim->windowServer.enableCalls,
              (std::vector<std::pair<std::uint32_t, bool>>{{70, true}, {70, false}}));

    // An enabled hot key is left alone; an unknown one posts nothing.
    sim->windowServer.hotKeys[70].enabled = true;
    postSymbolicHotKey(70, false);
    postSymbolicHotKey(71, false);
    EXPECT_EQ(sim->windowServer.enableCalls.size(), 2u);
    turn();
    expectKey(10, 2, 0x140000);
    EXPECT_TRUE(keyTapSawNothingMore());
}

TEST_F(KeyPostingTest, SystemKeyPostsPressThenRelease) {
    postSystemKey(0, 0xA0122);
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 2u);
    auto press = sim->events.takeDelivered();
    auto release = sim->events.takeDelivered();
    EXPECT_EQ(press.type(), 14u);
    EXPECT_EQ(press.systemData(), (platform::SystemDefinedData{8, 0xA00, -1, -1}));
    EXPECT_EQ(press.flags() & 0xA0000, 0xA0000u);
    EXPECT_EQ(release.systemData().data1, 0xB00);

    postSystemKey(16, 0x100);
    turn();
    EXPECT_EQ(sim->events.takeDelivered().systemData().data1, 0x100A00);
}

} // namespace
} // namespace corv::engine
