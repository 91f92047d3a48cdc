#pragma once

#include "platform/Accessibility.h"

namespace corv::desktop {

class CompositorWindows;

// The little of the accessibility interface the engine needs of other
// applications, made of the desktop's windows facility: an application's
// windows (front first), its focused window (the focused one when it is
// its), "AXRaise" (activation), "AXFullScreen" (the full-screen state) and
// the full-screen button's "AXZoomWindow" (maximised both ways, toggled),
// as far as the facility can. Everything else fails.
class DesktopAccessibility final : public platform::Accessibility {
public:
    explicit DesktopAccessibility(CompositorWindows& windows) : windows_(windows) {}

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
    CompositorWindows& windows_;
};

} // namespace corv::desktop
