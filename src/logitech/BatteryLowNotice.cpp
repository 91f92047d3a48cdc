#include "logitech/BatteryLowNotice.h"

#include "logitech/LogiKeybs.h"
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

void batteryLowNotice(int newValue, const LogiKeybUI& keyboard) {
    batteryLowNotice(newValue, keyboard.battery, keyboard.name);
}

void storeKeyboardBattery(std::size_t keyboard, int value) {
    if (keyboard >= kKeyboardCount) return;
    batteryLowNotice(value, LogiKeybsUI::shared().k()[keyboard]);
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) { l[keyboard].battery = value; });
}

} // namespace corv::logitech
