#include "app/MainWinManager.h"

#include "recorders/CaptureTabs.h"
#include "engine/DisplaySpaces.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

namespace corv::app {

MainWinManager& MainWinManager::shared() { return Shared<MainWinManager>::instance(); }

MainWinManager::MainWinManager() : win(platform::windows().makePanel()) {}

PanelPlacement placePanel(const platform::Rect& b) {
    PanelPlacement p;
    // Centred under the button's window, the panel's top at its bottom.
    p.origin = {b.x + (b.width - kPanelWidth) * 0.5, b.y + b.height};
    p.screen = engine::screenContainingPoint(p.origin);
    if (p.screen) {
        const auto& f = p.screen->frame;
        if (f.x + f.width < p.origin.x + kPanelWidth) p.origin.x -= p.origin.x + kPanelWidth - (f.x + f.width);
    }
    return p;
}

void MainWinManager::showPanel(std::optional<platform::Rect> buttonWindow) {
    ++generation_;
    if (win) win->setContent(true);
    switch (Options::shared().tabSelection.get()) {
    case 0: recorders::beginGestureCapture(); break;
    case 1: recorders::beginKeyCapture(); break;
    default: break;
    }
    if (win && buttonWindow) {
        const PanelPlacement p = placePanel(*buttonWindow);
        auto& shell = ShellState::shared();
        shell.panelScreen = p.screen;
        if (p.screen) {
            shell.menuBarWidth = p.screen->frame.width;
            shell.menuBarHeight = p.screen->frame.height;
        }
        win->setFrameOrigin(p.origin);
    }
    platform::lifecycle().activateIgnoringOtherApps();
    if (win) win->makeKeyAndOrderFront();
    showing.set(true);
}

void MainWinManager::hidePanel() {
    if (win) win->orderOut();
    showing.set(false);
    recorders::endGestureCapture();
    recorders::endKeyCapture();
    auto& loop = platform::runLoop();
    loop.postAfter(kPanelReleaseDelay, [this, shown = generation_] {
        if (shown == generation_ && !showing.get() && win) win->setContent(false);
    });
    loop.postAfter(kPanelSaveDelay, [] { saveSettings(); });
}

} // namespace corv::app
