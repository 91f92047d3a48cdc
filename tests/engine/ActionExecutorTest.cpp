#include "EngineFixture.h"

#include "engine/ActionExecutor.h"
#include "engine/AppWindows.h"
#include "engine/DisplayLink.h"
#include "engine/ShortcutList.h"
#include "engine/SwipeAnimation.h"
#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/ShellState.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace corv::engine {
namespace {

using Trace = std::vector<std::string>;

constexpr std::uint64_t kShift = 0x20000;
constexpr std::int32_t kEditorPid = 42;
constexpr platform::AudioObject kMicMute = 5;

std::string hex(std::uint64_t v) {
    char b[24];
    std::snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
    return b;
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

std::string fourChars(platform::FourCharCode c) {
    return {static_cast<char>(c >> 24), static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
}

// One posted event in words.
std::string describe(const platform::Event& e) {
    const std::string flags = " flags " + hex(e.flags());
    switch (e.type()) {
    case 1:
    case 2:
        return std::string(e.type() == 1 ? "left down" : "left up") + " state " + num(e.integerField(1)) +
               " sender " + num(e.integerField(87)) + flags;
    case 10:
    case 11:
    case 12:
        return "key " + num(e.type()) + " code " + num(e.integerField(9)) + flags;
    case 14:
        return "system key " + num(e.systemData().data1 >> 16) +
               ((e.systemData().data1 & 0xFFFF) == 0xA00 ? " down" : " up") + flags;
    case 22:
        return "scroll v " + num(e.integerField(11)) + "/" + num(e.integerField(96)) + "/" + num(e.doubleField(93)) +
               " h " + num(e.integerField(12)) + "/" + num(e.integerField(97)) + "/" + num(e.doubleField(94)) +
               " continuous " + num(e.integerField(88)) + " sender " + num(e.integerField(87)) + flags;
    case 29: {
        std::string s = "gesture " + num(e.integerField(110)) + " phase " + num(e.integerField(132));
        if (e.integerField(110) == 16) s += " direction " + num(e.integerField(115));
        if (e.integerField(110) == 8) s += " value " + num(e.doubleField(113));
        return s;
    }
    case 30:
        return "dock swipe " + num(e.integerField(123)) + " phase " + num(e.integerField(132)) +
               (e.doubleField(124) > 0 ? " +" : " -");
    default:
        return "event " + num(e.type());
    }
}

// A desk with the editor (pid 42, one window, id 7) under the pointer, the
// Look Up hot key as Command-D, three input sources with the second selected,
// an unmuted microphone, one 60 Hz display with four Spaces (the second
// current), "Editor" as an installed application and as a Shortcut.
class ActionExecutorTest : public test::EngineTest {
protected:
    void SetUp() override {
        sim->windowServer.windows = {{0, 0, 1000, 800, 7, 0x77}};
        sim->windowServer.connectionPids[0x77] = kEditorPid;
        sim->workspace.addApp(kEditorPid, "com.example.editor", "Editor");
        const auto app = sim->accessibility.addApplication(kEditorPid);
        const auto window = sim->accessibility.addWindow(app, 7);
        sim->accessibility.element(window).attributes["AXFullScreenButton"] = sim->accessibility.addElement(kEditorPid);
        sim->accessibility.element(window).attributes["AXFullScreen"] = false;
        // The tap that fired has resolved the application already.
        appUnderCursor(sim->windowServer.cursor);

        sim->windowServer.hotKeys[70] = {{0xFFFF, 2, 0x100000}, true};
        ShellState::shared().inputSources = {{"a", {}}, {"b", {}}, {"c", {}}};
        ShellState::shared().currentInputSourceIndex = 1;
        sim->audio.device = 1;
        sim->audio.addInputMute(kMicMute, false);
        sim->displays.addDisplay("D-1", 60);
        sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 12);
        updateDisplayLink();
        installApp("Editor", "/Applications/Editor.app", "com.example.editor");
        ShortcutList::shared().names = {"Editor"};
    }

    void installApp(const std::string& name, const std::string& path, const std::string& id) {
        ApplicationSets::shared().installedApps.insert(Application{Url::fileFromPath(path, "/"), name, id});
        rebuildAllApps();
    }

    // Performs the action and lets every delayed part run.
    void perform(std::int64_t action, bool clickThrough = false, std::uint64_t flags = 0,
                 std::optional<std::string> text = std::nullopt) {
        performAction(action, clickThrough, flags, text);
        sim->runLoop.advance(1.0);
        sim->background.runAll();
        sim->runLoop.runPending();
    }

    // Everything that reached the machine, posted events first in order.
    Trace trace() {
        Trace t;
        for (const auto& p : sim->events.posted) {
            EXPECT_EQ(p.route, sim::SimEventSystem::Route::Session);
            t.push_back(describe(p.event));
        }
        for (auto id : sim->loginWindow.sent) t.push_back("login window " + fourChars(id));
        for (const auto& s : sim->processes.starts) {
            std::string line = (s.detached ? "spawn " : "run ") + s.path;
            for (const auto& a : s.arguments) line += " " + a;
            t.push_back(line);
        }
        for (int i = 0; i < sim->screenLock.locks; ++i) t.push_back("lock screen");
        for (int i = 0; i < sim->displays.displaySleeps; ++i) t.push_back("displays sleep");
        for (const auto& u : sim->workspace.openedApplications) t.push_back("open app " + u.absoluteString());
        for (const auto& u : sim->workspace.openedUrls) t.push_back("open url " + u.absoluteString());
        for (auto pid : sim->workspace.activations) t.push_back("activate " + num(pid));
        for (const auto& id : sim->inputSources.selections) t.push_back("select " + id);
        for (const auto& c : sim->accessibility.calls)
            t.push_back(c.kind == sim::SimAccessibility::Call::Kind::Action ? "ax " + c.name : "ax set " + c.name);
        if (sim->audio.values[kMicMute]) t.push_back("mic muted");
        for (const auto& [key, on] : sim->windowServer.enableCalls) t.push_back("hot key " + num(key) + " " + num(on));
        if (!sim->hid.posts.empty()) t.push_back("hid posts");
        return t;
    }

    std::string nextPosted() { return describe(sim->events.takePosted().event); }
    bool nothingMorePosted() const { return sim->events.posted.empty(); }
};

// ---- Every action, from a binding with click-through, Shift and the text "Editor".

struct Row {
    std::int64_t id;
    Trace expected;
};

const Trace kNothing{};

Trace systemKey(int type, const char* flags) {
    const std::string f = std::string(" flags ") + flags;
    return {"system key " + num(type) + " down" + f, "system key " + num(type) + " up" + f};
}

Trace click(int state) {
    return {"left down state " + num(state) + " sender 1 flags 0x20000",
            "left up state " + num(state) + " sender 1 flags 0x20000"};
}

Trace operator+(Trace a, const Trace& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Trace kActivate{"activate 42"};

const std::vector<Row>& rows() {
    static const std::vector<Row> r{
        {0, kActivate},
        {1, click(0) + click(2) + kActivate},
        {2, click(0) + click(2) + click(3) + kActivate},
        {3, Trace{"key 10 code 2 flags 0x100000", "key 11 code 2 flags 0x100000", "key 12 code 55 flags 0x100"} +
                kActivate},
        {4, Trace{"gesture 22 phase 0"} + kActivate},
        {5, Trace{"gesture 16 phase 1 direction 8", "gesture 16 phase 4 direction 0"} + kActivate},
        {6, Trace{"gesture 16 phase 1 direction 4", "gesture 16 phase 4 direction 0"} + kActivate},
        {7, {"mic muted"}},
        {8, kNothing},
        {9, kNothing},
        {10, kNothing},
        {11, kNothing},
        {12, kNothing},
        {13, kNothing},
        {14, systemKey(16, "0x100")},
        {15, systemKey(18, "0x100")},
        {16, systemKey(17, "0x100")},
        {17, systemKey(7, "0x100")},
        {18, systemKey(0, "0x100")},
        {19, systemKey(1, "0x100")},
        {20, systemKey(2, "0x100")},
        {21, systemKey(3, "0x100")},
        {22, {"dock swipe 1 phase 1 +"}},
        {23, {"dock swipe 1 phase 1 -"}},
        {24, {"dock swipe 2 phase 1 +"}},
        {25, {"dock swipe 2 phase 1 -"}},
        {26, {"dock swipe 3 phase 1 -"}},
        {27, {"dock swipe 3 phase 1 +"}},
        {28, systemKey(0, "0xa0122")},
        {29, systemKey(1, "0xa0122")},
        {30, systemKey(2, "0xa0122")},
        {31, systemKey(3, "0xa0122")},
        {32, {"scroll v 0/0/0 h 1/2/0.2 continuous 0 sender 0 flags 0x20000"}},
        {33, {"scroll v 0/0/0 h -1/-2/-0.2 continuous 0 sender 0 flags 0x20000"}},
        {34, kNothing},
        {35, kNothing},
        {36, kNothing},
        {37, kNothing},
        {38, kNothing},
        {39, kNothing},
        {40, kNothing},
        {41, kNothing},
        {42, kNothing},
        {43, kNothing},
        {44, Trace{"gesture 8 phase 1 value 0", "gesture 8 phase 2 value 0.05", "gesture 8 phase 4 value 0"} +
                 kActivate},
        {45, Trace{"gesture 8 phase 1 value 0", "gesture 8 phase 2 value -0.05", "gesture 8 phase 4 value 0"} +
                 kActivate},
        {46, {"login window slep"}},
        {47, {"login window rlgo"}},
        {48, {"displays sleep"}},
        {49, {"lock screen"}},
        {50, {"open app file:///Applications/Editor.app"}},
        {51, {"select c"}},
        {52, kNothing},
        {53, {"ax AXZoomWindow"}},
        {54, {"ax set AXFullScreen"}},
        {55, kNothing},
        {56, {"spawn /usr/bin/shortcuts run Editor"}},
    };
    return r;
}

void PrintTo(const Row& row, std::ostream* os) { *os << "action " << row.id; }

TEST(ActionExecutorTable, CoversEveryActionOnceInOrder) {
    ASSERT_EQ(rows().size(), kActionCount);
    for (std::size_t i = 0; i < rows().size(); ++i) EXPECT_EQ(rows()[i].id, static_cast<std::int64_t>(i));
}

class EveryAction : public ActionExecutorTest, public ::testing::WithParamInterface<Row> {};

TEST_P(EveryAction, PostsOrCallsExactlyWhatItMeans) {
    perform(GetParam().id, true, kShift, "Editor");
    EXPECT_EQ(trace(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(ActionExecutor, EveryAction, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return "id" + num(info.param.id); });

// ---- Rules of single actions.

TEST_F(ActionExecutorTest, TriggerSignsFollowTheMissionControlState) {
    struct Rule {
        std::int64_t action;
        std::uint8_t flipState;
        const char* usual;
        const char* flipped;
    };
    const Rule rules[] = {
        {ActionId::TriggerSwipeU, 1, "dock swipe 2 phase 1 +", "dock swipe 2 phase 1 -"},
        {ActionId::TriggerSwipeD, 2, "dock swipe 2 phase 1 -", "dock swipe 2 phase 1 +"},
        {ActionId::TriggerPinchIn, 3, "dock swipe 3 phase 1 -", "dock swipe 3 phase 1 +"},
        {ActionId::TriggerPinchOut, 4, "dock swipe 3 phase 1 +", "dock swipe 3 phase 1 -"},
    };
    for (std::uint8_t state = 0; state <= 4; ++state) {
        ShellState::shared().dockState = state;
        for (const auto& rule : rules) {
            performAction(rule.action, false, 0, std::nullopt);
            sim->runLoop.runPending();
            EXPECT_EQ(nextPosted(), state == rule.flipState ? rule.flipped : rule.usual)
                << "action " << rule.action << " state " << int(state);
            EXPECT_TRUE(nothingMorePosted());
            finishSwipeAtOnce();
            sim->events.clearLogs();
        }
    }
}

TEST_F(ActionExecutorTest, InputSourceSwitchWrapsAround) {
    auto& shell = ShellState::shared();
    shell.currentInputSourceIndex = 2;
    perform(ActionId::IMSwitch);
    shell.currentInputSourceIndex = -1;
    perform(ActionId::IMSwitch);
    EXPECT_EQ(trace(), (Trace{"select a", "select a"}));
    // The stored index waits for the system's notice.
    EXPECT_EQ(shell.currentInputSourceIndex, -1);

    shell.inputSources.clear();
    shell.currentInputSourceIndex = 0;
    perform(ActionId::IMSwitch);
    EXPECT_EQ(sim->inputSources.selections.size(), 2u);
}

TEST_F(ActionExecutorTest, DoubleAndTripleClickRepeatOnTheClock) {
    sim->windowServer.cursor = {120, 80};
    performAction(ActionId::DoubleClick, false, 0, std::nullopt);
    auto first = sim->events.takePosted().event;
    EXPECT_EQ(first.location(), (platform::Point{120, 80}));
    EXPECT_EQ(first.integerField(3), 0);
    EXPECT_EQ(nextPosted(), "left up state 0 sender 1 flags 0x0");
    sim->runLoop.advance(0.029);
    EXPECT_TRUE(nothingMorePosted());
    sim->runLoop.advance(0.001);
    EXPECT_EQ(nextPosted(), "left down state 2 sender 1 flags 0x0");
    EXPECT_EQ(nextPosted(), "left up state 2 sender 1 flags 0x0");
    EXPECT_TRUE(nothingMorePosted());

    performAction(ActionId::TripleClick, false, 0, std::nullopt);
    sim->events.clearLogs();
    sim->runLoop.advance(0.015);
    EXPECT_TRUE(nothingMorePosted());
    sim->runLoop.advance(0.001);
    EXPECT_EQ(nextPosted(), "left down state 2 sender 1 flags 0x0");
    EXPECT_EQ(nextPosted(), "left up state 2 sender 1 flags 0x0");
    sim->runLoop.advance(0.049);
    EXPECT_TRUE(nothingMorePosted());
    sim->runLoop.advance(0.001);
    EXPECT_EQ(nextPosted(), "left down state 3 sender 1 flags 0x0");
    EXPECT_EQ(nextPosted(), "left up state 3 sender 1 flags 0x0");
    EXPECT_TRUE(nothingMorePosted());
}

TEST_F(ActionExecutorTest, ZoomWindowLeavesExcludedApplicationsAloneInAnyCase) {
    for (std::string_view fragment : zoomWindowExcludedApps) {
        std::string id(fragment);
        for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        sim->workspace.apps[0].bundleIdentifier = id + ".Extra";
        ShellState::shared().runningAppsByPid.clear();
        perform(ActionId::ZoomWindow);
        EXPECT_TRUE(trace().empty()) << id;
    }
    // Another application's window is zoomed.
    sim->workspace.apps[0].bundleIdentifier = "com.example.dock";
    ShellState::shared().runningAppsByPid.clear();
    perform(ActionId::ZoomWindow);
    EXPECT_EQ(trace(), (Trace{"ax AXZoomWindow"}));
}

TEST_F(ActionExecutorTest, AppLaunchOpensAnInstalledApplicationThatIsNotRunning) {
    // Two applications of one name: the first in the sets' fixed order wins.
    installApp("Atlas", "/Applications/B/Atlas.app", "com.b.atlas");
    installApp("Atlas", "/Applications/A/Atlas.app", "com.a.atlas");
    perform(ActionId::AppLaunch, false, 0, "Atlas");
    EXPECT_EQ(trace(), (Trace{"open app file:///Applications/A/Atlas.app"}));

    // The name must match exactly.
    sim->workspace.openedApplications.clear();
    perform(ActionId::AppLaunch, false, 0, "atlas");
    perform(ActionId::AppLaunch, false, 0, "Unknown");
    EXPECT_TRUE(trace().empty());
}

TEST_F(ActionExecutorTest, NothingHappensWithoutTheInputAnActionNeeds) {
    perform(ActionId::DoNothing, false, kShift, "Editor");
    perform(ActionId::AppLaunch);
    perform(ActionId::Url);
    perform(ActionId::Url, false, 0, "");
    for (std::int64_t id : {std::int64_t{-1}, std::int64_t{57}, std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max()})
        perform(id, true, kShift, "Editor");
    EXPECT_TRUE(trace().empty());
}

TEST_F(ActionExecutorTest, UrlTextReachesTheLaunchTarget) {
    sim->workspace.handlers["https://example.com/"] = Url("file:///Applications/Browser.app");
    perform(ActionId::Url, false, 0, "https://example.com/");
    EXPECT_EQ(trace(), (Trace{"open url https://example.com/"}));
}

} // namespace
} // namespace corv::engine
