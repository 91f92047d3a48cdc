#include "recorders/KeyBind.h"

#include "model/Shared.h"

#include <memory>

namespace corv::recorders {

KeyBind& KeyBind::shared() { return Shared<KeyBind>::instance(); }

void KeyBind::reset() { Shared<KeyBind>::replace(std::make_shared<KeyBind>()); }

void KeyBind::clear() {
    raw.set(0);
    key.set(kNoKey);
    keyDownCount.set(0);
    modAllUp.set(true);
    modLocked.set(false);
}

} // namespace corv::recorders
