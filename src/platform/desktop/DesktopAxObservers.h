#pragma once

#include "platform/AxObservers.h"

namespace corv::desktop {

// This desktop asks no permission for input, so the program counts as
// trusted; there are no accessibility notifications to observe.
class DesktopAxObservers final : public platform::AxObservers {
public:
    bool isProcessTrusted() override { return true; }
    bool isProcessTrustedWithPrompt() override { return true; }
    std::optional<platform::AxObserverId> createObserver(std::int32_t, platform::AxNotificationCallback) override {
        return std::nullopt;
    }
    bool addNotification(platform::AxObserverId, platform::AXElement, const std::string&) override { return false; }
    bool removeNotification(platform::AxObserverId, platform::AXElement, const std::string&) override {
        return false;
    }
    void schedule(platform::AxObserverId) override {}
    void unschedule(platform::AxObserverId) override {}
};

} // namespace corv::desktop
