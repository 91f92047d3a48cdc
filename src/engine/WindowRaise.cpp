#include "engine/WindowRaise.h"

#include "model/Shared.h"

namespace corv::engine {

WindowRaiser& WindowRaiser::shared() { return Shared<WindowRaiser>::instance(); }

void raiseWindowUnderCursor() {
    if (auto& raise = WindowRaiser::shared().raise) raise();
}

} // namespace corv::engine
