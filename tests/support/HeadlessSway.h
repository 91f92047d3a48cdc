#pragma once

// sway on the headless backend, for one test: no input devices, one output of
// the given size, Xwayland on demand (open to root's clients). Its IPC
// tells where it shows each window.

#include "support/ChildProcess.h"
#include "support/PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <optional>
#include <string>

namespace corv::test {

class HeadlessSway {
public:
    explicit HeadlessSway(QSize output) {
        QFile config(dir_.filePath("config"));
        if (!dir_.isValid() || !config.open(QIODevice::WriteOnly)) {
            error_ = "cannot write the sway configuration";
            return;
        }
        config.write(QStringLiteral("output HEADLESS-1 mode %1x%2\n"
                                    "xwayland enable\n"
                                    "exec sh -c 'xhost +si:localuser:root; echo \"$DISPLAY\" > %3'\n")
                         .arg(output.width())
                         .arg(output.height())
                         .arg(dir_.filePath("display"))
                         .toUtf8());
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) env.remove(name);
        env.insert("WLR_BACKENDS", "headless");
        env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        env.insert("WLR_RENDERER", "pixman");
        env.insert("XDG_RUNTIME_DIR", dir_.path());
        env.insert("SWAYSOCK", socket());
        sway_.setProcessEnvironment(env);
        sway_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sway_.setStandardOutputFile(QProcess::nullDevice());
        // sway refuses to run as root: then it runs as nobody, in a folder of its own.
        const bool root = ::getuid() == 0;
        if (root && ::chown(dir_.path().toUtf8().constData(), kNobody, kNobody) != 0) {
            error_ = "cannot hand the runtime folder to nobody";
            return;
        }
        const pid_t parent = ::getpid();
        sway_.setChildProcessModifier([parent] {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(1);
        });
        if (root)
            sway_.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "sway", "-c", config.fileName()});
        else
            sway_.start("sway", {"-c", config.fileName()});
        if (!sway_.waitForStarted(10000)) {
            error_ = "sway did not start (is the sway package installed?)";
            return;
        }
        if (!spinUntil([&] { return sway_.state() == QProcess::NotRunning || ask("get_outputs").isArray(); })) {
            error_ = "sway's IPC never answered";
            return;
        }
        const QStringList sockets = QDir(dir_.path()).entryList({"wayland-*"}, QDir::System);
        for (const QString& s : sockets)
            if (!s.endsWith(".lock")) waylandDisplay_ = s;
        if (waylandDisplay_.isEmpty()) error_ = "sway made no Wayland socket";
    }
    ~HeadlessSway() {
        if (sway_.state() == QProcess::NotRunning) return;
        sway_.terminate();
        if (!sway_.waitForFinished(5000)) sway_.kill();
        sway_.waitForFinished(5000);
    }

    const std::string& error() const { return error_; }
    // The socket's full path: clients keep a runtime folder of their own.
    QString waylandDisplay() const { return dir_.filePath(waylandDisplay_); }
    // Xwayland's display, once sway has started it.
    QString xDisplay() {
        QFile f(dir_.filePath("display"));
        spinUntil([&] { return f.exists() && f.size() > 1; });
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).trimmed();
    }

    // swaymsg's answer to an IPC message.
    QJsonValue ask(const QString& type) {
        QProcess msg;
        msg.start("swaymsg", {"-s", socket(), "-r", "-t", type});
        if (!msg.waitForFinished(5000) || msg.exitCode() != 0) return {};
        const QJsonDocument doc = QJsonDocument::fromJson(msg.readAllStandardOutput());
        return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    }

    QRect outputRect() {
        const QJsonArray outputs = ask("get_outputs").toArray();
        return outputs.isEmpty() ? QRect() : rectOf(outputs.first().toObject());
    }
    // Where sway shows the visible window of the process, if it does.
    std::optional<QRect> windowOf(qint64 pid) {
        std::optional<QRect> found;
        const std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node.value("pid").toInteger() == pid && node.value("visible").toBool()) found = rectOf(node);
            for (const char* key : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(key).toArray()) walk(child.toObject());
        };
        walk(ask("get_tree").toObject());
        return found;
    }

private:
    static constexpr uid_t kNobody = 65534;

    static QRect rectOf(const QJsonObject& node) {
        const QJsonObject r = node.value("rect").toObject();
        return {r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(), r.value("height").toInt()};
    }
    QString socket() const { return dir_.filePath("ipc.sock"); }

    QTemporaryDir dir_;
    QProcess sway_;
    QString waylandDisplay_;
    std::string error_;
};

} // namespace corv::test
