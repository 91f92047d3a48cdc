#pragma once

#include "platform/AxObservers.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace corv::desktop {

// The program counts as trusted when nothing it needs of the input devices is
// missing (the check is handed in). The only notifications observed are the
// Dock's, from the stand-in the desktop's shell makes of its overviews: its
// process (ours) and a feed of what shows, numbered as the Mission Control
// state.
class DesktopAxObservers final : public platform::AxObservers {
public:
    // Subscribes to what shows (at once when something does); the result
    // unsubscribes.
    using DockFeed = std::function<std::function<void()>(std::function<void(std::uint8_t shown)>)>;

    explicit DesktopAxObservers(std::function<std::vector<std::string>()> missing = {})
        : missing_(std::move(missing)) {}

    void setDockStandIn(std::int32_t pid, DockFeed feed) {
        dockPid_ = pid;
        feed_ = std::move(feed);
    }

    bool isProcessTrusted() override { return missingPermissions().empty(); }
    bool isProcessTrustedWithPrompt() override { return isProcessTrusted(); }
    std::optional<platform::AxObserverId> createObserver(std::int32_t pid,
                                                         platform::AxNotificationCallback callback) override;
    bool addNotification(platform::AxObserverId observer, platform::AXElement, const std::string& name) override;
    bool removeNotification(platform::AxObserverId observer, platform::AXElement, const std::string& name) override;
    void schedule(platform::AxObserverId observer) override;
    void unschedule(platform::AxObserverId observer) override;
    std::vector<std::string> missingPermissions() override {
        return missing_ ? missing_() : std::vector<std::string>{};
    }

private:
    struct Observer {
        platform::AxNotificationCallback callback;
        std::set<std::string> names;
        std::function<void()> unsubscribe;
    };

    std::function<std::vector<std::string>()> missing_;
    std::int32_t dockPid_ = -1;
    DockFeed feed_;
    std::map<platform::AxObserverId, Observer> observers_;
    platform::AxObserverId next_ = 1;
};

} // namespace corv::desktop
