#pragma once

// The one-line text a binding row shows: the user's key combination with its
// modifier symbols, the application to launch, the modifier click, the URL or
// script, or the localised name of the action.

#include "model/BindAction.h"
#include "model/Gesture.h"

#include <cstdint>
#include <string>

namespace corv::recorders {

// The symbols of the modifiers in the mask (event flags shifted right by 16),
// Fn first, then a space; an Fn the key brings by itself is left out.
std::string modifierSymbols(std::uint64_t mask, std::uint16_t keyCode);

// launchKind: the kind of the binding's appName, as classifyLaunchTarget gives it.
std::string bindingDisplayText(ActGes ges, const BindAction& binding, std::int64_t launchKind);
// generalKey: a key row (true) or a Logitech control row (false).
std::string keyBindingDisplayText(bool generalKey, const BindAction& binding, std::int64_t launchKind);

} // namespace corv::recorders
