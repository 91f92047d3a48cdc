#pragma once

#include "platform/LoginWindow.h"
#include "platform/desktop/bus/LogindSession.h"

namespace corv::desktop {

// The login window's sleep and log-out events, sent to logind: 'slep'
// suspends the machine, 'rlgo' ends this session. Other events are not sent.
class DesktopLoginWindow final : public platform::LoginWindow {
public:
    // `systemBusAddress` empty: the system bus.
    explicit DesktopLoginWindow(QString systemBusAddress = {}) : session_(std::move(systemBusAddress)) {}
    int sendCoreEvent(platform::FourCharCode eventId) override;

private:
    LogindSession session_;
};

} // namespace corv::desktop
