#pragma once

#include "platform/AxObservers.h"

#include <functional>

namespace corv::desktop {

// The program counts as trusted when it may use the input devices (the
// check is handed in); there are no accessibility notifications to observe.
class DesktopAxObservers final : public platform::AxObservers {
public:
    explicit DesktopAxObservers(std::function<bool()> trusted = {}) : trusted_(std::move(trusted)) {}

    bool isProcessTrusted() override { return !trusted_ || trusted_(); }
    bool isProcessTrustedWithPrompt() override { return isProcessTrusted(); }
    std::optional<platform::AxObserverId> createObserver(std::int32_t, platform::AxNotificationCallback) override {
        return std::nullopt;
    }
    bool addNotification(platform::AxObserverId, platform::AXElement, const std::string&) override { return false; }
    bool removeNotification(platform::AxObserverId, platform::AXElement, const std::string&) override {
        return false;
    }
    void schedule(platform::AxObserverId) override {}
    void unschedule(platform::AxObserverId) override {}

private:
    std::function<bool()> trusted_;
};

} // namespace corv::desktop
