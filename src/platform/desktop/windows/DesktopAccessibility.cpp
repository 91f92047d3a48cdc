#include "platform/desktop/windows/DesktopAccessibility.h"

#include "platform/desktop/windows/CompositorWindows.h"

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

} // namespace

platform::AXElement DesktopAccessibility::createApplication(std::int32_t pid) {
    if (pid <= 0) return platform::AXElement{0};
    return element(Kind::Application, static_cast<std::uint64_t>(pid));
}

std::optional<std::vector<platform::AXValue>> DesktopAccessibility::copyAttributeValues(platform::AXElement e,
                                                                                         const std::string& attribute,
                                                                                         std::int64_t index,
                                                                                         std::int64_t maxValues) {
    if (kindOf(e) != Kind::Application || attribute != "AXWindows" || index < 0 || maxValues < 0) return std::nullopt;
    const auto pid = static_cast<std::int32_t>(valueOf(e));
    std::vector<platform::AXValue> windows;
    // Front first, as applications list their windows.
    const auto list = windows_.windows();
    for (auto it = list.windows.rbegin(); it != list.windows.rend(); ++it)
        if (it->pid == pid) windows.emplace_back(element(Kind::Window, it->id));
    if (windows.empty()) return std::nullopt;
    const auto from = std::min<std::size_t>(static_cast<std::size_t>(index), windows.size());
    const auto to = std::min<std::size_t>(from + static_cast<std::size_t>(maxValues), windows.size());
    return std::vector<platform::AXValue>(windows.begin() + static_cast<std::ptrdiff_t>(from),
                                          windows.begin() + static_cast<std::ptrdiff_t>(to));
}

std::optional<platform::AXValue> DesktopAccessibility::copyAttributeValue(platform::AXElement e,
                                                                          const std::string& attribute) {
    switch (kindOf(e)) {
    case Kind::Application:
        if (attribute == "AXFocusedWindow") {
            const auto focused = windows_.focused();
            if (focused && focused->pid == static_cast<std::int32_t>(valueOf(e)))
                return platform::AXValue(element(Kind::Window, focused->id));
            return platform::AXValue(std::monostate{});
        }
        return std::nullopt;
    case Kind::Window: {
        const auto id = static_cast<CompositorWindowId>(valueOf(e));
        if (attribute == "AXFullScreen") {
            // A state that cannot be changed is not offered.
            if (!windows_.can(CompositorCapability::FullScreen)) return std::nullopt;
            const auto on = windows_.fullScreen(id);
            if (!on) return std::nullopt;
            return platform::AXValue(*on);
        }
        if (attribute == "AXFullScreenButton") return platform::AXValue(element(Kind::FullScreenButton, id));
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool DesktopAccessibility::setAttributeValue(platform::AXElement e, const std::string& attribute,
                                             const platform::AXValue& value) {
    const auto* on = std::get_if<bool>(&value);
    if (kindOf(e) != Kind::Window || attribute != "AXFullScreen" || !on) return false;
    return windows_.setFullScreen(static_cast<CompositorWindowId>(valueOf(e)), *on);
}

bool DesktopAccessibility::performAction(platform::AXElement e, const std::string& action) {
    const auto window = static_cast<CompositorWindowId>(valueOf(e));
    if (kindOf(e) == Kind::Window && action == "AXRaise") return windows_.activate(window);
    if (kindOf(e) == Kind::FullScreenButton && action == "AXZoomWindow") return windows_.toggleMaximized(window);
    return false;
}

std::optional<std::int32_t> DesktopAccessibility::pid(platform::AXElement e) {
    if (kindOf(e) == Kind::Application) return static_cast<std::int32_t>(valueOf(e));
    if (kindOf(e) != Kind::Window) return std::nullopt;
    const std::int32_t pid = windows_.pidOf(static_cast<CompositorWindowId>(valueOf(e)));
    if (pid <= 0) return std::nullopt;
    return pid;
}

std::optional<std::uint32_t> DesktopAccessibility::windowId(platform::AXElement e) {
    if (kindOf(e) != Kind::Window) return std::nullopt;
    return static_cast<std::uint32_t>(valueOf(e));
}

} // namespace corv::desktop
