// The ways out of a grab, over a faked keyboard and mouse: the session
// switched away and sleep (logind on a private system bus), a main loop that
// stands still, a termination signal it cannot take up, job control and a
// crash. Each must leave nothing grabbed and no key held.

#include "engine/EngineTaps.h"
#include "engine/LiveTaps.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/PrivateBus.h"
#include "support/UmockdevInput.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace corv::desktop {
namespace {

using test::InputEvent;
using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<InputEvent>;
using Clock = std::chrono::steady_clock;

constexpr const char* kKeyboard = "Fake Keyboard";
constexpr const char* kMouse = "Fake Mouse";
constexpr const char* kPosting = "Corvadine virtual input";
constexpr std::uint16_t kVkA = 0, kVkC = 8;
const QString kLogind = "org.freedesktop.login1";

Keys tap(std::uint16_t code) { return {keyEvent(code, 1), keyEvent(code, 0)}; }

// A desktop over a faked keyboard and mouse, the engine's taps live.
class Scene {
public:
    explicit Scene(const QString& systemBus = {}) {
        DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        where.systemBusAddress = systemBus;
        desktop = std::make_unique<DesktopPlatform>(where);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        engine::startEngineTaps();
        EXPECT_TRUE(taken());
        settle();
    }
    ~Scene() {
        engine::stopEngineTaps();
        resetShared();
        desktop.reset();
    }
    bool taken() {
        return spinUntil([&] { return input.grabbed(keyboard) && input.grabbed(mouse); }, 5000);
    }
    bool letGo() {
        return spinUntil([&] { return !input.grabbed(keyboard) && !input.grabbed(mouse); }, 5000);
    }
    // Each made device of the name, oldest first, is gone.
    bool allDestroyed(const std::string& name) {
        for (const auto& d : input.uinputDevices())
            if (d.name == name && d.created && !d.destroyed) return false;
        return true;
    }
    void settle() {
        std::size_t before = 0;
        do {
            before = writes();
            spinUntil([] { return false; }, 60);
        } while (writes() != before);
    }
    std::size_t writes() {
        std::size_t n = 0;
        for (const auto& d : input.uinputDevices()) n += d.events.size();
        return n;
    }
    void type(const Keys& keys) {
        for (const auto& k : keys) {
            input.send(keyboard, {{EV_MSC, MSC_SCAN, k.code}, k});
            settle();
        }
    }
    DesktopInput& in() { return desktop->eventTaps.input; }

    test::Testbed bed;
    test::InputTestbed input{bed};
    std::string keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    std::string mouse = input.addDevice(test::fakeMouse(kMouse));
    QTemporaryDir tmp;
    std::unique_ptr<DesktopPlatform> desktop;
};

class LogindBus {
public:
    LogindBus() {
        EXPECT_EQ(bus.error(), "");
        EXPECT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
        // The session "auto" names the caller's own.
        auto reply = bus.mock(kLogind, "/org/freedesktop/login1", "AddSession",
                              {"auto", "seat0", QVariant::fromValue(quint32(1000)), "user", true});
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    void setSessionActive(bool active) {
        auto reply = bus.mock(kLogind, "/org/freedesktop/login1/session/auto", "UpdateProperties",
                              {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}}});
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    void prepareForSleep(bool start) {
        auto reply = bus.mock(kLogind, "/org/freedesktop/login1", "EmitSignal",
                              {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{start}});
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }
    test::PrivateBus bus{test::PrivateBus::Kind::System};
};

TEST(InputRelease, TheSessionSwitchedAwayOrSleepLetsEverythingGoUntilTheUserIsBack) {
    if (!test::runningUnderUmockdev()) return;
    LogindBus logind;
    Scene s(logind.bus.address());
    // The program follows logind from its launch on.
    platform::workspaceNotes().addObserver(platform::WorkspaceNote::WillSleep, [](const auto&) {});
    s.type({keyEvent(KEY_LEFTSHIFT, 1)});
    ASSERT_EQ(s.input.written(kKeyboard), Keys{keyEvent(KEY_LEFTSHIFT, 1)});

    // Switched away with Shift held: the clone lifts it and goes, the nodes
    // are free, the posting device goes too.
    logind.setSessionActive(false);
    ASSERT_TRUE(s.letGo());
    EXPECT_TRUE(spinUntil([&] { return s.allDestroyed(kKeyboard) && s.allDestroyed(kPosting); }, 5000));
    EXPECT_EQ(s.input.written(kKeyboard), tap(KEY_LEFTSHIFT));
    EXPECT_TRUE(s.allDestroyed(kMouse));

    // Back: the mouse at once, the keyboard once Shift is up.
    logind.setSessionActive(true);
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.mouse); }, 5000));
    s.settle();
    EXPECT_FALSE(s.input.grabbed(s.keyboard));
    s.input.release(s.keyboard, KEY_LEFTSHIFT);
    ASSERT_TRUE(s.taken());
    s.settle();
    s.type(tap(KEY_X));
    EXPECT_EQ(s.input.written(kKeyboard), tap(KEY_X));
    EXPECT_TRUE(s.input.uinputDevice(kPosting) && !s.input.uinputDevice(kPosting)->destroyed);

    // Sleep lets go the same way; a wake into a session still switched away
    // takes nothing; its return does.
    logind.prepareForSleep(true);
    ASSERT_TRUE(s.letGo());
    EXPECT_TRUE(spinUntil([&] { return s.allDestroyed(kKeyboard) && s.allDestroyed(kPosting); }, 5000));
    logind.setSessionActive(false);
    logind.prepareForSleep(false);
    spinUntil([] { return false; }, 300);
    EXPECT_FALSE(s.input.grabbed(s.mouse));
    EXPECT_TRUE(s.in().away());
    logind.setSessionActive(true);
    ASSERT_TRUE(s.taken());
    s.settle();
    s.type(tap(KEY_Y));
    EXPECT_EQ(s.input.written(kKeyboard), tap(KEY_Y));
}

TEST(InputRelease, AMainLoopStandingStillLetsGoWithinItsBoundAndTakesAgainWhenItTurns) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    BindAction copy;
    copy.isHotkey = true;
    copy.hotkeyMod = EventFlag::Control;
    copy.hotkeyKey = kVkC;
    Apps::shared().a.modify([&](AppEntries& e) { e[""].key[kVkA][0] = copy; });
    s.type({keyEvent(KEY_LEFTSHIFT, 1), keyEvent(KEY_A, 1)});
    const Keys held = test::significant(s.input.uinputDevice(kPosting)->events);
    ASSERT_FALSE(held.empty());
    ASSERT_EQ(held.back(), keyEvent(KEY_C, 1)) << ::testing::PrintToString(held);

    // The main thread waits here without turning its loop.
    const auto stalled = Clock::now();
    Clock::time_point lifted{};
    const bool released = s.input.waitHeld(
        [&](const std::vector<test::UinputDevice>& made) {
            bool up = false;
            int clonesGone = 0;
            for (const auto& d : made) {
                if (d.name == kPosting && !d.events.empty()) {
                    const Keys keys = test::significant(d.events);
                    up = std::count(keys.begin(), keys.end(), keyEvent(KEY_C, 0)) == 1 &&
                         std::count(keys.begin(), keys.end(), keyEvent(KEY_LEFTCTRL, 0)) == 1;
                    if (up && lifted == Clock::time_point{}) lifted = d.writtenAt.back();
                }
                if (d.name == kKeyboard || d.name == kMouse) clonesGone += d.destroyed;
            }
            return up && clonesGone == 2;
        },
        3000);
    ASSERT_TRUE(released);
    const double after = std::chrono::duration<double>(lifted - stalled).count();
    EXPECT_GE(after, 0.3);
    EXPECT_LE(after, 1.5);
    EXPECT_FALSE(s.input.grabbed(s.keyboard));
    EXPECT_FALSE(s.input.grabbed(s.mouse));
    std::printf("stall released after %.3f s (%.3f s from the last turn)\n", after, s.in().lastStallRelease());

    // Turning again: taken again, the keyboard once its keys are up.
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.mouse); }, 5000));
    s.input.release(s.keyboard, KEY_A);
    s.input.release(s.keyboard, KEY_LEFTSHIFT);
    ASSERT_TRUE(s.taken());
    s.settle();
    s.type(tap(KEY_B));
    EXPECT_EQ(s.input.written(kKeyboard), tap(KEY_B));
}

// A copy of the program for the tests below to signal: it takes the faked
// devices of the test that starts it and, told "stuck", never turns its loop
// again.
TEST(InputRelease, DISABLED_TakesTheDevicesForAnotherTest) {
    const char* mode = std::getenv("CORV_INPUT_HOLDER");
    if (!mode) return;
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    QTemporaryDir tmp;
    DesktopPlatform desktop({tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
    resetShared();
    Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
    engine::startEngineTaps();
    ASSERT_TRUE(spinUntil([&] { return desktop.eventTaps.input.taken().size() == 2; }, 5000));
    std::printf("ready\n");
    std::fflush(stdout);
    // The test reads its clones' arrival while the loop still turns.
    std::string line;
    std::getline(std::cin, line);
    spinUntil([] { return false; }, 300);
    if (std::string(mode) == "stuck")
        for (;;) ::pause();
    spinUntil([] { return false; }, 60000);
}

class Holder {
public:
    Holder(const char* mode) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("CORV_INPUT_HOLDER", mode);
        process.setProcessEnvironment(env);
        test::endWithThisProcess(process);
        process.start(QCoreApplication::applicationFilePath(),
                      {"--gtest_also_run_disabled_tests", "--gtest_filter=InputRelease.DISABLED_TakesTheDevicesForAnotherTest"});
    }
    ~Holder() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(5000);
    }
    bool ready(test::InputTestbed& input) {
        QElapsedTimer clock;
        clock.start();
        QByteArray said;
        while (!said.contains("\nready\n") && clock.elapsed() < 20000 && process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(100);
            said += process.readAll();
        }
        if (!said.contains("\nready\n")) {
            ADD_FAILURE() << "the holder said " << said.toStdString();
            return false;
        }
        input.uinputDevices();  // announces the clones
        process.write("go\n");
        process.waitForBytesWritten(1000);
        return true;
    }
    pid_t pid() const { return static_cast<pid_t>(process.processId()); }
    char state() const {
        std::ifstream stat("/proc/" + std::to_string(pid()) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = all.rfind(')');
        return close == std::string::npos || close + 2 >= all.size() ? '?' : all[close + 2];
    }
    QProcess process;
};

// What the holder made and took is all let go and destroyed.
bool allReleased(const std::vector<test::UinputDevice>& made) {
    int destroyed = 0;
    for (const auto& d : made) {
        if (d.created && !d.destroyed) return false;
        destroyed += d.destroyed;
    }
    return destroyed == 3;
}

TEST(InputRelease, ATerminationTheStuckLoopCannotTakeUpEndsWithEverythingLetGo) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    test::InputTestbed input(bed);
    const auto keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    const auto mouse = input.addDevice(test::fakeMouse(kMouse));
    Holder holder("stuck");
    ASSERT_TRUE(holder.ready(input));
    // Past the stall bound, so the devices are already let go.
    spinUntil([] { return false; }, 1000);
    const auto sent = Clock::now();
    ::kill(holder.pid(), SIGTERM);
    ASSERT_TRUE(holder.process.waitForFinished(10000));
    const double took = std::chrono::duration<double>(Clock::now() - sent).count();
    EXPECT_EQ(holder.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(holder.process.exitCode(), 128 + SIGTERM);
    EXPECT_GE(took, 0.9);
    EXPECT_TRUE(allReleased(input.uinputDevices()));
    EXPECT_FALSE(input.grabbed(keyboard));
    EXPECT_FALSE(input.grabbed(mouse));
}

TEST(InputRelease, JobControlIsIgnoredAndACrashLetsEverythingGo) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    test::InputTestbed input(bed);
    const auto keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    const auto mouse = input.addDevice(test::fakeMouse(kMouse));
    Holder holder("serve");
    ASSERT_TRUE(holder.ready(input));
    ASSERT_TRUE(input.grabbed(keyboard));

    // Ctrl+Z from the terminal: still running, still passing keys.
    for (int s : {SIGTSTP, SIGTTIN, SIGTTOU}) ::kill(holder.pid(), s);
    input.press(keyboard, KEY_B);
    input.release(keyboard, KEY_B);
    EXPECT_TRUE(input.waitHeld(
        [](const std::vector<test::UinputDevice>& made) {
            for (const auto& d : made)
                if (d.name == kKeyboard && test::significant(d.events) == tap(KEY_B)) return true;
            return false;
        },
        5000));
    EXPECT_NE(holder.state(), 'T');

    // A crash: everything is let go, then the crash takes its course.
    ::kill(holder.pid(), SIGSEGV);
    ASSERT_TRUE(holder.process.waitForFinished(10000));
    EXPECT_EQ(holder.process.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(allReleased(input.uinputDevices()));
    EXPECT_FALSE(input.grabbed(keyboard));
    EXPECT_FALSE(input.grabbed(mouse));
}

} // namespace
} // namespace corv::desktop
