#pragma once

#include "platform/StatusBar.h"

#include <memory>
#include <vector>

namespace corv::sim {

// A status item whose clicks the test makes; menus shown are logged by their
// titles.
class SimStatusButton final : public platform::StatusButtonItem {
public:
    void setVisible(bool v) override { visible = v; }
    bool isVisible() const override { return visible; }
    void setImage(const platform::SymbolImage& i) override { image = i; }
    void setToolTip(const std::string& text) override { toolTip = text; }
    void setAction(std::vector<platform::MouseButton> on, std::function<void(platform::MouseButton)> a) override {
        sendOn = std::move(on);
        action = std::move(a);
    }
    void popUpMenu(const std::vector<platform::MenuItem>& items) override;
    void setMenu(std::vector<platform::MenuItem> items) override { trayMenu = std::move(items); }
    std::optional<platform::Rect> buttonWindowFrame() const override { return windowFrame; }

    // A release of the mouse button over the item.
    void click(platform::MouseButton button);
    // While a menu shows, the test may choose one of its entries by title.
    std::string chooseInMenu;

    bool visible = true;
    platform::SymbolImage image;
    std::string toolTip;
    std::vector<platform::MouseButton> sendOn;
    std::function<void(platform::MouseButton)> action;
    std::vector<std::vector<std::string>> menusShown;
    std::vector<std::vector<std::string>> menuSymbols;
    std::vector<platform::MenuItem> trayMenu;
    std::optional<platform::Rect> windowFrame = platform::Rect{1700, 0, 24, 24};
};

class SimStatusBar final : public platform::StatusBar {
public:
    platform::StatusButtonItem* makeStatusItem() override;
    bool hasTray() const override { return tray; }

    // Whether the desktop shows the items.
    bool tray = true;
    // How many more items the bar supplies.
    int supply = 100;
    std::vector<std::unique_ptr<SimStatusButton>> items;
};

} // namespace corv::sim
