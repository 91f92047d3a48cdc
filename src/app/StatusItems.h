#pragma once

// The two status items: the main one, which toggles the settings panel on a
// left click and shows the menu on a right click, and the microphone one,
// hidden until the program mutes the microphone. Main thread.

#include "platform/StatusBar.h"

#include <vector>

namespace corv::app {

inline constexpr const char* kToolTip = "Corvadine";

// Makes the microphone item, hidden, with its image and action.
void makeMicStatusItem();
// Makes the main item, visible exactly when the icon is not hidden.
void makeMainStatusItem();
// The menu's two entries: "Button restart" and "Quit".
std::vector<platform::MenuItem> makeStatusMenu();
// The main button's image, tooltip, action on left and right mouse up, and
// the menu for trays that draw it.
void configureMainButton();

// With the main item to show and no tray to show it, the one way into the
// panel: says so once in a notification and opens the panel; a tray that
// appears later withdraws the notification and closes the panel.
void showPanelWithoutTray();
inline constexpr const char* kNoTrayNoticeId = "no-tray";

// The main item's action.
void statusBarButtonClicked(platform::MouseButton button);

platform::StatusButtonItem* mainStatusItem();
platform::StatusButtonItem* micStatusItem();

} // namespace corv::app
