#include "engine/ModKeyPressed.h"

#include "model/Shared.h"

namespace corv::engine {

ModKeyPressed& ModKeyPressed::shared() { return Shared<ModKeyPressed>::instance(); }

} // namespace corv::engine
