// The settings tab: scroll friction, haptics, switches, interfering programs.

#include "ui/tabs/settings/SettingsFixture.h"

#include "ui/Snapshot.h"
#include "ui/ThroughWindow.h"
#include "app/AppDelegate.h"
#include "engine/HidServiceData.h"
#include "engine/MultitouchDevices.h"
#include "engine/TrackpadServices.h"
#include "model/Haptic.h"
#include "model/MainStatusItem.h"
#include "model/Options.h"
#include "model/UIState.h"
#include "ui/tabs/settings/SettingRules.h"

#include <QHBoxLayout>
#include <QLabel>

#include <cmath>
#include <limits>

namespace corv::test {
namespace {

using namespace ui;
using namespace ui::settings;
using Writes = std::vector<std::pair<platform::HidService, std::int64_t>>;
using Pulses = std::vector<std::pair<platform::HapticActuator, float>>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

class SettingsTabTest : public SettingsTabFixture {
protected:
    void dragFriction(int steps) { dragBy(tab->frictionSlider(), tab->frictionSlider()->width() / 50.0, steps); }
    void dragIntensity(IntSlider* s, int steps) { dragBy(s, s->width() / 9.0, steps); }
    Writes takeWrites() {
        sim->background.runAll();
        Writes out;
        for (; !sim->hidServices.writes.empty(); sim->hidServices.writes.pop_front())
            out.emplace_back(sim->hidServices.writes.front().service, *sim->hidServices.writes.front().value.integer());
        return out;
    }
    Pulses pulses() {
        Pulses out;
        for (const auto& a : sim->multitouch.actuations()) {
            EXPECT_EQ(std::tuple(a.actuationId, a.flags, a.arg4), std::tuple(6, 11u, 4.0f));
            out.emplace_back(a.actuator, a.intensity);
        }
        return out;
    }
    void tapBy(std::int32_t pid, const std::string& name) {
        sim->events.foreignTaps.push_back({});
        auto& tap = sim->events.foreignTaps.back();
        tap.eventsOfInterest = 0x2;
        tap.tappingProcess = pid;
        tap.enabled = true;
        sim->processInfo.names[pid] = name;
    }
    std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (QLabel* l : tab->interferingLabels()) out.push_back(l->text().toStdString());
        return out;
    }
};

TEST_F(SettingsTabTest, ScrollFrictionClampsStoredSpeedsAndWritesTheTableAtReleaseTheLastWinning) {
    const auto magic = sim->hidServices.addService(kMagicTrackpadService);
    engine::startTrackpadServiceWatch();
    takeWrites();
    open();
    const std::pair<int, std::int64_t> table[] = {{0, 0},          {1, 8},          {5, 1024},      {10, 8192},
                                                  {15, 27648},     {20, 65536},     {25, 128000},   {30, 221184},
                                                  {40, 524288},    {50, 1024000}};
    for (auto [speed, written] : table) {
        Options::shared().sclAcc.set(33);
        dragFriction(speed - 33);
        EXPECT_EQ(Options::shared().sclAcc.get(), speed);
        EXPECT_EQ(takeWrites(), (Writes{{magic, written}})) << speed;
    }
    // Moving writes nothing; releases before the writer runs give one write, the last.
    Options::shared().sclAcc.set(20);
    auto* s = tab->frictionSlider();
    const double x0 = handleX(s);
    mouse(s, QEvent::MouseButtonPress, x0);
    mouse(s, QEvent::MouseMove, x0 + 3 * s->width() / 50);
    EXPECT_EQ(sim->background.pendingCount(), 0u);
    mouse(s, QEvent::MouseButtonRelease, x0 + 3 * s->width() / 50);
    dragFriction(-13);
    EXPECT_EQ(takeWrites(), (Writes{{magic, 8192}}));
    // Stored speeds: half to even, bounded before any conversion.
    const std::pair<double, std::int64_t> stored[] = {{15.5, 16}, {14.5, 14}, {kNaN, 15}, {kInf, 50},
                                                      {-kInf, 0}, {1e300, 50}, {-3, 0},   {50.4, 50}};
    for (auto [speed, shown] : stored) {
        Options::shared().sclAcc.set(speed);
        EXPECT_EQ(s->shownValue(), shown) << speed;
    }
    // A click left of the fill's end pages down from the shown value.
    Options::shared().sclAcc.set(kNaN);
    click(s);
    EXPECT_EQ(Options::shared().sclAcc.get(), 10);
}

TEST_F(SettingsTabTest, IntensitiesReadBackAsSetAndPulsesGoToTheTouchedTrackpadWhileOn) {
    auto& mt = engine::MultitouchState::shared();
    mt.multitouchActuators = {{101, 11}, {202, 22}};
    mt.multitouchDeviceCount = 2;
    mt.lastTouchDeviceId = 22;
    open();
    auto& h = Haptic::shared();
    // One pulse per change, at the new strength, on the last-touched trackpad.
    dragIntensity(tab->singleSlider(), 2);
    EXPECT_EQ(pulses(), (Pulses{{202, 1.2f}, {202, 1.4f}}));
    for (int v : {1, 2, 3, 4, 6, 7, 8, 9, 10}) {
        h.sPara.modify([](Buzz& b) { b.intensity = 1.0f; });
        dragIntensity(tab->singleSlider(), v - 5);
        EXPECT_EQ(intensityValue(h.sPara.get()), v);
        EXPECT_EQ(tab->singleSlider()->shownValue(), v);
    }
    const std::pair<float, std::int64_t> stored[] = {{0.5f, 2}, {2.4f, 12}, {NAN, 5}, {INFINITY, 5}, {1e30f, 5000}, {-3, 0}};
    for (auto [intensity, shown] : stored) EXPECT_EQ(intensityValue(Buzz{5, 4, intensity, 2}), shown) << intensity;
    // Only the intensity changes.
    h.mPara.set(Buzz{7, 9, 1.0f, 3.0f});
    mt.lastTouchDeviceId = 33;  // no actuator for it: no pulse
    const auto before = pulses().size();
    dragIntensity(tab->multiSlider(), 1);
    EXPECT_EQ(h.mPara.get(), (Buzz{7, 9, 1.2f, 3.0f}));
    EXPECT_EQ(pulses().size(), before);
    // One device: the first actuator; friction plays the multi-shot pulse.
    mt.multitouchDeviceCount = 1;
    dragFriction(1);
    EXPECT_EQ(pulses().back(), (std::pair<platform::HapticActuator, float>{101, 1.2f}));
    // Multi-shot off: its slider is dim and still, friction plays nothing.
    test::clickSwitch(tab->toggle("Setting tab haptic for multishot actions"));
    EXPECT_FALSE(h.mEnable.get());
    EXPECT_NE(tab->multiSlider()->fillColor(), QColor(Qt::white));
    dragIntensity(tab->multiSlider(), 3);
    dragFriction(2);
    EXPECT_EQ(intensityValue(h.mPara.get()), 6);
    EXPECT_EQ(pulses().size(), before + 1);
    // Off screen, a change from elsewhere plays nothing.
    tab->hide();
    h.sPara.modify([](Buzz& b) { b.intensity = 0.4f; });
    tab->show();
    EXPECT_EQ(pulses().size(), before + 1);
    EXPECT_EQ(tab->singleSlider()->shownValue(), 2);
}

TEST_F(SettingsTabTest, SwitchesWriteTheirOptionsAndCopiesAndReportClicks) {
    open();
    // Theme bits: other bits kept, the launch copy follows.
    const struct {
        std::int64_t theme;
        const char* press;
        std::int64_t after;
        bool mic, caps;
    } themes[] = {{3, "Setting tab capslock notif", 1, false, false},
                  {4, "Setting tab mic mute notif", 5, true, false},
                  {0xF0, "Setting tab capslock notif", 0xF2, false, true}};
    for (const auto& row : themes) {
        UIState::shared().micMuteNotif.set(false);
        UIState::shared().capslockNotif.set(false);
        Options::shared().theme.set(row.theme);
        EXPECT_EQ(tab->toggle("Setting tab mic mute notif")->isOn(), (row.theme & 1) != 0);
        EXPECT_EQ(tab->toggle("Setting tab capslock notif")->isOn(), (row.theme & 2) != 0);
        test::clickSwitch(tab->toggle(row.press));
        EXPECT_EQ(std::tuple(Options::shared().theme.get(), UIState::shared().micMuteNotif.get(),
                             UIState::shared().capslockNotif.get()),
                  std::tuple(row.after, row.mic, row.caps))
            << row.theme;
    }
    // Hiding the icon skips the next reveal only when a click turned it on.
    sim::SimStatusItem item;
    MainStatusItem::shared().item = &item;
    auto& delegate = app::AppDelegate::shared();
    Options::shared().hideIcon.set(true);
    test::clickSwitch(tab->toggle("Setting tab hide icon"));
    EXPECT_TRUE(delegate.firstActivationPending);
    EXPECT_TRUE(item.visible);
    click(tab->toggle("Setting tab hide icon"));
    EXPECT_FALSE(item.visible);
    EXPECT_FALSE(delegate.firstActivationPending);
    EXPECT_NE(tab->toggle("Setting tab hide icon")->helpButton(), nullptr);
    EXPECT_EQ(tab->toggle("Setting tab run at login")->helpButton(), nullptr);
    MainStatusItem::shared().item = nullptr;
    // Login item through the autostart entry; update checks only stored.
    test::clickSwitch(tab->toggle("Setting tab run at login"));
    EXPECT_EQ(sim->loginItems.items, std::vector<std::string>{sim->bundle.bundlePath});
    test::clickSwitch(tab->toggle("Setting tab run at login"));
    EXPECT_TRUE(sim->loginItems.items.empty());
    test::clickSwitch(tab->toggle("Setting tab auto update"));
    EXPECT_FALSE(Options::shared().autoCheckUpdates.get());
    EXPECT_FALSE(tab->footerButton("Setting tab Check for update")->isEnabled());
    // A row reports each change once, with its cause.
    bool value = false;
    std::vector<std::pair<bool, bool>> reports;
    ToggleCombo row({[&] { return value; }, [&](bool v) { value = v; }, "t", "",
                     [&](bool v, bool c) { reports.emplace_back(v, c); }, {}},
                    nullptr);
    click(&row);
    value = false;
    row.refresh();
    row.refresh();
    EXPECT_EQ(reports, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
    // A title too long for its row shrinks, to 0.8 of its size at most.
    auto titled = [](const QString& title) {
        auto t = std::make_unique<ToggleCombo>(ToggleDesc{[] { return false; }, [](bool) {}, title, "", nullptr, {}}, nullptr);
        t->setFont(ui::panelFont());
        t->setFixedWidth(159);
        t->show();
        return t;
    };
    const auto fits = titled("Mic mute notice"), tight = titled("Mic mute notice on screen"), over = titled(QString(60, 'W'));
    const int px = ui::panelFont().pixelSize();
    EXPECT_EQ(fits->titleLabel()->font().pixelSize(), px);
    EXPECT_LT(tight->titleLabel()->font().pixelSize(), px);
    EXPECT_GE(tight->titleLabel()->font().pixelSize(), std::ceil(px * 0.8));
    EXPECT_EQ(over->titleLabel()->font().pixelSize(), std::ceil(px * 0.8));
    // Between rules that take the rest of the row (as the keyboard tab's
    // switch is), a title shrunk while the window was narrow grows back.
    QWidget window;
    auto* line = new QHBoxLayout(&window);
    line->addWidget(new QWidget(&window), 1);
    const auto centred = titled("Mic mute notice on screen");
    centred->setMinimumWidth(1);
    centred->setMaximumWidth(QWIDGETSIZE_MAX);
    line->addWidget(centred.get());
    line->addWidget(new QWidget(&window), 1);
    for (const int width : {120, 400}) {
        window.resize(width, 40);
        window.show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(centred->titleLabel()->font().pixelSize(), px);
}

TEST_F(SettingsTabTest, InterferingProgramsAreListedOnShowEvery2sAndStopOnHide) {
    tapBy(812, "late");
    tapBy(97, "early");
    open();
    EXPECT_TRUE(tab->interferingSection()->isVisible());
    EXPECT_EQ(listed(), (std::vector<std::string>{"early", "late"}));
    test::snapshot(*tab, "settings_tab");
    tapBy(300, "third");
    sim->runLoop.runFor(1.9);
    EXPECT_EQ(listed().size(), 2u);
    sim->runLoop.runFor(0.2);
    EXPECT_EQ(listed(), (std::vector<std::string>{"early", "third", "late"}));

    tab->hide();
    const auto idle = sim->runLoop.pendingCount();
    tapBy(400, "fourth");
    sim->runLoop.runFor(10);
    EXPECT_EQ(listed().size(), 3u);
    tab->show();
    InterferingRefresh twice;
    twice.start();
    twice.start();
    EXPECT_EQ(sim->runLoop.pendingCount(), idle + 2);  // one for the tab, one for `twice`
    twice.stop();
    tab.reset();
    EXPECT_EQ(sim->runLoop.pendingCount(), idle);

    UIState::shared().interferingApp.set({});
    sim->events.foreignTaps.clear();
    open();
    EXPECT_FALSE(tab->interferingSection()->isVisible());
    sim->bundle.version = "2.0";
    EXPECT_EQ(versionText(), "Corvadine\nv2.0");
    sim->bundle.version.reset();
    EXPECT_EQ(versionText(), "Corvadine");
}

} // namespace
} // namespace corv::test
