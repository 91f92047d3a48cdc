#pragma once

#include "platform/LoginWindow.h"
#include "platform/desktop/bus/LogindSession.h"
#include "platform/desktop/bus/SessionManagerLogout.h"

namespace corv::desktop {

// The login window's sleep and log-out events: 'slep' suspends the machine
// through logind; 'rlgo' asks the desktop's session manager to log out, and
// only without one ends this session through logind. Other events are not
// sent.
class DesktopLoginWindow final : public platform::LoginWindow {
public:
    // Addresses empty: the system and the session bus.
    explicit DesktopLoginWindow(QString systemBusAddress = {}, QString sessionBusAddress = {})
        : session_(std::move(systemBusAddress)), manager_(std::move(sessionBusAddress)) {}
    int sendCoreEvent(platform::FourCharCode eventId) override;

private:
    LogindSession session_;
    // After the session: its fallback calls the session.
    SessionManagerLogout manager_;
};

} // namespace corv::desktop
