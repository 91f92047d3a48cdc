#pragma once

// A GTK accelerator as GSettings keeps the desktop's chords ("<Super>a",
// "<Primary><Alt>Delete"), as the modifier flags and evdev key to post: the
// key that types the chord's symbol in the given keyboard layout.

#include "platform/Event.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corv::desktop {

struct Accelerator {
    platform::EventFlags flags = 0;  // Shift, Control, Option, Command
    std::uint16_t key = 0;           // evdev code

    bool operator==(const Accelerator&) const = default;
};

// Nothing for an empty or disabled chord, a modifier alone, a symbol XKB does
// not know or no key of the layout types. `layout` is an XKB layout as the
// X11 keymap names it ("fr", "de(nodeadkeys)"); one XKB cannot compile counts
// as "us".
std::optional<Accelerator> parseAccelerator(std::string_view text, const std::string& layout = "us");

} // namespace corv::desktop
