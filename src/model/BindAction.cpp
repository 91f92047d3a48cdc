#include "model/BindAction.h"

#include "model/ActionTable.h"

namespace corv {

BindAction BindAction::forAction(std::int64_t actionId) {
    auto flags = defaultFlagsFor(actionId);
    if (!flags) {
        actionId = ActionId::DoNothing;
        flags = defaultFlagsFor(actionId);
    }
    BindAction b;
    b.actionSel = actionId;
    b.clickTh = flags->clickTh;
    b.clickThEn = flags->clickThEn;
    b.multiShot = flags->multiShot;
    return b;
}

BindAction BindAction::makeDefault() { return forAction(ActionId::DoNothing); }

void BindAction::encode(plist::KeyedEncoder& e) const {
    e.encode("hotkeyName", hotkeyName);
    e.encode("isHotkey", isHotkey);
    e.encode("actionSel", actionSel);
    e.encode("hotkeyMod", hotkeyMod);
    e.encode("hotkeyKey", hotkeyKey);
    e.encode("clickTh", clickTh);
    e.encode("clickThEn", clickThEn);
    e.encode("multiShot", multiShot);
    e.encode("appName", appName);
    e.encode("enabled", enabled);
}

BindAction BindAction::decode(const plist::KeyedDecoder& d) {
    BindAction b = makeDefault();
    b.hotkeyName = d.decode<std::string>("hotkeyName");
    b.isHotkey = d.decode<bool>("isHotkey");
    b.actionSel = d.decode<std::int64_t>("actionSel");
    b.hotkeyMod = d.decode<std::uint64_t>("hotkeyMod");
    b.hotkeyKey = d.decode<std::uint16_t>("hotkeyKey");
    b.clickTh = d.decode<bool>("clickTh");
    b.clickThEn = d.decode<bool>("clickThEn");
    b.multiShot = d.decode<bool>("multiShot");
    b.appName = d.decode<std::string>("appName");
    b.enabled = d.decode<bool>("enabled");
    return b;
}

bool operator==(const BindAction& a, const BindAction& b) {
    auto sameFlags = [&] { return a.clickTh == b.clickTh && a.clickThEn == b.clickThEn && a.multiShot == b.multiShot; };
    if (a.isHotkey != b.isHotkey) return false;
    if (a.isHotkey) return a.hotkeyMod == b.hotkeyMod && a.hotkeyKey == b.hotkeyKey && sameFlags();
    if (a.actionSel != b.actionSel) return false;
    switch (a.actionSel) {
    case ActionId::AppLaunch:
        return sameFlags() && a.appName == b.appName;
    case ActionId::Url:
        return a.hotkeyName == b.hotkeyName && a.appName == b.appName;
    case ActionId::ModClicks:
        // "Mod Clicks" keeps its modifiers and click kind in the hotkey fields.
        return a.hotkeyMod == b.hotkeyMod && a.hotkeyKey == b.hotkeyKey && sameFlags();
    default:
        return sameFlags();
    }
}

} // namespace corv
