// The program's panel on a real X server: a click on the tray icon drops it
// with the trackpad tab, whose rows take clicks.

// The desktop platform's headers use Qt's keywords.
#undef QT_NO_KEYWORDS

#include "app/CorvadineApp.h"
#include "model/Apps.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "recorders/Highlights.h"
#include "ui/ContentView.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/TrackpadTab.h"

#include "platform/desktop/DesktopPlatform.h"
#include "support/NoInputDevices.h"
#include "platform/desktop/DesktopWindows.h"
#include "support/Xvfb.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

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

        QWidget* tray = nullptr;
        ASSERT_TRUE(spinUntil([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && std::strcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0) tray = w;
            return tray != nullptr;
        }));
        QTest::mouseClick(tray, Qt::LeftButton, {}, tray->rect().center());

        trackpad::TrackpadTab* tab = nullptr;
        ASSERT_TRUE(spinUntil([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && (tab = findIn<trackpad::TrackpadTab>(w))) return true;
            return false;
        }));
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

} // namespace
} // namespace corv::ui
