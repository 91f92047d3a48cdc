#include "EngineFixture.h"

#include "engine/DisplayLink.h"
#include "engine/SwipeAnimation.h"

#include <vector>

namespace corv::engine {
namespace {

struct Swipe {
    std::int64_t motion;
    std::int64_t phase;
    double progress;
    double velocity;
};

class SwipeAnimationTest : public test::EngineTest {
protected:
    // One 60 Hz display with four Spaces, the first of them current.
    void SetUp() override {
        sim->displays.addDisplay("D-1", 60);
        sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 11);
        updateDisplayLink();
    }

    platform::DisplayLinkRef link() const { return DisplayLinkState::shared().displayLink; }
    bool linkRunning() { return sim->displayLinks.isRunning(link()); }
    bool animating() const { return DLinkPara::shared().swipeLinkEn(); }

    // Triggered the way an action does it.
    void trigger(std::int64_t motion, std::int64_t direction) {
        triggerDockSwipe(motion, direction);
        sim->runLoop.runPending();
    }

    // The next frames of the link, 1/hz apart.
    void frames(int n, double hz = 60) {
        for (int i = 0; i < n; ++i) sim->displayLinks.tick(sim::SimDisplayLinks::hostTimeAt(++frame_ / hz));
    }
    double frameTime(double hz = 60) const { return frame_ / hz; }

    Swipe next() {
        const platform::Event e = sim->events.takePosted().event;
        EXPECT_EQ(e.type(), 30u);
        return {e.integerField(123), e.integerField(132), e.doubleField(124), e.doubleField(129)};
    }
    bool nothingMore() const { return sim->events.posted.empty(); }

    int frame_ = 0;
};

constexpr double kTarget4 = 4.0 / 3.0;

TEST_F(SwipeAnimationTest, TriggeredSwipeAt60HzClosesOnTheSeventhFrameAndTheLinkStopsLater) {
    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceIndex, 1);
    EXPECT_DOUBLE_EQ(swipeAnim().target, kTarget4);
    EXPECT_TRUE(animating());
    EXPECT_TRUE(linkRunning());

    Swipe began = next();
    EXPECT_EQ(began.motion, 1);
    EXPECT_EQ(began.phase, 1);
    EXPECT_DOUBLE_EQ(began.progress, kTarget4 / 1024);
    EXPECT_TRUE(nothingMore());

    frames(6);
    double last = began.progress, lastStep = 1e9;
    for (int i = 1; i <= 6; ++i) {
        Swipe s = next();
        EXPECT_EQ(s.phase, 2) << "frame " << i;
        const double step = s.progress - last;
        EXPECT_GT(step, 0) << "frame " << i;
        EXPECT_LT(step, lastStep) << "frame " << i;
        last = s.progress;
        lastStep = step;
    }
    // The sixth frame reaches the goal.
    EXPECT_DOUBLE_EQ(last, 1.00001 * kTarget4);
    EXPECT_TRUE(nothingMore());

    frames(1);
    Swipe ended = next();
    EXPECT_EQ(ended.phase, 4);
    EXPECT_DOUBLE_EQ(ended.progress, kTarget4);
    EXPECT_DOUBLE_EQ(ended.velocity, kTarget4 / 10000);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());
    const double closedAt = frameTime();

    // The link idles on for 0.6 s, then stops itself (frames land on 0.6 s
    // within rounding).
    frames(35);
    EXPECT_TRUE(linkRunning());
    while (linkRunning() && frame_ < 200) frames(1);
    EXPECT_GE(frameTime() - closedAt, kLinkIdleStop - 1e-9);
    EXPECT_LE(frameTime() - closedAt, kLinkIdleStop + 1.0 / 60 + 1e-9);
    EXPECT_TRUE(nothingMore());
}

TEST_F(SwipeAnimationTest, NoSwipePastEitherEndOfTheSpaces) {
    trigger(1, -1);  // before the first Space
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());

    sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 14);
    trigger(1, +1);  // past the last one
    EXPECT_TRUE(nothingMore());
    EXPECT_EQ(swipeAnim().spaceIndex, 3);

    sim->spaces.setSpaces("D-1", {11}, 11);
    trigger(1, +1);
    trigger(1, -1);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());
    EXPECT_FALSE(linkRunning());
}

TEST_F(SwipeAnimationTest, UnreadableSpacesCountAsTwoWithTheFirstCurrent) {
    sim->spaces.managed.reset();
    trigger(1, -1);
    EXPECT_TRUE(nothingMore());
    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceCount, 2);
    EXPECT_DOUBLE_EQ(swipeAnim().target, 2.0);
    EXPECT_DOUBLE_EQ(next().progress, 2.0 / 1024);
}

TEST_F(SwipeAnimationTest, ReversalMidSwipeCancelsBackToTheStart) {
    trigger(1, +1);
    next();
    frames(2);
    next();
    const double before = next().progress;

    trigger(1, -1);
    EXPECT_TRUE(nothingMore());
    EXPECT_EQ(swipeAnim().spaceIndex, 0);
    EXPECT_EQ(swipeAnim().goal, 0.0);

    double last = before;
    int changed = 0;
    for (; changed < 30; ++changed) {
        frames(1);
        Swipe s = next();
        if (s.phase != 2) {
            EXPECT_EQ(s.phase, 8);
            // The cancelled event carries the target, no velocity.
            EXPECT_DOUBLE_EQ(s.progress, kTarget4);
            EXPECT_EQ(s.velocity, 0.0);
            break;
        }
        EXPECT_LT(s.progress, last);
        last = s.progress;
    }
    EXPECT_GT(changed, 0);
    EXPECT_DOUBLE_EQ(last, 0.00001 * kTarget4);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());
}

TEST_F(SwipeAnimationTest, SecondSwipeTheSameWayFinishesTheFirstAndBeginsAnother) {
    trigger(1, +1);
    next();
    frames(2);
    next();
    next();

    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceIndex, 2);
    Swipe changed = next(), ended = next(), began = next();
    EXPECT_EQ(changed.phase, 2);
    EXPECT_DOUBLE_EQ(changed.progress, kTarget4);
    EXPECT_EQ(ended.phase, 4);
    EXPECT_DOUBLE_EQ(ended.progress, kTarget4);
    EXPECT_DOUBLE_EQ(ended.velocity, kTarget4 / 10000);
    EXPECT_EQ(began.phase, 1);
    EXPECT_DOUBLE_EQ(began.progress, kTarget4 / 1024);
    EXPECT_TRUE(nothingMore());

    // From the third Space the fourth is the last: one more goes, then no more.
    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceIndex, 3);
    next(), next(), next();
    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceIndex, 3);
    EXPECT_TRUE(nothingMore());
}

TEST_F(SwipeAnimationTest, ANewSwipeWhileTheLinkIdlesKeepsTheStoredSpace) {
    trigger(1, +1);
    frames(7);
    sim->events.clearLogs();
    ASSERT_FALSE(animating());
    ASSERT_TRUE(linkRunning());

    // The Space moved to index 1 but the window server has not caught up.
    trigger(1, +1);
    EXPECT_EQ(swipeAnim().spaceIndex, 2);
    EXPECT_EQ(sim->displayLinks.createCalls, 1);
    EXPECT_EQ(next().phase, 1);
}

TEST_F(SwipeAnimationTest, VerticalSwipeAt120HzReachesItsGoalOnTheEleventhFrame) {
    sim->displays.displays[0].mode->refreshRate = 120;
    updateDisplayLink();
    EXPECT_EQ(DisplayLinkState::shared().refreshFactor, 2.0);
    EXPECT_EQ(DisplayLinkState::shared().frameDecay, 0.936);

    trigger(2, -1);
    Swipe began = next();
    EXPECT_EQ(began.motion, 2);
    EXPECT_DOUBLE_EQ(began.progress, -1.0 / 60);

    frames(11, 120);
    for (int i = 1; i < 11; ++i) EXPECT_GT(next().progress, -1.0) << "frame " << i;
    EXPECT_DOUBLE_EQ(next().progress, -1.00001);
    frames(1, 120);
    Swipe ended = next();
    EXPECT_EQ(ended.phase, 4);
    EXPECT_EQ(ended.motion, 2);
    EXPECT_DOUBLE_EQ(ended.progress, -1.0);
    EXPECT_TRUE(nothingMore());

    // While one runs, another vertical or pinch swipe is ignored.
    trigger(3, +1);
    frames(1, 120);
    trigger(2, +1);
    EXPECT_EQ(swipeAnim().motion, 3);
    EXPECT_EQ(next().phase, 1);
    EXPECT_EQ(next().phase, 2);
    EXPECT_TRUE(nothingMore());
}

TEST_F(SwipeAnimationTest, AStepThatLeadsAwayFromTheGoalEndsTheSwipeThere) {
    // The fingers carried the swipe past 1; a restart then aims at 1 with a
    // positive step, which would move away from it frame after frame.
    trigger(1, +1);
    next();
    auto& a = swipeAnim();
    a.pos = 1.4;
    a.goal = 1.0;
    a.remaining = 1.0;
    a.decay = 1.0;
    frames(1);
    EXPECT_EQ(next().phase, 2);
    EXPECT_EQ(a.pos.get(), 1.0);
    frames(1);
    EXPECT_EQ(next().phase, 4);
    EXPECT_FALSE(animating());
    EXPECT_TRUE(nothingMore());
}

TEST_F(SwipeAnimationTest, FramesFromTheLinkThreadReachTheStreamInOrder) {
    trigger(1, +1);
    next();
    std::vector<std::uint64_t> times;
    for (int i = 1; i <= 7; ++i) times.push_back(sim::SimDisplayLinks::hostTimeAt(i / 60.0));
    sim->displayLinks.playTicks(times);
    sim->runLoop.runPending();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(next().phase, 2);
    EXPECT_EQ(next().phase, 4);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());
}

// Without a display link no frame would close the swipe.
class SwipeWithoutLinkTest : public SwipeAnimationTest {
protected:
    void SetUp() override { sim->spaces.setSpaces("D-1", {11, 12, 13, 14}, 11); }
};

TEST_F(SwipeWithoutLinkTest, SwipeClosesAtOnceWhenNoLinkCanBeMade) {
    updateDisplayLink();  // no display active at launch
    EXPECT_EQ(link(), 0u);
    trigger(1, +1);
    EXPECT_EQ(next().phase, 1);
    Swipe ended = next();
    EXPECT_EQ(ended.phase, 4);
    EXPECT_DOUBLE_EQ(ended.progress, kTarget4);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());

    sim->displays.addDisplay("D-1", 60);
    sim->displayLinks.failCreate = true;
    trigger(2, +1);
    EXPECT_EQ(next().phase, 1);
    EXPECT_EQ(next().phase, 4);
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(animating());

    // A held swipe with no link is cancelled.
    swipeAnim().held = true;
    DLinkPara::shared().setSwipeLinkEn(true);
    EXPECT_EQ(next().phase, 8);
    EXPECT_FALSE(animating());
}

TEST_F(SwipeWithoutLinkTest, FirstSwipeStartsAtTheRateOfTheDisplays) {
    sim->displays.addDisplay("D-1", 120);
    trigger(1, +1);
    const Swipe horizontal = next();
    EXPECT_EQ(horizontal.phase, 1);
    EXPECT_DOUBLE_EQ(horizontal.progress, kTarget4 / 2048);
    EXPECT_TRUE(linkRunning());
}

TEST_F(SwipeWithoutLinkTest, LinkIsMadeWhenFirstNeeded) {
    updateDisplayLink();
    sim->displays.addDisplay("D-1", 60);
    trigger(1, +1);
    EXPECT_NE(link(), 0u);
    EXPECT_TRUE(linkRunning());
    EXPECT_EQ(next().phase, 1);
    EXPECT_TRUE(nothingMore());
    frames(7);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(next().phase, 2);
    EXPECT_EQ(next().phase, 4);
}

} // namespace
} // namespace corv::engine
