// The program itself, started as a child with its own configuration folder:
// hostile settings files and defaults files, and a disk that takes no more.

#include "model/Apps.h"
#include "model/SettingsStore.h"
#include "support/RawPlist.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace corv;
namespace hostile = corv::test::hostile;

namespace {

struct ProgramRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
    std::chrono::milliseconds time{};
    long maxRssKb = 0;
};

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

class SettingsStart : public corv::test::SimTest {
protected:
    void SetUp() override {
        char name[] = "/tmp/corv-start-XXXXXX";
        ASSERT_TRUE(mkdtemp(name));
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path defaultsFile() const { return dir / "config/corvadine/defaults.plist"; }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(defaultsFile().parent_path()))
            if (e.path().extension() == ".bak") out.push_back(e.path());
        return out;
    }

    // Runs the program with the arguments until it has started, then ends it
    // with SIGTERM; `fileLimit` caps the size of every file it writes.
    ProgramRun start(const std::vector<std::string>& args, rlim_t fileLimit = RLIM_INFINITY) {
        const auto begin = std::chrono::steady_clock::now();
        // The last run's output must not look like this one's start.
        fs::remove(dir / "err");
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, 1);
            dup2(err, 2);
            setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
            // Its own instance socket, and no bus of the machine's.
            setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
            setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvadine-test-bus", 1);
            setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/corvadine-test-bus", 1);
            setenv("CORVADINE_TRACE", "1", 1);
            // No input device of the machine, and a file for uinput: trusted, no alert.
            setenv("CORVADINE_INPUT_DEVICES", "none", 1);
            const std::string uinput = (dir / "uinput").string();
            close(open(uinput.c_str(), O_WRONLY | O_CREAT, 0600));
            setenv("CORVADINE_UINPUT", uinput.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit rl{fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &rl);
            std::vector<char*> argv{const_cast<char*>(CORV_PROGRAM)};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(CORV_PROGRAM, argv.data());
            _exit(127);
        }
        ProgramRun run;
        int status = 0;
        rusage usage{};
        // Bounded time: told to end once started, killed after 20 seconds.
        bool told = false;
        for (int waited = 0; wait4(pid, &status, WNOHANG, &usage) == 0; ++waited) {
            if (!told && readAll(dir / "err").find("corvadine: step startDockObserver\n") != std::string::npos) {
                kill(pid, SIGTERM);
                told = true;
            }
            if (waited == 2000) kill(pid, SIGKILL);
            usleep(10000);
        }
        run.time = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.maxRssKb = usage.ru_maxrss;
        run.out = readAll(dir / "out");
        run.err = readAll(dir / "err");
        return run;
    }

    // A normal exit, in bounded time and memory, after the whole start.
    void expectClean(const ProgramRun& run, const std::string& what) {
        EXPECT_EQ(run.status, 0) << what << "\n" << run.out << run.err;
        EXPECT_LT(run.time, std::chrono::seconds(10)) << what;
        EXPECT_LT(run.maxRssKb, 512 * 1024) << what;
        EXPECT_NE(run.err.find("corvadine: terminating"), std::string::npos) << what;
        EXPECT_EQ(run.err.find("could not be saved"), std::string::npos) << what;
    }

    // A settings file with `apps` applications, made on the simulated machine.
    Bytes settingsFile(int apps) {
        Apps::shared().a.modify([&](AppEntries& a) {
            for (int i = 0; i < apps; ++i) {
                AnApp app;
                app.key[static_cast<std::uint64_t>(i)][0] = BindAction::forAction(17);
                a["com.example.app" + std::to_string(i)] = app;
            }
            a["com.example.QQ"] = AnApp{};
        });
        auto file = settingsFileBytes();
        resetShared();
        return *file;
    }

    fs::path dir;
};

// The hostile lists, and a settings file whose application id is broken
// UTF-8 (binary, and the same blob in XML).
std::vector<std::pair<std::string, std::string>> hostileFiles(const Bytes& goodFile) {
    std::vector<std::pair<std::string, std::string>> out{
        {"NUL in a key", str(hostile::nulKey(true))},
        {"100,000 nested arrays", str(hostile::nestedArrays(100000))},
        {"100,000 nested XML arrays", hostile::nestedArraysXml(100000)},
        {"24-level doubly referenced chain", str(hostile::doublingChain(24))},
    };
    std::string broken = str(goodFile);
    broken.replace(broken.find("com.example.QQ") + 12, 2, "\xE0\x80");
    out.emplace_back("broken UTF-8 application id", broken);
    plist::Node root = plist::parse(goodFile);
    std::string xml = plist::toXml(plist::parse(plist::readData(plist::dictItem(root.get(), settings_keys::kAppItems))));
    // Erased and inserted, not replaced: GCC 12 at -O3 warns falsely on that replace.
    const std::size_t qq = xml.find("com.example.QQ") + 12;
    xml.erase(qq, 2);
    xml.insert(qq, 1, '\xFF');
    plist::dictSet(root, settings_keys::kAppItems, plist::makeData(Bytes(xml.begin(), xml.end())));
    out.emplace_back("broken UTF-8 application id in XML", str(plist::toBinary(root)));
    return out;
}

} // namespace

TEST_F(SettingsStart, HostileFilesOnTheCommandLineAndAsTheDefaultsFile) {
    const Bytes good = settingsFile(3);
    for (const auto& [what, bytes] : hostileFiles(good)) {
        fs::remove_all(dir / "config");
        expectClean(start({}), what + ": first start");

        // Named on the command line: refused whole, or imported without the broken blob.
        writeAll(dir / "hostile", bytes);
        const ProgramRun named = start({(dir / "hostile").string()});
        expectClean(named, what + " named");
        const bool imported = what.find("application id") != std::string::npos;
        EXPECT_EQ(named.err.find("was not imported") != std::string::npos, !imported) << what << named.err;
        expectClean(start({}), what + ": the start after");

        // As the defaults file: kept as a copy, and the next start is clean.
        fs::remove_all(dir / "config");
        writeAll(defaultsFile(), imported ? readAll(dir / "hostile") : bytes);
        if (imported) {
            // The broken blob inside a defaults file of this version.
            plist::Node file = plist::parse(Bytes(bytes.begin(), bytes.end()));
            plist::Node defaults = plist::newDict();
            plist::dictSet(defaults, settings_keys::kVersion, plist::makeSigned(versionNumberOf(CORV_SHORT_VERSION)));
            plist::dictSet(defaults, settings_keys::kAppItems,
                           plist::makeData(plist::readData(plist::dictItem(file.get(), settings_keys::kAppItems))));
            writeAll(defaultsFile(), str(plist::toBinary(defaults)));
        }
        const std::string hostileDefaults = readAll(defaultsFile());
        expectClean(start({}), what + " as the defaults file");
        ASSERT_EQ(copies().size(), 1u) << what;
        EXPECT_EQ(readAll(copies()[0]), hostileDefaults) << what;
        expectClean(start({}), what + ": the start after the defaults file");
        EXPECT_EQ(copies().size(), 1u) << what;
    }
}

TEST_F(SettingsStart, AFullDiskAtExitIsAFailure) {
    writeAll(dir / "big", str(settingsFile(200)));
    expectClean(start({(dir / "big").string()}), "import");
    const std::string stored = readAll(defaultsFile());
    ASSERT_GT(stored.size(), 4096u);

    const ProgramRun full = start({}, 4096);
    EXPECT_EQ(full.status, 1) << full.out << full.err;
    EXPECT_NE(full.err.find("could not be saved"), std::string::npos) << full.err;
    EXPECT_EQ(readAll(defaultsFile()), stored);
    expectClean(start({}), "after the full disk");
}

TEST_F(SettingsStart, ASettingsFileThatDoesNotExistIsNamedOnce) {
    const std::string missing = (dir / "no such file.plist").string();
    const ProgramRun run = start({missing});
    expectClean(run, "a missing settings file");
    const std::string line = "corvadine: " + missing + " does not exist; the stored settings are used.\n";
    EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(missing), run.err.rfind(missing)) << run.err;
}

// A file far larger than any settings file is not read into memory.
TEST_F(SettingsStart, AHugeFileIsNotReadWhole) {
    const fs::path huge = dir / "huge.plist";
    writeAll(huge, "bplist00");
    fs::resize_file(huge, std::uintmax_t{1} << 30);  // sparse: takes no disk
    const ProgramRun named = start({huge.string()});
    expectClean(named, "a 1 GB settings file");
    EXPECT_NE(named.err.find("was not imported"), std::string::npos) << named.err;
}
