#include "EngineFixture.h"

#include "engine/Commands.h"
#include "engine/MicMute.h"
#include "engine/MicStatusItem.h"
#include "engine/NotifWinManager.h"
#include "model/UIState.h"

namespace corv::engine {
namespace {

class CommandsTest : public test::EngineTest {};

TEST_F(CommandsTest, ShellCommandRunsThroughZshWithoutBlocking) {
    sim->processes.respond = [](const sim::SimProcesses::Start&) { return Bytes{'o', 'k', '\n'}; };
    std::optional<ShellResult> result;
    // Without zsh the system's shell runs the command.
    runShellCommand("true");
    EXPECT_EQ(sim->processes.takeStart().path, "/bin/sh");
    sim->runLoop.runPending();
    sim->files.fileContents["/bin/zsh"] = {};
    sim->files.executables.push_back("/bin/zsh");
    runShellCommand("pmset displaysleepnow", [&](const ShellResult& r) { result = r; });
    EXPECT_EQ(sim->processes.takeStart(),
              (sim::SimProcesses::Start{"/bin/zsh", {"-c", "pmset displaysleepnow"}, false}));
    EXPECT_FALSE(result);
    sim->runLoop.runPending();
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->launched);
    EXPECT_EQ(result->output, "ok\n");

    sim->processes.respond = [](const sim::SimProcesses::Start&) { return Bytes{0xC3, 0x28}; };
    runShellCommand("x", [&](const ShellResult& r) { result = r; });
    sim->runLoop.runPending();
    EXPECT_TRUE(result->launched);
    EXPECT_FALSE(result->output);
    EXPECT_EQ(sim->processes.takeStart().arguments.back(), "x");

    sim->processes.respond = [](const sim::SimProcesses::Start&) { return std::optional<Bytes>(); };
    runShellCommand("y", [&](const ShellResult& r) { result = r; });
    sim->processes.takeStart();
    sim->runLoop.runPending();
    EXPECT_FALSE(result->launched);

    EXPECT_TRUE(runProcess("/usr/bin/osascript", {"a.scpt"}));
    EXPECT_TRUE(sim->processes.takeStart().detached);
    EXPECT_TRUE(sim->processes.starts.empty());
}

TEST_F(CommandsTest, LoginWindowEvents) {
    sendLoginWindowEvent(kSleepEvent);
    sendLoginWindowEvent(kLogOutEvent);
    EXPECT_EQ(sim->loginWindow.sent, (std::vector<platform::FourCharCode>{0x736C6570, 0x726C676F}));
}

TEST_F(CommandsTest, MicMuteTogglesOffTheMainThreadAndShowsTheState) {
    sim::SimStatusItem item;
    item.visible = false;
    MicStatusItem::shared().item = &item;
    UIState::shared().micMuteNotif.set(true);
    sim->audio.device = 40;
    sim->audio.controlList.push_back({41, platform::fourCharCode("mute"), platform::fourCharCode("outp")});
    sim->audio.values[41] = false;
    sim->audio.addInputMute(42, false);

    toggleMicMute();
    EXPECT_FALSE(sim->audio.values[42]);
    sim->background.runAll();
    EXPECT_TRUE(sim->audio.values[42]);
    EXPECT_FALSE(sim->audio.values[41]);
    EXPECT_FALSE(item.visible);
    sim->runLoop.runPending();
    EXPECT_TRUE(item.visible);
    EXPECT_EQ(NotifWinManager::shared().lastSymbol, "microphone.slash");

    toggleMicMute();
    sim->background.runAll();
    sim->runLoop.runPending();
    EXPECT_FALSE(item.visible);
    EXPECT_EQ(NotifWinManager::shared().lastSymbol, "microphone");
    EXPECT_EQ(NotifWinManager::shared().showCount, 2);

    MicStatusItem::shared().item = nullptr;
}

} // namespace
} // namespace corv::engine
