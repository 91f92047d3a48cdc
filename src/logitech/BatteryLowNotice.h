#pragma once

// The low-battery notification: posted when a keyboard's battery value steps
// from 11 or more to below 11.

#include "model/DeviceName.h"

#include <cstddef>

#include <string>

namespace corv::logitech {

inline constexpr int kLowBatteryThreshold = 11;
inline constexpr const char* kLowBatteryNoticeId = "Kx";  // a newer notice replaces an older one
inline constexpr const char* kLowBatteryNoticeTitle = "Corvadine";

// "<product>: battery <value>% ❗️"
std::string lowBatteryNoticeBody(const std::string& product, int value);

// The check run before a battery value is stored, with the value still stored.
void batteryLowNotice(int newValue, int storedValue, const DeviceName& name);

struct LogiKeybUI;
// The same with the keyboard's entry as it still is.
void batteryLowNotice(int newValue, const LogiKeybUI& keyboard);

// Stores a battery value of keyboard i, the check first.
void storeKeyboardBattery(std::size_t keyboard, int value);

} // namespace corv::logitech
