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

template <class Edit>
void editApp(const std::string& id, Edit edit) {
    recorders::editEntry(id, [&](AnApp& e) {
        edit(e);
        return true;
    });
}

template <class Edit>
void editSelected(Edit edit) {
    editApp(recorders::selectedAppId(), edit);
}

} // namespace

const std::array<ClickSwitch, 3>& clickSwitches() {
    static const std::array<ClickSwitch, 3> switches{
        {{ClickFlag::Left, "Setting tab left click through", HelpTopic::LeftClickThrough},
         {ClickFlag::Right, "Setting tab right click through", HelpTopic::RightClickThrough},
         {ClickFlag::Scroll, "Setting tab scroll click through", HelpTopic::ScrollClickThrough}}};
    return switches;
}

bool AnApp::*clickFlagMember(ClickFlag f) {
    switch (f) {
    case ClickFlag::Left: return &AnApp::lct;
    case ClickFlag::Right: return &AnApp::rct;
    case ClickFlag::Scroll: break;
    }
    return &AnApp::sct;
}

void toggleGestureLock() { toggleGestureLock(recorders::selectedAppId()); }
void toggleGestureLock(const std::string& id) { editApp(id, [](AnApp& e) { e.gesLock = !e.gesLock; }); }

void loadGlobalBindings() { loadGlobalBindings(recorders::selectedAppId()); }

void loadGlobalBindings(const std::string& id) {
    clearHighlight();
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

void removeAllGestureBindings() { removeAllGestureBindings(recorders::selectedAppId()); }

void removeAllGestureBindings(const std::string& id) {
    clearHighlight();
    editApp(id, [](AnApp& e) { e.ges.clear(); });
    editApp(id, [](AnApp& e) { e.lct = false; });
    editApp(id, [](AnApp& e) { e.rct = false; });
    editApp(id, [](AnApp& e) { e.sct = false; });
}

bool clickFlag(ClickFlag f) {
    const AnApp* e = recorders::appEntry(recorders::selectedAppId());
    return e && e->*clickFlagMember(f);
}

void setClickFlag(ClickFlag f, bool on) { editSelected([&](AnApp& e) { e.*clickFlagMember(f) = on; }); }

void carryOverClickThrough(ClickFlag f, bool, bool byClick) {
    if (!recorders::selectedAppId().empty() || !byClick) return;
    for (const std::string& id : recorders::unlockedGesApps(Apps::shared().a.get())) {
        const AnApp* global = recorders::appEntry("");
        if (!global) return;
        const bool value = global->*clickFlagMember(f);
        recorders::editEntry(id, [&](AnApp& e) {
            e.*clickFlagMember(f) = value;
            return true;
        });
    }
}

std::int64_t togglePane(std::int64_t shown, std::int64_t n) { return shown == n ? 0 : n; }

} // namespace corv::ui::trackpad
