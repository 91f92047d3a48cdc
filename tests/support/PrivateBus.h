#pragma once

// A private D-Bus daemon for one test, with python3-dbusmock services on it.
// Nothing here reaches the machine's own buses: the daemon has no service
// directories, and every mock is told the private address explicitly.

#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUuid>

#include <unistd.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corv::test {

// Spins the Qt event loop until the condition holds or the time is up.
inline bool spinUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, static_cast<int>(std::min<qint64>(left, 50)));
    }
    return true;
}

class PrivateBus {
public:
    enum class Kind { Session, System };

    explicit PrivateBus(Kind kind = Kind::Session) : kind_(kind) {
        if (!dir_.isValid()) {
            error_ = "no temporary directory";
            return;
        }
        const QString config = dir_.filePath("bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            error_ = "cannot write the bus configuration";
            return;
        }
        file.write(QStringLiteral(
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig>\n"
                       "  <type>%1</type>\n"
                       "  <listen>unix:dir=%2</listen>\n"
                       "  <auth>EXTERNAL</auth>\n"
                       "  <policy context=\"default\">\n"
                       "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                       "    <allow eavesdrop=\"true\"/>\n"
                       "    <allow own=\"*\"/>\n"
                       "  </policy>\n"
                       "</busconfig>\n")
                       .arg(kind == Kind::System ? "system" : "session", dir_.path())
                       .toUtf8());
        file.close();
        if (!startChild(daemon_, "dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address"},
                        cleanEnvironment())) {
            error_ = "dbus-daemon did not start (is the dbus-daemon package installed?)";
            return;
        }
        QElapsedTimer clock;
        clock.start();
        while (!daemon_.canReadLine() && clock.elapsed() < 10000) daemon_.waitForReadyRead(100);
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        if (address_.isEmpty()) {
            error_ = "dbus-daemon printed no address";
            return;
        }
        connectionName_ = "corv-test-bus-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
        connection_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, connectionName_));
        if (!connection_->isConnected()) error_ = "cannot connect to the private bus";
    }

    ~PrivateBus() {
        for (auto& [name, process] : mocks_) stopChild(*process);
        mocks_.clear();
        connection_.reset();
        if (!connectionName_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName_);
        stopChild(daemon_);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the bus is up; otherwise why it is not.
    const std::string& error() const { return error_; }
    const QString& address() const { return address_; }
    // The test's own connection to the bus.
    QDBusConnection& connection() { return *connection_; }
    // The daemon's and the mocks' process ids.
    std::vector<qint64> processIds() const {
        std::vector<qint64> out{daemon_.processId()};
        for (const auto& [name, process] : mocks_) out.push_back(process->processId());
        return out;
    }

    // Starts a python3-dbusmock template and waits until it owns its name.
    bool startTemplate(const QString& templateName, const QString& busName, const QString& parametersJson = {}) {
        QStringList args{"--template", templateName};
        if (!parametersJson.isEmpty()) args << "--parameters" << parametersJson;
        return startMock(busName, args, "the mock " + templateName.toStdString());
    }

    // python3-dbusmock's logind with this process's user listed. Its GetUser
    // joins a text and the number (up to 0.34 at least), so it is replaced.
    bool startLogind() {
        const QString service = "org.freedesktop.login1", path = "/org/freedesktop/login1";
        if (!startTemplate("logind", service)) return false;
        const uint uid = ::getuid();
        const QDBusMessage user = mock(service, path, "AddUser", {uid, QString("user"), true});
        const QDBusMessage method =
            mock(service, path, "AddMethod",
                 {service + ".Manager", "GetUser", "u", "o", "ret = dbus.ObjectPath('/org/freedesktop/login1/user/%d' % args[0])"});
        for (const QDBusMessage& reply : {user, method})
            if (reply.type() == QDBusMessage::ErrorMessage) {
                error_ = "the mock logind: " + reply.errorMessage().toStdString();
                return false;
            }
        return true;
    }

    // Starts a bare python3-dbusmock object of the interface at the path.
    bool startObject(const QString& busName, const QString& path, const QString& interface) {
        return startMock(busName, {busName, path, interface}, "the mock " + busName.toStdString());
    }

    // Sends a signal of any signature at all from the mock object (which
    // gains a method org.corv.Test.Run that executes Python) as if from
    // `path`; `pythonArgs` is a Python list. The error message, if it fails.
    std::string emitAny(const QString& busName, const QString& mockPath, const QString& path, const QString& interface,
                        const QString& name, const QString& signature, const QString& pythonArgs) {
        auto reply = mock(busName, mockPath, "AddMethod", {"org.corv.Test", "Run", "s", "", "exec(args[0])"});
        if (reply.type() != QDBusMessage::ErrorMessage)
            reply = call(busName, mockPath, "org.corv.Test", "Run",
                         {QString("self.EmitSignalDetailed('%1', '%2', '%3', %4, {'path': '%5'})")
                              .arg(interface, name, signature, pythonArgs, path)});
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorMessage().toStdString() : std::string();
    }

    // Ends the mock that owns the name and waits until the name is gone.
    bool stopTemplate(const QString& busName) {
        auto it = mocks_.find(busName);
        if (it == mocks_.end()) return false;
        stopChild(*it->second);
        mocks_.erase(it);
        return waitForName(busName, false, nullptr);
    }

    // A blocking method call on the bus; the reply, or the error message.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QList<QVariant>& args = {}) {
        auto message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(args);
        return connection_->call(message, QDBus::Block, 10000);
    }

    // Calls on the org.freedesktop.DBus.Mock interface of a mock object.
    QDBusMessage mock(const QString& service, const QString& path, const QString& method,
                      const QList<QVariant>& args = {}) {
        return call(service, path, "org.freedesktop.DBus.Mock", method, args);
    }

private:
    static QProcessEnvironment cleanEnvironment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS", "DBUS_STARTER_ADDRESS",
                                 "DBUS_STARTER_BUS_TYPE", "PYTHONPATH", "PYTHONHOME", "LD_PRELOAD"})
            env.remove(name);
        return env;
    }

    bool startMock(const QString& busName, const QStringList& mockArgs, const std::string& what) {
        if (!error_.empty()) return false;
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{"-m", "dbusmock", kind_ == Kind::System ? "--system" : "--session"};
        args << mockArgs;
        // The system interpreter: the Debian package installs the module there.
        if (!startChild(*process, "/usr/bin/python3", args, mockEnvironment())) {
            error_ = "python3 did not start";
            return false;
        }
        QProcess* raw = process.get();
        mocks_[busName] = std::move(process);
        if (!waitForName(busName, true, raw)) {
            error_ = what + " did not appear on the bus (is python3-dbusmock installed?)";
            return false;
        }
        return true;
    }

    QProcessEnvironment mockEnvironment() const {
        QProcessEnvironment env = cleanEnvironment();
        env.insert(kind_ == Kind::System ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", address_);
        return env;
    }

    bool waitForName(const QString& name, bool present, QProcess* owner) {
        // The watcher's signals wake the event loop as soon as the name changes.
        QDBusServiceWatcher watcher(name, *connection_,
                                    QDBusServiceWatcher::WatchForRegistration |
                                        QDBusServiceWatcher::WatchForUnregistration);
        bool died = false;
        const auto there = [&] { return connection_->interface()->isServiceRegistered(name).value() == present; };
        spinUntil([&] {
            died = owner && owner->state() == QProcess::NotRunning;
            return died || there();
        });
        return !died && there();
    }

    Kind kind_;
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString connectionName_;
    std::unique_ptr<QDBusConnection> connection_;
    std::map<QString, std::unique_ptr<QProcess>> mocks_;
    std::string error_;
};

} // namespace corv::test
