#include "recorders/KeyBind.h"

#include "model/Shared.h"

#include <memory>

namespace corv::recorders {

KeyBind& KeyBind::shared() { return Shared<KeyBind>::instance(); }

void KeyBind::reset() { Shared<KeyBind>::replace(std::make_shared<KeyBind>()); }

} // namespace corv::recorders
