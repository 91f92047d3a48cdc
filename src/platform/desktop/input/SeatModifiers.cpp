#include "platform/desktop/input/SeatModifiers.h"

#include "platform/desktop/input/EvdevKeyMap.h"

#include <linux/input.h>

namespace corv::desktop {

namespace {

constexpr std::array<std::uint16_t, 9> kCodes{KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTALT,
                                              KEY_RIGHTALT, KEY_LEFTMETA,  KEY_RIGHTMETA,  KEY_FN};

int indexOf(std::uint16_t code) {
    for (std::size_t i = 0; i < kCodes.size(); ++i)
        if (kCodes[i] == code) return static_cast<int>(i);
    return -1;
}

} // namespace

void SeatModifiers::key(std::uint16_t code, bool down) {
    const int i = indexOf(code);
    if (i < 0) return;
    auto& n = held_[static_cast<std::size_t>(i)];
    if (down) {
        ++n;
        return;
    }
    // Never below none: an up whose down came before we looked.
    int now = n.load();
    while (now > 0 && !n.compare_exchange_weak(now, now - 1)) {
    }
}

platform::EventFlags SeatModifiers::flags() const {
    platform::EventFlags f = 0;
    for (std::size_t i = 0; i < kCodes.size(); ++i)
        if (held_[i].load() > 0) f |= modifierFlagsOfEvdev(kCodes[i]);
    if (capsLock_.load() != 0) f |= flag::CapsLock;
    return f;
}

} // namespace corv::desktop
