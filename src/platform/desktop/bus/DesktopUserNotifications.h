#pragma once

#include "platform/UserNotifications.h"

#include "platform/desktop/shell/BusProbe.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace corv::desktop {

// Notifications through the desktop's notification service on the session
// bus. A notification replaces the one last shown under its identifier. With
// no service, each notification is written to the log instead, once.
class DesktopUserNotifications final : public QObject, public platform::UserNotifications {
public:
    using Log = std::function<void(const std::string& line)>;

    // An empty address means the session bus; the log defaults to stderr.
    explicit DesktopUserNotifications(QString busAddress = {}, Log log = {});
    ~DesktopUserNotifications() override;

    void post(const std::string& identifier, const std::string& title, const std::string& body) override;
    void withdraw(const std::string& identifier) override;

private:
    struct Notice {
        std::string title;
        std::string body;
    };
    struct Slot {
        std::uint32_t shownId = 0;    // the service's id of the notice on screen
        bool sending = false;         // a Notify is awaiting its id
        std::optional<Notice> next;   // posted while sending: sent once it returns
        bool withdrawn = false;       // withdrawn while sending: closed once it returns
    };

    QDBusConnection& bus();
    void send(const std::string& identifier, const Notice& notice);
    void close(std::uint32_t shownId);
    void delivered(const std::string& identifier, std::optional<std::uint32_t> id, const Notice& notice);

    QString address_;
    Log log_;
    std::unique_ptr<ServiceBus> bus_;
    std::map<std::string, Slot> slots_;
};

} // namespace corv::desktop
