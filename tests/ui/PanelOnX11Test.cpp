// The program's panel on a real X server: a click on the tray icon drops it
// with the trackpad tab, whose rows take clicks; the exceptions tab adds an
// application of the desktop's entries.

// The desktop platform's headers use Qt's keywords.
#undef QT_NO_KEYWORDS

#include "app/CorvadineApp.h"
#include "model/ApplicationSets.h"
#include "model/Apps.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "recorders/Highlights.h"
#include "ui/ContentView.h"
#include "ui/CustomTabView.h"
#include "ui/tabs/exceptions/AppPicker.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/TrackpadTab.h"

#include "platform/desktop/DesktopPlatform.h"
#include "support/NoInputDevices.h"
#include "platform/desktop/DesktopWindows.h"
#include "support/Xvfb.h"

#include <QApplication>
#include <QLabel>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

namespace corv::ui {
namespace {

const QString kNoBus = QStringLiteral("unix:path=/nonexistent/corvadine-test-bus");

// The panel's widgets have no meta-object of their own: findChild cannot tell them apart.
template <class T>
T* findIn(QWidget* top) {
    for (QWidget* w : top->findChildren<QWidget*>())
        if (auto* t = dynamic_cast<T*>(w)) return t;
    return nullptr;
}

template <class F>
bool spinUntil(F done) {
    for (int i = 0; i < 200 && !done(); ++i) QTest::qWait(25);
    return done();
}

// The visible panel window holding a T, once there is one.
template <class T>
T* shownIn() {
    T* found = nullptr;
    spinUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (found = findIn<T>(w))) return true;
        return false;
    });
    return found;
}

QWidget* trayIcon() {
    QWidget* tray = nullptr;
    spinUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && std::strcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0) tray = w;
        return tray != nullptr;
    });
    return tray;
}

TEST(PanelOnX11Test, ATrayClickOpensTheTrackpadTabWhoseRowsTakeClicks) {
    if (!test::runningOnXvfb()) return;
    QTemporaryDir dir;
    resetShared();
    {
        desktop::DesktopPlatform platform({dir.filePath("defaults.plist"), dir.filePath("autostart"), kNoBus, kNoBus,
                                           dir.filePath("instance"), test::noInputDevices(dir)});
        desktop::DesktopWindows::setContentFactory(&makeContentView);
        app::CorvadineApp entry;
        entry.launch();
        Options::shared().tabSelection.set(0);
        const recorders::GesPath swipe{2, ActGes::Swipe, 0, ActDir::Left};
        Apps::shared().a.modify([&](AppEntries& a) { a[""].ges[swipe.fgr][swipe.ges][swipe.mod][swipe.dir] = BindAction{}; });

        QWidget* tray = trayIcon();
        ASSERT_TRUE(tray);
        QTest::mouseClick(tray, Qt::LeftButton, {}, tray->rect().center());

        auto* tab = shownIn<trackpad::TrackpadTab>();
        ASSERT_TRUE(tab);
        QWidget* panel = tab->window();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
        EXPECT_EQ(panel->width(), 380);
        ASSERT_TRUE(findIn<ContentView>(panel));
        EXPECT_EQ(panel->height(), findIn<ContentView>(panel)->height());

        trackpad::BindingRow* row = tab->row(swipe);
        ASSERT_NE(row, nullptr);
        ASSERT_TRUE(row->isVisible());
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, row->height() / 2));
        const auto& h = recorders::GesHi::shared().h.get();
        EXPECT_EQ(h.fgr, swipe.fgr);
        EXPECT_EQ(h.ges, swipe.ges);
        EXPECT_EQ(h.dir, swipe.dir);

        // A second click on the icon closes it.
        QTest::mouseClick(tray, Qt::LeftButton, {}, tray->rect().center());
        EXPECT_TRUE(spinUntil([&] { return !panel->isVisible(); }));
        desktop::DesktopWindows::setContentFactory({});
    }
    resetShared();
}

// The desktop's own entries reach the exceptions tab: the tab bar opens it, the
// picker lists the installed applications, and a click there adds a row.
TEST(PanelOnX11Test, TheExceptionsTabAddsAnInstalledDesktopApplication) {
    if (!test::runningOnXvfb()) return;
    QTemporaryDir dir;
    for (const auto& [file, name] : {std::pair{"org.example.Alpha.desktop", "Alpha Notes"}, {"beta.desktop", "Beta"}}) {
        QDir().mkpath(dir.filePath("data/applications"));
        std::ofstream(dir.filePath(QString("data/applications/") + file).toStdString())
            << "[Desktop Entry]\nType=Application\nName=" << name << "\nIcon=text-x-generic\nExec=/bin/true\n";
    }
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath("none").toUtf8());
    resetShared();
    {
        desktop::DesktopPlatform platform({dir.filePath("defaults.plist"), dir.filePath("autostart"), kNoBus, kNoBus,
                                           dir.filePath("instance"), test::noInputDevices(dir)});
        desktop::DesktopWindows::setContentFactory(&makeContentView);
        app::CorvadineApp entry;
        entry.launch();
        Options::shared().tabSelection.set(0);
        QWidget* tray = trayIcon();
        ASSERT_TRUE(tray);
        QTest::mouseClick(tray, Qt::LeftButton, {}, tray->rect().center());
        CustomTabView* tabs = shownIn<CustomTabView>();
        ASSERT_TRUE(tabs);
        TabButton* exceptionsButton = tabs->bar()->button(2);
        QTest::mouseClick(exceptionsButton, Qt::LeftButton, {}, exceptionsButton->rect().center());
        auto* tab = shownIn<exceptions::ExceptionsTab>();
        ASSERT_TRUE(tab);
        EXPECT_EQ(Options::shared().tabSelection.get(), 2);
        EXPECT_TRUE(tab->rows().empty());
        // The scans of the start and of the tab run in the background.
        ASSERT_TRUE(spinUntil([] { return ApplicationSets::shared().installedApps.size() >= 2; }));

        QTest::mouseClick(tab->addInstalledButton(), Qt::LeftButton);
        exceptions::AppPicker* picker = nullptr;
        ASSERT_TRUE(spinUntil([&] { return (picker = tab->picker()) && picker->isVisible(); }));
        std::map<std::string, QWidget*> listed;
        for (QWidget* row : picker->rows())
            for (QLabel* label : row->findChildren<QLabel*>())
                if (!label->text().isEmpty()) listed[label->text().toStdString()] = row;
        ASSERT_TRUE(listed.count("Alpha Notes") && listed.count("Beta"));
        QWidget* alpha = listed["Alpha Notes"];
        QTest::mouseMove(alpha);
        QTest::mouseClick(alpha, Qt::LeftButton, {}, alpha->rect().center());

        ASSERT_TRUE(spinUntil([&] { return tab->row("org.example.Alpha") && tab->row("org.example.Alpha")->isVisible(); }));
        EXPECT_TRUE(spinUntil([&] { return !tab->picker(); }));
        ASSERT_TRUE(Apps::shared().a.get().count("org.example.Alpha"));
        EXPECT_EQ(Apps::shared().a.get().at("org.example.Alpha").url,
                  Url::fileFromPath(dir.filePath("data/applications/org.example.Alpha.desktop").toStdString(), "/"));
        EXPECT_EQ(tab->rows().size(), 1u);

        QTest::mouseClick(tray, Qt::LeftButton, {}, tray->rect().center());
        EXPECT_TRUE(spinUntil([&] { return !tabs->window()->isVisible(); }));
        desktop::DesktopWindows::setContentFactory({});
    }
    resetShared();
}

} // namespace
} // namespace corv::ui
