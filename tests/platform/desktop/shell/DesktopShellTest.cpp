// The shell on the Qt desktop, in this process: tray items, the panel below
// the item, the overlay tile, the instance socket.

#include "app/AppDelegate.h"
#include "app/CorvadineApp.h"
#include "app/StatusItems.h"
#include "engine/NotifWinManager.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "support/NoInputDevices.h"

#include "support/PrivateBus.h"
#include "support/Xvfb.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::spinUntil;

// No bus at this address: nothing reaches the machine's own buses.
const QString kNoBus = QStringLiteral("unix:path=/nonexistent/corvadine-test-bus");

class DesktopShellTest : public ::testing::Test {
protected:
    DesktopShellTest()
        : platform_({dir_.filePath("defaults.plist"), dir_.filePath("autostart"), kNoBus, kNoBus,
                     dir_.filePath("instance"), test::noInputDevices(dir_)}) {
        resetShared();
    }
    ~DesktopShellTest() override { resetShared(); }

    // The visible top-level windows with all the flags.
    static std::vector<QWidget*> windowsWith(Qt::WindowFlags flags) {
        std::vector<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (w->windowFlags() & flags) == flags) found.push_back(w);
        return found;
    }
    static std::vector<QWidget*> panels() { return windowsWith(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint); }

    // A peer on the instance socket that has sent the bytes.
    std::unique_ptr<QLocalSocket> connectPeer(const QByteArray& bytes = {}) {
        auto peer = std::make_unique<QLocalSocket>();
        peer->connectToServer(dir_.filePath("instance"));
        EXPECT_TRUE(peer->waitForConnected(5000));
        if (!bytes.isEmpty()) {
            peer->write(bytes);
            peer->flush();
        }
        return peer;
    }
    // A quit request on the instance socket ends the program.
    void expectQuitEnds(int ms) {
        auto peer = connectPeer("quit\n");
        EXPECT_TRUE(spinUntil([&] { return platform_.lifecycle.terminating(); }, ms));
    }
    sockaddr_un instanceAddress() const {
        const QByteArray path = QFile::encodeName(dir_.filePath("instance"));
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        return addr;
    }

    QTemporaryDir dir_;
    DesktopPlatform platform_;
};

TEST_F(DesktopShellTest, LaunchMakesTrayItemsAndTheLeftClickDropsThePanel) {
    app::CorvadineApp entry;
    entry.launch();
    ASSERT_NE(app::mainStatusItem(), nullptr);
    ASSERT_NE(app::micStatusItem(), nullptr);
    EXPECT_TRUE(app::mainStatusItem()->isVisible());
    EXPECT_FALSE(app::micStatusItem()->isVisible());

    const auto item = app::mainStatusItem()->buttonWindowFrame();
    ASSERT_TRUE(item);
    app::statusBarButtonClicked(platform::MouseButton::Left);
    const auto shown = panels();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->width(), 380);
    EXPECT_EQ(shown[0]->y(), int(item->y + item->height));
    app::statusBarButtonClicked(platform::MouseButton::Left);
    EXPECT_TRUE(panels().empty());
}

// On X11 with a tray host: hiding the program leaves the tray icon's window
// alone, and the panel stays out of the taskbar and the pager.
TEST_F(DesktopShellTest, OnX11TheTrayIconOutlivesTheHiddenPanelWhichNoTaskbarLists) {
    if (!test::runningOnXvfb()) return;
    app::CorvadineApp entry;
    entry.launch();
    const auto trayWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && std::strcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0) ++n;
        return n;
    };
    // The main icon; the microphone's is hidden.
    ASSERT_TRUE(spinUntil([&] { return trayWindows() == 1; }));
    app::statusBarButtonClicked(platform::MouseButton::Left);
    const auto shown = panels();
    ASSERT_EQ(shown.size(), 1u);
    app::statusBarButtonClicked(platform::MouseButton::Left);
    EXPECT_TRUE(panels().empty());
    EXPECT_EQ(trayWindows(), 1);
    app::statusBarButtonClicked(platform::MouseButton::Left);
    EXPECT_EQ(panels().size(), 1u);
    EXPECT_EQ(trayWindows(), 1);

    // The states a window manager reads when it maps the panel.
    xcb_connection_t* c = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, shown[0]->winId(), test::xAtom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64), nullptr);
    ASSERT_NE(reply, nullptr);
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const std::vector<xcb_atom_t> states(atoms, atoms + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
    std::free(reply);
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
        EXPECT_NE(std::find(states.begin(), states.end(), test::xAtom(c, name)), states.end()) << name;
}

// On a desktop a click on the tray icon first takes the focus from the panel,
// which closes it; that same click must not open it again.
TEST_F(DesktopShellTest, TheTrayClickThatTookTheFocusDoesNotReopenThePanel) {
    app::CorvadineApp entry;
    entry.launch();
    QSystemTrayIcon* main = nullptr;  // the microphone's icon is hidden
    for (QSystemTrayIcon* icon : qApp->findChildren<QSystemTrayIcon*>())
        if (icon->isVisible()) main = icon;
    ASSERT_NE(main, nullptr);

    emit main->activated(QSystemTrayIcon::Trigger);
    ASSERT_EQ(panels().size(), 1u);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(panels().size(), 0u);
    emit main->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(panels().size(), 0u);
    // The next click is the user's own.
    emit main->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(panels().size(), 1u);
}

// The alert's last button is its cancel: Escape and the window's close
// button answer it; Return takes the first.
TEST_F(DesktopShellTest, EscapeAndTheCloseButtonAnswerAnAlertAsItsCancel) {
    struct Case {
        const char* what;
        std::function<void(QWindow*)> act;
        int answer;
    };
    const Case cases[] = {
        {"Escape", [](QWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }, platform::kAlertFirstButton + 1},
        {"close button", [](QWindow* w) { w->close(); }, platform::kAlertFirstButton + 1},
        {"Return", [](QWindow* w) { QTest::keyClick(w, Qt::Key_Return); }, platform::kAlertFirstButton},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool acted = false;
        QTimer act;
        QObject::connect(&act, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->windowHandle() || !box->windowHandle()->isExposed() || acted) return;
            acted = true;
            c.act(box->windowHandle());
        });
        act.start(10);
        QTimer giveUp;  // a box nobody answers would hold the test for ever
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->hide();
        });
        giveUp.start(10000);
        const int answer = platform::lifecycle().runAlert({"Title", "Text", {"Relaunch", "Cancel"}});
        EXPECT_TRUE(acted);
        EXPECT_EQ(answer, c.answer);
    }
}

// Counts the presses and double clicks it is given.
class ClickCounter final : public QWidget {
public:
    int presses = 0;
    int doubleClicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseDoubleClickEvent(QMouseEvent*) override { ++doubleClicks; }
};

TEST_F(DesktopShellTest, ADoubleClickInOwnWindowsArrivesAsASecondPress) {
    app::CorvadineApp entry;
    entry.launch();
    ClickCounter w;
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, w.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent right(QEvent::MouseButtonDblClick, at, w.mapToGlobal(at), Qt::RightButton, Qt::RightButton, {});
    QApplication::sendEvent(&w, &press);
    QApplication::sendEvent(&w, &twice);
    EXPECT_EQ(w.presses, 2);
    EXPECT_EQ(w.doubleClicks, 0);
    QApplication::sendEvent(&w, &right);
    EXPECT_EQ(w.doubleClicks, 1);
}

TEST_F(DesktopShellTest, TheOverlayTakesNoInputNorFocusAndFadesOut) {
    engine::NotifWinManager::shared().show("capslock.fill");
    auto tiles = windowsWith(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus);
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_EQ(tiles[0]->size(), QSize(100, 100));
    EXPECT_TRUE(tiles[0]->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_NE(QApplication::activeWindow(), tiles[0]);
    QPointer<QWidget> tile = tiles[0];
    EXPECT_TRUE(spinUntil([&] { return !tile->isVisible(); }, 5000));
}

TEST_F(DesktopShellTest, AReplacedTileFadesOutAndGoesAway) {
    const auto tileFlags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput;
    engine::NotifWinManager::shared().show("capslock.fill");
    ASSERT_EQ(windowsWith(tileFlags).size(), 1u);
    QPointer<QWidget> first = windowsWith(tileFlags)[0];
    engine::NotifWinManager::shared().show("capslock");
    ASSERT_EQ(windowsWith(tileFlags).size(), 1u);
    QPointer<QWidget> second = windowsWith(tileFlags)[0];
    EXPECT_NE(first, second);
    // The first tile's late fade ends with nothing holding it: it is deleted once.
    EXPECT_TRUE(spinUntil([&] { return first.isNull(); }, 10000));
    EXPECT_TRUE(spinUntil([&] { return !second->isVisible(); }, 10000));
}

TEST_F(DesktopShellTest, AQuitRequestOnTheInstanceSocketEndsTheProgram) {
    EXPECT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    EXPECT_FALSE(platform_.lifecycle.terminating());
    expectQuitEnds(5000);
}

TEST_F(DesktopShellTest, AStaleSocketLeftByACrashIsTakenOver) {
    // A socket file nobody listens on, as a killed copy leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr = instanceAddress();
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(dir_.filePath("instance")));

    EXPECT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    expectQuitEnds(10000);
}

TEST_F(DesktopShellTest, OddMessagesOnTheInstanceSocketAreDroppedAndEndNothing) {
    ASSERT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    // A line that never ends is not buffered for ever: the peer is dropped.
    auto endless = connectPeer(QByteArray(1 << 20, 'q'));
    EXPECT_TRUE(spinUntil([&] { return endless->state() == QLocalSocket::UnconnectedState; }, 10000));
    // Other lines are answered by hanging up.
    for (const QByteArray& odd : {QByteArray("quitquit\n"), QByteArray("\0quit\n", 6), QByteArray("QUIT\n")}) {
        auto peer = connectPeer(odd);
        EXPECT_TRUE(spinUntil([&] { return peer->state() == QLocalSocket::UnconnectedState; }, 10000));
    }
    EXPECT_FALSE(platform_.lifecycle.terminating());
    expectQuitEnds(10000);
}

TEST_F(DesktopShellTest, NewcomersBeyondThePeerBoundAreRefusedAndNeverDropAPeerMidLine) {
    ASSERT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    const auto spinFor = [](int ms) { spinUntil([] { return false; }, ms); };
    auto slow = connectPeer("qu");
    spinFor(100);
    std::vector<std::unique_ptr<QLocalSocket>> flood;
    for (int i = 0; i < 40; ++i) {
        flood.push_back(connectPeer());
        if (i % 10 == 9) spinFor(50);
    }
    EXPECT_TRUE(spinUntil([&] { return flood.back()->state() == QLocalSocket::UnconnectedState; }, 1000));
    EXPECT_EQ(slow->state(), QLocalSocket::ConnectedState);
    EXPECT_FALSE(platform_.lifecycle.terminating());
    slow->write("it\n");
    slow->flush();
    EXPECT_TRUE(spinUntil([&] { return platform_.lifecycle.terminating(); }, 1000));
}

TEST_F(DesktopShellTest, TheInstanceSocketListensAgainAfterAcceptRanOutOfDescriptors) {
    ASSERT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 2048);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    // Before the descriptors run out: the sanitizers' checks need one.
    sockaddr_un addr = instanceAddress();
    // Every descriptor taken but the client's: the server's accept() fails.
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
    ASSERT_FALSE(fillers.empty());
    ::close(fillers.back());
    fillers.pop_back();
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    // The closed server resets the connection it could not take.
    EXPECT_TRUE(spinUntil([&] {
        pollfd p{client, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLIN));
    }));
    ::close(client);
    for (int fd : fillers) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_TRUE(spinUntil([&] { return QFileInfo::exists(dir_.filePath("instance")); }, 5000));
    expectQuitEnds(5000);
}

// Listening, the program sleeps until something happens: no timer looks at
// the socket.
TEST_F(DesktopShellTest, AListeningInstanceSocketLeavesTheMainThreadAsleep) {
    ASSERT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    spinUntil([] { return false; }, 100);
    int wakes = 0;
    const auto counter = QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                          [&] { ++wakes; });
    QEventLoop idle;
    QTimer::singleShot(2000, &idle, &QEventLoop::quit);
    idle.exec();
    QObject::disconnect(counter);
    EXPECT_LE(wakes, 2) << wakes;  // the end of the wait
    // A peer that says nothing is still dropped in time.
    auto silent = connectPeer();
    EXPECT_TRUE(spinUntil([&] { return silent->state() == QLocalSocket::UnconnectedState; }, 5000));
}

TEST_F(DesktopShellTest, AnInstanceSocketRemovedIsMadeAgainUnlessAnotherCopyTookItsName) {
    ASSERT_EQ(platform::lifecycle().askOtherCopiesToQuit(), 0);
    const QString name = dir_.filePath("instance");
    ASSERT_TRUE(QFile::remove(name));
    EXPECT_TRUE(spinUntil([&] { return QFileInfo::exists(name); }, 5000));
    EXPECT_FALSE(platform_.lifecycle.terminating());
    // A copy that found no socket listens under the name: this one ends.
    ASSERT_TRUE(QFile::remove(name));
    QLocalServer other;
    ASSERT_TRUE(other.listen(name));
    EXPECT_TRUE(spinUntil([&] { return platform_.lifecycle.terminating(); }, 5000));
    EXPECT_TRUE(QFileInfo::exists(name));
}

} // namespace
} // namespace corv::desktop
