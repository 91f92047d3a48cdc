#include "platform/desktop/input/PostTranslator.h"

#include "platform/desktop/input/EvdevKeyMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using platform::Event;

std::string text(const std::vector<input_event>& events) {
    std::string out;
    for (const auto& ev : events) {
        if (!out.empty()) out += ' ';
        if (ev.type == EV_SYN) out += "syn";
        else {
            if (ev.type == EV_REL) out += 'r';
            out.append(std::to_string(ev.code)).append(":").append(std::to_string(ev.value));
        }
    }
    return out;
}

std::string k(int code, int value) { return std::to_string(code) + ":" + std::to_string(value); }

TEST(PostTranslator, KeysCarryTheirModifiersAndTheReleaseEndsThem) {
    PostTranslator t;
    Event down = Event::keyboard(0, true);  // A
    down.setFlags(flag::Command | flag::Shift | flag::NonCoalesced);
    EXPECT_EQ(text(t.translate(down)), k(KEY_LEFTSHIFT, 1) + " " + k(KEY_LEFTMETA, 1) + " " + k(KEY_A, 1));
    Event up = Event::keyboard(0, false);
    up.setFlags(flag::Command | flag::Shift);
    EXPECT_EQ(text(t.translate(up)), k(KEY_A, 0));
    Event release = Event::keyboard(55, false);
    release.setType(platform::eventType::FlagsChanged);
    release.setFlags(flag::NonCoalesced);
    EXPECT_EQ(text(t.translate(release)), k(KEY_LEFTSHIFT, 0) + " " + k(KEY_LEFTMETA, 0));

    // The right-hand bit picks the right-hand key; an arrow's own Fn is not pressed.
    Event right = Event::keyboard(123, true);
    right.setFlags(flag::Option | flag::RightOption | flag::Fn | flag::NumericPad);
    EXPECT_EQ(text(t.translate(right)), k(KEY_RIGHTALT, 1) + " " + k(KEY_LEFT, 1));
    EXPECT_EQ(text(t.releaseAll()), k(KEY_LEFT, 0) + " " + k(KEY_RIGHTALT, 0));

    // An up of a key or button lifted meanwhile presses no modifier for it.
    up.setFlags(flag::Control);
    EXPECT_EQ(text(t.translate(up)), "");
    Event clickUp = Event::mouse(2, platform::Point{0, 0}, 0);
    clickUp.setFlags(flag::Command);
    EXPECT_EQ(text(t.translate(clickUp)), "");
}

TEST(PostTranslator, ClicksWheelAndSystemKeys) {
    PostTranslator t;
    Event click = Event::mouse(25, platform::Point{5, 5}, 4);
    click.setFlags(flag::Control);
    EXPECT_EQ(text(t.translate(click)), k(KEY_LEFTCTRL, 1) + " " + k(BTN_EXTRA, 1));
    Event clickUp = Event::mouse(26, platform::Point{5, 5}, 4);
    clickUp.setFlags(flag::Control);
    EXPECT_EQ(text(t.translate(clickUp)), k(BTN_EXTRA, 0));

    Event wheel = Event::scrollWheel(platform::ScrollUnits::Line, -2, 0);
    EXPECT_EQ(text(t.translate(wheel)), std::string("r").append(k(REL_WHEEL, -2)).append(" r").append(k(REL_WHEEL_HI_RES, -240)));

    for (auto [type, code] : {std::pair{16, KEY_PLAYPAUSE}, {3, KEY_BRIGHTNESSDOWN}}) {
        for (auto [state, value] : {std::pair{0xA, 1}, {0xB, 0}}) {
            Event media = Event::systemDefined({}, 0xA0000, 0, {8, (std::int64_t{type} << 16) | (state << 8), -1, -1});
            EXPECT_EQ(text(t.translate(media)), k(code, value));
        }
    }
    EXPECT_EQ(text(t.translate(Event::systemDefined({}, 0, 0, {7, 16 << 16, -1, -1}))), "");
}

} // namespace
} // namespace corv::desktop
