#include "platform/desktop/DesktopWindowServer.h"

#include <QCursor>

namespace corv::desktop {

platform::Point DesktopWindowServer::cursorLocation(platform::WindowServerConnection) {
    const QPoint p = QCursor::pos();
    return platform::Point{static_cast<double>(p.x()), static_cast<double>(p.y())};
}

} // namespace corv::desktop
