#include "ShellFixture.h"

#include "app/DockObserver.h"
#include "app/InputSourceList.h"
#include "engine/CurrentApp.h"
#include "model/Apps.h"
#include "model/ShellState.h"

namespace corv::app {
namespace {

using platform::NoteUserInfo;
using platform::RunningApplication;
using platform::WorkspaceNote;

class WorkspaceTest : public test::ShellTest {
protected:
    std::map<std::int32_t, RunningApplication>& byPid() { return ShellState::shared().runningAppsByPid; }
    engine::CurrentApp& current() { return engine::CurrentApp::shared(); }
    void setEntry(const std::string& id, bool enabled) {
        Apps::shared().a.modify([&](AppEntries& entries) { entries[id].enabled = enabled; });
    }
};

TEST_F(WorkspaceTest, LaunchAndTerminationKeepTheProcessMap) {
    sim->workspace.addApp(10, "com.example.one", "One");
    launch();
    ASSERT_EQ(byPid().count(10), 1u);

    const RunningApplication two{20, "com.example.two", "/Apps/Two.app", "Two", {}, {}};
    sim->workspaceNotes.postApp(WorkspaceNote::DidLaunchApplication, two);
    EXPECT_EQ(byPid().at(20), two);
    // A launch without the application removes its process id.
    sim->workspaceNotes.post(WorkspaceNote::DidLaunchApplication, NoteUserInfo{20, std::nullopt});
    EXPECT_EQ(byPid().count(20), 0u);
    // Without user information, or with a process id out of range, nothing changes.
    sim->workspaceNotes.post(WorkspaceNote::DidLaunchApplication);
    sim->workspaceNotes.post(WorkspaceNote::DidTerminateApplication, NoteUserInfo{std::int64_t{1} << 40, two});
    sim->workspaceNotes.post(WorkspaceNote::DidTerminateApplication, NoteUserInfo{99, std::nullopt});
    EXPECT_EQ(byPid().size(), 1u);
    sim->workspaceNotes.post(WorkspaceNote::DidTerminateApplication, NoteUserInfo{10, std::nullopt});
    EXPECT_TRUE(byPid().empty());
}

TEST_F(WorkspaceTest, TheEndOfTheApplicationInFrontLeavesTheGlobalBindings) {
    launch();
    setEntry("com.example.mail", true);
    const RunningApplication mail{1, "com.example.mail", "/Apps/Mail.app", "Mail", {}, {}};
    const RunningApplication two{2, "com.example.two", "/Apps/Two.app", "Two", {}, {}};
    sim->workspaceNotes.postApp(WorkspaceNote::DidLaunchApplication, two);
    sim->workspaceNotes.postApp(WorkspaceNote::DidActivateApplication, mail);
    current().windowId = 7;
    // Another application's end leaves it in front; its own end, as when the
    // desktop stops telling its windows, leaves none.
    for (const auto& [pid, inFront] : {std::pair{2, 1}, std::pair{1, -1}}) {
        sim->workspaceNotes.post(WorkspaceNote::DidTerminateApplication, NoteUserInfo{pid, std::nullopt});
        EXPECT_EQ(current().pid, inFront);
        EXPECT_EQ(current().settingsKey, inFront > 0 ? "com.example.mail" : "");
        EXPECT_EQ(current().bundleId, inFront > 0 ? "com.example.mail" : "");
        EXPECT_EQ(current().windowId, inFront > 0 ? 7u : 0u);
    }
}

TEST_F(WorkspaceTest, ActivationMakesTheAppCurrentWithItsSettingsKey) {
    launch();
    setEntry("com.example.mail", true);
    setEntry("com.example.off", false);
    struct Case {
        RunningApplication app;
        std::string id, key;
    };
    const Case cases[] = {
        {{1, "com.example.mail", "/Apps/Mail.app", "Mail", {}, {}}, "com.example.mail", "com.example.mail"},
        {{2, "com.example.off", "/Apps/Off.app", "Off", {}, {}}, "com.example.off", ""},
        {{3, "", "/Apps/Nameless.app", "Nameless", {}, {}}, "/Apps/Nameless.app", ""},
        {{4, std::nullopt, std::nullopt, "Tool", {}, {}}, "Tool", ""},
        {{5, std::nullopt, std::nullopt, std::nullopt, {}, {}}, "", ""},
    };
    current().windowId = 7;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.app.pid);
        sim->workspaceNotes.postApp(WorkspaceNote::DidActivateApplication, c.app);
        EXPECT_EQ(current().bundleId, c.id);
        EXPECT_EQ(current().pid, c.app.pid);
        EXPECT_EQ(current().settingsKey, c.key);
        EXPECT_EQ(byPid().at(c.app.pid), c.app);
        // The window under the pointer is not this handler's.
        EXPECT_EQ(current().windowId, 7u);
    }
    EXPECT_EQ(byPid().size(), 5u);
}

TEST_F(WorkspaceTest, ActivatingTheCurrentAppAgainChangesNothing) {
    launch();
    const RunningApplication mail{1, "com.example.mail", "/Apps/Mail.app", "Mail", {}, {}};
    sim->workspaceNotes.postApp(WorkspaceNote::DidActivateApplication, mail);
    EXPECT_EQ(current().settingsKey, "");
    setEntry("com.example.mail", true);
    sim->workspaceNotes.postApp(WorkspaceNote::DidActivateApplication, mail);
    EXPECT_EQ(current().settingsKey, "");
    // An app already in the map under another id is not added twice.
    byPid().clear();
    byPid()[77] = {2, "com.example.two", {}, "Two", {}, {}};
    sim->workspaceNotes.postApp(WorkspaceNote::DidActivateApplication, byPid()[77]);
    EXPECT_EQ(byPid().size(), 1u);
    EXPECT_EQ(current().pid, 2);
    // Without the application nothing happens.
    sim->workspaceNotes.post(WorkspaceNote::DidActivateApplication, NoteUserInfo{3, std::nullopt});
    EXPECT_EQ(current().pid, 2);
}

TEST_F(WorkspaceTest, InputSourcesLeaveOutEmojiAndPressAndHold) {
    auto& is = sim->inputSources;
    is.sources = std::vector<platform::InputSource>{{"abc", "ABC"},       {"emoji", "Emoji & Symbols"},
                                                    {"pah", "PressAndHold"}, {"nameless", std::nullopt},
                                                    {"de", "German"},     {"ru", "Russian"}};
    is.current = platform::InputSource{"de", "German"};
    launch();
    auto& shell = ShellState::shared();
    EXPECT_EQ(shell.inputSources, (std::vector<platform::InputSource>{{"abc", {}}, {"de", {}}, {"ru", {}}}));
    EXPECT_EQ(shell.currentInputSourceIndex, 1);

    // A selection moves the index only; the emoji palette is not in the list.
    is.current = platform::InputSource{"ru", "Russian"};
    is.sources->erase(is.sources->begin());
    is.selectedChanged();
    EXPECT_EQ(shell.currentInputSourceIndex, 2);
    is.current = platform::InputSource{"emoji", "Emoji & Symbols"};
    is.selectedChanged();
    EXPECT_EQ(shell.currentInputSourceIndex, -1);
    // Enabling or disabling rebuilds the list.
    is.enabledChanged();
    EXPECT_EQ(shell.inputSources.size(), 2u);
    // Without a current source the list is stored unfiltered and the index kept.
    is.current.reset();
    is.enabledChanged();
    EXPECT_EQ(shell.inputSources.size(), 5u);
    EXPECT_EQ(shell.currentInputSourceIndex, -1);
}

class DockTest : public WorkspaceTest {
protected:
    std::uint8_t state() { return ShellState::shared().dockState; }
    void addDock(std::int32_t pid) { sim->workspace.addApp(pid, kDockBundleId, "Dock"); }
};

TEST_F(DockTest, NotificationsSetTheMissionControlState) {
    addDock(50);
    launch();
    ASSERT_EQ(sim->axObservers.observers.size(), 1u);
    const auto& observer = sim->axObservers.observers.begin()->second;
    EXPECT_EQ(observer.notifications, std::vector<std::string>(kDockNotifications.begin(), kDockNotifications.end()));
    EXPECT_TRUE(observer.scheduled);
    const std::pair<const char*, std::uint8_t> steps[] = {
        {"AXExposeShowAllWindows", 1}, {"AXExposeExit", 0},      {"AXExposeShowFrontWindows", 2},
        {"AXExposeWindowGroup", 2},    {"AXExposeShowDesktop", 4}, {"AXLaunchpadShown", 3},
        {"AXExposeExit", 0},           {"AXExposeShowAllWindows", 1}, {"AXLaunchpadHidden", 0},
    };
    for (const auto& [name, expected] : steps) {
        sim->axObservers.notify(50, name);
        EXPECT_EQ(state(), expected) << name;
    }
}

TEST_F(DockTest, ARestartedDockIsAttachedOnceHalfASecondLater) {
    addDock(50);
    launch();
    sim->axObservers.notify(50, "AXExposeShowAllWindows");
    sim->workspace.apps.clear();
    sim->workspaceNotes.endProcess(50);
    EXPECT_EQ(state(), 1);
    EXPECT_FALSE(DockObserver::shared().dockObserver);
    EXPECT_EQ(sim->axObservers.removed.size(), kDockNotifications.size());
    addDock(51);
    sim->runLoop.advance(0.49);
    EXPECT_EQ(sim->axObservers.observers.size(), 1u);
    sim->runLoop.advance(0.01);
    EXPECT_EQ(sim->axObservers.observers.size(), 2u);
    sim->axObservers.notify(51, "AXExposeExit");
    EXPECT_EQ(state(), 0);

    // A Dock that is slower than half a second is not waited for.
    sim->workspace.apps.clear();
    sim->workspaceNotes.endProcess(51);
    sim->runLoop.advance(0.5);
    addDock(52);
    sim->runLoop.advance(10);
    EXPECT_EQ(sim->axObservers.observers.size(), 2u);
    EXPECT_EQ(sim->workspaceNotes.terminationObserverCount(), 0u);
}

TEST_F(DockTest, NoDockOrNoObserverAttachesNothing) {
    launch();
    EXPECT_TRUE(sim->axObservers.observers.empty());
    DockObserver::shared().stop();
    EXPECT_TRUE(sim->axObservers.removed.empty());

    resetShared();
    sim.reset();
    sim = std::make_unique<sim::SimPlatform>();
    addDock(50);
    sim->axObservers.failCreate = true;
    launch();
    // The process is still watched, and its end is followed by a new attempt.
    EXPECT_EQ(sim->workspaceNotes.terminationObserverCount(), 1u);
    sim->workspaceNotes.endProcess(50);
    sim->axObservers.failCreate = false;
    sim->runLoop.advance(0.5);
    EXPECT_EQ(sim->axObservers.observers.size(), 1u);
}

} // namespace
} // namespace corv::app
