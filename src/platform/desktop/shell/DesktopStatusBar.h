#pragma once

#include "platform/StatusBar.h"

#include <memory>
#include <vector>

namespace corv::desktop {

class TrayColors;

// Status items as system tray icons. A left click (activation) and a right
// click (context request) send the item's action; menus pop up at the pointer.
// The icons take the tray's colours when it names them, else a halo.
class DesktopStatusBar final : public platform::StatusBar {
public:
    DesktopStatusBar();
    ~DesktopStatusBar() override;
    DesktopStatusBar(const DesktopStatusBar&) = delete;
    DesktopStatusBar& operator=(const DesktopStatusBar&) = delete;

    platform::StatusButtonItem* makeStatusItem() override;

    class Item;

private:
    void trayColorsChanged();

    std::unique_ptr<TrayColors> trayColors_;
    std::vector<std::unique_ptr<Item>> items_;
};

} // namespace corv::desktop
