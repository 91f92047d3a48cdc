#include "engine/DisplayLink.h"

#include "engine/SwipeAnimation.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <cmath>

namespace corv::engine {

DLinkPara& DLinkPara::shared() { return Shared<DLinkPara>::instance(); }

DisplayLinkState& DisplayLinkState::shared() { return Shared<DisplayLinkState>::instance(); }

void DLinkPara::setSwipeLinkEn(bool on) {
    const bool was = swipeLinkEn_.exchange(on, std::memory_order_acq_rel);
    if (was || !swipeLinkEn()) return;

    auto& state = DisplayLinkState::shared();
    // Made on first need: no display may have been active at launch.
    if (!state.displayLink) updateDisplayLink();
    if (const auto link = state.displayLink.get()) {
        if (!platform::displayLinks().isRunning(link)) platform::displayLinks().start(link);
        return;
    }
    // No frames will come to close the swipe.
    finishSwipeAtOnce();
}

double frameDecayFor(double refreshFactor) {
    if (refreshFactor >= frameDecayTable.back().factor) return frameDecayTable.back().decay;
    for (std::size_t i = 0; i + 1 < frameDecayTable.size(); ++i) {
        const auto& a = frameDecayTable[i];
        const auto& b = frameDecayTable[i + 1];
        if (a.factor < refreshFactor && refreshFactor <= b.factor)
            return a.decay + (refreshFactor - a.factor) / (b.factor - a.factor) * (b.decay - a.decay);
    }
    return frameDecayTable.front().decay;
}

platform::DisplayLinkRef makeDisplayLink() {
    auto& links = platform::displayLinks();
    const auto link = links.createWithActiveDisplays();
    if (!link) return 0;
    links.setOutputCallback(link, &displayLinkOutput);
    DisplayLinkState::shared().hostTicksToSeconds = links.hostTimeUnit();
    return link;
}

bool displayLinkRunning() {
    const auto link = DisplayLinkState::shared().displayLink.get();
    return link && platform::displayLinks().isRunning(link);
}

void ensureDisplayLink() {
    auto& state = DisplayLinkState::shared();
    if (state.activeDisplayCount > 0 && !state.displayLink) state.displayLink = makeDisplayLink();
}

void updateDisplayLink() {
    auto& state = DisplayLinkState::shared();
    auto& displays = platform::displays();
    // Worked out locally and stored once: the link thread reads the factor.
    double factor = 0.5;
    const auto active = displays.activeDisplayList(kMaxActiveDisplays);
    if (active) {
        state.activeDisplayCount = static_cast<std::uint32_t>(active->size());
        for (platform::DisplayId display : *active) {
            const auto mode = displays.currentMode(display);
            if (mode && mode->refreshRate / 60.0 > factor) factor = mode->refreshRate / 60.0;
        }
    }
    state.refreshFactor = factor;
    if (active) state.frameDecay = frameDecayFor(factor);

    if (state.activeDisplayCount == 0) return;
    ensureDisplayLink();
    const auto old = state.displayLink.get();
    if (!old) return;

    auto& links = platform::displayLinks();
    const platform::RefreshPeriod period = links.nominalOutputRefreshPeriod(old);
    // A period the link does not know yet says nothing about its rate.
    if (period.timeValue <= 0 || period.timeScale <= 0) return;
    const double rate = static_cast<double>(period.timeScale) / static_cast<double>(period.timeValue);
    if (std::fabs(rate - factor * 60.0) < kRelinkRateDifference) return;

    const auto fresh = makeDisplayLink();
    if (!fresh) return;
    const bool wasRunning = links.isRunning(old);
    links.stop(old);
    state.displayLink = fresh;
    links.release(old);
    if (wasRunning) links.start(fresh);
}

void displayReconfigured(platform::DisplayId, std::uint32_t flags, void*) {
    if (flags & kRelinkDisplayChanges) updateDisplayLink();
}

std::int32_t displayLinkOutput(platform::DisplayLinkRef link, std::uint64_t hostTime) {
    return displayLinkTick(link, hostTime);
}

} // namespace corv::engine
