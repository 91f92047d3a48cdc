#include "app/StatusItems.h"

#include "app/AppDelegate.h"
#include "app/MainWinManager.h"
#include "engine/MicStatusItem.h"
#include "model/MainStatusItem.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "platform/Localization.h"
#include "platform/Platform.h"

namespace corv::app {

namespace {

// The items as the shell made them; the model and the engine hold them as
// plain status items.
struct ShellStatusItems {
    platform::StatusButtonItem* main = nullptr;
    platform::StatusButtonItem* mic = nullptr;
};

ShellStatusItems& items() { return Shared<ShellStatusItems>::instance(); }

} // namespace

platform::StatusButtonItem* mainStatusItem() { return items().main; }

platform::StatusButtonItem* micStatusItem() { return items().mic; }

void makeMicStatusItem() {
    auto* item = platform::statusBar().makeStatusItem();
    items().mic = item;
    engine::MicStatusItem::shared().item = item;
    if (!item) return;
    item->setVisible(false);
    item->setImage({"microphone.slash", true, {"systemRed", "labelColor"}, 0});
    item->setAction({platform::MouseButton::Left}, [](platform::MouseButton) { AppDelegate::shared().micMute(); });
}

void makeMainStatusItem() {
    auto* item = platform::statusBar().makeStatusItem();
    items().main = item;
    MainStatusItem::shared().item = item;
    if (item) item->setVisible(!Options::shared().hideIcon.get());
}

std::vector<platform::MenuItem> makeStatusMenu() {
    return {
        {platform::localized("Button restart"), "restart.circle", [] { AppDelegate::shared().restartClick(); }},
        {"Quit", "power", [] { AppDelegate::shared().quitClick(); }},
    };
}

void configureMainButton() {
    auto* item = mainStatusItem();
    if (!item) return;
    item->setImage({"rectangle.and.hand.point.up.left.filled", true, {}, 2});
    item->setToolTip(kToolTip);
    item->setAction({platform::MouseButton::Left, platform::MouseButton::Right}, &statusBarButtonClicked);
    item->setMenu(AppDelegate::shared().menu);
}

void showPanelWithoutTray() {
    auto* item = mainStatusItem();
    if (!item || !item->isVisible() || platform::statusBar().hasTray()) return;
    platform::notifications().post(kNoTrayNoticeId, "Corvadine has no tray icon here",
                                   "This desktop has no tray to show it. On GNOME, the AppIndicator extension brings "
                                   "one; elsewhere, add the desktop's own tray (system tray) to its panel. Starting "
                                   "Corvadine again opens its settings.");
    MainWinManager::shared().showPanel(std::nullopt);
    // A tray that comes later is the way in: the notice and the panel go.
    platform::statusBar().whenTrayAppears([] {
        platform::notifications().withdraw(kNoTrayNoticeId);
        auto& panel = MainWinManager::shared();
        if (!panel.showing.get()) return;
        panel.hidePanel();
        platform::app().hide();
    });
}

void statusBarButtonClicked(platform::MouseButton button) {
    auto* item = mainStatusItem();
    if (button == platform::MouseButton::Right) {
        if (item) item->popUpMenu(AppDelegate::shared().menu);
        return;
    }
    if (!item) return;
    auto& panel = MainWinManager::shared();
    if (panel.showing.get()) {
        panel.hidePanel();
        platform::app().hide();
    } else {
        panel.showPanel(item->buttonWindowFrame());
    }
}

} // namespace corv::app
