#include "platform/desktop/input/DesktopAxObservers.h"

#include <array>

namespace corv::desktop {

namespace {

// The Dock's notification for each Mission Control state.
constexpr std::array<const char*, 5> kDockNotes{
    "AXExposeExit", "AXExposeShowAllWindows", "AXExposeShowFrontWindows", "AXLaunchpadShown", "AXExposeShowDesktop",
};

} // namespace

std::optional<platform::AxObserverId> DesktopAxObservers::createObserver(std::int32_t pid,
                                                                         platform::AxNotificationCallback callback) {
    if (!feed_ || pid != dockPid_) return std::nullopt;
    const platform::AxObserverId id = next_++;
    observers_[id].callback = std::move(callback);
    return id;
}

bool DesktopAxObservers::addNotification(platform::AxObserverId observer, platform::AXElement,
                                         const std::string& name) {
    auto it = observers_.find(observer);
    if (it == observers_.end()) return false;
    it->second.names.insert(name);
    return true;
}

bool DesktopAxObservers::removeNotification(platform::AxObserverId observer, platform::AXElement,
                                            const std::string& name) {
    auto it = observers_.find(observer);
    return it != observers_.end() && it->second.names.erase(name) > 0;
}

void DesktopAxObservers::schedule(platform::AxObserverId observer) {
    auto it = observers_.find(observer);
    if (it == observers_.end() || it->second.unsubscribe) return;
    it->second.unsubscribe = feed_([this, observer](std::uint8_t shown) {
        auto at = observers_.find(observer);
        if (at == observers_.end() || shown >= kDockNotes.size()) return;
        const std::string name = kDockNotes[shown];
        if (at->second.names.count(name)) at->second.callback(name);
    });
}

void DesktopAxObservers::unschedule(platform::AxObserverId observer) {
    auto it = observers_.find(observer);
    if (it == observers_.end()) return;
    if (it->second.unsubscribe) it->second.unsubscribe();
    // The Dock's observer is made again at its next start.
    observers_.erase(it);
}

} // namespace corv::desktop
