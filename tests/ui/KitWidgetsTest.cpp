// The kit's widgets over their rules, with pictures of their states.

#include "Snapshot.h"
#include "ThroughWindow.h"
#include "support/SimFixture.h"

#include "model/UIApp.h"
#include "model/UIState.h"
#include "ui/BatteryIcon.h"
#include "ui/BrightnessBoost.h"
#include "ui/FlattenText.h"
#include "ui/ButtonStyles.h"
#include "ui/ConfirmDelButton.h"
#include "ui/HScrollBar.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/IntSlider.h"
#include "ui/OutterFrame.h"
#include "ui/SelectAllTextField.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QTest>

#include <functional>
#include <QVBoxLayout>

namespace corv::ui {
namespace {

class KitWidgetsTest : public test::SimTest {
protected:
    // A dark panel-like window to put widgets in.
    static std::unique_ptr<QWidget> window() {
        auto w = std::make_unique<QWidget>();
        w->setPalette(panelPalette());
        w->setAutoFillBackground(true);
        w->setFixedWidth(380);
        new QVBoxLayout(w.get());
        return w;
    }
};

TEST_F(KitWidgetsTest, TextFieldFlattensOnEndAndLeavesTheRegistryOnlyForItself) {
    auto win = window();
    std::string bound, ended, disappeared;
    auto* first = new SelectAllTextField({"URL", false, "t_url", {}, {}}, [&](const std::string& s) { bound = s; });
    auto* second = new SelectAllTextField(
        {"URL", true, "t_url", [&](const std::string& s) { ended = s; }, [&](const std::string& s) { disappeared = s; }},
        [&](const std::string& s) { bound = s; });
    win->layout()->addWidget(first);
    win->layout()->addWidget(second);
    win->show();
    QApplication::processEvents();
    EXPECT_TRUE(second->hasFocus());  // focused itself once in its window
    EXPECT_EQ(second->selectedText(), second->text());

    // Typing keeps the binding raw; ending editing flattens both.
    second->update("", primaryColor());
    QTest::keyClicks(second, "  a b ");
    EXPECT_EQ(bound, "  a b ");
    second->insert(QStringLiteral("\nc"));
    Q_EMIT second->editingFinished();
    EXPECT_EQ(second->text().toStdString(), flattenToSingleLine(second->text().toStdString()));
    EXPECT_EQ(ended, second->text().toStdString());
    EXPECT_EQ(bound, ended);

    // The earlier field ends: the later one is still found under the tag.
    delete first;
    EXPECT_EQ(FieldRegistry::shared().field("t_url"), second);
    second->setText("shown");
    delete second;
    EXPECT_EQ(FieldRegistry::shared().field("t_url"), nullptr);
    EXPECT_EQ(disappeared, "shown");
}

TEST_F(KitWidgetsTest, ConfirmDelButtonArmsThenDeletesAndTakesNoClickWhenDisabled) {
    auto win = window();
    int deleted = 0;
    auto* del = new ConfirmDelButton(true, [&] { ++deleted; });
    auto* off = new ConfirmDelButton(false, [&] { ++deleted; });
    win->layout()->addWidget(del);
    win->layout()->addWidget(off);
    win->show();
    EXPECT_TRUE(test::snapshot(*win, "confirm-del-resting"));
    test::click(del);
    test::click(off);  // invisible but clickable
    EXPECT_TRUE(del->armed());
    EXPECT_TRUE(off->armed());
    EXPECT_TRUE(test::snapshot(*win, "confirm-del-armed"));
    test::click(del);
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(del->armed());

    del->setEnabled(false);
    test::click(del);
    test::click(del);
    EXPECT_FALSE(del->armed());
    EXPECT_EQ(deleted, 1);
}

TEST_F(KitWidgetsTest, IconStripHighlightsScrollsAndLetsGoOfTheScrollWhenGone) {
    Apps::shared().a.modify([](AppEntries& a) {
        a[""] = AnApp{};
        for (int i = 0; i < 14; ++i) a["org.app" + std::to_string(i)].url = Url("file:///opt/App" + std::to_string(i) + ".app");
        a["org.app3"].enabled = false;
    });
    UIApp::shared().id.set("org.app3");
    std::vector<std::string> clicked;
    auto win = window();
    auto* strip = new HScrollBar(UIApp::shared().id, [&](const std::string& id) { clicked.push_back(id); });
    win->layout()->addWidget(strip);
    win->show();
    QApplication::processEvents();
    EXPECT_TRUE(strip->highlighted("org.app3"));
    EXPECT_FALSE(strip->highlighted(""));
    EXPECT_EQ(strip->cells().size(), 15);
    EXPECT_GT(strip->model().bound, 0);
    EXPECT_TRUE(test::snapshot(*win, "icon-strip"));

    test::click(strip->cellFor(""));
    ASSERT_FALSE(strip->cellFor("org.app1")->visibleRegion().isEmpty());
    test::click(strip->cellFor("org.app1"));
    EXPECT_EQ(clicked, (std::vector<std::string>{"", "org.app1"}));

    auto& ui = UIState::shared();
    ui.scrolling.set(true);
    ui.offset.set(-100);
    EXPECT_EQ(strip->model().offset, 100);
    EXPECT_EQ(ui.offset.get(), 0);
    ui.offset.set(-1e6);
    EXPECT_EQ(strip->model().offset, 2 * strip->model().bound);
    // The window system's wheel events for the same fingers move it no further.
    test::wheelAt(strip, QPoint(100, 20), 2, true);
    EXPECT_EQ(strip->model().offset, 2 * strip->model().bound);
    ui.scrolling.set(false);
    const double w = strip->model().iconWidth;
    EXPECT_DOUBLE_EQ(strip->model().offset, std::nearbyint(2 * strip->model().bound / w) * w);

    // The wheel, the sideways wheel and a drag along the row scroll it too,
    // both ways, without picking the icon a drag starts on, and the last
    // application can then be picked.
    struct Way {
        const char* what;
        std::function<void(int)> scroll;  // towards the end when positive
    };
    const Way ways[] = {
        {"wheel", [&](int n) { test::wheelAt(strip, QPoint(100, 20), -n); }},
        {"sideways wheel", [&](int n) { test::wheelAt(strip, QPoint(100, 20), -n, true); }},
        {"drag", [&](int n) { test::dragAt(strip, QPoint(strip->width() / 2, 20), QPoint(-40 * n, 0)); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        ui.offset.set(1e6);
        ASSERT_EQ(strip->model().offset, 0);
        clicked.clear();
        way.scroll(2);
        EXPECT_GT(strip->model().offset, 0);
        way.scroll(40);
        EXPECT_GE(strip->model().offset, 2 * strip->model().bound - 1);
        QWidget* last = strip->cells().back();
        ASSERT_TRUE(test::atRest(strip));  // the settling slide
        const QRect shown(last->mapTo(strip, QPoint()), last->size());
        EXPECT_TRUE(strip->rect().contains(shown)) << shown.x() << " of " << strip->width();
        EXPECT_TRUE(clicked.empty()) << clicked.front();
        test::click(last);
        EXPECT_EQ(clicked, std::vector<std::string>{last->objectName().mid(4).toStdString()});
        way.scroll(-40);
        EXPECT_EQ(strip->model().offset, 0);
    }
    EXPECT_TRUE(test::snapshot(*win, "icon-strip-14"));

    // The wheel moves the icon under the pointer away: its name hint goes.
    installHintPanel();
    QWidget* named = strip->cellFor("org.app1");
    test::hover(named, test::centre(named));
    sim->runLoop.advance(1.0);
    ASSERT_TRUE(HintWinManager::shared().isVisible());
    test::wheelAt(named, test::centre(named), -1);
    EXPECT_FALSE(HintWinManager::shared().isVisible());

    test::hover(strip, QPoint(5, 5));
    EXPECT_TRUE(ui.inHScrollBar.get());
    delete strip;
    EXPECT_FALSE(ui.inHScrollBar.get());
}

TEST_F(KitWidgetsTest, GalleryOfStylesFramesBatteriesAndHints) {
    auto win = window();
    auto* section = new QWidget;
    auto* sectionLayout = new QVBoxLayout(section);
    auto* title = new QLabel(QStringLiteral("Click through"));
    sectionLayout->addWidget(title);
    for (auto style : {ButtonStyle::Help, ButtonStyle::Image, ButtonStyle::MyImage, ButtonStyle::My}) {
        auto* b = new StyledButton(style);
        b->setText(QStringLiteral("A rather long label that a full-width button cuts to one line"));
        if (style == ButtonStyle::Image) b->setSymbol(QStringLiteral("gearshape"), 18);
        sectionLayout->addWidget(b);
    }
    auto* disabled = new StyledButton(ButtonStyle::MyImage);
    disabled->setText(QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    sectionLayout->addWidget(disabled);
    for (std::int64_t batt : {0x100 + 57, 88, 50, 20, 5}) sectionLayout->addWidget(new BatteryIcon(batt));
    auto* frame = new OutterFrame(section, title, 2);
    win->layout()->addWidget(frame);
    win->show();
    QApplication::processEvents();
    EXPECT_FALSE(frame->outline().isEmpty());
    EXPECT_EQ(disabled->labelColor(), dimLabelColor());
    test::pressAt(disabled, test::centre(disabled));
    EXPECT_EQ(disabled->labelColor(), dimLabelColor());
    EXPECT_TRUE(test::snapshot(*win, "kit-gallery"));

    HintPanelWidget hint;
    hint.setContent("A wide hint wraps at three hundred points and takes the height its text needs.", true);
    hint.setWindowOpacity(1.0);
    EXPECT_EQ(hint.width(), 320);
    EXPECT_TRUE(test::snapshot(hint, "hint-wide"));
    hint.setContent("global", false);
    EXPECT_LT(hint.width(), 320);
    EXPECT_TRUE(test::snapshot(hint, "hint-line"));
}

TEST_F(KitWidgetsTest, BrightnessIsOrdinaryWithoutHeadroomAndScalesColourNotAlpha) {
    EXPECT_EQ(edrHeadroom(), 0.0);
    EXPECT_EQ(BrightnessBoost(1.0).brightness(), 1.0);
    EXPECT_EQ(hdrBrightness(1.0, 3.0), 4.0);
    EXPECT_EQ(hdrBrightness(0.0, 3.0), 1.0);
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(20, 40, 100, 255));
    QImage same = image;
    applyBrightness(same, 1.0);
    EXPECT_EQ(same, image);
    applyBrightness(image, 4.0);
    EXPECT_EQ(image.pixel(0, 0), qRgba(80, 160, 255, 255));
}

// A slider from 0 to 50, 210 wide (4.2 a step), through its window: a drag
// carries the fill's end with the pointer, a click beside it pages by 5, the
// keys and the wheel step; switched off it takes none of them.
TEST_F(KitWidgetsTest, SliderFollowsTheDragPagesOnClicksAndStepsByKeysAndWheel) {
    auto win = window();
    std::int64_t value = 0;
    bool on = true;
    int updates = 0;
    auto* s = new IntSlider({0, 50, 1, [&] { return value; }, [&](std::int64_t v) { value = v; }, [&] { return on; },
                             Qt::white, [&] { ++updates; }, nullptr, 16},
                            win.get());
    s->setFixedWidth(210);
    win->layout()->addWidget(s);
    win->show();
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win.get()));
    QWindow* w = win->windowHandle();
    const auto at = [&](double x) { return test::windowPoint(s, QPoint(int(x + 0.5), s->height() / 2)); };
    // Pressed at x (or at the fill's end of value -x), moved by each of `by`.
    const auto drag = [&](double x, std::vector<double> by) {
        x = x < 0 ? -4.2 * x : x;
        QTest::mousePress(w, Qt::LeftButton, {}, at(x));
        for (double d : by) QTest::mouseMove(w, at(x + d));
        QTest::mouseRelease(w, Qt::LeftButton, {}, at(x + (by.empty() ? 0 : by.back())));
    };
    const struct {
        std::int64_t from;
        std::function<void()> act;
        std::int64_t to;
    } cases[] = {
        {20, [&] { drag(-20, {20, 42}); }, 30},  {30, [&] { drag(-30, {42, -21}); }, 25},
        {40, [&] { drag(-40, {300}); }, 50},     {10, [&] { drag(150, {10, 18}); }, 40},  // from the groove
        {16, [&] { drag(180, {}); }, 21},        {16, [&] { drag(10, {}); }, 11},
        {3, [&] { drag(2, {}); }, 0},            {25, [&] { drag(-25, {}); }, 25},
        {25, [&] { QTest::keyClick(w, Qt::Key_Right); }, 26}, {25, [&] { QTest::keyClick(w, Qt::Key_Up); }, 26},
        {25, [&] { QTest::keyClick(w, Qt::Key_Left); }, 24},  {25, [&] { QTest::keyClick(w, Qt::Key_Down); }, 24},
        {25, [&] { QTest::keyClick(w, Qt::Key_PageUp); }, 30}, {25, [&] { QTest::keyClick(w, Qt::Key_PageDown); }, 20},
        {25, [&] { QTest::keyClick(w, Qt::Key_Home); }, 0},   {25, [&] { QTest::keyClick(w, Qt::Key_End); }, 50},
        {25, [&] { test::wheelAt(s, test::centre(s), 1); }, 26}, {25, [&] { test::wheelAt(s, test::centre(s), -2); }, 23},
    };
    s->setFocus(Qt::TabFocusReason);
    for (const bool enabled : {true, false})
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            std::tie(on, value, updates) = std::tuple(enabled, cases[i].from, 0);
            s->refresh();
            EXPECT_EQ(s->focusPolicy(), enabled ? Qt::TabFocus : Qt::NoFocus);
            cases[i].act();
            EXPECT_EQ(std::pair(value, updates), std::pair(enabled ? cases[i].to : cases[i].from, int(enabled))) << i;
        }
}

} // namespace
} // namespace corv::ui
