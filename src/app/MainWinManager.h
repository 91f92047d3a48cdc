#pragma once

// The settings panel: a borderless floating panel, 380 points wide, that
// drops below the main status item. Main thread.

#include "model/Observable.h"
#include "platform/Displays.h"
#include "platform/Rect.h"
#include "platform/Windows.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace corv::app {

inline constexpr double kPanelWidth = 380;
// After a hide: the content is dropped, then the settings are saved.
inline constexpr double kPanelReleaseDelay = 0.1;
inline constexpr double kPanelSaveDelay = 0.3;

class MainWinManager : public ObservableObject {
public:
    static MainWinManager& shared();
    MainWinManager();

    // `buttonWindow` is the frame of the status button's window.
    void showPanel(std::optional<platform::Rect> buttonWindow);
    void hidePanel();

    std::unique_ptr<platform::PanelWindow> win;
    Published<bool> showing{willChange_, false};

private:
    // Counts the showings; a pending release acts only on the showing it was
    // scheduled after.
    std::uint64_t generation_ = 0;
};

// Where a panel of the given height goes for a button window of the given
// frame, and the screen that holds the button. Below the button, centred,
// or above it when it does not fit below; kept within that screen. Top-left
// coordinates.
struct PanelPlacement {
    platform::Point origin;
    std::optional<platform::Screen> screen;
};
PanelPlacement placePanel(const platform::Rect& buttonWindow, double panelHeight);

} // namespace corv::app
