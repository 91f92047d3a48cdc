#pragma once

#include "platform/Windows.h"

namespace corv::desktop {

// The panel: a frameless, floating, 380-point-wide Qt window with rounded
// corners, empty inside for now. The overlay: a frameless tile above all
// windows that takes no input and no focus.
class DesktopWindows final : public platform::Windows {
public:
    std::unique_ptr<platform::PanelWindow> makePanel() override;
    std::unique_ptr<platform::OverlayWindow> makeOverlay(const platform::SymbolImage& symbol) override;
};

} // namespace corv::desktop
