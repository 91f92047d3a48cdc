#include "ui/tabs/trackpad/ProfileTools.h"

#include "model/Apps.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/FollowingApps.h"
#include "ui/tabs/trackpad/RowEdits.h"

#include <cctype>
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

// The path of a file URL, percent escapes decoded.
std::string filePath(const std::string& url) {
    std::string text = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

template <class Edit>
void editSelected(Edit edit) {
    recorders::editEntry(recorders::selectedAppId(), [&](AnApp& e) {
        edit(e);
        return true;
    });
}

} // namespace

std::string displayedAppName(const std::string& id) {
    const AnApp* e = recorders::appEntry(id);
    if (!e) return id;
    std::string path = filePath(e->url.absoluteString());
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path == "/") return id;
    std::string last = path.substr(path.find_last_of('/') + 1);
    const auto dot = last.find_last_of('.');
    if (dot != std::string::npos && dot > 0) last.erase(dot);
    return last;
}

void toggleAppEnabled() { editSelected([](AnApp& e) { e.enabled = !e.enabled; }); }
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
