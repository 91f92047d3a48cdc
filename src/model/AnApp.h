#pragma once

#include "model/BindAction.h"
#include "model/Gesture.h"
#include "platform/PropertyList.h"
#include "platform/Url.h"

#include <cstdint>
#include <map>

namespace corv {

// Gesture bindings: finger count → kind → modifier mask → direction → binding.
using DirBindings = std::map<ActDir, BindAction>;
using ModDirBindings = std::map<std::uint64_t, DirBindings>;
using KindBindings = std::map<ActGes, ModDirBindings>;
using GestureBindings = std::map<std::uint64_t, KindBindings>;
// Key bindings: key code → modifier mask → binding.
using ModBindings = std::map<std::uint64_t, BindAction>;
using KeyBindings = std::map<std::uint64_t, ModBindings>;

// All bindings and click-through switches of one application, or of the
// global profile (stored under the empty application id).
struct AnApp {
    bool enabled = true;
    Url url{"file:///"};  // never empty: an empty URL would not load back
    GestureBindings ges;
    KeyBindings key;
    bool lct = false;
    bool rct = false;
    bool sct = false;
    bool gesLock = false;
    bool keyLock = false;

    bool operator==(const AnApp&) const = default;

    // The entry the global profile starts with: enabled, the file URL of the
    // empty path, no bindings, all three click-throughs on, unlocked.
    static AnApp makeGlobalDefault(const std::string& currentDirectory);

    void encode(plist::KeyedEncoder& e) const;
    static AnApp decode(const plist::KeyedDecoder& d);
};

} // namespace corv
