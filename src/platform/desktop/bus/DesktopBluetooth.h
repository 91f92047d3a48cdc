#pragma once

#include "platform/Bluetooth.h"

#include "platform/desktop/shell/BusProbe.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QDBusMessage;
class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace corv::desktop {

// The radio's power as BlueZ reports it on the system bus: powered on when an
// adapter is powered, off when adapters exist and none is, unsupported with no
// BlueZ or no adapter. Nothing is asked of the bus before start().
class DesktopBluetooth final : public QObject, public platform::Bluetooth {
    Q_OBJECT

public:
    // An empty address means the system bus.
    explicit DesktopBluetooth(QString busAddress = {});
    ~DesktopBluetooth() override;

    // Reports when the state changes, and always the first report after each
    // start.
    void start(StateHandler handler) override;
    platform::BluetoothState state() const override { return state_; }

private slots:
    void onInterfacesAdded(const QDBusMessage& message);
    void onInterfacesRemoved(const QDBusMessage& message);
    void onPropertiesChanged(const QDBusMessage& message);

private:
    void query();
    void serviceGone();
    void report();

    QString address_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QDBusServiceWatcher> serviceWatcher_;
    StateHandler handler_;
    std::map<QString, bool> adapters_;  // object path -> powered
    bool known_ = false;                // the adapters have been listed
    bool reported_ = false;
    unsigned query_ = 0;                // the listing whose answer counts
    platform::BluetoothState state_ = platform::BluetoothState::Unknown;
};

} // namespace corv::desktop
