#pragma once

#include "platform/Windows.h"

#include <functional>

class QWidget;

namespace corv::desktop {

// The panel: a frameless, floating, 380-point-wide Qt window with rounded
// corners whose content the program's factory makes (empty without one). The overlay: a frameless tile above all
// windows that takes no input and no focus.
class DesktopWindows final : public platform::Windows {
public:
    std::unique_ptr<platform::PanelWindow> makePanel() override;
    std::unique_ptr<platform::OverlayWindow> makeOverlay(const platform::SymbolImage& symbol) override;
    bool composited() override;

    // Makes the panel's content inside the given window; set once at start.
    using ContentFactory = std::function<QWidget*(QWidget* parent)>;
    static void setContentFactory(ContentFactory factory);
};

} // namespace corv::desktop
