#include "platform/desktop/DesktopWindowServer.h"

#include <QCursor>
#include <QGuiApplication>

namespace corv::desktop {

platform::Point DesktopWindowServer::cursorLocation(platform::WindowServerConnection) {
    // Without a GUI application Qt knows no cursor and answers INT_MAX.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    const QPoint p = QCursor::pos();
    return platform::Point{static_cast<double>(p.x()), static_cast<double>(p.y())};
}

} // namespace corv::desktop
