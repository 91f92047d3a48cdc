#pragma once

#include "platform/EventTaps.h"
#include "platform/TapChain.h"
#include "platform/desktop/input/DesktopInput.h"

namespace corv::desktop {

// The event stream of this desktop: the tap chain, fed by the keyboards and
// mice it takes, writing what passes to their clones and what the program
// posts to its posting device.
class DesktopEventTaps final : public platform::EventTaps {
public:
    DesktopEventTaps(platform::RunLoop& loop, DesktopInputConfig config = {});

    platform::EventTapId createTap(platform::TapLocation location, platform::TapPlacement placement,
                                   platform::TapOptions options, std::uint64_t mask,
                                   platform::TapCallback callback) override {
        return chain.createTap(location, placement, options, mask, std::move(callback));
    }
    platform::RunLoopSourceId createRunLoopSource(platform::EventTapId tap) override {
        return chain.createRunLoopSource(tap);
    }
    void setEnabled(platform::EventTapId tap, bool enabled) override { chain.setEnabled(tap, enabled); }
    bool isEnabled(platform::EventTapId tap) const override { return chain.isEnabled(tap); }
    bool mainLoopContains(platform::RunLoopSourceId source) const override { return chain.mainLoopContains(source); }
    void addToMainLoop(platform::RunLoopSourceId source) override { chain.addToMainLoop(source); }
    void removeFromMainLoop(platform::RunLoopSourceId source) override { chain.removeFromMainLoop(source); }
    void post(platform::TapLocation location, const platform::Event& event) override { chain.post(location, event); }
    void postToProxy(platform::TapProxy proxy, const platform::Event& event) override {
        chain.postToProxy(proxy, event);
    }
    std::optional<std::vector<platform::EventTapInfo>> tapList() override;
    void setKeyFilter(platform::EventTapId tap, std::optional<std::vector<std::uint16_t>> keys) override {
        chain.setKeyFilter(tap, std::move(keys));
    }

    platform::TapChain chain;
    DesktopInput input;
};

} // namespace corv::desktop
