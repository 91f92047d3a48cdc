#pragma once

// The low-battery notification: posted when a keyboard's battery value steps
// from 11 or more to below 11.

#include "model/DeviceName.h"

#include <string>

namespace corv::logitech {

inline constexpr int kLowBatteryThreshold = 11;
inline constexpr const char* kLowBatteryNoticeId = "Kx";  // a newer notice replaces an older one
inline constexpr const char* kLowBatteryNoticeTitle = "Corvadine";

// "<product>: battery <value>% ❗️"
std::string lowBatteryNoticeBody(const std::string& product, int value);

// The check run before a battery value is stored, with the value still stored.
void batteryLowNotice(int newValue, int storedValue, const DeviceName& name);

} // namespace corv::logitech
