#pragma once

// The desktop's session manager on the session bus, asked to end the session
// without a confirmation dialog: each application may still save or object.
// GNOME's (also Cinnamon's and MATE's), KDE's and Xfce's are known; the first
// one on the bus is asked. Main thread; nothing waits for the bus.

#include <QString>

#include <functional>
#include <memory>

class QObject;

namespace corv::desktop {

class ServiceBus;

class SessionManagerLogout {
public:
    // `busAddress` empty: the session bus.
    explicit SessionManagerLogout(QString busAddress = {});
    ~SessionManagerLogout();
    SessionManagerLogout(const SessionManagerLogout&) = delete;
    SessionManagerLogout& operator=(const SessionManagerLogout&) = delete;

    // Asks the manager on the bus to log out; `noManager` runs instead when
    // none is there, or the bus cannot be reached or does not say in time.
    // False only when the bus cannot be reached and `noManager` says false.
    bool logOut(std::function<bool()> noManager);

private:
    QString address_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QObject> context_;
};

} // namespace corv::desktop
