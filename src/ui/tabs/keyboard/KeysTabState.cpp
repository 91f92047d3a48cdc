#include "ui/tabs/keyboard/KeysTabState.h"

#include "engine/ShortcutList.h"
#include "logitech/ControlDiversion.h"
#include "model/ApplicationSets.h"
#include "model/UIApp.h"
#include "platform/Background.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/CaptureTabs.h"
#include "recorders/FollowingApps.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"

#include <cmath>

namespace corv::ui::keyboard {

namespace {

void clearControlRow() {
    auto& hi = recorders::LogiKeybHighlighted::shared();
    recorders::CidHilited h = hi.h.get();
    h.cid.reset();
    hi.h.set(h);
}

} // namespace

void keysTabAppeared() {
    recorders::beginKeyCapture();
    engine::refreshShortcutNames();
    platform::background().run([] { refreshRunningApps(CallerThread::Background); });
}

void keysTabDisappeared() {
    recorders::endKeyCapture();
    logitech::updateControlDiversionAsync();
}

void selectApplication(const std::string& id) {
    clearKeyHighlight();
    clearControlRow();
    recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
    recorders::KeyBind::reset();
    UIApp::shared().id.set(id);
}

void clearKeyHighlight() {
    auto& hi = recorders::KeyHighlighted::shared();
    recorders::KeyHilited h = hi.h.get();
    h.key.reset();
    hi.h.set(h);
}

void clearHighlights() {
    clearControlRow();
    recorders::PhyKeyHighlighted::shared().usage.set(std::nullopt);
    clearKeyHighlight();
}

double tabMaxHeight(double screenHeight) {
    return std::isfinite(screenHeight) ? screenHeight - 105 : screenHeight;
}

void loadGlobalKeyBindings() { loadGlobalKeyBindings(recorders::selectedAppId()); }

void loadGlobalKeyBindings(const std::string& id) {
    clearKeyHighlight();
    platform::runLoop().post([id] {
        platform::runLoop().post([id] {
            const AnApp* global = recorders::appEntry("");
            if (!global) return;
            const KeyBindings keys = global->key;
            recorders::editEntry(id, [&](AnApp& e) {
                e.key = keys;
                return true;
            });
        });
    });
}

void removeAllKeyBindings() { removeAllKeyBindings(recorders::selectedAppId()); }

void removeAllKeyBindings(const std::string& id) {
    clearKeyHighlight();
    recorders::editEntry(id, [](AnApp& e) {
        e.key.clear();
        return true;
    });
}

void toggleKeyLock() { toggleKeyLock(recorders::selectedAppId()); }

void toggleKeyLock(const std::string& id) {
    recorders::editEntry(id, [](AnApp& e) {
        e.keyLock = !e.keyLock;
        return true;
    });
}

} // namespace corv::ui::keyboard
