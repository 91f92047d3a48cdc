#include "platform/desktop/x11/DesktopDisplays.h"

#include "platform/desktop/x11/X11Session.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace corv::desktop {

namespace {

QList<QScreen*> qtScreens() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    return QGuiApplication::screens();
}

} // namespace

std::optional<std::vector<platform::DisplayId>> DesktopDisplays::activeDisplayList(std::uint32_t maxDisplays) {
    std::vector<platform::DisplayId> ids;
    const auto list = qtScreens();
    for (qsizetype i = 0; i < list.size() && ids.size() < maxDisplays; ++i)
        ids.push_back(static_cast<platform::DisplayId>(i + 1));
    return ids;
}

std::optional<platform::DisplayMode> DesktopDisplays::currentMode(platform::DisplayId display) {
    const auto list = qtScreens();
    if (display == 0 || display > static_cast<platform::DisplayId>(list.size())) return std::nullopt;
    const QScreen* screen = list[static_cast<qsizetype>(display - 1)];
    const QSize size = screen->size() * screen->devicePixelRatio();
    return platform::DisplayMode{screen->refreshRate(), static_cast<std::uint64_t>(std::max(0, size.width())),
                                 static_cast<std::uint64_t>(std::max(0, size.height()))};
}

void DesktopDisplays::sleepDisplaysNow() { (x11_ ? *x11_ : X11Session::standard()).forceDisplayOff(); }

std::vector<platform::Screen> DesktopDisplays::screens() {
    std::vector<platform::Screen> result;
    for (const QScreen* screen : qtScreens()) {
        const QRect g = screen->geometry();
        result.push_back(platform::Screen{platform::Rect{static_cast<double>(g.x()), static_cast<double>(g.y()),
                                                         static_cast<double>(g.width()),
                                                         static_cast<double>(g.height())},
                                          screen->name().toStdString()});
    }
    return result;
}

} // namespace corv::desktop
