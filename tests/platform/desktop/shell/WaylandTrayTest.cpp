// The program in a Wayland session under sway, on Wayland and through
// Xwayland, with a private session bus: with no tray it says so once and
// opens its panel, whole on the screen; a tray's watcher that appears later
// (waybar's) gets the icon and draws it, withdraws the notice and closes the
// panel, and the tray's clicks toggle the panel, which Xwayland's
// stale pointer does not move or cut. A right click shows the program's menu,
// whose Quit ends it; started again with the bar there, it has its menu too.

#include "support/ChildProcess.h"
#include "support/HeadlessCompositor.h"
#include "support/PrivateBus.h"
#include "support/WaylandProgram.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

namespace corv::test {
namespace {

const QString kNotifications = "org.freedesktop.Notifications";
const QString kWatcher = "org.kde.StatusNotifierWatcher";
const QString kItem = "org.kde.StatusNotifierItem";
const QString kMenu = "com.canonical.dbusmenu";
const QString kProperties = "org.freedesktop.DBus.Properties";
constexpr int kStalePointerY = 200;

struct SessionCase {
    const char* name;
    const char* platform;  // QT_QPA_PLATFORM
    QRgb bar;              // waybar's colour
};

void PrintTo(const SessionCase& c, std::ostream* os) { *os << c.name; }

class WaylandTrayTest : public ::testing::TestWithParam<SessionCase> {
protected:
    // The methods a mock was called with, in order.
    QStringList calls(const QString& service, const QString& path) {
        QStringList out;
        const QDBusMessage reply = bus.mock(service, path, "GetCalls");
        if (reply.arguments().isEmpty()) return out;
        const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            qulonglong time = 0;
            QString method;
            QVariantList args;
            list.beginStructure();
            list >> time >> method >> args;
            list.endStructure();
            out << method;
        }
        list.endArray();
        return out;
    }

    // Where sway shows the panel: whole on the screen, at its full width.
    QRect panelShown(qint64 pid) {
        std::optional<QRect> shown;
        EXPECT_TRUE(spinUntil([&] { return (shown = sway.windowOf(pid)).has_value(); })) << "the panel is not shown";
        if (!shown) return {};
        const QRect screen = sway.outputRect();
        EXPECT_TRUE(screen.contains(*shown)) << shown->x() << "," << shown->y() << " " << shown->width() << "x"
                                             << shown->height();
        EXPECT_EQ(shown->width(), 380);
        return *shown;
    }

    // waybar on the session bus: a bar at the screen's top, 30 high, that
    // shows 24-pixel tray icons at its right end.
    void startWaybar(const QProcessEnvironment& env) {
        QFile config(home.filePath("waybar.json")), style(home.filePath("waybar.css"));
        config.open(QIODevice::WriteOnly);
        config.write(R"({"position": "top", "height": 30, "modules-right": ["tray"], "tray": {"icon-size": 24}})");
        style.open(QIODevice::WriteOnly);
        style.write(QString("window#waybar { background: #%1; }").arg(GetParam().bar & 0xFFFFFF, 6, 16, QChar('0')).toUtf8());
        startChild(waybar, "waybar", {"-c", config.fileName(), "-s", style.fileName()}, env, home.filePath("waybar.log"));
    }
    // The item the tray shows, once it has one.
    bool trayHasItem() {
        const QDBusMessage m = bus.call(kWatcher, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                                        {kWatcher, "RegisteredStatusNotifierItems"});
        registered = m.arguments().value(0).value<QDBusVariant>().variant().toStringList().value(0).section('/', 0, 0);
        return !registered.isEmpty();
    }
    // Where the bar's pixels stand out from its colour, in sway's screenshot.
    QRect iconOnBar(const QProcessEnvironment& env) {
        QProcess grim;
        grim.setProcessEnvironment(env);
        grim.start("grim", {home.filePath("screen.png")});
        const QImage screen = grim.waitForFinished(10000) ? QImage(home.filePath("screen.png")) : QImage();
        QRect box;
        for (int y = 0; y < 30 && y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                if (std::abs(qGray(screen.pixel(x, y)) - qGray(GetParam().bar)) > 96) box |= QRect(x, y, 1, 1);
        return box;
    }

    // Every property the item and its menu (the program's) list answers; the menu's path.
    QString expectEveryPropertyAnswers() {
        const auto call = [&](const QString& path, const QString& iface, const QString& method, const QVariantList& args = {}) {
            return bus.call(registered, path, iface, method, args);
        };
        const QString menu = call("/StatusNotifierItem", kProperties, "Get", {kItem, "Menu"})
                                 .arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
        EXPECT_NE(menu, "/NO_DBUSMENU");
        for (const auto& [path, iface] : {std::pair{QString("/StatusNotifierItem"), kItem}, {menu, kMenu}}) {
            const QString xml = call(path, "org.freedesktop.DBus.Introspectable", "Introspect").arguments().value(0).toString();
            const QString listed = xml.section(QString("<interface name=\"%1\">").arg(iface), 1).section("</interface>", 0, 0);
            for (const auto& name : QRegularExpression("<property name=\"(\\w+)\"").globalMatch(listed))
                EXPECT_NE(call(path, kProperties, "Get", {iface, name.captured(1)}).type(), QDBusMessage::ErrorMessage)
                    << name.captured(1).toStdString();
        }
        return menu;
    }
    // How many windows of the process are on screen: sway's, or with an X
    // display, Xwayland's mapped top-level ones (sway manages no X menu).
    int windowsShown(qint64 pid, const QString& display) {
        if (display.isEmpty()) return int(sway.windowsOf(pid).size());
        xcb_connection_t* x = xcb_connect(display.toUtf8().constData(), nullptr);
        int shown = 0;
        auto* atom = xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, 11, "_NET_WM_PID"), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        auto* tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
        for (int i = 0; atom && tree && i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t w = xcb_query_tree_children(tree)[i];
            auto* attributes = xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, w), nullptr);
            auto* owner = xcb_get_property_reply(x, xcb_get_property(x, 0, w, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
            shown += attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && owner &&
                     xcb_get_property_value_length(owner) == 4 &&
                     *static_cast<const uint32_t*>(xcb_get_property_value(owner)) == pid;
            std::free(attributes);
            std::free(owner);
        }
        std::free(tree);
        std::free(atom);
        xcb_disconnect(x);
        return shown;
    }
    // The middles of the rows of text in the popup by the icon; the screen's corner is the desk.
    QList<int> menuRows(const QImage& screen, const QRect& icon, QRect* popup) {
        const auto gray = [&](int x, int y) { return qGray(screen.pixel(x, y)); };
        QMap<int, int> grays;
        for (int y = 31; y < 200; ++y)
            for (int x = icon.center().x() - 200; x < screen.width(); ++x)
                if (std::abs(gray(x, y) - gray(0, screen.height() - 1)) > 48) *popup |= QRect(x, y, 1, 1), ++grays[gray(x, y)];
        if (grays.isEmpty()) return {};
        // Its commonest colour is the paper, which may go up over the bar.
        const int paper = std::max_element(grays.begin(), grays.end()).key();
        while (popup->top() > 0 && std::abs(gray(popup->left() + 4, popup->top() - 1) - paper) < 8) popup->setTop(popup->top() - 1);
        QList<int> rows;
        for (int y = popup->top() + 3, first = -1; y <= popup->bottom() - 2; ++y) {
            bool ink = false;
            for (int x = popup->left() + 3; !ink && x < popup->right() - 2; ++x) ink = std::abs(gray(x, y) - paper) > 96;
            if (ink && first < 0) first = y;
            if (!ink && first >= 0) rows << (first + y) / 2, first = -1;
        }
        return rows;
    }

    PrivateBus bus;
    HeadlessCompositor sway{HeadlessCompositor::Kind::Sway, {QSize(1280, 600), true}};
    QTemporaryDir home;
    QString registered;
    QProcess waybar;
};

TEST_P(WaylandTrayTest, WithoutATrayThePanelOpensWholeAndALaterTrayGetsTheIconAndItsMenu) {
    const SessionCase& c = GetParam();
    ASSERT_EQ(bus.error(), "");
    ASSERT_EQ(sway.error(), "");
    ASSERT_TRUE(bus.startTemplate("notification_daemon", kNotifications)) << bus.error();

    QProcessEnvironment env = waylandProgramEnvironment(sway.waylandDisplay(), sway.swaySocket(), bus.address(), home);
    env.insert("QT_QPA_PLATFORM", c.platform);
    const bool onX = QString(c.platform) == "xcb";
    if (onX) {
        const QString display = sway.xDisplay();
        ASSERT_FALSE(display.isEmpty());
        env.insert("DISPLAY", display);
        // Xwayland's pointer, high on the screen, says nothing of where a click was.
        xcb_connection_t* x = xcb_connect(display.toUtf8().constData(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(x), 0);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        xcb_warp_pointer(x, XCB_NONE, root, 0, 0, 0, 0, 600, kStalePointerY);
        std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
        xcb_disconnect(x);
    }
    // What the program says outlives it: it is stopped as it goes out of scope.
    QByteArray said;
    QProcess program;
    startWaylandProgram(program, said, env);

    // Told once, and the panel is open.
    const auto saidTimes = [&](const char* line, int times) { return test::saidTimes(said, line, times); };
    ASSERT_TRUE(saidTimes("panel shown", 1)) << said.toStdString();
    const QRect first = panelShown(program.processId());
    ASSERT_TRUE(spinUntil([&] { return said.contains("step showPanelWithoutTray"); }));
    EXPECT_EQ(calls(kNotifications, "/org/freedesktop/Notifications").count("Notify"), 1);

    // A tray comes: the icon registers, and the tray reads its pictures, named
    // by no icon name.
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "wayland");
    startWaybar(env);
    ASSERT_TRUE(spinUntil([&] { return trayHasItem(); })) << said.toStdString();
    const QDBusMessage name = bus.call(registered, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                                       {kItem, "IconName"});
    EXPECT_EQ(name.arguments().value(0).value<QDBusVariant>().variant().toString().toStdString(), "");
    const QDBusMessage pixmaps = bus.call(registered, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                                          {kItem, "IconPixmap"});
    ASSERT_EQ(pixmaps.type(), QDBusMessage::ReplyMessage) << pixmaps.errorMessage().toStdString();
    // Pictures of whole ARGB pixels, some of them not transparent.
    const QDBusArgument list = pixmaps.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
    EXPECT_EQ(list.currentSignature(), "a(iiay)");
    std::set<int> sides;
    int inked = 0;
    list.beginArray();
    while (!list.atEnd()) {
        int w = 0, h = 0;
        QByteArray argb;
        list.beginStructure();
        list >> w >> h >> argb;
        list.endStructure();
        sides.insert(w);
        EXPECT_EQ(w, h);
        EXPECT_EQ(argb.size(), w * h * 4);
        for (qsizetype i = 0; i < argb.size(); i += 4) inked += argb[i] != 0;
    }
    list.endArray();
    EXPECT_EQ(sides, (std::set<int>{16, 22, 24, 32, 48, 64}));
    EXPECT_GT(inked, 0);
    // Following sway and showing the icon, the program hands none of its
    // descriptors to the programs it starts.
    EXPECT_TRUE(said.contains("corvadine: compositor: sway\n")) << said.toStdString();
    EXPECT_EQ(inheritable(program.processId()), std::vector<std::string>{});

    // The tray is the way in now: the notice is withdrawn and the panel closes.
    ASSERT_TRUE(saidTimes("panel hidden", 1)) << said.toStdString();
    EXPECT_TRUE(spinUntil([&] { return calls(kNotifications, "/org/freedesktop/Notifications").contains("CloseNotification"); }));
    // With the panel gone, the bar shows the icon at its right end, up to 24
    // pixels, standing out from it.
    QRect icon;
    EXPECT_TRUE(spinUntil([&] {
        icon = iconOnBar(env);
        return icon.left() >= 1280 - 40 && icon.width() >= 12 && icon.width() <= 24 && icon.height() >= 12 &&
               icon.height() <= 24;
    })) << icon.x() << "," << icon.y() << " " << icon.width() << "x" << icon.height();
    EXPECT_NEAR(icon.center().y(), 15, 3);
    // The tray's clicks reopen and close the panel. The user's first click
    // comes after the moment in which a click counts as the one that closed it.
    ASSERT_TRUE(spinUntil([&] { return said.contains("corvadine: status item: the program went inactive\n"); }))
        << said.toStdString();
    spinUntil([] { return false; }, 400);
    bus.call(registered, "/StatusNotifierItem", kItem, "Activate", {600, 590});
    ASSERT_TRUE(saidTimes("panel shown", 2)) << said.toStdString();
    const QRect again = panelShown(program.processId());
    // Whole again, on Wayland in what the bar leaves, which sway tells; its
    // content may settle a few pixels taller after the first read.
    EXPECT_EQ(again.width(), first.width());
    EXPECT_NEAR(again.height(), std::min(first.height(), onX ? first.height() : sway.workspaceRect().height()), 8);
    if (onX) {
        EXPECT_LT(again.top(), kStalePointerY) << "placed below Xwayland's pointer";
    }
    EXPECT_EQ(calls(kNotifications, "/org/freedesktop/Notifications").count("Notify"), 1);
    EXPECT_EQ(program.state(), QProcess::Running);

    // Well after the last: not its double.
    spinUntil([] { return false; }, 500);
    bus.call(registered, "/StatusNotifierItem", kItem, "Activate", {600, 590});
    EXPECT_TRUE(saidTimes("panel hidden", 2)) << said.toStdString();

    // A tray that restarts gets the icon again.
    stopChild(waybar);
    startWaybar(env);
    EXPECT_TRUE(spinUntil([&] { return trayHasItem(); })) << said.toStdString();

    // A mouse comes, its pointer away from the bar: waybar takes it in its own time.
    QProcess mouse;
    ASSERT_TRUE(startChild(mouse, CORV_WAYLAND_POINTER, {"1280", "600"}, env));
    const auto pointer = [&](QString verb, int a, int b = 0) {
        mouse.write(verb.append(" %1 %2\n").arg(a).arg(b).toUtf8());
        return spinUntil([&] { return mouse.canReadLine(); }, 5000) && mouse.readLine() == "ok\n";
    };
    ASSERT_TRUE(pointer("move", 640, 400));

    // Its menu's layout, which waybar draws.
    const QDBusMessage layout = bus.call(registered, expectEveryPropertyAnswers(), kMenu, "GetLayout", {0, -1, QStringList()});
    EXPECT_EQ(layout.signature(), "u(ia{sv}av)");
    // A right click on the icon pops the menu up by it, both entries drawn
    // (a click waybar missed is made again); the pointer goes into Quit and
    // a little along it, as a hand does, and a click there ends the program.
    ASSERT_TRUE(spinUntil([&] { return (icon = iconOnBar(env)).left() >= 1280 - 40 && icon.width() <= 24; }));
    QRect popup;
    QList<int> rows;
    const QString shot = home.filePath(QString("menu-%1.png").arg(c.name));
    EXPECT_TRUE(spinUntil([&] {
        return pointer("move", icon.center().x(), icon.center().y()) && pointer("press", BTN_RIGHT) &&
               pointer("release", BTN_RIGHT) && spinUntil([&] {
                   // Out of the picture: a headless sway draws the pointer into it.
                   pointer("move", 640, 400);
                   QProcess grim;
                   grim.setProcessEnvironment(env);
                   grim.start("grim", {shot});
                   rows = grim.waitForFinished(10000) ? menuRows(QImage(shot), icon, &(popup = QRect())) : QList<int>();
                   return rows.size() == 2;
               }, 3000);
    }, 15000)) << rows.size() << " rows in " << popup.width() << "x" << popup.height();
    if (const char* keep = std::getenv("CORV_KEEP_SHOTS")) QFile::copy(shot, QString("%1/menu-%2.png").arg(keep, c.name));
    ASSERT_EQ(rows.size(), 2);
    ASSERT_TRUE(pointer("move", popup.center().x() - 4, rows[1]) && pointer("move", popup.center().x(), rows[1]) &&
                pointer("press", BTN_LEFT) && pointer("release", BTN_LEFT));
    ASSERT_TRUE(program.waitForFinished(10000)) << said.toStdString();
    EXPECT_EQ(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1, 0);
    stopChild(mouse);

    // Started with the bar there, its item is the same.
    const QString before = registered;
    program.start(CORV_PROGRAM, {});
    ASSERT_TRUE(spinUntil([&] { return trayHasItem() && registered != before; })) << said.toStdString();
    expectEveryPropertyAnswers();
    // A tray's request for the menu is answered at once, and the menu leaves the program answering;
    // on Wayland, where a toolkit may show it, it is a small window of its own, not one sway tiles.
    QElapsedTimer answered;
    answered.start();
    const QDBusMessage menu = bus.call(registered, "/StatusNotifierItem", kItem, "ContextMenu", {600, 590});
    EXPECT_EQ(menu.type(), QDBusMessage::ReplyMessage) << menu.errorMessage().toStdString();
    EXPECT_LT(answered.elapsed(), 2000);
    const QString display = onX ? sway.xDisplay() : QString();
    ASSERT_TRUE(spinUntil([&] { return windowsShown(program.processId(), display) == 1; }, 5000)) << "no menu shows";
    const std::optional<QRect> w = sway.windowOf(program.processId());
    EXPECT_TRUE(onX || (w && w->width() < 400));
    // Asked again while it is up, it shows no second menu.
    EXPECT_EQ(bus.call(registered, "/StatusNotifierItem", kItem, "ContextMenu", {600, 590}).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(spinUntil([&] { return windowsShown(program.processId(), display) > 1; }, 1500));

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(20000));
    // Only the program's own lines: no toolkit warning of a tray this session cannot have.
    said += program.readAllStandardError();
    for (const QByteArray& line : said.split('\n'))
        EXPECT_TRUE(line.isEmpty() || line.startsWith("corvadine: ")) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sessions, WaylandTrayTest,
                         ::testing::Values(SessionCase{"Wayland", "wayland", qRgb(0x1e, 0x1e, 0x1e)},
                                           SessionCase{"Xwayland", "xcb", qRgb(0xf0, 0xf0, 0xf0)}),
                         [](const ::testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace corv::test
