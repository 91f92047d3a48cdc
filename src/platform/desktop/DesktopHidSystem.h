#pragma once

#include "platform/HidSystem.h"

namespace corv::desktop {

// No HID system-event connection on this desktop.
class DesktopHidSystem final : public platform::HidSystem {
public:
    platform::HidHandle open() override { return 0; }
    void close(platform::HidHandle) override {}
    int post(platform::HidHandle, std::uint32_t, platform::HidPoint, const platform::HidEventData&, std::uint32_t,
             std::uint32_t, std::uint32_t) override {
        return -1;
    }
};

} // namespace corv::desktop
