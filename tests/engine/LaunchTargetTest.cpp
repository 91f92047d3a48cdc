#include "EngineFixture.h"

#include "engine/LaunchTarget.h"
#include "engine/ShortcutList.h"
#include "support/Fixtures.h"

namespace corv::engine {
namespace {

using Start = sim::SimProcesses::Start;
using test::bytesOf;

class LaunchTargetTest : public test::EngineTest {
protected:
    void SetUp() override { sim->files.home = "/Users/ann"; }

    void addFile(const std::string& path, const Bytes& content = bytesOf("plain text")) {
        sim->files.fileContents[path] = content;
    }
    void addExecutable(const std::string& path, const Bytes& content = bytesOf("#!/bin/sh\necho hi\n")) {
        addFile(path, content);
        sim->files.executables.push_back(path);
    }
    void addHandler(const std::string& urlText) { sim->workspace.handlers[urlText] = Url("file:///Applications/Viewer.app"); }

    bool nothingStarted() const { return sim->processes.starts.empty(); }
};

TEST_F(LaunchTargetTest, SplitTakesTheProgramAsWritten) {
    addExecutable("/Users/ann/bin/tool");
    sim->files.directories.push_back("/Applications/My App.app");
    using R = std::pair<std::string, bool>;
    EXPECT_EQ(splitLaunchCommand("~/bin/tool -v"), (R{"~/bin/tool", true}));
    EXPECT_EQ(splitLaunchCommand("~/bin/tool"), (R{"~/bin/tool", false}));
    // A path that exists is whole, spaces and all.
    EXPECT_EQ(splitLaunchCommand("/Applications/My App.app"), (R{"/Applications/My App.app", false}));
    EXPECT_EQ(splitLaunchCommand("\"/opt/My Tools/run\" -a \"b c\""), (R{"/opt/My Tools/run", true}));
    EXPECT_EQ(splitLaunchCommand("\"/opt/My Tools/run\" \t "), (R{"/opt/My Tools/run", false}));
    EXPECT_EQ(splitLaunchCommand("\"/opt/unclosed path -x"), (R{"/opt/unclosed path -x", false}));
    EXPECT_EQ(splitLaunchCommand(""), (R{"", false}));
}

TEST_F(LaunchTargetTest, TildeExpandsOnlyAtTheStart) {
    EXPECT_EQ(expandTildeInPath("~"), "/Users/ann");
    EXPECT_EQ(expandTildeInPath("~/a b"), "/Users/ann/a b");
    EXPECT_EQ(expandTildeInPath("~bob/x"), "~bob/x");
    EXPECT_EQ(expandTildeInPath("/x/~/y"), "/x/~/y");
}

TEST_F(LaunchTargetTest, UrlTargetsStartTheRightWay) {
    // An executable with arguments is started itself, the tail split into
    // words and nothing in it expanded or run, however hostile.
    addExecutable("/Users/ann/bin/sync.sh");
    addExecutable("/opt/My Tools/run");
    addExecutable("/opt/it's\"odd/run");
    addExecutable("/opt/$(rm -rf ~)`x`\\/run");
    using Args = std::vector<std::string>;
    const std::vector<std::pair<std::string, Start>> rows{
        {"~/bin/sync.sh --fast 'x y'", {"/Users/ann/bin/sync.sh", Args{"--fast", "x y"}, true}},
        {"\"/opt/My Tools/run\" -a \"b c\"", {"/opt/My Tools/run", Args{"-a", "b c"}, true}},
        {"/opt/it's\"odd/run -v", {"/opt/it's\"odd/run", Args{"-v"}, true}},
        {"\"/opt/$(rm -rf ~)`x`\\/run\" $HOME", {"/opt/$(rm -rf ~)`x`\\/run", Args{"$HOME"}, true}},
        {"/opt/My Tools/run", {"/opt/My Tools/run", Args{}, true}},
        {"~/bin/sync.sh $(touch /tmp/p) `id` ; rm -rf ~ && x | y",
         {"/Users/ann/bin/sync.sh", Args{"$(touch", "/tmp/p)", "`id`", ";", "rm", "-rf", "~", "&&", "x", "|", "y"}, true}},
        {"~/bin/sync.sh \"$(id)\" '`id`'\nreboot \\$x \"a\\\"b\"",
         {"/Users/ann/bin/sync.sh", Args{"$(id)", "`id`", "reboot", "$x", "a\"b"}, true}},
        {"~/bin/sync.sh 'unclosed x", {"/Users/ann/bin/sync.sh", Args{"unclosed x"}, true}},
    };
    for (const auto& [text, start] : rows) {
        launchTarget(text);
        EXPECT_EQ(sim->processes.takeStart(), start) << text;
    }

    // Without arguments the program is started directly.
    launchTarget("~/bin/sync.sh");
    EXPECT_EQ(sim->processes.takeStart(), (Start{"/Users/ann/bin/sync.sh", {}, true}));

    // A Shortcut's name, exactly.
    ShortcutList::shared().names = {"Morning Routine", "Dim"};
    launchTarget("Morning Routine");
    EXPECT_EQ(sim->processes.takeStart(), (Start{"/usr/bin/shortcuts", {"run", "Morning Routine"}, true}));
    launchTarget("morning routine");

    EXPECT_TRUE(nothingStarted());
    EXPECT_TRUE(sim->workspace.openedUrls.empty());
}

TEST_F(LaunchTargetTest, ExecutableThatFailsToStartIsOpenedInstead) {
    addExecutable("/opt/tool");
    sim->processes.failSpawn = true;
    launchTarget("/opt/tool");
    EXPECT_EQ(sim->processes.takeStart(), (Start{"/opt/tool", {}, true}));
    EXPECT_EQ(sim->workspace.openedUrls, std::vector<Url>{Url("file:///opt/tool")});

    // With arguments the failure is dropped.
    launchTarget("/opt/tool -x");
    EXPECT_EQ(sim->processes.takeStart(), (Start{"/opt/tool", {"-x"}, true}));
    EXPECT_EQ(sim->workspace.openedUrls.size(), 1u);
}

TEST_F(LaunchTargetTest, Classification) {
    EXPECT_EQ(classifyLaunchTarget(""), LaunchTargetKind::None);

    addFile("/Users/ann/Scripts/Tidy.SCPT");
    EXPECT_EQ(classifyLaunchTarget("~/Scripts/Tidy.SCPT"), LaunchTargetKind::Script);
    sim->files.directories.push_back("/Users/ann/Scripts/Bundle.scptd");
    EXPECT_EQ(classifyLaunchTarget("/Users/ann/Scripts/Bundle.scptd"), LaunchTargetKind::Script);

    // Web addresses need a scheme and an application for it.
    addHandler("https://example.com/a");
    EXPECT_EQ(classifyLaunchTarget("https://example.com/a"), LaunchTargetKind::Document);
    EXPECT_EQ(classifyLaunchTarget("example.com/a"), LaunchTargetKind::None);
    EXPECT_EQ(classifyLaunchTarget("https://example.com/b"), LaunchTargetKind::None);

    // A folder nothing opens.
    sim->files.directories.push_back("/Users/ann/Stuff");
    EXPECT_EQ(classifyLaunchTarget("~/Stuff"), LaunchTargetKind::None);

    // An executable whose header is no program's: opened when claimed.
    addExecutable("/opt/notes.txt", bytesOf("hello"));
    EXPECT_EQ(classifyLaunchTarget("/opt/notes.txt"), LaunchTargetKind::None);
    addHandler("file:///opt/notes.txt");
    EXPECT_EQ(classifyLaunchTarget("/opt/notes.txt"), LaunchTargetKind::Document);
    // Not executable at all: the same.
    addFile("/opt/plain.sh", bytesOf("#!/bin/sh"));
    EXPECT_EQ(classifyLaunchTarget("/opt/plain.sh"), LaunchTargetKind::None);
    // A relative path is never a file target.
    addExecutable("tool");
    EXPECT_EQ(classifyLaunchTarget("tool"), LaunchTargetKind::None);
}

TEST_F(LaunchTargetTest, DocumentsAndScriptsAreOpenedAndRun) {
    addFile("/Users/ann/Report 2.pdf");
    addHandler("file:///Users/ann/Report%202.pdf");
    launchTarget("~/Report 2.pdf");
    addHandler("https://example.com/a");
    launchTarget("https://example.com/a");
    EXPECT_EQ(sim->workspace.openedUrls,
              (std::vector<Url>{Url("file:///Users/ann/Report%202.pdf"), Url("https://example.com/a")}));

    addFile("/Users/ann/Tidy.applescript");
    launchTarget("~/Tidy.applescript now");
    EXPECT_EQ(sim->processes.takeStart(), (Start{"/usr/bin/osascript", {"/Users/ann/Tidy.applescript"}, true}));
    EXPECT_TRUE(nothingStarted());
}

TEST_F(LaunchTargetTest, FileHeaders) {
    const std::vector<std::pair<Bytes, bool>> cases{
        {bytesOf("#!"), true},
        {bytesOf("#"), false},
        {bytesOf(""), false},
        {bytesOf("#?/bin"), false},
        {{0x7F, 'E', 'L', 'F'}, true},
        {{0x7F, 'E', 'L', 'F', 0x02, 0x01}, true},
        {{0x7F, 'E', 'L'}, false},
        {{0x7F, 'e', 'l', 'f'}, false},
        {{'E', 'L', 'F', 0x7F}, false},
        // Another system's executables do not run here.
        {{0xFE, 0xED, 0xFA, 0xCF}, false},
        {{0xCA, 0xFE, 0xBA, 0xBE}, false},
    };
    for (const auto& [content, expected] : cases) {
        addFile("/opt/f", content);
        EXPECT_EQ(readFileHeader("/opt/f"), expected) << content.size();
    }
    sim->files.unreadable.push_back("/opt/f");
    EXPECT_FALSE(readFileHeader("/opt/f"));
    EXPECT_FALSE(readFileHeader("/opt/missing"));
}

TEST_F(LaunchTargetTest, ShortcutNamesAreTheTrimmedLines) {
    EXPECT_EQ(parseShortcutNames(bytesOf("  Dim \n\nMorning\tRoutine\t\r\n\xE2\x80\xA8Last")),
              (std::vector<std::string>{"Dim", "Morning\tRoutine", "Last"}));
    EXPECT_TRUE(parseShortcutNames(Bytes{'A', 0xFF}).empty());
}

TEST_F(LaunchTargetTest, FetchingShortcutNames) {
    std::optional<std::vector<std::string>> got;
    auto keep = [&](std::vector<std::string> names) { got = std::move(names); };

    // No tool: nothing is started, and the list is empty.
    fetchShortcutNames(keep);
    sim->runLoop.runPending();
    EXPECT_EQ(got, std::vector<std::string>{});
    EXPECT_TRUE(nothingStarted());

    addExecutable("/usr/bin/shortcuts");
    sim->processes.respond = [](const Start&) { return std::optional<Bytes>(bytesOf("Dim\nWake\n")); };
    refreshShortcutNames();
    sim->runLoop.runPending();
    EXPECT_EQ(ShortcutList::shared().names, (std::vector<std::string>{"Dim", "Wake"}));
    Start s = sim->processes.takeStart();
    EXPECT_EQ(s.path, "/bin/sh");
    EXPECT_EQ(s.arguments, (std::vector<std::string>{"-c", "exec /usr/bin/shortcuts list 2>/dev/null"}));
    EXPECT_FALSE(s.detached);

    sim->processes.respond = [](const Start&) { return std::optional<Bytes>(); };
    got.reset();
    fetchShortcutNames(keep);
    sim->runLoop.runPending();
    EXPECT_EQ(got, std::vector<std::string>{});
}

} // namespace
} // namespace corv::engine
