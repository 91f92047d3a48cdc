#pragma once

// With CORVADINE_TRACE set, the desktop says on standard error what it does
// with the program's windows, items and notices, one line each.

namespace corv::desktop {

bool traceEnabled();
void trace(const char* what);

} // namespace corv::desktop
