// The settings tab: scroll friction, haptics, switches, interfering programs.

#include "ui/tabs/settings/SettingsFixture.h"

#include "ui/Snapshot.h"
#include "app/AppDelegate.h"
#include "engine/HidServiceData.h"
#include "engine/MultitouchDevices.h"
#include "engine/TrackpadServices.h"
#include "model/Haptic.h"
#include "model/MainStatusItem.h"
#include "model/Options.h"
#include "model/UIState.h"
#include "ui/tabs/settings/ControlRules.h"
#include "ui/tabs/settings/InterferingRefresh.h"
#include "ui/tabs/settings/SettingRules.h"

#include <QLabel>

#include <cmath>
#include <limits>

namespace corv::test {
namespace {

using namespace ui::settings;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class SettingsTabTest : public SettingsTabFixture {
protected:
    double frictionStep() { return tab->frictionSlider()->width() / 50.0; }
    double intensityStep(IntSlider* s) { return s->width() / 9.0; }
    std::vector<std::pair<platform::HidService, std::int64_t>> takeWrites() {
        sim->background.runAll();
        std::vector<std::pair<platform::HidService, std::int64_t>> out;
        while (!sim->hidServices.writes.empty()) {
            auto w = sim->hidServices.takeWrite();
            const std::int64_t* i = w.value.integer();
            out.emplace_back(w.service, i ? *i : -1);
        }
        return out;
    }
    void tapBy(std::int32_t pid, const std::string& name) {
        platform::EventTapInfo info;
        info.eventsOfInterest = 0x2;
        info.tappingProcess = pid;
        info.enabled = true;
        sim->events.foreignTaps.push_back(info);
        sim->processInfo.paths[pid] = "/opt/" + name;
        sim->processInfo.names[pid] = name;
    }
    std::vector<std::string> listedNames() {
        std::vector<std::string> out;
        for (QLabel* l : tab->interferingLabels()) out.push_back(l->text().toStdString());
        return out;
    }
};

TEST_F(SettingsTabTest, ScrollFrictionWritesTheTableAtReleaseAndTheLastReleaseWins) {
    const auto magic = sim->hidServices.addService(kMagicTrackpadService);
    engine::startTrackpadServiceWatch();
    takeWrites();
    open();
    const struct {
        int speed;
        std::int64_t written;
    } table[] = {{0, 0},           {1, 8},           {5, 1024},        {10, 8192},       {15, 27648},
                 {20, 65536},      {25, 128000},     {30, 221184},     {40, 524288},     {50, 1024000}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.speed);
        Options::shared().sclAcc.set(33);
        dragBy(tab->frictionSlider(), frictionStep(), row.speed - 33);
        EXPECT_EQ(Options::shared().sclAcc.get(), row.speed);
        EXPECT_EQ(tab->frictionSlider()->shownValue(), row.speed);
        EXPECT_EQ(takeWrites(), (decltype(takeWrites()){{magic, row.written}}));
    }
    // Dragging writes nothing; several releases before the writer runs give one write, the last.
    Options::shared().sclAcc.set(20);
    auto* s = tab->frictionSlider();
    mouse(s, QEvent::MouseButtonPress, s->width() / 2.0);
    mouse(s, QEvent::MouseMove, s->width() / 2.0 + 3.5 * frictionStep());
    EXPECT_TRUE(sim->hidServices.writes.empty());
    EXPECT_EQ(sim->background.pendingCount(), 0u);
    mouse(s, QEvent::MouseButtonRelease, s->width() / 2.0 + 3.5 * frictionStep());
    dragBy(s, frictionStep(), -13);
    EXPECT_EQ(Options::shared().sclAcc.get(), 10);
    EXPECT_EQ(takeWrites(), (decltype(takeWrites()){{magic, 8192}}));
}

TEST_F(SettingsTabTest, StoredSpeedsAreRoundedAndClampedBeforeAnyConversion) {
    open();
    const struct {
        double stored;
        std::int64_t shown;
    } table[] = {{15.5, 16}, {14.5, 14}, {kNaN, 15}, {kInf, 50}, {-kInf, 0}, {1e300, 50}, {-3, 0}, {50.4, 50}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.stored);
        Options::shared().sclAcc.set(row.stored);
        EXPECT_EQ(scrollFrictionValue(), row.shown);
        EXPECT_EQ(tab->frictionSlider()->shownValue(), row.shown);
    }
    // A click moves one step from the shown value; the write is bounded.
    Options::shared().sclAcc.set(kNaN);
    click(tab->frictionSlider());
    EXPECT_EQ(Options::shared().sclAcc.get(), 14);
}

TEST_F(SettingsTabTest, IntensitiesReadBackAsSetAndOddStoredOnesStayBounded) {
    open();
    auto& h = Haptic::shared();
    for (int v = 1; v <= 10; ++v) {
        SCOPED_TRACE(v);
        h.sPara.modify([](Buzz& b) { b.intensity = 1.0f; });
        if (v != 5) dragBy(tab->singleSlider(), intensityStep(tab->singleSlider()), v - 5);
        EXPECT_FLOAT_EQ(h.sPara.get().intensity, float(v) / 5.0f);
        EXPECT_EQ(intensityValue(h.sPara.get()), v);
        EXPECT_EQ(tab->singleSlider()->shownValue(), v);
    }
    const struct {
        float stored;
        std::int64_t shown;
    } table[] = {{0.5f, 2},
                 {2.4f, 12},
                 {std::numeric_limits<float>::quiet_NaN(), 5},
                 {std::numeric_limits<float>::infinity(), 5},
                 {1e30f, 5000},
                 {-3.0f, 0}};
    for (const auto& row : table) {
        Buzz b;
        b.intensity = row.stored;
        EXPECT_EQ(intensityValue(b), row.shown) << row.stored;
    }
    // The other Buzz fields are left alone.
    h.mPara.set(Buzz{7, 9, 1.0f, 3.0f});
    dragBy(tab->multiSlider(), intensityStep(tab->multiSlider()), 1);
    EXPECT_EQ(h.mPara.get(), (Buzz{7, 9, 1.2f, 3.0f}));
}

TEST_F(SettingsTabTest, TestPulsesGoToTheLastTouchedTrackpadOnlyWhileSwitchedOn) {
    auto& mt = engine::MultitouchState::shared();
    mt.multitouchActuators = {{101, 11}, {202, 22}};
    mt.multitouchDeviceCount = 2;
    mt.lastTouchDeviceId = 22;
    open();
    auto pulses = [&] {
        std::vector<std::pair<platform::HapticActuator, float>> out;
        for (const auto& a : sim->multitouch.actuations()) {
            EXPECT_EQ(a.actuationId, 6);
            EXPECT_EQ(a.flags, 11u);
            EXPECT_EQ(a.arg4, 4.0f);
            out.emplace_back(a.actuator, a.intensity);
        }
        return out;
    };
    using Pulses = std::vector<std::pair<platform::HapticActuator, float>>;
    // One pulse per value change, at the new strength.
    dragBy(tab->singleSlider(), intensityStep(tab->singleSlider()), 2);
    EXPECT_EQ(pulses(), (Pulses{{202, 1.2f}, {202, 1.4f}}));
    // No actuator for the last touch: none.
    mt.lastTouchDeviceId = 33;
    dragBy(tab->singleSlider(), intensityStep(tab->singleSlider()), 1);
    EXPECT_EQ(pulses().size(), 2u);
    // One device: the first actuator, whatever was touched.
    mt.multitouchDeviceCount = 1;
    dragBy(tab->frictionSlider(), frictionStep(), 1);
    EXPECT_EQ(pulses().back(), (std::pair<platform::HapticActuator, float>{101, 1.0f}));
    const auto before = pulses().size();
    // Multi-shot off: its slider is dimmed and still, and the friction slider plays nothing.
    pressToggle("Setting tab haptic for multishot actions");
    EXPECT_FALSE(Haptic::shared().mEnable.get());
    EXPECT_FALSE(tab->multiSlider()->isOn());
    EXPECT_NE(tab->multiSlider()->fillColor(), QColor(Qt::white));
    dragBy(tab->multiSlider(), intensityStep(tab->multiSlider()), 3);
    EXPECT_EQ(intensityValue(Haptic::shared().mPara.get()), 5);
    dragBy(tab->frictionSlider(), frictionStep(), 2);
    EXPECT_EQ(pulses().size(), before);
    // No actuators at all: values still move.
    mt.multitouchActuators.clear();
    dragBy(tab->singleSlider(), intensityStep(tab->singleSlider()), -1);
    EXPECT_EQ(pulses().size(), before);
}

TEST_F(SettingsTabTest, NotificationSwitchesEditTheirBitAndTheLaunchCopies) {
    open();
    const struct {
        std::int64_t theme;
        const char* press;
        std::int64_t after;
        bool mic, caps;
    } table[] = {
        {3, "Setting tab capslock notif", 1, false, false},  // mic copy untouched (starts false)
        {4, "Setting tab mic mute notif", 5, true, false},
        {0xF0, "Setting tab capslock notif", 0xF2, false, true},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.press);
        UIState::shared().micMuteNotif.set(false);
        UIState::shared().capslockNotif.set(false);
        Options::shared().theme.set(row.theme);
        EXPECT_EQ(tab->toggle("Setting tab mic mute notif")->isOn(), (row.theme & 1) != 0);
        EXPECT_EQ(tab->toggle("Setting tab capslock notif")->isOn(), (row.theme & 2) != 0);
        pressToggle(row.press);
        EXPECT_EQ(Options::shared().theme.get(), row.after);
        EXPECT_EQ(UIState::shared().micMuteNotif.get(), row.mic);
        EXPECT_EQ(UIState::shared().capslockNotif.get(), row.caps);
    }
}

TEST_F(SettingsTabTest, HideIconByAClickAloneSkipsTheNextRevealAndLoginFollowsItsSwitch) {
    sim::SimStatusItem item;
    MainStatusItem::shared().item = &item;
    open();
    auto& delegate = app::AppDelegate::shared();
    // Set elsewhere: the reveal flag stays.
    Options::shared().hideIcon.set(true);
    EXPECT_TRUE(tab->toggle("Setting tab hide icon")->isOn());
    EXPECT_TRUE(delegate.firstActivationPending);
    pressToggle("Setting tab hide icon");  // off by a click
    EXPECT_TRUE(delegate.firstActivationPending);
    EXPECT_TRUE(item.visible);
    pressToggle("Setting tab hide icon");  // on by a click
    EXPECT_FALSE(item.visible);
    EXPECT_FALSE(delegate.firstActivationPending);
    EXPECT_NE(tab->toggle("Setting tab hide icon")->helpButton(), nullptr);
    EXPECT_EQ(tab->toggle("Setting tab run at login")->helpButton(), nullptr);
    MainStatusItem::shared().item = nullptr;

    pressToggle("Setting tab run at login");
    EXPECT_EQ(sim->loginItems.items, std::vector<std::string>{sim->bundle.bundlePath});
    pressToggle("Setting tab run at login");
    EXPECT_TRUE(sim->loginItems.items.empty());
    // Update checks: stored and shown only; the check button is inert.
    pressToggle("Setting tab auto update");
    EXPECT_FALSE(Options::shared().autoCheckUpdates.get());
    EXPECT_FALSE(tab->footerButton("Setting tab Check for update")->isEnabled());
}

TEST_F(SettingsTabTest, ToggleRowsReportEachChangeOnceWithItsCause) {
    bool value = false;
    std::vector<std::pair<bool, bool>> reports;
    ToggleCombo row({[&] { return value; }, [&](bool v) { value = v; }, "t", "", [&](bool v, bool c) { reports.emplace_back(v, c); }, {}},
                    nullptr);
    click(&row);
    value = false;  // changed elsewhere
    row.refresh();
    row.refresh();
    EXPECT_EQ(reports, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
}

TEST_F(SettingsTabTest, SliderStepsFromThePressStartAndNeverDividesByZero) {
    IntSliderModel m(0, 100, 5);
    EXPECT_EQ(m.moved(50, 21, 200), 60);  // d = 10.5, two steps
    EXPECT_EQ(m.moved(60, 4, 200), 50);   // back within a step
    EXPECT_EQ(m.ended(50, 4, 104, 200), std::nullopt);
    // Clicks: right of the fill's end up one step, at or left of it down one, bounded.
    const struct {
        std::int64_t ctrl;
        double x;
        std::optional<std::int64_t> written;
    } clicks[] = {{50, 101, 55}, {50, 100, 45}, {100, 201, 100}, {100, 199, 95}, {0, 0, 0}, {130, 10, 100}};
    for (const auto& c : clicks) EXPECT_EQ(IntSliderModel(0, 100, 5).ended(c.ctrl, 0.5, c.x, 200), c.written) << c.ctrl;
    // Degenerate bounds and widths: no change, no fault.
    IntSliderModel flat(3, 3, 0);
    EXPECT_EQ(flat.moved(3, 500, 200), std::nullopt);
    EXPECT_EQ(flat.ended(3, 0, 10, 200), std::nullopt);
    EXPECT_EQ(flat.fraction(3), 1.0);
    IntSliderModel narrow(0, 10, 1);
    EXPECT_EQ(narrow.moved(5, 40, 0), std::nullopt);
    EXPECT_EQ(narrow.ended(5, 0, 0, 0), std::nullopt);
    EXPECT_EQ(narrow.moved(5, std::numeric_limits<double>::infinity(), 100), std::nullopt);
    EXPECT_EQ(narrow.fraction(-4), 0.0);
    EXPECT_EQ(narrow.fraction(40), 1.0);
}

TEST_F(SettingsTabTest, InterferingProgramsAreListedOnShowRefreshedEvery2sAndStoppedOnHide) {
    tapBy(812, "late");
    tapBy(97, "early");
    open();
    EXPECT_TRUE(tab->interferingRefresh().running());
    EXPECT_TRUE(tab->interferingSection()->isVisible());
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"early", "late"}));
    test::snapshot(*tab, "settings_tab");

    tapBy(300, "third");
    sim->runLoop.runFor(1.9);
    EXPECT_EQ(listedNames().size(), 2u);
    sim->runLoop.runFor(0.2);
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"early", "third", "late"}));

    tab->hide();
    EXPECT_FALSE(tab->interferingRefresh().running());
    const auto idle = sim->runLoop.pendingCount();
    tapBy(400, "fourth");
    sim->runLoop.runFor(10);
    EXPECT_EQ(listedNames().size(), 3u);

    // Started twice: one timer; dropping the tab ends it.
    tab->show();
    EXPECT_EQ(sim->runLoop.pendingCount(), idle + 1);
    ui::settings::InterferingRefresh twice;
    twice.start();
    twice.start();
    EXPECT_EQ(sim->runLoop.pendingCount(), idle + 2);
    twice.stop();
    twice.stop();
    tab.reset();
    EXPECT_EQ(sim->runLoop.pendingCount(), idle);

    // An empty list leaves no section.
    UIState::shared().interferingApp.set({});
    sim->events.foreignTaps.clear();
    open();
    EXPECT_FALSE(tab->interferingSection()->isVisible());
    test::snapshot(*tab, "settings_tab_plain");
}

TEST_F(SettingsTabTest, TheVersionLineNamesTheProgramAndItsShortVersion) {
    sim->bundle.version = "2.0";
    EXPECT_EQ(versionText(), "Corvadine\nv2.0");
    sim->bundle.version.reset();
    EXPECT_EQ(versionText(), "Corvadine");
}

} // namespace
} // namespace corv::test
