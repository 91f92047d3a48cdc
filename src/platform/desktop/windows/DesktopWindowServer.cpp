#include "platform/desktop/windows/DesktopWindowServer.h"

#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

#include <QCursor>
#include <QGuiApplication>

#include <limits>

namespace corv::desktop {

X11Session& DesktopWindowServer::x11() { return x11_ ? *x11_ : X11Session::standard(); }

platform::Point DesktopWindowServer::cursorLocation(platform::WindowServerConnection) {
    // Under Wayland no client sees the pointer outside its own windows.
    if (compositor_) return compositor_->pointer().value_or(platform::Point{});
    // Qt's own answer is a round trip without a bound on X11: a server that
    // does not answer in time gives the origin.
    if (x11().connected()) return x11().pointer().value_or(platform::Point{});
    // Without a GUI application Qt knows no cursor and answers INT_MAX.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return {};
    const QPoint p = QCursor::pos();
    return platform::Point{static_cast<double>(p.x()), static_cast<double>(p.y())};
}

std::optional<platform::WindowAndOwner> DesktopWindowServer::findWindowAndOwner(platform::WindowServerConnection,
                                                                                platform::Point point) {
    if (compositor_) {
        // Where the desktop tells the focused window alone, it stands for
        // the one under the pointer.
        const auto window = compositor_->can(CompositorCapability::WindowUnderPointer)
                                ? compositor_->windowAt(point)
                                : focusedWindow(compositor_->windows());
        if (!window) return std::nullopt;
        return platform::WindowAndOwner{window->id, window->pid > 0 ? window->pid : 0};
    }
    auto& x = x11();
    const XWindowId window = x.clientAt(point);
    // X window ids have 29 bits.
    if (!window || window > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const std::int32_t pid = x.pidOf(window);
    return platform::WindowAndOwner{static_cast<std::uint32_t>(window), pid > 0 ? pid : 0};
}

std::optional<std::int32_t> DesktopWindowServer::connectionPid(platform::WindowServerConnection owner) {
    if (owner <= 0) return std::nullopt;
    return owner;
}

} // namespace corv::desktop
