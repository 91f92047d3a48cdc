#pragma once
// A desktop over devices faked with umockdev: a test adds its devices, then
// starts the desktop, the engine's taps live unless told otherwise.

#include "engine/LiveTaps.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "support/UmockdevInput.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <memory>

namespace corv::desktop {

class InputScene {
public:
    // The machine's own desktop shell is never driven: a test names one.
    InputScene() { ::unsetenv("XDG_CURRENT_DESKTOP"); }
    ~InputScene() {
        if (desktop) engine::stopEngineTaps();
        resetShared();
        desktop.reset();
    }
    void start(bool engineOn = true, const std::function<void(DesktopLocations&)>& where = {}) {
        DesktopLocations at{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        at.input.stallBound = test::kQuietStallBound;
        at.input.verdictBound = test::kQuietVerdictBound;
        if (where) where(at);
        desktop = std::make_unique<DesktopPlatform>(at);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        if (engineOn) engine::startEngineTaps();
    }
    // Runs the loop until the program has read all that was sent to the
    // nodes it holds, no other thread is running or waiting to run, and
    // nothing more is written for `ms`: a reader a busy machine keeps from
    // running writes nothing for a while, yet is not done.
    void settle(int ms = 100) { settle(input, ms); }
    static void settle(test::InputTestbed& input, int ms = 100) {
        std::size_t before = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        // Work the loop has queued already (a reader's hand-over, a turn the
        // chain put off) runs first: a main thread a busy machine held past
        // the quiet spell has not done it yet, and its reader waits asleep.
        const auto idle = [&] {
            for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
            return input.allRead() && othersAsleep();
        };
        do {
            test::spinUntil(idle, 10000);
            before = writes(input);
            test::spinUntil([] { return false; }, ms);
        } while ((writes(input) != before || !idle()) && std::chrono::steady_clock::now() < end);
    }
    // Whether every thread of the process but this one sleeps.
    static bool othersAsleep() {
        const std::string self = std::to_string(::gettid());
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            if (task.path().filename() == self) continue;
            std::ifstream in(task.path() / "stat");
            std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const auto close = stat.rfind(')');
            if (close != std::string::npos && close + 2 < stat.size() && (stat[close + 2] == 'R' || stat[close + 2] == 'D'))
                return false;
        }
        return true;
    }
    static std::size_t writes(test::InputTestbed& input) {
        std::size_t n = 0;
        for (const auto& d : input.uinputDevices()) n += d.events.size();
        return n;
    }

    test::Testbed bed;
    test::InputTestbed input{bed};
    QTemporaryDir tmp;
    std::unique_ptr<DesktopPlatform> desktop;
};

} // namespace corv::desktop
