// The panel's frame: tabs, capture per tab, Escape, keyboard focus, hints,
// and pictures of it.

#include "Snapshot.h"
#include "ThroughWindow.h"
#include "recorders/RecorderFixture.h"

#include "ScriptedDialogs.h"
#include "app/MainWinManager.h"
#include "engine/ShortcutList.h"
#include "model/ActionTable.h"
#include "model/Options.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "ui/ButtonStyles.h"
#include "ui/ContentView.h"
#include "ui/CustomTabView.h"
#include "ui/HScrollBar.h"
#include "ui/HintWinManager.h"
#include "ui/Theme.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"
#include "ui/tabs/settings/SettingsTab.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/TrackpadTab.h"
#include "ui/tabs/trackpad/UrlEditor.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

namespace corv::ui {
namespace {

void press(QWidget* w) { test::click(w); }

class ContentViewTest : public test::RecorderTest {
protected:
    ContentViewTest() {
        enableEngineTaps();
        Apps::shared().a.modify([](AppEntries& a) { a[""] = AnApp{}; });
    }
    bool capturing() { return UIState::shared().bindingTabShowed.get() && gestureCaptureOn(); }
};

TEST_F(ContentViewTest, OnlyTheSelectedTabIsBuiltAndAPressSelectsAtItsStart) {
    std::vector<int> made;
    std::vector<TabDesc> tabs;
    for (int i = 0; i < 4; ++i)
        tabs.push_back({QString::number(i), "gearshape", [&made, i](QWidget* p) {
                            made.push_back(i);
                            auto* w = new QWidget(p);
                            w->setFixedHeight(100 + 50 * i);
                            return w;
                        }});
    Published<std::int64_t>& selection = Options::shared().tabSelection;
    selection.set(2);
    CustomTabView view(selection, tabs);
    view.QWidget::show();
    EXPECT_EQ(made, std::vector<int>{2});
    EXPECT_EQ(view.bar()->activeRect(), view.bar()->targetRect());  // no spring on first showing

    QPointer<QWidget> old = view.content();
    test::pressAt(view.bar()->button(0), test::centre(view.bar()->button(0)));
    EXPECT_EQ(selection.get(), 0);  // before the release
    EXPECT_EQ(made, (std::vector<int>{2, 0}));
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(view.bar()->corners(), (CornerRadii{15, 8, 8, 8}));
    test::releaseAt(view.bar()->button(0), test::centre(view.bar()->button(0)));

    // Coming back rebuilds; a stored value outside the tabs shows the first.
    press(view.bar()->button(2));
    EXPECT_EQ(made, (std::vector<int>{2, 0, 2}));
    selection.set(7);
    EXPECT_EQ(view.shownIndex(), 0);
    EXPECT_EQ(made.back(), 0);
}

TEST_F(ContentViewTest, TheTrackpadTabCapturesWhileItShows) {
    Options::shared().tabSelection.set(2);
    ContentView view;
    EXPECT_FALSE(capturing());
    view.show();
    EXPECT_FALSE(capturing());

    press(view.tabs()->bar()->button(0));
    EXPECT_EQ(Options::shared().tabSelection.get(), 0);
    EXPECT_TRUE(capturing());
    EXPECT_FALSE(on(engine::gestureTap()));

    // Leaving for another tab ends it; the panel closing ends it too.
    press(view.tabs()->bar()->button(3));
    EXPECT_FALSE(capturing());
    EXPECT_TRUE(on(engine::gestureTap()));
    press(view.tabs()->bar()->button(0));
    EXPECT_TRUE(capturing());
    // The tab bar itself captures nothing: the keyboard tab's own content does.
    press(view.tabs()->bar()->button(1));
    EXPECT_FALSE(capturing());
    EXPECT_FALSE(keyCaptureOn());
}

TEST_F(ContentViewTest, DroppingTheContentEndsCaptureAndTheViewHasThePanelsWidth) {
    Options::shared().tabSelection.set(0);
    {
        auto view = std::make_unique<ContentView>();
        view->show();
        EXPECT_TRUE(capturing());
        EXPECT_EQ(view->width(), 380);
        for (int i : {3, 2, 1, 0}) {
            press(view->tabs()->bar()->button(i));
            ASSERT_TRUE(test::atRest(view.get()));
            EXPECT_TRUE(test::snapshot(*view, "panel-tab" + std::to_string(i)));
            EXPECT_EQ(view->height(), view->sizeHint().height());
            // Scrolled content lets the panel's translucent ground through.
            for (QScrollArea* area : view->findChildren<QScrollArea*>())
                EXPECT_FALSE(area->widget() && area->widget()->autoFillBackground()) << i;
        }
    }
    EXPECT_FALSE(capturing());
}

TEST_F(ContentViewTest, EscapeInThePanelTakesAShownHelpHintDown) {
    Options::shared().tabSelection.set(3);
    ContentView view;
    view.show();
    auto& hints = HintWinManager::shared();
    hints.toggleHelp("Some help", platform::Rect{10, 10, 16, 16});
    sim->runLoop.advance(1.0);
    ASSERT_TRUE(hints.isVisible());
    QTest::keyClick(view.windowHandle(), Qt::Key_Escape);
    sim->runLoop.advance(1.0);
    EXPECT_FALSE(hints.isVisible());
}

template <class T>
T* findIn(QWidget& top) {
    for (QWidget* w : top.findChildren<QWidget*>())
        if (auto* t = dynamic_cast<T*>(w)) return t;
    return nullptr;
}

void escape(QWindow* window) { QTest::keyClick(window, Qt::Key_Escape); }

// Runs `step` inside the nested loop of a menu or a dialog about to open,
// once it is up (looked for during at most 2 s).
void inside(std::function<void()> step, int tries = 100) {
    QTimer::singleShot(20, qApp, [step = std::move(step), tries]() mutable {
        if (QApplication::activePopupWidget() || QApplication::activeModalWidget() || tries == 0) return step();
        inside(std::move(step), tries - 1);
    });
}

// Pixels near the accent colour on the ring round `w`, 1 to 2 points outside it.
int ringPixels(QWidget& top, QWidget* w) {
    const QImage shot = top.grab().toImage();
    const QRect r(w->mapTo(&top, QPoint(0, 0)), w->size());
    const QColor accent = accentColor();
    int n = 0;
    for (int d = 1; d <= 2; ++d) {
        const QRect ring = r.adjusted(-d, -d, d, d);
        for (int x = ring.left(); x <= ring.right(); ++x)
            for (int y : {ring.top(), ring.bottom()}) {
                if (!shot.rect().contains(x, y)) continue;
                const QColor c = shot.pixelColor(x, y);
                if (std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green()) +
                        std::abs(c.blue() - accent.blue()) < 90)
                    ++n;
            }
    }
    return n;
}

const recorders::GesPath kSwipe{2, ActGes::Swipe, 0, ActDir::Left};

// Escape closes the topmost layer, one press each: a hint, then a popover, a
// menu or the reset confirmation, and only then the panel.
TEST_F(ContentViewTest, EscapeClosesTheTopmostLayerOnePressEach) {
    AnApp editor;
    editor.url = Url::fileFromPath("/usr/share/applications/org.example.Editor.desktop", "/");
    setEntry("org.example.Editor.desktop", editor);
    Apps::shared().a.modify([](AppEntries& a) { a[""].ges[kSwipe.fgr][kSwipe.ges][kSwipe.mod][kSwipe.dir] = BindAction{}; });
    auto& panel = app::MainWinManager::shared();
    auto& hints = HintWinManager::shared();
    enum class Layer { Popover, Menu, Confirmation };
    const struct {
        const char* name;
        int tab;
        bool hint;
        Layer layer;
    } cases[] = {
        {"an action menu", 0, false, Layer::Menu},
        {"hint over a popover", 2, true, Layer::Popover},
        {"a popover", 2, false, Layer::Popover},
        {"the reset confirmation", 3, false, Layer::Confirmation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A key popover selects its application; each case starts on the global profile.
        select("");
        Options::shared().tabSelection.set(c.tab);
        panel.showPanel(std::nullopt);
        ContentView view;
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        QWindow* window = view.windowHandle();
        if (c.layer == Layer::Popover) {
            exceptions::AppRow* row = findIn<exceptions::ExceptionsTab>(view)->row("org.example.Editor.desktop");
            ASSERT_TRUE(row);
            test::click(row->keyboardButton());
            ASSERT_TRUE(row->keyPopover());
            if (c.hint) {
                hints.toggleHelp("Some help", platform::Rect{10, 10, 16, 16});
                sim->runLoop.advance(1.0);
                ASSERT_TRUE(hints.isVisible());
                escape(window);
                EXPECT_FALSE(hints.isVisible());
                EXPECT_TRUE(row->keyPopover() && row->keyPopover()->isVisible());
            }
            escape(window);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !row->keyPopover() || !row->keyPopover()->isVisible(); }));
        } else if (c.layer == Layer::Menu) {
            trackpad::BindingRow* row = findIn<trackpad::TrackpadTab>(view)->row(kSwipe);
            ASSERT_TRUE(row);
            // The first click on the action button highlights the row and opens the menu.
            bool menuShown = false, ran = false;
            inside([&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                menuShown = menu && menu->isVisible();
                if (menu) escape(menu->windowHandle());
                ran = true;
            });
            test::click(row->menuButton());
            EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 3000));
            EXPECT_TRUE(menuShown);
            EXPECT_EQ(recorders::GesHi::shared().h.get().dir, kSwipe.dir);
            EXPECT_FALSE(QApplication::activePopupWidget());
        } else {
            bool asked = false, ran = false;
            inside([&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box != nullptr;
                // As dark as the panel on a light desktop.
                EXPECT_LT(box ? box->palette().color(QPalette::Window).lightness() : 0, 80);
                if (box) escape(box->windowHandle());
                ran = true;
            });
            test::click(findIn<settings::SettingsTab>(view)->footerButton("Setting tab reset"));
            sim->runLoop.advance(0.1);
            EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 3000));
            EXPECT_TRUE(asked);
            EXPECT_FALSE(QApplication::activeModalWidget());
            EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
            EXPECT_FALSE(UIState::shared().quitWithoutSave.get());
        }
        EXPECT_TRUE(panel.showing.get());
        escape(window);
        EXPECT_FALSE(panel.showing.get());
        sim->runLoop.advance(1.0);
    }
}

// Tab, Tab, Tab shows a ring round what has the focus; a click hides it,
// and a clicked button takes no focus (no focus box stays on it).
TEST_F(ContentViewTest, FocusShowsAsARingOnlyWhenItCameFromTheKeyboard) {
    test::ScriptedDialogs dialogs;
    Options::shared().tabSelection.set(3);
    ContentView view;
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    for (int i = 0; i < 3; ++i) QTest::keyClick(view.windowHandle(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_TRUE(focused && view.isAncestorOf(focused));
    EXPECT_GT(ringPixels(view, focused), focused->width());
    EXPECT_TRUE(test::snapshot(view, "panel-focus-from-keyboard"));

    StyledButton* save = findIn<settings::SettingsTab>(view)->footerButton("Button save settings to file");
    test::click(save);
    sim->runLoop.advance(0.1);
    EXPECT_EQ(dialogs.saves.size(), 1u);
    EXPECT_FALSE(save->hasFocus());
    EXPECT_EQ(ringPixels(view, focused), 0);
    EXPECT_EQ(ringPixels(view, save), 0);
    EXPECT_TRUE(test::snapshot(view, "panel-focus-after-click"));

    // Picking an application by mouse hides the global profile's controls;
    // the focus Qt moves off a hidden one shows no ring.
    Apps::shared().a.modify([](AppEntries& a) { a["org.example.Alpha"].url = Url("file:///opt/Alpha.app"); });
    Options::shared().tabSelection.set(0);
    ContentView fresh;
    fresh.show();
    fresh.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fresh));
    for (const std::string id : {"", "org.example.Alpha", ""}) {
        auto* strip = findIn<HScrollBar>(fresh);
        ASSERT_TRUE(strip && strip->cellFor(id));
        test::click(strip->cellFor(id));
        sim->runLoop.advance(0.1);
        QApplication::processEvents();
        if (QWidget* now = QApplication::focusWidget()) {
            EXPECT_EQ(ringPixels(fresh, now), 0) << id << ": " << now->metaObject()->className();
        }
    }
}

// The bolt of a launch-target row: with shortcuts it opens their menu and
// the next click works at once; with none it takes no click. A hint shown
// on a control goes when the control goes with its tab.
TEST_F(ContentViewTest, TheBoltsMenuHintAndTheNextClickAcrossATabSwitch) {
    BindAction url = action(ActionId::Url);
    url.appName = "https://example.com/page";
    url.hotkeyName = "Example site";
    Apps::shared().a.modify([&](AppEntries& a) { a[""].ges[kSwipe.fgr][kSwipe.ges][kSwipe.mod][kSwipe.dir] = url; });
    auto& hints = HintWinManager::shared();
    for (const std::vector<std::string>& names : {std::vector<std::string>{"Make GIF"}, std::vector<std::string>{}}) {
        SCOPED_TRACE(names.size());
        Options::shared().tabSelection.set(0);
        ContentView view;
        view.show();
        // The tab asks for the names as it opens; here they are these.
        sim->runLoop.advance(0.1);
        engine::ShortcutList::shared().names = names;
        trackpad::BindingRow* row = findIn<trackpad::TrackpadTab>(view)->row(kSwipe);
        ASSERT_TRUE(row);
        // The target's name shows whole, every character in the font.
        EXPECT_EQ(row->menuButton()->text(), "Example site");
        test::click(row->title());
        sim->runLoop.advance(0.1);
        ASSERT_TRUE(row->editor());
        QToolButton* bolt = nullptr;
        for (auto* b : row->editor()->findChildren<QToolButton*>())
            if (b->accessibleName().toStdString() == platform::localized("Hint shortcuts")) bolt = b;
        ASSERT_TRUE(bolt);
        test::hover(bolt, test::centre(bolt));
        sim->runLoop.advance(1.0);
        if (!names.empty()) {
            EXPECT_TRUE(hints.isVisible());
        }
        QStringList listed;
        bool ran = false;
        inside(
            [&] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    for (QAction* a : menu->actions()) listed << a->text();
                    escape(menu->windowHandle());
                }
                ran = true;
            },
            10);
        test::click(bolt);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 3000));
        EXPECT_EQ(listed, names.empty() ? QStringList{} : QStringList{"Make GIF"});
        EXPECT_FALSE(QApplication::activePopupWidget());
        // Another tab at the next click, with the pointer not yet off the bolt.
        test::pressAt(view.tabs()->bar()->button(3), test::centre(view.tabs()->bar()->button(3)));
        EXPECT_EQ(Options::shared().tabSelection.get(), 3);
        sim->runLoop.advance(1.0);
        EXPECT_FALSE(hints.isVisible());
        test::releaseAt(view.tabs()->bar()->button(3), test::centre(view.tabs()->bar()->button(3)));
    }
    engine::ShortcutList::shared().names.clear();
}

} // namespace
} // namespace corv::ui
