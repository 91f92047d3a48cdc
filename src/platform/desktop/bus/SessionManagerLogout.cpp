#include "platform/desktop/bus/SessionManagerLogout.h"

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QStringList>

#include <array>

namespace corv::desktop {

namespace {

struct Manager {
    const char* service;
    const char* path;
    const char* interface;
    const char* method;
    QVariantList arguments;
};

// In the order asked when several are on the bus.
const std::array<Manager, 4>& managers() {
    static const std::array<Manager, 4> list{{
        // Mode 1: no confirmation; inhibitors are still honoured.
        {"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager", "Logout",
         {QVariant::fromValue(1u)}},
        // Plasma 5.25 and later: the log-out that follows the prompt.
        {"org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", "logout", {}},
        // Older Plasma: confirm no, type log-out, mode 0.
        {"org.kde.ksmserver", "/KSMServer", "org.kde.KSMServerInterface", "logout", {0, 0, 0}},
        // show_dialog false, allow_save true.
        {"org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager", "Logout",
         {false, true}},
    }};
    return list;
}

// Sends the log-out to the first known manager among the names; false when
// none is there.
bool askFirstPresent(ServiceBus& bus, const QStringList& names) {
    for (const Manager& m : managers()) {
        if (!names.contains(QLatin1String(m.service))) continue;
        trace((std::string("session manager: ") + m.service + " " + m.method).c_str());
        QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(m.service), QLatin1String(m.path),
                                                           QLatin1String(m.interface), QLatin1String(m.method));
        call.setArguments(m.arguments);
        bus.send(call);
        return true;
    }
    trace("session manager: none on the session bus");
    return false;
}

// The longest the bus may take to list its names before the fallback runs.
constexpr int kListBoundMs = 2000;

} // namespace

SessionManagerLogout::SessionManagerLogout(QString busAddress)
    : address_(std::move(busAddress)), context_(std::make_unique<QObject>()) {}

SessionManagerLogout::~SessionManagerLogout() {
    context_.reset();
    bus_.reset();
}

bool SessionManagerLogout::logOut(std::function<bool()> noManager) {
    if (!bus_) bus_ = std::make_unique<ServiceBus>(address_, BusKind::Session, QStringLiteral("corvadine-logout-"));
    if (!bus_->isConnected()) {
        trace("session manager: no session bus");
        return noManager();
    }
    const QDBusMessage list =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    ServiceBus* bus = bus_.get();
    auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(list, kListBoundMs), context_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                     [bus, noManager = std::move(noManager)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         QDBusPendingReply<QStringList> names = *w;
                         if (names.isError()) trace("session manager: the session bus did not list its names");
                         else if (askFirstPresent(*bus, names.value())) return;
                         noManager();
                     });
    return true;
}

} // namespace corv::desktop
