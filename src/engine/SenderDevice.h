#pragma once

// Which device sent an input event, by name, and whether it is an Apple trackpad.

#include "model/DeviceName.h"
#include "platform/Event.h"

#include <string_view>

namespace corv::engine {

// Product and maker of the sender, found through the I/O registry once per
// registry id and cached; empty strings when nothing is found.
DeviceName senderDeviceName(const platform::Event& event);

// Product holds "trackpad" and maker holds "apple", in any case.
bool isAppleTrackpad(const DeviceName& name);

// The event's sender is a trackpad: an Apple trackpad by name, or a touchpad
// by the platform's word.
bool isTrackpadSender(const platform::Event& event);

// Substring test that folds ASCII letters only.
bool containsIgnoringCase(std::string_view text, std::string_view part);

} // namespace corv::engine
