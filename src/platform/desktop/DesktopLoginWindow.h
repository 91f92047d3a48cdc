#pragma once

#include "platform/LoginWindow.h"

namespace corv::desktop {

// No login window to send Apple events to on this desktop.
class DesktopLoginWindow final : public platform::LoginWindow {
public:
    int sendCoreEvent(platform::FourCharCode) override { return -1; }
};

} // namespace corv::desktop
