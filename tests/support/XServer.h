#pragma once

// A private X server (Xvfb, on a display number it picks itself), client
// windows and a small window manager (openbox), for one test process. Nothing
// here touches the machine's own display.

#include "support/ChildProcess.h"
#include "support/PrivateBus.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace corv::test {

class XServer {
public:
    XServer() {
        // A display number well away from the ones desktops take; the lock
        // file tells a taken one, and a server that loses the race ends.
        const int first = 90 + static_cast<int>(::getpid() % 200);
        for (int n = first; n < first + 20 && name_.empty(); ++n) {
            if (QFile::exists(QString("/tmp/.X%1-lock").arg(n)) || QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            endWithThisProcess(xvfb_);
            xvfb_.setProcessEnvironment(ownEnvironment());
            xvfb_.start("Xvfb", {QString(":%1").arg(n), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
            if (!xvfb_.waitForStarted(10000)) {
                error_ = "Xvfb did not start (is the xvfb package installed?)";
                return;
            }
            // Ours once its lock names it and its socket is there.
            const QString socket = QString("/tmp/.X11-unix/X%1").arg(n);
            const QString lock = QString("/tmp/.X%1-lock").arg(n);
            const auto ours = [&] {
                QFile f(lock);
                return f.open(QIODevice::ReadOnly) && f.readAll().trimmed().toLongLong() == xvfb_.processId() &&
                       QFile::exists(socket);
            };
            spinUntil([&] { return ours() || xvfb_.state() == QProcess::NotRunning; });
            if (xvfb_.state() == QProcess::Running && ours()) name_ = QString(":%1").arg(n).toStdString();
            else stop(xvfb_);
        }
        if (name_.empty()) {
            error_ = "no free display for Xvfb";
            return;
        }
        display_ = XOpenDisplay(name_.c_str());
        if (!display_) {
            error_ = "cannot open " + name_;
            return;
        }
        QProcessEnvironment env = ownEnvironment();
        env.insert("DISPLAY", QString::fromStdString(name_));
        env.insert("XDG_CONFIG_HOME", config_.path());  // no user's openbox settings
        env.remove("WAYLAND_DISPLAY");
        // The window manager finds its themes in the standard data folders.
        env.remove("XDG_DATA_DIRS");
        env.remove("XDG_DATA_HOME");
        env_ = env;
    }

    // Starts the window manager. Windows mapped before it starts are managed
    // by its start-up scan; one mapped while it starts may be missed.
    void startManager() {
        if (!error_.empty()) return;
        wm_.setProcessEnvironment(env_);
        endWithThisProcess(wm_);
        wm_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        wm_.setStandardOutputFile(QProcess::nullDevice());
        wm_.start("openbox", {"--sm-disable"});
        if (!wm_.waitForStarted(10000)) {
            error_ = "openbox did not start (is the openbox package installed?)";
            return;
        }
        if (!spinUntil([&] {
                return wm_.state() == QProcess::NotRunning ||
                       (hasRootProperty("_NET_SUPPORTING_WM_CHECK") && hasRootProperty("_NET_NUMBER_OF_DESKTOPS"));
            }) || wm_.state() == QProcess::NotRunning)
            error_ = "openbox did not manage the display";
    }

    // A test under umockdev keeps its fakes to itself.
    static QProcessEnvironment ownEnvironment() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LD_PRELOAD");
        env.remove("UMOCKDEV_DIR");
        return env;
    }

    ~XServer() {
        for (auto& c : clients_) stop(*c);
        stop(wm_);
        if (display_) XCloseDisplay(display_);
        stop(xvfb_);
    }

    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& error() const { return error_; }
    const std::string& name() const { return name_; }
    qint64 serverPid() const { return xvfb_.processId(); }
    bool managerRunning() const { return wm_.state() == QProcess::Running; }
    bool clientsRunning() const {
        for (const auto& c : clients_)
            if (c->state() != QProcess::Running) return false;
        return true;
    }
    Display* display() const { return display_; }

    // Starts a client window and waits until it is shown; its process id, or -1.
    // `flags`: more of the client's words ("retain").
    qint64 startClient(int x, int y, int w, int h, const QString& instance, const QString& windowClass,
                       bool withPid = true, const QStringList& flags = {}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env_);
        endWithThisProcess(*process);
        QStringList args{QString::number(x), QString::number(y), QString::number(w), QString::number(h), instance,
                         windowClass};
        if (!withPid) args << "nopid";
        args << flags;
        // Counted first: a quick client shows its window before the start returns.
        const std::size_t before = mappedTopLevels();
        process->start(CORV_X11_CLIENT, args);
        if (!process->waitForStarted(10000)) return -1;
        const qint64 pid = process->processId();
        clients_.push_back(std::move(process));
        if (!spinUntil([&] { return mappedTopLevels() > before; })) return -1;
        return pid;
    }

    std::size_t mappedTopLevels() {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::size_t mapped = 0;
        XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(display_, children[i], &a) && a.map_state == IsViewable) ++mapped;
        }
        if (children) XFree(children);
        return mapped;
    }

    bool hasRootProperty(const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool has = XGetWindowProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, name, False),
                                            0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                                            &data) == Success &&
                         type != None;
        if (data) XFree(data);
        return has;
    }

private:
    static void stop(QProcess& p) {
        if (p.state() == QProcess::NotRunning) return;
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    }

    QTemporaryDir config_;
    QProcess xvfb_;
    QProcess wm_;
    QProcessEnvironment env_;
    std::vector<std::unique_ptr<QProcess>> clients_;
    Display* display_ = nullptr;
    std::string name_;
    std::string error_;
};

} // namespace corv::test
