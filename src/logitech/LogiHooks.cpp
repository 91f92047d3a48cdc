#include "logitech/LogiHooks.h"

#include "logitech/LogiKeybs.h"
#include "model/Shared.h"

namespace corv::logitech {

LogiHooks& LogiHooks::shared() { return Shared<LogiHooks>::instance(); }

void releaseHeldLogiKeys(int k) {
    if (k < 0 || static_cast<std::size_t>(k) >= kKeyboardCount) return;
    if (auto& hook = LogiHooks::shared().releaseHeldLogiKeys) {
        hook(k);
        return;
    }
    if (LogiKeybsNoUI::shared().k()[static_cast<std::size_t>(k)].keyState.empty()) return;
    LogiKeybsNoUI::shared().k.modify([k](LogiKeybNoUIList& l) { l[static_cast<std::size_t>(k)].keyState.clear(); });
}

void startKeyboardHidManager() {
    if (auto& hook = LogiHooks::shared().startKeyboardHidManager) hook();
}

} // namespace corv::logitech
