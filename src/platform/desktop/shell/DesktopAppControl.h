#pragma once

#include "platform/AppControl.h"

class QWidget;

namespace corv::desktop {

class DesktopAppControl final : public platform::AppControl {
public:
    // Hides the program's own windows (the panel, the overlay tiles). Status
    // items, whose tray windows are top-level widgets too, stay.
    void hide() override;
};

// Marks a window as one of the program's own, which hide() hides.
void markOwnWindow(QWidget& window);

} // namespace corv::desktop
