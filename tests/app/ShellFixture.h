#pragma once

#include "app/AppDelegate.h"
#include "app/CorvadineApp.h"
#include "engine/EngineTaps.h"
#include "support/SimFixture.h"

#include <string>
#include <vector>

namespace corv::test {

class ShellTest : public SimTest {
protected:
    // The program starts: the entry, then the launch; the steps run are kept.
    void launch() {
        app::AppDelegate::shared().stepObserver = [this](std::string_view s) { steps.emplace_back(s); };
        app::CorvadineApp entry;
        entry.launch();
    }

    // The microphone item is made first, the main one second.
    sim::SimStatusButton& micItem() { return *sim->statusBar.items.at(0); }
    sim::SimStatusButton& mainItem() { return *sim->statusBar.items.at(1); }
    sim::PanelRecord& panel() { return *sim->windows.panels.at(0); }

    bool tapOn(const engine::TapSlot& slot) { return sim->events.isEnabled(slot.tap); }
    struct TapStates {
        bool gesture, click, key;
        bool operator==(const TapStates&) const = default;
    };
    TapStates taps() { return {tapOn(engine::gestureTap()), tapOn(engine::clickTap()), tapOn(engine::keyTap())}; }

    std::vector<std::string> steps;
};

} // namespace corv::test
