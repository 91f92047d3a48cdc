#pragma once

// The one-line text a binding row shows: the user's key combination with its
// modifiers, the application to launch, the modifier click, the URL or
// script, or the localised name of the action. Keys and modifiers are named
// in the desktop's words (model/KeyWords).

#include "model/BindAction.h"
#include "model/Gesture.h"

#include <cstdint>
#include <string>

namespace corv::recorders {

// A key with the modifiers of the mask (event flags shifted right by 16):
// "Ctrl+Shift+K"; a key without a name in hexadecimal; kNoKey (0xFFFF) gives
// the modifiers alone, as held while recording.
std::string keyComboText(std::uint64_t mask, std::uint16_t keyCode);

// launchKind: the kind of the binding's appName, as classifyLaunchTarget gives it.
std::string bindingDisplayText(ActGes ges, const BindAction& binding, std::int64_t launchKind);
// generalKey: a key row (true) or a Logitech control row (false).
std::string keyBindingDisplayText(bool generalKey, const BindAction& binding, std::int64_t launchKind);

} // namespace corv::recorders
