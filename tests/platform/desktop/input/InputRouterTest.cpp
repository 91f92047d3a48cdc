#include "platform/desktop/input/InputRouter.h"

#include "platform/desktop/input/EvdevKeyMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

constexpr std::uint64_t kKeys = 0x1C00;
constexpr std::uint64_t kClicks = 0xDE;

using Events = std::vector<input_event>;

std::vector<std::string> keys(const Events& events) {
    std::vector<std::string> out;
    for (const auto& ev : events)
        if (ev.type == EV_KEY) out.push_back(std::to_string(ev.code) + (ev.value == 0 ? "u" : ev.value == 1 ? "d" : "r"));
    return out;
}

// Feeds one key event through the router the way the reader does; the chain
// answers with `verdict` (passes, swallows, or no answer in time).
enum class Chain { Passes, Swallows, TimesOut };
Events feed(InputRouter& r, std::uint16_t code, std::int32_t value, std::uint64_t wanted, Chain chain = Chain::Passes) {
    Events frame{inputEvent(EV_MSC, MSC_SCAN, 0x70004), inputEvent(EV_KEY, code, value)};
    Events out;
    for (const auto& unit : r.split(frame)) {
        Events part;
        if (!r.waits(unit, wanted) || chain == Chain::TimesOut)
            part = r.pass(unit);
        else
            part = r.resolve(unit, chain == Chain::Passes ? unit.event : std::nullopt);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

TEST(InputRouter, EveryKeyTheCloneGotDownGetsItsUpThereAndNoOther) {
    struct Case {
        const char* name;
        std::uint64_t wantedAtDown;
        Chain atDown;
        std::uint64_t wantedAtUp;
        Chain atUp;
        std::vector<std::string> clone;
    };
    const std::string a = std::to_string(KEY_A);
    const std::vector<Case> cases{
        {"unbound key passes the chain", kKeys, Chain::Passes, kKeys, Chain::Passes, {a + "d", a + "u"}},
        {"down unasked, binding appears before the up", 0, Chain::Passes, kKeys, Chain::Swallows, {a + "d", a + "u"}},
        {"swallowed down swallows its up", kKeys, Chain::Swallows, kKeys, Chain::Passes, {}},
        {"swallowed down, taps off before the up", kKeys, Chain::Swallows, 0, Chain::Passes, {}},
        {"down timed out, up swallowed", kKeys, Chain::TimesOut, kKeys, Chain::Swallows, {a + "d", a + "u"}},
        {"down passed, up timed out", kKeys, Chain::Passes, kKeys, Chain::TimesOut, {a + "d", a + "u"}},
    };
    for (const auto& c : cases) {
        InputRouter r;
        Events clone = feed(r, KEY_A, 1, c.wantedAtDown, c.atDown);
        Events up = feed(r, KEY_A, 0, c.wantedAtUp, c.atUp);
        clone.insert(clone.end(), up.begin(), up.end());
        EXPECT_EQ(keys(clone), c.clone) << c.name;
        // The clone holds nothing more.
        EXPECT_TRUE(r.releaseAll().empty()) << c.name;
    }
}

TEST(InputRouter, UnaskedDownSendsRepeatsAndUpWithoutAsking) {
    InputRouter r;
    feed(r, KEY_B, 1, 0);
    for (std::int32_t value : {2, 0}) {
        auto units = r.split(Events{inputEvent(EV_KEY, KEY_B, value)});
        ASSERT_EQ(units.size(), 1u);
        EXPECT_FALSE(r.waits(units[0], kKeys)) << value;
        EXPECT_EQ(r.pass(units[0]).size(), 1u);
    }
}

TEST(InputRouter, AKeyDownPassedUnwatchedIsAskedAgainOnlyOnceWatched) {
    // (watched at the repeat, watched at the up) → whether each waits.
    const std::vector<std::pair<std::pair<bool, bool>, std::pair<bool, bool>>> cases = {
        {{false, false}, {false, false}},
        {{true, true}, {true, true}},
        {{false, true}, {false, true}},
    };
    for (const auto& [watched, waits] : cases) {
        InputRouter r;
        auto down = r.split(Events{inputEvent(EV_KEY, KEY_B, 1)});
        EXPECT_FALSE(r.waits(down[0], kKeys, false));
        EXPECT_EQ(keys(r.pass(down[0], true)), (std::vector<std::string>{"48d"}));
        auto repeat = r.split(Events{inputEvent(EV_KEY, KEY_B, 2)});
        EXPECT_EQ(r.waits(repeat[0], kKeys, watched.first), waits.first);
        auto up = r.split(Events{inputEvent(EV_KEY, KEY_B, 0)});
        EXPECT_EQ(r.waits(up[0], kKeys, watched.second), waits.second);
        EXPECT_EQ(keys(r.resolve(up[0], up[0].event)), (std::vector<std::string>{"48u"}));
        // Forgotten with its up: the next down decides afresh.
        auto again = r.split(Events{inputEvent(EV_KEY, KEY_B, 1)});
        EXPECT_TRUE(r.waits(again[0], kKeys));
        // Judged, its repeats and up are judged though the key is no longer watched.
        EXPECT_TRUE(r.resolve(again[0], std::nullopt).empty());
        for (std::int32_t value : {2, 0}) {
            auto next = r.split(Events{inputEvent(EV_KEY, KEY_B, value)});
            EXPECT_TRUE(r.waits(next[0], kKeys, false)) << value;
        }
    }
}

TEST(InputRouter, ReleaseGivesUpsForHeldKeysAsTheCloneHoldsThem) {
    InputRouter r;
    feed(r, KEY_LEFTSHIFT, 1, kKeys);
    // A tap turned the down of Q into W: the clone holds W, and Q's up releases W.
    auto units = r.split(Events{inputEvent(EV_KEY, KEY_Q, 1)});
    platform::Event changed = platform::Event::keyboard(*virtualKeyOfEvdev(KEY_W), true);
    EXPECT_EQ(keys(r.resolve(units[0], changed)), std::vector<std::string>{std::to_string(KEY_W) + "d"});
    EXPECT_EQ(keys(r.releaseAll()),
              (std::vector<std::string>{std::to_string(KEY_W) + "u", std::to_string(KEY_LEFTSHIFT) + "u"}));
    EXPECT_TRUE(feed(r, KEY_Q, 0, kKeys).empty());
}

TEST(InputRouter, RemapComesBeforeTheChainAndFlagsFollowHeldKeys) {
    InputRouter r(77);
    r.setRemap({{KEY_CAPSLOCK, KEY_LEFTCTRL}});
    auto units = r.split(Events{inputEvent(EV_MSC, MSC_SCAN, 0x70039), inputEvent(EV_KEY, KEY_CAPSLOCK, 1)});
    ASSERT_EQ(units.size(), 1u);
    const auto& e = *units[0].event;
    EXPECT_EQ(e.type(), platform::eventType::FlagsChanged);
    EXPECT_EQ(e.integerField(platform::field::KeyboardKeycode), 59);
    EXPECT_EQ(e.flags() & ~flag::NonCoalesced, flag::Control | flag::LeftControl);
    EXPECT_EQ(e.integerField(87), 77);
    // The old scan code named Caps Lock; the clone gets Left Control alone.
    EXPECT_EQ(keys(r.pass(units[0])), std::vector<std::string>{std::to_string(KEY_LEFTCTRL) + "d"});

    r.split(Events{inputEvent(EV_KEY, KEY_RIGHTMETA, 1)});
    auto a = r.split(Events{inputEvent(EV_KEY, KEY_A, 1)});
    EXPECT_EQ(a[0].event->flags(),
              flag::Control | flag::LeftControl | flag::Command | flag::RightCommand | flag::NonCoalesced);
    auto left = r.split(Events{inputEvent(EV_KEY, KEY_LEFT, 1)});
    EXPECT_TRUE(left[0].event->flags() & flag::Fn);
}

TEST(InputRouter, PointerFramesBecomeClicksDragsAndWheelTurns) {
    InputRouter r;
    auto down = r.split(Events{inputEvent(EV_KEY, BTN_LEFT, 1), inputEvent(EV_REL, REL_X, 3)});
    ASSERT_EQ(down.size(), 2u);
    EXPECT_EQ(down[0].event->type(), 1u);
    EXPECT_EQ(down[1].event->type(), 6u);  // dragged: the button went down first
    EXPECT_EQ(down[1].event->integerField(4), 3);
    EXPECT_TRUE(r.waits(down[0], kClicks));
    auto side = r.split(Events{inputEvent(EV_KEY, BTN_SIDE, 1)});
    EXPECT_EQ(side[0].event->type(), 25u);
    EXPECT_EQ(side[0].event->integerField(platform::field::MouseButtonNumber), 3);

    InputRouter plain;
    auto move = plain.split(Events{inputEvent(EV_REL, REL_X, 1), inputEvent(EV_REL, REL_Y, -2)});
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(move[0].event->type(), 5u);
    EXPECT_FALSE(plain.waits(move[0], kClicks | kKeys));
    auto wheel = plain.split(Events{inputEvent(EV_REL, REL_WHEEL, 1), inputEvent(EV_REL, REL_WHEEL_HI_RES, 120),
                                    inputEvent(EV_REL, REL_HWHEEL_HI_RES, -60)});
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(wheel[0].event->integerField(platform::field::ScrollDeltaAxis1), 1);
    EXPECT_DOUBLE_EQ(wheel[0].event->doubleField(platform::field::ScrollFixedDeltaAxis2), -0.5);
    EXPECT_EQ(plain.pass(wheel[0]).size(), 3u);
}

} // namespace
} // namespace corv::desktop
