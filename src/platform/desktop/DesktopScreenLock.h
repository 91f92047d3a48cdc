#pragma once

#include "platform/ScreenLock.h"

namespace corv::desktop {

// The system's lock call does not exist on this desktop.
class DesktopScreenLock final : public platform::ScreenLock {
public:
    bool lockNow() override { return false; }
};

} // namespace corv::desktop
