// The program's tray item as a StatusNotifierItem host sees it, on a private
// bus: a click counts at the point the host gives only where that host gives
// screen points, and brings the host's activation token to the panel; an
// item that gains or loses its menu is a new item with it or without, read
// anew, whose clicks still act, once for a double click told twice. A process reads the session bus's address
// once: each row runs in a process of its own, as ctest runs them.

#include "platform/desktop/shell/DesktopPanelPlacement.h"
#include "platform/desktop/shell/DesktopStatusBar.h"

#include "support/PrivateBus.h"

#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QStyleHints>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

namespace corv::desktop {
namespace {

using test::spinUntil;

const QString kWatcher = "org.kde.StatusNotifierWatcher";

struct HostCase {
    const char* host;  // the process name the tray host has
    bool screenPoints;
};

void PrintTo(const HostCase& c, std::ostream* os) { *os << c.host; }

class StatusNotifierItemTest : public ::testing::TestWithParam<HostCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(bus.error(), "");
        // The program's connections, and Qt's, reach this bus alone.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        qputenv("XDG_SESSION_TYPE", "wayland");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        ASSERT_TRUE(test::startChild(host, "/usr/bin/python3",
                                     {QString(CORV_TEST_DIR) + "/support/SniHost.py", GetParam().host}, env));
        ASSERT_TRUE(spinUntil([&] { return bus.connection().interface()->isServiceRegistered(kWatcher).value(); }));
    }
    void TearDown() override {
        test::stopChild(host);
        qunsetenv("XDG_SESSION_TYPE");
    }

    // The item lives on this thread: calls wait spinning its loop.
    QDBusMessage call(const QDBusMessage& m) {
        QDBusPendingCallWatcher answer(bus.connection().asyncCall(m));
        spinUntil([&] { return answer.isFinished(); });
        return answer.reply();
    }
    // The newest item the host shows; empty while none.
    QString newestItem() {
        const QDBusMessage m = call(QDBusMessage::createMethodCall(kWatcher, "/StatusNotifierWatcher",
                                                                  "org.freedesktop.DBus.Properties", "Get")
                                    << kWatcher << "RegisteredStatusNotifierItems");
        const QStringList items = m.arguments().value(0).value<QDBusVariant>().variant().toStringList();
        return items.isEmpty() ? QString() : items.last();
    }
    bool namesAMenu(const QString& item) {
        const QDBusMessage m = call(QDBusMessage::createMethodCall(item.section('/', 0, 0), "/StatusNotifierItem",
                                                                  "org.freedesktop.DBus.Properties", "GetAll")
                                    << "org.kde.StatusNotifierItem");
        return m.type() == QDBusMessage::ReplyMessage &&
               qdbus_cast<QVariantMap>(m.arguments().value(0)).contains("Menu");
    }
    void click(int x, int y, const QString& token) {
        call(QDBusMessage::createMethodCall(kWatcher, "/StatusNotifierWatcher", "com.brelvantoque.TestTray", "Click")
             << x << y << token);
    }

    test::PrivateBus bus;
    QProcess host;
};

TEST_P(StatusNotifierItemTest, AClickCountsWhereTheHostSeesTheScreenAndTheMenuGoesAndComesAsANewItem) {
    DesktopStatusBar bar;
    platform::StatusButtonItem* item = bar.makeStatusItem();
    ASSERT_NE(item, nullptr);
    int clicks = 0;
    item->setAction({platform::MouseButton::Left}, [&](platform::MouseButton) { ++clicks; });
    const std::vector<platform::MenuItem> menu = {{"Quit", "power", [] {}}};
    item->setMenu(menu);
    ASSERT_TRUE(spinUntil([&] { return !newestItem().isEmpty(); })) << "the host shows no item";

    // With its menu, without, and with it again: each time the host reads
    // what the item has, and a click still reaches the program.
    for (const bool withMenu : {true, false, true}) {
        item->setMenu(withMenu ? menu : std::vector<platform::MenuItem>{});
        QString shown;
        ASSERT_TRUE(spinUntil([&] {
            shown = newestItem();
            return !shown.isEmpty() && namesAMenu(shown) == withMenu;
        })) << (withMenu ? "no menu named" : "a menu still named");
        // A double click told twice, as GNOME's AppIndicator may, acts once;
        // it comes well after the last.
        spinUntil([] { return false; }, QGuiApplication::styleHints()->mouseDoubleClickInterval() + 100);
        const int before = clicks;
        click(1210, 16, "token-1210");
        click(1211, 16, "token-1210");
        ASSERT_TRUE(spinUntil([&] { return clicks == before + 1; })) << "the click did not reach the program";
        EXPECT_FALSE(spinUntil([&] { return clicks > before + 1; }, 300)) << "one double click acted twice";
        const auto frame = item->buttonWindowFrame();
        if (GetParam().screenPoints) {
            ASSERT_TRUE(frame.has_value());
            EXPECT_EQ(QPointF(frame->x + frame->width / 2, frame->y + frame->height / 2), QPointF(1210, 16));
        } else {
            EXPECT_FALSE(frame.has_value()) << "a point inside the host's own bar was taken for the screen's";
        }
        EXPECT_EQ(takePanelActivationToken(), "token-1210");
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, StatusNotifierItemTest,
                         ::testing::Values(HostCase{"gnome-shell", true}, HostCase{"plasmashell", true},
                                           HostCase{"swaybar", true}, HostCase{"waybar", false}),
                         [](const auto& info) { return std::string(info.param.host == std::string("gnome-shell") ? "gnome_shell" : info.param.host); });

} // namespace
} // namespace corv::desktop
