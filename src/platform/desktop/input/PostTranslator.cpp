#include "platform/desktop/input/PostTranslator.h"

#include "platform/desktop/input/EvdevKeyMap.h"
#include "platform/desktop/input/InputRouter.h"
#include "platform/desktop/input/OutputModifiers.h"

#include <array>
#include <cmath>

namespace corv::desktop {

namespace {

namespace et = platform::eventType;

constexpr std::uint32_t kDeltaX = 4;
constexpr std::uint32_t kDeltaY = 5;
constexpr std::int16_t kAuxControlButtons = 8;

// Gesture subtypes and phases the program posts.
constexpr std::int64_t kZoom = 8;
constexpr std::int64_t kNavigationSwipe = 16;
constexpr std::uint32_t kNavigationDirection = 115;
constexpr std::int64_t kBegan = 1;
constexpr std::int64_t kChanged = 2;
constexpr std::int64_t kEnded = 4;
constexpr std::int64_t kBack = 4;
constexpr std::int64_t kForward = 8;

// The engine's extra first change for browsers that miss the first one of a
// pinch: the wheel misses none, and it would be five notches.
constexpr double kKickIn = 0.475;
constexpr double kKickOut = -0.3125;

// The notches a sum of magnification stands for, to the nearest: a lone
// key step (0.05) sends its notch.
std::int64_t notchesOf(double sum) {
    const double n = std::floor(std::fabs(sum) / PostTranslator::kMagnificationPerNotch + 0.5 + 1e-9);
    return static_cast<std::int64_t>(sum < 0 ? -n : n);
}

constexpr std::array<std::uint16_t, 6> kAxes{REL_X, REL_Y, REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES};
constexpr std::array<std::uint16_t, 5> kButtons{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA};

struct ModifierClass {
    platform::EventFlags bit;
    platform::EventFlags rightBit;
    std::uint16_t left;
    std::uint16_t right;
};
constexpr std::array<ModifierClass, 5> kModifiers{{
    {flag::Control, flag::RightControl, KEY_LEFTCTRL, KEY_RIGHTCTRL},
    {flag::Shift, flag::RightShift, KEY_LEFTSHIFT, KEY_RIGHTSHIFT},
    {flag::Option, flag::RightOption, KEY_LEFTALT, KEY_RIGHTALT},
    {flag::Command, flag::RightCommand, KEY_LEFTMETA, KEY_RIGHTMETA},
    {flag::Fn, 0, KEY_FN, KEY_FN},
}};

std::optional<std::uint16_t> systemKey(std::int64_t keyType) {
    switch (keyType) {
    case 0: return KEY_VOLUMEUP;
    case 1: return KEY_VOLUMEDOWN;
    case 2: return KEY_BRIGHTNESSUP;
    case 3: return KEY_BRIGHTNESSDOWN;
    case 7: return KEY_MUTE;
    case 16: return KEY_PLAYPAUSE;
    case 17: return KEY_NEXTSONG;
    case 18: return KEY_PREVIOUSSONG;
    case 19: return KEY_FASTFORWARD;
    case 20: return KEY_REWIND;
    default: return std::nullopt;
    }
}

std::optional<std::uint16_t> buttonCode(const platform::Event& e) {
    const auto n = e.integerField(platform::field::MouseButtonNumber);
    switch (e.type()) {
    case 1:
    case 2: return BTN_LEFT;
    case 3:
    case 4: return BTN_RIGHT;
    default: break;
    }
    switch (n) {
    case 2: return BTN_MIDDLE;
    case 3: return BTN_SIDE;
    case 4: return BTN_EXTRA;
    default: return std::nullopt;
    }
}

} // namespace

std::vector<std::uint16_t> PostTranslator::keyCodes() {
    std::vector<std::uint16_t> codes;
    for (const auto& k : evdevKeys()) codes.push_back(k.evdev);
    for (std::uint16_t c : {std::uint16_t{KEY_FASTFORWARD}, std::uint16_t{KEY_REWIND}, OutputModifiers::kGuardKey})
        codes.push_back(c);
    codes.insert(codes.end(), kButtons.begin(), kButtons.end());
    return codes;
}

std::span<const std::uint16_t> PostTranslator::relativeAxes() { return kAxes; }

void PostTranslator::press(std::uint16_t code, bool down, std::vector<input_event>& out) {
    if (down == (held_.count(code) != 0)) return;
    if (down)
        held_.insert(code);
    else
        held_.erase(code);
    out.push_back(inputEvent(EV_KEY, code, down ? 1 : 0));
}

void PostTranslator::syncModifiers(platform::EventFlags flags, platform::EventFlags keep,
                                   std::vector<input_event>& out, bool pressing) {
    std::vector<input_event> presses;
    for (const auto& m : kModifiers) {
        if (keep & m.bit) continue;
        const bool want = (flags & m.bit) != 0;
        const bool right = want && m.rightBit != 0 && (flags & m.rightBit) != 0 &&
                           (flags & modifierFlagsOfEvdev(m.left) & ~m.bit) == 0;
        const std::uint16_t wanted = right ? m.right : m.left;
        for (std::uint16_t code : {m.left, m.right})
            if (held_.count(code) && (!want || code != wanted)) press(code, false, out);
        if (want) press(wanted, true, presses);
    }
    // An up of a key not held (lifted meanwhile) presses no modifier for it.
    for (const input_event& ev : presses)
        if (pressing) out.push_back(ev);
        else held_.erase(ev.code);
}

std::vector<input_event> PostTranslator::translate(const platform::Event& e) {
    std::vector<input_event> out;
    const std::uint32_t type = e.type();
    if (type == et::KeyDown || type == et::KeyUp) {
        const auto vk = static_cast<std::uint16_t>(e.integerField(platform::field::KeyboardKeycode));
        auto code = evdevOfVirtualKey(vk);
        if (!code) return out;
        syncModifiers(e.flags(), impliedFlagsOfEvdev(*code), out, type == et::KeyDown || held_.count(*code));
        if (type == et::KeyDown && held_.count(*code)) {
            out.push_back(inputEvent(EV_KEY, *code, 2));
        } else {
            press(*code, type == et::KeyDown, out);
        }
    } else if (type == et::FlagsChanged) {
        const auto vk = static_cast<std::uint16_t>(e.integerField(platform::field::KeyboardKeycode));
        if (vk == 57) {  // Caps Lock toggles: one press and release
            out.push_back(inputEvent(EV_KEY, KEY_CAPSLOCK, 1));
            out.push_back(inputEvent(EV_SYN, SYN_REPORT, 0));
            out.push_back(inputEvent(EV_KEY, KEY_CAPSLOCK, 0));
            return out;
        }
        syncModifiers(e.flags(), 0, out, true);
    } else if (type == 1 || type == 3 || type == 25 || type == 2 || type == 4 || type == 26) {
        auto code = buttonCode(e);
        if (!code) return out;
        const bool down = type == 1 || type == 3 || type == 25;
        syncModifiers(e.flags(), 0, out, down || held_.count(*code));
        press(*code, down, out);
    } else if (type == 5 || type == 6 || type == 7 || type == 27) {
        const auto dx = e.integerField(kDeltaX), dy = e.integerField(kDeltaY);
        if (dx) out.push_back(inputEvent(EV_REL, REL_X, static_cast<std::int32_t>(dx)));
        if (dy) out.push_back(inputEvent(EV_REL, REL_Y, static_cast<std::int32_t>(dy)));
    } else if (type == et::ScrollWheel) {
        for (int axis = 0; axis < 2; ++axis) {
            const auto fixedField = axis == 0 ? platform::field::ScrollFixedDeltaAxis1 : platform::field::ScrollFixedDeltaAxis2;
            const auto lineField = axis == 0 ? platform::field::ScrollDeltaAxis1 : platform::field::ScrollDeltaAxis2;
            const double lines = e.hasField(fixedField) ? e.doubleField(fixedField) : double(e.integerField(lineField));
            const auto fine = static_cast<std::int32_t>(std::lround(lines * 120.0));
            if (fine == 0) continue;
            const auto whole = static_cast<std::int32_t>(lines);
            if (whole) out.push_back(inputEvent(EV_REL, axis == 0 ? REL_WHEEL : REL_HWHEEL, whole));
            out.push_back(inputEvent(EV_REL, axis == 0 ? REL_WHEEL_HI_RES : REL_HWHEEL_HI_RES, fine));
        }
    } else if (type == et::Gesture) {
        gesture(e, out);
    } else if (type == et::SystemDefined && e.systemData().subtype == kAuxControlButtons) {
        const std::int64_t data1 = e.systemData().data1;
        auto code = systemKey((data1 >> 16) & 0xFFFF);
        const std::int64_t state = (data1 >> 8) & 0xFF;
        // Without modifiers: on this desktop they would make another shortcut of the key.
        if (!code || (state != 0xA && state != 0xB)) return out;
        press(*code, state == 0xA, out);
    }
    return out;
}

void PostTranslator::gesture(const platform::Event& e, std::vector<input_event>& out) {
    // A touchpad's own gesture, passed on, carries its sender: the desktop
    // has it from the touchpad already.
    if (e.integerField(platform::field::SenderRegistryId) != 0) return;
    const std::int64_t subtype = e.integerField(platform::field::GestureSubtype);
    const std::int64_t phase = e.integerField(platform::field::GesturePhase);
    if (subtype == kNavigationSwipe) {
        const std::int64_t direction = e.integerField(kNavigationDirection);
        if (phase != kBegan || (direction != kBack && direction != kForward)) return;
        const std::uint16_t button = direction == kBack ? BTN_SIDE : BTN_EXTRA;
        // A button the device holds (a held Mod Click) is not clicked over.
        if (held_.count(button)) return;
        press(button, true, out);
        out.push_back(inputEvent(EV_SYN, SYN_REPORT, 0));
        press(button, false, out);
        return;
    }
    if (subtype != kZoom) return;
    const auto releaseControl = [&] {
        if (zoom_.ownsControl && held_.count(KEY_LEFTCTRL)) press(KEY_LEFTCTRL, false, out);
        zoom_.ownsControl = false;
    };
    if (phase == kEnded) {
        releaseControl();
        zoom_ = {};
        return;
    }
    if (phase == kBegan) {
        // A sequence that began again without its end starts over.
        releaseControl();
        zoom_ = {};
        zoom_.open = true;
    } else if (phase != kChanged || !zoom_.open) {
        return;
    }
    const double value = e.doubleField(platform::field::ZoomValue);
    const bool kick = phase == kChanged && !zoom_.changed && (value == kKickIn || value == kKickOut);
    if (phase == kChanged) zoom_.changed = true;
    if (!kick) zoom_.sum += value;
    const std::int64_t due = notchesOf(zoom_.sum) - zoom_.notches;
    // Control goes down with the first notch (a sequence without one taps
    // no lone Control), and again before a notch when a posted key or a
    // release took it meanwhile.
    if (due != 0 && !held_.count(KEY_LEFTCTRL)) {
        press(KEY_LEFTCTRL, true, out);
        zoom_.ownsControl = true;
    }
    const std::int32_t sign = due > 0 ? 1 : -1;
    for (std::int64_t i = 0; i < (due < 0 ? -due : due); ++i) {
        if (!out.empty()) out.push_back(inputEvent(EV_SYN, SYN_REPORT, 0));
        out.push_back(inputEvent(EV_REL, REL_WHEEL, sign));
        out.push_back(inputEvent(EV_REL, REL_WHEEL_HI_RES, sign * 120));
    }
    zoom_.notches += due;
}

std::vector<input_event> PostTranslator::releaseAll() { return release(std::set<std::uint16_t>(held_)); }

std::vector<input_event> PostTranslator::release(const std::set<std::uint16_t>& codes) {
    // Keys and buttons first, then the modifiers held around them.
    std::vector<input_event> out;
    for (bool modifiers : {false, true})
        for (std::uint16_t code : codes)
            if (held_.count(code) && (modifierFlagsOfEvdev(code) != 0) == modifiers)
                out.push_back(inputEvent(EV_KEY, code, 0));
    for (std::uint16_t code : codes) held_.erase(code);
    return out;
}

} // namespace corv::desktop
