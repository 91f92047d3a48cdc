#include "platform/desktop/bus/DesktopBluetooth.h"

#include "platform/desktop/bus/BusMessages.h"
#include "platform/desktop/shell/BusProbe.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QVariantMap>

namespace corv::desktop {

namespace {

const QString kService = QStringLiteral("org.bluez");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The adapter's Powered value among its properties, when present and a
// boolean.
std::optional<bool> powered(const QVariantMap& properties) {
    auto it = properties.find(QStringLiteral("Powered"));
    if (it == properties.end()) return std::nullopt;
    return strictBool(*it);
}

// a{sa{sv}}: interface -> properties, from a message of that signature.
QMap<QString, QVariantMap> interfaceMap(const QVariant& value) {
    QMap<QString, QVariantMap> out;
    value.value<QDBusArgument>() >> out;
    return out;
}

} // namespace

DesktopBluetooth::DesktopBluetooth(QString busAddress) : address_(std::move(busAddress)) {}

DesktopBluetooth::~DesktopBluetooth() {
    serviceWatcher_.reset();
    bus_.reset();
}

void DesktopBluetooth::start(StateHandler handler) {
    handler_ = std::move(handler);
    // Every start reports, even a state already reported to an earlier handler.
    reported_ = false;
    if (bus_) {
        if (bus_->isConnected()) query();
        else serviceGone();
        return;
    }
    // Kept even when unconnected, so that a later start reports the same.
    bus_ = std::make_unique<ServiceBus>(address_, BusKind::System, QStringLiteral("corv-bluetooth-"));
    if (!bus_->isConnected()) {
        serviceGone();
        return;
    }
    bus_->connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"), this,
                  SLOT(onInterfacesAdded(QDBusMessage)));
    bus_->connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"), this,
                  SLOT(onInterfacesRemoved(QDBusMessage)));
    bus_->connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), {kAdapter}, QString(), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
    serviceWatcher_ = std::make_unique<QDBusServiceWatcher>(
        kService, *bus_, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    connect(serviceWatcher_.get(), &QDBusServiceWatcher::serviceRegistered, this, [this] { query(); });
    connect(serviceWatcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this, [this] { serviceGone(); });
    query();
}

void DesktopBluetooth::query() {
    if (!bus_ || !bus_->isConnected()) return;
    const unsigned id = ++query_;
    auto call = QDBusMessage::createMethodCall(kService, QStringLiteral("/"), kObjectManager,
                                               QStringLiteral("GetManagedObjects"));
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, id](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (id != query_) return;  // a later listing is on its way
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            serviceGone();
            return;
        }
        // A listing of another shape is ignored: the adapters stay as known.
        if (!hasSignature(reply, "a{oa{sa{sv}}}", "a BlueZ GetManagedObjects reply")) {
            report();
            return;
        }
        adapters_.clear();
        // object path -> interface -> properties.
        const QDBusArgument objects = reply.arguments().at(0).value<QDBusArgument>();
        objects.beginMap();
        while (!objects.atEnd()) {
            QDBusObjectPath path;
            QMap<QString, QVariantMap> interfaces;
            objects.beginMapEntry();
            objects >> path >> interfaces;
            objects.endMapEntry();
            auto adapter = interfaces.find(kAdapter);
            if (adapter != interfaces.end()) adapters_[path.path()] = powered(*adapter).value_or(false);
        }
        objects.endMap();
        known_ = true;
        report();
    });
}

void DesktopBluetooth::serviceGone() {
    ++query_;
    adapters_.clear();
    known_ = true;
    report();
}

void DesktopBluetooth::onInterfacesAdded(const QDBusMessage& message) {
    if (!hasSignature(message, "oa{sa{sv}}", "a BlueZ InterfacesAdded")) return;
    const auto args = message.arguments();
    const QString path = args.at(0).value<QDBusObjectPath>().path();
    const auto interfaces = interfaceMap(args.at(1));
    auto adapter = interfaces.find(kAdapter);
    if (adapter == interfaces.end()) return;
    // A Powered of another type leaves what is known of the adapter.
    bool& on = adapters_.try_emplace(path, false).first->second;
    if (auto p = powered(*adapter)) on = *p;
    known_ = true;
    report();
}

void DesktopBluetooth::onInterfacesRemoved(const QDBusMessage& message) {
    if (!hasSignature(message, "oas", "a BlueZ InterfacesRemoved")) return;
    const auto args = message.arguments();
    if (!args.at(1).toStringList().contains(kAdapter)) return;
    adapters_.erase(args.at(0).value<QDBusObjectPath>().path());
    report();
}

void DesktopBluetooth::onPropertiesChanged(const QDBusMessage& message) {
    if (!hasSignature(message, "sa{sv}as", "a BlueZ PropertiesChanged")) return;
    const auto args = message.arguments();
    if (args.at(0).toString() != kAdapter) return;
    auto on = powered(propertyMap(args.at(1)));
    if (!on) return;
    adapters_[message.path()] = *on;
    report();
}

void DesktopBluetooth::report() {
    using platform::BluetoothState;
    if (!known_) return;
    BluetoothState next = BluetoothState::Unsupported;
    for (const auto& [path, on] : adapters_) {
        next = BluetoothState::PoweredOff;
        if (on) {
            next = BluetoothState::PoweredOn;
            break;
        }
    }
    if (reported_ && next == state_) return;
    state_ = next;
    reported_ = true;
    if (handler_) handler_(state_);
}

} // namespace corv::desktop
