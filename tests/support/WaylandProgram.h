#pragma once

// The real program in a Wayland session of a headless compositor, on a
// private session bus and no system bus, its home a test's folder, started
// as the desktop starts it: with the three standard descriptors only, and
// ending with the test. What it says on standard error gathers in `said`,
// which is declared before `program`: stopping it may still say something.

#include "support/PrivateBus.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <linux/close_range.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

namespace corv::test {

inline QProcessEnvironment waylandProgramEnvironment(const QString& waylandDisplay, const QString& swaySocket,
                                                     const QString& sessionBus, const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_STARTER_ADDRESS", "SWAYSOCK"}) env.remove(name);
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("XDG_SESSION_TYPE", "wayland");
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("WAYLAND_DISPLAY", waylandDisplay);
    if (!swaySocket.isEmpty()) env.insert("SWAYSOCK", swaySocket);
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("DBUS_SESSION_BUS_ADDRESS", sessionBus);
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvadine-test-system");
    env.insert("CORVADINE_TRACE", "1");
    // Qt's Wayland plugin leaves its display's proxies to the process's end:
    // under LeakSanitizer that report would be read as the program's words.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + (env.contains("ASAN_OPTIONS") ? ":" : "") + "detect_leaks=0");
    // A writable stand-in for the uinput node: the program counts as trusted.
    QFile uinput(home.filePath("uinput"));
    uinput.open(QIODevice::WriteOnly);
    env.insert("CORVADINE_UINPUT", uinput.fileName());
    env.insert("CORVADINE_INPUT_DEVICES", "none");
    return env;
}

inline void startWaylandProgram(QProcess& program, QByteArray& said, const QProcessEnvironment& env) {
    program.setProcessEnvironment(env);
    QObject::connect(&program, &QProcess::readyReadStandardError, [&] { said += program.readAllStandardError(); });
    const pid_t parent = ::getpid();
    program.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardInputFile(QProcess::nullDevice());
    program.start(CORV_PROGRAM, {});
}

// Whether the program said the line so many times, waiting until it has.
inline bool saidTimes(const QByteArray& said, const char* line, int times) {
    const QByteArray wanted = QByteArray("corvadine: ") + line + "\n";
    return spinUntil([&] { return said.count(wanted) >= times; }) && said.count(wanted) == times;
}

} // namespace corv::test
