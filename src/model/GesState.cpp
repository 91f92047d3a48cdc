#include "model/GesState.h"

#include "model/Shared.h"

namespace corv {

GesState& GesState::shared() { return Shared<GesState>::instance(); }

} // namespace corv
