#include "ui/tabs/trackpad/ProfileTools.h"

#include "model/Apps.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "ui/tabs/trackpad/RowEdits.h"

#include <cstdint>
#include <string>

namespace corv::ui::trackpad {

namespace {

bool AnApp::*member(ClickFlag f) {
    switch (f) {
    case ClickFlag::Left: return &AnApp::lct;
    case ClickFlag::Right: return &AnApp::rct;
    case ClickFlag::Scroll: break;
    }
    return &AnApp::sct;
}

template <class Edit>
void editSelected(Edit edit) {
    recorders::editEntry(recorders::selectedAppId(), [&](AnApp& e) {
        edit(e);
        return true;
    });
}

} // namespace

void toggleGestureLock() { editSelected([](AnApp& e) { e.gesLock = !e.gesLock; }); }

void loadGlobalBindings() {
    clearHighlight();
    const std::string id = recorders::selectedAppId();
    platform::runLoop().post([id] {
        platform::runLoop().post([id] {
            const auto copy = [&id](auto AnApp::*field) {
                const AnApp* global = recorders::appEntry("");
                if (!global) return;
                const auto value = global->*field;
                recorders::editEntry(id, [&](AnApp& e) {
                    e.*field = value;
                    return true;
                });
            };
            copy(&AnApp::ges);
            copy(&AnApp::lct);
            copy(&AnApp::rct);
            copy(&AnApp::sct);
        });
    });
}

void removeAllGestureBindings() {
    clearHighlight();
    editSelected([](AnApp& e) { e.ges.clear(); });
    editSelected([](AnApp& e) { e.lct = false; });
    editSelected([](AnApp& e) { e.rct = false; });
    editSelected([](AnApp& e) { e.sct = false; });
}

bool clickFlag(ClickFlag f) {
    const AnApp* e = recorders::appEntry(recorders::selectedAppId());
    return e && e->*member(f);
}

void setClickFlag(ClickFlag f, bool on) { editSelected([&](AnApp& e) { e.*member(f) = on; }); }

void carryOverClickThrough(ClickFlag f, bool, bool byClick) {
    if (!recorders::selectedAppId().empty() || !byClick) return;
    for (const std::string& id : recorders::unlockedGesApps(Apps::shared().a.get())) {
        const AnApp* global = recorders::appEntry("");
        if (!global) return;
        const bool value = global->*member(f);
        recorders::editEntry(id, [&](AnApp& e) {
            e.*member(f) = value;
            return true;
        });
    }
}

std::int64_t togglePane(std::int64_t shown, std::int64_t n) { return shown == n ? 0 : n; }

} // namespace corv::ui::trackpad
