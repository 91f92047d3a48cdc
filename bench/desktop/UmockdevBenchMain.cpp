// The main of the desktop benchmarks: runs itself again under umockdev's
// preload, with no display and no reachable bus, then runs the benchmarks.

#include "support/Umockdev.h"

#include <QApplication>
#include <QByteArray>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        ::setenv("LD_PRELOAD", corv::test::kUmockdevPreload, 1);
        ::execv("/proc/self/exe", argv);
        std::perror("cannot run again under umockdev");
        return 1;
    }
    // umockdev's usleep(0) would otherwise sleep the default 50 us slack.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        qputenv(name, "unix:path=/nonexistent/corvadine-bench-bus");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
