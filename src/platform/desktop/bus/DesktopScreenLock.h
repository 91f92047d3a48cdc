#pragma once

#include "platform/ScreenLock.h"
#include "platform/desktop/bus/LogindSession.h"

namespace corv::desktop {

// Locks this session through logind (the desktop's locker answers it).
class DesktopScreenLock final : public platform::ScreenLock {
public:
    // `systemBusAddress` empty: the system bus.
    explicit DesktopScreenLock(QString systemBusAddress = {}) : session_(std::move(systemBusAddress)) {}
    bool lockNow() override { return session_.lock(); }

private:
    LogindSession session_;
};

} // namespace corv::desktop
