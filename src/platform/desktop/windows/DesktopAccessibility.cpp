#include "platform/desktop/windows/DesktopAccessibility.h"

#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

#include <algorithm>

namespace corv::desktop {

namespace {

// An element is its kind in the top byte and a pid or window id below.
enum class Kind : std::uint64_t { None = 0, Application = 1, Window = 2, FullScreenButton = 3 };
constexpr int kKindShift = 56;
constexpr std::uint64_t kValueMask = (std::uint64_t{1} << kKindShift) - 1;

platform::AXElement element(Kind kind, std::uint64_t value) {
    return platform::AXElement{(static_cast<std::uint64_t>(kind) << kKindShift) | (value & kValueMask)};
}
Kind kindOf(platform::AXElement e) { return static_cast<Kind>(e.id >> kKindShift); }
std::uint64_t valueOf(platform::AXElement e) { return e.id & kValueMask; }

constexpr const char* kFullScreen = "_NET_WM_STATE_FULLSCREEN";

std::int32_t windowPid(CompositorWindows& compositor, CompositorWindowId id) {
    const auto window = windowById(compositor.windows(), id);
    return window ? window->pid : -1;
}

} // namespace

std::optional<platform::AXValue> DesktopAccessibility::compositorValue(platform::AXElement e,
                                                                       const std::string& attribute) {
    switch (kindOf(e)) {
    case Kind::Application:
        if (attribute == "AXFocusedWindow") {
            const auto focused = focusedWindow(compositor_->windows());
            if (focused && focused->pid == static_cast<std::int32_t>(valueOf(e)))
                return platform::AXValue(element(Kind::Window, focused->id));
            return platform::AXValue(std::monostate{});
        }
        return std::nullopt;
    case Kind::Window: {
        const auto id = static_cast<CompositorWindowId>(valueOf(e));
        if (attribute == "AXFullScreen") {
            // A state that cannot be changed is not offered.
            if (!compositor_->can(CompositorCapability::FullScreen)) return std::nullopt;
            const auto window = windowById(compositor_->windows(), id);
            if (!window) return std::nullopt;
            return platform::AXValue(window->fullScreen);
        }
        if (attribute == "AXFullScreenButton") return platform::AXValue(element(Kind::FullScreenButton, id));
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

X11Session& DesktopAccessibility::x11() { return x11_ ? *x11_ : X11Session::standard(); }

platform::AXElement DesktopAccessibility::createApplication(std::int32_t pid) {
    if (pid <= 0) return platform::AXElement{0};
    return element(Kind::Application, static_cast<std::uint64_t>(pid));
}

std::optional<std::vector<platform::AXValue>> DesktopAccessibility::copyAttributeValues(platform::AXElement e,
                                                                                         const std::string& attribute,
                                                                                         std::int64_t index,
                                                                                         std::int64_t maxValues) {
    auto& x = x11();
    if (kindOf(e) != Kind::Application || attribute != "AXWindows" || (!compositor_ && !x.connected()) || index < 0 ||
        maxValues < 0)
        return std::nullopt;
    const auto pid = static_cast<std::int32_t>(valueOf(e));
    std::vector<platform::AXValue> windows;
    // Front first, as applications list their windows.
    if (compositor_) {
        const auto list = compositor_->windows();
        for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it)
            if (it->pid == pid) windows.emplace_back(element(Kind::Window, it->id));
    } else {
        const auto stack = x.clientPids();
        for (auto it = stack.rbegin(); it != stack.rend(); ++it)
            if (it->second == pid) windows.emplace_back(element(Kind::Window, it->first));
    }
    if (windows.empty()) return std::nullopt;
    const auto from = std::min<std::size_t>(static_cast<std::size_t>(index), windows.size());
    const auto to = std::min<std::size_t>(from + static_cast<std::size_t>(maxValues), windows.size());
    return std::vector<platform::AXValue>(windows.begin() + static_cast<std::ptrdiff_t>(from),
                                          windows.begin() + static_cast<std::ptrdiff_t>(to));
}

std::optional<platform::AXValue> DesktopAccessibility::copyAttributeValue(platform::AXElement e,
                                                                          const std::string& attribute) {
    if (compositor_) return compositorValue(e, attribute);
    auto& x = x11();
    if (!x.connected()) return std::nullopt;
    switch (kindOf(e)) {
    case Kind::Application:
        if (attribute == "AXFocusedWindow") {
            const XWindowId active = x.activeWindow();
            if (active && x.pidOf(active) == static_cast<std::int32_t>(valueOf(e)))
                return platform::AXValue(element(Kind::Window, active));
            return platform::AXValue(std::monostate{});
        }
        return std::nullopt;
    case Kind::Window:
        if (attribute == "AXFullScreen") return platform::AXValue(x.hasState(valueOf(e), kFullScreen));
        if (attribute == "AXFullScreenButton") return platform::AXValue(element(Kind::FullScreenButton, valueOf(e)));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool DesktopAccessibility::setAttributeValue(platform::AXElement e, const std::string& attribute,
                                             const platform::AXValue& value) {
    const auto* on = std::get_if<bool>(&value);
    if (kindOf(e) != Kind::Window || attribute != "AXFullScreen" || !on) return false;
    if (compositor_) return compositor_->setFullScreen(static_cast<CompositorWindowId>(valueOf(e)), *on);
    if (!x11().connected()) return false;
    x11().changeState(valueOf(e), *on ? X11Session::StateAction::Add : X11Session::StateAction::Remove, kFullScreen);
    return true;
}

bool DesktopAccessibility::performAction(platform::AXElement e, const std::string& action) {
    if (compositor_) {
        const auto window = static_cast<CompositorWindowId>(valueOf(e));
        if (kindOf(e) == Kind::Window && action == "AXRaise") return compositor_->activate(window);
        if (kindOf(e) == Kind::FullScreenButton && action == "AXZoomWindow") return compositor_->toggleMaximized(window);
        return false;
    }
    auto& x = x11();
    if (!x.connected()) return false;
    if (kindOf(e) == Kind::Window && action == "AXRaise") {
        x.activate(valueOf(e));
        return true;
    }
    if (kindOf(e) == Kind::FullScreenButton && action == "AXZoomWindow") {
        x.changeState(valueOf(e), X11Session::StateAction::Toggle, "_NET_WM_STATE_MAXIMIZED_VERT",
                      "_NET_WM_STATE_MAXIMIZED_HORZ");
        return true;
    }
    return false;
}

std::optional<std::int32_t> DesktopAccessibility::pid(platform::AXElement e) {
    if (kindOf(e) == Kind::Application) return static_cast<std::int32_t>(valueOf(e));
    if (kindOf(e) != Kind::Window) return std::nullopt;
    const std::int32_t pid = compositor_ ? windowPid(*compositor_, static_cast<CompositorWindowId>(valueOf(e)))
                                         : x11().pidOf(valueOf(e));
    if (pid <= 0) return std::nullopt;
    return pid;
}

std::optional<std::uint32_t> DesktopAccessibility::windowId(platform::AXElement e) {
    if (kindOf(e) != Kind::Window) return std::nullopt;
    return static_cast<std::uint32_t>(valueOf(e));
}

} // namespace corv::desktop
