#pragma once

// The four action menus of the settings window: which actions, in which order,
// under which texts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv {

// One menu row; a separator has act -1, name "-" and an empty hint.
struct MenuRow {
    std::int64_t act = -1;
    std::string name;
    std::string hint;
    bool isSeparator() const { return act < 0; }
    bool operator==(const MenuRow&) const = default;
};

inline constexpr std::int64_t kMenuSeparator = -1;

using ActionMenu = std::vector<MenuRow>;

enum class ActionMenuKind {
    ClickGesture, // trackpad Tap, Click, Click2
    Gesture,      // trackpad Swipe, Rotate, Zoom
    Key,          // keyboard key rows
    LogiKey,      // Logitech special-key rows
};

// The rows of a menu with their localisation keys, not yet localised.
ActionMenu actionMenuLayout(ActionMenuKind kind);

// The localised menus, built on first use; they keep the language of that moment.
const ActionMenu& actionMenu(ActionMenuKind kind);
const ActionMenu& clickGestureActionMenu();
const ActionMenu& gestureActionMenu();
const ActionMenu& keyActionMenu();
const ActionMenu& logiKeyActionMenu();

// The first row of the menu that chooses the action; null when none does.
const MenuRow* findMenuRow(const ActionMenu& menu, std::int64_t actionSel);
// The shown name of a bound action in a menu; nothing when no row matches.
std::optional<std::string> menuTitle(const ActionMenu& menu, std::int64_t actionSel);
std::optional<std::string> menuTitle(ActionMenuKind kind, std::int64_t actionSel);

} // namespace corv
