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
std::string rel(int code, int value) { return std::string("r").append(k(code, value)); }

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

// A gesture event of the kind the engine posts: magnify (8) or navigation swipe (16).
Event gesture(std::int64_t subtype, std::int64_t phase, double value = 0, std::int64_t direction = 0) {
    Event e;
    e.setType(platform::eventType::Gesture);
    e.setIntegerField(platform::field::GestureSubtype, subtype);
    e.setIntegerField(platform::field::GesturePhase, phase);
    e.setDoubleField(platform::field::ZoomValue, value);
    e.setIntegerField(115, direction);
    return e;
}

// Words joined by spaces, empty ones left out.
std::string words(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += ' ';
        out += p;
    }
    return out;
}

Event fromTouchpad(Event e) {
    e.setIntegerField(platform::field::SenderRegistryId, 4097);
    return e;
}

TEST(PostTranslator, MagnifyTurnsTheWheelWithControlAndTheNavigationSwipeClicks) {
    const std::string ctrl = words({k(KEY_LEFTCTRL, 1), "syn"}), unctrl = k(KEY_LEFTCTRL, 0);
    const auto notches = [](int n) {
        std::string out;
        for (int i = 0; i < (n < 0 ? -n : n); ++i)
            out = words({out, i ? "syn" : "", rel(REL_WHEEL, n < 0 ? -1 : 1),
                         rel(REL_WHEEL_HI_RES, n < 0 ? -120 : 120)});
        return out;
    };
    const auto click = [](int button) { return words({k(button, 1), "syn", k(button, 0)}); };
    using Frames = std::vector<std::string>;  // what each event gives
    const struct Case {
        const char* what;
        std::vector<Event> events;
        Frames posted;
    } cases[] = {
        {"a key step", {gesture(8, 1), gesture(8, 2, 0.05), gesture(8, 4)}, {"", words({ctrl, notches(1)}), unctrl}},
        {"the browsers' kick is no zoom",
         {gesture(8, 1), gesture(8, 2, 0.475), gesture(8, 2, 0.05), gesture(8, 4)},
         {"", "", words({ctrl, notches(1)}), unctrl}},
        {"a pinch out and back in past its start",
         {gesture(8, 1), gesture(8, 2, 0.31), gesture(8, 2, -0.5), gesture(8, 4)},
         {"", words({ctrl, notches(3)}), notches(-5), unctrl}},
        {"too little for a notch taps no Control", {gesture(8, 1), gesture(8, 2, 0.04), gesture(8, 4)}, {"", "", ""}},
        {"a change without a start", {gesture(8, 2, 0.3), gesture(8, 4)}, {"", ""}},
        {"a touchpad's own pinch, passed on", {fromTouchpad(gesture(8, 1, 0.27)), fromTouchpad(gesture(8, 2, 0.3))}, {"", ""}},
        {"back", {gesture(16, 1, 0, 4), gesture(16, 4)}, {click(BTN_SIDE), ""}},
        {"forward", {gesture(16, 1, 0, 8), gesture(16, 4)}, {click(BTN_EXTRA), ""}},
    };
    for (const Case& c : cases) {
        PostTranslator t;
        Frames posted;
        for (const Event& e : c.events) posted.push_back(text(t.translate(e)));
        EXPECT_EQ(posted, c.posted) << c.what;
        EXPECT_TRUE(t.releaseAll().empty()) << c.what;
    }

    // A posted key without Control takes it in mid-sequence: the next notch
    // presses it again, and the end lifts it once.
    PostTranslator t;
    t.translate(gesture(8, 1));
    EXPECT_EQ(text(t.translate(gesture(8, 2, 0.1))), words({ctrl, notches(1)}));
    EXPECT_EQ(text(t.translate(Event::keyboard(0, true))), words({unctrl, k(KEY_A, 1)}));
    t.translate(Event::keyboard(0, false));
    EXPECT_EQ(text(t.translate(gesture(8, 2, 0.1))), words({ctrl, notches(1)}));
    EXPECT_EQ(text(t.translate(gesture(8, 4))), unctrl);
}

} // namespace
} // namespace corv::desktop
