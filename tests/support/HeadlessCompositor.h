#pragma once

// A Wayland compositor the test starts headless, with client windows of
// distinct app ids, and the compositor's own ways to focus a window and to
// read back its desktops and window states: swaymsg for sway (run as nobody:
// sway refuses root; the change of user clears the parent-death signal, so
// setpriv sets it again), a script over D-Bus for KWin (a copy of the binary,
// without the file capability that stops it here). Either may start Xwayland,
// open to this process's user; sway tells where it shows each window.

#include "support/ChildProcess.h"
#include "support/PrivateBus.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::test {

struct HeadlessOptions {
    QSize output{1280, 800};
    bool xwayland = false;
    // KWin's focus stealing prevention, 0 (none) to 4 (extreme); its own
    // default when negative.
    int kwinFocusStealing = -1;
};

class HeadlessCompositor {
public:
    enum class Kind { Sway, KWin };
    using Options = HeadlessOptions;

    // `swayConfig`: more of sway's configuration (a bar, for one).
    explicit HeadlessCompositor(Kind kind, Options options = {}, QString swayConfig = {})
        : kind_(kind), options_(options), swayConfig_(std::move(swayConfig)) {
        if (!dir_.isValid()) {
            error_ = "no temporary directory";
            return;
        }
        QDir(dir_.path()).mkpath("run");
        QFile::setPermissions(runDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        kind == Kind::Sway ? startSway() : startKWin();
    }

    ~HeadlessCompositor() {
        for (auto& client : clients_) stopChild(*client);
        stopChild(compositor_);
    }

    HeadlessCompositor(const HeadlessCompositor&) = delete;
    HeadlessCompositor& operator=(const HeadlessCompositor&) = delete;

    const std::string& error() const { return error_; }
    Kind kind() const { return kind_; }
    // The absolute path of the Wayland socket.
    QString waylandDisplay() const { return runDir() + "/" + socket_; }
    QString swaySocket() const { return swaySocket_; }
    // Xwayland's display, once the compositor has started it (Options::xwayland).
    QString xDisplay() {
        QFile f(runDir() + "/display");
        spinUntil([&] { return f.exists() && f.size() > 1; });
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).trimmed();
    }
    // The output's place (sway).
    QRect outputRect() {
        const auto out = swaymsg({"-t", "get_outputs"});
        const QJsonArray outputs = out ? QJsonDocument::fromJson(*out).array() : QJsonArray();
        return outputs.isEmpty() ? QRect() : rectOf(outputs.first().toObject());
    }
    // Where sway shows the visible windows of the process.
    QList<QRect> windowsOf(qint64 pid) {
        const auto out = swaymsg({"-t", "get_tree"});
        if (!out) return {};
        QList<QRect> shown;
        std::vector<QJsonObject> todo{QJsonDocument::fromJson(*out).object()};
        while (!todo.empty()) {
            const QJsonObject node = todo.back();
            todo.pop_back();
            if (node.value("pid").toInteger() == pid && node.value("visible").toBool()) shown << rectOf(node);
            for (const char* key : {"nodes", "floating_nodes"})
                for (const auto child : node.value(key).toArray()) todo.push_back(child.toObject());
        }
        return shown;
    }
    std::optional<QRect> windowOf(qint64 pid) {
        const QList<QRect> shown = windowsOf(pid);
        return shown.isEmpty() ? std::nullopt : std::optional(shown.first());
    }
    // The process's visible view as sway tells it, and the focused
    // workspace's rect: what the bars leave of its output.
    std::optional<QJsonObject> viewOf(qint64 pid) {
        return swayNode([&](const QJsonObject& n) { return n.value("pid").toInteger() == pid && n.value("visible").toBool(); });
    }
    QRect workspaceRect() {
        const auto out = swaymsg({"-t", "get_workspaces"});
        for (const auto w : out ? QJsonDocument::fromJson(*out).array() : QJsonArray())
            if (w.toObject().value("focused").toBool()) return rectOf(w.toObject());
        return {};
    }
    // The private session bus KWin is on; empty for sway.
    QString busAddress() const { return bus_ ? bus_->address() : QString(); }
    PrivateBus* bus() { return bus_.get(); }

    // Starts a client window with the app id, or an X11 one of that class
    // sized in cells on Xwayland where asked; its pid once shown, else -1.
    // A Wayland one may first show that many windows of other app ids in turn.
    qint64 startClient(const QString& appId, std::optional<QRect> x11At = std::nullopt, int before = 0) {
        auto client = std::make_unique<QProcess>();
        QProcessEnvironment env = childEnvironment();
        env.insert(x11At ? "DISPLAY" : "WAYLAND_DISPLAY", x11At ? xDisplay() : waylandDisplay());
        client->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QRect at = x11At.value_or(QRect());
        const bool started =
            x11At ? startChild(*client, CORV_X11_CLIENT,
                               {QString::number(at.x()), QString::number(at.y()), QString::number(at.width()),
                                QString::number(at.height()), appId, appId, "steps"},
                               env)
                  : startChild(*client, CORV_WAYLAND_CLIENT, {appId, QString::number(before)}, env);
        if (!started) return -1;
        const qint64 pid = client->processId();
        clients_.push_back(std::move(client));
        if (!spinUntil([&] { return shown(appId); }, 10000)) return -1;
        return pid;
    }

    // The compositor's own command focuses the window of the app id.
    bool focus(const QString& appId) {
        if (kind_ == Kind::Sway) return swaymsg({QString("[app_id=\"%1\"] focus").arg(appId)}).has_value();
        return kwinScript(QString("for (const w of windows()) if (w.resourceClass == '%1') {"
                                  " if (workspace.windowList) workspace.activeWindow = w; else workspace.activeClient = w; }")
                              .arg(appId))
            .has_value();
    }

    // Whether the window of the app id is full screen, as the compositor says.
    std::optional<bool> fullScreen(const QString& appId) {
        if (kind_ == Kind::Sway) {
            const auto view = swayView(appId);
            if (!view) return std::nullopt;
            return view->value("fullscreen_mode").toInt() != 0;
        }
        const auto answer = kwinScript(
            QString("for (const w of windows()) if (w.resourceClass == '%1') answer(w.fullScreen);").arg(appId));
        if (!answer) return std::nullopt;
        return *answer == "true";
    }

    // Two desktops at least: sway keeps a workspace while a window is on it,
    // so the app id's window moves to a second one; KWin gets a second desktop.
    bool addDesktop(const QString& appIdToMove) {
        if (kind_ == Kind::Sway)
            return swaymsg({QString("[app_id=\"%1\"] move to workspace 2").arg(appIdToMove)}).has_value();
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/VirtualDesktopManager",
                                                   "org.kde.KWin.VirtualDesktopManager", "createDesktop");
        call << 1u << QString("Two");
        return bus_->connection().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    // The current desktop's index, as the compositor says.
    std::optional<int> currentDesktop() {
        if (kind_ == Kind::Sway) {
            const auto out = swaymsg({"-t", "get_workspaces"});
            if (!out) return std::nullopt;
            const QJsonArray all = QJsonDocument::fromJson(*out).array();
            for (int i = 0; i < all.size(); ++i)
                if (all[i].toObject().value("focused").toBool()) return i;
            return std::nullopt;
        }
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "currentDesktop");
        const auto reply = bus_->connection().call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
        return reply.arguments().front().toInt() - 1;
    }

    bool setDesktop(int index) {
        if (kind_ == Kind::Sway) return swaymsg({QString("workspace number %1").arg(index + 1)}).has_value();
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "setCurrentDesktop");
        call << index + 1;
        return bus_->connection().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    // The app id of the focused window, as the compositor says.
    std::optional<QString> focusedApp() {
        if (kind_ == Kind::KWin)
            return kwinScript("const a = workspace.windowList ? workspace.activeWindow : workspace.activeClient;"
                              " answer(a ? a.resourceClass : '');");
        const auto out = swaymsg({"-t", "get_tree"});
        if (!out) return std::nullopt;
        std::vector<QJsonObject> todo{QJsonDocument::fromJson(*out).object()};
        while (!todo.empty()) {
            const QJsonObject node = todo.back();
            todo.pop_back();
            if (node.value("focused").toBool()) return node.value("app_id").toString();
            for (const char* key : {"nodes", "floating_nodes"})
                for (const auto child : node.value(key).toArray()) todo.push_back(child.toObject());
        }
        return QString();
    }

    // Ends KWin and starts it again on the same bus and socket; its clients
    // end with it.
    bool restartKWin() {
        stopChild(compositor_);
        for (auto& client : clients_) stopChild(*client);
        startKWin();
        return error_.empty();
    }

    // Whether KWin has a script loaded under the plugin name.
    std::optional<bool> kwinScriptLoaded(const QString& plugin) {
        if (kind_ != Kind::KWin) return std::nullopt;
        auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "isScriptLoaded");
        call << plugin;
        const auto reply = bus_->connection().call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
        return reply.arguments().front().toBool();
    }

    // sway reads its configuration again.
    bool reloadSway() { return swaymsg({"reload"}).has_value(); }

    // Stops or continues the compositor, as a hung one.
    void pause(bool on) { signalProcess(compositor_.processId(), on ? SIGSTOP : SIGCONT); }

    // Moves the window of the app id (KWin only: sway tiles).
    bool moveWindow(const QString& appId, int x, int y) {
        if (kind_ == Kind::Sway) return false;
        return kwinScript(QString("for (const w of windows()) if (w.resourceClass == '%1') {"
                                  " const g = w.frameGeometry; w.frameGeometry = {x: %2, y: %3, width: g.width, height: g.height}; }")
                              .arg(appId)
                              .arg(x)
                              .arg(y))
            .has_value();
    }

    // Runs a statement on the window `w` of the app id (KWin only).
    bool onWindow(const QString& appId, const QString& statement) {
        return kind_ == Kind::KWin &&
               kwinScript(QString("for (const w of windows()) if (w.resourceClass == '%1') { %2 }").arg(appId, statement));
    }

    // Whether the window of the app id fills the area of a maximised one (KWin only).
    std::optional<bool> maximized(const QString& appId) {
        if (kind_ == Kind::Sway) return std::nullopt;
        const auto answer = kwinScript(
            QString("for (const w of windows()) if (w.resourceClass == '%1') {"
                    " const a = workspace.clientArea(KWin.MaximizeArea, w); const g = w.frameGeometry;"
                    " answer(a.x == g.x && a.y == g.y && a.width == g.width && a.height == g.height); }")
                .arg(appId));
        if (!answer || answer->isEmpty()) return std::nullopt;
        return *answer == "true";
    }

    // The first window the condition on `w` picks, as KWin tells it (KWin
    // only): its frame, standing, the area it maximises to, and whether it is
    // the active one.
    std::optional<QJsonObject> kwinWindow(const QString& condition) {
        const auto answer = kwinScript(
            QString("const a = workspace.windowList ? workspace.activeWindow : workspace.activeClient;"
                    " for (const w of windows()) if (%1) { const g = w.frameGeometry, m = workspace.clientArea(KWin.MaximizeArea, w);"
                    " answer(JSON.stringify({x: g.x, y: g.y, width: g.width, height: g.height, area: [m.x, m.y, m.width, m.height],"
                    " skipTaskbar: w.skipTaskbar, skipPager: w.skipPager, skipSwitcher: w.skipSwitcher, keepAbove: w.keepAbove,"
                    " onAllDesktops: w.onAllDesktops, active: w == a})); }")
                .arg(condition));
        if (!answer || answer->isEmpty()) return std::nullopt;
        return QJsonDocument::fromJson(answer->toUtf8()).object();
    }

    // The keyboard layout in use, as the compositor says; nothing without a keyboard.
    std::optional<int> layout() {
        if (kind_ == Kind::Sway) {
            const auto out = swaymsg({"-t", "get_inputs"});
            if (!out) return std::nullopt;
            for (const auto input : QJsonDocument::fromJson(*out).array())
                if (input.toObject().value("type").toString() == "keyboard")
                    return input.toObject().value("xkb_active_layout_index").toInt();
            return std::nullopt;
        }
        auto call = QDBusMessage::createMethodCall("org.kde.keyboard", "/Layouts", "org.kde.KeyboardLayouts", "getLayout");
        const auto reply = bus_->connection().call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
        return reply.arguments().front().toInt();
    }

private:
    QString runDir() const { return dir_.filePath("run"); }

    static QRect rectOf(const QJsonObject& node) {
        const QJsonObject r = node.value("rect").toObject();
        return {r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(), r.value("height").toInt()};
    }

    // No umockdev preload and no test bus for the compositor and its clients.
    static QProcessEnvironment childEnvironment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : env.keys())
            if (name.startsWith("UMOCKDEV") || name == "LD_PRELOAD" || name.startsWith("DBUS_") ||
                name == "QT_QPA_PLATFORM" || name == "DISPLAY" || name == "SWAYSOCK" || name == "WAYLAND_DISPLAY")
                env.remove(name);
        return env;
    }

    bool startCompositor(const QString& program, const QStringList& args, QProcessEnvironment env) {
        env.insert("XDG_RUNTIME_DIR", runDir());
        if (!startChild(compositor_, program, args, env, dir_.filePath("compositor.log"))) {
            error_ = program.toStdString() + " did not start";
            return false;
        }
        return true;
    }

    void startSway() {
        // sway refuses to run as root: then it runs as nobody.
        const bool root = ::getuid() == 0;
        const uid_t user = root ? 65534 : ::getuid();
        QFile config(dir_.filePath("sway.conf"));
        if (!config.open(QIODevice::WriteOnly) || (root && ::chown(qPrintable(runDir()), user, user) != 0)) {
            error_ = "cannot prepare sway's files";
            return;
        }
        config.write(QString("output HEADLESS-1 resolution %1x%2\n").arg(options_.output.width()).arg(options_.output.height()).toUtf8());
        config.write(swayConfig_.toUtf8() + "\n");
        if (options_.xwayland) {
            const passwd* me = ::getpwuid(::getuid());
            config.write(QString("xwayland enable\nexec sh -c 'xhost +si:localuser:%1; echo \"$DISPLAY\" > %2/display'\n")
                             .arg(me ? me->pw_name : "root", runDir())
                             .toUtf8());
        }
        config.close();
        // sway, as nobody, passes through the test's folder and reads its configuration.
        QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) | QFileDevice::ExeOther);
        QFile::setPermissions(config.fileName(), QFile::permissions(config.fileName()) | QFileDevice::ReadOther);
        QProcessEnvironment env = childEnvironment();
        env.insert("WLR_BACKENDS", "headless");
        env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        env.insert("WLR_RENDERER", "pixman");
        const bool started =
            root ? startCompositor("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--pdeathsig", "TERM", "sway",
                                               "-c", config.fileName()},
                                   env)
                 : startCompositor("sway", {"-c", config.fileName()}, env);
        if (!started) return;
        // sway names its socket after its own pid, which setpriv keeps.
        swaySocket_ = QString("%1/sway-ipc.%2.%3.sock").arg(runDir()).arg(user).arg(compositor_.processId());
        if (!spinUntil([&] { return QFile::exists(swaySocket_) || compositor_.state() == QProcess::NotRunning; }, 10000) ||
            !QFile::exists(swaySocket_)) {
            error_ = "sway did not start: " + log();
            return;
        }
        socket_ = QDir(runDir()).entryList({"wayland-*"}, QDir::System).value(0);
        if (socket_.endsWith(".lock")) socket_.chop(5);
        if (socket_.isEmpty()) error_ = "sway made no Wayland socket";
    }

    void startKWin() {
        if (!bus_) bus_ = std::make_unique<PrivateBus>();
        if (!bus_->error().empty()) {
            error_ = bus_->error();
            return;
        }
        const QString binary = dir_.filePath("kwin_wayland");
        if (!QFile::exists(binary) && !QFile::copy("/usr/bin/kwin_wayland", binary)) {
            error_ = "no kwin_wayland to copy";
            return;
        }
        QFile::setPermissions(binary, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QDir(dir_.path()).mkpath("config");
        QFile layouts(dir_.filePath("config/kxkbrc"));
        if (layouts.open(QIODevice::WriteOnly)) layouts.write("[Layout]\nLayoutList=us,de\nUse=true\n");
        layouts.close();
        QFile kwinrc(dir_.filePath("config/kwinrc"));
        if (options_.kwinFocusStealing >= 0 && kwinrc.open(QIODevice::WriteOnly))
            kwinrc.write(QString("[Windows]\nFocusStealingPreventionLevel=%1\n").arg(options_.kwinFocusStealing).toUtf8());
        kwinrc.close();
        socket_ = "wayland-corv";
        QStringList args{"--virtual", "--no-lockscreen", "--socket", socket_, "--width", "1280", "--height", "800"};
        if (options_.xwayland) {
            // KWin's Xwayland wants the sockets' folder; a command it starts tells the display.
            QDir().mkpath("/tmp/.X11-unix");
            ::chmod("/tmp/.X11-unix", 01777);
            QFile::remove(runDir() + "/display");
            args << "--xwayland" << QString("sh -c 'echo $DISPLAY > %1/display'").arg(runDir());
        }
        QProcessEnvironment env = childEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus_->address());
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        if (!startCompositor(binary, args, env)) return;
        const auto answers = [&] {
            auto call = QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "currentDesktop");
            return bus_->connection().call(call, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage;
        };
        if (!spinUntil([&] { return answers() || compositor_.state() == QProcess::NotRunning; }, 15000) || !answers())
            error_ = "kwin_wayland did not start: " + log();
    }

    std::string log() const {
        QFile f(dir_.filePath("compositor.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll().right(2000).toStdString() : std::string();
    }

    std::optional<QByteArray> swaymsg(const QStringList& args) {
        QProcess tool;
        tool.setProcessEnvironment(childEnvironment());
        tool.start("swaymsg", QStringList{"-s", swaySocket_} + args);
        if (!tool.waitForFinished(10000) || tool.exitCode() != 0) return std::nullopt;
        return tool.readAllStandardOutput();
    }

    std::optional<QJsonObject> swayNode(const std::function<bool(const QJsonObject&)>& wanted) {
        const auto out = swaymsg({"-t", "get_tree"});
        if (!out) return std::nullopt;
        std::vector<QJsonObject> todo{QJsonDocument::fromJson(*out).object()};
        while (!todo.empty()) {
            const QJsonObject node = todo.back();
            todo.pop_back();
            if (wanted(node)) return node;
            for (const char* key : {"nodes", "floating_nodes"})
                for (const auto child : node.value(key).toArray()) todo.push_back(child.toObject());
        }
        return std::nullopt;
    }
    std::optional<QJsonObject> swayView(const QString& appId) {
        return swayNode([&](const QJsonObject& n) { return n.value("app_id").toString() == appId; });
    }

    bool shown(const QString& appId) {
        if (kind_ == Kind::Sway) return swayView(appId).has_value();
        const auto answer =
            kwinScript(QString("answer(windows().some(w => w.resourceClass == '%1'));").arg(appId));
        return answer && *answer == "true";
    }

    // Runs a script in KWin; what it passes to answer(text) comes back
    // through KWin's log. Plasma 5 names the windows clients, Plasma 6 windows.
    std::optional<QString> kwinScript(const QString& body) {
        const int n = ++scripts_;
        const QString file = dir_.filePath(QString("script%1.js").arg(n));
        const QString mark = QString("corv-answer-%1:").arg(n);
        QFile script(file);
        if (!script.open(QIODevice::WriteOnly)) return std::nullopt;
        script.write(QString("function windows() { return workspace.windowList ? workspace.windowList() : "
                             "workspace.clientList(); }\n"
                             "var answered = false;\n"
                             "function answer(text) { if (!answered) print('%1' + String(text)); answered = true; }\n"
                             "%2\nanswer('');\n")
                         .arg(mark, body)
                         .toUtf8());
        script.close();
        auto load = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript");
        load << file << QString("corvtest%1").arg(n);
        if (bus_->connection().call(load, QDBus::Block, 5000).type() != QDBusMessage::ReplyMessage) return std::nullopt;
        auto start = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "start");
        bus_->connection().call(start, QDBus::Block, 5000);
        std::optional<QString> answer;
        spinUntil(
            [&] {
                QFile f(dir_.filePath("compositor.log"));
                if (!f.open(QIODevice::ReadOnly)) return false;
                const QByteArray text = f.readAll();
                const qsizetype at = text.indexOf(mark.toUtf8());
                if (at < 0) return false;
                const qsizetype from = at + mark.size();
                answer = QString::fromUtf8(text.mid(from, text.indexOf('\n', from) - from)).trimmed();
                return true;
            },
            5000);
        return answer;
    }

    Kind kind_;
    Options options_;
    QString swayConfig_;
    QTemporaryDir dir_;
    QProcess compositor_;
    std::vector<std::unique_ptr<QProcess>> clients_;
    std::unique_ptr<PrivateBus> bus_;
    QString socket_, swaySocket_;
    int scripts_ = 0;
    std::string error_;
};

} // namespace corv::test
