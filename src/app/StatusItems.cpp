#include "app/StatusItems.h"

#include "app/AppDelegate.h"
#include "app/MainWinManager.h"
#include "engine/MicStatusItem.h"
#include "model/MainStatusItem.h"
#include "model/Options.h"
#include "platform/Localization.h"
#include "platform/Platform.h"

namespace corv::app {

platform::StatusButtonItem* mainStatusItem() {
    return static_cast<platform::StatusButtonItem*>(MainStatusItem::shared().item);
}

platform::StatusButtonItem* micStatusItem() {
    return static_cast<platform::StatusButtonItem*>(engine::MicStatusItem::shared().item);
}

void makeMicStatusItem() {
    auto* item = platform::statusBar().makeStatusItem();
    engine::MicStatusItem::shared().item = item;
    if (!item) return;
    item->setVisible(false);
    item->setImage({"microphone.slash", true, {"systemRed", "labelColor"}, 0});
    item->setAction({platform::MouseButton::Left}, [](platform::MouseButton) { AppDelegate::shared().micMute(); });
}

void makeMainStatusItem() {
    auto* item = platform::statusBar().makeStatusItem();
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
