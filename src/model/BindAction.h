#pragma once

#include "platform/PropertyList.h"

#include <cstdint>
#include <string>

namespace corv {

// What one input does: a key combination of the user's, or one of the actions.
struct BindAction {
    std::string hotkeyName;       // "Url": the user's name for the target
    bool isHotkey = false;        // true: sends hotkeyMod + hotkeyKey
    std::int64_t actionSel = 0;   // action id, 0 to 56
    std::uint64_t hotkeyMod = 0;  // event-flag mask; for "Mod Clicks" a modifier-label value
    std::uint16_t hotkeyKey = 0;  // virtual key code; for "Mod Clicks" a click id
    bool clickTh = false;
    bool clickThEn = false;
    bool multiShot = false;
    std::string appName;          // "App Launch": the application; "Url": the target
    bool enabled = true;

    // The binding of "Do Nothing", with that action's default flags.
    static BindAction makeDefault();
    // A binding of the action, with its default flags; an unknown id gives the default binding.
    static BindAction forAction(std::int64_t actionId);

    void encode(plist::KeyedEncoder& e) const;
    static BindAction decode(const plist::KeyedDecoder& d);
};

// Whether two bindings do the same thing; `enabled` is never compared.
bool operator==(const BindAction& a, const BindAction& b);
inline bool operator!=(const BindAction& a, const BindAction& b) { return !(a == b); }

} // namespace corv
