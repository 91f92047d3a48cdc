#include "platform/desktop/shell/TrayHostPoints.h"

#include "platform/desktop/shell/FileText.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QStringList>

#include <string>

namespace corv::desktop {

bool hostTellsScreenPoints(const QString& processName) {
    static const QStringList hosts = {QStringLiteral("gnome-shell"), QStringLiteral("plasmashell"),
                                      QStringLiteral("swaybar")};
    return hosts.contains(processName);
}

void askPeerProcessName(const QDBusConnection& bus, const QString& peer, QObject* context,
                        std::function<void(const QString&)> then) {
    auto ask = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                              QStringLiteral("/org/freedesktop/DBus"),
                                              QStringLiteral("org.freedesktop.DBus"),
                                              QStringLiteral("GetConnectionUnixProcessID"));
    ask << peer;
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(ask, 1000), context);
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, context,
                     [then = std::move(then)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusMessage reply = w->reply();
                         QString name;
                         if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                             const uint pid = reply.arguments().front().toUInt();
                             if (pid > 0)
                                 if (const auto comm = readFileText("/proc/" + std::to_string(pid) + "/comm", 64))
                                     name = QString::fromStdString(*comm).trimmed();
                         }
                         then(name);
                     });
}

} // namespace corv::desktop
