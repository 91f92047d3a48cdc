#pragma once

// A GTK accelerator as GSettings keeps the desktop's chords ("<Super>a",
// "<Primary><Alt>Delete"), as the modifier flags and evdev key to post.

#include "platform/Event.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace corv::desktop {

struct Accelerator {
    platform::EventFlags flags = 0;  // Shift, Control, Option, Command
    std::uint16_t key = 0;           // evdev code

    bool operator==(const Accelerator&) const = default;
};

// Nothing for an empty or disabled chord, a modifier alone, or a key this
// parser does not know.
std::optional<Accelerator> parseAccelerator(std::string_view text);

} // namespace corv::desktop
