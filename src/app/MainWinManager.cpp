#include "app/MainWinManager.h"

#include "recorders/CaptureTabs.h"
#include "engine/DisplaySpaces.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::app {

MainWinManager& MainWinManager::shared() { return Shared<MainWinManager>::instance(); }

MainWinManager::MainWinManager() : win(platform::windows().makePanel()) {}

PanelPlacement placePanel(const platform::Rect& b, double panelHeight) {
    PanelPlacement p;
    // Centred under the button's window, the panel's top at its bottom.
    p.origin = {b.x + (b.width - kPanelWidth) * 0.5, b.y + b.height};
    p.screen = engine::screenContainingPoint({b.x + b.width * 0.5, b.y + b.height * 0.5});
    if (!p.screen) return p;
    const auto& f = p.screen->frame;
    const double bottom = f.y + f.height;
    const double right = f.x + f.width;
    // A tray at the bottom of the screen: the panel opens above the button.
    if (p.origin.y + panelHeight > bottom) p.origin.y = b.y - panelHeight;
    p.origin.x = std::max(std::min(p.origin.x, right - kPanelWidth), f.x);
    p.origin.y = std::max(std::min(p.origin.y, bottom - panelHeight), f.y);
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
        const PanelPlacement p = placePanel(*buttonWindow, win->frame().height);
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
