#pragma once

#include "platform/DisplayLink.h"

namespace corv::desktop {

// This desktop has no display link: none can be made.
class DesktopDisplayLinks final : public platform::DisplayLinks {
public:
    platform::DisplayLinkRef createWithActiveDisplays() override { return 0; }
    void setOutputCallback(platform::DisplayLinkRef, platform::DisplayLinkOutput) override {}
    void start(platform::DisplayLinkRef) override {}
    void stop(platform::DisplayLinkRef) override {}
    bool isRunning(platform::DisplayLinkRef) override { return false; }
    void release(platform::DisplayLinkRef) override {}
    platform::RefreshPeriod nominalOutputRefreshPeriod(platform::DisplayLinkRef) override { return {}; }
    double hostTimeUnit() override { return 1e-9; }
};

} // namespace corv::desktop
