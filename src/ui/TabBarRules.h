#pragma once

// The four tabs of the panel and the rules of the tab bar's highlight.

#include <array>
#include <cstdint>
#include <string>

namespace corv::ui {

inline constexpr int kTabCount = 4;

struct TabInfo {
    const char* title;   // shown as written, never translated
    const char* symbol;  // the icon
};

inline constexpr std::array<TabInfo, kTabCount> kTabs{{
    {"Trackpad", "hand.tap"},
    {"Keyboard", "keyboard"},
    {"Exceptions", "apps.iphone"},
    {"Settings", "gearshape"},
}};

struct CornerRadii {
    double topLeft, topRight, bottomRight, bottomLeft;
    bool operator==(const CornerRadii&) const = default;
};

// The highlight's corners: the outer top corner of the first and the last tab
// follows the panel's rounding.
CornerRadii highlightCorners(std::int64_t selection);

// One tab button: 86 × 50 inside padding of 6 top, 4 bottom, 4 each side.
inline constexpr int kTabButtonWidth = 94;
inline constexpr int kTabButtonHeight = 60;

} // namespace corv::ui
