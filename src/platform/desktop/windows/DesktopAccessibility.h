#pragma once

#include "platform/Accessibility.h"

namespace corv::desktop {

class X11Session;
class CompositorWindows;

// The little of the accessibility interface the engine needs of other
// applications, made of EWMH on X11: an application's windows (its managed
// windows, front first), its focused window (the active one when it is
// its), "AXRaise" (activation), "AXFullScreen" (the full-screen state) and
// the full-screen button's "AXZoomWindow" (maximised both ways, toggled).
// Everything else fails, as does all of it without X11. In a Wayland session
// the compositor's facility does the same, as far as it can.
class DesktopAccessibility final : public platform::Accessibility {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    explicit DesktopAccessibility(X11Session* x11 = nullptr, CompositorWindows* compositor = nullptr)
        : x11_(x11), compositor_(compositor) {}

    platform::AXElement systemWide() override { return platform::AXElement{1}; }
    platform::AXElement createApplication(std::int32_t pid) override;
    std::optional<platform::AXElement> elementAtPosition(platform::AXElement, float, float) override {
        return std::nullopt;
    }
    std::optional<platform::AXValue> copyAttributeValue(platform::AXElement element,
                                                        const std::string& attribute) override;
    std::optional<std::vector<platform::AXValue>> copyAttributeValues(platform::AXElement element,
                                                                      const std::string& attribute, std::int64_t index,
                                                                      std::int64_t maxValues) override;
    bool setAttributeValue(platform::AXElement element, const std::string& attribute,
                           const platform::AXValue& value) override;
    bool performAction(platform::AXElement element, const std::string& action) override;
    std::optional<std::int32_t> pid(platform::AXElement element) override;
    std::optional<std::uint32_t> windowId(platform::AXElement element) override;

private:
    X11Session& x11();
    std::optional<platform::AXValue> compositorValue(platform::AXElement element, const std::string& attribute);
    X11Session* x11_;
    CompositorWindows* compositor_;
};

} // namespace corv::desktop
