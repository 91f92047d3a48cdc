#pragma once

// The program's own input as evdev events for the posting device: keys with
// the modifiers their flags name pressed around them, buttons 1 to 5,
// relative motion, the wheel (with high resolution) and the media and
// brightness keys of system-defined events. Keeps what the device holds.
// The navigation swipe is a click of the back or forward button at the
// pointer; a magnify sequence is the wheel with Control held from its start
// to its end, one notch for each 0.1 of magnification.

#include "platform/Event.h"

#include <linux/input.h>

#include <cstdint>
#include <set>
#include <span>
#include <vector>

namespace corv::desktop {

class PostTranslator {
public:
    // One frame (without its SYN_REPORT); empty when the event has no evdev form.
    std::vector<input_event> translate(const platform::Event& event);
    // Ups for everything held, and forgets it.
    std::vector<input_event> releaseAll();
    // Ups for those of the codes held, keys before modifiers.
    std::vector<input_event> release(const std::set<std::uint16_t>& codes);
    // Whether any key, button or modifier is down.
    bool holdsAny() const { return !held_.empty(); }

    // Every key and button code and relative axis the device must offer.
    static std::vector<std::uint16_t> keyCodes();
    static std::span<const std::uint16_t> relativeAxes();

    // Magnification one wheel notch stands for.
    static constexpr double kMagnificationPerNotch = 0.1;

private:
    void gesture(const platform::Event& event, std::vector<input_event>& out);
    void syncModifiers(platform::EventFlags flags, platform::EventFlags keep, std::vector<input_event>& out,
                       bool pressing);
    void press(std::uint16_t code, bool down, std::vector<input_event>& out);

    std::set<std::uint16_t> held_;
    // The magnify sequence under way: its sum, the notches sent for it and
    // whether its Control is the one the device holds.
    struct Zoom {
        bool open = false;
        bool changed = false;
        double sum = 0;
        std::int64_t notches = 0;
        bool ownsControl = false;
    } zoom_;
};

} // namespace corv::desktop
