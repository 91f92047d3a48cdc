#pragma once

#include "platform/Accessibility.h"

namespace corv::desktop {

// This desktop offers no accessibility interface: every call fails.
class DesktopAccessibility final : public platform::Accessibility {
public:
    platform::AXElement systemWide() override { return platform::AXElement{1}; }
    platform::AXElement createApplication(std::int32_t) override { return platform::AXElement{0}; }
    std::optional<platform::AXElement> elementAtPosition(platform::AXElement, float, float) override {
        return std::nullopt;
    }
    std::optional<platform::AXValue> copyAttributeValue(platform::AXElement, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::vector<platform::AXValue>> copyAttributeValues(platform::AXElement, const std::string&,
                                                                      std::int64_t, std::int64_t) override {
        return std::nullopt;
    }
    bool setAttributeValue(platform::AXElement, const std::string&, const platform::AXValue&) override {
        return false;
    }
    bool performAction(platform::AXElement, const std::string&) override { return false; }
    std::optional<std::int32_t> pid(platform::AXElement) override { return std::nullopt; }
    std::optional<std::uint32_t> windowId(platform::AXElement) override { return std::nullopt; }
};

} // namespace corv::desktop
