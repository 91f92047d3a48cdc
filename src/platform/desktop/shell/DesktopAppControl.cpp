#include "platform/desktop/shell/DesktopAppControl.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace corv::desktop {

namespace {

constexpr const char* kOwnWindow = "corvadineOwnWindow";

} // namespace

void markOwnWindow(QWidget& window) { window.setProperty(kOwnWindow, true); }

void DesktopAppControl::hide() {
    // Widgets exist only under a QApplication.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    // Hiding one window may close or destroy another.
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isWindow() && w->isVisible() && w->property(kOwnWindow).toBool()) windows.emplace_back(w);
    for (const auto& w : windows)
        if (w) w->hide();
}

} // namespace corv::desktop
