#include "platform/desktop/bus/LogindSession.h"

#include "platform/desktop/shell/BusProbe.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>

namespace corv::desktop {

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QDBusMessage managerCall(const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kManagerPath, kManager, method);
    call.setArguments(args);
    return call;
}

} // namespace

LogindSession::LogindSession(QString busAddress)
    : address_(std::move(busAddress)), context_(std::make_unique<QObject>()) {}

LogindSession::~LogindSession() {
    context_.reset();
    bus_.reset();
}

bool LogindSession::connect() {
    if (!bus_) bus_ = std::make_unique<ServiceBus>(address_, BusKind::System, QStringLiteral("corvadine-session-"));
    return bus_->isConnected();
}

bool LogindSession::suspend() {
    if (!connect()) return false;
    trace("logind: suspend");
    // Interactive: where polkit wants a password it asks for one rather than
    // refusing without a word.
    return bus_->send(managerCall(QStringLiteral("Suspend"), {true}));
}

bool LogindSession::terminate() { return callWithSession(QStringLiteral("TerminateSession")); }

bool LogindSession::lock() { return callWithSession(QStringLiteral("LockSession")); }

bool LogindSession::callWithSession(const QString& method) {
    if (!connect()) return false;
    trace(("logind: " + method.toStdString()).c_str());
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) return bus_->send(managerCall(method, {id}));

    // Outside a login shell's environment: ask logind for this process's
    // session, then its id.
    ServiceBus* bus = bus_.get();
    auto* found = new QDBusPendingCallWatcher(
        bus->asyncCall(managerCall(QStringLiteral("GetSession"), {QStringLiteral("auto")})), context_.get());
    QObject::connect(found, &QDBusPendingCallWatcher::finished, context_.get(), [this, bus, method](auto* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusObjectPath> path = *w;
        if (path.isError() || path.value().path().isEmpty()) return;
        QDBusMessage get = QDBusMessage::createMethodCall(kLogind, path.value().path(), kProperties,
                                                          QStringLiteral("Get"));
        get << kSession << QStringLiteral("Id");
        auto* read = new QDBusPendingCallWatcher(bus->asyncCall(get), context_.get());
        QObject::connect(read, &QDBusPendingCallWatcher::finished, context_.get(), [bus, method](auto* r) {
            r->deleteLater();
            QDBusPendingReply<QDBusVariant> value = *r;
            if (value.isError()) return;
            const QString sessionId = value.value().variant().toString();
            if (!sessionId.isEmpty()) bus->send(managerCall(method, {sessionId}));
        });
    });
    return true;
}

} // namespace corv::desktop
