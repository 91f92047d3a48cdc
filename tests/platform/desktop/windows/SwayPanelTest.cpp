// The panel as a drop-down under sway: a tray that passes screen points
// (swaybar, its icon clicked with the pointer, or a stand-in under its name)
// opens it centred under the point, or at the screen's edge, hanging from a
// top bar or standing on a bottom one, focused, floating without border on
// every workspace, and in the same place when it opens again, after sway
// reads its configuration again too; its menu drops from swaybar's icon too,
// at the least size sway gives floating windows.
// waybar passes points inside its own bar: the panel opens in the middle of
// what it leaves.

#include "support/ChildProcess.h"
#include "support/HeadlessCompositor.h"
#include "support/PrivateBus.h"
#include "support/WaylandProgram.h"

#include <QFile>
#include <QImage>
#include <QJsonObject>

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace corv::test {
namespace {

enum class Tray { Swaybar, StandIn, Waybar };

struct BarCase {
    const char* name;
    Tray tray;
    bool top;
    QPoint click;  // the stand-in's; a bar's own icon is clicked with the pointer
    bool reload = false;  // sway reads its configuration again before the last opening
    const char* sway = "";  // more of sway's configuration
};

void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }

// sway starts no swaybar of its own: the test starts it on its bus, with a
// tray unless a stand-in is the tray.
QString swayBar(const BarCase& c) {
    if (c.tray == Tray::Waybar) return c.sway;
    return QString("bar {\nid corv\nposition %1\nswaybar_command true\n%2\n}\n%3")
        .arg(c.top ? "top" : "bottom", c.tray == Tray::StandIn ? "tray_output none" : "", c.sway);
}

class SwayPanelTest : public ::testing::TestWithParam<BarCase> {
protected:
    PrivateBus bus;
    HeadlessCompositor sway{HeadlessCompositor::Kind::Sway, {}, swayBar(GetParam())};
    QTemporaryDir home;
};

TEST_P(SwayPanelTest, TheTraysPointPutsThePanelUnderItAtTheBar) {
    const BarCase& c = GetParam();
    ASSERT_EQ(bus.error(), "");
    ASSERT_EQ(sway.error(), "");
    const QProcessEnvironment env = waylandProgramEnvironment(sway.waylandDisplay(), sway.swaySocket(), bus.address(), home);
    // Started before any tray, as at a login, the program opens its panel
    // where it can; the tray that comes closes it.
    // What the program says outlives it: it is stopped as it goes out of scope.
    QByteArray said;
    QProcess bar, host, mouse, program;
    startWaylandProgram(program, said, env);
    ASSERT_TRUE(saidTimes(said, "panel shown", 1)) << said.toStdString();
    QFile waybar(home.filePath("waybar.json"));
    ASSERT_TRUE(waybar.open(QIODevice::WriteOnly) && waybar.write(R"({"height": 30, "modules-right": ["tray"]})") > 0);
    waybar.close();
    ASSERT_TRUE(c.tray == Tray::Waybar ? startChild(bar, "waybar", {"-c", waybar.fileName()}, env, home.filePath("bar.log"))
                                       : startChild(bar, "swaybar", {"-s", sway.swaySocket(), "-b", "corv"}, env, home.filePath("bar.log")));
    ASSERT_TRUE(c.tray != Tray::StandIn || startChild(host, "/usr/bin/python3", {CORV_TEST_DIR "/support/SniHost.py", "swaybar"}, env));
    ASSERT_TRUE(saidTimes(said, "panel hidden", 1)) << said.toStdString();
    ASSERT_TRUE(startChild(mouse, CORV_WAYLAND_POINTER, {"1280", "800"}, env));
    const auto pointer = [&](QString verb, int a, int b = 0) {
        mouse.write(verb.append(" %1 %2\n").arg(a).arg(b).toUtf8());
        return spinUntil([&] { return mouse.canReadLine(); }, 5000) && mouse.readLine() == "ok\n";
    };
    ASSERT_TRUE(pointer("move", 640, 400));
    QRect work;
    ASSERT_TRUE(spinUntil([&] { return (work = sway.workspaceRect()).height() < 800; })) << "no bar";

    const auto screenshot = [&](const QString& file) {
        QProcess grim;
        grim.setProcessEnvironment(env);
        grim.start("grim", {file});
        return grim.waitForFinished(10000) ? QImage(file) : QImage();
    };
    // A bar's icon: what stands out at the right end of the bar, in sway's screenshot.
    QRect icon(c.click, QSize(1, 1));
    const int barTop = c.top ? 0 : work.bottom() + 1, barBottom = c.top ? work.top() : 800;
    ASSERT_TRUE(c.tray == Tray::StandIn || spinUntil([&] {
        const QImage shot = screenshot(home.filePath("bar.png"));
        icon = QRect();
        for (int y = barTop; y < barBottom && !shot.isNull(); ++y)
            for (int x = 1280 - 60; x < 1280; ++x)
                if (std::abs(qGray(shot.pixel(x, y)) - qGray(shot.pixel(1280 - 70, y))) > 64) icon |= QRect(x, y, 1, 1);
        return icon.width() >= 12;
    })) << "no icon on the bar";
    const auto click = [&] {
        // Well after the last: no bar takes it for a double click, nor the
        // program for the click that closed the panel.
        spinUntil([] { return false; }, 500);
        if (c.tray == Tray::StandIn)
            return bus.call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "com.brelvantoque.TestTray", "Click",
                            {c.click.x(), c.click.y(), QString()}).arguments().value(0).toBool();
        return pointer("move", icon.center().x(), icon.center().y()) && pointer("press", BTN_LEFT) && pointer("release", BTN_LEFT);
    };

    // Under the point, clamped into what the bar leaves, the stand-in's
    // exactly; waybar's in the middle of it.
    const int x = c.tray == Tray::Waybar ? work.center().x() - 190
                                         : std::clamp(icon.center().x() - 190, work.left(), work.right() + 1 - 380);
    const auto placed = [&](const QRect& f) {
        return std::abs(f.x() - x) <= (c.tray == Tray::StandIn ? 0 : 3) &&
               (c.tray == Tray::Waybar ? std::abs(f.center().y() - work.center().y()) <= 3
                : c.top                ? f.top() == work.top()
                                       : f.bottom() == work.bottom());
    };
    // The program's focused view as sway tells it, and its frame.
    const auto frameOf = [&](QJsonObject& view) {
        view = sway.viewOf(program.processId()).value_or(QJsonObject());
        const QJsonObject r = view.value("rect").toObject();
        return QRect(r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(), r.value("height").toInt());
    };
    // Holds, and still does a second later: a size that came after is seen.
    const auto settles = [](const std::function<bool()>& holds) {
        return spinUntil(holds, 5000) && !spinUntil([&] { return !holds(); }, 1000);
    };
    QRect first;
    for (int shown = 2; shown <= 3; ++shown) {
        SCOPED_TRACE(shown);
        ASSERT_TRUE(shown != 3 || !c.reload || sway.reloadSway());
        ASSERT_TRUE(click() && saidTimes(said, "panel shown", shown)) << said.toStdString();
        QJsonObject view;
        QRect f;
        EXPECT_TRUE(spinUntil([&] {
            f = frameOf(view);
            return placed(f) && view.value("focused").toBool();
        }, 5000)) << "point " << icon.center().x() << "," << icon.center().y() << " frame " << f.x() << "," << f.y() << " "
                  << f.width() << "x" << f.height() << " work top " << work.top() << " bottom " << work.bottom();
        RecordProperty("frame" + std::to_string(shown), QString("%1,%2 %3x%4 for %5,%6").arg(f.x()).arg(f.y()).arg(f.width())
                                                            .arg(f.height()).arg(icon.center().x()).arg(icon.center().y()).toStdString());
        EXPECT_EQ(view.value("type").toString(), "floating_con");
        EXPECT_EQ(view.value("border").toString(), "none");
        EXPECT_TRUE(view.value("sticky").toBool());
        if (shown == 2) first = f;
        EXPECT_EQ(f.x(), first.x());
        if (const char* keep = std::getenv("CORV_KEEP_SHOTS"); keep && shown == 2)
            screenshot(QString("%1/sway-panel-%2.png").arg(keep, c.name));
        ASSERT_TRUE(click() && saidTimes(said, "panel hidden", shown)) << said.toStdString();
    }
    // A right click on swaybar's icon: swaybar asks the program for its menu,
    // which drops from the icon likewise.
    if (c.tray == Tray::Swaybar) {
        spinUntil([] { return false; }, 500);
        ASSERT_TRUE(pointer("press", BTN_RIGHT) && pointer("release", BTN_RIGHT));
        QJsonObject menu;
        QRect m;
        EXPECT_TRUE(settles([&] {
            m = frameOf(menu);
            return menu.value("name") == "Corvadine menu" && m.width() > 0 &&
                   std::abs(m.x() - std::clamp(icon.center().x() - m.width() / 2, 0, 1280 - m.width())) <= 3 &&
                   (c.top ? m.top() == work.top() : m.bottom() == work.bottom());
        })) << "menu " << m.x() << "," << m.y() << " " << m.width() << "x" << m.height() << "\n" << said.toStdString();
        EXPECT_EQ(menu.value("border").toString(), "none");
    }
    for (QProcess* p : {&program, &mouse, &host, &bar}) stopChild(*p);
}

INSTANTIATE_TEST_SUITE_P(Bars, SwayPanelTest,
                         ::testing::Values(BarCase{"SwaybarTop", Tray::Swaybar, true, {}},
                                           // A floating window's least height above the menu's: it stands on the bar all the same.
                                           BarCase{"SwaybarBottom", Tray::Swaybar, false, {}, false, "floating_minimum_size 75 x 80"},
                                           BarCase{"StandInTopRight", Tray::StandIn, true, {1000, 12}},
                                           BarCase{"StandInBottomLeft", Tray::StandIn, false, {100, 790}},
                                           BarCase{"StandInAfterReload", Tray::StandIn, true, {1000, 12}, true},
                                           BarCase{"Waybar", Tray::Waybar, true, {}}),
                         [](const ::testing::TestParamInfo<BarCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace corv::test
