// The kit's rules without widgets, on the simulated clock.

#include "recorders/KeyBind.h"
#include "support/SimFixture.h"
#include "ui/BatteryGlyph.h"
#include "ui/ConfirmDelModel.h"
#include "ui/FieldRegistry.h"
#include "ui/FlattenText.h"
#include "ui/GapRoundedRect.h"
#include "ui/HScrollBarModel.h"
#include "ui/HintWinManager.h"
#include "ui/IntSliderModel.h"
#include "ui/KeyBindWatch.h"
#include "ui/TabBarRules.h"

#include <cmath>
#include <limits>
#include <tuple>

namespace corv::ui {
namespace {

using platform::Point;
using platform::Rect;

TEST(FlattenTextTest, JoinsLinesAndTrimsBothEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"https://a.example/\nmore", "https://a.example/more"},
        {"  name \r\n", "name"},
        {"one\xE2\x80\xA8two", "onetwo"},
        {"already one line", "already one line"},
        {"\n\n", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(flattenToSingleLine(in), out) << in;
}

class FakeField : public FieldRegistry::Field {
public:
    bool shown = true;
    int focused = 0;
    bool inWindow() const override { return shown; }
    void focusAndSelectAll() override { ++focused; }
};

TEST(FieldRegistryTest, AnEarlierFieldLeavingKeepsTheLaterOneUnderItsTag) {
    FieldRegistry reg;
    FakeField first, second;
    reg.enter("2_4_0_7_url", &first);
    reg.enter("2_4_0_7_url", &second);
    reg.leave("2_4_0_7_url", &first);
    reg.focusField("2_4_0_7_url");
    EXPECT_EQ(second.focused, 1);
    EXPECT_EQ(first.focused, 0);

    second.shown = false;  // out of its window: nothing
    reg.focusField("2_4_0_7_url");
    EXPECT_EQ(second.focused, 1);
    reg.leave("2_4_0_7_url", &second);
    EXPECT_EQ(reg.field("2_4_0_7_url"), nullptr);
    reg.focusField("unknown");
}

// A hint window that records what the manager makes it do.
class FakeHintPanel : public HintPanel {
public:
    bool visible = false;
    std::string text;
    double alpha = 0;
    Point origin;
    Point pointerAt{500, 500};
    std::vector<Rect> screenList{{0, 0, 1920, 1080}};
    bool isVisible() const override { return visible; }
    void setContent(const std::string& t, bool) override { text = t; }
    void clearContent() override { text.clear(); }
    HintSize size() const override { return {120, 30}; }
    Point pointer() const override { return pointerAt; }
    std::vector<Rect> screens() const override { return screenList; }
    void orderFront(Point o) override {
        origin = o;
        visible = true;
    }
    void fadeTo(double a, double) override { alpha = a; }
    void orderOut() override { visible = false; }
};

class HintTest : public test::SimTest {
protected:
    HintTest() { m.setPanel(&panel); }
    void enter(const std::string& t) { m.hover(true, t, false, [] { return Rect{0, 0, 40, 20}; }); }
    void leave(const std::string& t) { m.hover(false, t, false, {}); }
    void at(double seconds) { sim->runLoop.advance(seconds - sim->runLoop.now()); }

    HintWinManager& m = HintWinManager::shared();
    FakeHintPanel panel;
};

TEST_F(HintTest, ShowsAfterRestingAndReplacesAtOnceWhileVisible) {
    enter("A");
    at(0.79);
    EXPECT_FALSE(panel.visible);
    at(0.8);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(panel.text, "A");
    EXPECT_EQ(panel.alpha, 1.0);
    EXPECT_EQ(panel.origin, (Point{500 - 120 - 10, 500 - 10 - 30}));

    // Another control while one shows: no wait.
    leave("A");
    enter("B");
    EXPECT_EQ(panel.text, "B");
    at(1.5);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(panel.text, "B");
}

TEST_F(HintTest, LeaveChecksAndPendingShowsFollowTheLastControl) {
    // Left after 0.2 s: the check at 0.5 clears the text, the show at 0.8 does nothing.
    enter("A");
    at(0.2);
    leave("A");
    at(2);
    EXPECT_FALSE(panel.visible);
    EXPECT_EQ(m.currentText, "");

    // Left after 0.6 s: shown at 0.8, hidden by the check at 0.9, ordered out after the fade.
    at(10);
    enter("A");
    at(10.6);
    leave("A");
    at(10.8);
    EXPECT_TRUE(panel.visible);
    at(10.9);
    EXPECT_EQ(panel.alpha, 0.0);
    at(11.2);
    EXPECT_FALSE(panel.visible);
    EXPECT_EQ(panel.text, "");

    // A then B before 0.8: only B's hint, 0.8 after entering B.
    at(20);
    enter("A");
    at(20.5);
    leave("A");
    enter("B");
    at(21.29);
    EXPECT_FALSE(panel.visible);
    at(21.3);
    EXPECT_EQ(panel.text, "B");

    // Leaving and coming back within 0.3 s keeps it.
    leave("B");
    at(21.4);
    enter("B");
    at(22);
    EXPECT_TRUE(panel.visible);
}

TEST_F(HintTest, AShowDuringAFadeOutKeepsThePanelAndAnEmptyTextIsNeverTracked) {
    m.toggleHelp("help", {0, 0, 20, 20});
    sim->runLoop.runPending();
    EXPECT_TRUE(panel.visible);
    m.toggleHelp("help", {0, 0, 20, 20});  // second click hides
    at(0.1);
    m.show("other", false, {});
    at(1);
    EXPECT_TRUE(panel.visible);
    EXPECT_EQ(panel.alpha, 1.0);

    m.hover(true, "", false, {});
    EXPECT_FALSE(m.inside);
}

TEST(HintPlacementTest, MovesInsideTheScreenAndBelowTheControlAtTheTop) {
    const std::vector<Rect> screen{{0, 0, 1000, 800}};
    const HintSize size{200, 40};
    struct Case {
        Point pointer;
        Point origin;
    } cases[] = {
        {{500, 400}, {290, 350}},               // above, to the left
        {{100, 400}, {112, 350}},               // near the left edge: right of the pointer
        {{50, 400}, {62, 350}},                 // moved right, stays inside
        {{500, 30}, {290, 30 - 50 + 40 + 20 + 8}},  // near the top: below the control
    };
    for (const auto& c : cases) EXPECT_EQ(placeHint(c.pointer, size, 20, screen), c.origin) << c.pointer.x;
    // On no screen: unadjusted.
    EXPECT_EQ(placeHint({-50, -50}, size, 20, screen), (Point{-260, -100}));
    // Near the right edge the right side ends 10 inside.
    const Point right = placeHint({995, 400}, {1000, 40}, 20, screen);
    EXPECT_EQ(right.x + 1000, 990);
}

TEST(HScrollBarModelTest, ScrollsWithinTheRowAndSnapsToWholeIcons) {
    HScrollBarModel m;
    m.measure(420, 300, 10);  // bound 60, icon 42
    EXPECT_EQ(m.bound, 60);
    EXPECT_EQ(m.iconWidth, 42);
    EXPECT_TRUE(m.scrollBy(-50));
    EXPECT_EQ(m.offset, 50);
    m.scrollBy(-500);
    EXPECT_EQ(m.offset, 120);
    m.scrollBy(1000);
    EXPECT_EQ(m.offset, 0);
    EXPECT_FALSE(m.scrollBy(0));
    m.scrollBy(-63);  // 63 / 42 = 1.5: halves go to even
    m.snap();
    EXPECT_EQ(m.offset, 84);

    // Everything fits: scrolling stays at the start.
    m.measure(200, 300, 5);
    m.scrollBy(-30);
    EXPECT_EQ(m.offset, 0);

    // No icon width: the snap leaves the offset, never NaN.
    for (double width : {0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        m.offset = 17;
        m.iconWidth = width;
        m.snap();
        EXPECT_EQ(m.offset, 17);
    }
    m.measure(0, 300, 0);
    m.offset = 5;
    m.snap();
    EXPECT_EQ(m.offset, 5);
}

class StripIconsTest : public test::SimTest {};

TEST_F(StripIconsTest, IconsGoByDisplayNameIgnoringCaseAndIdOnlyAppsShowTheirId) {
    sim->appFolders.desktopApps = {{"org.b", "Zeta Notes", "/usr/share/applications/beta.desktop", "", ""}};
    AppEntries entries;
    entries[""] = AnApp{};
    entries["org.b"].url = Url("file:///usr/share/applications/beta.desktop");
    entries["org.a"].url = Url("file:///opt/Alpha.app/");
    entries["org.c"].url = Url("file:///");
    entries["org.c"].enabled = false;
    entries["org.d"].url = Url("file:///opt/My%20Tools/beta.app");
    const auto icons = stripIcons(entries);
    std::vector<std::tuple<std::string, std::string, std::string>> got;
    for (const StripIcon& i : icons) got.emplace_back(i.id, i.name, i.path);
    // The root sorts as "/", before any name, as the exceptions list has it.
    EXPECT_EQ(got, (std::vector<std::tuple<std::string, std::string, std::string>>{
                       {"org.c", "org.c", "/"},
                       {"org.a", "Alpha", "/opt/Alpha.app"},
                       {"org.d", "beta", "/opt/My Tools/beta.app"},
                       {"org.b", "Zeta Notes", "/usr/share/applications/beta.desktop"}}));
    EXPECT_FALSE(icons[0].enabled);
}

class ConfirmDelTest : public test::SimTest {};

TEST_F(ConfirmDelTest, SecondClickWithinThreeSecondsDeletesOnce) {
    int deleted = 0;
    ConfirmDelModel b([&] { ++deleted; });
    b.click();
    EXPECT_EQ(b.phase(), 1);
    EXPECT_NEAR(b.bling(), 0.1, 1e-9);
    sim->runLoop.advance(2.9);
    b.click();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(b.phase(), 0);

    // A new arming right after: the first click's block ends it early.
    b.click();
    sim->runLoop.advance(0.2);
    EXPECT_EQ(b.phase(), 0);
    EXPECT_NEAR(b.bling(), 1.0, 1e-9);

    // Three seconds apart: armed twice, never deleted.
    sim->runLoop.advance(5);
    b.click();
    sim->runLoop.advance(3.0);
    b.click();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(b.phase(), 1);
}

TEST_F(ConfirmDelTest, ADisabledButtonTakesNoClickAndABlockOutlivesItsButton) {
    int deleted = 0;
    {
        ConfirmDelModel b([&] { ++deleted; });
        b.setEnabled(false);
        b.click();
        EXPECT_EQ(b.phase(), 0);
        b.setEnabled(true);
        b.click();
        b.setEnabled(false);
        b.click();
        EXPECT_EQ(b.phase(), 1);
        EXPECT_EQ(deleted, 0);
    }
    sim->runLoop.advance(4);  // the pending disarm runs after the button is gone
}

TEST(GapRoundedRectTest, GapStaysOnTheStraightTopEdge) {
    const double R = 16 * 1.528665;
    struct Case {
        double gapStart, gapWidth, left, right;
    } cases[] = {
        {40, 50, 40, 90},
        {2, 50, R, R + 50},        // never inside the top-left corner
        {100, 500, 100, 200 - R},  // cut before the top-right corner
        {60, 0, 60, 60},           // whole top edge
    };
    for (const auto& c : cases) {
        const auto path = gapRoundedRectPath(200, 100, 16, c.gapStart, c.gapWidth);
        ASSERT_EQ(path.size(), 18u);
        EXPECT_NEAR(path.front().to.x, c.right, 1e-9);
        EXPECT_EQ(path.front().kind, PathStep::Move);
        EXPECT_NEAR(path.back().to.x, c.left, 1e-9);
        EXPECT_EQ(path.back().to.y, 0);
    }
    // A short side below 3.05733 × 16: the corner spans half of it.
    EXPECT_NEAR(cornerReach(200, 30, 16), 15, 1e-9);

    const OutlineGeometry g = outlineGeometry(300, 120, {20, 0, 80, 16}, 2);
    EXPECT_EQ(g.frame, (Rect{-10, 8, 320, 122}));
    EXPECT_EQ(g.gapStart, 30);
}

TEST(BatteryGlyphTest, BandsColoursAndCharging) {
    const std::tuple<std::int64_t, const char*, BatteryTone, const char*> cases[] = {
        {0x100 + 57, "battery.100.bolt", BatteryTone::Green, "57%"},
        {88, "battery.100", BatteryTone::Green, "88%"},
        {87, "battery.75", BatteryTone::Green, "87%"},
        {62, "battery.50", BatteryTone::Green, "62%"},
        {37, "battery.25", BatteryTone::Yellow, "37%"},
        {13, "battery.25", BatteryTone::Yellow, "13%"},
        {12, "battery.0", BatteryTone::Red, "12%"},
        {612, "battery.100", BatteryTone::Green, "100%"},
        {200, "battery.100", BatteryTone::Green, "200%"},
        {-1, "battery.100", BatteryTone::Green, "255%"},
    };
    for (const auto& [batt, symbol, tone, text] : cases)
        EXPECT_EQ(batteryGlyph(batt), (BatteryGlyph{symbol, tone, text})) << batt;
}

TEST(TabBarRulesTest, OuterTabsRoundTheirOuterTopCorner) {
    EXPECT_EQ(highlightCorners(0), (CornerRadii{15, 8, 8, 8}));
    EXPECT_EQ(highlightCorners(3), (CornerRadii{8, 15, 8, 8}));
    EXPECT_EQ(highlightCorners(2), (CornerRadii{8, 8, 8, 8}));
    EXPECT_EQ(highlightCorners(9), (CornerRadii{8, 8, 8, 8}));
}

// How the slider moves is shown through its window (KitWidgetsTest); here,
// the bounds that would divide by zero or overflow.
TEST(IntSliderModelTest, NeverDividesByZeroNorOverflows) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max(), kMin = std::numeric_limits<std::int64_t>::min();
    IntSliderModel flat(3, 3, 0), narrow(0, 10, 1), wild(-5, 5, 1);
    flat.pressed(3, 10, 200);
    narrow.pressed(5, 40, 0);
    wild.pressed(kMax, std::nan(""), 100);
    EXPECT_EQ(std::tuple(flat.moved(500, 200), narrow.ended(5, 80, 0), wild.moved(std::nan(""), 100)),
              std::tuple(std::optional<std::int64_t>(3), std::nullopt, std::nullopt));
    EXPECT_EQ(std::tuple(wild.keyed(kMax, SliderKey::PageUp), wild.keyed(kMin, SliderKey::StepDown),
                         IntSliderModel(0, kMax, 1).keyed(kMax - 1, SliderKey::PageUp)),
              std::tuple(5l, -5l, kMax));
    EXPECT_EQ(wild.wheeled(kMin, std::numeric_limits<int>::max()), 5);
    // A touchpad's parts of a notch add up to a step.
    EXPECT_EQ(narrow.wheeled(5, 60), std::nullopt);
    EXPECT_EQ(narrow.wheeled(5, 60), 6);
}

TEST(KeyBindWatchTest, FollowsEachCaptureInstanceOnceAndStops) {
    int changes = 0;
    KeyBindWatch watch([&] { ++changes; });
    watch.follow();
    watch.follow();  // already following: one subscription
    recorders::KeyBind::shared().key.set(7);
    EXPECT_EQ(changes, 1);
    // A capture replaces the instance: the watch moves to the new one.
    recorders::KeyBind::reset();
    watch.follow();
    recorders::KeyBind::shared().keyDownCount.set(2);
    EXPECT_EQ(changes, 2);
    watch.stop();
    recorders::KeyBind::shared().modAllUp.set(false);
    EXPECT_EQ(changes, 2);
    recorders::KeyBind::reset();
}

} // namespace
} // namespace corv::ui
