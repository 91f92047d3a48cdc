#pragma once

// Discovery of Logitech receivers on USB: the Logitech HID manager, matching
// every device of vendor 0x046D and keeping the receivers' HID++ interfaces.

#include "platform/HidDevices.h"

#include <memory>

namespace corv::logitech {

inline constexpr std::uint32_t kHidppUsagePage = 0xFF00;
inline constexpr std::uint32_t kHidppUsage = 1;

struct LogiDeviceMonitor {
    static LogiDeviceMonitor& shared();
    std::unique_ptr<platform::HidManager> manager;  // none while stopped
};

void startLogiDeviceMonitor();
void stopLogiDeviceMonitor();
void logiDeviceAdded(const platform::HidDeviceRef& device);
void logiDeviceRemoved(const platform::HidDeviceRef& device);

} // namespace corv::logitech
