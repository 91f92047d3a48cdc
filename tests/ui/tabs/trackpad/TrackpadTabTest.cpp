// Model headers come before Qt's, whose keywords clash with them.
#include "recorders/RecorderFixture.h"

#include "engine/MultitouchDevices.h"
#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/Options.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "recorders/BindingDisplayText.h"
#include "recorders/CaptureTabs.h"
#include "recorders/GesBindingEdits.h"
#include "ui/AppToggle.h"
#include "ui/ConfirmDelButton.h"
#include "ui/DisabledCover.h"
#include "ui/SymbolButton.h"
#include "ui/HintWinManager.h"
#include "ui/OutterFrame.h"
#include "ui/SelectAllTextField.h"
#include "ui/Theme.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/trackpad/ActionMenu.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/HelpPanes.h"
#include "ui/tabs/trackpad/ProfileTools.h"
#include "ui/tabs/trackpad/TrackpadTab.h"
#include "ui/tabs/trackpad/UrlEditor.h"

#include <QLayout>

#include "ui/Snapshot.h"
#include "ui/ThroughWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>

#include <memory>
#include <optional>

namespace corv::test {
namespace {

using namespace ui;
using namespace ui::trackpad;
using namespace recorders;

const std::string kApp = "com.example.Editor";
const std::string kFollower = "com.example.follower";
const std::string kLocked = "com.example.locked";

const GesPath kSwipeLeft{2, ActGes::Swipe, 0, ActDir::Left};
const GesPath kRotate{2, ActGes::Rotate, 0, ActDir::CW};

BindAction& slot(AnApp& a, const GesPath& p) { return a.ges[p.fgr][p.ges][p.mod][p.dir]; }

// The trackpad tab on the simulated machine: a global profile with Swipe
// Left and Rotate, an application with its own Swipe Left, a follower and a
// locked application holding the global's bindings.
class TrackpadTabTest : public RecorderTest {
protected:
    TrackpadTabTest() {
        ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1440, 900}, "sim"};
        AnApp global;
        slot(global, kSwipeLeft) = action(ActionId::SwipeBack);
        slot(global, kRotate) = action(ActionId::ZoomWindow);
        setEntry("", global);
        AnApp app;
        app.url = Url("file:///usr/share/applications/Editor.app");
        slot(app, kSwipeLeft) = action(ActionId::MediaNext);
        setEntry(kApp, app);
        setEntry(kFollower, global);
        AnApp locked = global;
        locked.gesLock = true;
        setEntry(kLocked, locked);
    }
    ~TrackpadTabTest() override { tab.reset(); }

    void open() {
        tab = std::make_unique<TrackpadTab>(nullptr);
        // As the panel shows it: its palette on an opaque ground.
        tab->setPalette(ui::panelPalette());
        tab->setAutoFillBackground(true);
        tab->show();
        settle();
    }
    // A click at the point, through the widget's window.
    static void press(QWidget* w, QPoint at = {-1, -1}) {
        if (at.x() < 0) at = test::centre(w);
        test::clickAt(w, at);
    }
    static void key(QWidget* w, int code, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(w, &down);
        QKeyEvent up(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QApplication::sendEvent(w, &up);
    }
    static void type(QWidget* w, const QString& text) {
        for (QChar c : text) key(w, 0, QString(c));
    }
    BindingRow* row(const GesPath& p) { return tab->row(p); }
    static BindAction at(const std::string& app, const GesPath& p) { return *recorders::gesBindingAt(entry(app), p); }
    static bool has(const std::string& app, const GesPath& p) { return recorders::gesBindingAt(entry(app), p).has_value(); }
    static QAction* find(QMenu& m, std::int64_t act) {
        for (QAction* a : m.actions())
            if (a->property("act").toLongLong() == act && !a->isSeparator()) return a;
        return nullptr;
    }
    void snap(QWidget& w, const std::string& name) { EXPECT_TRUE(snapshot(w, "trackpad-" + name)); }

    std::unique_ptr<TrackpadTab> tab;
};

TEST_F(TrackpadTabTest, RowsMergeTheGlobalOnesInOrderAndKeepToTheBudget) {
    open();
    snap(*tab, "global-profile");
    ASSERT_TRUE(tab->pane());  // fresh settings: the one-finger pane
    EXPECT_EQ(tab->pane()->fingers(), 1);
    EXPECT_TRUE(tab->helpRow()->isVisible());
    EXPECT_FALSE(tab->appHeader()->isVisible());
    // The click-through switches sit in the panel's titled frame.
    ui::OutterFrame* frame = nullptr;  // no meta-object: findChild cannot tell it apart
    for (QWidget* w : tab->findChildren<QWidget*>())
        if (auto* f = dynamic_cast<ui::OutterFrame*>(w)) frame = f;
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->section()->objectName(), "clickThroughSection");
    EXPECT_FALSE(frame->outline().isEmpty());

    select(kApp);
    settle();
    snap(*tab, "app-overridden-rows");
    EXPECT_FALSE(tab->pane());
    EXPECT_TRUE(tab->appHeader()->isVisible());
    const auto rows = tab->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], row(kSwipeLeft));  // Swipe before Rotate
    EXPECT_EQ(rows[0]->title()->text(), QString::fromUtf8("2F Swipe \u2190"));
    EXPECT_EQ(rows[0]->lineColor(), ui::overriddenBindingColor());
    EXPECT_EQ(rows[0]->ref().appid, kApp);
    EXPECT_EQ(rows[1]->title()->text(), QString::fromUtf8("2F Rotate \u21BB"));  // a sign the font draws
    EXPECT_EQ(rows[1]->lineColor(), ui::dimLabelColor());
    EXPECT_EQ(rows[1]->ref().appid, "");
    EXPECT_FALSE(rows[1]->ref().delEn);

    // A short screen leaves the list a budget of H − 322, and none below 322.
    for (int i = 0; i < 12; ++i)
        Apps::shared().a.modify([&](AppEntries& all) { slot(all[kApp], {1, ActGes::Tap, std::uint64_t(i), ActDir::None}); });
    ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1440, 400}, "short"};
    tab->refresh();
    EXPECT_EQ(tab->list()->height(), 39);  // the one-finger pane keeps its half
    ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1440, 300}, "tiny"};
    tab->refresh();
    EXPECT_EQ(tab->list()->height(), 0);
}

TEST_F(TrackpadTabTest, AClickedRowThenAGestureAndKeysRecordIntoTheRow) {
    Trackpad pad(*sim, kMagicTrackpad);
    engine::startMultitouchDevices();
    enableEngineTaps();
    Typist kb(*sim);
    open();
    press(row(kRotate)->title());
    settle();
    EXPECT_EQ(GesHi::shared().h.get(), (GesHilited{2, ActGes::Rotate, 0, ActDir::CW}));
    EXPECT_TRUE(GesHi::shared().byClick.get());
    EXPECT_EQ(row(kRotate)->lineColor(), ui::accentTextColor());
    EXPECT_TRUE(keyCaptureOn());

    // A three-finger swipe makes its row and moves the highlight there.
    pad.dockSwipe(3, 1, {0.1, 0.3});
    settle();
    const GesPath swipe3{3, ActGes::Swipe, 0, ActDir::Left};
    ASSERT_TRUE(row(swipe3));
    EXPECT_EQ(row(swipe3)->lineColor(), ui::accentTextColor());
    kb.hold(kCommandKey, flag::Command);
    settle();
    snap(*tab, "highlighted-row-recording");
    EXPECT_EQ(row(swipe3)->menuButton()->text(), QStringLiteral("Super+"));
    kb.press(key::A);
    kb.release(kCommandKey, flag::Command);
    settle();
    const BindAction recorded = at("", swipe3);
    EXPECT_TRUE(recorded.isHotkey);
    EXPECT_EQ(recorded.hotkeyMod, 0x100100u);
    EXPECT_EQ(recorded.hotkeyKey, key::A);
    EXPECT_EQ(row(swipe3)->menuButton()->text().toStdString(), recorders::bindingDisplayText(ActGes::Swipe, recorded, 0));
    // A press on empty space clears the highlight.
    press(tab.get(), QPoint(2, tab->height() - 2));
    EXPECT_EQ(GesHi::shared().h.get().fgr, 0u);
}

TEST_F(TrackpadTabTest, MenuChoicesWriteAndCarryOverOnTheGlobalProfile) {
    ApplicationSets::shared().runningApps = {Application{Url("file:///apps/Beta.app"), "Beta", "com.beta"},
                                            Application{Url("file:///apps/alpha.app"), "alpha", "com.alpha"}};
    open();
    press(row(kRotate)->title());
    settle();
    BindingRow* r = row(kRotate);
    AccentMenu& menu = *r->menu();
    fillActionMenu(menu, r->ref());
    QAction* launch = find(menu, ActionId::AppLaunch);
    ASSERT_TRUE(launch && launch->menu());
    const auto apps = launch->menu()->actions();
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps[0]->text(), "alpha");
    apps[1]->trigger();
    EXPECT_EQ(at("", kRotate).appName, "Beta");
    EXPECT_EQ(at("", kRotate).actionSel, ActionId::AppLaunch);
    EXPECT_EQ(at(kFollower, kRotate), at("", kRotate));
    EXPECT_EQ(at(kLocked, kRotate).actionSel, ActionId::ZoomWindow);

    fillActionMenu(menu, r->ref());
    EXPECT_TRUE(find(menu, ActionId::AppLaunch)->property("accent").toBool());
    EXPECT_TRUE(find(menu, ActionId::AppLaunch)->menu()->actions()[1]->property("accent").toBool());
    find(menu, ActionId::Url)->trigger();
    settle();
    EXPECT_EQ(at("", kRotate).actionSel, ActionId::Url);
    EXPECT_EQ(at("", kRotate).appName, "");
    EXPECT_EQ(at(kFollower, kRotate), at("", kRotate));
    ASSERT_TRUE(row(kRotate)->editor());
    type(row(kRotate)->editor()->targetField(), "https://example.org");
    EXPECT_EQ(at("", kRotate).appName, "https://example.org");

    fillActionMenu(menu, row(kRotate)->ref());
    int accented = 0;
    for (QAction* a : menu.actions()) accented += a->property("accent").toBool();
    EXPECT_EQ(accented, 1);
    // Drawn in the accent colour, never checked; the others in the plain colour.
    EXPECT_EQ(menu.entryTextColor(find(menu, ActionId::Url)), ui::accentTextColor());
    EXPECT_NE(menu.entryTextColor(find(menu, ActionId::AppLaunch)), ui::accentTextColor());
    for (QAction* a : menu.actions()) EXPECT_FALSE(menu.entryChecked(a)) << a->text().toStdString();
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    // Entries hint through the panel's hover hints, not tooltips.
    QAction* url = find(menu, ActionId::Url);
    EXPECT_TRUE(url->toolTip().isEmpty() || url->toolTip() == url->text());
    menu.setActiveAction(url);
    EXPECT_EQ(menu.hoveredEntry(), url);
    EXPECT_EQ(ui::HintWinManager::shared().currentText, url->property("hint").toString().toStdString());
    EXPECT_FALSE(ui::HintWinManager::shared().currentText.empty());
    snap(menu, "open-action-menu");
    menu.hide();
}

TEST_F(TrackpadTabTest, EditorCleansToOneLineAndCommitsIntoTheOriginalApp) {
    BindAction url = action(ActionId::Url);
    Apps::shared().a.modify([&](AppEntries& all) {
        slot(all[kApp], kRotate) = url;
        slot(all[""], kSwipeLeft) = url;
    });
    select(kApp);
    open();
    press(row(kRotate)->title());
    settle();
    UrlEditor* ed = row(kRotate)->editor();
    ASSERT_TRUE(ed);
    type(ed->nameField(), "  Docs");
    EXPECT_EQ(at(kApp, kRotate).hotkeyName, "  Docs");  // live, raw
    key(ed->nameField(), Qt::Key_Return, "\r");
    EXPECT_EQ(at(kApp, kRotate).hotkeyName, "Docs");
    QApplication::clipboard()->setText(" https://a.example/\npath \n");
    press(ed->pasteButton(UrlField::Target));
    EXPECT_EQ(at(kApp, kRotate).appName, "https://a.example/path");
    settle();
    snap(*tab, "url-editor");

    // Unfinished typing, then the selection moves to the global profile.
    type(ed->nameField(), " x");
    select("");
    settle();
    EXPECT_FALSE(row(kRotate) && row(kRotate)->editor());
    EXPECT_EQ(at(kApp, kRotate).hotkeyName, "Docs x");
    EXPECT_EQ(at("", kSwipeLeft).hotkeyName, "");
}

TEST_F(TrackpadTabTest, DeleteTakesTwoClicksWithinThreeSecondsAndFollowsOnGlobal) {
    open();
    ui::ConfirmDelButton* del = row(kSwipeLeft)->deleteButton();
    press(del);
    EXPECT_TRUE(del->armed());
    sim->runLoop.advance(3.0);
    EXPECT_FALSE(del->armed());
    press(del);
    sim->runLoop.advance(2.9);
    press(del);
    settle();
    EXPECT_FALSE(has("", kSwipeLeft));
    EXPECT_FALSE(has(kFollower, kSwipeLeft));
    EXPECT_TRUE(has(kLocked, kSwipeLeft));
    EXPECT_TRUE(has(kApp, kSwipeLeft));  // its own binding differs
    EXPECT_FALSE(row(kSwipeLeft));

    // An inherited row's button is disabled and takes no click.
    select(kApp);
    settle();
    ASSERT_TRUE(row(kRotate));
    press(row(kRotate)->deleteButton());
    press(row(kRotate)->deleteButton());
    EXPECT_TRUE(has("", kRotate));
}

TEST_F(TrackpadTabTest, HelpPanesHeaderToolsAndClickThroughSwitches) {
    Options::shared().showDescription.set(3);
    open();
    ASSERT_TRUE(tab->pane());
    EXPECT_EQ(tab->pane()->fingers(), 3);
    snap(*tab, "help-pane-open");
    press(tab->helpRow()->findChild<QToolButton*>("paneButton3"));
    settle();
    EXPECT_EQ(Options::shared().showDescription.get(), 0);
    EXPECT_FALSE(tab->pane());

    // A global switch copies the global's new value to unlocked apps; a
    // change made by other means copies nothing.
    Apps::shared().a.modify([](AppEntries& all) {
        all[""].lct = true;
        all[kFollower].lct = false;
        all[kLocked].lct = false;
    });
    settle();
    EXPECT_TRUE(tab->clickToggle(ClickFlag::Left)->isOn());
    EXPECT_FALSE(entry(kFollower).lct);
    test::clickSwitch(tab->clickToggle(ClickFlag::Left));
    test::clickSwitch(tab->clickToggle(ClickFlag::Left));
    EXPECT_TRUE(entry("").lct);
    EXPECT_TRUE(entry(kFollower).lct);
    EXPECT_FALSE(entry(kLocked).lct);

    // The header of a switched-off application covers the block whole, at
    // once: the list and the click-through section lie dimmed under it, its
    // message stands inside it with room at the sides, no click reaches a
    // switch under it, and the header's tools are drawn faint.
    select(kApp);
    settle();
    toggleAppEnabled();
    settle();
    snap(*tab, "app-disabled");
    auto* cover = dynamic_cast<DisabledCover*>(tab->cover());
    ASSERT_TRUE(cover);
    EXPECT_TRUE(cover->isVisible());
    ToggleCombo* left = tab->clickToggle(ClickFlag::Left);
    const auto inTab = [&](QWidget* w) { return QRect(w->mapTo(tab.get(), QPoint()), w->size()); };
    for (QWidget* w : {static_cast<QWidget*>(tab->list()), static_cast<QWidget*>(left),
                       static_cast<QWidget*>(tab->clickToggle(ClickFlag::Scroll))})
        EXPECT_TRUE(inTab(cover).contains(inTab(w))) << typeid(*w).name();
    auto* dim = dynamic_cast<QGraphicsOpacityEffect*>(tab->list()->parentWidget()->graphicsEffect());
    ASSERT_TRUE(dim);
    EXPECT_EQ(dim->opacity(), 0.5);
    QLabel* message = cover->message();
    EXPECT_TRUE(message->isVisible());
    EXPECT_GE(message->x(), kMessageSideGap);
    EXPECT_LE(message->geometry().right(), cover->width() - kMessageSideGap);
    EXPECT_LE(message->heightForWidth(message->width()), message->height());
    const bool lct = entry(kApp).lct;
    test::clickSwitch(left);
    settle();
    EXPECT_EQ(entry(kApp).lct, lct);
    // Nor does the keyboard: Tab never stops on a control under it.
    QWidget* body = tab->list()->parentWidget();
    tab->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    for (int i = 0; i < 24; ++i) {
        QTest::keyClick(tab->windowHandle(), Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        EXPECT_FALSE(f && body->isAncestorOf(f)) << i << ": " << typeid(*f).name();
    }
    std::vector<int> faint;
    for (auto* b : tab->appHeader()->findChildren<QToolButton*>())
        if (dynamic_cast<SymbolButton*>(b)) {
            EXPECT_FALSE(b->isEnabled());
            faint.push_back(drawnAlpha(*b));
        }
    ASSERT_EQ(faint.size(), 3u);

    // Switched on again: nothing covers the block; the same click acts.
    toggleAppEnabled();
    settle();
    EXPECT_FALSE(cover->isVisible());
    EXPECT_FALSE(tab->list()->parentWidget()->graphicsEffect());
    std::size_t i = 0;
    for (auto* b : tab->appHeader()->findChildren<QToolButton*>())
        if (dynamic_cast<SymbolButton*>(b)) {
            EXPECT_GT(drawnAlpha(*b), 2 * faint[i]) << i;
            ++i;
        }
    test::clickSwitch(left);
    settle();
    EXPECT_NE(entry(kApp).lct, lct);
}

// With no touchpad the open help pane says so, without a second note.
TEST_F(TrackpadTabTest, WithoutATouchpadTheTabSaysThereIsNone) {
    struct Case {
        const char* what;
        bool pad;
        const char* heading;
    };
    for (const Case& c : {Case{"no touchpad", false, "Trackpad tab no touchpad"}, Case{"a touchpad", true, "Help 1F"}}) {
        SCOPED_TRACE(c.what);
        std::optional<Trackpad> pad;
        if (c.pad) pad.emplace(*sim, kMagicTrackpad);
        open();
        auto* note = tab->findChild<QLabel*>("noTouchpad");
        ASSERT_TRUE(note);
        EXPECT_FALSE(note->isVisible());
        EXPECT_EQ(tab->pane()->heading().toStdString(), platform::localized(c.heading));
        if (!c.pad) snap(*tab, "no-touchpad");
        tab.reset();
        if (pad) sim->multitouch.removeDevice(pad->touchSurface());
    }
}

} // namespace
} // namespace corv::test
