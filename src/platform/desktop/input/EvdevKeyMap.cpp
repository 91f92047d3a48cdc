#include "platform/desktop/input/EvdevKeyMap.h"

#include <linux/input-event-codes.h>

#include <array>

namespace corv::desktop {

namespace {

constexpr std::uint64_t kb(std::uint32_t usage) { return (std::uint64_t{7} << 32) | usage; }
constexpr std::uint64_t consumer(std::uint32_t usage) { return (std::uint64_t{0xC} << 32) | usage; }

constexpr std::uint16_t kNoKey = 0xFFFF;
constexpr platform::EventFlags kFnKey = flag::Fn;
constexpr platform::EventFlags kArrow = flag::Fn | flag::NumericPad;
constexpr platform::EventFlags kPad = flag::NumericPad;

constexpr std::array kKeys{
    EvdevKey{KEY_A, 0, kb(0x04), 0},
    EvdevKey{KEY_S, 1, kb(0x16), 0},
    EvdevKey{KEY_D, 2, kb(0x07), 0},
    EvdevKey{KEY_F, 3, kb(0x09), 0},
    EvdevKey{KEY_H, 4, kb(0x0B), 0},
    EvdevKey{KEY_G, 5, kb(0x0A), 0},
    EvdevKey{KEY_Z, 6, kb(0x1D), 0},
    EvdevKey{KEY_X, 7, kb(0x1B), 0},
    EvdevKey{KEY_C, 8, kb(0x06), 0},
    EvdevKey{KEY_V, 9, kb(0x19), 0},
    EvdevKey{KEY_102ND, 10, kb(0x64), 0},
    EvdevKey{KEY_B, 11, kb(0x05), 0},
    EvdevKey{KEY_Q, 12, kb(0x14), 0},
    EvdevKey{KEY_W, 13, kb(0x1A), 0},
    EvdevKey{KEY_E, 14, kb(0x08), 0},
    EvdevKey{KEY_R, 15, kb(0x15), 0},
    EvdevKey{KEY_Y, 16, kb(0x1C), 0},
    EvdevKey{KEY_T, 17, kb(0x17), 0},
    EvdevKey{KEY_1, 18, kb(0x1E), 0},
    EvdevKey{KEY_2, 19, kb(0x1F), 0},
    EvdevKey{KEY_3, 20, kb(0x20), 0},
    EvdevKey{KEY_4, 21, kb(0x21), 0},
    EvdevKey{KEY_6, 22, kb(0x23), 0},
    EvdevKey{KEY_5, 23, kb(0x22), 0},
    EvdevKey{KEY_EQUAL, 24, kb(0x2E), 0},
    EvdevKey{KEY_9, 25, kb(0x26), 0},
    EvdevKey{KEY_7, 26, kb(0x24), 0},
    EvdevKey{KEY_MINUS, 27, kb(0x2D), 0},
    EvdevKey{KEY_8, 28, kb(0x25), 0},
    EvdevKey{KEY_0, 29, kb(0x27), 0},
    EvdevKey{KEY_RIGHTBRACE, 30, kb(0x30), 0},
    EvdevKey{KEY_O, 31, kb(0x12), 0},
    EvdevKey{KEY_U, 32, kb(0x18), 0},
    EvdevKey{KEY_LEFTBRACE, 33, kb(0x2F), 0},
    EvdevKey{KEY_I, 34, kb(0x0C), 0},
    EvdevKey{KEY_P, 35, kb(0x13), 0},
    EvdevKey{KEY_ENTER, 36, kb(0x28), 0},
    EvdevKey{KEY_L, 37, kb(0x0F), 0},
    EvdevKey{KEY_J, 38, kb(0x0D), 0},
    EvdevKey{KEY_APOSTROPHE, 39, kb(0x34), 0},
    EvdevKey{KEY_K, 40, kb(0x0E), 0},
    EvdevKey{KEY_SEMICOLON, 41, kb(0x33), 0},
    EvdevKey{KEY_BACKSLASH, 42, kb(0x31), 0},
    EvdevKey{KEY_COMMA, 43, kb(0x36), 0},
    EvdevKey{KEY_SLASH, 44, kb(0x38), 0},
    EvdevKey{KEY_N, 45, kb(0x11), 0},
    EvdevKey{KEY_M, 46, kb(0x10), 0},
    EvdevKey{KEY_DOT, 47, kb(0x37), 0},
    EvdevKey{KEY_TAB, 48, kb(0x2B), 0},
    EvdevKey{KEY_SPACE, 49, kb(0x2C), 0},
    EvdevKey{KEY_GRAVE, 50, kb(0x35), 0},
    EvdevKey{KEY_BACKSPACE, 51, kb(0x2A), 0},
    EvdevKey{KEY_ESC, 53, kb(0x29), 0},
    EvdevKey{KEY_RIGHTMETA, 54, kb(0xE7), 0},
    EvdevKey{KEY_LEFTMETA, 55, kb(0xE3), 0},
    EvdevKey{KEY_LEFTSHIFT, 56, kb(0xE1), 0},
    EvdevKey{KEY_CAPSLOCK, 57, kb(0x39), 0},
    EvdevKey{KEY_LEFTALT, 58, kb(0xE2), 0},
    EvdevKey{KEY_LEFTCTRL, 59, kb(0xE0), 0},
    EvdevKey{KEY_RIGHTSHIFT, 60, kb(0xE5), 0},
    EvdevKey{KEY_RIGHTALT, 61, kb(0xE6), 0},
    EvdevKey{KEY_RIGHTCTRL, 62, kb(0xE4), 0},
    EvdevKey{KEY_FN, 63, (std::uint64_t{0xFF} << 32) | 0x3, 0},
    EvdevKey{KEY_F17, 64, kb(0x6C), kFnKey},
    EvdevKey{KEY_KPDOT, 65, kb(0x63), kPad},
    EvdevKey{KEY_KPASTERISK, 67, kb(0x55), kPad},
    EvdevKey{KEY_KPPLUS, 69, kb(0x57), kPad},
    EvdevKey{KEY_NUMLOCK, 71, kb(0x53), kPad},
    EvdevKey{KEY_VOLUMEUP, 72, kb(0x80), 0},
    EvdevKey{KEY_VOLUMEDOWN, 73, kb(0x81), 0},
    EvdevKey{KEY_MUTE, 74, kb(0x7F), 0},
    EvdevKey{KEY_KPSLASH, 75, kb(0x54), kPad},
    EvdevKey{KEY_KPENTER, 76, kb(0x58), kPad},
    EvdevKey{KEY_KPMINUS, 78, kb(0x56), kPad},
    EvdevKey{KEY_F18, 79, kb(0x6D), kFnKey},
    EvdevKey{KEY_F19, 80, kb(0x6E), kFnKey},
    EvdevKey{KEY_KPEQUAL, 81, kb(0x67), kPad},
    EvdevKey{KEY_KP0, 82, kb(0x62), kPad},
    EvdevKey{KEY_KP1, 83, kb(0x59), kPad},
    EvdevKey{KEY_KP2, 84, kb(0x5A), kPad},
    EvdevKey{KEY_KP3, 85, kb(0x5B), kPad},
    EvdevKey{KEY_KP4, 86, kb(0x5C), kPad},
    EvdevKey{KEY_KP5, 87, kb(0x5D), kPad},
    EvdevKey{KEY_KP6, 88, kb(0x5E), kPad},
    EvdevKey{KEY_KP7, 89, kb(0x5F), kPad},
    EvdevKey{KEY_F20, 90, kb(0x6F), kFnKey},
    EvdevKey{KEY_KP8, 91, kb(0x60), kPad},
    EvdevKey{KEY_KP9, 92, kb(0x61), kPad},
    EvdevKey{KEY_YEN, 93, kb(0x89), 0},
    EvdevKey{KEY_RO, 94, kb(0x87), 0},
    EvdevKey{KEY_KPJPCOMMA, 95, kb(0x85), kPad},
    EvdevKey{KEY_F5, 96, kb(0x3E), kFnKey},
    EvdevKey{KEY_F6, 97, kb(0x3F), kFnKey},
    EvdevKey{KEY_F7, 98, kb(0x40), kFnKey},
    EvdevKey{KEY_F3, 99, kb(0x3C), kFnKey},
    EvdevKey{KEY_F8, 100, kb(0x41), kFnKey},
    EvdevKey{KEY_F9, 101, kb(0x42), kFnKey},
    EvdevKey{KEY_MUHENKAN, 102, kb(0x91), 0},
    EvdevKey{KEY_F11, 103, kb(0x44), kFnKey},
    EvdevKey{KEY_HENKAN, 104, kb(0x90), 0},
    EvdevKey{KEY_SYSRQ, 105, kb(0x46), kFnKey},
    EvdevKey{KEY_F13, 105, kb(0x68), kFnKey},
    EvdevKey{KEY_F16, 106, kb(0x6B), kFnKey},
    EvdevKey{KEY_SCROLLLOCK, 107, kb(0x47), kFnKey},
    EvdevKey{KEY_F14, 107, kb(0x69), kFnKey},
    EvdevKey{KEY_F10, 109, kb(0x43), kFnKey},
    EvdevKey{KEY_COMPOSE, 110, kb(0x65), 0},
    EvdevKey{KEY_F12, 111, kb(0x45), kFnKey},
    EvdevKey{KEY_PAUSE, 113, kb(0x48), kFnKey},
    EvdevKey{KEY_F15, 113, kb(0x6A), kFnKey},
    EvdevKey{KEY_INSERT, 114, kb(0x49), kFnKey},
    EvdevKey{KEY_HOME, 115, kb(0x4A), kFnKey},
    EvdevKey{KEY_PAGEUP, 116, kb(0x4B), kFnKey},
    EvdevKey{KEY_DELETE, 117, kb(0x4C), kFnKey},
    EvdevKey{KEY_F4, 118, kb(0x3D), kFnKey},
    EvdevKey{KEY_END, 119, kb(0x4D), kFnKey},
    EvdevKey{KEY_F2, 120, kb(0x3B), kFnKey},
    EvdevKey{KEY_PAGEDOWN, 121, kb(0x4E), kFnKey},
    EvdevKey{KEY_F1, 122, kb(0x3A), kFnKey},
    EvdevKey{KEY_LEFT, 123, kb(0x50), kArrow},
    EvdevKey{KEY_RIGHT, 124, kb(0x4F), kArrow},
    EvdevKey{KEY_DOWN, 125, kb(0x51), kArrow},
    EvdevKey{KEY_UP, 126, kb(0x52), kArrow},
    EvdevKey{KEY_POWER, 127, kb(0x66), 0},
    EvdevKey{KEY_F21, kNoKey, kb(0x70), kFnKey},
    EvdevKey{KEY_F22, kNoKey, kb(0x71), kFnKey},
    EvdevKey{KEY_F23, kNoKey, kb(0x72), kFnKey},
    EvdevKey{KEY_F24, kNoKey, kb(0x73), kFnKey},
    EvdevKey{KEY_PLAYPAUSE, kNoKey, consumer(0xCD), 0},
    EvdevKey{KEY_NEXTSONG, kNoKey, consumer(0xB5), 0},
    EvdevKey{KEY_PREVIOUSSONG, kNoKey, consumer(0xB6), 0},
    EvdevKey{KEY_EJECTCD, kNoKey, consumer(0xCC), 0},
    EvdevKey{KEY_BRIGHTNESSUP, kNoKey, consumer(0x6F), 0},
    EvdevKey{KEY_BRIGHTNESSDOWN, kNoKey, consumer(0x70), 0},
};

template <class Pred>
const EvdevKey* find(Pred pred) {
    for (const EvdevKey& k : kKeys)
        if (pred(k)) return &k;
    return nullptr;
}

} // namespace

std::span<const EvdevKey> evdevKeys() { return kKeys; }

std::optional<std::uint16_t> virtualKeyOfEvdev(std::uint16_t evdev) {
    if (const auto* k = find([&](const EvdevKey& k) { return k.evdev == evdev && k.virtualKey != kNoKey; }))
        return k->virtualKey;
    return std::nullopt;
}

std::optional<std::uint16_t> evdevOfVirtualKey(std::uint16_t virtualKey) {
    if (virtualKey == kNoKey) return std::nullopt;
    if (const auto* k = find([&](const EvdevKey& k) { return k.virtualKey == virtualKey; })) return k->evdev;
    return std::nullopt;
}

std::optional<std::uint64_t> hidUsageOfEvdev(std::uint16_t evdev) {
    if (const auto* k = find([&](const EvdevKey& k) { return k.evdev == evdev && k.hidUsage != 0; }))
        return k->hidUsage;
    return std::nullopt;
}

std::optional<std::uint16_t> evdevOfHidUsage(std::uint64_t usage) {
    if (usage == 0) return std::nullopt;
    if (const auto* k = find([&](const EvdevKey& k) { return k.hidUsage == usage; })) return k->evdev;
    // Keyboards report the non-US # key, which Linux treats as the backslash.
    if (usage == kb(0x32)) return KEY_BACKSLASH;
    return std::nullopt;
}

platform::EventFlags impliedFlagsOfEvdev(std::uint16_t evdev) {
    const auto* k = find([&](const EvdevKey& k) { return k.evdev == evdev; });
    return k ? k->implied : 0;
}

platform::EventFlags modifierFlagsOfEvdev(std::uint16_t evdev) {
    switch (evdev) {
    case KEY_LEFTSHIFT: return flag::Shift | flag::LeftShift;
    case KEY_RIGHTSHIFT: return flag::Shift | flag::RightShift;
    case KEY_LEFTCTRL: return flag::Control | flag::LeftControl;
    case KEY_RIGHTCTRL: return flag::Control | flag::RightControl;
    case KEY_LEFTALT: return flag::Option | flag::LeftOption;
    case KEY_RIGHTALT: return flag::Option | flag::RightOption;
    case KEY_LEFTMETA: return flag::Command | flag::LeftCommand;
    case KEY_RIGHTMETA: return flag::Command | flag::RightCommand;
    case KEY_FN: return flag::Fn;
    default: return 0;
    }
}

} // namespace corv::desktop
