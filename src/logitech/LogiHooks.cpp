#include "logitech/LogiHooks.h"

#include "engine/KeyboardHidManager.h"
#include "engine/LogiKeyActions.h"
#include "logitech/LogiKeybs.h"
#include "model/Shared.h"

namespace corv::logitech {

LogiHooks& LogiHooks::shared() { return Shared<LogiHooks>::instance(); }

void releaseHeldLogiKeys(int k) {
    if (!isKeyboardIndex(k)) return;
    if (auto& hook = LogiHooks::shared().releaseHeldLogiKeys) {
        hook(k);
        return;
    }
    engine::releaseHeldLogiKeys(k);
}

void startKeyboardHidManager() {
    if (auto& hook = LogiHooks::shared().startKeyboardHidManager) {
        hook();
        return;
    }
    engine::startKeyboardHidManager();
}

} // namespace corv::logitech
