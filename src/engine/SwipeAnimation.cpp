#include "engine/SwipeAnimation.h"

#include "engine/DisplayLink.h"
#include "engine/DisplaySpaces.h"
#include "engine/EventFields.h"
#include "engine/GestureEvents.h"
#include "engine/SkyLight.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::engine {

namespace {

int signOf(double v) { return (v > 0) - (v < 0); }

// Steps a triggered swipe starts with.
double firstHorizontalStep() { return 1.0 / (DisplayLinkState::shared().refreshFactor * 1024.0); }
double firstOtherStep() { return 1.0 / (DisplayLinkState::shared().refreshFactor * 30.0); }

// The ended event at the goal, or the cancelled one when the goal is 0.
void postClosing(SwipeAnim& a) {
    const double progress = a.pos * a.target;
    if (a.goal != 0.0)
        postDockSwipeEvent(a.motion, Phase::Ended, progress, progress / 10000.0);
    else
        postDockSwipeEvent(a.motion, Phase::Cancelled, a.target, 0.0);
}

void startHorizontal(std::int64_t direction) {
    auto& a = swipeAnim();
    auto& para = DLinkPara::shared();

    if (!para.swipeLinkEn()) {
        // While the link still runs from an earlier swipe, its position stands.
        if (!displayLinkRunning()) {
            const auto at = cursorLocation();
            const SpacePosition p = spacePositionAtPoint(at);
            a.spaceCount = p.count;
            a.spaceIndex = p.index;
        }
        const std::int64_t count = a.spaceCount, index = a.spaceIndex;
        if ((index == 0 && direction == -1) || (index == count - 1 && direction == +1)) return;
        // A display without Spaces leaves nowhere to go.
        if (count < 2) return;
        a.spaceIndex = index + direction;
        a.target = static_cast<double>(direction * count) / static_cast<double>(count - 1);
        a.pos = firstHorizontalStep();
        a.remaining = 1.0;
        a.goal = 1.0;
        a.motion = SwipeMotion::Horizontal;
        a.decay = 1.0;
        postDockSwipeEvent(SwipeMotion::Horizontal, Phase::Began, a.pos * a.target, 0.0);
        para.setSwipeLinkEn(true);
        return;
    }

    const double goal = a.goal, target = a.target;
    const int heading = goal == 1.0 ? signOf(target) : -signOf(target);
    const std::int64_t count = a.spaceCount, index = a.spaceIndex;
    const std::int64_t motion = a.motion;

    if (signOf(static_cast<double>(direction)) != heading) {
        // A reversal: the next frames carry pos to the other end.
        a.spaceIndex = index + direction;
        if (goal == 1.0) {
            a.remaining = -1.0;
            a.goal = 0.0;
        } else if (goal == 0.0) {
            a.remaining = 1.0;
            a.goal = 1.0;
        }
        a.decay = 1.0;
        return;
    }

    if (index < 1 || index > count - 2) return;
    a.spaceIndex = index + direction;
    if (goal != 0.0) {
        // Finish the swipe under way, then begin the next one.
        postDockSwipeEvent(motion, Phase::Changed, target, 0.0);
        postDockSwipeEvent(motion, Phase::Ended, target, target / 10000.0);
    } else {
        // Drop the cancelling swipe and go the other way from the start.
        postDockSwipeEvent(motion, Phase::Changed, 0.0, 0.0);
        postDockSwipeEvent(motion, Phase::Cancelled, 0.0, 0.0);
        a.target = -target;
        a.goal = 1.0;
    }
    a.pos = firstHorizontalStep();
    a.remaining = 1.0;
    a.decay = 1.0;
    postDockSwipeEvent(motion, Phase::Began, a.pos * a.target, 0.0);
}

} // namespace

SwipeAnim& SwipeAnim::shared() { return Shared<SwipeAnim>::instance(); }

void triggerDockSwipe(std::int64_t motion, std::int64_t direction) {
    platform::runLoop().post([motion, direction] { startDockSwipeAnimation(motion, direction); });
}

void startDockSwipeAnimation(std::int64_t motion, std::int64_t direction) {
    // The first steps depend on the refresh rate: read it before the link is
    // first needed.
    if (!DisplayLinkState::shared().displayLink) updateDisplayLink();
    if (motion == SwipeMotion::Horizontal) {
        startHorizontal(direction);
        return;
    }
    auto& para = DLinkPara::shared();
    if (para.swipeLinkEn()) return;
    auto& a = swipeAnim();
    const double first = firstOtherStep();
    a.target = static_cast<double>(direction);
    a.pos = first;
    a.goal = 1.0;
    a.remaining = 1.0 - first;
    a.motion = motion;
    a.decay = 1.0;
    postDockSwipeEvent(motion, Phase::Began, a.pos * a.target, 0.0);
    para.setSwipeLinkEn(true);
}

std::int32_t displayLinkTick(platform::DisplayLinkRef link, std::uint64_t hostTime) {
    auto& state = DisplayLinkState::shared();
    auto& para = DLinkPara::shared();
    auto& a = swipeAnim();
    const double t = static_cast<double>(hostTime) * state.hostTicksToSeconds;

    if (para.swipeLinkEn()) {
        const std::int64_t motion = a.motion;
        const double pos = a.pos, goal = a.goal;
        if (a.held) {
            postDockSwipeEvent(motion, Phase::Changed, pos * a.target, 0.0);
        } else if (pos == goal) {
            postClosing(a);
            para.setSwipeLinkEn(false);
        } else {
            const double step = a.remaining / (state.refreshFactor * 4.0) * a.decay;
            const double next = pos + step;
            double moved = pos;
            if (step == 0 || (goal - pos) * step < 0)
                moved = goal;  // a step that cannot reach the goal would animate for ever
            else if (pos < goal)
                moved = next < goal ? next : goal;
            else if (pos > goal)
                moved = next >= goal ? next : goal;
            a.pos = moved;
            a.decay = a.decay * state.frameDecay;
            postDockSwipeEvent(motion, Phase::Changed, (moved + 0.00001) * a.target, 0.0);
        }
        state.lastAnimationTime = t;
    }

    if (!para.swipeLinkEn()) {
        auto& links = platform::displayLinks();
        if (t - state.lastAnimationTime > kLinkIdleStop && links.isRunning(link)) {
            links.stop(link);
            // A swipe that began meanwhile found the link running.
            if (para.swipeLinkEn()) links.start(link);
        }
    }
    return 0;
}

void finishSwipeAtOnce() {
    auto& a = swipeAnim();
    if (a.held) {
        a.goal = 0.0;
    } else if (a.goal != 0.0) {
        a.pos = a.goal.get();
    }
    postClosing(a);
    DLinkPara::shared().setSwipeLinkEn(false);
}

} // namespace corv::engine
