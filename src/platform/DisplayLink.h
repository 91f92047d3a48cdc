#pragma once

// Display links: a callback once per displayed frame, on the link's own thread.

#include <cstdint>

namespace corv::platform {

using DisplayLinkRef = std::uint64_t;  // 0: none

// Called on the link's thread for every frame; hostTime counts host ticks.
// Returns 0 on success.
using DisplayLinkOutput = std::int32_t (*)(DisplayLinkRef link, std::uint64_t hostTime);

// A duration of timeValue / timeScale seconds.
struct RefreshPeriod {
    std::int64_t timeValue = 0;
    std::int32_t timeScale = 0;
};

// Every member may be called from any thread.
class DisplayLinks {
public:
    virtual ~DisplayLinks() = default;
    // A link for the active displays, stopped; 0 when it cannot be made.
    virtual DisplayLinkRef createWithActiveDisplays() = 0;
    virtual void setOutputCallback(DisplayLinkRef link, DisplayLinkOutput callback) = 0;
    virtual void start(DisplayLinkRef link) = 0;
    virtual void stop(DisplayLinkRef link) = 0;
    virtual bool isRunning(DisplayLinkRef link) = 0;
    // Stops the link if needed and lets it go; the reference is dead after.
    virtual void release(DisplayLinkRef link) = 0;
    // Zero when unknown.
    virtual RefreshPeriod nominalOutputRefreshPeriod(DisplayLinkRef link) = 0;
    // Seconds per host tick.
    virtual double hostTimeUnit() = 0;
};

} // namespace corv::platform
