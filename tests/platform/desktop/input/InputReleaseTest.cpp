// The ways out of a grab, over a faked keyboard and mouse: the session
// switched away and sleep (logind on a private system bus), a main loop that
// stands still, a termination signal it cannot take up, job control and a
// crash. Each leaves nothing grabbed and no key held.

#include "engine/EngineTaps.h"
#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/PrivateBus.h"
#include "platform/desktop/input/InputScene.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/resource.h>
#include <thread>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<test::InputEvent>;
using Made = std::vector<test::UinputDevice>;

constexpr const char* kKeyboard = "Fake Keyboard";
constexpr const char* kPosting = "Corvadine virtual input";
const QString kLogind = "org.freedesktop.login1";

Keys tap(std::uint16_t code) { return {keyEvent(code, 1), keyEvent(code, 0)}; }
Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
void idle(int ms) { spinUntil([] { return false; }, ms); }

// Every uinput device made is destroyed, `count` of them at least.
bool allDestroyed(const Made& made, int count = 1) {
    int destroyed = 0;
    for (const auto& d : made) {
        if (d.created && !d.destroyed) return false;
        destroyed += d.destroyed;
    }
    return destroyed >= count;
}

// A desktop over a faked keyboard and mouse, the engine's taps live.
class Scene : public InputScene {
public:
    explicit Scene(const QString& systemBus = {}, double stallBound = test::kQuietStallBound,
                   double verdictBound = test::kQuietVerdictBound) {
        start(true, [&](DesktopLocations& where) {
            where.systemBusAddress = systemBus;
            where.input.stallBound = stallBound;
            where.input.verdictBound = verdictBound;
        });
        EXPECT_TRUE(grabbed(true));
        idle(200);
    }
    bool grabbed(bool both) {
        return spinUntil([&] { return input.grabbed(keyboard) == both && input.grabbed(mouse) == both; }, 5000);
    }
    // Types on the keyboard, then checks what its last clone got.
    Keys typed(const Keys& keys) {
        for (const auto& k : keys) input.send(keyboard, {{EV_MSC, MSC_SCAN, k.code}, k});
        idle(300);
        return input.written(kKeyboard);
    }

    std::string keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    std::string mouse = input.addDevice(test::fakeMouse());
};

TEST(InputRelease, TheSessionSwitchedAwayOrSleepLetsEverythingGoUntilTheUserIsBack) {
    if (!test::runningUnderUmockdev()) return;
    test::PrivateBus bus{test::PrivateBus::Kind::System};
    ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
    const QString manager = "/org/freedesktop/login1";
    // The session "auto" names the caller's own.
    bus.mock(kLogind, manager, "AddSession", {"auto", "seat0", QVariant::fromValue(quint32(1000)), "user", true});
    const auto setActive = [&](bool active) {
        bus.mock(kLogind, manager + "/session/auto", "UpdateProperties",
                 {"org.freedesktop.login1.Session", QVariantMap{{"Active", active}}});
    };
    const auto sleep = [&](bool start) {
        bus.mock(kLogind, manager, "EmitSignal",
                 {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{start}});
    };
    Scene s(bus.address());
    // The program follows logind from its launch on.
    platform::workspaceNotes().addObserver(platform::WorkspaceNote::WillSleep, [](const auto&) {});
    ASSERT_EQ(s.typed({keyEvent(KEY_LEFTSHIFT, 1)}), Keys{keyEvent(KEY_LEFTSHIFT, 1)});

    // Switched away with Shift held: the clone lifts it and goes with the
    // other devices, the nodes are free.
    setActive(false);
    ASSERT_TRUE(s.grabbed(false));
    EXPECT_TRUE(spinUntil([&] { return allDestroyed(s.input.uinputDevices(), 3); }, 5000));
    EXPECT_EQ(s.input.written(kKeyboard), tap(KEY_LEFTSHIFT));

    // Back: the mouse at once, the keyboard once Shift is up.
    setActive(true);
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.mouse); }, 5000));
    idle(200);
    EXPECT_FALSE(s.input.grabbed(s.keyboard));
    // Away again before Shift is up: the keyboard's retries take nothing
    // while the user is away, though its keys are up now.
    setActive(false);
    ASSERT_TRUE(s.grabbed(false));
    s.input.release(s.keyboard, KEY_LEFTSHIFT);
    idle(1500);
    EXPECT_FALSE(s.input.grabbed(s.keyboard));
    setActive(true);
    ASSERT_TRUE(s.grabbed(true));
    EXPECT_EQ(s.typed(tap(KEY_X)), tap(KEY_X));
    EXPECT_FALSE(s.input.uinputDevice(kPosting)->destroyed);

    // Sleep lets go the same way; a wake into a session still switched away
    // takes nothing; its return does.
    sleep(true);
    ASSERT_TRUE(s.grabbed(false));
    EXPECT_TRUE(spinUntil([&] { return allDestroyed(s.input.uinputDevices(), 6); }, 5000));
    setActive(false);
    sleep(false);
    idle(300);
    EXPECT_FALSE(s.input.grabbed(s.mouse));
    setActive(true);
    ASSERT_TRUE(s.grabbed(true));
    EXPECT_EQ(s.typed(tap(KEY_Y)), tap(KEY_Y));
}

TEST(InputRelease, AMainLoopStandingStillLetsGoWithinItsBoundAndTakesAgainWhenItTurns) {
    if (!test::runningUnderUmockdev()) return;
    Scene s({}, 0.5);
    BindAction copy;
    copy.isHotkey = true;
    copy.hotkeyMod = EventFlag::Control;
    copy.hotkeyKey = 8;  // C
    Apps::shared().a.modify([&](AppEntries& e) { e[""].key[0][ModMask::Command] = copy; });  // Super+A
    s.typed({keyEvent(KEY_LEFTMETA, 1), keyEvent(KEY_A, 1)});
    const Keys guard{keyEvent(KEY_UNKNOWN, 1), keyEvent(KEY_UNKNOWN, 0)};
    ASSERT_EQ(s.input.written(kPosting), (guard + Keys{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_C, 1)}));
    // Keys typed while the loop stands pass once the usual bound is over.
    s.desktop->eventTaps.input.setVerdictBound(0.050);

    // The main thread waits here without turning its loop: the posted keys
    // are lifted once, the clones destroyed, the nodes let go.
    const auto stalled = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lifted{};
    ASSERT_TRUE(s.input.waitHeld(
        [&](const Made& made) {
            bool clonesGone = true;
            for (const auto& d : made) {
                if (d.name == kPosting && test::significant(d.events).size() == 6) lifted = d.writtenAt.back();
                if (d.name != kPosting && !d.destroyed) clonesGone = false;
            }
            return lifted != std::chrono::steady_clock::time_point{} && clonesGone;
        },
        3000));
    EXPECT_EQ(s.input.written(kPosting), (guard + Keys{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_C, 1),
                                                         keyEvent(KEY_LEFTCTRL, 0), keyEvent(KEY_C, 0)}));
    const double after = std::chrono::duration<double>(lifted - stalled).count();
    EXPECT_GE(after, 0.3);
    EXPECT_LE(after, 1.5);
    EXPECT_FALSE(s.input.grabbed(s.keyboard) || s.input.grabbed(s.mouse));
    std::printf("let go %.3f s into the stall\n", after);

    // Super+A let go while the loop still stands: the binding ends once the
    // loop turns, so a plain A's up passes the key tap; nothing more is posted.
    const auto handed = s.desktop->eventTaps.input.counters().toMain.load();
    s.input.release(s.keyboard, KEY_A);
    s.input.release(s.keyboard, KEY_LEFTMETA);
    // Both ups are read while the loop stands, however busy the machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (s.desktop->eventTaps.input.counters().toMain.load() < handed + 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(s.desktop->eventTaps.input.counters().toMain.load(), handed + 2);
    ASSERT_TRUE(s.grabbed(true));
    // Asked in time again, however busy the machine.
    s.desktop->eventTaps.input.setVerdictBound(test::kQuietVerdictBound);
    auto& taps = platform::eventTaps();
    Keys passed;
    const auto spy = taps.createTap(platform::TapLocation::Session, platform::TapPlacement::TailAppend,
                                    platform::TapOptions::ListenOnly, engine::kKeyTapMask,
                                    [&](platform::TapProxy, std::uint32_t type, platform::Event e) {
                                        if (type == 10 || type == 11)
                                            passed.push_back({static_cast<std::uint16_t>(e.integerField(9)),
                                                              static_cast<std::uint16_t>(type), 0});
                                        return std::optional<platform::Event>(e);
                                    });
    taps.addToMainLoop(taps.createRunLoopSource(spy));
    taps.setEnabled(spy, true);
    const Keys posted = s.input.written(kPosting);
    EXPECT_EQ(s.typed(tap(KEY_A)), tap(KEY_A));
    EXPECT_EQ(passed, (Keys{{0, 10, 0}, {0, 11, 0}}));  // A's down and up, as key codes and types
    EXPECT_EQ(s.input.written(kPosting), posted);
    taps.setEnabled(spy, false);
}

TEST(InputRelease, AZoomCutByAStandingLoopLeavesNoControlDown) {
    if (!test::runningUnderUmockdev()) return;
    Scene s({}, 0.5);
    Apps::shared().a.modify([&](AppEntries& e) { e[""].key[40][0] = BindAction::forAction(ActionId::ZoomIn); });  // K
    s.input.send(s.keyboard, {{EV_MSC, MSC_SCAN, KEY_K}, keyEvent(KEY_K, 1)});
    const Keys zoomed{keyEvent(KEY_LEFTCTRL, 1), test::relEvent(REL_WHEEL, 1), test::relEvent(REL_WHEEL_HI_RES, 120)};
    ASSERT_TRUE(spinUntil([&] { return s.input.written(kPosting) == zoomed; }, 3000));
    // The loop stands before the zoom's end: the watchdog lifts Control.
    ASSERT_TRUE(s.input.waitHeld(
        [&](const Made& made) {
            for (const auto& d : made)
                if (d.name == kPosting) return test::significant(d.events) == zoomed + Keys{keyEvent(KEY_LEFTCTRL, 0)};
            return false;
        },
        3000));
    // The zoom's end, once the loop turns, presses nothing again (the
    // recovery's repeated up of what the watchdog lifted is no change for
    // the kernel).
    s.input.release(s.keyboard, KEY_K);
    ASSERT_TRUE(s.grabbed(true));
    idle(600);
    const Keys posted = s.input.written(kPosting);
    ASSERT_GE(posted.size(), zoomed.size() + 1);
    for (std::size_t i = zoomed.size(); i < posted.size(); ++i) EXPECT_EQ(posted[i], keyEvent(KEY_LEFTCTRL, 0));
}

// The stall bound of the copy that serves: one its loop keeps on a loaded
// machine, and the stops it is given outlast it.
constexpr double kServingStallBound = 1.5;

// A copy of the program for the test below to signal: it takes the faked
// devices of the test that starts it and, told "stuck", never turns its loop
// again.
TEST(InputRelease, DISABLED_TakesTheDevicesForAnotherTest) {
    const char* mode = std::getenv("CORV_INPUT_HOLDER");
    if (!mode) GTEST_SKIP() << "run by the tests below, which set CORV_INPUT_HOLDER";
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    QTemporaryDir tmp;
    // Its termination bound, not the watchdog, lets a stuck loop's devices go.
    DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
    if (std::string(mode) == "stuck") where.input.stallBound = test::kQuietStallBound;
    if (std::string(mode) == "serve") where.input.stallBound = kServingStallBound;
    DesktopPlatform desktop(where);
    resetShared();
    BindAction copy;
    copy.isHotkey = true;
    copy.hotkeyMod = EventFlag::Control;
    copy.hotkeyKey = 8;  // C
    Apps::shared().a.modify([&](AppEntries& entries) {
        entries[""] = AnApp{};
        entries[""].key[0][ModMask::Command] = copy;  // Super+A
    });
    engine::startEngineTaps();
    ASSERT_TRUE(spinUntil([&] { return desktop.eventTaps.input.taken().size() == 2; }, 5000));
    // Taken devices are read from the loop's next turn.
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
    std::printf("\nready\n");
    std::fflush(stdout);
    // The test reads its clones' arrival while the loop still turns.
    std::string line;
    std::getline(std::cin, line);
    idle(300);
    if (std::string(mode) == "stuck")
        for (;;) ::pause();
    if (std::string(mode) == "slow") {
        // Nothing held, then a loop slower than the termination bound.
        engine::stopEngineTaps();
        ASSERT_TRUE(spinUntil([&] { return desktop.eventTaps.input.taken().empty(); }, 5000));
        std::printf("\nquiet\n");
        std::fflush(stdout);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < until) ::usleep(10000);
        return;
    }
    idle(60000);
}

class Holder {
public:
    Holder(const char* mode, test::InputTestbed& input) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("CORV_INPUT_HOLDER", mode);
        process.setProcessEnvironment(env);
        test::endWithThisProcess(process);
        process.start(QCoreApplication::applicationFilePath(),
                      {"--gtest_also_run_disabled_tests", "--gtest_filter=InputRelease.DISABLED_*"});
        QByteArray said;
        spinUntil([&] {
            said += process.readAll();
            return said.contains("\nready\n") || process.state() == QProcess::NotRunning;
        }, 20000);
        ready = said.contains("\nready\n");
        input.uinputDevices();  // announces the clones
        process.write("go\n");
    }
    ~Holder() {
        process.kill();
        process.waitForFinished(5000);
    }
    pid_t pid() const { return static_cast<pid_t>(process.processId()); }
    QProcess process;
    bool ready = false;
};

TEST(InputRelease, JobControlIsIgnoredWhileCrashesAndUnansweredTerminationsLetEverythingGo) {
    if (!test::runningUnderUmockdev()) return;
    test::Testbed bed;
    test::InputTestbed input(bed);
    const auto keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    const auto mouse = input.addDevice(test::fakeMouse());
    const auto letGo = [&] {
        return allDestroyed(input.uinputDevices(), 3) && !input.grabbed(keyboard) && !input.grabbed(mouse);
    };
    {
        // Ctrl+Z from the terminal: still running, still passing keys.
        Holder serving("serve", input);
        ASSERT_TRUE(serving.ready);
        for (int s : {SIGTSTP, SIGTTIN, SIGTTOU}) test::signalProcess(serving.pid(), s);
        input.press(keyboard, KEY_B);
        input.release(keyboard, KEY_B);
        EXPECT_TRUE(input.waitHeld(
            [](const Made& made) {
                return std::any_of(made.begin(), made.end(), [](const auto& d) {
                    return d.name == kKeyboard && test::significant(d.events) == tap(KEY_B);
                });
            },
            5000));
        std::ifstream stat("/proc/" + std::to_string(serving.pid()) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        EXPECT_EQ(all.find(") T "), std::string::npos) << all;

        // Stopped and continued is no stall, however long the stop, though a
        // chord is held (so the loop owes turns): nothing is let go or taken
        // again, and the keys typed meanwhile reach the desktop.
        input.press(keyboard, KEY_LEFTMETA);
        input.press(keyboard, KEY_A);
        const auto clone = [&] {
            for (const auto& d : input.uinputDevices())
                if (d.name == kKeyboard && !d.destroyed) return test::significant(d.events);
            return Keys{};
        };
        ASSERT_TRUE(spinUntil([&] { return input.written(kPosting).size() >= 4; }, 5000));  // the guard, Ctrl, C
        Keys typed = clone();
        constexpr int bound = static_cast<int>(kServingStallBound * 1000);
        for (const int stopMs : {300, bound, bound + 50, bound + 100, bound + 1000}) {
            SCOPED_TRACE(stopMs);
            test::signalProcess(serving.pid(), SIGSTOP);
            for (int i = 0; i < 5; ++i) {
                input.press(keyboard, KEY_B);
                input.release(keyboard, KEY_B);
                typed = typed + tap(KEY_B);
            }
            idle(stopMs);
            test::signalProcess(serving.pid(), SIGCONT);
            EXPECT_TRUE(spinUntil([&] { return clone() == typed; }, 3000)) << ::testing::PrintToString(clone());
            idle(300);  // a stop taken for a stall lets go at once
            EXPECT_TRUE(input.grabbed(keyboard));
            EXPECT_EQ(input.grabCount(keyboard), 1);
        }
        input.release(keyboard, KEY_A);
        input.release(keyboard, KEY_LEFTMETA);

        // A crash lets everything go, then takes its course.
        test::signalProcess(serving.pid(), SIGSEGV);
        ASSERT_TRUE(serving.process.waitForFinished(10000));
        EXPECT_EQ(serving.process.exitStatus(), QProcess::CrashExit);
        EXPECT_TRUE(letGo());
    }
    // SIGTERM to a loop that stands still: past the bound, everything is let
    // go and the process ends.
    Holder stuck("stuck", input);
    ASSERT_TRUE(stuck.ready);
    idle(1000);
    const auto sent = std::chrono::steady_clock::now();
    test::signalProcess(stuck.pid(), SIGTERM);
    ASSERT_TRUE(stuck.process.waitForFinished(10000));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(900));
    EXPECT_EQ(stuck.process.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(letGo());

    // With nothing held, a slow loop ends in its own time.
    Holder slow("slow", input);
    ASSERT_TRUE(slow.ready);
    QByteArray said;
    ASSERT_TRUE(spinUntil([&] { return (said += slow.process.readAll()).contains("\nquiet\n"); }, 10000));
    test::signalProcess(slow.pid(), SIGTERM);
    ASSERT_TRUE(slow.process.waitForFinished(10000));
    EXPECT_EQ(slow.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(slow.process.exitCode(), 0);
}

// A program a key binding starts gets job control back: a shell, which
// keeps the signals it inherits ignored.
TEST(InputRelease, AProgramABindingStartsInheritsNoIgnoredSignal) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    const std::string out = s.tmp.filePath("child").toStdString();
    BindAction start = BindAction::forAction(ActionId::Url);
    start.appName = "/bin/sh -c 'grep ^SigIgn: /proc/$$/status > " + out + ".part; mv " + out + ".part " + out + "'";
    Apps::shared().a.modify([&](AppEntries& e) { e[""].key[0][0] = start; });  // A
    s.typed(tap(KEY_A));
    ASSERT_TRUE(spinUntil([&] { return std::filesystem::exists(out); }, 10000));
    std::ifstream status(out);
    std::string name, mask;
    status >> name >> mask;
    ASSERT_EQ(name, "SigIgn:");
    for (const int signal : {SIGTSTP, SIGTTIN, SIGTTOU, SIGTERM, SIGINT})
        EXPECT_EQ(std::stoull(mask, nullptr, 16) >> (signal - 1) & 1, 0u) << signal;
}

} // namespace
} // namespace corv::desktop
