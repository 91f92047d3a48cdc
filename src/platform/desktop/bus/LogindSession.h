#pragma once

// The user's session as logind keeps it, for the session actions: suspend the
// machine, end the session, lock it. Each call is sent once, without waiting
// for an answer (a failure is dropped). Main thread.

#include <QString>

#include <memory>

class QObject;

namespace corv::desktop {

class ServiceBus;

class LogindSession {
public:
    // `busAddress` empty: the system bus.
    explicit LogindSession(QString busAddress = {});
    ~LogindSession();
    LogindSession(const LogindSession&) = delete;
    LogindSession& operator=(const LogindSession&) = delete;

    // False when the bus cannot be reached.
    bool suspend();
    bool terminate();
    bool lock();

private:
    bool connect();
    // Calls the Manager method with the session id: $XDG_SESSION_ID, else the
    // "Id" of the session logind gives this process.
    bool callWithSession(const QString& method);

    QString address_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QObject> context_;
};

} // namespace corv::desktop
