#include "logitech/LogiKeybs.h"

#include "logitech/LogiHooks.h"
#include "model/Shared.h"

namespace corv::logitech {

LogiKeybsNoUI& LogiKeybsNoUI::shared() { return Shared<LogiKeybsNoUI>::instance(); }
LogiKeybsUI& LogiKeybsUI::shared() { return Shared<LogiKeybsUI>::instance(); }

std::optional<std::size_t> findKeyboardIndex(const LogiKeybNoUIList& list, const platform::HidDeviceRef& device,
                                             std::uint8_t deviceIndex) {
    if (!device) return std::nullopt;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].valid && list[i].dev && list[i].dev == device && list[i].usbIndex == deviceIndex) return i;
    return std::nullopt;
}

std::optional<std::size_t> findKeyboardIndex(const platform::HidDeviceRef& device, std::uint8_t deviceIndex) {
    return findKeyboardIndex(LogiKeybsNoUI::shared().k(), device, deviceIndex);
}

std::optional<std::size_t> firstFreeKeyboard() {
    const auto& k = LogiKeybsNoUI::shared().k();
    for (std::size_t i = 0; i < k.size(); ++i)
        if (!k[i].valid) return i;
    return std::nullopt;
}

void releaseAndResetKeyboard(std::size_t index) {
    if (index >= kKeyboardCount) return;
    releaseHeldLogiKeys(static_cast<int>(index));
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) { l[index] = LogiKeybUI{}; });
    LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) { l[index] = LogiKeybNoUI{}; });
}

} // namespace corv::logitech
