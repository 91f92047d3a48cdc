#pragma once

#include "platform/StatusBar.h"

#include <functional>
#include <memory>
#include <vector>

class QDBusServiceWatcher;
class QObject;

namespace corv::desktop {

class TrayColors;

// Status items as system tray icons. A left click (activation) and a right
// click (context request) send the item's action; menus pop up at the pointer.
// Trays that draw menus themselves (StatusNotifierItem hosts) show the item's
// menu on a right click.
// The icons take the tray's colours when it names them, else a halo. A
// StatusNotifierWatcher that appears after the icons were made shows them
// from then on, once a tray has told it it shows items.
class DesktopStatusBar final : public platform::StatusBar {
public:
    DesktopStatusBar();
    ~DesktopStatusBar() override;
    DesktopStatusBar(const DesktopStatusBar&) = delete;
    DesktopStatusBar& operator=(const DesktopStatusBar&) = delete;

    platform::StatusButtonItem* makeStatusItem() override;
    bool hasTray() const override;
    void whenTrayAppears(std::function<void()> appeared) override;

    class Item;

private:
    void trayColorsChanged();
    void watchForWatcher();
    void askForHost();
    void hostReady();
    void trayAppeared();

    std::unique_ptr<TrayColors> trayColors_;
    // The items show through a watcher.
    bool throughWatcher_ = false;
    std::unique_ptr<QDBusServiceWatcher> watcherWatch_;
    std::vector<std::unique_ptr<Item>> items_;
    std::function<void()> trayAppeared_;
    // Hears the watcher's news of a tray.
    std::unique_ptr<QObject> hostListener_;
};

} // namespace corv::desktop
