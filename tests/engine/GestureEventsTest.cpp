#include "EngineFixture.h"

#include "engine/EventKinds.h"
#include "engine/GestureEvents.h"
#include "model/UIState.h"

#include <cstring>

namespace corv::engine {
namespace {

std::int32_t wordAt(const Bytes& b, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b.at(offset + i)) << (8 * i);
    return static_cast<std::int32_t>(v);
}

class GestureEventsTest : public test::EngineTest {};

TEST_F(GestureEventsTest, ClosingHorizontalDockSwipeCarriesTheExactTrailer) {
    enableEngineTaps();
    postDockSwipeEvent(1, 4, 0.5, 0.75);
    EXPECT_TRUE(sim->events.received(gestureTap().tap).empty());
    turn();

    auto r = sim->events.takeReceived(gestureTap().tap);
    EXPECT_EQ(r.type, 30u);
    const platform::Event& e = r.event;
    EXPECT_EQ(e.integerField(110), 23);
    EXPECT_EQ(e.integerField(123), 1);
    EXPECT_EQ(e.integerField(132), 4);
    EXPECT_EQ(e.doubleField(124), 0.5);
    EXPECT_EQ(e.doubleField(129), 0.75);

    // Natural scrolling on: the horizontal motion flips the trailer's signs only.
    const Bytes expected = {
        0x00, 0x60, 0x10, 0x6D,                                                  // length 96, marker
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
        0x02, 0x00, 0x00, 0x00,                                                  // closing
        0x28, 0x00, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04,  // 40, dock swipe, phase 4
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
        0x01, 0x00, 0x03, 0x00,                                                  // motion 1, 3
        0x00, 0x80, 0xFF, 0xFF,                                                  // progress -32768
        0x1C, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00,                          // 28, velocity
        0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,                          //
        0x00, 0x40, 0xFF, 0xFF, 0x00, 0x40, 0xFF, 0xFF,                          // velocity -49152 twice
        0x00, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(e.trailer(), expected);
    EXPECT_EQ(sim->events.delivered.size(), 1u);
}

TEST_F(GestureEventsTest, SignsAndRoundingOfTheWorkedExamples) {
    UIState::shared().naturalScroll.set(false);

    auto vertical = makeDockSwipeEvent(2, 2, 0.25, 0, false);
    ASSERT_TRUE(vertical);
    EXPECT_EQ(vertical->doubleField(124), -0.25);
    EXPECT_FALSE(vertical->hasField(129));
    ASSERT_EQ(vertical->trailer().size(), 72u);
    EXPECT_EQ(vertical->trailer()[0], 0x00);
    EXPECT_EQ(vertical->trailer()[1], 0x44);
    EXPECT_EQ(wordAt(vertical->trailer(), 68), -16384);

    auto horizontal = makeDockSwipeEvent(1, 2, 0.25, 0, false);
    EXPECT_EQ(horizontal->doubleField(124), -0.25);
    EXPECT_EQ(wordAt(horizontal->trailer(), 68), 16384);

    EXPECT_EQ(wordAt(dockSwipeTrailer(2, 2, 0.99999, 0, true), 68), 65535);
    EXPECT_EQ(wordAt(dockSwipeTrailer(2, 2, -0.5, 0, true), 68), -32768);
    EXPECT_EQ(wordAt(dockSwipeTrailer(3, 8, 0.1, -0.99999, true), 88), -65535);

    // The posted event follows the setting.
    postDockSwipeEvent(2, 8, 0.25, 1.0);
    turn();
    auto posted = sim->events.takeDelivered();
    EXPECT_EQ(posted.doubleField(124), -0.25);
    EXPECT_EQ(posted.doubleField(129), -1.0);
    EXPECT_EQ(posted.trailer().size(), 100u);

    // A later change of the setting reaches the next event.
    UIState::shared().naturalScroll.set(true);
    postDockSwipeEvent(2, 2, 0.25, 0);
    turn();
    posted = sim->events.takeDelivered();
    EXPECT_EQ(posted.doubleField(124), 0.25);
    EXPECT_EQ(wordAt(posted.trailer(), 68), 16384);
    EXPECT_TRUE(sim->events.delivered.empty());
}

TEST_F(GestureEventsTest, NavigationSwipeBeginsAndEndsOnSeparateTurns) {
    postNavigationSwipe(8);
    EXPECT_TRUE(sim->events.posted.empty());
    turn();
    ASSERT_EQ(sim->events.posted.size(), 1u);
    EXPECT_TRUE(sim->events.delivered.empty());
    // The began event is delivered before the ended one is posted.
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 1u);
    auto began = sim->events.takeDelivered();
    EXPECT_EQ(began.type(), 29u);
    EXPECT_EQ(began.integerField(110), 16);
    EXPECT_EQ(began.integerField(132), 1);
    EXPECT_EQ(began.integerField(115), 8);
    EXPECT_EQ(sim->events.posted.size(), 2u);
    turn();
    ASSERT_EQ(sim->events.delivered.size(), 1u);
    auto ended = sim->events.takeDelivered();
    EXPECT_EQ(ended.type(), 29u);
    EXPECT_EQ(ended.integerField(132), 4);
    EXPECT_EQ(ended.integerField(115), 0);
}

TEST(EventKinds, RawValuesWithoutACaseGiveNone) {
    std::vector<std::uint32_t> ns, nx;
    for (std::uint32_t v = 0; v <= 64; ++v) {
        if (auto t = nsEventTypeFromRaw(v)) {
            EXPECT_EQ(raw(*t), v);
            ns.push_back(v);
        }
        if (auto t = nxEventTypeFromRaw(v)) {
            EXPECT_EQ(raw(*t), v);
            nx.push_back(v);
        }
    }
    EXPECT_EQ(ns.size(), 34u);
    EXPECT_EQ(ns.front(), 1u);
    EXPECT_EQ(ns.back(), 37u);
    for (std::uint32_t gap : {0u, 21u, 35u, 36u, 38u}) EXPECT_FALSE(nsEventTypeFromRaw(gap)) << gap;
    EXPECT_EQ(nx.size(), 23u);
    for (std::uint32_t gap : {16u, 21u, 29u}) EXPECT_FALSE(nxEventTypeFromRaw(gap)) << gap;

    EXPECT_EQ(eventSubTypeFromRaw(23), CGEventSubType::DockSwipe);
    EXPECT_EQ(eventSubTypeFromRaw(40), CGEventSubType::Count);
    EXPECT_FALSE(eventSubTypeFromRaw(41));
    EXPECT_FALSE(eventSubTypeFromRaw(-1));
    EXPECT_EQ(maskBit(NSEventType::ScrollWheel) | maskBit(NSEventType::Gesture) | maskBit(NSEventType::DockControl),
              0x60400000u);
}

} // namespace
} // namespace corv::engine
