#pragma once

// Bringing the window under the cursor forward before input reaches it.

#include <functional>

namespace corv::engine {

// Brings the window recorded as current forward and activates its application.
void raiseWindowUnderCursor();

// Where raiseWindowUnderCursor goes until the window helpers take it over.
struct WindowRaiser {
    std::function<void()> raise;
    static WindowRaiser& shared();
};

} // namespace corv::engine
