// The program under a real KWin with a bar (waybar, whose edge KWin keeps out
// of the work area) and a tray standing in for Plasma's that clicks the icon
// at screen points: each time the panel opens centred under the point, or
// against the screen's edge, against the bar, as a drop-down, with the focus:
// taken from the user's window, or given by the tray's token where KWin gives
// a new window none of its own; also after the program was stopped a while.

#include "support/ChildProcess.h"
#include "support/HeadlessCompositor.h"
#include "support/WaylandProgram.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <vector>

namespace corv::test {
namespace {

struct BarCase {
    const char* name;
    const char* position;  // waybar's; "top bottom" for a bar at each edge
    std::vector<QPoint> clicks;
    int focusStealing;     // KWin's; its default when negative
    // The tray hands KWin's token while no window has the focus; else the
    // user's window has it and the tray hands none.
    bool token;
};

class KWinPanelTest : public ::testing::TestWithParam<BarCase> {
protected:
    void TearDown() override {
        for (QProcess* p : {&program, &tray, &bar, &hand}) stopChild(*p);
    }
    bool click(QPoint at, const QString& token = {}) {
        return kwin.bus()->call("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "com.brelvantoque.TestTray", "Click",
                                {at.x(), at.y(), token}).arguments().value(0).toBool();
    }
    // Opens the panel at each of the case's points and closes it again;
    // `between` comes before each opening but the first.
    void clickEach(const std::function<void()>& between = {});

    HeadlessCompositor kwin{HeadlessCompositor::Kind::KWin, {QSize(1280, 800), false, GetParam().focusStealing}};
    QTemporaryDir home;
    QProcess bar, tray, program, hand;
    QByteArray said;
};

void KWinPanelTest::clickEach(const std::function<void()>& between) {
    const BarCase& c = GetParam();
    ASSERT_EQ(kwin.error(), "");
    const QProcessEnvironment env = waylandProgramEnvironment(kwin.waylandDisplay(), {}, kwin.busAddress(), home);
    ASSERT_TRUE(startChild(tray, "/usr/bin/python3", {CORV_TEST_DIR "/support/SniHost.py", "plasmashell"}, env));
    ASSERT_TRUE(spinUntil([&] { return kwin.bus()->connection().interface()->isServiceRegistered("org.kde.StatusNotifierWatcher"); }));
    startWaylandProgram(program, said, env);
    ASSERT_TRUE(saidTimes(said, "status item: registered with the watcher", 1)) << said.toStdString();
    // The bar comes after the program, which learns of it from KWin.
    QFile config(home.filePath("waybar.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    QStringList bars;
    for (const QString& edge : QString(c.position).split(' '))
        bars << QString(R"({"position": "%1", "height": 30, "modules-left": ["custom/a"], "custom/a": {"format": "bar"}})").arg(edge);
    config.write(("[" + bars.join(",") + "]").toUtf8());
    config.close();
    ASSERT_TRUE(startChild(bar, "waybar", {"-c", config.fileName()}, env, home.filePath("waybar.log")));
    ASSERT_TRUE(spinUntil([&] { return kwin.kwinWindow("w.resourceClass == 'waybar'").has_value(); }));
    ASSERT_TRUE(c.token || kwin.startClient("corv-test-a") > 0);

    const QString panel = QString("w.pid == %1 && w.caption == 'Corvadine'").arg(program.processId());
    for (int shown = 1; shown <= int(c.clicks.size()); ++shown) {
        const QPoint at = c.clicks[shown - 1];
        if (shown > 1 && between) between();
        QString token;
        if (c.token) {
            ASSERT_TRUE(hand.state() == QProcess::Running || startChild(hand, CORV_WAYLAND_POINTER, {"1280", "800"}, env));
            hand.write("token 0 0\n");
            ASSERT_TRUE(spinUntil([&] { return hand.canReadLine(); }) && (token = hand.readLine().trimmed()).startsWith("kwin-"));
        } else {
            ASSERT_TRUE(kwin.focus("corv-test-a") && spinUntil([&] { return kwin.focusedApp() == "corv-test-a"; }));
        }
        ASSERT_TRUE(click(at, token) && saidTimes(said, "panel shown", shown)) << said.toStdString();
        // Centred on the point or against the screen's edge, and against the
        // bar by the point that KWin keeps out of the work area (above a
        // bottom one, by as much as the content settles shorter while its top
        // stays), not where it stood by another.
        std::optional<QJsonObject> w;
        QRect f, work;
        const auto placed = [&] {
            if (!(w = kwin.kwinWindow(panel))) return false;
            f = QRect(w->value("x").toInt(), w->value("y").toInt(), w->value("width").toInt(), w->value("height").toInt());
            const QJsonArray a = w->value("area").toArray();
            work = QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
            const bool againstBar = at.y() < 400 ? f.top() == work.top() : work.bottom() - f.bottom() <= 4;
            return f.x() == std::clamp(at.x() - 190, 0, 900) && f.width() == 380 &&
                   work.height() == 800 - 30 * int(bars.size()) && againstBar && work.contains(f);
        };
        EXPECT_TRUE(spinUntil(placed)) << c.name << " at " << at.x() << "," << at.y() << ": " << f.x() << "," << f.y() << " "
                                       << f.width() << "x" << f.height() << " in " << work.top() << "-" << work.bottom() + 1;
        for (const char* standing : {"skipTaskbar", "skipPager", "skipSwitcher", "keepAbove", "onAllDesktops"})
            EXPECT_TRUE(w && w->value(standing).toBool()) << standing;
        EXPECT_TRUE(spinUntil([&] { return (w = kwin.kwinWindow(panel)) && w->value("active").toBool(); }, 5000)) << "no focus";
        // Clicked again it closes. Each click comes after the moment in which
        // it would count as the last's double, or as the one that closed it.
        spinUntil([] { return false; }, 500);
        ASSERT_TRUE(click(at) && saidTimes(said, "panel hidden", shown)) << said.toStdString();
        spinUntil([] { return false; }, 500);
    }
}

std::string caseName(const ::testing::TestParamInfo<BarCase>& info) { return info.param.name; }

TEST_P(KWinPanelTest, ThePanelOpensUnderTheClickedPointAgainstTheBarAsADropDownWithTheFocus) { clickEach(); }

// KWin gives up a call after 25 s and tells the script nothing of it: the
// program stopped past that between two clicks still has its panel placed.
class KWinStalledPanelTest : public KWinPanelTest {};

TEST_P(KWinStalledPanelTest, StoppedPastKWinsCallTimeoutTheProgramStillHasItsPanelPlaced) {
    clickEach([&] {
        signalProcess(program.processId(), SIGSTOP);
        spinUntil([] { return false; }, 27000);
        signalProcess(program.processId(), SIGCONT);
    });
}

INSTANTIATE_TEST_SUITE_P(Stall, KWinStalledPanelTest, ::testing::Values(BarCase{"TopBar", "top", {{100, 15}, {640, 15}}, -1, false}),
                         caseName);

INSTANTIATE_TEST_SUITE_P(Bars, KWinPanelTest,
                         ::testing::Values(BarCase{"TopBar", "top", {{1250, 15}, {1000, 15}}, -1, false},
                                           // Extreme: KWin focuses no new window on its own.
                                           BarCase{"BottomBarWithToken", "bottom", {{30, 785}, {420, 785}}, 4, true},
                                           // One run, by a top bar, then by a bottom one.
                                           BarCase{"TopThenBottomBar", "top bottom", {{1210, 15}, {60, 785}}, -1, false}),
                         caseName);

} // namespace
} // namespace corv::test
