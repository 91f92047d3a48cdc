#include "model/ShellState.h"

#include "model/Shared.h"

namespace corv {

ShellState& ShellState::shared() { return Shared<ShellState>::instance(); }

} // namespace corv
