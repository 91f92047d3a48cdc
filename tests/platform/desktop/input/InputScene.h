#pragma once
// A desktop over devices faked with umockdev: a test adds its devices, then
// starts the desktop, the engine's taps live unless told otherwise.

#include "engine/LiveTaps.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <cstdlib>
#include <functional>
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
        if (where) where(at);
        desktop = std::make_unique<DesktopPlatform>(at);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        if (engineOn) engine::startEngineTaps();
    }
    // Runs the loop until nothing more is written for `ms`.
    void settle(int ms = 60) {
        std::size_t before = 0;
        do {
            before = writes();
            test::spinUntil([] { return false; }, ms);
        } while (writes() != before);
    }
    std::size_t writes() {
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
