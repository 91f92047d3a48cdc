#pragma once

// GNOME Shell of one test's own: headless, with a virtual monitor, on a
// private session bus, and a private system bus where python3-dbusmock plays
// logind; HOME, the runtime folder and the settings (GLib's keyfile backend)
// are temporary. The program's extension is installed there in the form the
// program picks for the shell's version, turned on or not, beside installed
// ones asked for. Wayland clients (foot, or any given the session's
// environment) start under it, foot with desktop entries of its own; the
// pointer moves and clicks and keys are typed through mutter's remote-desktop
// interface, as a user's hand would; what the shell says is read through its
// own Eval (in unsafe mode).
// The test's own process takes the same settings, so GSettings reads what the
// shell reads. On request it has its lock screen: the shell builds one only
// where GDM answers on the system bus (played by python3-dbusmock) and
// /run/systemd/seats exists (made, where missing, in a mount namespace of the
// shell's own), and org.gnome.ScreenSaver is served by GNOME's own service.

#include "platform/desktop/windows/GnomeShellExtension.h"
#include "support/ChildProcess.h"
#include "support/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace corv::test {

inline const QString kExtensionUuid = "corvadine@brelvantoque.com";
// The shell's application windows, bottom to top, in its own JavaScript.
inline const QString kWindows = "global.get_window_actors().map(a => a.meta_window).filter(w => w.get_window_type() == 0)";

class GnomeShell {
public:
    // The virtual monitor.
    static constexpr int kWidth = 1280, kHeight = 800;

    struct Setup {
        bool extensionOn = true;
        // GSettings' text of org.gnome.desktop.input-sources "sources".
        QString inputSources = "[('xkb', 'us'), ('xkb', 'de+nodeadkeys')]";
        // Application ids that get a desktop entry.
        QStringList appIds;
        bool screenShield = false;
        // Installed extensions turned on beside the program's (their uuids).
        QStringList extensions = {};
        // The virtual monitor's size in device pixels.
        int width = kWidth, height = kHeight;
    };

    explicit GnomeShell(const Setup& setup) { start(setup); }

    ~GnomeShell() {
        for (auto& client : clients_) stopChild(*client);
        stopChild(screenSaver_);
        stopChild(shell_);
    }

    GnomeShell(const GnomeShell&) = delete;
    GnomeShell& operator=(const GnomeShell&) = delete;

private:
    void start(const Setup& setup) {
        width_ = setup.width;
        if (!dir_.isValid()) return fail("no temporary directory");
        if (!session_.error().empty()) return fail(session_.error());
        if (!system_.error().empty()) return fail(system_.error());
        if (!system_.startLogind()) return fail(system_.error());
        if (setup.screenShield && !startDisplayManager()) return fail("the mock GDM: " + system_.error());
        const QString home = dir_.filePath("home");
        runtime_ = dir_.filePath("run");
        QDir().mkpath(runtime_);
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        dataHome_ = home + "/.local/share";
        configHome_ = home + "/.config";
        QDir().mkpath(configHome_ + "/glib-2.0/settings");
        QDir().mkpath(dataHome_ + "/applications");
        // The form the program installs for this shell.
        QProcess version;
        version.start("gnome-shell", {"--version"});
        version.waitForFinished(10000);
        const int major = QString(version.readAllStandardOutput()).section(' ', -1).section('.', 0, 0).toInt();
        const auto form = desktop::gnomeExtensionForm(major);
        if (!form || desktop::installGnomeExtension(extensionFolder(), *form) != desktop::ExtensionCopy::Written)
            return fail("cannot install the extension for GNOME Shell " + std::to_string(major));
        for (const QString& id : setup.appIds)
            write(dataHome_ + "/applications/" + id + ".desktop",
                  "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=foot -a " + id + "\n");
        QStringList on = setup.extensions;
        if (setup.extensionOn) on.prepend(kExtensionUuid);
        write(configHome_ + "/glib-2.0/settings/keyfile",
              QString("[org/gnome/shell]\nenabled-extensions=%1\n\n"
                      "[org/gnome/desktop/interface]\nenable-animations=false\n\n"
                      "[org/gnome/desktop/input-sources]\nsources=%2\n")
                  .arg(on.isEmpty() ? "@as []" : "['" + on.join("', '") + "']", setup.inputSources));

        env_ = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "DBUS_STARTER_ADDRESS", "LD_PRELOAD"})
            env_.remove(name);
        const std::vector<std::pair<QString, QString>> vars{
            {"HOME", home},
            {"XDG_RUNTIME_DIR", runtime_},
            {"XDG_CONFIG_HOME", configHome_},
            {"XDG_DATA_HOME", dataHome_},
            {"XDG_CACHE_HOME", home + "/.cache"},
            {"XDG_DATA_DIRS", "/usr/local/share:/usr/share"},
            {"DBUS_SESSION_BUS_ADDRESS", session_.address()},
            {"DBUS_SYSTEM_BUS_ADDRESS", system_.address()},
            {"GSETTINGS_BACKEND", "keyfile"},
            {"XDG_SESSION_TYPE", "wayland"},
            {"XDG_CURRENT_DESKTOP", "GNOME"},
        };
        for (const auto& [name, value] : vars) env_.insert(name, value);
        // This process reads the same settings; GLib takes them at its first use.
        for (const char* name : {"XDG_CONFIG_HOME", "GSETTINGS_BACKEND"})
            ::setenv(name, env_.value(name).toUtf8().constData(), 1);

        QStringList command{"gnome-shell", "--headless", "--wayland", "--no-x11", "--unsafe-mode", "--virtual-monitor",
                            QString("%1x%2").arg(setup.width).arg(setup.height)};
        if (setup.screenShield && !QFileInfo::exists(kSeats)) {
            if (::geteuid() != 0) return fail(kSeats.toStdString() + " is missing; making it needs root");
            command = withSeats(command);
        }
        if (!startChild(shell_, command.takeFirst(), command, env_, dir_.filePath("shell.log")))
            return fail("gnome-shell did not start (is the gnome-shell package installed?)");
        const QString awaited = setup.extensionOn ? "com.brelvantoque.Corvadine.Shell" : "org.gnome.Shell";
        auto* iface = session_.connection().interface();
        if (!spinUntil([&] { return shell_.state() != QProcess::Running || iface->isServiceRegistered(awaited).value(); },
                       30000) ||
            shell_.state() != QProcess::Running)
            return fail("gnome-shell did not offer " + awaited.toStdString() + "; its log: " + log());
        // The shell starts with the overview open and takes no clicks until
        // that start is over (GNOME 48, closed before, took none at all);
        // then the user leaves the overview.
        const auto started = [&] {
            QFile file(dir_.filePath("shell.log"));
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("GNOME Shell started at");
        };
        if (!spinUntil(started, 30000) || !spinUntil([&] { return overviewActive(); }, 10000) || !setOverview(false) ||
            !spinUntil([&] { return !overviewActive(); }))
            return fail("the shell did not start with the overview and close it; its log: " + log());
        if (setup.screenShield && !startScreenSaver()) return;
    }

    // GDM, as far as the shell asks: a version that has the lock screen.
    bool startDisplayManager() {
        const QString service = "org.gnome.DisplayManager", path = "/org/gnome/DisplayManager/Manager";
        return system_.startObject(service, path, service + ".Manager") &&
               system_.mock(service, path, "AddProperty", {service + ".Manager", "Version", QVariant::fromValue(QDBusVariant("43.0"))})
                       .type() == QDBusMessage::ReplyMessage;
    }

    // The command run where /run has systemd's seats folder, the machine's
    // /run left as it is: an overlay on it in a mount namespace of its own.
    QStringList withSeats(const QStringList& command) {
        const QString layer = dir_.filePath("run-layer");
        QDir().mkpath(layer);
        return QStringList{"unshare", "--mount", "--propagation", "private", "--", "/bin/sh", "-c",
                           "mount -t tmpfs tmpfs \"$0\" && mkdir \"$0/upper\" \"$0/work\" && "
                           "mount -t overlay overlay -o \"lowerdir=/run,upperdir=$0/upper,workdir=$0/work\" /run && "
                           "mkdir -p " + kSeats + " && exec \"$@\"",
                           layer} +
               command;
    }

    // GNOME's org.gnome.ScreenSaver service, which a session starts on demand.
    bool startScreenSaver() {
        QFile service("/usr/share/dbus-1/services/org.gnome.ScreenSaver.service");
        QString exec;
        if (service.open(QIODevice::ReadOnly))
            for (const QString& line : QString(service.readAll()).split('\n'))
                if (line.startsWith("Exec=")) exec = line.mid(5);
        QStringList command = QProcess::splitCommand(exec);
        auto* iface = session_.connection().interface();
        const bool started =
            !command.isEmpty() &&
            startChild(screenSaver_, command.takeFirst(), command, env_, dir_.filePath("screensaver.log")) &&
            spinUntil([&] { return iface->isServiceRegistered("org.gnome.ScreenSaver").value(); });
        if (!started) fail("GNOME's org.gnome.ScreenSaver service did not start");
        return started;
    }

    bool overviewActive() {
        const auto reply = session_.call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
                                         {"org.gnome.Shell", "OverviewActive"});
        return reply.type() == QDBusMessage::ReplyMessage &&
               reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
    }

    bool setOverview(bool on) {
        return session_
                   .call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set",
                         {"org.gnome.Shell", "OverviewActive", QVariant::fromValue(QDBusVariant(on))})
                   .type() == QDBusMessage::ReplyMessage;
    }

public:
    const std::string& error() const { return error_; }
    QString sessionBus() const { return session_.address(); }
    PrivateBus& bus() { return session_; }
    QString extensionFolder() const { return dataHome_ + "/gnome-shell/extensions/" + kExtensionUuid; }
    std::string log() const {
        QFile file(dir_.filePath("shell.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().right(4000).toStdString() : std::string();
    }

    // The session's environment, for a client of the shell's Wayland display.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = env_;
        env.insert("WAYLAND_DISPLAY", "wayland-0");
        return env;
    }

    // A foot terminal with the app id; its pid, or 0.
    qint64 startClient(const QString& appId) {
        auto client = std::make_unique<QProcess>();
        if (!startChild(*client, "foot", {"-a", appId, "-o", "initial-window-size-pixels=400x300"}, environment(),
                        QProcess::nullDevice()))
            return 0;
        const qint64 pid = client->processId();
        clients_.push_back(std::move(client));
        return focusNew(appId) ? pid : 0;
    }

    // The shell's answer to JavaScript run in it, as JSON; empty when it fails.
    QString eval(const QString& script) {
        const auto reply = session_.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", {script});
        return reply.arguments().value(0).toBool() ? reply.arguments().value(1).toString() : QString();
    }

    // Locks the screen as GNOME's keys do, without waiting; unlocks it as
    // the password would (a headless shell asks none); whether it is locked.
    void lock() { session_.connection().asyncCall(screenSaver("Lock"), 30000); }
    bool unlock() { return session_.connection().call(screenSaver("SetActive", {false})).type() == QDBusMessage::ReplyMessage; }
    bool locked() { return session_.connection().call(screenSaver("GetActive")).arguments().value(0).toBool(); }

    // Stops or continues the shell, as a stalled one.
    void pause(bool on) { signalProcess(shell_.processId(), on ? SIGSTOP : SIGCONT); }

    // A call on GNOME Shell's own extensions interface (gnome-extensions' road).
    QDBusMessage shellExtensions(const QString& method, const QList<QVariant>& args = {}) {
        return session_.call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", method, args);
    }

    // The shell's own word on the window of the app id (a Wayland window's
    // class): id, wm_class, fullscreen, maximized, focus, x, y, width, height;
    // empty when there is none.
    QVariantMap window(const QString& appId) {
        for (const QVariantMap& w : windows())
            if (w.value("wm_class").toString() == appId) return w;
        return {};
    }

    std::vector<QVariantMap> windows() {
        std::vector<QVariantMap> out;
        const QJsonArray all = QJsonDocument::fromJson(eval(kWindows + ".map(w => ({id: w.get_stable_sequence(), "
                                                             "wm_class: w.get_wm_class(), fullscreen: w.is_fullscreen(), "
                                                             "maximized: w.is_maximized ? w.is_maximized() : w.get_maximized() == 3, focus: w.has_focus(), "
                                                             "x: w.get_frame_rect().x, y: w.get_frame_rect().y, "
                                                             "width: w.get_frame_rect().width, height: w.get_frame_rect().height}))")
                                                            .toUtf8())
                                   .array();
        for (const auto w : all) out.push_back(w.toObject().toVariantMap());
        return out;
    }

    // A launched application's window takes the focus in a session (its
    // launcher's activation); headless, the shell gives it that way.
    bool focusNew(const QString& appId) {
        if (!spinUntil([&] { return !window(appId).isEmpty(); }, 10000)) return false;
        eval(QString("Main.activateWindow(%1.find(w => w.get_wm_class() == '%2'))").arg(kWindows, appId));
        return spinUntil([&] { return window(appId).value("focus").toBool(); }, 5000);
    }

    // Moves the pointer to the point, from where the shell has it, and waits
    // until the shell has it there.
    bool pointTo(int x, int y) {
        const auto at = [&](int& px, int& py) {
            const QJsonArray p = QJsonDocument::fromJson(eval("global.get_pointer().slice(0, 2)").toUtf8()).array();
            px = p.at(0).toInt();
            py = p.at(1).toInt();
            return p.size() == 2;
        };
        int px = 0, py = 0;
        if (!at(px, py)) return false;
        // Where mutter lays the monitors out in device pixels, it moves the
        // pointer by the motion times the monitor's scale: a move tells it.
        double scale = 1;
        for (int tries = 0; tries < 3 && (px != x || py != y); ++tries) {
            const int fromX = px, fromY = py;
            const double dx = (x - px) / scale, dy = (y - py) / scale;
            if (!remote("NotifyPointerMotionRelative", {dx, dy}) ||
                !spinUntil([&] { return at(px, py) && (px != fromX || py != fromY); }, 5000))
                return false;
            scale = std::max(1.0, std::round(std::abs(dx) >= std::abs(dy) ? (px - fromX) / dx : (py - fromY) / dy));
        }
        return px == x && py == y;
    }
    // Clicks the left button, twice for a double click. The presses and
    // releases go at once, as a hand makes them: mutter stamps each as it
    // takes it, and one after the other's answer, on a busy machine, came
    // further apart than a double click.
    bool click(int times = 1) {
        constexpr int kLeftButton = 0x110;
        std::vector<std::pair<QString, QList<QVariant>>> calls;
        for (int i = 0; i < times; ++i)
            for (const bool down : {true, false}) calls.push_back({"NotifyPointerButton", {kLeftButton, down}});
        return remote(calls);
    }
    // A key (its evdev code) goes down or up.
    bool key(unsigned code, bool down) { return remote("NotifyKeyboardKeycode", {code, down}); }

    // Waits until the shell has laid out and drawn its stage once more.
    bool nextFrame() {
        const QString count = "global._corvFrames || (global.stage.connect('after-paint', () => global._corvFrames++), "
                              "global._corvFrames = 1)";
        const int seen = eval(count).toInt();
        eval("global.stage.queue_redraw()");
        return spinUntil([&] { return eval(count).toInt() > seen; });
    }

    // The monitor at the scale, through mutter's display settings as GNOME's
    // own settings apply it; `logical`: with the layout in logical pixels
    // (scaled framebuffers), else in device pixels as GNOME has it by default.
    bool setScale(double scale, bool logical = false) {
        eval(QString("new Gio.Settings({schema_id: 'org.gnome.mutter'}).set_strv('experimental-features', %1)")
                 .arg(logical ? "['scale-monitor-framebuffer']" : "[]"));
        // Asked without waiting: mutter serves it on the shell's own loop.
        eval(QString("(() => { const call = (method, args, then) => Gio.DBus.session.call('org.gnome.Mutter.DisplayConfig',"
                     " '/org/gnome/Mutter/DisplayConfig', 'org.gnome.Mutter.DisplayConfig', method, args, null, 0, -1, null,"
                     " (bus, result) => then?.(bus.call_finish(result).deepUnpack()));"
                     " call('GetCurrentState', null, ([serial, monitors]) => { const [[connector], modes] = monitors[0];"
                     " const mode = modes.find(m => m[6]['is-current']?.unpack())[0];"
                     " call('ApplyMonitorsConfig', new GLib.Variant('(uua(iiduba(ssa{sv}))a{sv})', [serial, 1,"
                     " [[0, 0, %1, 0, true, [[connector, mode, {}]]]], {}])); }); })()")
                 .arg(scale));
        const QString laid = QString("[%1,%2]").arg(scale).arg(logical ? int(width_ / scale) : width_);
        return spinUntil([&] { return eval("[global.display.get_monitor_scale(0), global.display.get_monitor_geometry(0).width]") == laid; });
    }

private:
    void fail(const std::string& why) { error_ = why; }

    static void write(const QString& path, const QString& text) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) file.write(text.toUtf8());
    }

    static QDBusMessage screenSaver(const QString& method, const QList<QVariant>& args = {}) {
        auto call = QDBusMessage::createMethodCall("org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                                                   "org.gnome.ScreenSaver", method);
        call.setArguments(args);
        return call;
    }

    bool remote(const QString& method, const QList<QVariant>& args) { return remote({{method, args}}); }
    // Calls sent together, each without waiting for the one before it.
    bool remote(const std::vector<std::pair<QString, QList<QVariant>>>& calls) {
        const QString service = "org.gnome.Mutter.RemoteDesktop";
        if (remoteSession_.isEmpty()) {
            const auto created = session_.call(service, "/org/gnome/Mutter/RemoteDesktop", service, "CreateSession");
            if (created.type() != QDBusMessage::ReplyMessage) return false;
            remoteSession_ = created.arguments().value(0).value<QDBusObjectPath>().path();
            if (session_.call(service, remoteSession_, service + ".Session", "Start").type() !=
                QDBusMessage::ReplyMessage)
                return false;
        }
        std::vector<QDBusPendingCall> sent;
        for (const auto& [method, args] : calls) {
            auto call = QDBusMessage::createMethodCall(service, remoteSession_, service + ".Session", method);
            call.setArguments(args);
            sent.push_back(session_.connection().asyncCall(call, 10000));
        }
        return std::all_of(sent.begin(), sent.end(), [](QDBusPendingCall& call) {
            call.waitForFinished();
            return !call.isError();
        });
    }

    QTemporaryDir dir_;
    PrivateBus session_{PrivateBus::Kind::Session};
    PrivateBus system_{PrivateBus::Kind::System};
    QString runtime_, dataHome_, configHome_;
    QProcessEnvironment env_;
    static inline const QString kSeats = "/run/systemd/seats";
    QProcess shell_, screenSaver_;
    std::vector<std::unique_ptr<QProcess>> clients_;
    QString remoteSession_;
    int width_ = kWidth;
    std::string error_;
};

} // namespace corv::test
