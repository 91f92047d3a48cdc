// Model headers come before Qt's, whose keywords clash with them.
#include "recorders/RecorderFixture.h"

#include "engine/CurrentApp.h"
#include "model/ActionTable.h"
#include "model/ApplicationSets.h"
#include "model/ModifierMask.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "platform/desktop/apps/DesktopAppFolders.h"
#include "recorders/BindingPaths.h"
#include "recorders/Highlights.h"
#include "ui/ConfirmDelButton.h"
#include "ui/DisabledCover.h"
#include "ui/HScrollBar.h"
#include "ui/HintWinManager.h"
#include "ui/Theme.h"
#include "ui/tabs/exceptions/AppPicker.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/exceptions/ExceptionRules.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"
#include "ui/tabs/trackpad/BindingRow.h"

#include "ui/ScriptedDialogs.h"
#include "ui/Snapshot.h"
#include "ui/ThroughWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QPointer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

namespace corv::test {
namespace {

using namespace ui;
using namespace ui::exceptions;
using recorders::GesPath;

const std::string kEditor = "org.example.Editor.desktop";
const std::string kZoom = "us.zoom.Zoom";
const std::string kCalendar = "com.example.calendar";
const GesPath kSwipeLeft{2, ActGes::Swipe, 0, ActDir::Left};
const GesPath kTap3{3, ActGes::Tap, 0, ActDir::None};
const GesPath kTap1{1, ActGes::Tap, 0, ActDir::None};
constexpr std::uint64_t kEsc = 53, kReturn = 36, kCmd = 0x10;

BindAction& slot(AnApp& a, const GesPath& p) { return a.ges[p.fgr][p.ges][p.mod][p.dir]; }

AnApp appAt(const std::string& path) {
    AnApp a;
    a.url = Url::fileFromPath(path, "/");
    return a;
}

// A click as the user makes it: through the window, where Qt finds the widget.
void clickThroughWindow(QWidget* w) {
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, w->rect().center()));
}

// An icon theme of the test's own, one tile per name, in place of the
// machine's while it lives.
class IconTheme {
public:
    explicit IconTheme(std::initializer_list<std::pair<const char*, QColor>> icons)
        : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
        const QString root = dir_.filePath("hicolor");
        QDir().mkpath(root + "/48x48/apps");
        QDir().mkpath(root + "/16x16/apps");
        QFile index(root + "/index.theme");
        index.open(QIODevice::WriteOnly);
        index.write("[Icon Theme]\nName=hicolor\nDirectories=48x48/apps,16x16/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n"
                    "\n[16x16/apps]\nSize=16\nType=Fixed\n");
        index.close();
        for (const auto& [name, color] : icons) {
            // A name starting "small" comes in 16 points only, as many themes' icons do.
            const int size = QString(name).startsWith("small") ? 16 : 48;
            QPixmap pm(size, size);
            pm.fill(color);
            pm.save(root + QString("/%1x%1/apps/").arg(size) + name + ".png");
        }
        QIcon::setThemeSearchPaths({dir_.path()});
        QIcon::setThemeName("hicolor");
    }
    ~IconTheme() {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setThemeName(name_);
    }

private:
    QTemporaryDir dir_;
    QStringList paths_;
    QString name_;
};

// The exceptions tab on the simulated machine: a global profile with two
// gestures and two keys; an editor with its own bindings, a switched-off
// Zoom and a locked calendar.
class ExceptionsTest : public RecorderTest {
protected:
    ExceptionsTest() {
        ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1440, 900}, "sim"};
        AnApp global;
        global.lct = true;
        slot(global, kSwipeLeft) = action(ActionId::SwipeBack);
        slot(global, kTap3) = action(ActionId::ZoomWindow);
        global.key[kEsc][0] = action(ActionId::Sleep);
        global.key[kReturn][kCmd] = action(ActionId::MediaNext);
        setEntry("", global);
        // The editor is a desktop entry with its theme icon.
        sim->appFolders.desktopApps = {
            {"org.example.Editor", "Editor", "/usr/share/applications/org.example.Editor.desktop", "editor", ""},
            {"mail", "Mail", "/usr/share/applications/mail.desktop", "mail", ""},
            {"notes", "Notes", "/usr/share/applications/notes.desktop", "small-notes", ""}};
        AnApp editor = appAt("/usr/share/applications/org.example.Editor.desktop");
        slot(editor, kSwipeLeft) = action(ActionId::MediaNext);
        slot(editor, kTap1) = action(ActionId::SwipeBack);
        editor.key[kEsc][0] = action(ActionId::Sleep);
        setEntry(kEditor, editor);
        AnApp zoom = appAt("/Applications/Zoom.app");
        zoom.enabled = false;
        setEntry(kZoom, zoom);
        AnApp cal = appAt("/Applications/calendar.app");
        cal.gesLock = cal.keyLock = true;
        setEntry(kCalendar, cal);
    }
    ~ExceptionsTest() override { tab.reset(); }

    void open() {
        tab = std::make_unique<ExceptionsTab>(nullptr);
        tab->setPalette(ui::panelPalette());
        tab->setAutoFillBackground(true);
        // Where the panel stands: at the top right, below a tray.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        tab->move(screen.right() + 1 - ui::kPanelWidth, screen.top() + 30);
        tab->show();
        settle();
        // Each showing looks for the installed applications again.
        EXPECT_EQ(sim->background.pendingCount(), 1u);
        tab->hide();
        tab->show();
        EXPECT_EQ(sim->background.pendingCount(), 2u);
    }
    static void press(QWidget* w) { test::click(w); }
    // A press or a bare click through the window, then the turns it queued.
    void pressSettled(QWidget* w) {
        press(w);
        settle();
    }
    void clickSettled(QWidget* w) {
        clickThroughWindow(w);
        settle();
    }
    static bool has(const std::string& id) { return Apps::shared().a.get().count(id) > 0; }
    void snap(QWidget& w, const std::string& name) { EXPECT_TRUE(snapshot(w, "exceptions-" + name)); }

    // Flips of the two capture states, counted.
    struct Flips {
        int gesOn = 0, gesOff = 0, keyOn = 0, keyOff = 0;
        Subscription a = UIState::shared().bindingTabShowed.subscribe([this](bool on) { ++(on ? gesOn : gesOff); });
        Subscription b = UIState::shared().keyboardTabShowing.subscribe([this](bool on) { ++(on ? keyOn : keyOff); });
    };

    IconTheme icons{{"editor", QColor(230, 160, 40)}, {"mail", QColor(60, 170, 230)},
                    {"small-notes", QColor(90, 200, 120)}, {"application-x-executable", QColor(150, 150, 150)}};
    std::unique_ptr<ExceptionsTab> tab;
};

TEST_F(ExceptionsTest, ListOrderNamesAndRowsWithSnapshot) {
    AnApp root = appAt("/");
    setEntry("Terminal", root);
    EXPECT_EQ(appListOrder(Apps::shared().a.get()),
              (std::vector<std::string>{"Terminal", kCalendar, kEditor, kZoom}));  // "/" first, case ignored
    EXPECT_EQ(appRowName("Terminal"), "Terminal");
    EXPECT_TRUE(matchesSearch("Über Notes", "üBER"));
    EXPECT_FALSE(matchesSearch("Notes", "notes "));
    // A desktop entry goes by its Name, in the order too.
    EXPECT_EQ(appRowName(kEditor), "Editor");
    Apps::shared().a.modify([](AppEntries& a) { a.erase("Terminal"); });

    open();
    ASSERT_EQ(tab->rows().size(), 3u);
    EXPECT_EQ(tab->rows()[0]->appid(), kCalendar);
    AppRow* zoom = tab->row(kZoom);
    EXPECT_FALSE(zoom->checkBox()->isOn());
    // Its name and glyphs dim; the check box keeps its colour.
    EXPECT_EQ(zoom->nameLabel()->palette().color(QPalette::WindowText), ui::dimLabelColor());
    EXPECT_EQ(zoom->keyboardButton()->palette().color(QPalette::WindowText), ui::dimLabelColor());
    EXPECT_EQ(zoom->deleteButton()->color(), ui::dimLabelColor());
    EXPECT_TRUE(tab->row(kEditor)->checkBox()->isOn());
    EXPECT_EQ(tab->row(kEditor)->nameLabel()->text(), "Editor");
    // A desktop entry's icon comes from the icon theme.
    const auto pixel = [](AppRow* r) { return r->iconLabel()->pixmap().toImage().pixelColor(16, 16); };
    EXPECT_EQ(pixel(tab->row(kEditor)), QColor(230, 160, 40));
    EXPECT_EQ(pixel(zoom), QColor(150, 150, 150));
    // Each header label fits its button whole.
    for (QAbstractButton* b : {tab->addRunningButton(), tab->addManuallyButton()})
        EXPECT_LE(QFontMetricsF(b->font()).horizontalAdvance(b->text()), b->width() - 16) << b->text().toStdString();
    snap(*tab, "list");

    // A long name shrinks to 0.8 of its size, and no further, before it is cut.
    FittedLabel* name = tab->row(kEditor)->nameLabel();
    EXPECT_EQ(name->fittedPixelSize(), 16);
    name->setText(QString(60, 'W'));
    EXPECT_EQ(name->fittedPixelSize(), 13);
    name->setText(QString::fromStdString(appRowName(kEditor)));

    // The check box, or the padding round it, switches the entry and nothing else.
    const AppEntries before = Apps::shared().a.get();
    QWidget* pad = zoom->checkBox()->parentWidget();
    const QPoint below(pad->width() / 2, pad->height() - 1);
    ASSERT_EQ(test::hitAt(pad, below), pad);
    test::clickAt(pad, below);
    settle();
    EXPECT_TRUE(entry(kZoom).enabled);
    AnApp back = entry(kZoom);
    back.enabled = false;
    EXPECT_EQ(back, before.at(kZoom));
    pressSettled(zoom->checkBox());
    EXPECT_FALSE(entry(kZoom).enabled);
    EXPECT_EQ(Apps::shared().a.get(), before);
}

// The pickers and the list order names beyond ASCII alike: by Unicode
// lower case, composed.
TEST_F(ExceptionsTest, PickersAndTheListOrderNamesAlike) {
    Apps::shared().a.modify([](AppEntries& a) { a = {{"", a.at("")}}; });
    const std::vector<std::string> names = {"\u0411rauzer", "\u0430rxiv", "zed", "\u00c9clair", "e\u0301t\u00e9",
                                            "Apple", "\u00e9cole"};
    ApplicationSet set;
    for (const std::string& name : names) {
        const std::string path = "/opt/" + name + ".app";
        set.insert(Application{Url::fileFromPath(path, "/"), name, "id." + name});
        setEntry("id." + name, appAt(path));
    }
    std::vector<std::string> picked;
    for (const Application& app : pickerRows(set, "")) picked.push_back(app.id);
    const std::vector<std::string> expected = {"id.Apple", "id.zed", "id.\u00c9clair", "id.\u00e9cole",
                                               "id.e\u0301t\u00e9", "id.\u0430rxiv", "id.\u0411rauzer"};
    EXPECT_EQ(picked, expected);
    EXPECT_EQ(appListOrder(Apps::shared().a.get()), expected);
}

TEST_F(ExceptionsTest, ManualAddMatrixKeepsTheDialogCountBalanced) {
    struct Case {
        const char* what;
        std::optional<std::string> chosen;
        std::optional<platform::AppItemValues> values;
        std::optional<std::string> identifier;
        bool added;
        bool alert;
    };
    const platform::AppItemValues app{true, true, false, false};
    const Case cases[] = {
        {"an application", "/opt/New.app", app, "org.example.new", true, false},
        {"a desktop entry", "/usr/share/applications/calc.desktop", app, "calc.desktop", true, false},
        {"cancelled", std::nullopt, app, "org.example.new", false, false},
        {"not an application", "/opt/notes.txt", platform::AppItemValues{true, false, false, false}, "x", false, false},
        {"not executable", "/opt/New.app", platform::AppItemValues{false, true, false, false}, "x", false, false},
        {"unreadable", "/opt/New.app", std::nullopt, "x", false, false},
        {"will not open", "/opt/Broken.app", app, std::nullopt, false, true},
        {"empty id", "/opt/Empty.app", app, "", false, false},
        {"a duplicate", "/opt/Other.app", app, kZoom, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim->appFolders.values.clear();
        sim->appFolders.identifiers.clear();
        if (c.chosen && c.values) sim->appFolders.values[*c.chosen] = *c.values;
        if (c.chosen && c.identifier) sim->appFolders.identifiers[*c.chosen] = *c.identifier;
        const AppEntries before = Apps::shared().a.get();
        UIApp::shared().id.set(kEditor);
        ScriptedDialogs dialogs;
        dialogs.openAnswers.push_back(c.chosen);
        addAppManually();
        ASSERT_EQ(dialogs.opens.size(), 1u);
        EXPECT_EQ(dialogs.opens[0].title, "Choose an app to add");
        EXPECT_EQ(dialogs.countsSeen.front(), 1);
        EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
        EXPECT_EQ(dialogs.alerts.size(), c.alert ? 1u : 0u);
        if (c.alert) {
            EXPECT_EQ(dialogs.alerts[0].message, "Corvadine");
            EXPECT_EQ(dialogs.alerts[0].informative, platform::localized("Message invalid"));
        }
        if (c.added) {
            const AnApp& e = entry(*c.identifier);
            EXPECT_TRUE(e.enabled);
            EXPECT_EQ(e.url, Url::fileFromPath(*c.chosen, "/"));
            EXPECT_EQ(e.ges, entry("").ges);
            EXPECT_EQ(e.key, entry("").key);
            EXPECT_TRUE(e.lct);
            EXPECT_FALSE(e.gesLock || e.keyLock);
            EXPECT_EQ(UIApp::shared().id.get(), "");
            Apps::shared().a.modify([&](AppEntries& a) { a.erase(*c.identifier); });
        } else {
            EXPECT_EQ(Apps::shared().a.get(), before);
            EXPECT_EQ(UIApp::shared().id.get(), kEditor);
        }
    }
    // While another dialog shows, the button does nothing.
    ScriptedDialogs dialogs;
    open();
    clickSettled(tab->addManuallyButton());
    ASSERT_EQ(dialogs.opens.size(), 1u);
    ASSERT_EQ(dialogs.opens[0].filters.size(), 1u);
    EXPECT_EQ(dialogs.opens[0].filters[0].suffixes, std::vector<std::string>{"desktop"});
    EXPECT_EQ(dialogs.opens[0].directory, sim->appFolders.entryFolder);
    dialogs.opens.clear();
    UIState::shared().openDialog();
    addAppManually();
    EXPECT_TRUE(dialogs.opens.empty());
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 1);
    UIState::shared().closeDialog();
    UIState::shared().closeDialog();
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
}

TEST_F(ExceptionsTest, PickersAddTheClickedRecordNotTheHoveredOne) {
    const Application mail{Url::fileFromPath("/usr/share/applications/mail.desktop", "/"), "Mail", "mail.desktop"};
    const Application maps{Url::fileFromPath("/Applications/Maps.app", "/"), "maps", "com.example.maps"};
    const Application noId{Url::fileFromPath("/opt/x", "/"), "Nameless", ""};
    ApplicationSets::shared().installedApps = {mail, maps, noId};
    engine::CurrentApp::shared().settingsKey = kEditor;
    open();

    tab->showInstalledPicker();
    QPointer<AppPicker> picker = tab->picker();
    ASSERT_TRUE(picker);
    ASSERT_EQ(picker->rows().size(), 3u);
    picker->search()->setText("MA");
    EXPECT_EQ(picker->rows().size(), 2u);
    picker->search()->setText("ma ");
    EXPECT_TRUE(picker->rows().empty());
    picker->search()->setText("");
    // Down walks from the field along the rows, Up back to the field.
    const auto key = [&](Qt::Key k) {
        QTest::keyClick(picker->windowHandle(), k);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(key(Qt::Key_Down), picker->rows()[0]);
    EXPECT_EQ(key(Qt::Key_Down), picker->rows()[1]);
    EXPECT_EQ(key(Qt::Key_Up), picker->rows()[0]);
    EXPECT_EQ(key(Qt::Key_Up), picker->search());
    EXPECT_EQ(key(Qt::Key_Up), picker->search());
    // The pointer rests on Maps, then leaves; the press on Mail adds Mail.
    picker->setHovered(maps);
    snap(*picker, "installed-picker");
    picker->setHovered(std::nullopt);
    pressSettled(picker->rows()[0]);
    EXPECT_TRUE(!picker || !picker->isVisible());  // closed, and let go
    ASSERT_TRUE(has("mail.desktop"));
    EXPECT_FALSE(has("com.example.maps"));
    EXPECT_EQ(entry("mail.desktop").url, mail.url);
    EXPECT_EQ(engine::CurrentApp::shared().settingsKey, "");
    EXPECT_EQ(tab->rows().size(), 4u);

    // No id, or an id already there: nothing changes.
    UIApp::shared().id.set(kEditor);
    const AppEntries before = Apps::shared().a.get();
    addPickedApp(noId);
    addPickedApp(Application{Url::fileFromPath("/x/Zoom.app", "/"), "Zoom", kZoom});
    addPickedApp(std::nullopt);
    EXPECT_EQ(Apps::shared().a.get(), before);
    EXPECT_EQ(UIApp::shared().id.get(), kEditor);

    // The running picker lists what runs at the press, by its id.
    auto& term = sim->workspace.addApp(77, "", "Terminal");
    term.bundlePath.reset();
    term.executablePath = "/usr/bin/term";
    tab->showRunningPicker();
    ASSERT_TRUE(tab->picker());
    ASSERT_EQ(tab->picker()->rows().size(), 1u);
    // Typed and taken with Return in the field.
    for (char c : std::string("ter")) QTest::keyClick(tab->picker()->windowHandle(), c);
    QTest::keyClick(tab->picker()->windowHandle(), Qt::Key_Return);
    settle();
    ASSERT_TRUE(has("Terminal"));
    EXPECT_EQ(entry("Terminal").url, Url::fileFromPath("/usr/bin/term", "/"));
    EXPECT_TRUE(ApplicationSets::shared().allApps.empty());
}

// Two desktop entries that start one interpreter are two applications: a
// profile kept under the interpreter shows as the program, and the pickers
// add each entry by its own id.
TEST_F(ExceptionsTest, TwoEntriesStartingOneInterpreterAreAddedApart) {
    QTemporaryDir dir;
    const std::filesystem::path root = dir.path().toStdString();
    std::filesystem::create_directories(root / "data/applications");
    std::ofstream(root / "python3") << "#!/bin/sh\n";
    std::filesystem::permissions(root / "python3", std::filesystem::perms::owner_all);
    const std::string program = std::filesystem::canonical(root / "python3").string();
    for (const char* name : {"One", "Two"})
        std::ofstream(root / "data/applications" / ("org.example." + std::string(name) + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nIcon=mail\nExec=" << program << " -m "
            << name << " %U\nTryExec=" << program << "\n";
    desktop::DesktopAppFolders folders({(root / "none").string()}, {(root / "data").string()});
    platform::Services s = platform::installedServices();
    s.appFolders = &folders;
    platform::install(s);
    setEntry(program, appAt(program));

    open();
    sim->background.runAll();
    settle();
    const std::size_t rows = tab->rows().size();
    AppRow* row = tab->row(program);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->nameLabel()->text(), "python3");
    for (const char* name : {"Two", "One"}) {
        clickSettled(tab->addInstalledButton());
        ASSERT_TRUE(tab->picker());
        tab->picker()->search()->setText(name);
        ASSERT_EQ(tab->picker()->rows().size(), 1u);
        pressSettled(tab->picker()->rows()[0]);
        const std::string id = "org.example." + std::string(name);
        ASSERT_TRUE(has(id)) << id;
        ASSERT_TRUE(tab->row(id));
        EXPECT_EQ(tab->row(id)->nameLabel()->text(), name);
    }
    EXPECT_EQ(tab->rows().size(), rows + 2);
    ASSERT_TRUE(tab->row(program));
    EXPECT_EQ(tab->row(program)->nameLabel()->text(), "python3");
    s.appFolders = &sim->appFolders;
    platform::install(s);
}

TEST_F(ExceptionsTest, DeletingResetsTheCurrentAndSelectedApp) {
    open();
    UIApp::shared().id.set(kCalendar);
    engine::CurrentApp::shared().settingsKey = kCalendar;
    ui::ConfirmDelButton* del = tab->row(kZoom)->deleteButton();
    test::click(del);
    settle();
    EXPECT_TRUE(has(kZoom));  // the first click only asks
    test::click(del);
    settle();
    EXPECT_FALSE(has(kZoom));
    EXPECT_EQ(UIApp::shared().id.get(), "");
    EXPECT_EQ(engine::CurrentApp::shared().settingsKey, "");
    EXPECT_EQ(tab->rows().size(), 2u);
    EXPECT_FALSE(tab->row(kZoom));
}

TEST_F(ExceptionsTest, EachPopoverBeginsAndEndsItsCaptureOnce) {
    open();
    Flips flips;
    AppRow* editor = tab->row(kEditor);
    pressSettled(editor->nameArea());
    ASSERT_TRUE(editor->gesturePopover());
    EXPECT_EQ(UIApp::shared().id.get(), kEditor);
    // A click outside closes it and opens no other.
    pressSettled(editor->nameArea());
    EXPECT_TRUE(!editor->gesturePopover() || !editor->gesturePopover()->isVisible());
    EXPECT_EQ(flips.gesOn, 1);
    EXPECT_EQ(flips.gesOff, 1);
    EXPECT_FALSE(gestureCaptureOn());

    AppRow* zoom = tab->row(kZoom);
    pressSettled(zoom->keyboardButton());
    ASSERT_TRUE(zoom->keyPopover());
    EXPECT_EQ(UIApp::shared().id.get(), kZoom);
    EXPECT_TRUE(UIState::shared().keyboardTabShowing.get());
    // An import or rebuild drops the row with its popover open.
    Apps::shared().a.modify([](AppEntries& a) { a.erase(kZoom); });
    settle();
    EXPECT_FALSE(tab->row(kZoom));
    EXPECT_EQ(flips.keyOn, 1);
    EXPECT_EQ(flips.keyOff, 1);
    EXPECT_FALSE(UIState::shared().keyboardTabShowing.get());

    // The tab goes with a popover open.
    pressSettled(tab->row(kCalendar)->nameArea());
    tab.reset();
    EXPECT_EQ(flips.gesOn, 2);
    EXPECT_EQ(flips.gesOff, 2);
    EXPECT_FALSE(UIState::shared().bindingTabShowed.get());

    // Ending is idempotent.
    PopoverCapture c(kEditor, Capture::Gesture);
    c.begin();
    c.end();
    c.end();
    EXPECT_EQ(flips.gesOn, 3);
    EXPECT_EQ(flips.gesOff, 3);
}

// With a popover open, one click on another row's keyboard glyph closes it
// and opens that row's key popover; the row whose popover closed keeps no
// hover ground once the pointer has left it.
TEST_F(ExceptionsTest, TheClickThatClosesAPopoverReachesItsControlAndNoHoverStays) {
    open();
    AppRow* editor = tab->row(kEditor);
    AppRow* cal = tab->row(kCalendar);
    QWidget* area = editor->nameArea();
    const QImage plain = area->grab().toImage();
    test::hover(tab.get(), QPoint(2, 2));
    test::hover(area, test::centre(area));
    EXPECT_NE(area->grab().toImage(), plain);
    pressSettled(area);
    ASSERT_TRUE(editor->gesturePopover());
    test::click(cal->keyboardButton());
    settle();
    EXPECT_FALSE(editor->gesturePopover() && editor->gesturePopover()->isVisible());
    ASSERT_TRUE(cal->keyPopover());
    EXPECT_TRUE(cal->keyPopover()->isVisible());
    EXPECT_EQ(area->grab().toImage(), plain);
    cal->keyPopover()->close();
    settle();
}

TEST_F(ExceptionsTest, GesturePopoverMergesRowsLoadsGlobalAndRemovesAll) {
    open();
    pressSettled(tab->row(kEditor)->nameArea());
    GesturePopover* pop = tab->row(kEditor)->gesturePopover();
    ASSERT_TRUE(pop);
    snap(*pop, "gesture-popover");
    const auto rows = pop->rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->ref().path.fgr, 1u);  // own only: overridden
    EXPECT_EQ(rows[0]->lineColor(), ui::overriddenBindingColor());
    EXPECT_EQ(rows[1]->lineColor(), ui::overriddenBindingColor());  // differs from the global
    EXPECT_EQ(rows[2]->lineColor(), ui::dimLabelColor());            // the global's alone
    EXPECT_EQ(pop->dividerCount(), 2);  // own 1 finger stands above 2 and 3
    test::hover(pop->lockButton(), test::centre(pop->lockButton()));
    EXPECT_EQ(HintWinManager::shared().currentText, platform::localized("Exception hint button lock"));
    ToggleCombo* left = pop->clickToggle(ui::trackpad::ClickFlag::Left);
    EXPECT_TRUE(left->helpButton());
    EXPECT_EQ(left->titleLabel()->palette().color(QPalette::WindowText), ui::overriddenBindingColor());
    // A press flips the application's flag; back at the global's value it turns primary.
    const bool wasOn = entry(kEditor).lct;
    test::clickSwitch(left);
    EXPECT_EQ(entry(kEditor).lct, !wasOn);
    pop->refresh();
    EXPECT_EQ(left->isOn(), !wasOn);
    EXPECT_EQ(left->color(), entry(kEditor).lct == entry("").lct ? ui::primaryColor() : ui::overriddenBindingColor());
    test::clickSwitch(left);
    pop->refresh();

    // A global-only finger count makes no divider.
    EXPECT_EQ(popoverGestureList(kCalendar).size(), 2u);
    for (const auto& g : popoverGestureList(kCalendar)) EXPECT_FALSE(g.divider);

    // Load global: two turns later the copy lands, flags included. The tools
    // act on the popover's application whatever the panel selects.
    UIApp::shared().id.set("");
    const AnApp global = entry("");
    test::click(pop->loadGlobalButton());
    turn();
    EXPECT_NE(entry(kEditor).ges, entry("").ges);
    settle();
    EXPECT_EQ(entry(kEditor).ges, entry("").ges);
    EXPECT_TRUE(entry(kEditor).lct);
    EXPECT_EQ(entry(kEditor).key.size(), 1u);
    for (auto* r : pop->rows()) EXPECT_EQ(r->lineColor(), ui::primaryColor());

    // Remove all: no bindings, no click-through; keys and locks stay.
    test::click(pop->removeAllButton());
    settle();
    EXPECT_TRUE(entry(kEditor).ges.empty());
    EXPECT_FALSE(entry(kEditor).lct || entry(kEditor).rct || entry(kEditor).sct);
    EXPECT_EQ(entry(kEditor).key.size(), 1u);
    for (auto* r : pop->rows()) EXPECT_EQ(r->lineColor(), ui::dimLabelColor());
    EXPECT_EQ(entry(""), global);

    // A copy whose entry went meanwhile writes nothing and makes nothing.
    test::click(pop->loadGlobalButton());
    Apps::shared().a.modify([](AppEntries& a) { a.erase(kEditor); });
    settle();
    EXPECT_FALSE(has(kEditor));
    EXPECT_FALSE(UIState::shared().bindingTabShowed.get());
}

TEST_F(ExceptionsTest, KeyPopoverAddsOrdersAndShowsItsOverlayGap) {
    open();
    pressSettled(tab->row(kEditor)->keyboardButton());
    KeyPopover* pop = tab->row(kEditor)->keyPopover();
    ASSERT_TRUE(pop);
    ASSERT_EQ(pop->rows().size(), 2u);
    EXPECT_EQ(pop->rows()[0]->row().slot.key, kReturn);
    EXPECT_FALSE(pop->rows()[0]->row().delEn);  // the global's, dimmed
    EXPECT_TRUE(pop->rows()[1]->row().delEn);
    for (const auto& [button, hint] : {std::pair<QWidget*, std::string>{pop->addButton(), "Add a key binding"},
                                       {pop->removeAllButton(), "Remove all key bindings of this application"}}) {
        test::hover(button, test::centre(button));
        EXPECT_EQ(HintWinManager::shared().currentText, hint);
    }

    UIApp::shared().id.set("");
    // A row added: the popover grows down, its add button stays under the pointer.
    const int top = pop->y();
    const QPoint add = pop->addButton()->mapToGlobal(QPoint());
    test::click(pop->addButton());
    settle();
    EXPECT_EQ(pop->y(), top);
    EXPECT_EQ(pop->addButton()->mapToGlobal(QPoint()), add);
    test::click(pop->addButton());
    settle();
    EXPECT_FALSE(entry("").key.count(0xFFFF));
    ASSERT_EQ(pop->rows().size(), 3u);
    EXPECT_EQ(pop->rows()[2]->row().slot.key, 0xFFFFu);
    EXPECT_EQ(entry(kEditor).key.at(0xFFFF).size(), 1u);
    EXPECT_EQ(recorders::KeyHighlighted::shared().h.get().key, std::optional<std::uint64_t>(0xFFFF));
    EXPECT_TRUE(recorders::KeyHighlighted::shared().h.get().src);
    snap(*pop, "key-popover");

    // Deferred copy into a deleted entry: nothing comes back.
    test::click(pop->loadGlobalButton());
    EXPECT_FALSE(recorders::KeyHighlighted::shared().h.get().key);
    Apps::shared().a.modify([](AppEntries& a) { a.erase(kEditor); });
    settle();
    EXPECT_FALSE(has(kEditor));

    // The disabled overlay's top gap.
    for (auto [h, top] : {std::pair{0.0, 0.0}, {65.0, 0.0}, {165.0, 50.0}, {265.0, 100.0}, {900.0, 100.0}})
        EXPECT_EQ(disabledMessageTop(h), top) << h;
    // The least height that holds a message of m below that gap.
    for (auto [m, h] : {std::pair{40, 40}, {65, 65}, {80, 95}, {165, 265}, {200, 300}}) {
        EXPECT_EQ(disabledCoverHeightFor(m), h) << m;
        EXPECT_GE(h - disabledMessageTop(h), m) << m;
        EXPECT_LT(h - 1 - disabledMessageTop(h - 1), m) << m;
    }
    pressSettled(tab->row(kZoom)->keyboardButton());
    KeyPopover* off = tab->row(kZoom)->keyPopover();
    ASSERT_TRUE(off);
    EXPECT_TRUE(off->cover()->isVisible());
    EXPECT_FALSE(off->header()->isEnabled());
    snap(*off, "key-popover-disabled");
    // Every tool of its header is drawn as faint as the others.
    std::vector<int> tools;
    for (auto* b : off->header()->findChildren<QAbstractButton*>())
        if (b->width() < 40) tools.push_back(drawnAlpha(*b));
    ASSERT_GE(tools.size(), 4u);
    EXPECT_LE(*std::max_element(tools.begin(), tools.end()), 2 * *std::min_element(tools.begin(), tools.end()));
    // The keyboard reaches nothing under the cover either.
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(off->windowHandle(), Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        EXPECT_FALSE(f && off->isAncestorOf(f)) << i << ": " << typeid(*f).name();
    }
}

// The icon strip shows each application by the icon its row shows, every
// icon at the same size (a theme's 16-point one too), so the names line up.
TEST_F(ExceptionsTest, TheIconStripAndTheListShowEachApplicationsOwnIcon) {
    AnApp mail = appAt("/usr/share/applications/mail.desktop");
    setEntry("mail.desktop", mail);
    setEntry("notes.desktop", appAt("/usr/share/applications/notes.desktop"));
    open();
    HScrollBar strip(UIApp::shared().id, [](const std::string&) {});
    strip.show();
    settle();
    const auto centre = [](QWidget* w) {
        const QImage image = w->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    };
    struct Case {
        std::string id;
        QColor icon;
    };
    const int nameX = tab->row(kEditor)->nameLabel()->mapTo(tab.get(), QPoint()).x();
    for (const Case& c : {Case{kEditor, QColor(230, 160, 40)}, Case{"mail.desktop", QColor(60, 170, 230)},
                          Case{"notes.desktop", QColor(90, 200, 120)}, Case{kCalendar, QColor(150, 150, 150)}}) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(strip.cellFor(c.id));
        ASSERT_TRUE(tab->row(c.id));
        EXPECT_EQ(centre(tab->row(c.id)->iconLabel()), c.icon);
        EXPECT_EQ(centre(strip.cellFor(c.id)), c.icon);
        EXPECT_EQ(tab->row(c.id)->iconLabel()->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        EXPECT_EQ(tab->row(c.id)->nameLabel()->mapTo(tab.get(), QPoint()).x(), nameX);
    }
    snap(*tab, "icons-of-one-size");
}

// While a row of either popover records, the keys held show in it.
TEST_F(ExceptionsTest, BothPopoversShowTheKeysHeldDuringACapture) {
    open();
    Typist typist(*sim);

    clickSettled(tab->row(kEditor)->keyboardButton());
    KeyPopover* keys = tab->row(kEditor)->keyPopover();
    ASSERT_TRUE(keys);
    clickSettled(keys->addButton());
    ASSERT_EQ(keys->rows().size(), 3u);
    ASSERT_EQ(keys->rows().back()->row().slot.key, 0xFFFFu);
    typist.hold(kCommandKey, EventFlag::Command);
    settle();
    EXPECT_EQ(keys->rows().back()->keyCell()->text().toStdString(), "Super+");
    typist.release(kCommandKey, EventFlag::Command);
    keys->hide();
    settle();

    clickSettled(tab->row(kEditor)->nameArea());
    GesturePopover* gestures = tab->row(kEditor)->gesturePopover();
    ASSERT_TRUE(gestures);
    ASSERT_FALSE(gestures->rows().empty());
    clickSettled(gestures->rows()[0]->title());
    ASSERT_EQ(recorders::GesHi::shared().h.get().fgr, gestures->rows()[0]->ref().path.fgr);
    typist.hold(kCommandKey, EventFlag::Command);
    settle();
    EXPECT_EQ(gestures->rows()[0]->menuButton()->text().trimmed().toStdString(), "Super+");
    typist.release(kCommandKey, EventFlag::Command);
}

// Each popup window lies inside the screen's work area with its tools in
// reach, however high the tab stands and however long its list.
TEST_F(ExceptionsTest, PopoversAndThePickerStayInsideTheScreenAndScrollWhenTooTall) {
    AnApp editor = entry(kEditor);
    for (std::uint64_t f : {2u, 3u, 4u})
        for (ActDir d : {ActDir::Left, ActDir::Right, ActDir::Up, ActDir::Down})
            slot(editor, GesPath{f, ActGes::Swipe, 0, d}) = action(ActionId::MediaNext);
    setEntry(kEditor, editor);
    ApplicationSet many;
    for (int i = 0; i < 60; ++i)
        many.insert({Url::fileFromPath("/opt/app" + std::to_string(i), "/"), "App " + std::to_string(i),
                        "app" + std::to_string(i)});
    ApplicationSets::shared().installedApps = many;
    open();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto inside = [&](QWidget* w) { return screen.contains(QRect(w->mapToGlobal(QPoint(0, 0)), w->size())); };

    const auto clear = [](QWidget* popup, QWidget* anchor) {
        return !popup->frameGeometry().intersects(QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size()));
    };

    // The row at the screen's top edge, then at its bottom edge, then the
    // tab at the screen's left edge, where the popups go right of it.
    QWidget* name = tab->row(kEditor)->nameArea();
    const int offset = name->mapTo(tab.get(), QPoint(0, 0)).y();
    for (auto [left, top] : {std::pair{400, screen.bottom() - name->height()}, std::pair{400, screen.top()},
                             std::pair{0, screen.top() + 300}}) {
        tab->move(screen.left() + left, top - offset);
        pressSettled(tab->row(kEditor)->nameArea());
        GesturePopover* pop = tab->row(kEditor)->gesturePopover();
        ASSERT_TRUE(pop && pop->isVisible()) << top;
        EXPECT_TRUE(inside(pop)) << top << " " << pop->frameGeometry().y();
        EXPECT_TRUE(clear(pop, name)) << left << " " << pop->frameGeometry().x();
        for (QWidget* tool : {static_cast<QWidget*>(pop->loadGlobalButton()), static_cast<QWidget*>(pop->removeAllButton()),
                              static_cast<QWidget*>(pop->lockButton())})
            EXPECT_TRUE(inside(tool)) << top;
        pop->close();
        settle();

        tab->showInstalledPicker();
        AppPicker* picker = tab->picker();
        ASSERT_TRUE(picker && picker->isVisible());
        EXPECT_EQ(picker->rows().size(), 60u);
        EXPECT_TRUE(inside(picker)) << top << " " << picker->frameGeometry().y();
        EXPECT_TRUE(inside(picker->search()));
        EXPECT_TRUE(clear(picker, tab->addInstalledButton())) << left << " " << picker->frameGeometry().x();
        picker->close();
        settle();
    }

    // Switched off with no bindings of its own nor global ones: the lists
    // are empty, yet each popover shows the message whole.
    for (const std::string& id : {std::string(), std::string(kZoom)}) {
        AnApp none = entry(id);
        none.key.clear();
        none.ges.clear();
        setEntry(id, none);
    }
    settle();
    const auto emptyUnderAWholeMessage = [](auto* p) {
        ASSERT_TRUE(p);
        ASSERT_TRUE(p->cover()->isVisible());
        EXPECT_TRUE(p->rows().empty());
        const QRect m = static_cast<DisabledCover*>(p->cover())->message()->geometry();
        EXPECT_TRUE(p->cover()->rect().contains(QRect(m.topLeft(), QSize(m.width(), m.height()))));
    };
    pressSettled(tab->row(kZoom)->nameArea());
    GesturePopover* gestures = tab->row(kZoom)->gesturePopover();
    ASSERT_NO_FATAL_FAILURE(emptyUnderAWholeMessage(gestures));
    gestures->close();
    settle();
    pressSettled(tab->row(kZoom)->keyboardButton());
    KeyPopover* off = tab->row(kZoom)->keyPopover();
    ASSERT_NO_FATAL_FAILURE(emptyUnderAWholeMessage(off));
    QLabel* message = off->coverMessage();
    // Its two lines stand apart by the message's gap.
    const int line = QFontMetrics(message->font()).lineSpacing();
    EXPECT_GE(message->heightForWidth(message->width()), 2 * line + kMessageLineGap);
    EXPECT_LT(message->heightForWidth(message->width()), 3 * line);
    EXPECT_TRUE(inside(off));
    snap(*off, "key-popover-switched-off-empty");
}

} // namespace
} // namespace corv::test
