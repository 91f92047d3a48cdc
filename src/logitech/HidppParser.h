#pragma once

// The input-report parsers: reports of devices found by discovery (receivers
// and the keyboards behind them) and of keyboards reached directly. Both run
// on the main thread, and end by offering the report to the request executor.

#include "platform/HidDevices.h"

#include <cstddef>
#include <cstdint>

namespace corv::logitech {

// The input-report callbacks given to opened devices: discovery's and the
// keyboard HID manager's.
void hidppReportCallback(const platform::HidDeviceRef& sender, std::uint32_t reportId, const std::uint8_t* report,
                         std::size_t length);
void hidppReportKeyboardCallback(const platform::HidDeviceRef& sender, std::uint32_t reportId,
                                 const std::uint8_t* report, std::size_t length);

} // namespace corv::logitech
