#pragma once

// What sway's replies tell, read from their JSON: the views of the tree (the
// focused one last, as the one in front) and the room its outputs' bars
// leave, the workspaces of the focused output, the layouts of the first
// keyboard that has some, and the view a window event is about. Text that is
// not such a reply tells nothing.

#include "platform/desktop/windows/CompositorWindows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corv::desktop {

// An output's place and its work area: the rect of its workspace in front,
// which sway arranges in what the bars leave.
struct SwayOutputArea {
    platform::Rect output;
    platform::Rect work;
    bool operator==(const SwayOutputArea&) const = default;
};

struct SwayTree {
    CompositorWindowList windows;
    std::vector<SwayOutputArea> areas;
};

SwayTree swayTreeOf(const std::string& tree);
CompositorWindowList swayWindowsOf(const std::string& tree);
std::optional<CompositorDesktops> swayDesktopsOf(const std::string& workspaces);
std::optional<CompositorInputSources> swayInputSourcesOf(const std::string& inputs);

// A window event: what changed ("new", "close", ...) and the view's id and
// process (-1 when none is told).
struct SwayWindowChange {
    std::string change;
    CompositorWindowId id = 0;
    std::int32_t pid = -1;
};
std::optional<SwayWindowChange> swayWindowChangeOf(const std::string& event);

// A workspace event telling that sway read its configuration again.
bool swayReloadOf(const std::string& event);

// The least width and height sway gives a floating window, from its
// configuration's text (GET_CONFIG's reply): its default unless it says otherwise.
inline constexpr std::pair<int, int> kSwayFloatingMinimum{75, 50};
std::pair<int, int> swayFloatingMinimumOf(const std::string& config);

} // namespace corv::desktop
