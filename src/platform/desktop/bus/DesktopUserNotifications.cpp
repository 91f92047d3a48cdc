#include "platform/desktop/bus/DesktopUserNotifications.h"

#include "platform/desktop/bus/BusMessages.h"
#include "platform/desktop/shell/BusProbe.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

#include <cstdio>

namespace corv::desktop {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAppName = QStringLiteral("Corvadine");

void toStderr(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

} // namespace

DesktopUserNotifications::DesktopUserNotifications(QString busAddress, Log log)
    : address_(std::move(busAddress)), log_(log ? std::move(log) : Log(toStderr)) {}

DesktopUserNotifications::~DesktopUserNotifications() {
    bus_.reset();
}

QDBusConnection& DesktopUserNotifications::bus() {
    // Kept even when unconnected: every notice goes to the log then.
    if (!bus_) bus_ = std::make_unique<ServiceBus>(address_, BusKind::Session, QStringLiteral("corv-notifications-"));
    return *bus_;
}

void DesktopUserNotifications::post(const std::string& identifier, const std::string& title,
                                    const std::string& body) {
    Slot& slot = slots_[identifier];
    slot.withdrawn = false;
    Notice notice{title, body};
    // Until the service names the notice on screen, a newer one waits, so
    // that it replaces rather than joins it.
    if (slot.sending) {
        slot.next = std::move(notice);
        return;
    }
    send(identifier, notice);
}

void DesktopUserNotifications::withdraw(const std::string& identifier) {
    const auto it = slots_.find(identifier);
    if (it == slots_.end()) return;
    Slot& slot = it->second;
    slot.next.reset();
    if (slot.sending) {
        slot.withdrawn = true;
        return;
    }
    close(slot.shownId);
    slot.shownId = 0;
}

void DesktopUserNotifications::close(std::uint32_t shownId) {
    if (!shownId || !bus().isConnected()) return;
    auto call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("CloseNotification"));
    call << shownId;
    bus().asyncCall(call);
}

void DesktopUserNotifications::send(const std::string& identifier, const Notice& notice) {
    QDBusConnection& b = bus();
    if (!b.isConnected()) {
        delivered(identifier, std::nullopt, notice);
        return;
    }
    Slot& slot = slots_[identifier];
    slot.sending = true;
    auto call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << kAppName << slot.shownId << QString() << QString::fromStdString(notice.title)
         << QString::fromStdString(notice.body) << QStringList() << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(b.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier, notice](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        // Any answer but one id is no delivery.
        const bool shown =
            reply.type() == QDBusMessage::ReplyMessage && hasSignature(reply, "u", "a Notify reply");
        delivered(identifier, shown ? std::optional<std::uint32_t>(reply.arguments().front().toUInt()) : std::nullopt,
                  notice);
    });
}

void DesktopUserNotifications::delivered(const std::string& identifier, std::optional<std::uint32_t> id,
                                         const Notice& notice) {
    Slot& slot = slots_[identifier];
    slot.sending = false;
    if (slot.withdrawn) {
        slot.withdrawn = false;
        if (id) close(*id);
        slot.shownId = 0;
        return;
    }
    if (id) slot.shownId = *id;
    else log_("corvadine: no notification service: " + notice.title + ": " + notice.body);
    if (slot.next) {
        Notice next = std::move(*slot.next);
        slot.next.reset();
        send(identifier, next);
    }
}

} // namespace corv::desktop
