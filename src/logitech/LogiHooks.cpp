#include "logitech/LogiHooks.h"

#include "model/Shared.h"

namespace corv::logitech {

LogiHooks& LogiHooks::shared() { return Shared<LogiHooks>::instance(); }

} // namespace corv::logitech
