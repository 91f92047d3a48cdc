#include "EngineFixture.h"

#include "engine/AppWindows.h"
#include "engine/CurrentApp.h"
#include "model/Apps.h"
#include "model/ShellState.h"

namespace corv::engine {
namespace {

using platform::AXElement;
using platform::AXValue;
using Call = sim::SimAccessibility::Call;

constexpr platform::Point kOverEditor{100, 100};
constexpr platform::Point kOverMenuBar{900, 10};

class AppWindowsTest : public test::EngineTest {
protected:
    // A running application with one window on screen at (0, 40, 600, 400)
    // (or at `frame`), reached through its own window-server connection.
    AXElement openApp(std::int32_t pid, const std::string& bundleId, const std::string& name,
                      std::uint32_t windowId, sim::SimWindowServer::Window frame = {0, 40, 600, 400}) {
        sim->workspace.addApp(pid, bundleId, name);
        frame.id = windowId;
        frame.owner = 1000 + pid;
        sim->windowServer.windows.push_back(frame);
        sim->windowServer.connectionPids[frame.owner] = pid;
        const AXElement app = sim->accessibility.addApplication(pid);
        return sim->accessibility.addWindow(app, windowId);
    }

    AXElement appElement(std::int32_t pid) { return sim->accessibility.createApplication(pid); }

    void setEntry(const std::string& id, bool enabled) {
        Apps::shared().a.modify([&](AppEntries& entries) { entries[id].enabled = enabled; });
    }

    CurrentApp& current() { return CurrentApp::shared(); }
};

TEST_F(AppWindowsTest, SettingsKeyFollowsTheEntryOfTheAppUnderThePointer) {
    openApp(42, "com.example.editor", "Editor", 7);
    Apps::shared().setDefaultGlobalEntry();

    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().bundleId, "com.example.editor");
    EXPECT_EQ(current().pid, 42);
    EXPECT_EQ(current().windowId, 7u);
    EXPECT_EQ(current().settingsKey, "");
    ASSERT_TRUE(currentRunningApp());
    EXPECT_EQ(currentRunningApp()->pid, 42);
    // The workspace's answer is kept in the process map.
    EXPECT_EQ(ShellState::shared().runningAppsByPid.count(42), 1u);

    setEntry("com.example.editor", true);
    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().settingsKey, "com.example.editor");

    setEntry("com.example.editor", false);
    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().bundleId, "com.example.editor");
    EXPECT_EQ(current().settingsKey, "");
}

TEST_F(AppWindowsTest, NothingUnderThePointerLeavesTheGlobalProfile) {
    openApp(42, "com.example.editor", "Editor", 7);
    setEntry("com.example.editor", true);
    appUnderCursor(kOverEditor);

    appUnderCursor({2000, 2000});
    EXPECT_EQ(current().bundleId, "");
    EXPECT_EQ(current().settingsKey, "");
    // The editor's window is not left behind: a raise does nothing.
    EXPECT_EQ(current().pid, -1);
    EXPECT_EQ(current().windowId, 0u);
    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->workspace.activations.empty());
    EXPECT_TRUE(sim->accessibility.calls.empty());

    // An owner whose process cannot be named: the same.
    sim->windowServer.connectionPids.clear();
    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().bundleId, "");
    EXPECT_EQ(current().settingsKey, "");
    EXPECT_EQ(current().pid, -1);
    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->workspace.activations.empty());
}

TEST_F(AppWindowsTest, ProcessMapIsAskedBeforeTheWorkspace) {
    openApp(42, "com.example.editor", "Editor", 7);
    platform::RunningApplication known = sim->workspace.apps[0];
    known.bundleIdentifier = "com.example.known";
    ShellState::shared().runningAppsByPid[42] = known;

    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().bundleId, "com.example.known");
}

TEST_F(AppWindowsTest, IdChainFallsBackToBundlePathThenName) {
    platform::RunningApplication app;
    app.pid = 5;
    app.bundleIdentifier = "";
    app.bundlePath = "/Applications/Tool.app";
    app.localizedName = "Tool";
    EXPECT_EQ(resolveAppId(app), "/Applications/Tool.app");
    app.bundlePath.reset();
    EXPECT_EQ(resolveAppId(app), "Tool");
    app.localizedName.reset();
    EXPECT_EQ(resolveAppId(app), "");
    app.bundleIdentifier = "com.example.tool";
    EXPECT_EQ(resolveAppId(app), "com.example.tool");
}

TEST_F(AppWindowsTest, MenuBarItemOverControlCenterCountsAsItsOwner) {
    openApp(42, "com.example.editor", "Editor", 7);
    openApp(60, "com.apple.controlcenter", "ControlCenter", 90, {800, 0, 400, 24});
    openApp(61, "com.example.vpn", "Vpn", 91, {0, 900, 10, 10});
    setEntry("com.example.vpn", true);
    const AXElement item = sim->accessibility.addElement(61);
    sim->accessibility.element(item).attributes["AXRole"] = std::string("AXMenuBarItem");
    sim->accessibility.elementsAtPosition[{900.0f, 10.0f}] = item;

    appUnderCursor(kOverMenuBar);
    EXPECT_EQ(current().bundleId, "com.example.vpn");
    EXPECT_EQ(current().pid, 61);
    EXPECT_EQ(current().settingsKey, "com.example.vpn");
    EXPECT_EQ(currentRunningApp()->pid, 61);

    // Control Center's own item is not a menu-bar item.
    sim->accessibility.element(item).attributes["AXRole"] = std::string("AXMenuItem");
    sim->accessibility.element(item).pid = 60;
    appUnderCursor(kOverMenuBar);
    EXPECT_EQ(current().bundleId, "com.apple.controlcenter");
    EXPECT_EQ(current().pid, 60);

    // Without accessibility, Control Center it stays.
    sim->accessibility.element(item).attributes["AXRole"] = std::string("AXMenuBarItem");
    sim->accessibility.trusted = false;
    appUnderCursor(kOverMenuBar);
    EXPECT_EQ(current().bundleId, "com.apple.controlcenter");
    EXPECT_EQ(current().settingsKey, "");
}

TEST_F(AppWindowsTest, RaiseWithOneWindowOnlyActivates) {
    openApp(42, "com.example.editor", "Editor", 7);
    appUnderCursor(kOverEditor);

    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->accessibility.calls.empty());
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{42});

    // Already active: not again.
    raiseWindowUnderCursor();
    EXPECT_EQ(sim->workspace.activations.size(), 1u);
}

TEST_F(AppWindowsTest, RaiseBringsAnUnfocusedWindowForward) {
    const AXElement front = openApp(42, "com.example.editor", "Editor", 7);
    const AXElement under = sim->accessibility.addWindow(appElement(42), 8);
    sim->windowServer.windows.insert(sim->windowServer.windows.begin(), {300, 300, 100, 100, 8, 1042});
    sim->accessibility.element(appElement(42)).attributes["AXFocusedWindow"] = front;

    appUnderCursor({350, 350});
    raiseWindowUnderCursor();
    ASSERT_EQ(sim->accessibility.calls.size(), 1u);
    EXPECT_EQ(sim->accessibility.takeCall(), (Call{Call::Kind::Action, under, "AXRaise", {}}));
    EXPECT_EQ(sim->workspace.activations, std::vector<std::int32_t>{42});

    // The focused one is not raised; no focused window at all raises it.
    sim->workspace.activePid = -1;
    appUnderCursor(kOverEditor);
    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->accessibility.calls.empty());
    sim->accessibility.element(appElement(42)).attributes["AXFocusedWindow"] = std::monostate{};
    raiseWindowUnderCursor();
    EXPECT_EQ(sim->accessibility.takeCall(), (Call{Call::Kind::Action, front, "AXRaise", {}}));

    // An unreadable focus raises nothing, but the application is activated.
    sim->accessibility.element(appElement(42)).attributes.erase("AXFocusedWindow");
    sim->workspace.activePid = -1;
    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->accessibility.calls.empty());
    EXPECT_EQ(sim->workspace.activations, (std::vector<std::int32_t>{42, 42, 42}));
}

TEST_F(AppWindowsTest, ExcludedAppsAreLeftAloneWhateverTheCase) {
    for (const std::string id : {"com.apple.dock", "COM.APPLE.DOCK", "com.apple.Dock.helper",
                                 "com.brelvantoque.Corvadine.agent", "com.apple.characterpaletteim",
                                 "com.apple.controlcenter", "com.apple.inputmethod.assistivecontrol",
                                 "com.brelvantoque.ravelquindt"}) {
        SCOPED_TRACE(id);
        current().bundleId = id;
        current().pid = 1;
        currentRunningApp() = platform::RunningApplication{1, id, {}, {}, {}, {}};
        raiseWindowUnderCursor();
        toggleFullScreen({2000, 2000});
        EXPECT_TRUE(isZoomWindowExcluded(id));
    }
    EXPECT_TRUE(sim->workspace.activations.empty());
    EXPECT_TRUE(sim->accessibility.calls.empty());
    EXPECT_FALSE(isZoomWindowExcluded("com.apple.finder"));
    EXPECT_FALSE(isZoomWindowExcluded(""));
}

TEST_F(AppWindowsTest, DockUnderThePointerIsNeitherRaisedNorActivated) {
    openApp(30, "com.apple.dock", "Dock", 3);
    sim->accessibility.addWindow(appElement(30), 4);
    appUnderCursor(kOverEditor);
    raiseWindowUnderCursor();
    EXPECT_TRUE(sim->workspace.activations.empty());
    EXPECT_TRUE(sim->accessibility.calls.empty());
}

TEST_F(AppWindowsTest, ToggleFullScreenFlipsTheWindowUnderThePointer) {
    const AXElement window = openApp(42, "com.example.editor", "Editor", 7);
    auto& attributes = sim->accessibility.element(window).attributes;
    attributes["AXFullScreen"] = false;

    toggleFullScreen(kOverEditor);
    EXPECT_EQ(current().bundleId, "com.example.editor");
    EXPECT_EQ(sim->accessibility.takeCall(), (Call{Call::Kind::SetAttribute, window, "AXFullScreen", true}));
    toggleFullScreen(kOverEditor);
    EXPECT_EQ(sim->accessibility.takeCall(), (Call{Call::Kind::SetAttribute, window, "AXFullScreen", false}));

    // No value, or no attribute: nothing is written.
    attributes["AXFullScreen"] = std::monostate{};
    toggleFullScreen(kOverEditor);
    attributes.erase("AXFullScreen");
    toggleFullScreen(kOverEditor);
    EXPECT_TRUE(sim->accessibility.calls.empty());
}

TEST_F(AppWindowsTest, WindowSearchStopsAtTheHundredthWindow) {
    openApp(42, "com.example.editor", "Editor", 1);
    for (std::uint32_t id = 2; id <= 101; ++id) sim->accessibility.addWindow(appElement(42), id);
    appUnderCursor(kOverEditor);
    EXPECT_EQ(current().axApp, std::nullopt);

    current().windowId = 100;
    EXPECT_TRUE(appWindows());
    EXPECT_EQ(current().axApp, appElement(42));
    EXPECT_TRUE(appWindowToRaise());
    current().windowId = 101;
    EXPECT_FALSE(appWindows());
}

} // namespace
} // namespace corv::engine
