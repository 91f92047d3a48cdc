#pragma once

#include "platform/AppControl.h"

namespace corv::desktop {

class DesktopAppControl final : public platform::AppControl {
public:
    // Hides every visible top-level widget window.
    void hide() override;
};

} // namespace corv::desktop
