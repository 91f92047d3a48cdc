#pragma once

#include "platform/AxObservers.h"

#include <functional>

namespace corv::desktop {

// The program counts as trusted when nothing it needs of the input devices is
// missing (the check is handed in); there are no accessibility notifications
// to observe.
class DesktopAxObservers final : public platform::AxObservers {
public:
    explicit DesktopAxObservers(std::function<std::vector<std::string>()> missing = {})
        : missing_(std::move(missing)) {}

    bool isProcessTrusted() override { return missingPermissions().empty(); }
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
    std::vector<std::string> missingPermissions() override {
        return missing_ ? missing_() : std::vector<std::string>{};
    }

private:
    std::function<std::vector<std::string>()> missing_;
};

} // namespace corv::desktop
