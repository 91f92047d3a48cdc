#pragma once

// What sway's replies tell, read from their JSON: the views of the tree (the
// focused one last, as the one in front), the workspaces of the focused
// output, and the layouts of the first keyboard that has some. Text that is
// not such a reply tells nothing.

#include "platform/desktop/windows/CompositorWindows.h"

#include <optional>
#include <string>

namespace corv::desktop {

CompositorWindowList swayWindowsOf(const std::string& tree);
std::optional<CompositorDesktops> swayDesktopsOf(const std::string& workspaces);
std::optional<CompositorInputSources> swayInputSourcesOf(const std::string& inputs);

} // namespace corv::desktop
