// Every tab, both popovers and the picker, on a light and on a dark desktop:
// text shows whole where it must, controls stay inside their window and off
// each other, popups stay on the screen, text reads on its ground, and the
// tints and the sliders' fills are those of the panel whatever the desktop.

#include "recorders/RecorderFixture.h"

#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/Haptic.h"
#include "model/Options.h"
#include "model/ShellState.h"
#include "ui/ContentView.h"
#include "ui/CustomTabView.h"
#include "ui/DisabledCover.h"
#include "ui/IntSlider.h"
#include "ui/Backdrop.h"
#include "ui/Theme.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/exceptions/AppPicker.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"

#include "Snapshot.h"
#include "ThroughWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>

#include <cstdio>
#include <map>
#include <string>

namespace corv::ui {
namespace {

using recorders::GesPath;

const std::string kEditor = "org.example.Editor.desktop";
const std::string kOff = "org.example.Off.desktop";

// Labels that end in an ellipsis or shrink by design: application names and
// the cells of key rows.
bool mayCut(const QWidget* w) {
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const std::string cls = typeid(*p).name();
        if (cls.find("FittedLabel") != std::string::npos || cls.find("CellButton") != std::string::npos) return true;
    }
    return false;
}

bool insideScroll(const QWidget* w, const QWidget* top) {
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget())
        if (qobject_cast<const QScrollArea*>(p)) return true;
    return false;
}

QString textOf(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    return {};
}

bool isControl(const QWidget* w) {
    return (qobject_cast<const QLabel*>(w) && !textOf(w).isEmpty()) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QLineEdit*>(w) || dynamic_cast<const IntSlider*>(w) || dynamic_cast<const ToggleCombo*>(w);
}

// The colour most of the widget's pixels have: its ground.
QColor groundOf(const QImage& shot, const QRect& r) {
    std::map<QRgb, int> counts;
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), shot.height() - 1); ++y)
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), shot.width() - 1); ++x) ++counts[shot.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (const auto& [rgb, n] : counts)
        if (n > most) std::tie(best, most) = std::tie(rgb, n);
    return QColor::fromRgb(best);
}

struct Findings {
    double lowest = 21;
    std::string lowestWhere;
    int checked = 0;
};

// Audits one window drawn in `shot`; `where` names it in failures.
void audit(QWidget* top, const std::string& where, Findings& f) {
    top->ensurePolished();
    const QImage shot = top->grab().toImage();
    EXPECT_TRUE(test::snapshot(*top, "layout-" + where));
    const QRect frame = top->rect();
    std::map<QWidget*, std::vector<QWidget*>> siblings;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->isWindow() || !isControl(w)) continue;
        if (dynamic_cast<DisabledCover*>(w->parentWidget())) continue;
        const QRect r(w->mapTo(top, QPoint(0, 0)), w->size());
        const std::string name = where + "/" + textOf(w).toStdString() + "/" + typeid(*w).name();
        if (!insideScroll(w, top)) {
            EXPECT_TRUE(frame.contains(r)) << name << " lies outside its window";
        }
        siblings[w->parentWidget()].push_back(w);

        const QString text = textOf(w);
        if (text.isEmpty() || text.startsWith('<')) continue;
        // Whole text.
        const QFontMetrics fm(w->font());
        if (!mayCut(w)) {
            auto* label = qobject_cast<QLabel*>(w);
            if (label && label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->contentsRect().width()), label->height() + 1) << name << " is cut";
            } else if (label) {
                EXPECT_LE(fm.horizontalAdvance(text), label->contentsRect().width() + 1) << name << " is cut";
            }
        }
        // Contrast of the text on the ground it stands on.
        if (!w->styleSheet().isEmpty() || w->visibleRegion().isEmpty()) continue;
        const QPalette::ColorRole role =
            qobject_cast<QAbstractButton*>(w) ? QPalette::ButtonText : QPalette::WindowText;
        const QPalette::ColorGroup group = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QColor ground = groundOf(shot, r);
        const double ratio = contrastRatio(over(w->palette().color(group, role), ground), ground);
        const double need = w->isEnabled() ? 4.5 : 3.0;
        EXPECT_GE(ratio, need) << name << " " << w->palette().color(group, role).name(QColor::HexArgb).toStdString()
                               << " on " << ground.name().toStdString();
        ++f.checked;
        if (ratio < f.lowest) {
            f.lowest = ratio;
            f.lowestWhere = name;
        }
    }
    // The tab titles, drawn by their buttons.
    for (QWidget* w : top->findChildren<QWidget*>()) {
        auto* b = dynamic_cast<TabButton*>(w);
        if (!b || b->window() != top || !b->isVisibleTo(top)) continue;
        const QRect r(b->mapTo(top, QPoint(0, 0)), b->size());
        const QColor ground = groundOf(shot, b->frameRect().translated(r.topLeft()));
        const double ratio = contrastRatio(over(b->color(), ground), ground);
        EXPECT_GE(ratio, 4.5) << where << " tab title " << b->color().name().toStdString() << " on "
                              << ground.name().toStdString();
        f.lowest = std::min(f.lowest, ratio);
    }
    // No control lies over another of the same parent.
    for (const auto& [parent, kids] : siblings)
        for (std::size_t i = 0; i < kids.size(); ++i)
            for (std::size_t j = i + 1; j < kids.size(); ++j)
                EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                    << where << ": " << textOf(kids[i]).toStdString() << " over " << textOf(kids[j]).toStdString();
}

exceptions::ExceptionsTab* findIn(QWidget& top) {
    for (QWidget* w : top.findChildren<QWidget*>())
        if (auto* t = dynamic_cast<exceptions::ExceptionsTab*>(w)) return t;
    return nullptr;
}

void onScreen(QWidget* popup, const std::string& where) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(popup->frameGeometry())) << where << " leaves the screen";
}

// The desktop's colours: a light scheme and a dark one.
enum class Desk { Light, Dark };

QPalette deskPalette(Desk d) {
    QPalette pal;
    const bool light = d == Desk::Light;
    pal.setColor(QPalette::Window, light ? QColor(239, 240, 241) : QColor(42, 46, 50));
    pal.setColor(QPalette::WindowText, light ? QColor(35, 38, 41) : QColor(252, 252, 252));
    pal.setColor(QPalette::Highlight, QColor(61, 174, 233));
    return pal;
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
}

class PanelLayoutTest : public test::RecorderTest, public ::testing::WithParamInterface<Desk> {
protected:
    PanelLayoutTest() : before_(QApplication::palette()) {
        QApplication::setPalette(deskPalette(GetParam()));
        ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1280, 800}, "sim"};
        AnApp global;
        global.ges[2][ActGes::Swipe][0][ActDir::Left] = action(ActionId::SwipeBack);
        global.ges[3][ActGes::Tap][0][ActDir::None] = action(ActionId::ZoomWindow);
        global.key[53][0] = action(ActionId::Sleep);
        global.key[36][0x10] = action(ActionId::MediaNext);
        setEntry("", global);
        AnApp editor;
        editor.url = Url::fileFromPath("/usr/share/applications/org.example.Editor.desktop", "/");
        editor.ges[2][ActGes::Swipe][0][ActDir::Left] = action(ActionId::MediaNext);
        editor.key[53][0] = action(ActionId::MediaNext);
        setEntry(kEditor, editor);
        AnApp off;
        off.url = Url::fileFromPath("/usr/share/applications/org.example.Off.desktop", "/");
        off.enabled = false;
        setEntry(kOff, off);
        ApplicationSet apps;
        for (int i = 0; i < 40; ++i)
            apps.insert({Url::fileFromPath("/opt/app" + std::to_string(i), "/"), "Application number " + std::to_string(i),
                         "app" + std::to_string(i)});
        ApplicationSets::shared().installedApps = apps;
    }
    ~PanelLayoutTest() override { QApplication::setPalette(before_); }
    std::string scheme() const { return GetParam() == Desk::Light ? "light" : "dark"; }
    QColor desk() const { return deskPalette(GetParam()).color(QPalette::Window); }

private:
    QPalette before_;
};

TEST_P(PanelLayoutTest, EveryTabPopoverAndPickerShowsWholeReadableTextInsideTheScreen) {
    Findings f;
    for (const std::string& selected : {std::string(), kEditor}) {
        select(selected);
        for (int tab = 0; tab < 4; ++tab) {
            Options::shared().tabSelection.set(tab);
            ContentView view;
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            view.move(screen.right() + 1 - kPanelWidth, screen.top());
            view.show();
            ASSERT_TRUE(test::atRest(&view));
            audit(&view, scheme() + "-tab" + std::to_string(tab) + (selected.empty() ? "" : "-app"), f);
            if (tab != 2 || !selected.empty()) continue;

            // The exceptions tab's popups.
            auto* apps = findIn(view);
            ASSERT_TRUE(apps);
            for (const std::string& id : {kEditor, kOff}) {
                exceptions::AppRow* row = apps->row(id);
                ASSERT_TRUE(row) << id;
                test::click(row->nameArea());
                ASSERT_TRUE(row->gesturePopover());
                onScreen(row->gesturePopover(), id + " gestures");
                audit(row->gesturePopover(), scheme() + "-gestures-" + id, f);
                row->gesturePopover()->close();
                test::click(row->keyboardButton());
                ASSERT_TRUE(row->keyPopover());
                onScreen(row->keyPopover(), id + " keys");
                audit(row->keyPopover(), scheme() + "-keys-" + id, f);
                row->keyPopover()->close();
            }
            apps->showInstalledPicker();
            ASSERT_TRUE(apps->picker());
            onScreen(apps->picker(), "picker");
            audit(apps->picker(), scheme() + "-picker", f);
            apps->picker()->close();
        }
    }
    EXPECT_GT(f.checked, 40);
    std::printf("lowest text contrast (%s): %.2f:1 at %s over %d texts\n", scheme().c_str(), f.lowest,
                f.lowestWhere.c_str(), f.checked);
}

// On either desktop the panel is dark: on one dark ground (the desktop's
// window colour when that is dark) the tab bar is grey 0.1 at 0.65, the
// content grey 0.0 at 0.65, the popovers and the picker grey 0.1 at 0.2. A
// slider at its maximum shows its fill, and a disabled one stands out less
// than an enabled one.
TEST_P(PanelLayoutTest, TheTintsAreThePanelsOnEitherDesktopAndSlidersShowTheirFill) {
    select(kEditor);
    Options::shared().tabSelection.set(2);
    ContentView view;
    view.show();
    ASSERT_TRUE(test::atRest(&view));
    const QImage shot = view.grab().toImage();
    TabBar* bar = view.tabs()->bar();
    const QRect barRect(bar->mapTo(&view, QPoint(0, 0)), bar->size());
    QWidget* content = view.tabs()->content();
    const QRect contentRect(content->mapTo(&view, QPoint(0, 0)), content->size());
    const QColor contentGround = groundOf(shot, contentRect.adjusted(20, 0, -20, -20));
    // The ground the content's tint lies on, 35 % of it showing through.
    const QColor ground = QColor::fromRgbF(contentGround.redF() / 0.35f, contentGround.greenF() / 0.35f,
                                           contentGround.blueF() / 0.35f);
    EXPECT_LT(ground.lightness(), 70) << ground.name().toStdString();
    if (GetParam() == Desk::Dark) {
        EXPECT_TRUE(near(ground, desk())) << ground.name().toStdString();
    }
    const QColor barGround = groundOf(shot, barRect.adjusted(20, 0, -20, 0));
    EXPECT_TRUE(near(barGround, over(genericGrey(0.1, 0.65), ground))) << barGround.name().toStdString();

    // The popovers and the picker: dark, under the same tint.
    auto* apps = findIn(view);
    ASSERT_TRUE(apps);
    exceptions::AppRow* row = apps->row(kEditor);
    ASSERT_TRUE(row);
    test::click(row->keyboardButton());
    ASSERT_TRUE(row->keyPopover());
    std::vector<std::pair<std::string, QWidget*>> popups{{"keys", row->keyPopover()}};
    const QColor popupGround = ground;
    for (const auto& [name, popup] : popups) {
        const QImage pop = popup->grab().toImage();
        const QColor shown = groundOf(pop, popup->rect().adjusted(12, 12, -12, -12));
        EXPECT_TRUE(near(shown, over(genericGrey(0.1, 0.2), popupGround))) << name << " " << shown.name().toStdString();
    }
    row->keyPopover()->close();
    apps->showInstalledPicker();
    ASSERT_TRUE(apps->picker());
    const QImage picker = apps->picker()->grab().toImage();
    const QColor pickerGround = groundOf(picker, apps->picker()->rect());
    EXPECT_TRUE(near(pickerGround, over(genericGrey(0.1, 0.2), popupGround))) << pickerGround.name().toStdString();
    apps->picker()->close();

    // The settings tab's sliders: scroll friction at its maximum, the
    // single-shot haptic switched off at its maximum, the multishot one on.
    Haptic::shared().sEnable.set(false);
    Haptic::shared().mEnable.set(true);
    Options::shared().sclAcc.set(1e9);
    for (Published<Buzz>* para : {&Haptic::shared().sPara, &Haptic::shared().mPara}) {
        Buzz b = para->get();
        b.intensity = 2.0f;
        para->set(b);
    }
    Options::shared().tabSelection.set(3);
    ASSERT_TRUE(test::atRest(&view));
    std::vector<IntSlider*> sliders;
    for (QWidget* w : view.findChildren<QWidget*>())
        if (auto* s = dynamic_cast<IntSlider*>(w)) sliders.push_back(s);
    ASSERT_GE(sliders.size(), 3u);
    EXPECT_TRUE(test::snapshot(view, "layout-" + scheme() + "-sliders"));
    double enabledFill = 21, disabledFill = 21;
    for (IntSlider* s : sliders) {
        s->refresh();
        const QImage img = s->grab().toImage();
        // Left of the value's text, inside the bar.
        const QColor fill = img.pixelColor(6, 4 + 8);
        const double ratio = contrastRatio(fill, contentGround);
        if (s->isOn()) {
            EXPECT_GE(ratio, 3.0) << "an enabled fill that does not show: " << fill.name().toStdString();
            enabledFill = std::min(enabledFill, ratio);
        } else {
            disabledFill = std::min(disabledFill, ratio);
        }
    }
    EXPECT_LT(disabledFill, enabledFill);
    EXPECT_GT(disabledFill, 1.3);
}

INSTANTIATE_TEST_SUITE_P(Desktops, PanelLayoutTest, ::testing::Values(Desk::Dark, Desk::Light),
                         [](const auto& info) { return info.param == Desk::Light ? "Light" : "Dark"; });

} // namespace
} // namespace corv::ui
