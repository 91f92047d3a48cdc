#pragma once

// Status items of the menu bar (the system tray), their buttons and menus.

#include "platform/AppControl.h"
#include "platform/Rect.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

enum class MouseButton { Left, Right };

// How a system symbol is drawn.
struct SymbolImage {
    std::string symbol;
    bool isTemplate = false;
    // Palette colour names, in order; empty: the default colours.
    std::vector<std::string> palette;
    // 0: the default scale; 2: medium.
    int scale = 0;
    bool operator==(const SymbolImage&) const = default;
};

struct MenuItem {
    std::string title;
    std::string symbol;
    std::function<void()> action;
};

// A status item with its button.
class StatusButtonItem : public StatusItem {
public:
    virtual void setImage(const SymbolImage& image) = 0;
    virtual void setToolTip(const std::string& text) = 0;
    // The button's action, with the mouse button whose release sent it. The
    // buttons listed send it; the others do nothing.
    virtual void setAction(std::vector<MouseButton> sendOn, std::function<void(MouseButton)> action) = 0;
    // Shows the menu at the item and returns when it has closed; while one
    // is up, returns at once.
    virtual void popUpMenu(const std::vector<MenuItem>& items) = 0;
    // The menu a tray that draws menus itself shows on a right click, which
    // then sends no action.
    virtual void setMenu(std::vector<MenuItem> items) = 0;
    // The frame of the window that holds the button; nothing when unknown.
    virtual std::optional<Rect> buttonWindowFrame() const = 0;
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    // A new visible item of variable length, owned by the bar; null when the
    // bar supplies none.
    virtual StatusButtonItem* makeStatusItem() = 0;
    // Whether the desktop has a tray that shows the items now.
    virtual bool hasTray() const { return true; }
    // Runs once, on the main thread, when a tray appears after hasTray() said none.
    virtual void whenTrayAppears(std::function<void()> appeared) { (void)appeared; }
};

} // namespace corv::platform
