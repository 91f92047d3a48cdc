#include "logitech/BatteryLowNotice.h"

#include "platform/Platform.h"

namespace corv::logitech {

std::string lowBatteryNoticeBody(const std::string& product, int value) {
    return product + ": battery " + std::to_string(value) + "% \u2757\uFE0F";
}

void batteryLowNotice(int newValue, int storedValue, const DeviceName& name) {
    if (newValue >= kLowBatteryThreshold || storedValue < kLowBatteryThreshold) return;
    platform::notifications().post(kLowBatteryNoticeId, kLowBatteryNoticeTitle,
                                   lowBatteryNoticeBody(name.product, newValue));
}

} // namespace corv::logitech
