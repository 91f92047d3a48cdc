#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace corv::sim {
namespace {

using platform::Event;
using platform::TapLocation;
using platform::TapOptions;
using platform::TapPlacement;
using platform::TapProxy;

constexpr std::uint64_t kKeyMask = 0x1C00;

class SimEventSystemTest : public ::testing::Test {
protected:
    std::unique_ptr<SimPlatform> sim = std::make_unique<SimPlatform>();

    // A session tap that notes its name and the key code, and lets the event through.
    platform::EventTapId addTap(const std::string& name, TapPlacement placement = TapPlacement::TailAppend,
                                TapLocation location = TapLocation::Session) {
        auto id = sim->events.createTap(location, placement, TapOptions::Default, kKeyMask,
                                        [this, name](TapProxy, std::uint32_t, Event e) -> std::optional<Event> {
                                            seen.push_back(name + ":" + std::to_string(e.integerField(9)));
                                            return e;
                                        });
        enable(id);
        return id;
    }
    void enable(platform::EventTapId id) {
        sim->events.setEnabled(id, true);
        sim->events.addToMainLoop(sim->events.createRunLoopSource(id));
    }

    std::vector<std::string> seen;
};

TEST_F(SimEventSystemTest, InputPassesEnabledTapsInChainOrder) {
    auto a = addTap("a");
    addTap("b");
    addTap("head", TapPlacement::HeadInsert);
    addTap("hid", TapPlacement::TailAppend, TapLocation::Hid);
    auto idle = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, kKeyMask,
                                      [this](TapProxy, std::uint32_t, Event e) -> std::optional<Event> {
                                          seen.push_back("idle");
                                          return e;
                                      });
    EXPECT_FALSE(sim->events.isEnabled(idle));

    sim->events.inject(Event::keyboard(7, true));
    EXPECT_EQ(seen, (std::vector<std::string>{"hid:7", "head:7", "a:7", "b:7"}));
    ASSERT_EQ(sim->events.delivered.size(), 1u);
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 7);

    // A session post skips the HID tap; an enabled tap off the run loop sees nothing.
    seen.clear();
    sim->events.removeFromMainLoop(sim->events.createRunLoopSource(a));
    sim->events.post(TapLocation::Session, Event::keyboard(8, true));
    sim->runLoop.runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"head:8", "b:8"}));
    EXPECT_EQ(sim->events.delivered.size(), 1u);
}

TEST_F(SimEventSystemTest, SwallowedChangedAndProxyPostedEvents) {
    TapProxy firstProxy = nullptr;
    auto first = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, kKeyMask,
                                       [&](TapProxy proxy, std::uint32_t, Event e) -> std::optional<Event> {
                                           firstProxy = proxy;
                                           seen.push_back("first:" + std::to_string(e.integerField(9)));
                                           if (e.integerField(9) == 1) return std::nullopt;
                                           if (e.integerField(9) == 2) {
                                               // Posted through the proxy: goes on ahead of this event.
                                               sim->events.postToProxy(proxy, Event::keyboard(20, true));
                                               e.setIntegerField(9, 21);
                                           }
                                           return e;
                                       });
    enable(first);
    addTap("second");

    sim->events.inject(Event::keyboard(1, true));
    EXPECT_TRUE(sim->events.delivered.empty());
    EXPECT_THROW(sim->events.takeDelivered(), std::logic_error);

    sim->events.inject(Event::keyboard(2, true));
    EXPECT_EQ(seen, (std::vector<std::string>{"first:1", "first:2", "second:20", "second:21"}));
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 20);
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 21);
    EXPECT_TRUE(sim->events.delivered.empty());

    // Later, from the main queue, the proxy still posts after its tap only.
    seen.clear();
    sim->events.postToProxy(firstProxy, Event::keyboard(30, false));
    sim->runLoop.runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"second:30"}));
}

TEST_F(SimEventSystemTest, PostsOutsideACallbackArriveOnALaterTurnInPostingOrder) {
    TapProxy proxy = nullptr;
    auto first = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, kKeyMask,
                                       [&](TapProxy p, std::uint32_t, Event e) -> std::optional<Event> {
                                           proxy = p;
                                           seen.push_back("first:" + std::to_string(e.integerField(9)));
                                           return e;
                                       });
    enable(first);
    addTap("second");
    sim->events.inject(Event::keyboard(1, true));
    seen.clear();
    sim->events.takeDelivered();

    sim->events.post(TapLocation::Session, Event::keyboard(2, true));
    sim->events.postToProxy(proxy, Event::keyboard(3, true));
    sim->events.post(TapLocation::Hid, Event::keyboard(4, true));
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(sim->events.delivered.empty());
    // Input from the device in the meantime goes first.
    sim->events.inject(Event::keyboard(5, true));
    sim->runLoop.runFor(0);
    EXPECT_EQ(seen, (std::vector<std::string>{"first:5", "second:5", "first:2", "second:2", "second:3", "first:4",
                                              "second:4"}));
    for (int code : {5, 2, 3, 4}) EXPECT_EQ(sim->events.takeDelivered().integerField(9), code);
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(SimEventSystemTest, SessionPostFromACallbackArrivesAfterTheCurrentEvent) {
    auto tap = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, kKeyMask,
                                     [&](TapProxy, std::uint32_t, Event e) -> std::optional<Event> {
                                         seen.push_back(std::to_string(e.integerField(9)));
                                         if (e.integerField(9) == 1)
                                             sim->events.post(TapLocation::Session, Event::keyboard(2, true));
                                         return e;
                                     });
    enable(tap);
    sim->events.inject(Event::keyboard(1, true));
    EXPECT_EQ(seen, (std::vector<std::string>{"1"}));
    sim->runLoop.runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 1);
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 2);
}

TEST_F(SimEventSystemTest, InputQueuedDuringACallbackArrivesInsideItsRunLoopSpin) {
    auto tap = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, kKeyMask,
                                     [&](TapProxy, std::uint32_t, Event e) -> std::optional<Event> {
                                         const auto code = e.integerField(9);
                                         seen.push_back(std::to_string(code));
                                         if (code == 1) {
                                             sim->events.inject(Event::keyboard(2, true));
                                             sim->runLoop.runFor(0.01);
                                             seen.push_back("1 done");
                                         }
                                         return e;
                                     });
    enable(tap);
    sim->events.inject(Event::keyboard(1, true));
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "1 done"}));
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 2);
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 1);
}

TEST_F(SimEventSystemTest, ListenOnlyTapCannotChangeOrSwallow) {
    auto tap = sim->events.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::ListenOnly, kKeyMask,
                                     [](TapProxy, std::uint32_t, Event) -> std::optional<Event> { return std::nullopt; });
    enable(tap);
    sim->events.inject(Event::keyboard(4, true));
    ASSERT_EQ(sim->events.delivered.size(), 1u);
    EXPECT_EQ(sim->events.takeDelivered().integerField(9), 4);
}

TEST_F(SimEventSystemTest, MarkerPostedToTheHidSystemComesBackAsFlagsChanged) {
    auto key = addTap("key");
    auto handle = sim->hid.open();
    platform::HidEventData data{};
    data[8] = 0xEF;
    data[9] = 0xBE;
    EXPECT_EQ(sim->hid.post(handle, 12, {0, 0}, data, 2, 0x100000, 1), 0);

    auto r = sim->events.takeReceived(key);
    EXPECT_EQ(r.type, 12u);
    EXPECT_EQ(r.event.integerField(9), 0xBEEF);
    EXPECT_EQ(r.event.flags(), 0x100000u);

    // A closed handle posts nothing.
    sim->hid.close(handle);
    EXPECT_NE(sim->hid.post(handle, 12, {0, 0}, data, 2, 0, 1), 0);
    EXPECT_TRUE(sim->events.received(key).empty());
    EXPECT_EQ(sim->hid.posts.size(), 1u);
}

} // namespace
} // namespace corv::sim
