#pragma once

#include "platform/DisplayLink.h"
#include "platform/sim/SimDisplays.h"

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace corv::sim {

// Display links whose frames the test drives. A link is made for the
// simulated displays (none active: creation fails); its nominal period
// follows their highest refresh rate at creation. Host ticks are nanoseconds.
class SimDisplayLinks final : public platform::DisplayLinks {
public:
    explicit SimDisplayLinks(SimDisplays& displays) : displays_(displays) {}

    platform::DisplayLinkRef createWithActiveDisplays() override;
    void setOutputCallback(platform::DisplayLinkRef link, platform::DisplayLinkOutput callback) override;
    void start(platform::DisplayLinkRef link) override;
    void stop(platform::DisplayLinkRef link) override;
    bool isRunning(platform::DisplayLinkRef link) override;
    void release(platform::DisplayLinkRef link) override;
    platform::RefreshPeriod nominalOutputRefreshPeriod(platform::DisplayLinkRef link) override;
    double hostTimeUnit() override { return 1e-9; }

    // One frame of every running link at the host time, on the calling thread.
    void tick(std::uint64_t hostTime);
    // The frames in order, fed from a new thread; returns once it has ended.
    void playTicks(const std::vector<std::uint64_t>& hostTimes);
    static std::uint64_t hostTimeAt(double seconds);

    // Links made and not released, oldest first.
    std::vector<platform::DisplayLinkRef> live() const;
    bool isLive(platform::DisplayLinkRef link) const;
    void setPeriod(platform::DisplayLinkRef link, platform::RefreshPeriod period);

    bool failCreate = false;
    int createCalls = 0;
    int startCalls = 0;
    int stopCalls = 0;

private:
    struct Link {
        platform::DisplayLinkOutput callback = nullptr;
        bool running = false;
        platform::RefreshPeriod period;
    };

    SimDisplays& displays_;
    mutable std::mutex mutex_;
    std::map<platform::DisplayLinkRef, Link> links_;
    platform::DisplayLinkRef next_ = 0xD100;
};

} // namespace corv::sim
