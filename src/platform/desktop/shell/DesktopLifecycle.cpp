#include "platform/desktop/shell/DesktopLifecycle.h"

#include "platform/desktop/shell/DesktopTrace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QAbstractButton>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <vector>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

// The self-pipe the signal handler writes to; the notifier reads it on the
// main thread.
int g_signalFds[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    // The interrupted code may be about to read errno.
    const int savedErrno = errno;
    const char byte = 1;
    if (g_signalFds[0] >= 0) {
        const ssize_t n = ::write(g_signalFds[0], &byte, 1);
        (void)n;
    }
    errno = savedErrno;
}

constexpr int kQuitWriteTimeoutMs = 1000;
// The longest request line a peer may send.
constexpr qint64 kMaxRequestLine = 64;
// A peer that has not said its line in this time is dropped.
constexpr auto kPeerLineTimeout = std::chrono::seconds(2);
// Peers served at once; a new one beyond them is refused.
constexpr std::size_t kMaxPeers = 16;
// How soon a server that could not listen tries again.
constexpr int kRelistenMs = 1000;
// How long a change in the socket's folder settles before it is looked at.
constexpr int kFolderSettleMs = 200;
// A copy that holds the socket's name answers a connection at once.
constexpr int kProbeTimeoutMs = 200;

// The device and inode of the file at the path, if there is one.
std::optional<std::pair<dev_t, ino_t>> fileIdentity(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return std::pair(st.st_dev, st.st_ino);
}

// Closes a peer's connection now and lets the socket go.
void drop(QLocalSocket* peer) {
    peer->abort();
    peer->deleteLater();
}

// The listening servers of copies that another copy has replaced. Closing one
// would remove the socket's name, which is the new copy's now; they stay open
// until the process ends.
std::vector<QLocalServer*>& replacedServers() {
    static auto* servers = new std::vector<QLocalServer*>;
    return *servers;
}

} // namespace

// Application state changes and double clicks, as Qt reports them.
class DesktopLifecycle::Watch final : public QObject {
public:
    explicit Watch(DesktopLifecycle& owner) : owner_(owner) {}

    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonDblClick || !owner_.clickFilter_) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || owner_.clickFilter_(2) != 1) return false;
        // Delivered as a second single press.
        QMouseEvent press(QEvent::MouseButtonPress, me->position(), me->scenePosition(), me->globalPosition(),
                          me->button(), me->buttons(), me->modifiers(), me->pointingDevice());
        QCoreApplication::sendEvent(target, &press);
        return true;
    }

private:
    DesktopLifecycle& owner_;
};

DesktopLifecycle::DesktopLifecycle(QString instanceSocket)
    : socketName_(instanceSocket.isEmpty() ? standardInstanceSocket() : std::move(instanceSocket)),
      watch_(std::make_unique<Watch>(*this)) {
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, watch_.get(),
                     [this] { runWillTerminate(); });
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(gui, &QGuiApplication::applicationStateChanged, watch_.get(), [this](Qt::ApplicationState s) {
            if (s == Qt::ApplicationActive && handlers_.willBecomeActive) handlers_.willBecomeActive();
            if (s == Qt::ApplicationInactive && handlers_.willResignActive) handlers_.willResignActive();
        });
    }
    if (g_signalFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) == 0) {
        ::fcntl(g_signalFds[0], F_SETFL, O_NONBLOCK);
        ::fcntl(g_signalFds[1], F_SETFL, O_NONBLOCK);
        signalNotifier_ = std::make_unique<QSocketNotifier>(g_signalFds[1], QSocketNotifier::Read);
        QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, watch_.get(), [this] { onSignal(); });
        struct sigaction sa {};
        sa.sa_handler = &onTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &sa, nullptr);
        ::sigaction(SIGINT, &sa, nullptr);
    }
}

DesktopLifecycle::~DesktopLifecycle() {
    folderWatch_.reset();
    folderSettle_.reset();
    peerTimer_.reset();
    relistenTimer_.reset();
    if (signalNotifier_) {
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGINT, SIG_DFL);
        signalNotifier_.reset();
        ::close(g_signalFds[0]);
        ::close(g_signalFds[1]);
        g_signalFds[0] = g_signalFds[1] = -1;
    }
    if (server_ && replaced_)
        replacedServers().push_back(server_.release());
    else if (server_)
        server_->close();
}

QString DesktopLifecycle::standardInstanceSocket() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) return QDir::tempPath() + QStringLiteral("/corvadine-%1.instance").arg(::getuid());
    return dir + QStringLiteral("/corvadine.instance");
}

void DesktopLifecycle::setHandlers(platform::LifecycleHandlers handlers) { handlers_ = std::move(handlers); }

void DesktopLifecycle::panelClosed() {
    trace("panel closed by the desktop");
    if (handlers_.willResignActive) handlers_.willResignActive();
}

void DesktopLifecycle::runWillTerminate() {
    if (terminated_) return;
    terminated_ = true;
    trace("terminating");
    if (handlers_.willTerminate) handlers_.willTerminate();
}

void DesktopLifecycle::terminate() {
    if (terminating_) return;
    terminating_ = true;
    // Leaves the loop once it runs; before that, exec() returns at once.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

void DesktopLifecycle::onSignal() {
    char buf[16];
    while (::read(g_signalFds[1], buf, sizeof buf) > 0) {
    }
    trace("termination signal");
    // Inside the alert's own loop the program cannot end yet: the alert goes
    // first, as its cancel button would take it away.
    if (alert_) {
        signalledDuringAlert_ = true;
        if (QAbstractButton* cancel = alert_->escapeButton()) cancel->click();
        else alert_->reject();
        return;
    }
    terminate();
}

int DesktopLifecycle::runAlert(const platform::Alert& alert) {
    QMessageBox box;
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informative));
    std::vector<QAbstractButton*> buttons;
    for (const auto& title : alert.buttons)
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::AcceptRole));
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
        box.setEscapeButton(buttons.back());
    }
    alert_ = &box;
    signalledDuringAlert_ = false;
    trace("alert shown");
    box.exec();
    alert_ = nullptr;
    if (signalledDuringAlert_) terminate();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return platform::kAlertFirstButton + static_cast<int>(i);
    return platform::kAlertFirstButton + static_cast<int>(buttons.size());
}

int DesktopLifecycle::askOtherCopiesToQuit() {
    int asked = 0;
    {
        QLocalSocket other;
        other.connectToServer(socketName_);
        if (other.waitForConnected(kQuitWriteTimeoutMs)) {
            other.write("quit\n");
            other.waitForBytesWritten(kQuitWriteTimeoutMs);
            other.disconnectFromServer();
            asked = 1;
            trace("asked the other copy to quit");
        }
    }
    // The other copy keeps its (now unnamed) socket until it ends.
    QLocalServer::removeServer(socketName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, watch_.get(), [this] { acceptPeers(); });
    peerTimer_ = std::make_unique<QTimer>();
    peerTimer_->setSingleShot(true);
    QObject::connect(peerTimer_.get(), &QTimer::timeout, watch_.get(), [this] { dropLatePeers(); });
    relistenTimer_ = std::make_unique<QTimer>();
    relistenTimer_->setSingleShot(true);
    relistenTimer_->setInterval(kRelistenMs);
    QObject::connect(relistenTimer_.get(), &QTimer::timeout, watch_.get(), [this] { checkListening(); });
    // Qt removes the name of a server whose accept() failed; anyone may
    // remove or replace the file: each shows in the folder.
    // A new copy asks this one to quit before it takes the name: the folder's
    // news waits a moment for its request to be read.
    folderWatch_ = std::make_unique<QFileSystemWatcher>();
    QObject::connect(folderWatch_.get(), &QFileSystemWatcher::directoryChanged, watch_.get(), [this] {
        if (!folderSettle_->isActive()) folderSettle_->start();
    });
    folderSettle_ = std::make_unique<QTimer>();
    folderSettle_->setSingleShot(true);
    folderSettle_->setInterval(kFolderSettleMs);
    QObject::connect(folderSettle_.get(), &QTimer::timeout, watch_.get(), [this] { checkListening(); });
    listen();
    return asked;
}

bool DesktopLifecycle::listen() {
    if (server_->listen(socketName_)) {
        socketFile_ = fileIdentity(server_->fullServerName());
        // A folder that went and came back is watched again.
        const QString folder = QFileInfo(server_->fullServerName()).absolutePath();
        if (!folderWatch_->directories().contains(folder)) folderWatch_->addPath(folder);
        return true;
    }
    trace("the instance socket cannot listen");
    relistenTimer_->start();
    return false;
}

void DesktopLifecycle::acceptPeers() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        std::erase_if(peers_, [](const Peer& p) {
            return !p.socket || p.socket->state() != QLocalSocket::ConnectedState;
        });
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (peers_.size() >= kMaxPeers) {
            // The peers being served keep their time; one beyond them is
            // served only if its whole line is already here.
            peer->waitForReadyRead(0);
            if (peer->canReadLine()) readRequest(peer);
            else drop(peer);
            continue;
        }
        peers_.push_back({peer, std::chrono::steady_clock::now() + kPeerLineTimeout});
        QObject::connect(peer, &QLocalSocket::readyRead, watch_.get(), [this, peer] { readRequest(peer); });
        // What arrived before the connection was made.
        if (peer->bytesAvailable() > 0) readRequest(peer);
    }
    armPeerTimer();
}

void DesktopLifecycle::dropLatePeers() {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(peers_, [now](const Peer& p) {
        if (p.socket && p.deadline > now) return false;
        if (p.socket) drop(p.socket);
        return true;
    });
    armPeerTimer();
}

void DesktopLifecycle::armPeerTimer() {
    if (peers_.empty() || peerTimer_->isActive()) return;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(peers_.front().deadline -
                                                                   std::chrono::steady_clock::now());
    peerTimer_->start(std::max<int>(0, static_cast<int>(left.count())));
}

void DesktopLifecycle::checkListening() {
    if (replaced_ || terminating_) return;
    // Qt closes a server whose accept() fails (no descriptor left) and
    // removes the socket's name; anyone may have removed or replaced the file, too.
    if (server_->isListening() && server_->socketDescriptor() >= 0 && socketFile_ &&
        fileIdentity(server_->fullServerName()) == socketFile_)
        return;
    // A copy started meanwhile holds the name now: it is the one that runs.
    QLocalSocket other;
    other.connectToServer(socketName_);
    if (other.waitForConnected(kProbeTimeoutMs)) {
        other.abort();
        trace("another copy holds the instance socket");
        replaced_ = true;
        terminate();
        return;
    }
    server_->close();
    QLocalServer::removeServer(socketName_);
    if (listen()) trace("the instance socket listens again");
}

void DesktopLifecycle::readRequest(QLocalSocket* peer) {
    // A peer says one short line; one that says more without ending it is
    // dropped instead of being buffered without bound.
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() > kMaxRequestLine) peer->abort();
        return;
    }
    const QByteArray line = peer->readLine(kMaxRequestLine + 1).trimmed();
    peer->abort();
    if (line != "quit") return;
    trace("quit requested by another copy");
    std::fputs("corvadine: another copy started; this one ends\n", stderr);
    replaced_ = true;
    terminate();
}

void DesktopLifecycle::setLocalClickFilter(platform::ClickCountFilter filter) {
    const bool first = !clickFilter_;
    clickFilter_ = std::move(filter);
    if (first) QCoreApplication::instance()->installEventFilter(watch_.get());
}

} // namespace corv::desktop
