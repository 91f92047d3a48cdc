#pragma once

#include "platform/DisplayLink.h"

#include <map>
#include <memory>
#include <mutex>

namespace corv::desktop {

// Display links as timers at the highest refresh rate of the screens Qt knows
// (60 Hz when none says), each on its own thread, on the monotonic clock:
// host time is steady-clock nanoseconds.
class DesktopDisplayLinks final : public platform::DisplayLinks {
public:
    DesktopDisplayLinks();
    ~DesktopDisplayLinks() override;
    DesktopDisplayLinks(const DesktopDisplayLinks&) = delete;
    DesktopDisplayLinks& operator=(const DesktopDisplayLinks&) = delete;

    platform::DisplayLinkRef createWithActiveDisplays() override;
    void setOutputCallback(platform::DisplayLinkRef link, platform::DisplayLinkOutput callback) override;
    void start(platform::DisplayLinkRef link) override;
    void stop(platform::DisplayLinkRef link) override;
    bool isRunning(platform::DisplayLinkRef link) override;
    void release(platform::DisplayLinkRef link) override;
    platform::RefreshPeriod nominalOutputRefreshPeriod(platform::DisplayLinkRef link) override;
    double hostTimeUnit() override { return 1e-9; }

    // Ends every link's thread; a frame under way finishes first.
    void stopAll();

    // The rate new links get; the screens' when not set (tests).
    void setRateForTests(double hz) { testRate_ = hz; }

private:
    class Link;
    std::shared_ptr<Link> find(platform::DisplayLinkRef link);

    std::mutex mutex_;
    std::map<platform::DisplayLinkRef, std::shared_ptr<Link>> links_;
    platform::DisplayLinkRef next_ = 1;
    double testRate_ = 0;
};

} // namespace corv::desktop
