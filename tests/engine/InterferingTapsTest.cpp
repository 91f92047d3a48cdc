#include "EngineFixture.h"

#include "engine/InterferingTaps.h"
#include "model/UIState.h"

namespace corv::test {
namespace {

using Listed = std::map<std::int32_t, std::string>;

constexpr std::uint64_t kScrollWheelOnly = std::uint64_t{1} << 22;
constexpr std::uint64_t kSystemDefinedOnly = std::uint64_t{1} << 14;

class InterferingTapsTest : public EngineTest {
protected:
    // Another process's tap on all processes.
    void tapBy(std::int32_t pid, std::uint64_t mask, platform::TapOptions options = platform::TapOptions::Default,
               std::int32_t tapped = 0) {
        platform::EventTapInfo info;
        info.options = options;
        info.eventsOfInterest = mask;
        info.tappingProcess = pid;
        info.processBeingTapped = tapped;
        info.enabled = true;
        sim->events.foreignTaps.push_back(info);
    }
    // A command-line tool: an executable path and a process name, no application.
    void tool(std::int32_t pid, const std::string& path, const std::string& name) {
        sim->processInfo.paths[pid] = path;
        sim->processInfo.names[pid] = name;
    }
    static const Listed& listed() { return UIState::shared().interferingApp.get(); }
};

TEST_F(InterferingTapsTest, OnlyActiveGlobalTapsOfOtherProgramsAreListed) {
    // The program's own key tap is on the list too.
    engine::setTapEnabled(engine::keyTap());
    tool(501, "/usr/local/bin/remapd", "remapd");
    tapBy(501, kScrollWheelOnly);
    tapBy(501, 0x1C00);
    tool(502, "/opt/spy/listen", "listen");
    tapBy(502, 0x1C00, platform::TapOptions::ListenOnly);
    tool(503, "/opt/one/filter", "filter");
    tapBy(503, 0x1C00, platform::TapOptions::Default, 77);
    sim->workspace.addApp(504, "com.apple.TextInputMenuAgent", "Text Input");
    tapBy(504, 0x1C00);
    tool(505, "/Applications/Other.app/Contents/MacOS/Other", "Other");
    tapBy(505, kSystemDefinedOnly);
    sim->workspace.addApp(506, "com.example.keys", "Key Helper");
    tapBy(506, 0x400);
    tapBy(sim->events.ownPid, 0x1C00);

    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{501, "remapd"}, {506, "Key Helper"}}));
}

TEST_F(InterferingTapsTest, SystemFoldersCountAsTheSystem) {
    tool(601, "/System/Library/CoreServices/Agent", "Agent");
    tool(602, "/usr/sbin/daemon", "daemon");
    tool(603, "/usr/libexec/helper", "helper");
    tool(604, "/sbin/launchd", "launchd");
    tool(605, "/usr/local/libexec/x", "x");
    tool(606, "/Users/me/bin/tool", "tool");
    for (std::int32_t pid = 601; pid <= 606; ++pid) tapBy(pid, 0x2);
    tapBy(0, 0x2);
    // A process whose path cannot be read, and that cannot be named either.
    tapBy(607, 0x2);
    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{605, "x"}, {606, "tool"}, {607, "Unknown Process (PID 607)"}}));
    EXPECT_EQ(engine::processDisplayName(0), "System / Global (PID 0)");
}

TEST_F(InterferingTapsTest, ASystemWithItsOwnRuleDecidesAlone) {
    // Packaged programs live under /usr; only what the system names is its own.
    sim->processInfo.systemRule = true;
    tool(801, "/usr/bin/remapd", "remapd");
    tool(802, "/usr/sbin/keyd", "keyd");
    sim->processInfo.systemProcesses.insert(802);
    tool(803, "/opt/tool", "tool");
    sim->processInfo.systemProcesses.insert(803);
    for (std::int32_t pid = 801; pid <= 803; ++pid) tapBy(pid, 0x400);
    tapBy(0, 0x400);
    tapBy(-1, 0x400);
    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{-1, "Unknown Process (PID -1)"}, {801, "remapd"}}));
}

TEST_F(InterferingTapsTest, NamesComeFromTheApplicationElseTheProcess) {
    auto& app = sim->workspace.addApp(701, "com.example.nameless", "x");
    app.localizedName.reset();
    app.executablePath = "/Applications/Nameless.app/Contents/MacOS/Nameless";
    EXPECT_EQ(engine::processDisplayName(701), "Nameless");
    sim->processInfo.names[702] = std::string("ab\xff\xc3", 4) + std::string("\0junk", 5);
    EXPECT_EQ(engine::processDisplayName(702), "ab\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(engine::cStringAsUtf8("caf\xC3\xA9 \xE2\x82"), "caf\xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(InterferingTapsTest, AnUnreadableOrEmptyTapListKeepsTheLastResult) {
    UIState::shared().interferingApp.set(Listed{{9, "old"}});
    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{9, "old"}}));
    tool(801, "/opt/t", "t");
    tapBy(801, 0x2);
    sim->events.failTapList = true;
    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{9, "old"}}));
    sim->events.failTapList = false;
    engine::findInterferingEventTaps();
    EXPECT_EQ(listed(), (Listed{{801, "t"}}));
}

} // namespace
} // namespace corv::test
