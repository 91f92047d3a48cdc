#include "platform/desktop/shell/DesktopTrace.h"

#include <cstdio>
#include <cstdlib>

namespace corv::desktop {

bool traceEnabled() {
    static const bool on = std::getenv("CORVADINE_TRACE") != nullptr;
    return on;
}

void trace(const char* what) {
    if (!traceEnabled()) return;
    std::fprintf(stderr, "corvadine: %s\n", what);
    std::fflush(stderr);
}

} // namespace corv::desktop
