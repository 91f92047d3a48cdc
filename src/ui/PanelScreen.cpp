#include "ui/PanelScreen.h"

#include "model/ShellState.h"

#include <limits>

namespace corv::ui {

double panelScreenHeight() {
    const auto& screen = ShellState::shared().panelScreen;
    return screen ? screen->frame.height : std::numeric_limits<double>::infinity();
}

} // namespace corv::ui
