#pragma once

#include "platform/Lifecycle.h"

#include <QPointer>
#include <QString>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include <sys/types.h>

class QFileSystemWatcher;
class QLocalServer;
class QLocalSocket;
class QMessageBox;
class QObject;
class QSocketNotifier;
class QTimer;

namespace corv::desktop {

// The application on Qt. Ending runs `willTerminate` once, then leaves the
// event loop; SIGTERM and SIGINT end it the same way. An alert's last button
// is its cancel: Escape and the window's close button press it, and so does
// a termination signal, which then ends the program once the alert is gone. The other copies of the
// program are the ones listening on the per-user instance socket: a new copy
// sends them "quit" and then listens itself. A peer has a short while to say
// its line, and only a few are served at once (a newcomer beyond them is
// refused unless its line has come); a server that stopped
// listening listens again. Idle, it arms no timer: the socket's folder is
// watched for the name going or changing.
class DesktopLifecycle final : public platform::Lifecycle {
public:
    // `instanceSocket` empty: the standard per-user socket.
    explicit DesktopLifecycle(QString instanceSocket = {});
    ~DesktopLifecycle() override;
    DesktopLifecycle(const DesktopLifecycle&) = delete;
    DesktopLifecycle& operator=(const DesktopLifecycle&) = delete;

    void setHandlers(platform::LifecycleHandlers handlers) override;
    void setActivationPolicy(platform::ActivationPolicy) override {}
    void terminate() override;
    void activateIgnoringOtherApps() override {}
    int runAlert(const platform::Alert& alert) override;
    int askOtherCopiesToQuit() override;
    void setLocalClickFilter(platform::ClickCountFilter filter) override;

    // The window manager closed the panel (Alt+F4, a pager), or the user
    // clicked outside it: it goes as when another application becomes active.
    void panelClosed();

    // The socket in the user's runtime folder (else the temporary one).
    static QString standardInstanceSocket();
    QString instanceSocket() const { return socketName_; }
    bool terminating() const { return terminating_; }

private:
    class Watch;
    void runWillTerminate();
    void onSignal();
    void readRequest(QLocalSocket* peer);
    bool listen();
    void acceptPeers();
    void dropLatePeers();
    void armPeerTimer();
    void checkListening();

    struct Peer {
        QPointer<QLocalSocket> socket;
        std::chrono::steady_clock::time_point deadline;
    };

    QString socketName_;
    platform::LifecycleHandlers handlers_;
    bool terminating_ = false;
    QPointer<QMessageBox> alert_;  // the alert up now
    bool signalledDuringAlert_ = false;
    bool terminated_ = false;
    // Another copy asked this one to end and holds the socket's name now.
    bool replaced_ = false;
    std::unique_ptr<QLocalServer> server_;
    std::deque<Peer> peers_;  // oldest first
    std::optional<std::pair<dev_t, ino_t>> socketFile_;  // the name's file, as listened on
    std::unique_ptr<QTimer> peerTimer_;    // the next peer's deadline
    std::unique_ptr<QTimer> relistenTimer_;  // while the server cannot listen
    std::unique_ptr<QFileSystemWatcher> folderWatch_;
    std::unique_ptr<QTimer> folderSettle_;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    std::unique_ptr<QObject> watch_;
    platform::ClickCountFilter clickFilter_;
};

} // namespace corv::desktop
