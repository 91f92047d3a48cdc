#include "engine/HeldModifiers.h"

#include "model/Shared.h"

namespace corv::engine {

HeldModifiers& HeldModifiers::shared() { return Shared<HeldModifiers>::instance(); }

} // namespace corv::engine
