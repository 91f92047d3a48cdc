#pragma once

#include "platform/HidSystem.h"
#include "platform/TapChain.h"

namespace corv::desktop {

// Legacy HID system events enter the event stream at the HID location: key
// downs and ups and flags changes (the modifier marker among them); what
// passes the taps goes out through the posting device.
class DesktopHidSystem final : public platform::HidSystem {
public:
    explicit DesktopHidSystem(platform::TapChain& chain) : chain_(chain) {}

    platform::HidHandle open() override { return 1; }
    void close(platform::HidHandle) override {}
    int post(platform::HidHandle handle, std::uint32_t eventType, platform::HidPoint location,
             const platform::HidEventData& data, std::uint32_t dataVersion, std::uint32_t eventFlags,
             std::uint32_t options) override;

private:
    platform::TapChain& chain_;
};

} // namespace corv::desktop
