#pragma once

// The settings tab on the simulated machine, with scripted dialogs and
// mouse helpers for its controls.

#include "recorders/RecorderFixture.h"

#include "ui/ScriptedDialogs.h"
#include "ui/ButtonStyles.h"
#include "ui/Theme.h"
#include "ui/IntSlider.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/settings/SettingsTab.h"
#include "ui/ThroughWindow.h"

#include <QApplication>
#include <QMouseEvent>

#include <memory>

namespace corv::test {

class SettingsTabFixture : public RecorderTest {
protected:
    SettingsTabFixture() { Apps::shared().setDefaultGlobalEntry(); }
    ~SettingsTabFixture() override { tab.reset(); }

    ui::settings::SettingsTab& open() {
        tab = std::make_unique<ui::settings::SettingsTab>(nullptr);
        tab->setPalette(ui::panelPalette());
        tab->setAutoFillBackground(true);
        tab->show();
        tab->adjustSize();
        return *tab;
    }

    // Through the widget's window, at x on its middle line.
    static void mouse(QWidget* w, QEvent::Type type, double x) {
        const QPoint at(int(x + 0.5), w->height() / 2);
        if (type == QEvent::MouseButtonPress) test::pressAt(w, at);
        else if (type == QEvent::MouseButtonRelease) test::releaseAt(w, at);
        else QTest::mouseMove(w->window()->windowHandle(), test::windowPoint(w, at));
    }
    // Where the fill ends, which a press grabs.
    static double handleX(ui::IntSlider* s) { return s->width() * s->fillFraction(); }
    // A press on the fill's end, moved by `steps` values, let go there.
    static void dragBy(ui::IntSlider* s, double stepWidth, int steps) {
        const double x0 = handleX(s);
        const double x1 = x0 + steps * stepWidth;
        mouse(s, QEvent::MouseButtonPress, x0);
        mouse(s, QEvent::MouseMove, (x0 + x1) / 2);
        mouse(s, QEvent::MouseMove, x1);
        mouse(s, QEvent::MouseButtonRelease, x1);
    }
    static void click(QWidget* w) {
        mouse(w, QEvent::MouseButtonPress, 2);
        mouse(w, QEvent::MouseButtonRelease, 2);
    }
    void pressToggle(const std::string& key) { test::clickSwitch(tab->toggle(key)); }
    // A footer button: its action runs on the next turn.
    void pressButton(const std::string& key) {
        test::click(tab->footerButton(key));
        turn();
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<ui::settings::SettingsTab> tab;
};

} // namespace corv::test
