#include "engine/NotifWinManager.h"

#include "model/Shared.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

namespace corv::engine {

namespace {

// The panel's screen, else the main screen, else the menu-bar size at the origin.
platform::Rect notifScreenRect() {
    const auto& shell = ShellState::shared();
    if (shell.panelScreen) return shell.panelScreen->frame;
    auto screens = platform::displays().screens();
    if (!screens.empty()) return screens.front().frame;
    return {0, 0, shell.menuBarWidth, shell.menuBarHeight};
}

} // namespace

NotifWinManager& NotifWinManager::shared() { return Shared<NotifWinManager>::instance(); }

platform::SymbolImage notifSymbolImage(const std::string& symbol) {
    platform::SymbolImage image{symbol, false, {"white"}, 0};
    if (symbol.find("slash") != std::string::npos) image.palette = {"systemRed", "white"};
    return image;
}

void NotifWinManager::show(const std::string& symbol) {
    lastSymbol = symbol;
    ++showCount;
    if (lastWindow) lastWindow->close();
    auto state = std::make_shared<NotificationState>();
    std::shared_ptr<platform::OverlayWindow> window = platform::windows().makeOverlay(notifSymbolImage(symbol));
    lastWindow = window;
    if (!window) return;

    const platform::Rect screen = notifScreenRect();
    const platform::Rect own = window->frame();
    // Top-left coordinates: the tile's bottom edge 200 points above the screen's.
    window->setFrameOrigin({screen.x + (screen.width - own.width) * 0.5,
                            screen.y + screen.height - kNotifBottomOffset - own.height});
    window->orderFrontRegardless();

    auto& loop = platform::runLoop();
    loop.post([state, window] {
        state->isVisible.set(true);
        window->animateOpacity(1.0, kNotifFadeSeconds, nullptr);
    });
    // The fade-out acts on this notification's own state and window only.
    loop.postAfter(kNotifHoldSeconds, [state, window] {
        state->isVisible.set(false);
        window->animateOpacity(0.0, kNotifFadeSeconds, [window] { window->close(); });
    });
}

} // namespace corv::engine
