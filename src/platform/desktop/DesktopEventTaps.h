#pragma once

#include "platform/EventTaps.h"

namespace corv::desktop {

// This desktop has no window-server event stream: no tap can be made and
// posted events go nowhere.
class DesktopEventTaps final : public platform::EventTaps {
public:
    platform::EventTapId createTap(platform::TapLocation, platform::TapPlacement, platform::TapOptions, std::uint64_t,
                                   platform::TapCallback) override {
        return 0;
    }
    platform::RunLoopSourceId createRunLoopSource(platform::EventTapId) override { return 0; }
    void setEnabled(platform::EventTapId, bool) override {}
    bool isEnabled(platform::EventTapId) const override { return false; }
    bool mainLoopContains(platform::RunLoopSourceId) const override { return false; }
    void addToMainLoop(platform::RunLoopSourceId) override {}
    void removeFromMainLoop(platform::RunLoopSourceId) override {}
    void post(platform::TapLocation, const platform::Event&) override {}
    void postToProxy(platform::TapProxy, const platform::Event&) override {}
    std::optional<std::vector<platform::EventTapInfo>> tapList() override {
        return std::vector<platform::EventTapInfo>{};
    }
};

} // namespace corv::desktop
