#pragma once

#include "platform/Displays.h"

#include <mutex>
#include <utility>
#include <vector>

namespace corv::sim {

// Displays as data. Each display has an id, a UUID and a mode (absent: the
// mode cannot be read); the active list is the displays in order.
class SimDisplays final : public platform::Displays {
public:
    struct Display {
        platform::DisplayId id = 0;
        std::string uuid;
        std::optional<platform::DisplayMode> mode;
    };

    std::optional<std::vector<platform::DisplayId>> activeDisplayList(std::uint32_t maxDisplays) override;
    std::optional<platform::DisplayMode> currentMode(platform::DisplayId display) override;
    platform::DisplayId displayIdForUuid(const std::string& uuid) override;
    bool registerReconfigurationCallback(platform::DisplayReconfigurationCallback callback, void* userInfo) override;
    void removeReconfigurationCallback(platform::DisplayReconfigurationCallback callback, void* userInfo) override;
    std::vector<platform::Screen> screens() override { return screenList; }
    void sleepDisplaysNow() override { ++displaySleeps; }

    // A display refreshing at the rate with the size; returns its id.
    platform::DisplayId addDisplay(const std::string& uuid, double refreshRate, std::uint64_t width = 1920,
                                   std::uint64_t height = 1080);
    // The highest refresh rate among the active displays' readable modes; 0 when none.
    double highestRefreshRate();
    // Tells the registered callbacks, on the calling thread.
    void reconfigure(platform::DisplayId display, std::uint32_t flags);
    std::size_t callbackCount() const;

    std::vector<Display> displays;
    std::vector<platform::Screen> screenList;
    bool failList = false;
    bool failRegister = false;
    int displaySleeps = 0;
    // The maxDisplays of each list query.
    std::vector<std::uint32_t> listQueries;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<platform::DisplayReconfigurationCallback, void*>> callbacks_;
};

} // namespace corv::sim
